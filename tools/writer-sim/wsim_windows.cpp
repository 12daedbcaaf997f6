#include "wsim_windows.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QWidget>

namespace {

QAbstractItemView* list_of(QWidget* window) {
    return window ? window->findChild<QAbstractItemView*>() : nullptr;
}

}  // namespace

QWidget* wsim_window(const QString& title) {
    // Whatever the last step did (a check's end, a click) reaches the window first.
    QApplication::processEvents();
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == title) return widget;
    return nullptr;
}

QStringList wsim_window_rows(QWidget* window) {
    QStringList rows;
    QAbstractItemView* view = list_of(window);
    const QAbstractItemModel* model = view ? view->model() : nullptr;
    if (!model) return rows;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data(Qt::DisplayRole).toString();
        rows << cells.join(QStringLiteral(" | "));
    }
    return rows;
}

bool wsim_window_pick(QWidget* window, int row) {
    QAbstractItemView* view = list_of(window);
    if (!view || !view->model() || row < 0 || row >= view->model()->rowCount()) return false;
    view->setCurrentIndex(view->model()->index(row, 0));
    QApplication::processEvents();
    return true;
}

bool wsim_window_press(QWidget* window, const QString& caption) {
    if (!window) return false;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (button->text() != caption || !button->isVisible() || !button->isEnabled()) continue;
        button->click();
        QApplication::processEvents();
        return true;
    }
    return false;
}
