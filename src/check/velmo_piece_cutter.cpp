// Cutting the check range into pieces on the GUI thread, and counting what
// the host would not give.
#include "check/velmo_piece_cutter.h"

#include <QCoreApplication>

#include "config/velmo_config_values.h"
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

void velmo_piece_cutter::cut(kfc::ks_stdptr<wpsapi::Range>& range, qint64 start, qint64 end) {
    cut(range, start, end, velmo_config_piece_length());
}

void velmo_piece_cutter::cut(kfc::ks_stdptr<wpsapi::Range>& range, qint64 start, qint64 end,
                             int length) {
    *this = velmo_piece_cutter();
    check_start = start;
    check_end = end;
    // A length below 1 would never advance the cut.
    piece_length = qMax(length, 1);
    if (!range) return;
    cut_tables_of_contents();
    cut_paragraphs(range);
    join_paragraphs();
}

void velmo_piece_cutter::cut(kfc::ks_stdptr<wpsapi::Range>& range) {
    long start = 0;
    long end = 0;
    if (range && !read_bounds(range, &start, &end)) start = end = 0;
    cut(range, start, end);
}

const QList<check_range_threadsafe_t>& velmo_piece_cutter::pieces() const { return ordinary; }

const QList<check_range_threadsafe_t>& velmo_piece_cutter::contents_pieces() const {
    return contents;
}

const QList<velmo_unread_stretch_t>& velmo_piece_cutter::unread() const { return unread_stretches; }

// Only what lies inside the check range counts. The reason names the
// characters, so that the user knows which text to look at.
void velmo_piece_cutter::count_unread(qint64 start, qint64 end) {
    start = qMax(start, check_start);
    end = qMin(end, check_end);
    if (start >= end) return;
    velmo_unread_stretch_t stretch;
    stretch.start = start;
    stretch.end = end;
    stretch.reason = QCoreApplication::translate("velmo_piece_cutter", "文档第%1至%2个字符无法读取")
                         .arg(start + 1)
                         .arg(end);
    unread_stretches.append(stretch);
}

// A table of contents that cannot be read is no loss: its paragraphs not
// among the contents pieces are cut as ordinary text.
void velmo_piece_cutter::cut_tables_of_contents() {
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
            contents.append(piece);
        }
    }
}

// A paragraph whose bounds cannot be read leaves the rest of the range
// unread: where the next paragraph starts is not known.
void velmo_piece_cutter::cut_paragraphs(kfc::ks_stdptr<wpsapi::Range>& range) {
    qint64 reached = check_start;
    kfc::ks_stdptr<wpsapi::Paragraphs> paragraphs;
    long count = 0;
    if (FAILED(range->get_Paragraphs(&paragraphs)) || !paragraphs ||
        FAILED(paragraphs->get_Count(&count))) {
        count_unread(reached, check_end);
        return;
    }
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Paragraph> paragraph;
        if (FAILED(paragraphs->Item(i, &paragraph)) || !paragraph ||
            !cut_paragraph(paragraph, &reached)) {
            count_unread(reached, check_end);
            return;
        }
    }
}

bool velmo_piece_cutter::cut_paragraph(kfc::ks_stdptr<wpsapi::Paragraph>& paragraph,
                                       qint64* reached) {
    kfc::ks_stdptr<wpsapi::Range> paragraph_range;
    long start = 0;
    long end = 0;
    if (FAILED(paragraph->get_Range(&paragraph_range)) || !paragraph_range ||
        !read_bounds(paragraph_range, &start, &end))
        return false;
    *reached = qMax(*reached, static_cast<qint64>(end));
    if (in_tables_of_contents(start)) return true;
    const int start_key = static_cast<int>(start);
    if (paragraph_starts.contains(start_key)) return true;
    paragraph_starts.insert(start_key);
    paragraph_ends.insert(start_key, end);
    cut_around_shapes(paragraph_range, start, end);
    return true;
}

// A piece's end is the first position after it: the paragraph that starts
// there follows the table of contents and is ordinary text.
bool velmo_piece_cutter::in_tables_of_contents(long position) const {
    for (const check_range_threadsafe_t& piece : contents) {
        if (piece.start <= position && position < piece.end) return true;
    }
    return false;
}

void velmo_piece_cutter::cut_around_shapes(kfc::ks_stdptr<wpsapi::Range>& stretch, long start,
                                           long end) {
    kfc::ks_stdptr<wpsapi::InlineShapes> shapes;
    long count = 0;
    if (FAILED(stretch->get_InlineShapes(&shapes)) || !shapes || FAILED(shapes->get_Count(&count)))
        return count_unread(start, end);
    if (count == 0) return cut_around_tables(stretch, start, end);
    long cursor = start;
    kfc::ks_stdptr<wpsapi::Range> shape_range;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::InlineShape> shape;
        kfc::ks_stdptr<wpsapi::Range> next_range;
        long shape_start = 0;
        long shape_end = 0;
        if (FAILED(shapes->Item(i, &shape)) || !shape || FAILED(shape->get_Range(&next_range)) ||
            !next_range || !read_bounds(next_range, &shape_start, &shape_end))
            return count_unread(cursor, end);
        shape_range = next_range;
        // The text before the shape; the shape itself is no text to check.
        if (!set_bounds(shape_range, cursor, shape_start)) return count_unread(cursor, end);
        cut_around_tables(shape_range, cursor, shape_start);
        cursor = shape_end;
    }
    if (!set_bounds(shape_range, cursor, end)) return count_unread(cursor, end);
    cut_around_tables(shape_range, cursor, end);
}

void velmo_piece_cutter::cut_around_tables(kfc::ks_stdptr<wpsapi::Range>& stretch, long start,
                                           long end) {
    if (!read_bounds(stretch, &start, &end)) return count_unread(start, end);
    kfc::ks_stdptr<wpsapi::Tables> tables;
    long count = 0;
    if (FAILED(stretch->get_Tables(&tables)) || !tables || FAILED(tables->get_Count(&count)))
        return cut_sentences(stretch, start, end);
    long cursor = start;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Table> table;
        kfc::ks_stdptr<wpsapi::Range> table_range;
        long table_start = 0;
        long table_end = 0;
        if (FAILED(tables->Item(i, &table)) || !table || FAILED(table->get_Range(&table_range)) ||
            !table_range || !read_bounds(table_range, &table_start, &table_end) ||
            !set_bounds(stretch, cursor, table_start))
            return count_unread(cursor, end);
        cut_sentences(stretch, cursor, table_start);
        cursor = table_end;
        cut_table(table, table_start, table_end);
    }
    if (!set_bounds(stretch, cursor, end)) return count_unread(cursor, end);
    cut_sentences(stretch, cursor, end);
}

void velmo_piece_cutter::cut_table(kfc::ks_stdptr<wpsapi::Table>& table, long start, long end) {
    kfc::ks_stdptr<wpsapi::Range> table_range;
    long table_start = 0;
    if (FAILED(table->get_Range(&table_range)) || !table_range ||
        FAILED(table_range->get_Start(&table_start)))
        return count_unread(start, end);
    const int start_key = static_cast<int>(table_start);
    if (table_starts.contains(start_key)) return;
    table_starts.insert(start_key);
    kfc::ks_stdptr<wpsapi::Cells> cells;
    long count = 0;
    if (FAILED(table_range->get_Cells(&cells)) || !cells || FAILED(cells->get_Count(&count)))
        return count_unread(start, end);
    long reached = start;
    for (long i = 1; i <= count; ++i) {
        kfc::ks_stdptr<wpsapi::Cell> cell;
        kfc::ks_stdptr<wpsapi::Range> cell_range;
        long cell_start = 0;
        long cell_end = 0;
        if (FAILED(cells->Item(i, &cell)) || !cell || FAILED(cell->get_Range(&cell_range)) ||
            !cell_range || !read_bounds(cell_range, &cell_start, &cell_end))
            return count_unread(reached, end);
        take_whole(cell_range, cell_start, cell_end);
        reached = cell_end;
    }
}

void velmo_piece_cutter::cut_sentences(kfc::ks_stdptr<wpsapi::Range>& stretch, long start,
                                       long end) {
    if (!read_bounds(stretch, &start, &end)) return count_unread(start, end);
    if (start >= end) return;
    long cursor = start;
    while (cursor < end) {
        const long window_end = qMin(cursor + piece_length, end);
        QString window;
        if (!set_bounds(stretch, cursor, window_end) || !velmo_range_text(stretch, window))
            return count_unread(cursor, end);
        const int cut = cut_after_last_cut_point(window);
        long piece_end = window_end;
        if (cut > 0)
            piece_end = qMin(cursor + cut, window_end);
        else if (window_end < end)
            piece_end = qMin<long>(cursor + cut_without_cut_point(window), window_end);
        // A host that reads no text for the window (hidden text, an object)
        // gives no cut: the window is taken whole, so that the cut moves on.
        if (piece_end <= cursor) piece_end = window_end;
        if (piece_end == window_end) {
            // Mostly a whole stretch ending in its separator: the text just
            // read is the piece's own, so it is not read a second time.
            append_piece(stretch, window, cursor, piece_end);
        } else {
            if (!set_bounds(stretch, cursor, piece_end)) return count_unread(cursor, end);
            take_whole(stretch, cursor, piece_end);
        }
        cursor = piece_end;
    }
}

void velmo_piece_cutter::take_whole(kfc::ks_stdptr<wpsapi::Range>& piece_range, long start,
                                    long end) {
    QString text;
    if (!velmo_range_text(piece_range, text)) return count_unread(start, end);
    append_piece(piece_range, text, start, end);
}

// The bounds are read back from the host, so that they are exactly those of
// the text, whatever the host made of the bounds it was given.
void velmo_piece_cutter::append_piece(kfc::ks_stdptr<wpsapi::Range>& piece_range,
                                      const QString& text, long start, long end) {
    check_range_threadsafe_t piece;
    long piece_start = 0;
    long piece_end = 0;
    if (!read_bounds(piece_range, &piece_start, &piece_end)) return count_unread(start, end);
    piece.start = piece_start;
    piece.end = piece_end;
    piece.text = text;
    ordinary.append(piece);
}
