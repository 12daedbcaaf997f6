#include "account_fixture.h"

#include <QAbstractButton>
#include <QDialog>
#include <QListWidget>
#include <QTimer>
#include <QWidget>

#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"
#include "plugin/velmo_layout.h"

void account_test::SetUp() {
    g_velmo_controls.clear();
    plugin_test::SetUp();
}

void account_test::TearDown() {
    g_velmo_controls.clear();
    plugin_test::TearDown();
}

void account_test::use_settings(const std::string& user_info, const std::string& service_url) {
    use_ini("[OtherParams]\nnewstyle=1\noldstyle=1\nServiceUrl=" + service_url + "\n[UserInfo]\n" +
            user_info);
    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    ASSERT_TRUE(SUCCEEDED(app->get_CommandBars(&bars)) && bars);
    InitPanel2(bars, GetEventsRegisterManager());
}

bool account_test::click(const QString& caption) {
    int status = -1;
    const bool found = wps_sim::click(app, caption, &status);
    EXPECT_EQ(status, 0) << caption.toStdString();
    return found;
}

QString account_test::caption_of(const QString& registered) {
    ksoapi::CommandBarControl* control = g_velmo_controls.value(registered).get();
    if (!control) return QStringLiteral("<none>");
    kfc::ks_bstr caption;
    if (FAILED(control->get_Caption(&caption))) return QStringLiteral("<unreadable>");
    return velmo_from_bstr(caption);
}

QStringList account_test::boxes() const {
    QStringList seen;
    for (const modal_responder::seen_modal& modal : responder.seen())
        if (modal.class_name == QLatin1String("QMessageBox"))
            seen << modal.title + "|" + modal.text + "|" + modal.buttons.join(",");
    return seen;
}

QStringList account_test::dialog_titles() const {
    QStringList seen;
    for (const modal_responder::seen_modal& modal : responder.seen())
        if (modal.class_name != QLatin1String("QMessageBox")) seen << modal.title;
    return seen;
}

void account_test::answer_userinfo(const std::string& state, const std::string& remaining,
                                   const std::string& end_time) {
    service.set_answer("GetUserInfo", {200, fake_userinfo_answer(state, remaining, end_time)});
}

void account_test::with_dialog(const QString& command, const QString& title,
                               std::function<void(QWidget*)> steps) {
    responder.on(title).act([steps](QWidget* dialog) {
        steps(dialog);
        static_cast<QDialog*>(dialog)->reject();
    });
    ASSERT_TRUE(click(command));
    EXPECT_EQ(responder.pending_steps(), 0);
}

QStringList entries_of(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

QAbstractButton* find_button(QWidget* parent, const QString& text) {
    for (QAbstractButton* button : parent->findChildren<QAbstractButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

void press(QWidget* parent, const QString& text) {
    QAbstractButton* button = find_button(parent, text);
    ASSERT_NE(button, nullptr) << text.toStdString();
    button->click();
}

std::function<void(QWidget*)> press_later(const QString& text) {
    return [text](QWidget* dialog) {
        QTimer::singleShot(0, dialog, [dialog, text] { press(dialog, text); });
    };
}
