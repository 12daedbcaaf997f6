// Cutting the check range into pieces, on the GUI thread, before the worker
// starts: tables of contents by sentence, then the paragraphs of the range
// around inline shapes and tables, each stretch cut to the piece length after
// its last separator. Every text and position the worker needs is read here.
#include "check/velmo_thread_check.h"
#include "config/velmo_config.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"

namespace {

// Where a piece may end: after a separator or after the end of a sentence,
// so that a cut does not fall inside a word or an error.
bool is_cut_point(QChar c) {
    switch (c.unicode()) {
        case u'.':
        case u',':
        case u';':
        case u':':
        case u'?':
        case u'!':
        case u'，':
        case u'；':
        case u'：':
        case u'？':
        case u'！':
        case u'\r':
        case u'。':
        case u'．':
        case u'｡':
        case u'…':
        case u'\n':
        case u'\v':
            return true;
        default:
            return false;
    }
}

// A stored piece length below 1 would never advance the cut; it counts as 100.
int piece_length_for_cutting() {
    const int length =
        velmo_singleton_config::instance()->get_int("OtherParams", "CheckWordsCount");
    return length < 1 ? 100 : length;
}

// One past the last cut point in the text, 0 when it holds none. One
// backward pass finds the greatest index of any cut point.
int cut_after_last_cut_point(const QString& text) {
    for (int i = text.size() - 1; i >= 0; --i) {
        if (is_cut_point(text.at(i))) return i + 1;
    }
    return 0;
}

// Where a window without cut points is cut: after its last white space or
// punctuation within its last fifth, so that a word is not split into false
// errors; failing that at its end, or one earlier when that would split a
// surrogate pair.
int cut_without_cut_point(const QString& window) {
    const int size = window.size();
    for (int i = size - 1; i >= size - size / 5 && i >= 0; --i) {
        const QChar c = window.at(i);
        if (c.isSpace() || c.isPunct()) return i + 1;
    }
    return size > 1 && window.at(size - 1).isHighSurrogate() ? size - 1 : size;
}

bool set_bounds(kfc::ks_stdptr<wpsapi::Range>& range, long start, long end) {
    return SUCCEEDED(range->put_Start(start)) && SUCCEEDED(range->put_End(end));
}

bool read_bounds(kfc::ks_stdptr<wpsapi::Range>& range, long* start, long* end) {
    return SUCCEEDED(range->get_Start(start)) && SUCCEEDED(range->get_End(end));
}

}  // namespace

void velmo_thread_check::init_threadsafe() {
    init_table_range_threadsafe();
    init_range_threadsafe();
    join_paragraphs_threadsafe();
}

void velmo_thread_check::init_table_range_threadsafe() {
    wpsapi::Document* active = nullptr;
    if (!g_pApp || FAILED(g_pApp->get_ActiveDocument(&active)) || !active) return;
    kfc::ks_stdptr<wpsapi::_Document> document = velmo_adopt<wpsapi::_Document>(active);
    kfc::ks_stdptr<wpsapi::TablesOfContents> tables;
    if (FAILED(document->get_TablesOfContents(&tables)) || !tables) return;
    long count = 0;
    if (FAILED(tables->get_Count(&count))) return;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::TableOfContents> table;
        kfc::ks_stdptr<wpsapi::Range> table_range;
        long start = 0;
        long end = 0;
        if (FAILED(tables->Item(i, &table)) || !table) return;
        if (FAILED(table->get_Range(&table_range)) || !table_range) return;
        if (!read_bounds(table_range, &start, &end)) return;
        // Only tables of contents that end at or before the range's start are
        // passed over; one after the range is still taken whole.
        if (check_start >= end) continue;
        kfc::ks_stdptr<wpsapi::Sentences> sentences;
        long sentence_count = 0;
        if (FAILED(table_range->get_Sentences(&sentences)) || !sentences) return;
        if (FAILED(sentences->get_Count(&sentence_count))) return;
        for (long j = 1; j <= sentence_count; ++j) {
            kfc::ks_stdptr<wpsapi::Range> sentence;
            check_range_threadsafe_t piece;
            long sentence_start = 0;
            long sentence_end = 0;
            if (FAILED(sentences->Item(j, &sentence)) || !sentence) return;
            if (!read_bounds(sentence, &sentence_start, &sentence_end)) return;
            if (!velmo_range_text(sentence, piece.text)) return;
            piece.start = sentence_start;
            piece.end = sentence_end;
            contents_pieces.append(piece);
        }
    }
}

void velmo_thread_check::init_range_threadsafe() {
    if (!range) return;
    kfc::ks_stdptr<wpsapi::Paragraphs> paragraphs;
    long count = 0;
    if (FAILED(range->get_Paragraphs(&paragraphs)) || !paragraphs) return;
    if (FAILED(paragraphs->get_Count(&count))) return;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Paragraph> paragraph;
        if (FAILED(paragraphs->Item(i, &paragraph)) || !paragraph) return;
        init_paragraph_threadsafe(paragraph);
    }
}

void velmo_thread_check::init_paragraph_threadsafe(kfc::ks_stdptr<wpsapi::Paragraph>& paragraph) {
    kfc::ks_stdptr<wpsapi::Range> paragraph_range;
    long start = 0;
    if (FAILED(paragraph->get_Range(&paragraph_range)) || !paragraph_range) return;
    if (FAILED(paragraph_range->get_Start(&start))) return;
    if (in_tables_of_contents_threadsafe(start)) return;
    const int start_key = static_cast<int>(start);
    if (paragraph_starts.contains(start_key)) return;
    paragraph_starts.insert(start_key);
    long end = 0;
    if (SUCCEEDED(paragraph_range->get_End(&end))) paragraph_ends.insert(start_key, end);
    init_shape_threadsafe(paragraph_range);
}

// A piece's end is the first position after it: the paragraph that starts
// there follows the table of contents and is ordinary text.
bool velmo_thread_check::in_tables_of_contents_threadsafe(long position) const {
    for (const check_range_threadsafe_t& piece : contents_pieces) {
        if (piece.start <= position && position < piece.end) return true;
    }
    return false;
}

void velmo_thread_check::init_shape_threadsafe(kfc::ks_stdptr<wpsapi::Range>& stretch) {
    kfc::ks_stdptr<wpsapi::InlineShapes> shapes;
    long count = 0;
    if (FAILED(stretch->get_InlineShapes(&shapes)) || !shapes) return;
    if (FAILED(shapes->get_Count(&count))) return;
    if (count == 0) {
        init_any_range_threadsafe(stretch);
        return;
    }
    long start = 0;
    long end = 0;
    if (!read_bounds(stretch, &start, &end)) return;
    long cursor = start;
    kfc::ks_stdptr<wpsapi::Range> shape_range;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::InlineShape> shape;
        shape_range.clear();
        long shape_start = 0;
        long shape_end = 0;
        if (FAILED(shapes->Item(i, &shape)) || !shape) return;
        if (FAILED(shape->get_Range(&shape_range)) || !shape_range) return;
        if (!read_bounds(shape_range, &shape_start, &shape_end)) return;
        // The text before the shape; the shape itself is no text to check.
        if (!set_bounds(shape_range, cursor, shape_start)) return;
        init_any_range_threadsafe(shape_range);
        cursor = shape_end;
    }
    if (!set_bounds(shape_range, cursor, end)) return;
    init_any_range_threadsafe(shape_range);
}

void velmo_thread_check::init_any_range_threadsafe(kfc::ks_stdptr<wpsapi::Range>& stretch) {
    long start = 0;
    long end = 0;
    if (!read_bounds(stretch, &start, &end)) return;
    kfc::ks_stdptr<wpsapi::Tables> tables;
    long count = 0;
    if (FAILED(stretch->get_Tables(&tables)) || !tables || FAILED(tables->get_Count(&count))) {
        init_only_range_anyway_threadsafe(stretch);
        return;
    }
    long cursor = start;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Table> table;
        kfc::ks_stdptr<wpsapi::Range> table_range;
        long table_start = 0;
        long table_end = 0;
        if (FAILED(tables->Item(i, &table)) || !table) return;
        if (FAILED(table->get_Range(&table_range)) || !table_range) return;
        if (!read_bounds(table_range, &table_start, &table_end)) return;
        if (!set_bounds(stretch, cursor, table_start)) return;
        init_only_range_anyway_threadsafe(stretch);
        cursor = table_end;
        init_single_table_threadsafe(table);
    }
    if (!set_bounds(stretch, cursor, end)) return;
    init_only_range_anyway_threadsafe(stretch);
}

void velmo_thread_check::init_single_table_threadsafe(kfc::ks_stdptr<wpsapi::Table>& table) {
    kfc::ks_stdptr<wpsapi::Range> table_range;
    long start = 0;
    if (FAILED(table->get_Range(&table_range)) || !table_range) return;
    if (FAILED(table_range->get_Start(&start))) return;
    const int start_key = static_cast<int>(start);
    if (table_starts.contains(start_key)) return;
    table_starts.insert(start_key);
    kfc::ks_stdptr<wpsapi::Cells> cells;
    long count = 0;
    if (FAILED(table_range->get_Cells(&cells)) || !cells) return;
    if (FAILED(cells->get_Count(&count))) return;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Cell> cell;
        kfc::ks_stdptr<wpsapi::Range> cell_range;
        if (FAILED(cells->Item(i, &cell)) || !cell) return;
        if (FAILED(cell->get_Range(&cell_range)) || !cell_range) return;
        init_single_range_threadsafe(cell_range);
    }
}

void velmo_thread_check::init_only_range_anyway_threadsafe(kfc::ks_stdptr<wpsapi::Range>& stretch) {
    init_sentence_range_threadsafe(stretch);
}

void velmo_thread_check::init_sentence_range_threadsafe(kfc::ks_stdptr<wpsapi::Range>& stretch) {
    long start = 0;
    long end = 0;
    if (!read_bounds(stretch, &start, &end)) return;
    const long length = piece_length_for_cutting();
    if (start >= end) return;
    long cursor = start;
    while (cursor < end) {
        const long window_end = qMin(cursor + length, end);
        QString window;
        if (!set_bounds(stretch, cursor, window_end)) return;
        if (!velmo_range_text(stretch, window)) return;
        const int cut = cut_after_last_cut_point(window);
        long piece_end = window_end;
        if (cut > 0)
            piece_end = qMin(cursor + cut, window_end);
        else if (window_end < end)
            piece_end = cursor + cut_without_cut_point(window);
        if (piece_end == window_end) {
            // Mostly a whole stretch ending in its separator: the text just
            // read is the piece's own, so it is not read a second time.
            append_piece_threadsafe(stretch, window);
        } else {
            if (!set_bounds(stretch, cursor, piece_end)) return;
            init_single_range_threadsafe(stretch);
        }
        cursor = piece_end;
    }
}

void velmo_thread_check::init_single_range_threadsafe(kfc::ks_stdptr<wpsapi::Range>& piece_range) {
    QString text;
    if (!velmo_range_text(piece_range, text)) return;
    append_piece_threadsafe(piece_range, text);
}

// The bounds are read back from the host, so that they are exactly those of
// the text, whatever the host made of the bounds it was given.
void velmo_thread_check::append_piece_threadsafe(kfc::ks_stdptr<wpsapi::Range>& piece_range,
                                                 const QString& text) {
    check_range_threadsafe_t piece;
    long start = 0;
    long end = 0;
    if (!read_bounds(piece_range, &start, &end)) return;
    piece.start = start;
    piece.end = end;
    piece.text = text;
    pieces.append(piece);
}
