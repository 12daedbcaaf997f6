// The account items of the user menu: the "用户名" command refreshing them,
// with and without a stored user name, and the display-only items.
#include "account_fixture.h"
#include "features/account/velmo_account_commands.h"
#include "host/velmo_globals.h"
#include "plugin/velmo_layout.h"

namespace {

const char* const NO_NAME_BOX =
    "Velmo校对|加载配置文件失败, 请检查配置文件是否存在且有读取权限|确定";

class account_items_test : public account_test {
  protected:
    QStringList captions() const {
        return {caption_of("用户名"), caption_of("状态"), caption_of("剩余字数"),
                caption_of("有效期")};
    }
};

TEST_F(account_items_test, the_user_name_item_shows_the_stored_account_and_its_summary) {
    use_settings("UserName=alice\nAuthNo=A-1\n");
    answer_userinfo("过期", "0", "2016-05-04T00:00:00");

    ASSERT_TRUE(click("用户名"));

    EXPECT_EQ(captions(),
              (QStringList{"用户名:alice", "状态:过期", "剩余字数:0", "有效期:2016-05-04"}));
    const auto infos = service.requests("GetUserInfo");
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos[0].value("userName"), "alice");
    EXPECT_TRUE(boxes().isEmpty());

    // The registry keeps the creation captions: a second refresh finds the
    // items again although their captions changed.
    answer_userinfo("正常", "12", "2030-12-31T00:00:00");
    QList<QVariant> no_arguments;
    EXPECT_EQ(velmo_cb_account(no_arguments), 0);
    EXPECT_EQ(captions(),
              (QStringList{"用户名:alice", "状态:正常", "剩余字数:12", "有效期:2030-12-31"}));
}

TEST_F(account_items_test, without_a_stored_user_name_the_user_is_told_and_nothing_is_asked) {
    use_settings("AuthNo=A-1\n");
    ASSERT_TRUE(click("用户名"));
    EXPECT_EQ(boxes(), QStringList{NO_NAME_BOX});
    EXPECT_TRUE(service.requests().empty());
    EXPECT_EQ(captions(), (QStringList{"用户名", "状态", "剩余字数", "有效期"}));
}

TEST_F(account_items_test, an_empty_stored_name_is_a_name_not_a_missing_one) {
    use_settings("UserName=\n");
    answer_userinfo("正常", "1", "2030-01-01T00:00:00");
    ASSERT_TRUE(click("用户名"));
    EXPECT_TRUE(boxes().isEmpty());
    EXPECT_EQ(caption_of("用户名"), QStringLiteral("用户名:"));
}

TEST_F(account_items_test, missing_items_end_the_refresh_where_they_are_missing) {
    use_settings("UserName=alice\n");
    answer_userinfo("正常", "77", "2030-01-01T00:00:00");
    QList<QVariant> no_arguments;

    // Without the "剩余字数" item the state is shown and the end date is not.
    g_velmo_controls.remove("剩余字数");
    EXPECT_EQ(velmo_cb_account(no_arguments), 0);
    EXPECT_EQ(caption_of("状态"), QStringLiteral("状态:正常"));
    EXPECT_NE(wps_sim::find_control(app, "有效期").get(), nullptr);

    // Without the "用户名" item nothing at all happens.
    service.clear_requests();
    g_velmo_controls.clear();
    EXPECT_EQ(velmo_cb_account(no_arguments), 0);
    EXPECT_TRUE(service.requests().empty());
    EXPECT_TRUE(boxes().isEmpty());
}

TEST_F(account_items_test, the_old_style_bar_shows_the_account_from_the_start) {
    use_settings("UserName=bob\n");
    answer_userinfo("正常", "300", "2029-02-28T00:00:00");
    kfc::ks_stdptr<wpsapi::_Application> old_host = wps_sim::create_application("11.0");
    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    ASSERT_TRUE(SUCCEEDED(old_host->get_CommandBars(&bars)));
    InitPanel3(bars, GetEventsRegisterManager());
    EXPECT_EQ(captions(),
              (QStringList{"用户名:bob", "状态:正常", "剩余字数:300", "有效期:2029-02-28"}));

    // And tells at start-up when there is no account to show.
    use_settings("");
    responder.clear();
    InitPanel3(bars, GetEventsRegisterManager());
    EXPECT_EQ(boxes(), QStringList{NO_NAME_BOX});
}

TEST_F(account_items_test, the_display_items_do_nothing_when_clicked) {
    use_settings("UserName=alice\n");
    for (const char* caption : {"状态", "剩余字数", "有效期"}) {
        SCOPED_TRACE(caption);
        ASSERT_TRUE(click(QString::fromUtf8(caption)));
    }
    EXPECT_TRUE(service.requests().empty());
    EXPECT_TRUE(responder.seen().isEmpty());
    EXPECT_EQ(captions(), (QStringList{"用户名", "状态", "剩余字数", "有效期"}));
}

}  // namespace
