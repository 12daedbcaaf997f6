// The window of writer-sim: the plug-in's command bars as tool bars, one tab
// per open document, a list of bookmarks on demand, and the file commands
// (open, save, close).
#ifndef WSIM_MAIN_WINDOW_H
#define WSIM_MAIN_WINDOW_H

#include <QMainWindow>

#include "wpsapi.h"

QT_BEGIN_NAMESPACE
class QAction;
class QDockWidget;
class QListWidget;
class QTabWidget;
class QTimer;
QT_END_NAMESPACE
class wsim_command_bars;
class wsim_document_view;

class wsim_main_window : public QMainWindow {
    Q_OBJECT
  public:
    explicit wsim_main_window(wpsapi::_Application* app, QWidget* parent = nullptr);

    wsim_command_bars* command_bars() const { return command_bars_; }
    // Brings tabs, tool bars and views in line with the host.
    void sync_with_host();
    wsim_document_view* current_view() const;

    // Opens a file in the host and shows it; false with `error` set.
    bool open_file(const QString& file_path, QString& error);

  private slots:
    void on_open();
    void on_save();
    void on_close_document();
    void on_tab_changed(int index);
    void on_show_bookmarks(bool show);
    void on_bookmark_activated();
    void on_control_executed();
    void on_timer();

  private:
    void build_menus();
    void sync_tabs();
    void update_status();
    void update_bookmark_list();
    wsim_document_view* view_at(int index) const;

    wpsapi::_Application* app_;
    wsim_command_bars* command_bars_;
    QTabWidget* tabs_;
    QDockWidget* bookmark_dock_;
    QListWidget* bookmark_list_;
    QAction* show_bookmarks_action_;
    QTimer* timer_;
    bool syncing_tabs_ = false;
};

#endif
