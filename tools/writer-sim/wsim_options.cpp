#include "wsim_options.h"

#include <QCommandLineParser>

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Writer application: opens .docx and UTF-8 text documents, loads the "
        "proofreading\n"
        "plug-in like the host does and shows its command bars, or runs a script of steps\n"
        "without a display (--headless)."));
    parser.addOptions({
        {QStringLiteral("headless"),
         QStringLiteral("Run the steps without a window; no display needed.")},
        {QStringLiteral("plugin"),
         QStringLiteral("Plug-in library, or a plug-in directory holding libwpsvelmo.so.1."),
         QStringLiteral("path")},
        {QStringLiteral("script"), QStringLiteral("File of steps, one per line."),
         QStringLiteral("file")},
        {QStringLiteral("step"),
         QStringLiteral("One step (repeatable), run after the script file."),
         QStringLiteral("step")},
        {QStringLiteral("host-version"),
         QStringLiteral("Version the host reports (11.0: the older user interface)."),
         QStringLiteral("text")},
        {QStringLiteral("screenshot"),
         QStringLiteral("Window mode: save the window to an image after the steps and quit."),
         QStringLiteral("file")},
        {QStringLiteral("quit"), QStringLiteral("Window mode: quit after the steps.")},
        {QStringLiteral("debug"),
         QStringLiteral("Show debug messages, the plug-in's traces among them.")},
        {QStringLiteral("dialog-timeout"),
         QStringLiteral("Scripted runs: close a modal dialog nobody answered after this many "
                        "seconds (default 300)."),
         QStringLiteral("seconds")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")},
        {QStringLiteral("version"), QStringLiteral("Show the version.")},
    });
    parser.addPositionalArgument(QStringLiteral("documents"),
                                 QStringLiteral(".docx packages or UTF-8 text files to open."),
                                 QStringLiteral("[document...]"));
}

}  // namespace

QString wsim_usage() {
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText() + QStringLiteral(
                                   "\nSteps: open FILE | activate N|NAME | select START END | "
                                   "cursor POS | click CAPTION |\n"
                                   "       answer BUTTON [TITLE] | type TEXT | close TITLE | save "
                                   "| marks | text | errata |\n"
                                   "       rows TITLE | pick TITLE ROW | press TITLE BUTTON "
                                   "|\n"
                                   "       expect marks N | expect rows N TITLE\n");
}

bool wsim_parse_options(const QStringList& arguments, wsim_options& options, bool& help,
                        QString& error) {
    QCommandLineParser parser;
    describe(parser);
    help = false;
    if (!parser.parse(QStringList{QStringLiteral("writer-sim")} + arguments)) {
        error = parser.errorText() + QStringLiteral("\n\n") + wsim_usage();
        return false;
    }
    help = parser.isSet(QStringLiteral("help"));
    options.headless = parser.isSet(QStringLiteral("headless"));
    options.plugin = parser.value(QStringLiteral("plugin"));
    options.script_file = parser.value(QStringLiteral("script"));
    options.steps = parser.values(QStringLiteral("step"));
    options.version = parser.value(QStringLiteral("host-version"));
    options.screenshot = parser.value(QStringLiteral("screenshot"));
    options.quit = parser.isSet(QStringLiteral("quit")) || !options.screenshot.isEmpty();
    options.documents = parser.positionalArguments();
    options.debug = parser.isSet(QStringLiteral("debug"));
    options.show_version = parser.isSet(QStringLiteral("version"));
    if (parser.isSet(QStringLiteral("dialog-timeout"))) {
        bool ok = false;
        options.dialog_timeout_s = parser.value(QStringLiteral("dialog-timeout")).toInt(&ok);
        if (!ok || options.dialog_timeout_s < 1) {
            error = QStringLiteral("--dialog-timeout needs a number of seconds above 0");
            return false;
        }
    }
    if (options.headless && !options.screenshot.isEmpty()) {
        error = QStringLiteral("--screenshot needs the window; leave out --headless");
        return false;
    }
    return true;
}
