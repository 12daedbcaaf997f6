#include "features/account/velmo_ui_login.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "api/velmo_api_account.h"
#include "api/velmo_api_transport.h"
#include "config/velmo_config.h"
#include "features/account/velmo_account_commands.h"
#include "features/common/velmo_message.h"
#include "features/common/velmo_text_width.h"
#include "features/common/velmo_ui_settings_save.h"
#include "features/common/velmo_ui_window.h"

velmo_ui_login::velmo_ui_login(QWidget* parent) : QDialog(parent) { init_ui(); }

void velmo_ui_login::init_ui() {
    setWindowTitle(tr("用户登录"));
    setWindowFlags(velmo_ui_without_title_buttons(windowFlags()));

    auto* group = new QGroupBox(tr("用户登录"), this);
    auto* rows = new QVBoxLayout(group);

    auto* name_row = new QHBoxLayout();
    name_row->addWidget(new QLabel(tr("用户名:"), group));
    user_name_edit = new QLineEdit(velmo_api_setting_text("UserInfo", "UserName"), group);
    name_row->addWidget(user_name_edit);
    rows->addLayout(name_row);

    auto* auth_row = new QHBoxLayout();
    auth_row->addWidget(new QLabel(tr("授权码:"), group));
    auth_no_edit = new QLineEdit(velmo_api_setting_text("UserInfo", "AuthNo"), group);
    auth_no_edit->setEchoMode(QLineEdit::Password);
    // An authorization number of up to 32 characters shows without scrolling.
    for (QLineEdit* edit : {user_name_edit, auth_no_edit})
        edit->setMinimumWidth(
            velmo_text_width(QFontMetrics(edit->font()), QString(32, QChar(0x25CF))));
    auth_row->addWidget(auth_no_edit);
    rows->addLayout(auth_row);

    auto* button_row = new QHBoxLayout();
    auto* ok_button = new QPushButton(tr("登录"), group);
    auto* cancel_button = new QPushButton(tr("取消"), group);
    connect(ok_button, &QPushButton::clicked, this, &velmo_ui_login::on_ok);
    connect(cancel_button, &QPushButton::clicked, this, &velmo_ui_login::on_cancel);
    button_row->addWidget(ok_button);
    button_row->addWidget(cancel_button);
    rows->addLayout(button_row);

    auto* main_layout = new QVBoxLayout(this);
    main_layout->addWidget(group);
}

void velmo_ui_login::on_ok() {
    // Sent as typed: the service alone judges the pair.
    const QString user_name = user_name_edit->text();
    const QString auth_no = auth_no_edit->text();
    QString message;
    if (velmo_api_checkuser(user_name, auth_no, message) != 0) {
        velmo_message_information(message);
        return;
    }
    velmo_singleton_config* config = velmo_singleton_config::instance();
    config->set_string("UserInfo", "UserName", user_name.toLocal8Bit().constData());
    config->set_string("UserInfo", "AuthNo", auth_no.toLocal8Bit().constData());
    // Signed in for this session either way; a failed save is told, since
    // the next start would not know the account.
    velmo_ui_save_settings();
    accept();
}

void velmo_ui_login::on_cancel() { reject(); }

int velmo_cb_login(QList<QVariant>& args) {
    {
        velmo_ui_login dialog;
        dialog.exec();
    }
    // The captions follow the stored account whatever the dialog's outcome.
    velmo_cb_account(args);
    return 0;
}
