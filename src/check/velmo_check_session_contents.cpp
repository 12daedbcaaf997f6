// Contents pieces of a check run: each is selected in the checked document
// while the service checks it, and its errors are placed where their text is
// found in it, since the service's positions do not count the contents' fields.
#include "check/velmo_check_session.h"
#include "host/velmo_host_documents.h"
#include "host/velmo_host_string.h"

namespace {

// Where `word` first occurs in `text` from `from` on, compared without case;
// -1 when it does not.
int find_text(const QString& text, const QString& word, int from) {
    if (word.isEmpty()) return -1;
    return text.indexOf(word, from, Qt::CaseInsensitive);
}

}  // namespace

// The contents piece is selected in the checked document, whichever document
// is active now; its errors are then searched for in its text.
void velmo_check_session::on_runner_select(qint64 start, qint64 end) {
    contents_piece_start = static_cast<long>(start);
    contents_found_at = static_cast<long>(start);
    contents_search_from = 0;
    contents_text.clear();
    kfc::ks_stdptr<wpsapi::Range> piece;
    if (!velmo_document_is_open(checked_document.get()) ||
        FAILED(velmo_document_range(checked_document.get(), static_cast<long>(start),
                                    static_cast<long>(end), piece)))
        return;
    kfc::ks_bstr text;
    if (SUCCEEDED(piece->get_Text(&text))) contents_text = velmo_from_bstr(text);
    piece->Select();
}

// Searching goes on from the last match; an error whose text is not found
// gets no mark, which would cover other text, and is counted as unplaced.
void velmo_check_session::on_runner_find_error(int level, const QString& err_word,
                                               const QString& cor_word) {
    const int found = find_text(contents_text, err_word, contents_search_from);
    if (found < 0) {
        ++result.unplaced_count;
        return;
    }
    contents_found_at = contents_piece_start + found;
    contents_search_from = found + static_cast<int>(err_word.size());
    kfc::ks_stdptr<wpsapi::Range> match;
    if (SUCCEEDED(velmo_document_range(checked_document.get(), contents_found_at,
                                       contents_found_at + err_word.size(), match)))
        match->Select();
    velmo_check_result_t error;
    error.pos = static_cast<int>(contents_found_at);
    error.level = level;
    error.span_by_correction = 0;
    error.err_word = err_word;
    error.cor_word = cor_word;
    runner.insert_check_result(error);
}
