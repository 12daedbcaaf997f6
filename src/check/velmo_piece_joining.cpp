// Fewer, fuller pieces: a document of many short paragraphs would otherwise
// cost one job, and so several round trips, per paragraph.
#include "check/velmo_piece_cutter.h"
#include "config/velmo_config.h"

namespace {

const QChar kCellMark(7);

}  // namespace

// A piece may be joined when it is one whole paragraph of ordinary text: a
// paragraph cut around an inline shape or into several pieces is not whole,
// table cells carry the cell mark, and contents are not among the pieces.
// Joined pieces are contiguous in the document, so an error's offset in the
// joined text still maps to its position as piece start plus offset.
void velmo_piece_cutter::join_paragraphs() {
    if (velmo_singleton_config::instance()->get_int("OtherParams", "JoinParagraphs") == 0) return;
    auto whole_paragraph = [this](const check_range_threadsafe_t& piece) {
        const auto end = paragraph_ends.constFind(static_cast<int>(piece.start));
        return end != paragraph_ends.constEnd() && *end == piece.end &&
               !piece.text.contains(kCellMark);
    };
    QList<check_range_threadsafe_t> joined;
    bool last_joinable = false;
    for (const check_range_threadsafe_t& piece : ordinary) {
        const bool joinable = whole_paragraph(piece);
        if (joinable && last_joinable && joined.last().end == piece.start &&
            joined.last().text.size() + piece.text.size() <= piece_length) {
            joined.last().end = piece.end;
            joined.last().text += piece.text;
            continue;
        }
        joined.append(piece);
        last_joinable = joinable;
    }
    ordinary = joined;
}
