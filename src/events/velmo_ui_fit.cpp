#include "events/velmo_ui_fit.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStringList>

#include "host/velmo_portable_qt.h"

namespace {

// The width of the label's longest line in its font, with its margins.
int text_width(const QLabel* label) {
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : velmo_split(label->text(), QStringLiteral("\n")))
        widest = qMax(widest, velmo_text_width(metrics, line));
    const QMargins margins = label->contentsMargins();
    return widest + 2 * label->margin() + margins.left() + margins.right() +
           qMax(label->indent(), 0);
}

}  // namespace

void velmo_fit_labels(const QList<QLabel*>& labels, int width) {
    for (const QLabel* label : labels) width = qMax(width, text_width(label));
    for (QLabel* label : labels) label->setFixedWidth(width);
}

void velmo_fit_width(QWidget* widget, int width) {
    widget->setFixedWidth(qMax(width, widget->sizeHint().width()));
}
