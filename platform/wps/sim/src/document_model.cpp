#include "document_model.h"

#include <QChar>
#include <algorithm>

namespace wps_sim {

namespace {

constexpr char16_t paragraph_mark = 13;
constexpr char16_t cell_mark = 7;
constexpr char16_t shape_mark = 1;
constexpr int32_t undefined_colour = 9999999;

// Where a start (right gravity: an insertion at it pushes it) lands after
// [a, b) became k units.
int64_t map_start(int64_t x, int64_t a, int64_t b, int64_t k) {
    if (x < a) return x;
    if (a == b) return x + k;
    if (x == a) return a;
    if (x <= b) return a + k;
    return x + k - (b - a);
}

// Where an end (left gravity: an insertion at it leaves it) lands.
int64_t map_end(int64_t y, int64_t a, int64_t b, int64_t k) {
    if (y <= a) return y;
    if (a == b) return y + k;
    if (y < b) return a;
    return y + k - (b - a);
}

bool is_sentence_terminator(char16_t c) {
    return c == u'.' || c == u'!' || c == u'?' || c == u'\u3002' || c == u'\uFF01' ||
           c == u'\uFF1F';
}
bool is_wide_terminator(char16_t c) { return c == u'\u3002' || c == u'\uFF01' || c == u'\uFF1F'; }
bool is_closing(char16_t c) {
    static const std::u16string closers = u")\"'\u201D\u2019\u300D\u300F\uFF09\u3011";
    return closers.find(c) != std::u16string::npos;
}
bool is_blank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000' || c == 11; }

char16_t fold(char16_t c) { return QChar(c).toCaseFolded().unicode(); }

}  // namespace

document_model::document_model() {
    replace(0, 0, std::u16string(1, paragraph_mark));
    sections_.push_back({0, 0});
    saved = true;
}

std::u16string document_model::text(int64_t start, int64_t end) const {
    std::u16string out;
    if (end <= start) return out;
    out.resize(static_cast<size_t>(end - start));
    text_.copy(start, end, &out[0]);
    return out;
}

// Copied unit for unit: a conversion through a codec would drop a leading
// U+FEFF as a byte-order mark and shift every position after it.
QString document_model::qtext(int64_t start, int64_t end) const {
    if (end <= start) return QString();
    QString out(static_cast<int>(end - start), Qt::Uninitialized);
    text_.copy(start, end, reinterpret_cast<char16_t*>(out.data()));
    return out;
}

span document_model::clamp(int64_t start, int64_t end) const {
    int64_t n = length();
    start = std::clamp<int64_t>(start, 0, n);
    end = std::clamp<int64_t>(end, 0, n);
    if (end < start) end = start;
    return {start, end};
}

void document_model::update_char_index(position_index& index, char16_t mark, int64_t a, int64_t b,
                                       const std::u16string& text) {
    if (b > a)
        for (position_index::handle h : index.detach_range(a, b - 1)) index.erase(h);
    index.shift_from(b, static_cast<int64_t>(text.size()) - (b - a));
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == mark) index.insert(a + static_cast<int64_t>(i));
}

void document_model::update_bookmarks(int64_t a, int64_t b, int64_t k) {
    if (a == b) {
        starts_.shift_from(a, k);
        ends_.shift_from(a + 1, k);
        // Collapsed bookmarks at the insertion point went along with their
        // start; the others end before the new text.
        for (position_index::handle h : ends_.detach_range(a, a)) {
            span s{starts_.key(bookmarks_[ends_.owner(h)].start), a};
            ends_.attach(h, std::max(s.start, a));
        }
        return;
    }
    int64_t d = k - (b - a);
    std::vector<position_index::handle> moved_starts = starts_.detach_range(a + 1, b);
    starts_.shift_from(b + 1, d);
    for (position_index::handle h : moved_starts) starts_.attach(h, a + k);
    std::vector<position_index::handle> moved_ends = ends_.detach_range(a + 1, b);
    std::vector<int64_t> old_keys;
    old_keys.reserve(moved_ends.size());
    for (position_index::handle h : moved_ends) old_keys.push_back(ends_.key(h));
    ends_.shift_from(b + 1, d);
    for (size_t i = 0; i < moved_ends.size(); ++i) {
        position_index::handle h = moved_ends[i];
        int64_t end = old_keys[i] == b ? a + k : a;
        int64_t start = starts_.key(bookmarks_[ends_.owner(h)].start);
        ends_.attach(h, std::max(end, start));
    }
}

void document_model::replace(int64_t a, int64_t b, const std::u16string& text) {
    span r = clamp(a, b);
    a = r.start;
    b = r.end;
    // The last paragraph mark stays.
    if (length() > 0 && b > length() - 1) {
        b = length() - 1;
        a = std::min(a, b);
    }
    int64_t k = static_cast<int64_t>(text.size());
    if (a == b && k == 0) return;
    int8_t colour = a < b ? highlight_.at(a) : 0;
    text_.replace(a, b, k, [&](int64_t i) { return text[static_cast<size_t>(i)]; });
    highlight_.replace(a, b, k, [&](int64_t) { return colour; });
    update_char_index(terms_, paragraph_mark, a, b, text);
    // Cell marks also end paragraphs: add them to the paragraph index.
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == cell_mark) terms_.insert(a + static_cast<int64_t>(i));
    update_char_index(cells_, cell_mark, a, b, text);
    update_char_index(shapes_, shape_mark, a, b, text);
    update_bookmarks(a, b, k);
    for (span& t : tocs_) {
        t.start = map_start(t.start, a, b, k);
        t.end = std::max(t.start, map_end(t.end, a, b, k));
    }
    for (section_rec& s : sections_)
        if (s.start > 0) s.start = map_end(s.start, a, b, k);
    for (tracked_span* t : tracked_) {
        t->value.start = map_start(t->value.start, a, b, k);
        t->value.end = std::max(t->value.start, map_end(t->value.end, a, b, k));
    }
    ++text_version_;
    ++bookmark_version_;
    saved = false;
    changed();
}

// ---- highlight -------------------------------------------------------------

int32_t document_model::highlight(int64_t start, int64_t end) const {
    if (start >= end) return start < length() ? highlight_.at(start) : 0;
    int8_t first = highlight_.at(start);
    for (int64_t i = start + 1; i < end; ++i)
        if (highlight_.at(i) != first) return undefined_colour;
    return first;
}

void document_model::set_highlight(int64_t start, int64_t end, int32_t index) {
    if (start >= end) return;
    highlight_.fill(start, end, static_cast<int8_t>(index));
    saved = false;
    changed();
}

// ---- paragraphs --------------------------------------------------------------

span document_model::paragraph(int64_t index) const {
    int64_t start = index == 0 ? 0 : terms_.key(terms_.at(index - 1)) + 1;
    return {start, terms_.key(terms_.at(index)) + 1};
}

int64_t document_model::paragraph_at(int64_t pos) const {
    return std::min(terms_.count_less(pos), paragraph_count() - 1);
}

void document_model::paragraphs_of(span r, int64_t& first, int64_t& count) const {
    first = paragraph_at(r.start);
    int64_t last = r.end > r.start ? paragraph_at(r.end - 1) : first;
    count = last - first + 1;
}

std::vector<span> document_model::paragraph_spans_of(span r) const {
    int64_t first = 0, count = 0;
    paragraphs_of(r, first, count);
    std::vector<span> out;
    out.reserve(static_cast<size_t>(count));
    // The walk starts at the mark before the first paragraph, which gives
    // only its start; the first paragraph of the text starts at 0.
    bool have_start = first == 0;
    int64_t start = 0;
    terms_.for_each_rank(have_start ? 0 : first - 1, first + count,
                         [&](position_index::handle, int64_t mark) {
                             if (have_start) out.push_back({start, mark + 1});
                             start = mark + 1;
                             have_start = true;
                         });
    return out;
}

// ---- tables, cells -------------------------------------------------------------

const std::vector<table_info>& document_model::tables() {
    if (tables_version_ == text_version_) return tables_;
    tables_.clear();
    int64_t previous_term_rank = -2;
    int64_t rank = 0;
    cells_.for_each([&](position_index::handle, int64_t pos) {
        int64_t term_rank = terms_.count_less(pos);
        int64_t cell_start = term_rank == 0 ? 0 : terms_.key(terms_.at(term_rank - 1)) + 1;
        if (term_rank == previous_term_rank + 1 && !tables_.empty()) {
            tables_.back().cell_count++;
            tables_.back().range.end = pos + 1;
        } else {
            tables_.push_back({rank, 1, {cell_start, pos + 1}});
        }
        previous_term_rank = term_rank;
        ++rank;
    });
    tables_version_ = text_version_;
    return tables_;
}

// Tables lie one after another without overlapping, so both their starts and
// their ends ascend: the first that ends after r.start is found by bisection,
// and the walk stops at the first that starts beyond r. A lookup costs the
// logarithm of the table count plus the tables it returns, not all of them.
std::vector<table_info> document_model::tables_of(span r) {
    std::vector<table_info> out;
    const std::vector<table_info>& all = tables();
    auto t = std::partition_point(all.begin(), all.end(),
                                  [&](const table_info& x) { return x.range.end <= r.start; });
    for (; t != all.end(); ++t) {
        bool overlaps = r.end > r.start ? t->range.start < r.end : t->range.start <= r.start;
        if (!overlaps) break;
        out.push_back(*t);
    }
    return out;
}

std::vector<span> document_model::cells_of(span r) const {
    std::vector<span> out;
    for (int64_t rank = cells_.count_less(r.start); rank < cells_.size(); ++rank) {
        int64_t pos = cells_.key(cells_.at(rank));
        int64_t term_rank = terms_.count_less(pos);
        int64_t start = term_rank == 0 ? 0 : terms_.key(terms_.at(term_rank - 1)) + 1;
        bool inside = r.end > r.start ? start < r.end : start <= r.start;
        if (!inside) break;
        out.push_back({start, pos + 1});
    }
    return out;
}

// ---- sentences -------------------------------------------------------------------

std::vector<span> document_model::sentences_of(span r) const {
    std::vector<span> out;
    int64_t first = 0, count = 0;
    paragraphs_of(r, first, count);
    for (int64_t p = first; p < first + count; ++p) {
        span para = paragraph(p);
        std::u16string t = text(para.start, para.end - 1);
        int64_t n = static_cast<int64_t>(t.size());
        std::vector<span> found;
        int64_t start = 0;
        for (int64_t i = 0; i < n;) {
            char16_t c = t[i];
            bool ends = is_wide_terminator(c) ||
                        (is_sentence_terminator(c) &&
                         (i + 1 == n || is_blank(t[i + 1]) || is_sentence_terminator(t[i + 1]) ||
                          is_closing(t[i + 1])));
            if (!ends) {
                ++i;
                continue;
            }
            int64_t j = i + 1;
            while (j < n && (is_sentence_terminator(t[j]) || is_closing(t[j]))) ++j;
            while (j < n && is_blank(t[j])) ++j;
            found.push_back({para.start + start, para.start + j});
            start = j;
            i = j;
        }
        if (start < n || found.empty())
            found.push_back({para.start + start, para.end});
        else
            found.back().end = para.end;
        for (const span& s : found) {
            bool overlaps = r.end > r.start ? (s.start < r.end && s.end > r.start)
                                            : (s.start <= r.start && r.start < s.end);
            if (overlaps) out.push_back(s);
        }
    }
    if (out.empty() && r.start >= length() && length() > 0) {
        std::vector<span> last = sentences_of({length() - 1, length() - 1});
        if (!last.empty()) out.push_back(last.back());
    }
    return out;
}

// ---- tables of contents and sections -------------------------------------------------

void document_model::add_table_of_contents(span r) {
    tocs_.push_back(r);
    std::sort(tocs_.begin(), tocs_.end(),
              [](const span& x, const span& y) { return x.start < y.start; });
    changed();
}

void document_model::add_section(int64_t start, int restart_page_number) {
    if (start <= 0) {
        sections_.front().restart = restart_page_number;
    } else {
        sections_.push_back({start, restart_page_number});
        std::stable_sort(
            sections_.begin(), sections_.end(),
            [](const section_rec& x, const section_rec& y) { return x.start < y.start; });
    }
    ++text_version_;
    changed();
}

// ---- bookmarks -------------------------------------------------------------------------

bool document_model::bookmark_name_allowed(const QString& name) {
    if (name.isEmpty() || name.size() > 255) return false;
    for (QChar c : name) {
        if (c.isSpace() || c.unicode() < 32 || c.unicode() == 127) return false;
        QChar::Category category = c.category();
        if (category == QChar::Other_Control || category == QChar::Other_Format) return false;
    }
    return true;
}

int document_model::add_bookmark(const QString& name, span r) {
    if (!bookmark_name_allowed(name)) return -1;
    r = clamp(r.start, r.end);
    int id = names_.value(name, -1);
    if (id >= 0) {
        bookmark_rec& b = bookmarks_[id];
        starts_.erase(b.start);
        ends_.erase(b.end);
        b.start = starts_.insert(r.start, id);
        b.end = ends_.insert(r.end, id);
    } else {
        if (!free_bookmarks_.empty()) {
            id = free_bookmarks_.back();
            free_bookmarks_.pop_back();
        } else {
            id = static_cast<int>(bookmarks_.size());
            bookmarks_.emplace_back();
        }
        bookmark_rec& b = bookmarks_[id];
        b.name = name;
        b.alive = true;
        b.start = starts_.insert(r.start, id);
        b.end = ends_.insert(r.end, id);
        names_.insert(name, id);
    }
    ++bookmark_version_;
    saved = false;
    changed();
    return id;
}

void document_model::delete_bookmark(int id) {
    bookmark_rec& b = bookmarks_[id];
    if (!b.alive) return;
    starts_.erase(b.start);
    ends_.erase(b.end);
    names_.remove(b.name);
    b.name.clear();
    b.alive = false;
    ++b.generation;
    free_bookmarks_.push_back(id);
    ++bookmark_version_;
    saved = false;
    changed();
}

bool document_model::bookmark_alive(int id, uint32_t generation) const {
    return id >= 0 && id < static_cast<int>(bookmarks_.size()) && bookmarks_[id].alive &&
           bookmarks_[id].generation == generation;
}

span document_model::bookmark_span(int id) const {
    const bookmark_rec& b = bookmarks_[id];
    return {starts_.key(b.start), ends_.key(b.end)};
}

std::vector<int> document_model::bookmarks_in(span r) const {
    std::vector<int> out;
    for (int64_t rank = starts_.count_less(r.start); rank < starts_.size(); ++rank) {
        position_index::handle h = starts_.at(rank);
        if (starts_.key(h) > r.end) break;
        int id = starts_.owner(h);
        if (ends_.key(bookmarks_[id].end) <= r.end) out.push_back(id);
    }
    return out;
}

// ---- layout ---------------------------------------------------------------------------

void document_model::set_layout(int chars_per_line, int lines_per_page) {
    chars_per_line_ = std::max(1, chars_per_line);
    lines_per_page_ = std::max(1, lines_per_page);
    layout_.text_version = ~0ull;
}

void document_model::ensure_layout() {
    if (layout_.text_version == text_version_) return;
    layout_cache c;
    c.text_version = text_version_;
    int64_t lpp = lines_per_page_;
    int64_t line = 0;
    int64_t previous_end = 0;
    size_t next_section = 1;
    c.section_first_para.push_back(0);
    c.section_first_page.push_back(1);
    c.section_printed_first.push_back(sections_.front().restart > 0 ? sections_.front().restart
                                                                    : 1);
    terms_.for_each([&](position_index::handle, int64_t mark) {
        int64_t start = previous_end;
        bool new_section = false;
        while (next_section < sections_.size() && sections_[next_section].start <= start) {
            ++next_section;
            new_section = true;
        }
        if (new_section && !c.para_start.empty()) {
            if (line % lpp != 0) line = (line / lpp + 1) * lpp;
            int64_t page = line / lpp + 1;
            int restart = sections_[next_section - 1].restart;
            int64_t printed =
                restart > 0 ? restart
                            : c.section_printed_first.back() + (page - c.section_first_page.back());
            c.section_first_para.push_back(static_cast<int64_t>(c.para_start.size()));
            c.section_first_page.push_back(page);
            c.section_printed_first.push_back(printed);
        }
        c.para_start.push_back(start);
        c.para_first_line.push_back(line);
        int64_t chars = mark - start;
        line += std::max<int64_t>(1, (chars + chars_per_line_ - 1) / chars_per_line_);
        previous_end = mark + 1;
    });
    c.total_lines = line;
    layout_ = std::move(c);
}

int64_t document_model::absolute_line(int64_t pos) {
    ensure_layout();
    int64_t k = paragraph_at(pos);
    span para = paragraph(k);
    int64_t chars = para.end - 1 - para.start;
    int64_t lines = std::max<int64_t>(1, (chars + chars_per_line_ - 1) / chars_per_line_);
    int64_t offset = std::max<int64_t>(0, pos - para.start);
    return layout_.para_first_line[k] + std::min(offset / chars_per_line_, lines - 1);
}

int64_t document_model::page_of(int64_t pos) { return absolute_line(pos) / lines_per_page_ + 1; }

int64_t document_model::line_on_page(int64_t pos) {
    return absolute_line(pos) % lines_per_page_ + 1;
}

int64_t document_model::section_of(int64_t pos) {
    ensure_layout();
    int64_t k = paragraph_at(pos);
    auto it =
        std::upper_bound(layout_.section_first_para.begin(), layout_.section_first_para.end(), k);
    return it - layout_.section_first_para.begin();
}

int64_t document_model::printed_page_of(int64_t pos) {
    int64_t section = section_of(pos) - 1;
    return layout_.section_printed_first[section] +
           (page_of(pos) - layout_.section_first_page[section]);
}

int64_t document_model::page_count() { return page_of(length() - 1); }

int64_t document_model::line_count() {
    ensure_layout();
    return layout_.total_lines;
}

// ---- statistics -------------------------------------------------------------------------

bool document_model::statistic(int code, int64_t& result) {
    int64_t with_spaces = 0, without_spaces = 0, far_east = 0, words = 0;
    bool in_word = false;
    int64_t n = length();
    for (int64_t i = 0; i < n; ++i) {
        char16_t c = text_.at(i);
        if (c == paragraph_mark || c == cell_mark || c == shape_mark) {
            in_word = false;
            continue;
        }
        if (QChar::isLowSurrogate(c)) continue;
        ++with_spaces;
        uint32_t code_point = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n)
            code_point = QChar::surrogateToUcs4(c, text_.at(i + 1));
        bool space = QChar::isSpace(code_point);
        if (!space) ++without_spaces;
        QChar::Script script = QChar::script(code_point);
        bool wide = script == QChar::Script_Han || script == QChar::Script_Hiragana ||
                    script == QChar::Script_Katakana || script == QChar::Script_Hangul;
        if (wide) {
            ++far_east;
            ++words;
            in_word = false;
        } else if (space) {
            in_word = false;
        } else if (!in_word) {
            ++words;
            in_word = true;
        }
    }
    switch (code) {
        case 0:
            result = words;
            return true;
        case 1:
            result = line_count();
            return true;
        case 2:
            result = page_count();
            return true;
        case 3:
            result = without_spaces;
            return true;
        case 4: {
            int64_t count = 0;
            for (int64_t p = 0; p < paragraph_count(); ++p) {
                span para = paragraph(p);
                if (para.end - para.start > 1) ++count;
            }
            result = count;
            return true;
        }
        case 5:
            result = with_spaces;
            return true;
        case 6:
            result = far_east;
            return true;
        default:
            return false;
    }
}

// ---- find ---------------------------------------------------------------------------------

bool document_model::is_word_char(char16_t c) const {
    QChar q(c);
    if (!q.isLetterOrNumber()) return false;
    QChar::Script script = q.script();
    return script != QChar::Script_Han && script != QChar::Script_Hiragana &&
           script != QChar::Script_Katakana && script != QChar::Script_Hangul;
}

int64_t document_model::find(const std::u16string& needle, int64_t from,
                             const find_options& options) {
    int64_t m = static_cast<int64_t>(needle.size());
    int64_t n = length();
    if (m == 0 || m > n) return -1;
    const char16_t* hay = text_.data();
    std::u16string folded = needle;
    if (!options.match_case)
        for (char16_t& c : folded) c = fold(c);
    auto matches_at = [&](int64_t p) {
        for (int64_t i = 0; i < m; ++i) {
            char16_t c = hay[p + i];
            if (!options.match_case) c = fold(c);
            if (c != folded[static_cast<size_t>(i)]) return false;
        }
        if (options.whole_word) {
            if (p > 0 && is_word_char(hay[p - 1]) && is_word_char(hay[p])) return false;
            if (p + m < n && is_word_char(hay[p + m]) && is_word_char(hay[p + m - 1])) return false;
        }
        return true;
    };
    if (options.forward) {
        for (int64_t p = std::max<int64_t>(0, from); p + m <= n; ++p)
            if (matches_at(p)) return p;
    } else {
        for (int64_t p = std::min(from, n) - m; p >= 0; --p)
            if (matches_at(p)) return p;
    }
    return -1;
}

}  // namespace wps_sim
