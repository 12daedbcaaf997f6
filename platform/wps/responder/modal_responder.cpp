#include "modal_responder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace {

QString plain(QString text) { return text.remove('&'); }

}  // namespace

modal_responder::modal_responder(QObject* parent) : QObject(parent) {
    connect(&timer_, &QTimer::timeout, this, &modal_responder::poll);
    timer_.start(10);
}

modal_responder::~modal_responder() = default;

modal_responder& modal_responder::on(const QString& title) {
    building_.title = title;
    return *this;
}

modal_responder& modal_responder::fill(const QString& text, int index) {
    building_.fills.append({index, text});
    return *this;
}

modal_responder& modal_responder::press(const QString& button_text) {
    return finish(action_kind::press, button_text);
}
modal_responder& modal_responder::accept() { return finish(action_kind::accept); }
modal_responder& modal_responder::reject() { return finish(action_kind::reject); }
modal_responder& modal_responder::act(std::function<void(QWidget*)> action) {
    return finish(action_kind::custom, QString(), std::move(action));
}

modal_responder& modal_responder::finish(action_kind kind, const QString& button,
                                         std::function<void(QWidget*)> custom) {
    building_.kind = kind;
    building_.button = button;
    building_.custom = std::move(custom);
    steps_.append(building_);
    building_ = step();
    return *this;
}

QStringList modal_responder::seen_texts() const {
    QStringList texts;
    for (const seen_modal& m : seen_) texts << m.text;
    return texts;
}

void modal_responder::clear() {
    steps_.clear();
    building_ = step();
    seen_.clear();
}

void modal_responder::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        handled_.clear();
        return;
    }
    // Each appearance of a modal is handled once; a dialog left open after
    // its step is not answered again until it closes and reappears.
    if (modal == handled_) return;
    handled_ = modal;
    handle(modal);
}

modal_responder::seen_modal modal_responder::describe(QWidget* modal) const {
    seen_modal m;
    m.class_name = QString::fromLatin1(modal->metaObject()->className());
    m.title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        m.text = box->text();
        for (QAbstractButton* b : box->buttons()) m.buttons << plain(b->text());
    } else {
        QStringList labels;
        for (QLabel* label : modal->findChildren<QLabel*>())
            if (!label->text().isEmpty()) labels << label->text();
        m.text = labels.join('\n');
        for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) m.buttons << plain(b->text());
    }
    for (QLineEdit* edit : modal->findChildren<QLineEdit*>()) m.line_edits << edit->text();
    return m;
}

void modal_responder::handle(QWidget* modal) {
    seen_modal m = describe(modal);
    auto* dialog = qobject_cast<QDialog*>(modal);
    bool applies = !steps_.isEmpty() &&
                   (steps_.front().title.isEmpty() || steps_.front().title == m.title);
    if (!applies) {
        bool is_box = qobject_cast<QMessageBox*>(modal) != nullptr;
        if (dialog && (is_box || reject_unscripted_)) {
            m.action = QStringLiteral("reject");
            seen_.append(m);
            dialog->reject();
        } else {
            m.action = QStringLiteral("none");
            seen_.append(m);
        }
        return;
    }
    step s = steps_.takeFirst();
    QList<QLineEdit*> edits = modal->findChildren<QLineEdit*>();
    for (const auto& fill : s.fills) {
        if (fill.first >= 0 && fill.first < edits.size())
            edits[fill.first]->setText(fill.second);
        else
            m.step_failed = true;
    }
    switch (s.kind) {
        case action_kind::press: {
            m.action = QStringLiteral("press:") + s.button;
            QAbstractButton* target = nullptr;
            for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
                if (plain(b->text()) == s.button && b->isVisible()) target = b;
            if (!target)
                for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
                    if (plain(b->text()) == s.button) target = b;
            seen_.append(m);
            if (target) {
                target->click();
            } else {
                seen_.last().step_failed = true;
                if (dialog) dialog->reject();
            }
            return;
        }
        case action_kind::accept:
            m.action = QStringLiteral("accept");
            seen_.append(m);
            if (dialog) dialog->accept();
            return;
        case action_kind::reject:
            m.action = QStringLiteral("reject");
            seen_.append(m);
            if (dialog) dialog->reject();
            return;
        case action_kind::custom:
            m.action = QStringLiteral("custom");
            seen_.append(m);
            if (s.custom) s.custom(modal);
            return;
    }
}
