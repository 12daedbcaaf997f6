#include "modal_responder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace {

QString plain(QString text) { return text.remove('&'); }

// The last button with that text, a visible one before a hidden one.
QAbstractButton* find_button(QWidget* modal, const QString& text) {
    QAbstractButton* visible = nullptr;
    QAbstractButton* any = nullptr;
    for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) {
        if (plain(b->text()) != text) continue;
        any = b;
        if (b->isVisible()) visible = b;
    }
    return visible ? visible : any;
}

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
    ++generation_;
}

void modal_responder::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        handled_.clear();
        return;
    }
    // Each appearance of a modal is handled once; a dialog left open after
    // its step is not answered again until it closes and reappears, or
    // becomes active again after a modal opened above it has closed.
    if (modal == handled_) return;
    // A window becomes active again when a modal opened by its own answer
    // closes; its answer is still on the stack and goes on by itself.
    if (answering_.contains(QPointer<QWidget>(modal))) return;
    handled_ = modal;
    if (showing_.contains(QPointer<QWidget>(modal))) {
        // Active again after a modal above it closed: already recorded, so
        // only a step meant for it is carried out.
        if (!steps_.isEmpty() && applies(steps_.front(), modal))
            answer_later(modal, describe(modal), steps_.takeFirst());
        return;
    }
    showing_.append(modal);
    modal->installEventFilter(this);
    handle(modal);
}

bool modal_responder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide) {
        showing_.removeAll(QPointer<QWidget>(static_cast<QWidget*>(watched)));
        showing_.removeAll(QPointer<QWidget>());
        watched->removeEventFilter(this);
    }
    return QObject::eventFilter(watched, event);
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
        for (QAbstractButton* b : modal->findChildren<QAbstractButton*>())
            m.buttons << plain(b->text());
    }
    for (QLineEdit* edit : modal->findChildren<QLineEdit*>()) m.line_edits << edit->text();
    for (const QByteArray& name : modal->dynamicPropertyNames())
        m.properties.insert(QString::fromUtf8(name), modal->property(name.constData()));
    return m;
}

bool modal_responder::applies(const step& s, QWidget* modal) const {
    if (!s.title.isEmpty()) return s.title == modal->windowTitle();
    // Without a title the step waits for a window it can carry out, so a
    // window that comes first (a progress dialog) does not use it up.
    if (s.kind == action_kind::press && !find_button(modal, s.button)) return false;
    const int edits = modal->findChildren<QLineEdit*>().size();
    for (const auto& fill : s.fills)
        if (fill.first < 0 || fill.first >= edits) return false;
    return true;
}

void modal_responder::handle(QWidget* modal) {
    seen_modal m = describe(modal);
    if (!steps_.isEmpty() && applies(steps_.front(), modal)) {
        answer_later(modal, m, steps_.takeFirst());
        return;
    }
    const bool is_box = qobject_cast<QMessageBox*>(modal) != nullptr;
    if (qobject_cast<QDialog*>(modal) && (is_box || reject_unscripted_)) {
        answer_later(modal, m, step());  // a default step rejects
        return;
    }
    m.action = QStringLiteral("none");
    seen_.append(m);
}

void modal_responder::answer_later(QWidget* modal, seen_modal m, step s) {
    switch (s.kind) {
        case action_kind::press:
            m.action = QStringLiteral("press:") + s.button;
            break;
        case action_kind::accept:
            m.action = QStringLiteral("accept");
            break;
        case action_kind::reject:
            m.action = QStringLiteral("reject");
            break;
        case action_kind::custom:
            m.action = QStringLiteral("custom");
            break;
    }
    seen_.append(m);
    const int index = seen_.size() - 1;
    const int generation = generation_;
    QPointer<QWidget> target(modal);
    // Queued rather than called here: an answer that opens another modal
    // runs that modal's event loop inside itself, and the polling timer
    // cannot fire again while its own slot is still running.
    QMetaObject::invokeMethod(
        this,
        [this, target, s, index, generation] {
            const int at = generation == generation_ ? index : -1;
            if (!target) {
                if (at >= 0) seen_[at].step_failed = true;
                return;
            }
            if (at >= 0) {
                const seen_modal now = describe(target);
                seen_[at].text = now.text;
                seen_[at].buttons = now.buttons;
            }
            answering_.append(target);
            answer(target, s, at);
            answering_.removeOne(target);
            answering_.removeAll(QPointer<QWidget>());
        },
        Qt::QueuedConnection);
}

void modal_responder::answer(QWidget* modal, const step& s, int seen_index) {
    auto fail = [this, seen_index] {
        if (seen_index >= 0) seen_[seen_index].step_failed = true;
    };
    auto* dialog = qobject_cast<QDialog*>(modal);
    QList<QLineEdit*> edits = modal->findChildren<QLineEdit*>();
    for (const auto& fill : s.fills) {
        if (fill.first >= 0 && fill.first < edits.size())
            edits[fill.first]->setText(fill.second);
        else
            fail();
    }
    switch (s.kind) {
        case action_kind::press:
            if (QAbstractButton* target = find_button(modal, s.button)) {
                target->click();
            } else {
                fail();
                if (dialog) dialog->reject();
            }
            return;
        case action_kind::accept:
            if (dialog) dialog->accept();
            return;
        case action_kind::reject:
            if (dialog) dialog->reject();
            return;
        case action_kind::custom:
            if (s.custom) s.custom(modal);
            return;
    }
}
