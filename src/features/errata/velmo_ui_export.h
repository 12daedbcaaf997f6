// The errata table: a text file beside the document that lists every error
// of the collected progress with its kind, number, wrong text, suggestion,
// page, line and the sentence with the wrong text bracketed. The dialog lets
// the user choose sequential or printed page numbers; the check command also
// uses it without showing it, calling on_ok() directly.
#ifndef VELMO_FEATURES_ERRATA_VELMO_UI_EXPORT_H
#define VELMO_FEATURES_ERRATA_VELMO_UI_EXPORT_H

#include <QDialog>
#include <QString>

#include "api/velmo_check_result.h"
#include "document/velmo_check_progress.h"

QT_BEGIN_NAMESPACE
class QProgressBar;
class QRadioButton;
QT_END_NAMESPACE

class velmo_ui_export : public QDialog {
    Q_OBJECT

  public:
    explicit velmo_ui_export(QDialog* parent = nullptr);

    // Not owned; may be null (then on_ok() writes nothing).
    void set_check_progress(check_progress_t* progress);

    // The entry of one record, numbered from 1. Moves the host selection
    // onto the record; empty when the host cannot give page, line or sentence.
    QString get_content(int number, velmo_check_result_t& record);

    // "_<document name>.txt" in the document's directory; empty when the
    // document has no directory (never saved). on_ok() never replaces a file
    // of that name that is not an errata table, and tells a failed write.
    static QString file_name_for(const QString& path, const QString& name);

  public slots:
    void on_cancel();
    void on_ok();

  private:
    void init_ui();
    void init_ui_1();
    void init_ui_2();
    void init_ui_3();
    QString header_text(const QString& file_name) const;

    QRadioButton* sequential_page_button = nullptr;
    QRadioButton* printed_page_button = nullptr;
    QProgressBar* progress_bar = nullptr;
    check_progress_t* check_progress = nullptr;
};

#endif
