// Sizes of labels and fields that follow the font: the dialogs' designed
// sizes are minimums, and a text never gets less room than it needs in the
// current font (larger fonts, HiDPI scaling).
#ifndef VELMO_FEATURES_COMMON_VELMO_UI_FIT_H
#define VELMO_FEATURES_COMMON_VELMO_UI_FIT_H

#include <QList>

QT_BEGIN_NAMESPACE
class QAbstractScrollArea;
class QLabel;
class QLineEdit;
class QString;
class QWidget;
QT_END_NAMESPACE

// Gives the labels one fixed width: `width`, or the widest text's width when
// that is more, so that labels of one column stay aligned.
void velmo_fit_labels(const QList<QLabel*>& labels, int width);

// Fixes the widget's width at `width`, or at the width its content needs
// (its size hint: for a date box, the date in its display format) when that
// is more.
void velmo_fit_width(QWidget* widget, int width);

// Fixes the widget's size at width x height, or at what its content needs
// in the current font (its size hint) where that is more: a button keeps its
// whole caption at a large font.
void velmo_fit_size(QWidget* widget, int width, int height);

// Fixes the widget's height at `height`, or at its size hint's when more.
void velmo_fit_height(QWidget* widget, int height);

// Gives a list or text area at least the room to show `lines` lines as wide
// as `widest` in its current font, beside a vertical scroll bar: a word list
// keeps its words whole and several in view at a large font.
void velmo_fit_text_area(QAbstractScrollArea* area, const QString& widest, int lines);

// Makes a field that only shows a value: read-only rather than disabled, so
// that the value is drawn as ordinary text (greyed-out text is hard to read),
// and wide enough for `sample` in the current font.
void velmo_show_value(QLineEdit* field, int width, const QString& sample);

#endif
