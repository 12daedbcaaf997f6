// The levels the service gives an error, and how every side reads them: the
// colour of a mark, the counts of the statistics and the errata table,
// writer-sim's listing and the batch command's summary.
#ifndef VELMO_DOCUMENT_VELMO_MARK_LEVEL_H
#define VELMO_DOCUMENT_VELMO_MARK_LEVEL_H

#include <QString>

#include "api/velmo_check_result.h"
#include "velmo_protocol.h"

enum velmo_level_t {
    VELMO_LEVEL_ERROR = VELMO_LEVEL_VALUE_ERROR,
    VELMO_LEVEL_SUSPECT = VELMO_LEVEL_VALUE_SUSPECT,
    VELMO_LEVEL_SERIOUS = VELMO_LEVEL_VALUE_SERIOUS
};

// The kind a level is read as: 2 a suspected error, 3 a serious one, every
// other value (unknown ones included) an error.
enum class velmo_mark_kind { error, suspect, serious };
velmo_mark_kind velmo_level_kind(int level);
// True for the three levels above. The errata table's count line counts
// only these; everywhere else an unknown level is an error.
bool velmo_level_known(int level);

// "错误", "疑错" or "严重错误" (translated in context "velmo_level").
QString velmo_mark_kind_name(velmo_mark_kind kind);

// Why the record is an error: the service's message when it sent one, the
// kind's name otherwise (records read back from marks have no message).
QString velmo_record_reason(const velmo_check_result_t& record);

// Marks counted by kind.
struct velmo_kind_counts_t {
    int errors = 0;
    int suspects = 0;
    int serious = 0;
    void add(int level);
};

#endif
