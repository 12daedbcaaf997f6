// Writing a suggestion over an error mark only where the document still
// holds what the mark stands for. Every command that applies a suggestion
// ("更改", "全部更改", a results list's apply) goes through here, so that
// text the user changed since the check is never overwritten.
#ifndef VELMO_DOCUMENT_VELMO_MARK_APPLY_H
#define VELMO_DOCUMENT_VELMO_MARK_APPLY_H

#include <QString>

#include "api/velmo_check_result.h"

enum class velmo_apply_result {
    applied,  // the text was written over the mark
    stale,    // the marked text is no longer the record's, or the record is
              // not sound: the mark was removed and nothing written
    failed    // the host refused a step; the document is as it was
};

// Reads the active document's text at the record's mark (pos and
// velmo_mark_length) and, when it is exactly the error text (the suggestion
// once an earlier correction wrote it) and the record is sound, replaces it
// by `text`, highlighted in the correction colour with the author's own
// highlight put back over it. A stale mark is removed from the document.
velmo_apply_result velmo_apply_suggestion(const velmo_check_result_t& record, const QString& text);

#endif
