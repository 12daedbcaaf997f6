// The errors the user ignored in a document, remembered across checks and
// sessions in a small file per document in the user's settings folder, so
// that the next check does not mark them again. "Ignore" remembers one
// occurrence by its text, kind and the few characters around it; "ignore
// all" remembers the text and kind wherever they occur.
#ifndef VELMO_FEATURES_RESULTS_VELMO_IGNORED_MARKS_H
#define VELMO_FEATURES_RESULTS_VELMO_IGNORED_MARKS_H

#include <QList>
#include <QString>

#include "api/velmo_check_result.h"
#include "host/velmo_host.h"

// Characters of context kept on either side of an ignored occurrence.
constexpr int VELMO_IGNORE_CONTEXT = 6;

struct velmo_ignored_t {
    int level = 0;  // read as its kind: equal kinds match
    QString err_word;
    bool everywhere = false;  // "ignore all": context is not compared
    QString before;           // the text right before and after the occurrence
    QString after;
};

// The ignored errors of one document, keyed by its folder and name.
class velmo_ignored_marks {
  public:
    // Reads the list of the document. A document never saved has no file:
    // its list is kept in memory, by the document's name, until unload.
    explicit velmo_ignored_marks(wpsapi::_Document* document);

    // The occurrence of record in text (the document's main text).
    void ignore_once(const velmo_check_result_t& record, const QString& text);
    void ignore_everywhere(const velmo_check_result_t& record);
    // Forgets every entry of the document.
    void forget();
    bool empty() const { return entries.isEmpty(); }

    bool is_ignored(const velmo_check_result_t& record, const QString& text) const;
    // Drops the ignored records; the number dropped.
    int drop_ignored(QList<velmo_check_result_t>& records, const QString& text) const;

    // The file the list of a document with this folder and name lives in.
    static QString file_for(const QString& folder, const QString& name);

  private:
    void save() const;

    QString file;
    QString unsaved_name;  // the key of a document without a file
    QList<velmo_ignored_t> entries;
};

// The document's main text; empty when the host cannot give it.
QString velmo_document_text(wpsapi::_Document* document);

// Drops the records the user ignored in the document before its marks are
// placed.
void velmo_drop_ignored_records(wpsapi::_Document* document, QList<velmo_check_result_t>& records);

#endif
