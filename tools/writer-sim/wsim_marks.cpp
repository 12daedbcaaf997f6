#include "wsim_marks.h"

namespace {
const QString k_error_prefix = QStringLiteral("vmjd_error");
const QString k_suggestion_separator = QStringLiteral("#-#");
}  // namespace

bool wsim_read_error_mark(const wsim_bookmark& bookmark, wsim_error_mark& mark) {
    if (!bookmark.name.startsWith(k_error_prefix)) return false;
    const QStringList parts = bookmark.name.split(QLatin1Char('_'));
    if (parts.size() < 6) return false;
    mark.start = bookmark.start;
    mark.end = bookmark.end;
    mark.level = parts.at(2).toInt();
    mark.wrong_text = parts.at(4);
    mark.suggestions.clear();
    if (!parts.at(5).isEmpty()) mark.suggestions = parts.at(5).split(k_suggestion_separator);
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

QString wsim_kind_name(int level) {
    if (level == 2) return QStringLiteral("疑错");
    if (level == 3) return QStringLiteral("严重错误");
    return QStringLiteral("错误");
}

QString wsim_format_mark(const wsim_error_mark& mark) {
    const QString suggestions = mark.suggestions.isEmpty()
                                    ? QStringLiteral("(无建议)")
                                    : mark.suggestions.join(QStringLiteral(" | "));
    return QStringLiteral("%1-%2 %3 %4 -> %5")
        .arg(mark.start)
        .arg(mark.end)
        .arg(wsim_kind_name(mark.level), mark.wrong_text, suggestions);
}

QString wsim_format_marks(const QString& document_name, const QVector<wsim_error_mark>& marks) {
    QString out = QStringLiteral("marks of %1: %2\n").arg(document_name).arg(marks.size());
    for (const wsim_error_mark& mark : marks)
        out += QStringLiteral("  ") + wsim_format_mark(mark) + '\n';
    return out;
}
