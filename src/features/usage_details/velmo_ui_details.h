// The usage details dialog: the stored account's quota, words checked so far
// and this month, remaining words and end date, and a paged table of the
// checks of a chosen date, as the service reports them. It only reads.
#ifndef VELMO_FEATURES_USAGE_DETAILS_VELMO_UI_DETAILS_H
#define VELMO_FEATURES_USAGE_DETAILS_VELMO_UI_DETAILS_H

#include <QDialog>
#include <QString>

QT_BEGIN_NAMESPACE
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QHBoxLayout;
QT_END_NAMESPACE

class velmo_ui_check_details : public QDialog {
    Q_OBJECT

  public:
    // Reads the stored user name; fetches nothing until a query.
    explicit velmo_ui_check_details(QWidget* parent = nullptr);

    // Asks the service for one page of the chosen date and shows the answer.
    void query(int page);

  public slots:
    void on_query();
    void on_prev_page();
    void on_next_page();

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_2();
    void init_ui_3();
    void init_ui_4();
    void init_ui_5();
    QLineEdit* add_field(QHBoxLayout* row, const QString& label);

    QString user_name;
    QLineEdit* account_edit = nullptr;
    QDateEdit* date_edit = nullptr;
    QLineEdit* auth_words_field = nullptr;
    QLineEdit* check_words_field = nullptr;
    QLineEdit* remaining_words_field = nullptr;
    QLineEdit* end_date_field = nullptr;
    QLineEdit* month_words_field = nullptr;
    QTableWidget* table = nullptr;
    QPushButton* page_indicator = nullptr;
    int page_count = 0;
    int current_page = 0;
};

#endif
