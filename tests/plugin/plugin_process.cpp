#include "plugin_process.h"

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace {

void write_all(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qint64 left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n <= 0) return;
        p += n;
        left -= n;
    }
}

QByteArray read_all(int fd) {
    QByteArray data;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        data.append(buffer, static_cast<int>(n));
    }
    return data;
}

}  // namespace

child_outcome run_in_child(const QString& path, const std::function<QStringList()>& body) {
    child_outcome outcome;
    int fds[2];
    if (::pipe(fds) != 0) return outcome;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        ::alarm(60);
        ::setenv("PATH", QFile::encodeName(path).constData(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(path).constData(), 1);
        static char name[] = "plugin_host";
        static char* argv[] = {name, nullptr};
        static int argc = 1;
        QApplication application(argc, argv);
        const QStringList report = body();
        write_all(fds[1], report.join('\n').toUtf8());
        ::close(fds[1]);
        std::fflush(nullptr);
        ::_exit(0);
    }
    ::close(fds[1]);
    const QByteArray data = pid > 0 ? read_all(fds[0]) : QByteArray();
    ::close(fds[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        outcome.exited = true;
        outcome.exit_code = WEXITSTATUS(status);
    }
    if (!data.isEmpty()) outcome.report = QString::fromUtf8(data).split('\n');
    return outcome;
}

loaded_plugin::loaded_plugin(const QString& directory, bool lazy) {
    const QByteArray file = QFile::encodeName(directory + "/libwpsvelmo.so.1");
    handle_ = ::dlopen(file.constData(), (lazy ? RTLD_LAZY : RTLD_NOW) | RTLD_LOCAL);
    if (!handle_) {
        error_ = QString::fromLocal8Bit(::dlerror());
        return;
    }
    initialize_ = reinterpret_cast<HRESULT (*)(wpsapi::_Application*)>(
        ::dlsym(handle_, "InitializeWpsPlugins"));
    uninitialize_ = reinterpret_cast<void (*)()>(::dlsym(handle_, "UnInitWpsPlugins"));
    if (!ok()) error_ = "entry points not found";
}

loaded_plugin::~loaded_plugin() { close(); }

bool loaded_plugin::close() {
    if (!handle_) return false;
    const bool closed = ::dlclose(handle_) == 0;
    handle_ = nullptr;
    initialize_ = nullptr;
    uninitialize_ = nullptr;
    return closed;
}

QString run_program(const QStringList& argv, int* status) {
    *status = -1;
    std::vector<QByteArray> storage;
    for (const QString& arg : argv) storage.push_back(QFile::encodeName(arg));
    std::vector<char*> args;
    for (QByteArray& arg : storage) args.push_back(arg.data());
    args.push_back(nullptr);

    int fds[2];
    if (::pipe(fds) != 0) return QString();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    const QByteArray output = spawned == 0 ? read_all(fds[0]) : QByteArray();
    ::close(fds[0]);
    if (spawned != 0) return QString();
    int raw = 0;
    if (::waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) *status = WEXITSTATUS(raw);
    return QString::fromLocal8Bit(output);
}

bool install_plugin(const QString& prefix, QString* output) {
    int status = -1;
    *output = run_program({VELMO_CMAKE_COMMAND, "--install", VELMO_BINARY_DIR, "--component",
                           "velmo_plugin", "--prefix", prefix},
                          &status);
    return status == 0;
}
