#include "wsim_command_bars.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "wsim_host.h"

namespace {

// Pop-ups inside pop-ups are followed this deep at most, so a control tree
// that refers to itself cannot hang the window.
constexpr int k_max_menu_depth = 8;

QString caption_of(ksoapi::CommandBarControl* control) {
    kfc::ks_bstr caption;
    if (FAILED(control->get_Caption(&caption))) return QString();
    return velmo_from_bstr(caption);
}

}  // namespace

wsim_command_bars::wsim_command_bars(wpsapi::_Application* app, QMainWindow* window)
    : QObject(window), app_(app), window_(window) {}

QList<wsim_command_bars::item> wsim_command_bars::read_controls(
    ksoapi::CommandBarControls* controls, int depth) const {
    QList<item> items;
    int count = 0;
    if (!controls || FAILED(controls->get_Count(&count))) return items;
    for (int i = 1; i <= count; ++i) {
        item entry;
        if (FAILED(controls->get_Item(kfc::var_i4(i), &entry.control)) || !entry.control) continue;
        VARIANT_BOOL visible = VARIANT_TRUE;
        if (SUCCEEDED(entry.control->get_Visible(&visible)) && visible == VARIANT_FALSE) continue;
        entry.caption = caption_of(entry.control);
        ksoapi::MsoControlType type = ksoapi::msoControlButton;
        entry.control->get_Type(&type);
        if (type == ksoapi::msoControlPopup) {
            entry.is_popup = true;
            auto popup = velmo_query<ksoapi::CommandBarPopup>(entry.control.get(),
                                                              velmo_iid_command_bar_popup);
            kfc::ks_stdptr<ksoapi::CommandBarControls> children;
            if (popup && depth < k_max_menu_depth && SUCCEEDED(popup->get_Controls(&children)))
                entry.children = read_controls(children, depth + 1);
        }
        items << entry;
    }
    return items;
}

QList<wsim_command_bars::bar> wsim_command_bars::read_bars() const {
    QList<bar> bars;
    kfc::ks_stdptr<ksoapi::_CommandBars> command_bars;
    int count = 0;
    if (!app_ || FAILED(app_->get_CommandBars(&command_bars)) || !command_bars ||
        FAILED(command_bars->get_Count(&count)))
        return bars;
    for (int i = 1; i <= count; ++i) {
        kfc::ks_stdptr<ksoapi::CommandBar> command_bar;
        if (FAILED(command_bars->get_Item(kfc::var_i4(i), &command_bar)) || !command_bar) continue;
        VARIANT_BOOL visible = VARIANT_FALSE;
        if (FAILED(command_bar->get_Visible(&visible)) || visible == VARIANT_FALSE) continue;
        bar entry;
        kfc::ks_bstr name;
        if (SUCCEEDED(command_bar->get_Name(&name))) entry.name = velmo_from_bstr(name);
        kfc::ks_stdptr<ksoapi::CommandBarControls> controls;
        if (SUCCEEDED(command_bar->get_Controls(&controls)))
            entry.items = read_controls(controls, 0);
        bars << entry;
    }
    return bars;
}

QString wsim_command_bars::signature(const QList<bar>& bars) const {
    QString out;
    std::function<void(const QList<item>&)> add = [&](const QList<item>& items) {
        out += QLatin1Char('(');
        for (const item& entry : items) {
            out += entry.caption + QChar(0x1F);
            if (entry.is_popup) add(entry.children);
        }
        out += QLatin1Char(')');
    };
    for (const bar& b : bars) {
        out += b.name;
        add(b.items);
    }
    return out;
}

QAction* wsim_command_bars::make_action(const item& entry, QObject* parent, const QString& path) {
    auto* action = new QAction(entry.caption, parent);
    kfc::ks_stdptr<ksoapi::CommandBarControl> control = entry.control;
    const QString caption = entry.caption;
    connect(action, &QAction::triggered, this, [this, control, caption]() {
        ++executing_;
        control->Execute();
        --executing_;
        emit executed(caption);
    });
    actions_by_caption_.insert(caption, action);
    shown_ << path + caption;
    return action;
}

void wsim_command_bars::fill_menu(QMenu* menu, const QList<item>& items, const QString& path) {
    for (const item& entry : items) {
        if (entry.is_popup) {
            QMenu* sub = menu->addMenu(entry.caption);
            fill_menu(sub, entry.children, path + entry.caption + QLatin1Char('/'));
        } else {
            menu->addAction(make_action(entry, menu, path));
        }
    }
}

void wsim_command_bars::refresh() {
    const QList<bar> bars = read_bars();
    const QString next = signature(bars);
    if (next == signature_ && !toolbars_.isEmpty()) return;
    signature_ = next;
    for (QToolBar* toolbar : toolbars_) {
        window_->removeToolBar(toolbar);
        toolbar->deleteLater();
    }
    toolbars_.clear();
    actions_by_caption_.clear();
    buttons_by_caption_.clear();
    shown_.clear();

    for (const bar& b : bars) {
        QToolBar* toolbar = window_->addToolBar(b.name);
        toolbar->setObjectName(b.name);
        toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        toolbars_ << toolbar;
        const QString path = b.name + QLatin1Char('/');
        for (const item& entry : b.items) {
            if (entry.is_popup) {
                auto* button = new QToolButton(toolbar);
                button->setText(entry.caption);
                button->setPopupMode(QToolButton::InstantPopup);
                auto* menu = new QMenu(button);
                fill_menu(menu, entry.children, path + entry.caption + QLatin1Char('/'));
                button->setMenu(menu);
                toolbar->addWidget(button);
                buttons_by_caption_.insert(entry.caption, button);
            } else {
                QAction* action = make_action(entry, toolbar, path);
                toolbar->addAction(action);
                buttons_by_caption_.insert(entry.caption, toolbar->widgetForAction(action));
            }
        }
    }
}

bool wsim_command_bars::click(const QString& caption) {
    if (QAction* action = actions_by_caption_.value(caption)) {
        auto* button = qobject_cast<QToolButton*>(buttons_by_caption_.value(caption));
        if (button && button->defaultAction() == action) {
            button->click();
        } else {
            action->trigger();
        }
        return true;
    }
    return false;
}

QStringList wsim_command_bars::shown_captions() const { return shown_; }
