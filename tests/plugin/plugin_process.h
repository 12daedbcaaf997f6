// Loading the installed plug-in the way the host does, one fresh process per
// case: the plug-in keeps its state for as long as it is loaded, and a
// process can load it only once.
#ifndef TESTS_PLUGIN_PLUGIN_PROCESS_H
#define TESTS_PLUGIN_PLUGIN_PROCESS_H

#include <QString>
#include <QStringList>
#include <functional>

#include "wpsapi.h"

struct child_outcome {
    bool exited = false;  // false: killed by a signal (a crash or the watchdog)
    int exit_code = -1;
    QStringList report;  // lines the child reported, in order
};

// Runs `body` in a forked child with a QApplication on the offscreen platform
// and PATH set to `path` alone (also its run-time directory), and returns what it reported. A child
// that runs longer than a minute is killed.
child_outcome run_in_child(const QString& path, const std::function<QStringList()>& body);

// The plug-in library of `directory`, opened by its soname file as the host
// does (`lazy`: functions bound at their first call, otherwise all at load);
// the entry points are null when loading fails (see error()).
class loaded_plugin {
  public:
    explicit loaded_plugin(const QString& directory, bool lazy = false);
    ~loaded_plugin();
    loaded_plugin(const loaded_plugin&) = delete;
    loaded_plugin& operator=(const loaded_plugin&) = delete;

    bool ok() const { return initialize_ && uninitialize_; }
    QString error() const { return error_; }
    HRESULT initialize(wpsapi::_Application* app) const { return initialize_(app); }
    void uninitialize() const { uninitialize_(); }
    // Unloads the library, as the host does at exit; true when dlclose succeeds.
    bool close();

  private:
    void* handle_ = nullptr;
    HRESULT (*initialize_)(wpsapi::_Application*) = nullptr;
    void (*uninitialize_)() = nullptr;
    QString error_;
};

// Runs a program with arguments (no shell) and returns its standard output;
// `status` receives its exit status.
QString run_program(const QStringList& argv, int* status);

// Lays out the installed plug-in directory under `prefix` (`cmake --install`
// of the velmo_plugin component); false with the installer's output in
// `output` when that fails.
bool install_plugin(const QString& prefix, QString* output);

#endif
