#include "wsim_colors.h"

QColor wsim_highlight_color(int index) {
    static const Qt::GlobalColor table[] = {
        Qt::black,   Qt::blue,       Qt::cyan,     Qt::green,     Qt::magenta,   Qt::red,
        Qt::yellow,  Qt::white,      Qt::darkBlue, Qt::darkCyan,  Qt::darkGreen, Qt::darkMagenta,
        Qt::darkRed, Qt::darkYellow, Qt::gray,     Qt::lightGray,
    };
    if (index < 1 || index > static_cast<int>(sizeof table / sizeof table[0])) return QColor();
    return QColor(table[index - 1]);
}
