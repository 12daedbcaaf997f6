// The modal responder answers message boxes and dialogs as scripted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "modal_responder.h"

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
    login_dialog() {
        setWindowTitle("用户登录");
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel("用户名:", this));
        layout->addWidget(user);
        layout->addWidget(number);
        auto* ok = new QPushButton("登录", this);
        auto* cancel = new QPushButton("取消", this);
        layout->addWidget(ok);
        layout->addWidget(cancel);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
};

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
    EXPECT_EQ(QStringList({"不相关", "用户名:", "请重新校对后，再点勘误表"}), responder.seen_texts());
}

TEST_F(responder_test, a_missing_button_is_reported_and_does_not_hang) {
    modal_responder responder;
    responder.press("不存在");
    login_dialog dialog;
    EXPECT_EQ(QDialog::Rejected, dialog.exec());
    ASSERT_EQ(1, responder.seen().size());
    EXPECT_TRUE(responder.seen()[0].step_failed);
}

}  // namespace
