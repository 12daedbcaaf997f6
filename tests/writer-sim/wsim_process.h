// Running writer-sim, the install step and the demo as processes from the
// tests, with the build tree named by VELMO_BUILD_DIR.
#ifndef WSIM_TEST_PROCESS_H
#define WSIM_TEST_PROCESS_H

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

struct run_result {
    bool finished = false;
    bool crashed = false;
    int exit_code = -1;
    QString out;
    QString err;
};

QString build_dir();
QString source_dir();
QString writer_sim();

// Runs a program to its end (killed after the time limit). The
// environment is the test's own with Qt on the offscreen platform, unless
// one is given.
run_result run(const QString& program, const QStringList& arguments, int timeout_ms = 120000,
               const QProcessEnvironment& environment = QProcessEnvironment());

QString write_file(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);

// A plug-in directory laid out by the install step in `dir`, with the
// service address in its velmo.ini replaced.
QString install_plugin(const QTemporaryDir& dir, const QString& service_url);

// An address on which nothing listens: a loopback port the system just
// handed out and took back.
QString dead_service_url();

#endif
