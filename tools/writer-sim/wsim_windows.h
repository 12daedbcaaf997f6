// The plug-in's own non-modal windows (a results list beside the document),
// found by their title among the application's top-level windows, and worked
// as a user would: reading the rows of their list, picking a row, pressing a
// button.
#ifndef WSIM_WINDOWS_H
#define WSIM_WINDOWS_H

#include <QString>
#include <QStringList>

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// The visible top-level window with this title, or nullptr.
QWidget* wsim_window(const QString& title);

// The rows of the window's list, each row's cells joined by " | ".
QStringList wsim_window_rows(QWidget* window);

// Makes row `row` (0-based) the current one, as a click or the arrows do;
// false when the window has no list or no such row.
bool wsim_window_pick(QWidget* window, int row);

// Clicks the enabled button with this caption; false when there is none.
bool wsim_window_press(QWidget* window, const QString& caption);

#endif
