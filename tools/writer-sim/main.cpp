// writer-sim: a simulated Writer application that loads the proofreading
// plug-in the way the host does, in a window or headless with a script.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "wps_sim.h"
#include "wsim_command_bars.h"
#include "wsim_document_file.h"
#include "wsim_host.h"
#include "wsim_main_window.h"
#include "wsim_marks.h"
#include "wsim_modal_bridge.h"
#include "wsim_options.h"
#include "wsim_plugin.h"
#include "wsim_quiet_messages.h"
#include "wsim_runner.h"

namespace {

constexpr int k_exit_failure = 1;
constexpr int k_exit_usage = 2;

bool load_steps(const wsim_options& options, QVector<wsim_step>& steps, QString& error) {
    if (!options.script_file.isEmpty()) {
        QFile file(options.script_file);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            error = QStringLiteral("cannot read the script %1: %2")
                        .arg(options.script_file, file.errorString());
            return false;
        }
        QString script_error;
        if (!wsim_parse_script(QString::fromUtf8(file.readAll()), steps, script_error)) {
            error = QStringLiteral("%1: %2").arg(options.script_file, script_error);
            return false;
        }
    }
    for (int i = 0; i < options.steps.size(); ++i) {
        wsim_step step;
        bool is_step = false;
        QString step_error;
        if (!wsim_parse_step(options.steps.at(i), i + 1, step, is_step, step_error)) {
            error = QStringLiteral("--step \"%1\": %2").arg(options.steps.at(i), step_error);
            return false;
        }
        if (is_step) steps << step;
    }
    return true;
}

// Lists the error marks of every open document: the end of every headless run.
void list_all_marks(wpsapi::_Application* app, QTextStream& out) {
    for (const auto& doc : wsim_documents(app))
        out << wsim_format_marks(wsim_document_name(doc), wsim_error_marks(doc));
}

// Runs the steps; afterwards reports answers that found no window and
// dialogs that had to be closed. 0 when all went as scripted.
int run_steps(wsim_runner& runner, wsim_modal_bridge& bridge, const QVector<wsim_step>& steps,
              QTextStream& out, QTextStream& err) {
    QString error;
    const bool ok = runner.run(steps, error);
    bridge.report();
    out.flush();
    if (!ok) {
        err << "writer-sim: " << error << '\n';
        return k_exit_failure;
    }
    const QStringList problems = bridge.problems();
    for (const QString& problem : problems) err << "writer-sim: " << problem << '\n';
    return problems.isEmpty() ? 0 : k_exit_failure;
}

int run_headless(wpsapi::_Application* app, wsim_modal_bridge& bridge,
                 const QVector<wsim_step>& steps, QTextStream& out, QTextStream& err) {
    wsim_runner runner(
        app, [app](const QString& caption) { return wps_sim::click(app, caption); }, &bridge, out);
    const int result = run_steps(runner, bridge, steps, out, err);
    list_all_marks(app, out);
    out.flush();
    return result;
}

int run_window(wpsapi::_Application* app, const wsim_options& options, wsim_modal_bridge* bridge,
               const QVector<wsim_step>& steps, QTextStream& out, QTextStream& err) {
    wsim_main_window window(app);
    window.show();
    int result = 0;
    if (bridge) {
        QTimer::singleShot(0, &window, [&]() {
            wsim_runner runner(
                app,
                [&window](const QString& caption) { return window.command_bars()->click(caption); },
                bridge, out);
            result = run_steps(runner, *bridge, steps, out, err);
            window.sync_with_host();
            if (!options.screenshot.isEmpty()) {
                QApplication::processEvents();
                if (!window.grab().save(options.screenshot)) {
                    err << "writer-sim: cannot write the screenshot " << options.screenshot << '\n';
                    result = k_exit_failure;
                }
            }
            if (options.quit) QApplication::exit(result);
        });
    }
    const int exec_result = QApplication::exec();
    return result != 0 ? result : exec_result;
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    // Qt reads options of its own from the command line ("-plugin" among
    // them); writer-sim's options are not meant for it.
    int qt_argc = 1;

    // The command line is read before any display is needed: --help,
    // --version and a bad command line work everywhere. The usage text
    // needs an application object; a plain one needs no display.
    wsim_options options;
    {
        QCoreApplication command_line(qt_argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        out.setCodec("UTF-8");
        err.setCodec("UTF-8");
        bool help = false;
        QString error;
        if (!wsim_parse_options(arguments, options, help, error)) {
            err << "writer-sim: " << error << '\n';
            return k_exit_usage;
        }
        if (help) {
            out << wsim_usage();
            return 0;
        }
        if (options.show_version) {
            out << "writer-sim " << WSIM_VERSION << '\n';
            return 0;
        }
    }

    // Headless runs need no display: the plug-in's dialogs still are widgets,
    // drawn off screen. The platform is chosen before the application exists.
    if (options.headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!options.headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs(
            "writer-sim: no display for the window; use --headless, or set "
            "QT_QPA_PLATFORM=offscreen for an invisible window\n",
            stderr);
        return k_exit_usage;
    }
    wsim_install_quiet_messages(options.debug);
    QApplication application(qt_argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");
    QString error;

    QVector<wsim_step> steps;
    if (!load_steps(options, steps, error)) {
        err << "writer-sim: " << error << '\n';
        return k_exit_usage;
    }

    kfc::ks_stdptr<wpsapi::_Application> app = options.version.isEmpty()
                                                   ? wps_sim::create_application()
                                                   : wps_sim::create_application(options.version);
    for (const QString& file : options.documents) {
        if (!wsim_open_document(app, file, error)) {
            err << "writer-sim: " << error << '\n';
            return k_exit_failure;
        }
    }

    // Scripted runs answer modal windows from the start: the plug-in may
    // show a message while it initialises.
    std::unique_ptr<wsim_modal_bridge> bridge;
    if (options.headless || !steps.isEmpty() || options.quit)
        bridge.reset(new wsim_modal_bridge(out, options.dialog_timeout_s * 1000));

    wsim_plugin plugin;
    if (!options.plugin.isEmpty()) {
        if (!plugin.load(options.plugin, error)) {
            err << "writer-sim: " << error << '\n';
            return k_exit_failure;
        }
        const HRESULT status = plugin.initialize(app);
        if (bridge) bridge->report();
        out << "plug-in " << plugin.library_path() << " initialised (status " << status << ")\n";
        out.flush();
    }

    const int result = options.headless ? run_headless(app, *bridge, steps, out, err)
                                        : run_window(app, options, bridge.get(), steps, out, err);
    out.flush();
    // The host unloads the plug-in before it goes away itself.
    plugin.unload();
    app.clear();
    return result;
}
