#include "wsim_display_text.h"

#include "wpsapi.h"

namespace {
const QChar k_paragraph_separator(QChar::ParagraphSeparator);
const QChar k_shape_symbol(0x25A3);
}  // namespace

QString wsim_display_text(const QString& host_text) {
    QString out = host_text;
    if (out.endsWith(QChar(wpsapi::wdParagraphMark))) out.chop(1);
    for (QChar& c : out) {
        const ushort u = c.unicode();
        if (u == wpsapi::wdParagraphMark || u == wpsapi::wdCellMark)
            c = k_paragraph_separator;
        else if (u == wpsapi::wdInlineShapeMark)
            c = k_shape_symbol;
    }
    return out;
}

QString wsim_host_text(const QString& display_text) {
    QString out = display_text;
    for (QChar& c : out)
        if (c == k_paragraph_separator || c == QLatin1Char('\n'))
            c = QChar(wpsapi::wdParagraphMark);
    return out;
}

wsim_text_change wsim_diff_text(const QString& before, const QString& after) {
    int prefix = 0;
    const int shorter = qMin(before.size(), after.size());
    while (prefix < shorter && before.at(prefix) == after.at(prefix)) ++prefix;
    int suffix = 0;
    while (suffix < shorter - prefix &&
           before.at(before.size() - 1 - suffix) == after.at(after.size() - 1 - suffix))
        ++suffix;
    wsim_text_change change;
    change.position = prefix;
    change.removed = before.size() - prefix - suffix;
    change.inserted = after.mid(prefix, after.size() - prefix - suffix);
    return change;
}

QString wsim_printable_text(const QString& host_text) {
    QString out = host_text;
    for (QChar& c : out) {
        const ushort u = c.unicode();
        if (u == wpsapi::wdParagraphMark)
            c = QLatin1Char('\n');
        else if (u == wpsapi::wdCellMark)
            c = QLatin1Char('\t');
        else if (u == wpsapi::wdInlineShapeMark)
            c = k_shape_symbol;
    }
    return out;
}
