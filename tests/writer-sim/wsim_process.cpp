#include "wsim_process.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

QString build_dir() { return QString::fromLocal8Bit(qgetenv("VELMO_BUILD_DIR")); }
QString source_dir() { return QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR")); }
QString writer_sim() { return build_dir() + QStringLiteral("/bin/writer-sim"); }

run_result run(const QString& program, const QStringList& arguments, int timeout_ms,
               const QProcessEnvironment& environment) {
    QProcess process;
    QProcessEnvironment env = environment;
    if (env.isEmpty()) {
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    }
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    run_result r;
    if (!process.waitForStarted(10000)) return r;
    r.finished = process.waitForFinished(timeout_ms);
    if (!r.finished) {
        // A script stops what it started on SIGTERM; SIGKILL is the last resort.
        process.terminate();
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    r.crashed = process.exitStatus() == QProcess::CrashExit;
    r.exit_code = process.exitCode();
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

QString write_file(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

QString install_plugin(const QTemporaryDir& dir, const QString& service_url) {
    const run_result r =
        run(QStringLiteral("cmake"),
            {QStringLiteral("--install"), build_dir(), QStringLiteral("--component"),
             QStringLiteral("velmo_plugin"), QStringLiteral("--prefix"), dir.filePath("install")});
    EXPECT_EQ(r.exit_code, 0) << r.err.toStdString();
    const QDir plugin_dir(dir.filePath("install/lib/wpsvelmo"));
    QFile ini(plugin_dir.filePath("velmo.ini"));
    EXPECT_TRUE(ini.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(ini.readAll());
    ini.close();
    text.replace(QRegularExpression(QStringLiteral("(?m)^ServiceUrl=.*$")),
                 QStringLiteral("ServiceUrl=") + service_url);
    EXPECT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text.toUtf8());
    return plugin_dir.path();
}

QString dead_service_url() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ::close(fd);
    return QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(address.sin_port));
}
