// The dialog "参数设置": the check options sent with every upload, the
// professional library, the automatic errata table, the piece length, the
// correction offset and the service address. Filled from the settings when
// built; "确定" writes back what the user changed and saves the settings
// file, or says what could not be stored and stays open.
#ifndef VELMO_FEATURES_SETTINGS_VELMO_UI_SETTING_H
#define VELMO_FEATURES_SETTINGS_VELMO_UI_SETTING_H

#include <QDialog>
#include <QList>
#include <QString>

#include "config/velmo_config_values.h"

QT_BEGIN_NAMESPACE
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
QT_END_NAMESPACE

class velmo_ui_setting : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_setting(QWidget* parent = nullptr);

    static constexpr int WEIGHT_COUNT = 3;
    static constexpr int OPTION_COUNT = 8;
    static constexpr int REPOSITORY_COUNT = 20;
    static constexpr int MIN_CHECK_WORDS = VELMO_MIN_PIECE_LENGTH;
    static constexpr int MAX_CHECK_WORDS = VELMO_MAX_PIECE_LENGTH;

    // The piece length stored for a typed text: its integer value (0 when it
    // is not a number) brought into MIN_CHECK_WORDS..MAX_CHECK_WORDS.
    static int check_words_from_text(const QString& text);

  public slots:
    void on_ok();
    void on_cancel();

    // A typed text as it is stored: without line breaks (a pasted address
    // often ends in one) and without surrounding blanks.
    static QString stored_text(const QString& typed);

  private:
    // What the controls showed when the dialog opened, so that "确定"
    // writes back only what the user changed.
    struct shown_values_t {
        int weight = -1;
        bool errata = false;
        bool result_list = false;
        bool options[OPTION_COUNT] = {};
        int repository = -1;
    };
    static constexpr int TEXT_FIELD_COUNT = 3;

    shown_values_t current_values() const;
    // Stores the changed text fields; false, after telling the user which
    // field could not be stored, when one of them cannot.
    bool write_texts();
    void write_choices();

    void init_ui();
    void init_ui_1();
    void init_ui_2();
    void init_ui_3();
    void init_ui_4();
    QLineEdit* add_line_edit(QWidget* tab, const QString& label, const QString& text,
                             QList<QLabel*>& captions);

    QTabWidget* tab_widget = nullptr;
    QRadioButton* weight_buttons[WEIGHT_COUNT] = {};
    QCheckBox* errata_check_box = nullptr;
    QCheckBox* result_list_check_box = nullptr;
    QCheckBox* option_check_boxes[OPTION_COUNT] = {};
    QRadioButton* repository_buttons[REPOSITORY_COUNT] = {};
    // Piece length, correction offset, service address, in that order.
    QLineEdit* text_edits[TEXT_FIELD_COUNT] = {};
    QString shown_texts[TEXT_FIELD_COUNT];
    shown_values_t shown;
    QPushButton* ok_button = nullptr;
    QPushButton* cancel_button = nullptr;
};

#endif
