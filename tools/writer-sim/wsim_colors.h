// Display colours of the host's highlight colour indexes.
#ifndef WSIM_COLORS_H
#define WSIM_COLORS_H

#include <QColor>

// The colour a highlight index is drawn in; an invalid colour for 0 (no
// highlight) and for indexes the host does not define.
QColor wsim_highlight_color(int index);

#endif
