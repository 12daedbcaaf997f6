// Runs the steps of a script against the host: documents, selection, clicks
// on the plug-in's controls, answers for the next modal boxes, saving and
// listings. Used by the headless mode and by scripted window runs.
#ifndef WSIM_RUNNER_H
#define WSIM_RUNNER_H

#include <QTextStream>
#include <functional>

#include "wpsapi.h"
#include "wsim_script.h"

// What the runner asks of whoever answers the plug-in's modal dialogs.
class wsim_modal_answers {
  public:
    virtual ~wsim_modal_answers() = default;
    // The next modal window with that title (without a title: the next one
    // that has such a button) is answered by pressing the button with this text.
    virtual void press(const QString& button_text, const QString& title) = 0;
    // Typed into the next line edit of the window that the next answer is
    // for, before the answer is given.
    virtual void type(const QString& text) = 0;
    // The next modal window with that title is closed without an answer.
    virtual void close(const QString& title) = 0;
    // Called after every step: report what happened to modal windows so far.
    virtual void report() = 0;
};

class wsim_runner {
  public:
    // Clicks the control with that caption; false when there is none.
    using clicker = std::function<bool(const QString& caption)>;

    wsim_runner(wpsapi::_Application* app, clicker click, wsim_modal_answers* answers,
                QTextStream& out);

    // Runs the steps in order; stops at the first failing one with `error`
    // naming its line.
    bool run(const QVector<wsim_step>& steps, QString& error);
    bool run_step(const wsim_step& step, QString& error);

  private:
    // The steps on a window of the plug-in's own: rows, pick and press.
    bool in_window(const wsim_step& step, QString& error);
    bool activate(const QString& which, QString& error);
    bool save(QString& error);
    bool errata(QString& error);

    wpsapi::_Application* app_;
    clicker click_;
    wsim_modal_answers* answers_;
    QTextStream& out_;
};

// Path of the errata table the plug-in writes beside a document: "_", the
// whole document name, then ".txt".
QString wsim_errata_path(const QString& directory, const QString& document_name);

#endif
