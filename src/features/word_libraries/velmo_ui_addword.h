// The add-word dialog: proposes the words of two to six characters that start
// at the caret of the active document and adds the chosen (or typed) word to
// one of the service's word libraries.
#ifndef VELMO_FEATURES_WORD_LIBRARIES_VELMO_UI_ADDWORD_H
#define VELMO_FEATURES_WORD_LIBRARIES_VELMO_UI_ADDWORD_H

#include <QDialog>

QT_BEGIN_NAMESPACE
class QLineEdit;
class QListWidget;
QT_END_NAMESPACE

class velmo_ui_addword : public QDialog {
    Q_OBJECT

  public:
    // Set to the user's own library until set_libtype is called.
    explicit velmo_ui_addword(QWidget* parent = nullptr);

    // Chooses the library (VELMO_LIB_USER_ERRORS or VELMO_LIB_USER_WORDS)
    // and reads the candidates from the document.
    void set_libtype(int type);
    // Fills the candidate list from the text at the caret.
    void show_current();

  public slots:
    void on_addword();
    void on_close();
    void on_word_changed(int row);

  private:
    void init_ui();

    QLineEdit* word_edit = nullptr;
    QListWidget* candidate_list = nullptr;
    int lib_type = 0;
};

#endif
