// Loads the plug-in library the way the host does: dlopen, then
// InitializeWpsPlugins with the application object; at the end
// UnInitWpsPlugins, then dlclose.
#ifndef WSIM_PLUGIN_H
#define WSIM_PLUGIN_H

#include <QString>

#include "wpsapi.h"

// File name of the plug-in library inside a plug-in directory.
extern const char* const WSIM_PLUGIN_FILE_NAME;  // "libwpsvelmo.so.1"

class wsim_plugin {
  public:
    wsim_plugin() = default;
    ~wsim_plugin();
    wsim_plugin(const wsim_plugin&) = delete;
    wsim_plugin& operator=(const wsim_plugin&) = delete;

    // `location`: the library file itself, or a plug-in directory holding
    // it. False with `error` set when it cannot be loaded or lacks an entry.
    bool load(const QString& location, QString& error);
    // Calls InitializeWpsPlugins; returns its result.
    HRESULT initialize(wpsapi::_Application* app);
    // Calls UnInitWpsPlugins (when initialised) and unloads the library.
    void unload();

    bool is_loaded() const { return handle_ != nullptr; }
    QString library_path() const { return path_; }

  private:
    using init_function = HRESULT (*)(wpsapi::_Application*);
    using uninit_function = void (*)();

    void* handle_ = nullptr;
    init_function init_ = nullptr;
    uninit_function uninit_ = nullptr;
    bool initialized_ = false;
    QString path_;
};

#endif
