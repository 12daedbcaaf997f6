#include "features/common/velmo_ui_fit.h"

#include <QAbstractScrollArea>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFrame>

#include "features/common/velmo_text_width.h"
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

void velmo_fit_size(QWidget* widget, int width, int height) {
    const QSize needed = widget->sizeHint();
    widget->setFixedSize(qMax(width, needed.width()), qMax(height, needed.height()));
}

void velmo_fit_height(QWidget* widget, int height) {
    widget->setFixedHeight(qMax(height, widget->sizeHint().height()));
}

void velmo_fit_text_area(QAbstractScrollArea* area, const QString& widest, int lines) {
    const QFontMetrics metrics(area->font());
    // The frame, the scroll bar and the few pixels of margin a list item or a
    // text document keeps on each side of its text.
    constexpr int text_margin = 6;
    const int frame = 2 * area->frameWidth();
    const int bar = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area);
    area->setMinimumSize(velmo_text_width(metrics, widest) + 2 * text_margin + frame + bar,
                         lines * (metrics.lineSpacing() + 2) + 2 * text_margin + frame);
}

void velmo_show_value(QLineEdit* field, int width, const QString& sample) {
    field->setReadOnly(true);
    field->setEnabled(true);
    // The frame and the text margins a line edit draws around its text.
    QStyleOptionFrame option;
    option.initFrom(field);
    const int frame = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    const QMargins margins = field->textMargins();
    const int needed = velmo_text_width(QFontMetrics(field->font()), sample) + 2 * frame +
                       margins.left() + margins.right() + 8;
    field->setFixedWidth(qMax(width, needed));
    velmo_fit_height(field, 0);
}
