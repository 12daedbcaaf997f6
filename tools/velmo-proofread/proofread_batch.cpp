#include "proofread_batch.h"

#include <string.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSaveFile>

#include "proofread_interrupt.h"
#include "proofread_json.h"
#include "proofread_report.h"

namespace {

constexpr int k_exit_failure = 1;
constexpr int k_exit_signal_base = 128;
constexpr int k_stop_grace_ms = 10000;  // for a worker told to stop to clean up

// Temporary files a stopped worker left on the way to `output`.
void remove_leftovers(const QString& output, const QDateTime& since) {
    const QFileInfo info(output);
    for (const QFileInfo& f : info.absoluteDir().entryInfoList(
             {proofread_temp_filter(output)}, QDir::Files | QDir::Hidden | QDir::System))
        if (f.lastModified() >= since.addSecs(-1)) QFile::remove(f.absoluteFilePath());
}

// Proofreads one document in a worker process.
proofread_result run_worker(const QString& program, const proofread_options& options,
                            const QString& file) {
    const QDateTime started = QDateTime::currentDateTime();
    QProcess worker;
    worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    worker.start(program, proofread_worker_arguments(options, file));
    proofread_result result;
    result.output = proofread_output_path(options, file);
    if (!worker.waitForStarted(-1)) {
        result.error = QStringLiteral("cannot start a worker: ") + worker.errorString();
        return result;
    }
    proofread_set_worker(static_cast<pid_t>(worker.processId()));
    const int limit = options.time_limit_seconds;
    const bool overran = !worker.waitForFinished(limit > 0 ? limit * 1000 : -1) &&
                         worker.state() != QProcess::NotRunning;
    if (overran) {
        // A worker that hangs (a service that never answers, a document that
        // never ends) would hold up the whole batch: it is asked to stop and
        // clean up, and killed when it does not.
        worker.terminate();
        if (!worker.waitForFinished(k_stop_grace_ms)) {
            worker.kill();
            worker.waitForFinished(-1);
        }
    }
    proofread_set_worker(0);
    if (overran) {
        remove_leftovers(result.output, started);
        result.ok = false;
        result.error = QStringLiteral("stopped after %1 s (--time-limit)").arg(limit);
        return result;
    }
    const QByteArray output = worker.readAllStandardOutput();
    if (worker.exitStatus() == QProcess::NormalExit && proofread_parse_result_line(output, result))
        return result;
    remove_leftovers(result.output, started);
    result.ok = false;
    result.error = worker.exitStatus() == QProcess::CrashExit
                       ? QStringLiteral("crashed (%1)")
                             .arg(QString::fromLocal8Bit(::strsignal(worker.exitCode())))
                       : QStringLiteral("the worker ended without a result (exit status %1)")
                             .arg(worker.exitCode());
    return result;
}

bool write_report(const QString& path, const QJsonObject& report, QString& error) {
    QSaveFile file(path);
    const QByteArray bytes = QJsonDocument(report).toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace

int proofread_batch(const QString& program, const proofread_options& options, QTextStream& out,
                    QTextStream& err) {
    proofread_catch_interrupts();
    int status = 0;
    QStringList failed;
    QJsonArray documents;
    int done = 0;
    proofread_progress progress(out, ::isatty(STDOUT_FILENO) != 0, options.files.size());
    for (; done < options.files.size() && !proofread_interrupted(); ++done) {
        const QString& file = options.files.at(done);
        progress.start(done, QFileInfo(file).fileName());
        const proofread_result result = run_worker(program, options, file);
        if (proofread_interrupted() && !result.ok) break;
        // A document only partly checked or marked is not a success either.
        if (!result.ok || result.unchecked_pieces > 0 || result.unplaced_errors > 0)
            status = k_exit_failure;
        if (!result.ok) failed << file;
        progress.line(proofread_line(file, result));
        documents.append(proofread_result_to_json(file, result));
    }
    progress.finish();
    const int stopped = proofread_interrupted();
    const QStringList not_done = options.files.mid(done);
    out << proofread_summary(options.files.size(), failed, stopped ? not_done.size() : 0) << '\n';
    out.flush();
    if (!options.json_path.isEmpty()) {
        QString error;
        const QJsonObject report{{"documents", documents},
                                 {"failed", QJsonArray::fromStringList(failed)},
                                 {"not_processed", QJsonArray::fromStringList(not_done)},
                                 {"stopped_by_signal", stopped}};
        if (!write_report(options.json_path, report, error)) {
            err << "velmo-proofread: " << error << '\n';
            status = k_exit_failure;
        }
    }
    return stopped ? k_exit_signal_base + stopped : status;
}
