#include "wsim_marks.h"

#include "document/velmo_mark_level.h"
#include "document/velmo_mark_name.h"

bool wsim_read_error_mark(const wsim_bookmark& bookmark, wsim_error_mark& mark) {
    velmo_check_result_t record;
    if (!velmo_mark_read_error_name(bookmark.name, record)) return false;
    mark.start = bookmark.start;
    mark.end = bookmark.end;
    mark.level = record.level;
    mark.wrong_text = record.err_word;
    mark.suggestions.clear();
    if (!record.cor_word.isEmpty())
        mark.suggestions = record.cor_word.split(QLatin1String(VELMO_SUGGESTION_SEPARATOR));
    return true;
}

QVector<wsim_error_mark> wsim_error_marks(wpsapi::_Document* doc) {
    QVector<wsim_error_mark> marks;
    for (const wsim_bookmark& bookmark : wsim_bookmarks(doc)) {
        wsim_error_mark mark;
        if (wsim_read_error_mark(bookmark, mark)) marks << mark;
    }
    return marks;
}

QString wsim_format_mark(const wsim_error_mark& mark) {
    const QString suggestions = mark.suggestions.isEmpty()
                                    ? QStringLiteral("(无建议)")
                                    : mark.suggestions.join(QStringLiteral(" | "));
    return QStringLiteral("%1-%2 %3 %4 -> %5")
        .arg(mark.start)
        .arg(mark.end)
        .arg(velmo_mark_kind_name(velmo_level_kind(mark.level)), mark.wrong_text, suggestions);
}

QString wsim_format_marks(const QString& document_name, const QVector<wsim_error_mark>& marks) {
    QString out = QStringLiteral("marks of %1: %2\n").arg(document_name).arg(marks.size());
    for (const wsim_error_mark& mark : marks)
        out += QStringLiteral("  ") + wsim_format_mark(mark) + '\n';
    return out;
}
