// Command line of writer-sim.
#ifndef WSIM_OPTIONS_H
#define WSIM_OPTIONS_H

#include <QString>
#include <QStringList>

struct wsim_options {
    bool headless = false;
    QString plugin;       // library file or plug-in directory; empty: no plug-in
    QString script_file;  // steps, one per line
    QStringList steps;    // --step arguments, run after the script file
    QString version;      // host version reported to the plug-in; empty: default
    QString screenshot;   // window mode: save the window as an image after the steps, then quit
    bool quit = false;    // window mode: quit after the steps
    bool debug = false;   // show Qt debug messages (the plug-in's traces)
    bool show_version = false;   // --version: print the version and stop
    int dialog_timeout_s = 300;  // scripted runs: an unanswered modal dialog is closed after this
    QStringList documents;       // files to open, in order (the last one is active)
};

// Parses the arguments after the program name. False with `error` set (the
// usage text included) on a bad command line; `help` set for --help.
bool wsim_parse_options(const QStringList& arguments, wsim_options& options, bool& help,
                        QString& error);

QString wsim_usage();

#endif
