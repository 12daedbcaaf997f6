// The login dialog: the user types the account's user name and authorisation
// number, the service verifies them, and only an accepted pair is stored in
// the settings file. A refusal is shown and the dialog stays open.
#ifndef VELMO_FEATURES_ACCOUNT_VELMO_UI_LOGIN_H
#define VELMO_FEATURES_ACCOUNT_VELMO_UI_LOGIN_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QLineEdit;
QT_END_NAMESPACE

class velmo_ui_login : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_login(QWidget* parent = nullptr);

  public slots:
    void on_ok();
    void on_cancel();

  private:
    void init_ui();

    QLineEdit* user_name_edit = nullptr;
    QLineEdit* auth_no_edit = nullptr;
};

#endif
