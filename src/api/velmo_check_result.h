// One error reported by the proofreading service.
#ifndef VELMO_API_VELMO_CHECK_RESULT_H
#define VELMO_API_VELMO_CHECK_RESULT_H

#include <QList>
#include <QString>

struct velmo_check_result_t {
    // Position of the error's first character (UTF-16 code units): relative
    // to the uploaded article as read from the service, a document position
    // once the check thread has stored it.
    int pos = 0;
    // 2 marks a suspected error; every other value an error.
    int level = 0;
    // 0: the marked span is as long as err_word; otherwise as long as cor_word.
    int span_by_correction = 0;
    QString err_word;
    // The suggestions, joined by VELMO_SUGGESTION_SEPARATOR.
    QString cor_word;
    // False for a record read back from a mark name that did not decode
    // cleanly: it may be shown, but its texts are not trusted for an edit.
    bool sound = true;
    // Why the text is an error, when the service said; never part of the
    // mark's name, so a record read back from the document has none.
    QString message = {};
};

#define VELMO_SUGGESTION_SEPARATOR "#-#"
// Suggestions read per error; further ones are dropped.
#define VELMO_MAX_SUGGESTIONS 32

#endif
