// The batch find: searches the document for every word of a word list (the
// editable built-in list findlib.txt, or a word file of the user's choosing),
// highlights each occurrence with the find colour, collects the occurrences
// for the opener to mark, and can write the keyword position file.
#ifndef VELMO_FEATURES_FIND_VELMO_UI_FIND_H
#define VELMO_FEATURES_FIND_VELMO_UI_FIND_H

#include <QDialog>
#include <QList>
#include <QString>

#include "check/velmo_check_range.h"
#include "features/find/velmo_ui_find_pos.h"
#include "wpsapi.h"

QT_BEGIN_NAMESPACE
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTextEdit;
QT_END_NAMESPACE

class velmo_ui_batch_find : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_batch_find(QDialog* parent = nullptr);

    // One entry per occurrence found, in the order found.
    QList<check_range_t>& get_find_range();
    // False when the user unticked "在文中标记查到的词": occurrences are then
    // neither highlighted nor to be marked by the opener.
    bool marks_found_words() const;

    // The word list of the chosen source (see the source file).
    void get_words(QList<QString>& words);
    // Writes the keyword position file beside the active document and opens it.
    void get_pos();

  public slots:
    void on_cancel();
    void on_ok();
    void on_lib_changed(bool checked);
    void on_lib_sel();

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_1_1();
    void init_ui_1_2();
    void init_ui_1_3();
    // Finds every occurrence of one word from the selection on; returns the
    // number found.
    int find_word(wpsapi::Selection* selection, wpsapi::Find* find, const QString& word);
    void record_occurrence(wpsapi::Selection* selection, const QString& word, long start, long end);

    QRadioButton* library_option = nullptr;
    QRadioButton* file_option = nullptr;
    QLineEdit* file_name = nullptr;
    QPushButton* browse_button = nullptr;
    QTextEdit* library_text = nullptr;
    QCheckBox* mark_option = nullptr;
    QCheckBox* case_option = nullptr;
    QCheckBox* whole_word_option = nullptr;
    QGroupBox* position_file_group = nullptr;
    QRadioButton* printed_page_option = nullptr;
    QRadioButton* sequential_page_option = nullptr;
    QProgressBar* progress_bar = nullptr;
    velmo_pages_by_word_t pages_by_word;
    QList<check_range_t> found_ranges;
    QWidget* frame = nullptr;
};

#endif
