// The word library maintenance dialog: pages through the library of
// user-defined errors or the user's own words kept on the service, and adds
// or deletes the word typed in its field. Every change reloads the page on
// screen from the service; the dialog keeps no list of its own.
#ifndef VELMO_FEATURES_WORD_LIBRARIES_VELMO_UI_MAINTAIN_H
#define VELMO_FEATURES_WORD_LIBRARIES_VELMO_UI_MAINTAIN_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QVBoxLayout;
QT_END_NAMESPACE

class velmo_ui_maintain : public QDialog {
    Q_OBJECT

  public:
    // Opens on the user's own library, first page.
    explicit velmo_ui_maintain(QWidget* parent = nullptr);

    // Loads one page (0-based) of the selected library.
    void show_current_page(int page);
    // Back to the first page of the selected library.
    void show_current_lib();

  public slots:
    void on_lib_changed(int index);
    void on_query();
    void on_next_page();
    void on_prev_page();
    void on_add_word();
    void on_delete_word();
    void on_word_changed(int row);

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_2();
    void init_ui_3();
    void init_ui_4();

    QGroupBox* group = nullptr;
    QVBoxLayout* group_rows = nullptr;
    QComboBox* lib_combo = nullptr;
    QLineEdit* word_edit = nullptr;
    QListWidget* word_list = nullptr;
    QLabel* page_label = nullptr;
    int lib_type = 0;
    int current_page = 0;
    int page_count = 0;
};

#endif
