// The login command: the dialog, what it sends, what it stores, and the
// account items it refreshes afterwards.
#include <QDialog>
#include <QLineEdit>

#include "account_fixture.h"
#include "config/velmo_config.h"

namespace {

const char* const STORED_ACCOUNT = "UserName=老用户\nAuthNo=OLD-1\n";

class login_test : public account_test {
  protected:
    void SetUp() override {
        account_test::SetUp();
        use_settings(STORED_ACCOUNT);
        answer_userinfo("正常", "5000", "2027-01-31T00:00:00");
    }

    // The line edits of every appearance of the login dialog.
    QList<QStringList> login_fields() const {
        QList<QStringList> fields;
        for (const modal_responder::seen_modal& modal : responder.seen())
            if (modal.title == QStringLiteral("用户登录")) fields << modal.line_edits;
        return fields;
    }

    static QString stored(const char* key) {
        return QString::fromLocal8Bit(
            velmo_singleton_config::instance()->get_string("UserInfo", key));
    }
};

TEST_F(login_test, an_accepted_account_is_stored_saved_and_shown_on_the_account_items) {
    service.set_answer("CheckUser", {200, fake_code_answer("CheckUser", 0, "成功")});
    responder.on("用户登录").fill("张三").fill("Z-9 <&>", 1).press("登录");

    ASSERT_TRUE(click("用户登录"));

    // The dialog opened with the stored account and the typed pair went out as typed.
    ASSERT_EQ(login_fields(), (QList<QStringList>{QStringList{"老用户", "OLD-1"}}));
    const auto checks = service.requests("CheckUser");
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].value("userName"), "张三");
    EXPECT_EQ(checks[0].value("authNo"), "Z-9 <&>");
    EXPECT_TRUE(boxes().isEmpty());

    // Stored in memory and in the user's file, in the locale's encoding; the
    // system file keeps its account.
    EXPECT_EQ(stored("UserName"), QStringLiteral("张三"));
    EXPECT_EQ(stored("AuthNo"), QStringLiteral("Z-9 <&>"));
    const QByteArray file = user_ini_file();
    EXPECT_TRUE(file.contains(QStringLiteral("张三").toLocal8Bit())) << file.toStdString();
    EXPECT_FALSE(file.contains(QStringLiteral("老用户").toLocal8Bit()));
    EXPECT_FALSE(ini_file().contains(QStringLiteral("张三").toLocal8Bit()));

    // The account summary is asked for the new account and shown.
    const auto infos = service.requests("GetUserInfo");
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos[0].value("userName"), "张三");
    EXPECT_EQ(caption_of("用户名"), QStringLiteral("用户名:张三"));
    EXPECT_EQ(caption_of("状态"), QStringLiteral("状态:正常"));
    EXPECT_EQ(caption_of("剩余字数"), QStringLiteral("剩余字数:5,000"));
    EXPECT_EQ(caption_of("有效期"), QStringLiteral("有效期:2027-01-31"));
}

TEST_F(login_test, the_authorisation_number_is_never_shown_in_clear) {
    QLineEdit::EchoMode mode = QLineEdit::Normal;
    responder.on("用户登录").act([&](QWidget* dialog) {
        const QList<QLineEdit*> edits = dialog->findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 2);
        mode = edits[1]->echoMode();
        EXPECT_EQ(edits[0]->echoMode(), QLineEdit::Normal);
        // Left only through its own buttons.
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowContextHelpButtonHint);
        press(dialog, "取消");
    });
    ASSERT_TRUE(click("用户登录"));
    EXPECT_EQ(mode, QLineEdit::Password);
    EXPECT_TRUE(service.requests("CheckUser").empty());
}

// Each refusal shows the service's own words; the dialog stays open with the
// typed values, nothing is stored, and the next open shows the stored account.
TEST_F(login_test, refusals_show_the_service_message_and_keep_the_stored_account) {
    const QByteArray system_before = ini_file();
    const QByteArray user_before = user_ini_file();
    const struct {
        int code;
        const char* message;
    } refusals[] = {
        {1, "用户名或授权码错误"},
        {2, "账户已停用"},
        {3, "授权已过期"},
        {4, "剩余字数不足"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.code);
        responder.clear();
        service.set_answer("CheckUser",
                           {200, fake_code_answer("CheckUser", refusal.code, refusal.message)});
        QString left_in_fields;
        responder.on("用户登录").fill("坏人").fill("X", 1).act(press_later("登录"));
        responder.on("系统提示").press("确定");
        responder.on("用户登录").act([&](QWidget* dialog) {
            left_in_fields = dialog->findChildren<QLineEdit*>().at(0)->text();
            press(dialog, "取消");
        });
        ASSERT_TRUE(click("用户登录"));

        EXPECT_EQ(boxes(),
                  QStringList{
                      QStringLiteral("系统提示|%1|确定").arg(QString::fromUtf8(refusal.message))});
        EXPECT_EQ(left_in_fields, QStringLiteral("坏人"));
        EXPECT_EQ(stored("UserName"), QStringLiteral("老用户"));
        EXPECT_EQ(stored("AuthNo"), QStringLiteral("OLD-1"));
        EXPECT_EQ(ini_file(), system_before);
        EXPECT_EQ(user_ini_file(), user_before);
        // Refreshed after the dialog however it closed.
        EXPECT_EQ(caption_of("用户名"), QStringLiteral("用户名:老用户"));
        EXPECT_EQ(responder.pending_steps(), 0);
    }
    responder.clear();
    responder.on("用户登录").press("取消");
    ASSERT_TRUE(click("用户登录"));
    EXPECT_EQ(login_fields(), (QList<QStringList>{QStringList{"老用户", "OLD-1"}}));
}

TEST_F(login_test, a_refusal_without_words_and_an_unreadable_answer_say_the_server_failed) {
    const fake_answer answers[] = {
        {200, fake_envelope("CheckUser", "<ErrCode>1</ErrCode>")},
        {200, "not xml at all"},
        {500, fake_fault("soap12:Receiver", "down")},
    };
    for (const fake_answer& answer : answers) {
        SCOPED_TRACE(answer.body);
        responder.clear();
        service.set_answer("CheckUser", answer);
        responder.on("用户登录").act(press_later("登录"));
        responder.on("系统提示").press("确定");
        responder.on("用户登录").press("取消");
        ASSERT_TRUE(click("用户登录"));
        EXPECT_EQ(boxes(), QStringList{"系统提示|连接服务器失败|确定"});
        EXPECT_EQ(stored("UserName"), QStringLiteral("老用户"));
    }
}

TEST_F(login_test, empty_fields_are_sent_as_they_are) {
    service.set_answer("CheckUser", {200, fake_code_answer("CheckUser", 1, "用户名或授权码错误")});
    responder.on("用户登录").fill("").fill("", 1).act(press_later("登录"));
    responder.on("系统提示").press("确定");
    responder.on("用户登录").press("取消");
    ASSERT_TRUE(click("用户登录"));
    const auto checks = service.requests("CheckUser");
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].value("userName"), "");
    EXPECT_EQ(checks[0].value("authNo"), "");
    EXPECT_EQ(boxes(), QStringList{"系统提示|用户名或授权码错误|确定"});
}

class login_unreachable_test : public account_test {};

TEST_F(login_unreachable_test, an_unreachable_service_is_reported_and_the_items_show_no_values) {
    use_settings(STORED_ACCOUNT, fake_service::unreachable_url());
    responder.on("用户登录").fill("张三").fill("Z", 1).act(press_later("登录"));
    responder.on("系统提示").press("确定");
    responder.on("用户登录").press("取消");

    ASSERT_TRUE(click("用户登录"));

    EXPECT_EQ(boxes(), QStringList{"系统提示|连接服务器失败|确定"});
    EXPECT_EQ(caption_of("用户名"), QStringLiteral("用户名:老用户"));
    EXPECT_EQ(caption_of("状态"), QStringLiteral("状态:"));
    EXPECT_EQ(caption_of("剩余字数"), QStringLiteral("剩余字数:"));
    EXPECT_EQ(caption_of("有效期"), QStringLiteral("有效期:"));
}

}  // namespace
