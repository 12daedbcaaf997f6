#include "plugin/velmo_entry.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <cstdlib>

#include "config/velmo_config.h"
#include "features/common/velmo_message.h"
#include "features/results/velmo_results_commands.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_entry.h"
#include "host/velmo_query.h"
#include "plugin/velmo_command_bar.h"
#include "plugin/velmo_layout.h"
#include "plugin/velmo_translations.h"

#define VELMO_EXPORT __attribute__((visibility("default")))

namespace {

// The notice that the built-in settings are in use: posted to the GUI
// thread, so that it never stops the call that needed the address (the
// account refresh at start-up, a check thread) and shows once the host's
// event loop runs.
// (A posted event rather than invokeMethod with a function, which needs Qt
// 5.10: the plug-in loads into older Qt 5 hosts too.)
QEvent::Type settings_notice_type() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

struct settings_notice_event : QEvent {
    explicit settings_notice_event(const QString& notice)
        : QEvent(settings_notice_type()), text(notice) {}
    QString text;
};

// Made on the GUI thread at initialisation; shows the notices posted to it.
class settings_notice_receiver : public QObject {
  public:
    bool event(QEvent* event) override {
        if (event->type() != settings_notice_type()) return QObject::event(event);
        velmo_message_information(static_cast<settings_notice_event*>(event)->text);
        return true;
    }
};

settings_notice_receiver* notice_receiver = nullptr;

void show_settings_notice(const QString& text) {
    if (notice_receiver)
        QCoreApplication::postEvent(notice_receiver, new settings_notice_event(text));
}

}  // namespace

extern "C" VELMO_EXPORT HRESULT InitializeWpsPlugins(wpsapi::_Application* app) {
    // Once initialised, stay so: a second call must never build a second bar,
    // even when the first one failed.
    if (g_pApp) return S_OK;

    velmo_singleton_config* config = velmo_singleton_config::instance();
    if (!notice_receiver && QCoreApplication::instance())
        notice_receiver = new settings_notice_receiver;
    velmo_config_set_notice_handler(show_settings_notice);
    if (config->get_int("OtherParams", "movewpsd") != 0) {
        // The settings ask to end the host's wpsd processes; the outcome
        // does not matter.
        const int ignored = std::system("pkill -9 wpsd");
        (void)ignored;
    }
    // Texts passed through tr() are UTF-8 literals, which Qt 5 decodes as
    // such; no codec needs to be installed for them. Qt's standard buttons
    // would read "OK" beside "确定" without Qt's own Chinese texts.
    velmo_load_qt_translations();

    // Without an application object there is nothing to remember or build;
    // a later call with one may still initialise.
    if (!app) return VELMO_E_COMMAND_BAR;
    g_pApp = app;
    // Without the host's string functions or its event manager no item could
    // work: that is reported, and nothing is built.
    if (!velmo_host_has_string_functions()) return VELMO_E_COMMAND_BAR;
    _RegisterEventManager* manager = velmo_event_manager();
    if (!manager) return VELMO_E_COMMAND_BAR;

    // After a shut-down the items built before are still in the host.
    if (RestoreCommandBars(manager)) return S_OK;

    ksoapi::CommandBars* handed_out = nullptr;
    if (FAILED(app->get_CommandBars(&handed_out)) || !handed_out) return VELMO_E_COMMAND_BAR;
    kfc::ks_stdptr<ksoapi::_CommandBars> bars = velmo_adopt<ksoapi::_CommandBars>(handed_out);
    if (is_newstyle())
        InitPanel2(bars, manager);
    else
        InitPanel3(bars, manager);
    return S_OK;
}

extern "C" VELMO_EXPORT void UnInitWpsPlugins() {
    // The host may keep the bars after unloading the library, so nothing of
    // them may still lead into it; the library itself is never unmapped.
    qDebug() << ">>>>>>>>>>>wpsComRelease>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>>";
    if (g_pApp) WithdrawCommandBars(velmo_event_manager());
    velmo_results_close();
    g_pApp = nullptr;
}
