#include "account_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QTextCodec>
#include <QTimer>
#include <QWidget>

#include "commands/velmo_host_string.h"
#include "plugin/velmo_globals.h"
#include "plugin/velmo_layout.h"

account_qt_application::account_qt_application() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "account_tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    // Stored names are in the locale's encoding; make it one that holds
    // Chinese whatever locale the tests run in.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

void account_test::SetUp() {
    g_velmo_controls.clear();
    app = wps_sim::create_application();
    g_pApp = app.get();
}

void account_test::TearDown() {
    g_velmo_controls.clear();
    g_pApp = nullptr;
    app.clear();
    settings.reset();
}

void account_test::use_settings(const std::string& user_info, const std::string& service_url) {
    settings.reset();  // points the store back home before the new one
    settings = std::make_unique<temp_settings>(
        "[OtherParams]\nnewstyle=1\noldstyle=1\nServiceUrl=" + service_url + "\n[UserInfo]\n" +
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

QByteArray account_test::ini_file() const {
    QFile file(QString::fromStdString(settings->ini_path()));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
