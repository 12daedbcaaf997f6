// The statistics dialog: for the document of the last check, the number of
// error marks of each kind beside its configured colour, the characters,
// Chinese characters and English words of the document, and the share of
// marks per character. It only reads the document and the progress.
#ifndef VELMO_FEATURES_STATISTICS_VELMO_UI_STAT_H
#define VELMO_FEATURES_STATISTICS_VELMO_UI_STAT_H

#include <QDialog>
#include <QString>

#include "document/velmo_check_progress.h"

QT_BEGIN_NAMESPACE
class QHBoxLayout;
class QLineEdit;
class QProgressBar;
QT_END_NAMESPACE
class velmo_ui_color_button;

// Marks of one collection by kind: a corrected mark counts as corrected
// whatever its level; otherwise level 2 is a suspect error, any other an error.
struct velmo_mark_counts_t {
    int errors = 0;
    int suspects = 0;
    int corrected = 0;
    int total() const { return errors + suspects + corrected; }
};
velmo_mark_counts_t velmo_count_marks(const QList<velmo_check_result_t>& results);

// Number of maximal runs of ASCII letters in the text.
int velmo_count_english_words(const QString& text);

// Marks per character in fixed notation with three decimals; "0.000" for a
// text without characters.
QString velmo_error_ratio_text(int marks, long characters);

class velmo_ui_stat : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_stat(QDialog* parent = nullptr);

    // Computes and shows every figure for the progress's document. Null, or
    // a progress without document: nothing is shown. A failed host read
    // leaves the summary empty.
    void set_check_progress(check_progress_t* progress);

  public slots:
    void on_ok();

  private:
    void init_ui();
    void init_ui_2();
    void init_ui_3();
    void init_ui_4();
    // The colour's name, its swatch and its count.
    QHBoxLayout* add_color_count(velmo_ui_color_button*& swatch, QLineEdit*& count,
                                 const char* color_key, const QString& name);
    QLineEdit* add_summary_value(QHBoxLayout* row, const QString& label, const char* name);

    velmo_ui_color_button* error_swatch = nullptr;
    velmo_ui_color_button* suspect_swatch = nullptr;
    velmo_ui_color_button* corrected_swatch = nullptr;
    QLineEdit* error_count = nullptr;
    QLineEdit* suspect_count = nullptr;
    QLineEdit* corrected_count = nullptr;
    QLineEdit* mark_total = nullptr;
    QLineEdit* chinese_count = nullptr;
    QLineEdit* character_total = nullptr;
    QLineEdit* english_count = nullptr;
    QLineEdit* error_ratio = nullptr;
    QProgressBar* progress_bar = nullptr;
    QLineEdit* current_file = nullptr;
};

#endif
