// Answers modal dialogs and message boxes for tests and headless runs.
// When a modal widget becomes active it records the title, text, buttons
// and line edits, then carries out the next scripted step: fill line
// edits, then press a button by its text, accept, reject or run a custom
// action. Works with QT_QPA_PLATFORM=offscreen; needs a QApplication.
//
//   modal_responder responder;
//   responder.on("系统提示").press("OK");
//   responder.fill("alice").fill("1234", 1).press("登录");
//
// Steps are used in order. A step made after on(title) only applies to a
// modal with that title. A step without a title applies to the next modal
// that has what the step needs: the button it presses and the line edits
// it fills; a step that needs neither applies to the next modal of all.
// A modal that no step applies to is recorded; a message box is then
// closed with reject() so that nothing waits forever, any other dialog is
// left alone (it may close itself, like a progress dialog), unless
// reject_unscripted_dialogs(true) was set.
//
// Every answer runs from a later turn of the event loop, never from inside
// the responder's own polling, so a modal window opened by an answer (a
// message box behind a button) is answered as well. A window's text and
// buttons are recorded again when its answer runs, so the record shows the
// window as it was answered.
//
// A window is recorded once per showing: when it becomes active again after
// a modal above it closed, it is only handled if the next step applies to
// it. Whether the poll catches it in the moment between the upper modal
// closing and the window itself closing depends on timing, so that moment
// must never add to the record.
#ifndef VELMO_TESTS_MODAL_RESPONDER_H
#define VELMO_TESTS_MODAL_RESPONDER_H

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>
#include <functional>

class modal_responder : public QObject {
    Q_OBJECT
  public:
    struct seen_modal {
        QString class_name;  // e.g. "QMessageBox" or the dialog's class
        QString title;
        QString text;            // message box text, or the dialog's labels joined by "\n"
        QStringList buttons;     // button texts without '&'
        QStringList line_edits;  // line edit contents before any step acted
        // The window's dynamic properties: data a program shows with the
        // window for the one that drives it (a check's outcome).
        QVariantMap properties;
        QString action;  // what was done: "press:<text>", "accept", "reject", "custom", "none"
        // The step's button or line edit was missing, or the window was gone
        // before the answer could be given.
        bool step_failed = false;
    };

    explicit modal_responder(QObject* parent = nullptr);
    ~modal_responder() override;

    // The step being built applies only to a modal with this window title.
    modal_responder& on(const QString& title);
    // Sets the line edit at `index` (in creation order) before the action.
    modal_responder& fill(const QString& text, int index = 0);
    // Actions; each one finishes a step.
    modal_responder& press(const QString& button_text);
    modal_responder& accept();
    modal_responder& reject();
    modal_responder& act(std::function<void(QWidget*)> action);

    void reject_unscripted_dialogs(bool on) { reject_unscripted_ = on; }

    const QList<seen_modal>& seen() const { return seen_; }
    // Texts of every message box or dialog seen, in order.
    QStringList seen_texts() const;
    int pending_steps() const { return steps_.size(); }
    void clear();

    // Looks at the active modal at once (normally a timer does it); the
    // answer itself follows from the event loop.
    void poll();

  private:
    enum class action_kind { press, accept, reject, custom };
    struct step {
        QString title;
        QList<QPair<int, QString>> fills;
        action_kind kind = action_kind::reject;
        QString button;
        std::function<void(QWidget*)> custom;
    };

    modal_responder& finish(action_kind kind, const QString& button = QString(),
                            std::function<void(QWidget*)> custom = nullptr);
    void handle(QWidget* modal);
    bool applies(const step& s, QWidget* modal) const;
    // Records `m` and carries out `s` on `modal` from the event loop.
    void answer_later(QWidget* modal, seen_modal m, step s);
    void answer(QWidget* modal, const step& s, int seen_index);
    seen_modal describe(QWidget* modal) const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QTimer timer_;
    QList<step> steps_;
    step building_;
    QList<seen_modal> seen_;
    QPointer<QWidget> handled_;
    // Windows handled during their current showing; one leaves when hidden.
    QList<QPointer<QWidget>> showing_;
    // Windows whose answer is running right now (it may have opened a modal
    // of its own): they are not handled again until that answer returns.
    QList<QPointer<QWidget>> answering_;
    bool reject_unscripted_ = false;
    // Counts clear() calls, so that an answer still queued from before one
    // does not mark an entry of the new record.
    int generation_ = 0;
};

#endif  // VELMO_TESTS_MODAL_RESPONDER_H
