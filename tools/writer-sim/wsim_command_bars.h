// The host's command bars shown as tool bars of the main window: one tool bar
// per visible bar, a button per button control and a drop-down menu per
// pop-up control, in the order the plug-in built them. Clicking one executes
// the host control, which raises its "Click" event.
#ifndef WSIM_COMMAND_BARS_H
#define WSIM_COMMAND_BARS_H

#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>

#include "ksoapi.h"
#include "wpsapi.h"

QT_BEGIN_NAMESPACE
class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;
QT_END_NAMESPACE

class wsim_command_bars : public QObject {
    Q_OBJECT
  public:
    wsim_command_bars(wpsapi::_Application* app, QMainWindow* window);

    // Rebuilds the tool bars when the host's bars, controls or captions
    // changed since the last call (the account items rewrite their captions).
    void refresh();

    // The tool-bar button or menu entry whose caption is `caption`: a
    // button of a tool bar is clicked as a user would; a menu entry is
    // triggered. False when nothing has that caption.
    bool click(const QString& caption);

    // Captions as shown: "bar/caption" for buttons, "bar/menu/item" for
    // drop-down items.
    QStringList shown_captions() const;

    // True while a control's click handlers run.
    bool executing() const { return executing_ > 0; }

  signals:
    // A control was executed (its handlers have returned).
    void executed(const QString& caption);

  private:
    struct item {
        kfc::ks_stdptr<ksoapi::CommandBarControl> control;
        QString caption;
        QList<item> children;  // pop-up items
        bool is_popup = false;
    };
    struct bar {
        QString name;
        QList<item> items;
    };

    QList<bar> read_bars() const;
    QList<item> read_controls(ksoapi::CommandBarControls* controls, int depth) const;
    QString signature(const QList<bar>& bars) const;
    void fill_menu(QMenu* menu, const QList<item>& items, const QString& path);
    QAction* make_action(const item& entry, QObject* parent, const QString& path);

    wpsapi::_Application* app_;
    QMainWindow* window_;
    QString signature_;
    QList<QToolBar*> toolbars_;
    QHash<QString, QAction*> actions_by_caption_;
    QHash<QString, QWidget*> buttons_by_caption_;
    QStringList shown_;
    int executing_ = 0;
};

#endif
