#include "wsim_modal_bridge.h"

#include <QApplication>
#include <QDialog>

namespace {
constexpr int k_poll_ms = 50;
}  // namespace

wsim_modal_bridge::wsim_modal_bridge(QTextStream& out, int unanswered_limit_ms)
    : out_(out), limit_ms_(unanswered_limit_ms) {
    connect(&timer_, &QTimer::timeout, this, &wsim_modal_bridge::on_timer);
    timer_.start(k_poll_ms);
}

void wsim_modal_bridge::press(const QString& button_text, const QString& title) {
    if (!title.isEmpty()) responder_.on(title);
    responder_.press(button_text);
    typed_ = 0;
}

void wsim_modal_bridge::type(const QString& text) { responder_.fill(text, typed_++); }

void wsim_modal_bridge::close(const QString& title) {
    responder_.on(title).reject();
    typed_ = 0;
}

QString wsim_modal_bridge::describe(const modal_responder::seen_modal& modal) {
    QString text = modal.text;
    text.replace(QLatin1Char('\n'), QStringLiteral(" / "));
    QString action = modal.action;
    if (action == QLatin1String("none")) action = QStringLiteral("left to itself");
    if (modal.step_failed) action += QStringLiteral(" (failed: no such button or field)");
    return QStringLiteral("dialog \"%1\": %2 -> %3").arg(modal.title, text, action);
}

void wsim_modal_bridge::report() {
    const QList<modal_responder::seen_modal>& seen = responder_.seen();
    for (; printed_ < seen.size(); ++printed_) out_ << describe(seen.at(printed_)) << '\n';
    out_.flush();
}

QStringList wsim_modal_bridge::problems() const {
    QStringList out = unanswered_;
    for (const modal_responder::seen_modal& modal : responder_.seen())
        if (modal.step_failed)
            out << QStringLiteral("\"%1\" had no button or field for the answer").arg(modal.title);
    if (responder_.pending_steps() > 0)
        out << QStringLiteral("%1 answer(s) found no modal window").arg(responder_.pending_steps());
    return out;
}

void wsim_modal_bridge::on_timer() {
    report();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != watched_) {
        watched_ = modal;
        watched_since_.start();
        return;
    }
    if (!modal || limit_ms_ <= 0 || watched_since_.elapsed() < limit_ms_) return;
    // Progress windows close by themselves long before this; anything else
    // still open waits for an answer the script did not give.
    unanswered_ << QStringLiteral("\"%1\" was not answered within %2 s")
                       .arg(modal->windowTitle())
                       .arg(limit_ms_ / 1000);
    out_ << "dialog \"" << modal->windowTitle() << "\" was not answered; closing it\n";
    out_.flush();
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
    watched_.clear();
}
