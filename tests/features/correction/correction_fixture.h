// Shared set-up of the correction dialog tests: the command tests' simulated
// application and settings, a modal responder that works the dialog, a
// reader of what the dialog shows, and a check that the marks left in the
// document agree with the text under them and with the collected progress.
#ifndef TESTS_CORRECTION_CORRECTION_FIXTURE_H
#define TESTS_CORRECTION_CORRECTION_FIXTURE_H

#include <QList>
#include <QStringList>
#include <QVariant>
#include <functional>

#include "modal_responder.h"
#include "plugin_commands_fixture.h"

QT_BEGIN_NAMESPACE
class QWidget;
QT_END_NAMESPACE

// What the dialog shows at one moment.
struct correct_view_t {
    QString error;
    QString suggestion;
    QStringList rows;
    bool change_enabled = false;
    bool change_all_enabled = false;
};

class correction_test : public commands_test {
  protected:
    // Opens a one-paragraph document, places the records as coloured marks
    // and binds the progress to the document, as a finished check does.
    kfc::ks_stdptr<wpsapi::_Document> open_marked(const QString& text,
                                                  const QList<velmo_check_result_t>& records);

    // Runs the command "建议"; `work` gets the dialog once it is shown. True
    // when the dialog was still open after `work` (it is then closed with
    // "终止(C)").
    bool suggest(const std::function<void(QWidget*)>& work);
    // Runs the command and records what the dialog shows when it opens.
    correct_view_t suggest_and_look();

    static correct_view_t view_of(QWidget* dialog);
    // Clicks the dialog's button with this label.
    static void press(QWidget* dialog, const QString& label);
    static void type_suggestion(QWidget* dialog, const QString& text);
    static void choose_row(QWidget* dialog, int row);

    // Every error mark covers the text its record names (the error text, or
    // the written suggestion once corrected), and the marks match the
    // progress's records one for one.
    void expect_marks_agree(wpsapi::_Document* document);
    static QString text_of(wpsapi::_Document* document, long start, long end);

    modal_responder responder;
    QList<QVariant> args;
};

#endif
