#include "host/velmo_host_entry.h"

#include <dlfcn.h>

#include <QByteArray>
#include <QDebug>
#include <QLoggingCategory>
#include <cstdio>

namespace {

// Looks `name` up in the process's global scope (the host program and the
// libraries it loaded globally), then among the plug-in's own dependencies,
// which a host that loads the plug-in locally keeps out of the global scope.
void* find_host_function(const char* name) {
    if (void* found = ::dlsym(RTLD_DEFAULT, name)) return found;
    Dl_info self{};
    if (!::dladdr(reinterpret_cast<void*>(&find_host_function), &self) || !self.dli_fname)
        return nullptr;
    void* handle = ::dlopen(self.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) return nullptr;
    void* found = ::dlsym(handle, name);
    ::dlclose(handle);
    return found;
}

// True when Qt's messages go to its own handler, which writes them to
// standard error; a host with a debug log of its own installs another one.
bool messages_go_to_stderr() {
    const QtMessageHandler current = qInstallMessageHandler(nullptr);
    const QtMessageHandler qt_default = qInstallMessageHandler(nullptr);
    const bool is_default = current == qt_default;
    qInstallMessageHandler(is_default ? nullptr : current);
    return is_default && QLoggingCategory::defaultCategory()->isInfoEnabled();
}

}  // namespace

void velmo_report_host_problem(const QString& line) {
    // Info rather than a warning: a host run with QT_FATAL_WARNINGS must not
    // end over it.
    const QByteArray text = ("velmo: " + line).toUtf8();
    if (!messages_go_to_stderr()) {
        std::fprintf(stderr, "%s\n", text.constData());
        std::fflush(stderr);
    }
    qInfo().noquote() << text.constData();
}

namespace {

_RegisterEventManager* resolve_event_manager() {
    typedef _RegisterEventManager* (*get_manager_t)();
    auto get_manager =
        reinterpret_cast<get_manager_t>(find_host_function("GetEventsRegisterManager"));
    if (!get_manager) {
        velmo_report_host_problem(
            "the host does not export GetEventsRegisterManager; the plug-in adds no command bars");
        return nullptr;
    }
    _RegisterEventManager* manager = get_manager();
    if (!manager)
        velmo_report_host_problem(
            "the host's GetEventsRegisterManager gave no event manager; the plug-in adds no "
            "command bars");
    return manager;
}

}  // namespace

_RegisterEventManager* velmo_event_manager() {
    // Resolved once: the manager lives as long as the process, and a missing
    // one is reported once.
    static _RegisterEventManager* const manager = resolve_event_manager();
    return manager;
}

namespace {

// One of the host's string functions, looked up once, on the first call.
template <typename Function>
Function host_string_function(const char* name) {
    return reinterpret_cast<Function>(find_host_function(name));
}

}  // namespace

// The plug-in library is linked with --wrap for each of the host's string
// functions, so that its calls land here and it holds no undefined reference
// to them: a loader that binds every symbol at load would otherwise refuse a
// plug-in whose host lacks them before it could say so. Without the function
// the call does nothing (the plug-in checks for them before it builds
// anything).
extern "C" {

BSTR __wrap__XSysAllocString(const OLECHAR* text) {
    static const auto function = host_string_function<BSTR (*)(const OLECHAR*)>("_XSysAllocString");
    return function ? function(text) : nullptr;
}

BSTR __wrap__XSysAllocStringLen(const OLECHAR* text, UINT length) {
    static const auto function =
        host_string_function<BSTR (*)(const OLECHAR*, UINT)>("_XSysAllocStringLen");
    return function ? function(text, length) : nullptr;
}

void __wrap__XSysFreeString(BSTR text) {
    static const auto function = host_string_function<void (*)(BSTR)>("_XSysFreeString");
    if (function) function(text);
}

UINT __wrap__XSysStringLen(BSTR text) {
    static const auto function = host_string_function<UINT (*)(BSTR)>("_XSysStringLen");
    return function ? function(text) : 0;
}
}

bool velmo_host_has_string_functions() {
    for (const char* name :
         {"_XSysAllocString", "_XSysAllocStringLen", "_XSysFreeString", "_XSysStringLen"}) {
        if (!find_host_function(name)) {
            velmo_report_host_problem(QString("the host does not export %1; the plug-in adds no "
                                              "command bars")
                                          .arg(name));
            return false;
        }
    }
    return true;
}
