// velmo-proofread: proofreads a batch of documents with the plug-in loaded
// in the simulated Writer host and writes the marked documents. The batch
// runs each document in a worker: this program again, with --worker.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "modal_responder.h"
#include "proofread_batch.h"
#include "proofread_document.h"
#include "proofread_json.h"
#include "proofread_options.h"
#include "wps_sim.h"
#include "wsim_plugin.h"
#include "wsim_quiet_messages.h"

namespace {

constexpr int k_exit_failure = 1;
constexpr int k_exit_usage = 2;

// Proofreads the one document of a worker and prints its result line.
int run_worker(const proofread_options& options, QTextStream& err) {
    const QString& file = options.files.first();
    proofread_result result;
    kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
    modal_responder responder;
    wsim_plugin plugin;
    if (!plugin.load(options.plugin, result.error)) {
        result.output = proofread_output_path(options, file);
    } else {
        plugin.initialize(app);
        result = proofread_document(app, responder, options).run(file);
        plugin.unload();
    }
    app.clear();
    const QByteArray line = proofread_result_line(file, result);
    if (std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout) !=
            static_cast<size_t>(line.size()) ||
        std::fflush(stdout) != 0) {
        err << "velmo-proofread: cannot hand back the result\n";
        return k_exit_failure;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // A worker hosts the plug-in, whose dialogs are widgets drawn off
    // screen; the batch itself only starts workers.
    std::unique_ptr<QCoreApplication> application;
    int qt_argc = 1;
    if (arguments.contains(QStringLiteral("--worker"))) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        wsim_install_quiet_messages(false);
        application = std::make_unique<QApplication>(qt_argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(qt_argc, argv);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");

    proofread_options options;
    bool help = false;
    QString error;
    if (!proofread_parse_options(arguments, options, help, error)) {
        err << "velmo-proofread: " << error << "\n\n" << proofread_usage();
        return k_exit_usage;
    }
    if (help) {
        out << proofread_usage();
        return 0;
    }
    if (options.worker) return run_worker(options, err);
    if (!QFileInfo::exists(options.plugin)) {
        err << "velmo-proofread: no plug-in at " << options.plugin << '\n';
        return k_exit_failure;
    }
    if (!options.out_dir.isEmpty() && !QDir().mkpath(options.out_dir)) {
        err << "velmo-proofread: cannot create the directory " << options.out_dir << '\n';
        return k_exit_failure;
    }
    return proofread_batch(QCoreApplication::applicationFilePath(), options, out, err);
}
