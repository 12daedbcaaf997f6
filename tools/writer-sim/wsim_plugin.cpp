#include "wsim_plugin.h"

#include <dlfcn.h>

#include <QDir>
#include <QFileInfo>

const char* const WSIM_PLUGIN_FILE_NAME = "libwpsvelmo.so.1";

wsim_plugin::~wsim_plugin() { unload(); }

bool wsim_plugin::load(const QString& location, QString& error) {
    unload();
    QFileInfo info(location);
    if (info.isDir())
        info = QFileInfo(QDir(location).filePath(QLatin1String(WSIM_PLUGIN_FILE_NAME)));
    if (!info.exists()) {
        error = QStringLiteral("no plug-in library at %1").arg(info.filePath());
        return false;
    }
    path_ = info.absoluteFilePath();
    // RTLD_LOCAL keeps the plug-in's own symbols to itself, as the host does.
    handle_ = dlopen(QFile::encodeName(path_).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        error = QStringLiteral("cannot load %1: %2").arg(path_, QString::fromLocal8Bit(dlerror()));
        return false;
    }
    init_ = reinterpret_cast<init_function>(dlsym(handle_, "InitializeWpsPlugins"));
    uninit_ = reinterpret_cast<uninit_function>(dlsym(handle_, "UnInitWpsPlugins"));
    if (!init_ || !uninit_) {
        error = QStringLiteral("%1 does not export InitializeWpsPlugins and UnInitWpsPlugins")
                    .arg(path_);
        dlclose(handle_);
        handle_ = nullptr;
        return false;
    }
    return true;
}

HRESULT wsim_plugin::initialize(wpsapi::_Application* app) {
    if (!init_) return E_FAIL;
    initialized_ = true;
    return init_(app);
}

void wsim_plugin::unload() {
    if (!handle_) return;
    if (initialized_ && uninit_) uninit_();
    initialized_ = false;
    dlclose(handle_);
    handle_ = nullptr;
    init_ = nullptr;
    uninit_ = nullptr;
}
