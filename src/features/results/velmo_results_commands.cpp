#include "features/results/velmo_results_commands.h"

#include <QPointer>

#include "config/velmo_config.h"
#include "features/results/velmo_ui_results.h"

namespace {

// One list for the plug-in, made on first use; it deletes itself when closed.
QPointer<velmo_ui_results> s_results_window;

velmo_ui_results* open_window() {
    if (!s_results_window) {
        s_results_window = new velmo_ui_results();
        s_results_window->setAttribute(Qt::WA_DeleteOnClose);
    }
    s_results_window->refresh();
    s_results_window->show();
    s_results_window->raise();
    return s_results_window;
}

}  // namespace

int velmo_cb_results(QList<QVariant>&) {
    open_window();
    return 0;
}

void velmo_results_check_ended() {
    if (s_results_window && s_results_window->isVisible()) {
        s_results_window->refresh();
        return;
    }
    if (velmo_singleton_config::instance()->get_int("Way", "ResultList") != 0) open_window();
}

void velmo_results_close() { delete s_results_window.data(); }

velmo_ui_results* velmo_results_window() { return s_results_window; }
