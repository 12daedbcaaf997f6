// Sizes of labels and fields that follow the font: the dialogs' designed
// sizes are minimums, and a text never gets less room than it needs in the
// current font (larger fonts, HiDPI scaling).
#ifndef VELMO_EVENTS_VELMO_UI_FIT_H
#define VELMO_EVENTS_VELMO_UI_FIT_H

#include <QList>

class QLabel;
class QWidget;

// Gives the labels one fixed width: `width`, or the widest text's width when
// that is more, so that labels of one column stay aligned.
void velmo_fit_labels(const QList<QLabel*>& labels, int width);

// Fixes the widget's width at `width`, or at the width its content needs
// (its size hint: for a date box, the date in its display format) when that
// is more.
void velmo_fit_width(QWidget* widget, int width);

#endif
