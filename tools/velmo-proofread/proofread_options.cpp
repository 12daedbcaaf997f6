#include "proofread_options.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace {

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Proofreads documents (.docx packages or UTF-8 text files) with the plug-in loaded in the\n"
        "simulated Writer: runs \"校对\" on each and writes the marked document. Prints one line "
        "per\n"
        "document; the exit status is 1 when a document could not be read, checked or written,\n"
        "or when part of its text could not be checked (the marked copy is written then).\n"
        "Each document is proofread in a process of its own; one that crashes fails alone.\n"
        "Text outside the main body (headers, footers, notes, comments, text boxes) is not\n"
        "checked; each line says how much there is."));
    QCommandLineOption worker(QStringLiteral("worker"),
                              QStringLiteral("Proofread one document in this process."));
    worker.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(worker);
    parser.addOptions({
        {QStringLiteral("plugin"),
         QStringLiteral("Plug-in library, or a plug-in directory holding libwpsvelmo.so.1."),
         QStringLiteral("path")},
        {QStringLiteral("out"),
         QStringLiteral("Directory for the marked documents (default: beside each input, "
                        "as NAME.proofread.EXT)."),
         QStringLiteral("dir")},
        {QStringLiteral("in-place"), QStringLiteral("Write the marked document over its input.")},
        {QStringLiteral("max-size"),
         QStringLiteral("Refuse files larger than this many MiB (default 64)."),
         QStringLiteral("MiB")},
        {QStringLiteral("time-limit"),
         QStringLiteral("Stop the check of a document that takes longer than this many seconds "
                        "and count it as failed (default 3600; 0: no limit)."),
         QStringLiteral("seconds")},
        {QStringLiteral("json"),
         QStringLiteral("Also write a report of every document as JSON to this file."),
         QStringLiteral("file")},
        {{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")},
    });
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Documents to proofread."),
                                 QStringLiteral("FILE..."));
}

}  // namespace

QString proofread_usage() {
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

bool proofread_parse_options(const QStringList& arguments, proofread_options& options, bool& help,
                             QString& error) {
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QStringList{QStringLiteral("velmo-proofread")} + arguments)) {
        error = parser.errorText();
        return false;
    }
    help = parser.isSet(QStringLiteral("help"));
    if (help) return true;
    options.plugin = parser.value(QStringLiteral("plugin"));
    options.out_dir = parser.value(QStringLiteral("out"));
    options.in_place = parser.isSet(QStringLiteral("in-place"));
    options.files = parser.positionalArguments();
    options.json_path = parser.value(QStringLiteral("json"));
    options.worker = parser.isSet(QStringLiteral("worker"));
    if (parser.isSet(QStringLiteral("max-size"))) {
        bool ok = false;
        const qint64 mib = parser.value(QStringLiteral("max-size")).toLongLong(&ok);
        if (!ok || mib < 1) {
            error = QStringLiteral("--max-size needs a number of MiB above 0");
            return false;
        }
        options.max_bytes = mib << 20;
    }
    if (parser.isSet(QStringLiteral("time-limit"))) {
        bool ok = false;
        const int seconds = parser.value(QStringLiteral("time-limit")).toInt(&ok);
        if (!ok || seconds < 0 || seconds > 24 * 3600) {
            error = QStringLiteral("--time-limit needs a number of seconds from 0 to 86400");
            return false;
        }
        options.time_limit_seconds = seconds;
    }
    if (options.plugin.isEmpty()) {
        error = QStringLiteral("--plugin is required");
        return false;
    }
    if (options.files.isEmpty()) {
        error = QStringLiteral("no document given");
        return false;
    }
    if (options.worker && options.files.size() != 1) {
        error = QStringLiteral("--worker takes one document");
        return false;
    }
    if (options.in_place && !options.out_dir.isEmpty()) {
        error = QStringLiteral("--in-place and --out exclude each other");
        return false;
    }
    return true;
}

QString proofread_output_path(const proofread_options& options, const QString& input) {
    const QFileInfo info(input);
    if (options.in_place) return info.absoluteFilePath();
    if (!options.out_dir.isEmpty()) return QDir(options.out_dir).absoluteFilePath(info.fileName());
    const QString suffix = info.completeSuffix();
    const QString name = suffix.isEmpty()
                             ? info.fileName() + QStringLiteral(".proofread")
                             : info.baseName() + QStringLiteral(".proofread.") + suffix;
    return info.absoluteDir().absoluteFilePath(name);
}

QString proofread_temp_pattern(const QString& output) {
    const QFileInfo info(output);
    return info.absoluteDir().absoluteFilePath(QLatin1Char('.') + info.fileName() +
                                               QStringLiteral(".XXXXXX"));
}

QString proofread_temp_filter(const QString& output) {
    // libzip's own temporary file while it rebuilds one of these adds a
    // suffix of its own.
    return QLatin1Char('.') + QFileInfo(output).fileName() + QStringLiteral(".*");
}

QStringList proofread_worker_arguments(const proofread_options& options, const QString& file) {
    QStringList out{QStringLiteral("--worker"), QStringLiteral("--plugin"), options.plugin,
                    QStringLiteral("--max-size"), QString::number(options.max_bytes >> 20)};
    if (options.in_place) out << QStringLiteral("--in-place");
    if (!options.out_dir.isEmpty()) out << QStringLiteral("--out") << options.out_dir;
    return out << QStringLiteral("--") << file;
}
