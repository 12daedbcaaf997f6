// Mapping between the host's main text and the text the editor widget
// holds. Every host character is one editor character, so positions are the
// same on both sides: paragraph and cell marks become paragraph separators
// (U+2029), an inline shape becomes "▣", and the final paragraph mark is
// left out because the editor ends its last block by itself.
#ifndef WSIM_DISPLAY_TEXT_H
#define WSIM_DISPLAY_TEXT_H

#include <QString>

QString wsim_display_text(const QString& host_text);

// The main text for printing: paragraph marks as line breaks, cell marks as
// tabs, inline shapes as "▣".
QString wsim_printable_text(const QString& host_text);

// Text typed or pasted in the editor, as the host stores it: paragraph
// separators and line feeds become paragraph marks.
QString wsim_host_text(const QString& display_text);

// The smallest replacement that turns `before` into `after`: `removed`
// characters at `position` are replaced by `inserted`.
struct wsim_text_change {
    int position = 0;
    int removed = 0;
    QString inserted;
};
wsim_text_change wsim_diff_text(const QString& before, const QString& after);

#endif
