// The width of a line of text in a font, spelled so that it binds to a
// function every Qt 5 has (see host/velmo_portable_qt.h).
#ifndef VELMO_FEATURES_COMMON_VELMO_TEXT_WIDTH_H
#define VELMO_FEATURES_COMMON_VELMO_TEXT_WIDTH_H

#include <QFontMetrics>
#include <QString>

// The advance of `line`. QFontMetrics::horizontalAdvance is 5.11's; width(),
// which computes the same and exists in every Qt 5, is deprecated since.
inline int velmo_text_width(const QFontMetrics& metrics, const QString& line) {
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    return metrics.width(line);
    QT_WARNING_POP
}

#endif
