// Command line of velmo-proofread.
#ifndef PROOFREAD_OPTIONS_H
#define PROOFREAD_OPTIONS_H

#include <QString>
#include <QStringList>

struct proofread_options {
    QString plugin;                 // plug-in library or directory
    QString out_dir;                // where the marked documents go; empty: beside each input
    bool in_place = false;          // write the marked document over its input
    qint64 max_bytes = 64ll << 20;  // larger files are refused
    QString json_path;              // where the JSON report goes; empty: none
    int time_limit_seconds = 3600;  // a document's worker is stopped after this; 0: never
    bool worker = false;            // internal: proofread one document in this process
    QStringList files;
};

// The arguments that make a worker process proofread `file` with these options.
QStringList proofread_worker_arguments(const proofread_options& options, const QString& file);

// Parses the arguments after the program name. False with `error` set on a
// bad command line; `help` set for --help.
bool proofread_parse_options(const QStringList& arguments, proofread_options& options, bool& help,
                             QString& error);
QString proofread_usage();

// Where the marked copy of `input` is written: the input itself with
// --in-place, a file of the same name in --out, or else "<stem>.proofread.<ext>"
// beside the input.
QString proofread_output_path(const proofread_options& options, const QString& input);

// Temporary files on the way to `output` are named ".<name>.XXXXXX" in its
// folder (the .docx writer names its own the same way): the pattern for
// QTemporaryFile, and the name filter that finds what a stopped run left.
QString proofread_temp_pattern(const QString& output);
QString proofread_temp_filter(const QString& output);

#endif
