#include "document/velmo_mark_level.h"

#include <QCoreApplication>

velmo_mark_kind velmo_level_kind(int level) {
    if (level == VELMO_LEVEL_SUSPECT) return velmo_mark_kind::suspect;
    if (level == VELMO_LEVEL_SERIOUS) return velmo_mark_kind::serious;
    return velmo_mark_kind::error;
}

bool velmo_level_known(int level) {
    return level == VELMO_LEVEL_ERROR || level == VELMO_LEVEL_SUSPECT ||
           level == VELMO_LEVEL_SERIOUS;
}

QString velmo_mark_kind_name(velmo_mark_kind kind) {
    switch (kind) {
        case velmo_mark_kind::suspect:
            return QCoreApplication::translate("velmo_level", "疑错");
        case velmo_mark_kind::serious:
            return QCoreApplication::translate("velmo_level", "严重错误");
        case velmo_mark_kind::error:
            break;
    }
    return QCoreApplication::translate("velmo_level", "错误");
}

QString velmo_record_reason(const velmo_check_result_t& record) {
    if (!record.message.isEmpty()) return record.message;
    return velmo_mark_kind_name(velmo_level_kind(record.level));
}

void velmo_kind_counts_t::add(int level) {
    switch (velmo_level_kind(level)) {
        case velmo_mark_kind::error:
            ++errors;
            break;
        case velmo_mark_kind::suspect:
            ++suspects;
            break;
        case velmo_mark_kind::serious:
            ++serious;
            break;
    }
}
