// velmo-proofread: proofreads a batch of documents with the plug-in loaded
// in the simulated Writer host and writes the marked documents.
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "modal_responder.h"
#include "proofread_document.h"
#include "proofread_options.h"
#include "proofread_report.h"
#include "wps_sim.h"
#include "wsim_plugin.h"
#include "wsim_quiet_messages.h"

namespace {

constexpr int k_exit_failure = 1;
constexpr int k_exit_usage = 2;

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // The plug-in's dialogs are widgets; they are drawn off screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    wsim_install_quiet_messages(false);
    int qt_argc = 1;
    QApplication application(qt_argc, argv);
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
    if (!options.out_dir.isEmpty() && !QDir().mkpath(options.out_dir)) {
        err << "velmo-proofread: cannot create the directory " << options.out_dir << '\n';
        return k_exit_failure;
    }

    kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
    modal_responder responder;
    wsim_plugin plugin;
    if (!plugin.load(options.plugin, error)) {
        err << "velmo-proofread: " << error << '\n';
        return k_exit_failure;
    }
    plugin.initialize(app);

    int status = 0;
    {
        proofread_document proofreader(app, responder, options);
        proofread_progress progress(out, ::isatty(STDOUT_FILENO) != 0, options.files.size());
        for (int i = 0; i < options.files.size(); ++i) {
            const QString& file = options.files.at(i);
            progress.start(i, QFileInfo(file).fileName());
            const proofread_result result = proofreader.run(file);
            // A document only partly checked is not a success either.
            if (!result.ok || result.unchecked_pieces > 0) status = k_exit_failure;
            progress.line(proofread_line(file, result));
        }
        progress.finish();
    }
    plugin.unload();
    app.clear();
    return status;
}
