#include "wsim_quiet_messages.h"

#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler g_default_handler = nullptr;
bool g_show_debug = false;

void filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if ((type == QtDebugMsg && !g_show_debug) ||
        message.startsWith(QLatin1String("This plugin does not support")) ||
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (g_default_handler) g_default_handler(type, context, message);
}

}  // namespace

void wsim_install_quiet_messages(bool show_debug) {
    g_show_debug = show_debug;
    g_default_handler = qInstallMessageHandler(&filter);
}
