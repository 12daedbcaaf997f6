// The modal responder answers message boxes and dialogs as scripted.
#include "modal_responder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class responder_test : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "modal_responder_tests";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) app_ = new QApplication(argc, argv);
    }
    static QApplication* app_;
};
QApplication* responder_test::app_ = nullptr;

struct login_dialog : QDialog {
    QLineEdit* user = new QLineEdit(this);
    QLineEdit* number = new QLineEdit(this);
    QPushButton* ok = new QPushButton("登录", this);
    QPushButton* cancel = new QPushButton("取消", this);
    login_dialog() {
        setWindowTitle("用户登录");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("用户名:", this));
        layout->addWidget(user);
        layout->addWidget(number);
        layout->addWidget(ok);
        layout->addWidget(cancel);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
};

// A window that shows progress and closes itself after a moment.
struct progress_dialog : QDialog {
    progress_dialog() {
        setWindowTitle("校对进度");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("正在校对", this));
        auto* stop = new QPushButton("停止", this);
        layout->addWidget(stop);
        connect(stop, &QPushButton::clicked, this, &QDialog::reject);
        QTimer::singleShot(100, this, &QDialog::accept);
    }
};

// Closes whatever modal window is still open after a few seconds, so that a
// responder that stops answering fails the test instead of hanging it.
struct watchdog {
    bool fired = false;
    QTimer timer;
    watchdog() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                fired = true;
                dialog->reject();
            }
        });
        timer.start(3000);
    }
};

QStringList titles(const modal_responder& responder) {
    QStringList out;
    for (const auto& m : responder.seen()) out << m.title;
    return out;
}

QStringList actions(const modal_responder& responder) {
    QStringList out;
    for (const auto& m : responder.seen()) out << m.action;
    return out;
}

TEST_F(responder_test, presses_a_message_box_button_by_its_text_and_records_the_box) {
    modal_responder responder;
    responder.press("取消");
    QMessageBox box(QMessageBox::NoIcon, "Velmo校对", "确定要清除吗?");
    QPushButton* yes = box.addButton("确定", QMessageBox::AcceptRole);
    QPushButton* no = box.addButton("取消", QMessageBox::RejectRole);
    box.exec();
    EXPECT_EQ(no, box.clickedButton());
    EXPECT_NE(yes, box.clickedButton());
    ASSERT_EQ(1, responder.seen().size());
    EXPECT_EQ(QString("Velmo校对"), responder.seen()[0].title);
    EXPECT_EQ(QString("确定要清除吗?"), responder.seen()[0].text);
    EXPECT_EQ(QStringList({"确定", "取消"}), responder.seen()[0].buttons);
    EXPECT_EQ(0, responder.pending_steps());
}

TEST_F(responder_test, fills_line_edits_then_presses) {
    modal_responder responder;
    responder.fill("alice").fill("1234", 1).press("登录");
    login_dialog dialog;
    EXPECT_EQ(QDialog::Accepted, dialog.exec());
    EXPECT_EQ(QString("alice"), dialog.user->text());
    EXPECT_EQ(QString("1234"), dialog.number->text());
    EXPECT_EQ(QString("用户名:"), responder.seen()[0].text);
}

TEST_F(responder_test, unscripted_message_boxes_are_closed_and_steps_wait_for_their_title) {
    modal_responder responder;
    responder.on("系统提示").accept();
    // Not the title the step waits for: closed unanswered, step kept.
    QMessageBox::information(nullptr, "别的", "不相关");
    EXPECT_EQ(1, responder.pending_steps());
    // A dialog that closes itself is left alone.
    login_dialog busy;
    QTimer::singleShot(100, &busy, &QDialog::accept);
    EXPECT_EQ(QDialog::Accepted, busy.exec());
    EXPECT_EQ(QString("none"), responder.seen()[1].action);
    QMessageBox::information(nullptr, "系统提示", "请重新校对后，再点勘误表");
    EXPECT_EQ(0, responder.pending_steps());
    EXPECT_EQ(QStringList({"不相关", "用户名:", "请重新校对后，再点勘误表"}),
              responder.seen_texts());
}

TEST_F(responder_test, a_missing_button_is_reported_and_does_not_hang) {
    modal_responder responder;
    responder.on("用户登录").press("不存在");
    login_dialog dialog;
    EXPECT_EQ(QDialog::Rejected, dialog.exec());
    ASSERT_EQ(1, responder.seen().size());
    EXPECT_TRUE(responder.seen()[0].step_failed);
    EXPECT_EQ(0, responder.pending_steps());
}

TEST_F(responder_test, modal_windows_opened_by_an_answer_are_answered_too) {
    watchdog guard;
    modal_responder responder;
    // The login button reports a refusal in a message box and keeps the
    // dialog open; the dialog is then left with its cancel button.
    responder.on("用户登录").fill("坏人").press("登录");
    responder.on("系统提示").press("OK");
    responder.on("用户登录").press("取消");
    login_dialog dialog;
    QObject::disconnect(dialog.ok, nullptr, &dialog, nullptr);
    QObject::connect(dialog.ok, &QPushButton::clicked, &dialog, [&dialog] {
        QMessageBox::warning(&dialog, "系统提示", "用户名或授权码错误");
    });
    EXPECT_EQ(QDialog::Rejected, dialog.exec());
    EXPECT_EQ(QString("坏人"), dialog.user->text());
    EXPECT_EQ(QStringList({"用户登录", "系统提示", "用户登录"}), titles(responder));
    EXPECT_EQ(QStringList({"press:登录", "press:OK", "press:取消"}), actions(responder));

    // Two levels deep, the inner ones opened from a custom step.
    responder.clear();
    QMessageBox::StandardButton inner = QMessageBox::NoButton;
    responder.on("外层").act([&inner](QWidget* outer) {
        inner = QMessageBox::question(outer, "中层", "继续吗?");
        static_cast<QDialog*>(outer)->accept();
    });
    responder.on("中层").act([](QWidget* middle) {
        QMessageBox::information(middle, "内层", "已完成");
        static_cast<QMessageBox*>(middle)->button(QMessageBox::Yes)->click();
    });
    responder.on("内层").press("OK");
    QDialog outer;
    outer.setWindowTitle("外层");
    EXPECT_EQ(QDialog::Accepted, outer.exec());
    EXPECT_EQ(QMessageBox::Yes, inner);
    EXPECT_EQ(QStringList({"外层", "中层", "内层"}), titles(responder));
    EXPECT_EQ(0, responder.pending_steps());
    EXPECT_FALSE(guard.fired) << "a nested modal window was left unanswered";
}

TEST_F(responder_test, a_step_without_a_title_waits_for_a_window_it_can_answer) {
    watchdog guard;
    modal_responder responder;
    responder.press("确定");
    responder.fill("alice").accept();
    // A progress window without the button comes first and closes itself.
    progress_dialog progress;
    EXPECT_EQ(QDialog::Accepted, progress.exec());
    ASSERT_EQ(1, responder.seen().size()) << "recorded once while it was open";
    EXPECT_EQ(QString("none"), responder.seen()[0].action);
    EXPECT_FALSE(responder.seen()[0].step_failed);
    EXPECT_EQ(2, responder.pending_steps());
    // A message box without the button is still closed, the step kept.
    QMessageBox::information(nullptr, "系统提示", "无关", QMessageBox::Ok);
    EXPECT_EQ(QString("reject"), responder.seen()[1].action);
    EXPECT_EQ(2, responder.pending_steps());

    QMessageBox box(QMessageBox::NoIcon, "Velmo校对", "校对完成");
    QPushButton* ok = box.addButton("确定", QMessageBox::AcceptRole);
    box.exec();
    EXPECT_EQ(ok, box.clickedButton());
    EXPECT_EQ(1, responder.pending_steps());

    // The fill waits for a window with a line edit.
    progress_dialog again;
    EXPECT_EQ(QDialog::Accepted, again.exec());
    login_dialog login;
    EXPECT_EQ(QDialog::Accepted, login.exec());
    EXPECT_EQ(QString("alice"), login.user->text());
    EXPECT_EQ(QStringList({"none", "reject", "press:确定", "none", "accept"}), actions(responder));
    EXPECT_FALSE(guard.fired);
}

TEST_F(responder_test, each_showing_is_recorded_once_as_it_was_when_answered) {
    watchdog guard;
    modal_responder responder;
    responder.on("用户登录").act([](QWidget* widget) {
        // Queued like a real click, so this answer has returned when the
        // message box opens.
        QTimer::singleShot(0, static_cast<login_dialog*>(widget)->ok, &QPushButton::click);
    });
    responder.on("Velmo校对").press("OK");
    login_dialog dialog;
    QObject::disconnect(dialog.ok, nullptr, &dialog, nullptr);
    QObject::connect(dialog.ok, &QPushButton::clicked, &dialog, [&] {
        QMessageBox::information(&dialog, "Velmo校对", "查找完毕");
        // The moment between the message closing and the dialog closing:
        // the dialog is the active modal again but must not be recorded twice.
        responder.poll();
        QApplication::processEvents();
        dialog.accept();
    });
    EXPECT_EQ(QDialog::Accepted, dialog.exec());
    EXPECT_EQ(QStringList({"用户登录", "Velmo校对"}), titles(responder));
    EXPECT_EQ(QString("查找完毕"), responder.seen_texts().last());

    // A box seen before its text was set is recorded with the text it had
    // when it was answered.
    responder.clear();
    QMessageBox box;
    box.setWindowTitle("系统提示");
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    responder.poll();
    box.setText("已保存");
    QApplication::processEvents();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(QStringList({"已保存"}), responder.seen_texts());
    EXPECT_FALSE(guard.fired);
}

TEST_F(responder_test, a_window_gone_before_its_answer_is_reported_not_touched) {
    modal_responder responder;
    responder.on("用户登录").fill("alice").press("登录");
    auto* dialog = new login_dialog;
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    responder.poll();
    delete dialog;
    QApplication::processEvents();
    ASSERT_EQ(1, responder.seen().size());
    EXPECT_TRUE(responder.seen()[0].step_failed);
    EXPECT_EQ(0, responder.pending_steps());
}

}  // namespace
