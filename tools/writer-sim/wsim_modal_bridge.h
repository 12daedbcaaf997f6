// Connects script steps to the modal responder: answers become responder
// steps, and every modal window the responder handles is printed with its
// title, text and what was done. A modal dialog that nobody answers is
// closed after a time limit, so that a scripted run cannot hang.
#ifndef WSIM_MODAL_BRIDGE_H
#define WSIM_MODAL_BRIDGE_H

#include <QElapsedTimer>
#include <QPointer>
#include <QTextStream>
#include <QTimer>

#include "modal_responder.h"
#include "wsim_runner.h"

class wsim_modal_bridge : public QObject, public wsim_modal_answers {
    Q_OBJECT
  public:
    // `unanswered_limit_ms`: how long one modal dialog may stay open before
    // it is closed as unanswered.
    wsim_modal_bridge(QTextStream& out, int unanswered_limit_ms);

    void press(const QString& button_text, const QString& title) override;
    void type(const QString& text) override;
    void close(const QString& title) override;
    // Prints the modal windows handled since the last call.
    void report() override;
    // Dialogs that had to be closed because nobody answered them.
    QStringList unanswered() const { return unanswered_; }
    // Answers given that no modal window used, and steps whose button or
    // field was missing.
    QStringList problems() const;

    // One printed line for a modal window.
    static QString describe(const modal_responder::seen_modal& modal);

  private slots:
    void on_timer();

  private:
    QTextStream& out_;
    modal_responder responder_;
    QTimer timer_;
    int printed_ = 0;
    int typed_ = 0;  // fields filled for the answer being built
    int limit_ms_;
    QPointer<QWidget> watched_;
    QElapsedTimer watched_since_;
    QStringList unanswered_;
};

#endif
