// The in-memory document of the simulated host: UTF-16 main text with
// paragraph marks, cell marks and inline-shape characters, a highlight
// colour per character, bookmarks, tables of contents, sections, the live
// ranges that follow edits, a fixed layout grid, statistics and find.
#ifndef WPS_SIM_DOCUMENT_MODEL_H
#define WPS_SIM_DOCUMENT_MODEL_H

#include <QHash>
#include <QString>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "gap_buffer.h"
#include "position_index.h"

namespace wps_sim {

struct span {
    int64_t start = 0;
    int64_t end = 0;
};

// A stretch that moves with edits (ranges, the selection, collections).
struct tracked_span {
    span value;
};

struct table_info {
    int64_t first_cell;  // rank among all cells
    int64_t cell_count;
    span range;
};

struct find_options {
    bool match_case = false;
    bool whole_word = false;
    bool forward = true;
};

class document_model {
  public:
    document_model();
    document_model(const document_model&) = delete;
    document_model& operator=(const document_model&) = delete;

    // ---- text
    int64_t length() const { return text_.size(); }
    char16_t at(int64_t pos) const { return text_.at(pos); }
    std::u16string text(int64_t start, int64_t end) const;
    QString qtext(int64_t start, int64_t end) const;
    // Replaces [start, end) by `text` and moves everything anchored in the
    // document. The last paragraph mark is never removed.
    void replace(int64_t start, int64_t end, const std::u16string& text);
    span clamp(int64_t start, int64_t end) const;
    // Changes with every edit (text, bookmarks, highlight).
    uint64_t version() const { return version_; }
    uint64_t text_version() const { return text_version_; }
    bool saved = true;

    // ---- highlight (WdColorIndex values; wdUndefined for mixed)
    int32_t highlight(int64_t start, int64_t end) const;
    void set_highlight(int64_t start, int64_t end, int32_t index);

    // ---- paragraphs (0-based indexes)
    int64_t paragraph_count() const { return terms_.size(); }
    span paragraph(int64_t index) const;
    int64_t paragraph_at(int64_t pos) const;
    // First index and count of the paragraphs overlapping `r`.
    void paragraphs_of(span r, int64_t& first, int64_t& count) const;
    // The paragraphs overlapping `r`, in one pass over their marks.
    std::vector<span> paragraph_spans_of(span r) const;

    // ---- tables, cells, inline shapes
    const std::vector<table_info>& tables();
    std::vector<table_info> tables_of(span r);
    // Cells overlapping `r`, in reading order.
    std::vector<span> cells_of(span r) const;
    int64_t shape_count() const { return shapes_.size(); }
    // Rank of the first shape at or after `pos`.
    int64_t shape_rank_from(int64_t pos) const { return shapes_.count_less(pos); }
    int64_t shape_position(int64_t rank) const { return shapes_.key(shapes_.at(rank)); }

    // ---- sentences
    std::vector<span> sentences_of(span r) const;

    // ---- tables of contents and sections
    void add_table_of_contents(span r);
    const std::vector<span>& tables_of_contents() const { return tocs_; }
    // A new section starting at `start` (a paragraph start).
    void add_section(int64_t start, int restart_page_number);

    // ---- bookmarks
    static bool bookmark_name_allowed(const QString& name);
    // Id of the new (or moved) bookmark, -1 when the name is refused.
    int add_bookmark(const QString& name, span r);
    void delete_bookmark(int id);
    bool bookmark_alive(int id, uint32_t generation) const;
    uint32_t bookmark_generation(int id) const { return bookmarks_[id].generation; }
    int find_bookmark(const QString& name) const { return names_.value(name, -1); }
    QString bookmark_name(int id) const { return bookmarks_[id].name; }
    span bookmark_span(int id) const;
    int64_t bookmark_count() const { return starts_.size(); }
    // Bookmark of 0-based rank in start order.
    int bookmark_at(int64_t rank) const { return starts_.owner(starts_.at(rank)); }
    // Bookmarks lying wholly inside `r`, by start.
    std::vector<int> bookmarks_in(span r) const;
    uint64_t bookmark_version() const { return bookmark_version_; }

    // ---- live spans
    void track(tracked_span* s) { tracked_.insert(s); }
    void untrack(tracked_span* s) { tracked_.erase(s); }

    // ---- layout grid
    void set_layout(int chars_per_line, int lines_per_page);
    int64_t page_of(int64_t pos);
    int64_t printed_page_of(int64_t pos);
    int64_t line_on_page(int64_t pos);
    int64_t section_of(int64_t pos);
    int64_t page_count();
    int64_t line_count();

    // ---- statistics (WdStatistic codes); false for an unknown code
    bool statistic(int code, int64_t& result);

    // ---- find: start of the first match at or after `from` (forward) or
    // ending at or before `from` (backward); -1 when none.
    int64_t find(const std::u16string& needle, int64_t from, const find_options& options);

  private:
    struct bookmark_rec {
        QString name;
        position_index::handle start = position_index::none;
        position_index::handle end = position_index::none;
        uint32_t generation = 0;
        bool alive = false;
    };
    struct section_rec {
        int64_t start;
        int restart;
    };
    struct layout_cache {
        uint64_t text_version = ~0ull;
        std::vector<int64_t> para_start;
        std::vector<int64_t> para_first_line;  // absolute line, pages aligned per section
        std::vector<int64_t> section_first_para;
        std::vector<int64_t> section_first_page;
        std::vector<int64_t> section_printed_first;
        int64_t total_lines = 0;
    };

    void changed() { ++version_; }
    void update_bookmarks(int64_t a, int64_t b, int64_t k);
    void update_char_index(position_index& index, char16_t mark, int64_t a, int64_t b,
                           const std::u16string& text);
    int64_t absolute_line(int64_t pos);
    void ensure_layout();
    bool is_word_char(char16_t c) const;

    gap_buffer<char16_t> text_;
    gap_buffer<int8_t> highlight_;
    position_index terms_;   // paragraph marks and cell marks
    position_index cells_;   // cell marks
    position_index shapes_;  // inline shapes
    position_index starts_;  // bookmark starts (owner: bookmark id)
    position_index ends_;    // bookmark ends
    std::vector<bookmark_rec> bookmarks_;
    std::vector<int> free_bookmarks_;
    QHash<QString, int> names_;
    std::vector<span> tocs_;
    std::vector<section_rec> sections_;
    std::unordered_set<tracked_span*> tracked_;
    uint64_t version_ = 0;
    uint64_t text_version_ = 0;
    uint64_t bookmark_version_ = 0;
    int chars_per_line_ = 40;
    int lines_per_page_ = 40;
    layout_cache layout_;
    uint64_t tables_version_ = ~0ull;
    std::vector<table_info> tables_;
};

}  // namespace wps_sim

#endif  // WPS_SIM_DOCUMENT_MODEL_H
