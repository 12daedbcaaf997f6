// Fewer, fuller pieces: a document of many short paragraphs would otherwise
// cost one job, and so several round trips, per paragraph.
#include "check/velmo_thread_check.h"
#include "config/velmo_config.h"

namespace {

const QChar kCellMark(7);

// The same length the cutter keeps pieces within.
int join_limit() {
    const int length =
        velmo_singleton_config::instance()->get_int("OtherParams", "CheckWordsCount");
    return length < 1 ? 100 : length;
}

}  // namespace

// A piece may be joined when it is one whole paragraph of ordinary text: a
// paragraph cut around an inline shape or into several pieces is not whole,
// table cells carry the cell mark, and contents are not among the pieces.
// Joined pieces are contiguous in the document, so an error's offset in the
// joined text still maps to its position as piece start plus offset.
void velmo_thread_check::join_paragraphs_threadsafe() {
    if (velmo_singleton_config::instance()->get_int("OtherParams", "JoinParagraphs") == 0) return;
    const int limit = join_limit();
    auto whole_paragraph = [this](const check_range_threadsafe_t& piece) {
        const auto end = paragraph_ends.constFind(static_cast<int>(piece.start));
        return end != paragraph_ends.constEnd() && *end == piece.end &&
               !piece.text.contains(kCellMark);
    };
    QList<check_range_threadsafe_t> joined;
    bool last_joinable = false;
    for (const check_range_threadsafe_t& piece : pieces) {
        const bool joinable = whole_paragraph(piece);
        if (joinable && last_joinable && joined.last().end == piece.start &&
            joined.last().text.size() + piece.text.size() <= limit) {
            joined.last().end = piece.end;
            joined.last().text += piece.text;
            continue;
        }
        joined.append(piece);
        last_joinable = joinable;
    }
    pieces = joined;
}
