// The step language of writer-sim: one step per line, words separated by
// blanks, "double quotes" around words with blanks (\" \\ \n \t inside), and
// lines starting with # ignored. Steps given on the command line use the same
// syntax, one step per argument.
#ifndef WSIM_SCRIPT_H
#define WSIM_SCRIPT_H

#include <QString>
#include <QStringList>
#include <QVector>

enum class wsim_step_kind {
    open,      // open FILE           open another document; it becomes active
    activate,  // activate N|NAME     make an open document the active one
    select,    // select START END    set the host selection
    cursor,    // cursor POS          collapse the selection at POS
    click,     // click CAPTION       click the command-bar control with that caption
    answer,  // answer BUTTON [TITLE]  the next modal window (titled TITLE) is answered with BUTTON
    type,   // type TEXT              typed into the next field of the window the next answer is for
    close,  // close TITLE            the next modal window titled TITLE is closed without an answer
    save,   // save                save the active document
    marks,  // marks               list the error marks of the active document
    text,   // text                print the active document's text
    errata,  // errata              print the path of the errata table beside the document
    rows,    // rows TITLE          list the rows of the list in the plug-in's window TITLE
    pick,    // pick TITLE ROW      make row ROW (1 is the first) current in that list
    press,   // press TITLE BUTTON  click the button BUTTON of the plug-in's window TITLE
    expect,  // expect marks N      fail unless the active document holds N error marks;
             // expect rows N TITLE  or the list in the window TITLE N rows
};

struct wsim_step {
    wsim_step_kind kind;
    QStringList args;
    int line = 0;  // 1-based source line (or argument number on the command line)
};

// Splits one line into words. False with `error` set on an unclosed quote or
// a dangling backslash.
bool wsim_split_words(const QString& line, QStringList& words, QString& error);

// Parses one step. An empty or comment line gives true with `is_step` false.
bool wsim_parse_step(const QString& line, int line_number, wsim_step& step, bool& is_step,
                     QString& error);

// Parses a whole script. On failure `error` names the line and the fault and
// `steps` is left as far as it got.
bool wsim_parse_script(const QString& text, QVector<wsim_step>& steps, QString& error);

// The step written back in the script syntax (for traces).
QString wsim_step_to_string(const wsim_step& step);

#endif
