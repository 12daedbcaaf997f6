// The Writer host's document object model as plug-ins see it: application,
// documents, ranges, the selection, find, bookmarks and the structural
// collections (paragraphs, tables, cells, inline shapes, tables of contents,
// sentences). Exported by libwpsapi.so.
//
// Conventions shared by every interface here:
// - methods return HRESULT, negative on failure; out pointers receive a new
//   reference (objects) or a new string (BSTR) that the caller releases/frees;
// - positions are UTF-16 unit offsets in the document's main text (`long`,
//   64 bits); the main text always ends with a paragraph mark (13);
// - collections are 1-based: Item(1) .. Item(Count); another index gives
//   DISP_E_BADINDEX;
// - optional VARIANT* arguments may be null, empty or the omitted marker
//   (VT_ERROR 0x80020004);
// - an object whose document was closed, or a bookmark that was deleted,
//   answers E_OBJECT_GONE.
#ifndef WPS_WPSAPI_H
#define WPS_WPSAPI_H

#include "kfc.h"

namespace ksoapi {
struct _CommandBars;
}

namespace wpsapi {

// Characters with a structural meaning in the main text.
constexpr WCHAR wdParagraphMark = 13;   // ends a paragraph
constexpr WCHAR wdCellMark = 7;         // ends a table cell (and its paragraph)
constexpr WCHAR wdInlineShapeMark = 1;  // stands for one inline shape

// Highlight colour indexes.
enum WdColorIndex : int32_t {
    wdByAuthor = -1,
    wdAuto = 0,
    wdNoHighlight = 0,
    wdBlack = 1,
    wdBlue = 2,
    wdTurquoise = 3,
    wdBrightGreen = 4,
    wdPink = 5,
    wdRed = 6,
    wdYellow = 7,
    wdWhite = 8,
    wdDarkBlue = 9,
    wdTeal = 10,
    wdGreen = 11,
    wdViolet = 12,
    wdDarkRed = 13,
    wdDarkYellow = 14,
    wdGray50 = 15,
    wdGray25 = 16,
};

enum WdConstants : int32_t {
    // Read back from a property whose value differs over the range (for
    // example the highlight of characters with different colours).
    wdUndefined = 9999999,
};

// Selection/Range Information codes.
enum WdInformation : int32_t {
    wdActiveEndAdjustedPageNumber = 1,  // page number as printed (section restarts applied)
    wdActiveEndSectionNumber = 2,
    wdActiveEndPageNumber = 3,          // page counted from the start of the document
    wdNumberOfPagesInDocument = 4,
    wdFirstCharacterLineNumber = 10,    // line on its page of the first character
    wdWithInTable = 12,
};

// Document statistics codes.
enum WdStatistic : int32_t {
    wdStatisticWords = 0,
    wdStatisticLines = 1,
    wdStatisticPages = 2,
    wdStatisticCharacters = 3,
    wdStatisticParagraphs = 4,
    wdStatisticCharactersWithSpaces = 5,
    wdStatisticFarEastCharacters = 6,
};

enum WdFindWrap : int32_t {
    wdFindStop = 0,
    wdFindContinue = 1,
    wdFindAsk = 2,
};

enum WdSaveOptions : int32_t {
    wdDoNotSaveChanges = 0,
    wdSaveChanges = -1,
    wdPromptToSaveChanges = -2,
};

struct _Application;
struct Documents;
struct _Document;
struct Range;
struct Selection;
struct Find;
struct Bookmarks;
struct Bookmark;
struct Paragraphs;
struct Paragraph;
struct Tables;
struct Table;
struct Cells;
struct Cell;
struct InlineShapes;
struct InlineShape;
struct TablesOfContents;
struct TableOfContents;
struct Sentences;

using Application = _Application;
using Document = _Document;

#define WPSAPI_IID(n) {0x6E7A1000u + (n), 0x5703, 0x4A11, {0x9B, 0x20, 0x31, 0x57, 0x70, 0x73, 0x61, 0x70}}

// The application object handed to InitializeWpsPlugins.
struct _Application : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(1);
    // Fails (E_FAIL) when no document is open.
    virtual HRESULT get_ActiveDocument(Document** result) = 0;
    // The selection of the active document; fails when no document is open.
    virtual HRESULT get_Selection(Selection** result) = 0;
    virtual HRESULT get_Documents(Documents** result) = 0;
    // Version text such as "11.1.0.9999".
    virtual HRESULT get_Version(BSTR* result) = 0;
    virtual HRESULT get_Name(BSTR* result) = 0;
    virtual HRESULT get_CommandBars(ksoapi::_CommandBars** result) = 0;

protected:
    ~_Application() = default;
};

// The open documents, in opening order.
struct Documents : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(2);
    virtual HRESULT get_Count(long* result) = 0;
    // `index`: a 1-based number (i4 or i8) or a document name (BSTR).
    virtual HRESULT Item(VARIANT* index, Document** result) = 0;
    // A new empty document, which becomes the active one.
    virtual HRESULT Add(Document** result) = 0;

protected:
    ~Documents() = default;
};

struct _Document : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(3);
    // File name, e.g. "report.txt" (a new document: "文档1" and so on).
    virtual HRESULT get_Name(BSTR* result) = 0;
    // Directory of the file; empty when the document was never saved.
    virtual HRESULT get_Path(BSTR* result) = 0;
    virtual HRESULT get_FullName(BSTR* result) = 0;
    // False after a change that was not saved.
    virtual HRESULT get_Saved(VARIANT_BOOL* result) = 0;
    // The whole main text, from 0 to the end of the last paragraph mark.
    virtual HRESULT get_Content(wpsapi::Range** result) = 0;
    // The range between two positions (i4 or i8 variants; omitted start: 0,
    // omitted end: the start). Positions are clamped to the main text.
    virtual HRESULT Range(VARIANT* start, VARIANT* end, wpsapi::Range** result) = 0;
    virtual HRESULT get_Bookmarks(Bookmarks** result) = 0;
    virtual HRESULT get_Paragraphs(Paragraphs** result) = 0;
    virtual HRESULT get_Tables(Tables** result) = 0;
    virtual HRESULT get_InlineShapes(InlineShapes** result) = 0;
    virtual HRESULT get_TablesOfContents(TablesOfContents** result) = 0;
    virtual HRESULT get_Sentences(Sentences** result) = 0;
    // Writes the document to Path/Name. Fails for a document without a path.
    virtual HRESULT Save() = 0;
    // `save_changes`: a WdSaveOptions value (omitted: do not save). Format and
    // route are accepted and ignored. The document leaves the collection;
    // the next remaining one becomes active.
    virtual HRESULT Close(VARIANT* save_changes, VARIANT* original_format,
                          VARIANT* route_document) = 0;
    virtual HRESULT Activate() = 0;
    // `include_footnotes_and_endnotes` is accepted and ignored (the model has
    // no notes). Characters count code points; paragraph marks, cell marks
    // and inline shapes are not characters.
    virtual HRESULT ComputeStatistics(WdStatistic statistic,
                                      VARIANT* include_footnotes_and_endnotes,
                                      long* result) = 0;

protected:
    ~_Document() = default;
};

// A stretch of the main text. A range follows edits made elsewhere in the
// document the same way a bookmark does.
struct Range : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(4);
    virtual HRESULT get_Text(BSTR* result) = 0;
    // Replaces the range's text; the range then spans the new text. The
    // document's last paragraph mark is never removed. Bookmarks move: those
    // after the range shift, one that contains the range grows or shrinks,
    // one inside a removed stretch collapses. New text takes the highlight
    // of the first replaced character (none for a pure insertion).
    virtual HRESULT put_Text(BSTR text) = 0;
    virtual HRESULT get_Start(long* result) = 0;
    // Clamped to 0..story end; a start after the end moves the end too.
    virtual HRESULT put_Start(long start) = 0;
    virtual HRESULT get_End(long* result) = 0;
    // Clamped to 0..story end; an end before the start moves the start too.
    virtual HRESULT put_End(long end) = 0;
    virtual HRESULT SetRange(long start, long end) = 0;
    virtual HRESULT get_Document(Document** result) = 0;
    // The bookmarks lying wholly inside the range, by start position.
    virtual HRESULT get_Bookmarks(Bookmarks** result) = 0;
    // wdUndefined when the characters differ; an empty range reads the
    // character at its start (wdNoHighlight at the end of the text).
    virtual HRESULT get_HighlightColorIndex(WdColorIndex* result) = 0;
    // Colours every character of the range (no effect on an empty range).
    virtual HRESULT put_HighlightColorIndex(WdColorIndex index) = 0;
    // Makes the selection of the document span this range.
    virtual HRESULT Select() = 0;
    // Paragraphs, sentences, tables and cells that overlap the range (an
    // empty range: those holding its position).
    virtual HRESULT get_Paragraphs(Paragraphs** result) = 0;
    virtual HRESULT get_Sentences(Sentences** result) = 0;
    virtual HRESULT get_Tables(Tables** result) = 0;
    // Fails (E_FAIL) when the range overlaps no table cell.
    virtual HRESULT get_Cells(Cells** result) = 0;
    // Inline shapes whose character lies inside the range.
    virtual HRESULT get_InlineShapes(InlineShapes** result) = 0;
    // Same codes as Selection::get_Information.
    virtual HRESULT get_Information(WdInformation type, VARIANT* result) = 0;

protected:
    ~Range() = default;
};

struct Selection : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(5);
    virtual HRESULT get_Start(long* result) = 0;
    virtual HRESULT put_Start(long start) = 0;
    virtual HRESULT get_End(long* result) = 0;
    virtual HRESULT put_End(long end) = 0;
    virtual HRESULT SetRange(long start, long end) = 0;
    virtual HRESULT get_Text(BSTR* result) = 0;
    virtual HRESULT put_Text(BSTR text) = 0;
    // A new range over the selected stretch.
    virtual HRESULT get_Range(Range** result) = 0;
    virtual HRESULT get_Find(Find** result) = 0;
    virtual HRESULT get_Sentences(Sentences** result) = 0;
    virtual HRESULT get_Document(Document** result) = 0;
    // i4 variant. Page numbers (1, 3) are those of the last selected
    // character (of the insertion point when the selection is empty); the
    // line number (10) is that of the first character, counted from 1 at the
    // top of its page. Layout: a fixed grid of characters per line and lines
    // per page; every paragraph starts a new line, every section a new page.
    virtual HRESULT get_Information(WdInformation type, VARIANT* result) = 0;

protected:
    ~Selection() = default;
};

// Find of the selection.
struct Find : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(6);
    virtual HRESULT ClearFormatting() = 0;
    // Looks for `find_text` (BSTR). Forward (the default) searches from the
    // selection's start, or from its end when the selection is the previous
    // match of this find, to the end of the main text; backward searches
    // before the selection's start. Wrap wdFindStop (default) stops at the
    // end of the text, wdFindContinue/wdFindAsk go round once. On a match
    // the selection moves onto it and *found is VARIANT_TRUE; otherwise the
    // selection stays. An empty find text never matches. Match case and
    // whole word are booleans (omitted: false); a whole word is not
    // preceded or followed by a letter or digit (Han, kana and hangul are
    // not word characters). Wildcards, sounds-like, word forms, replace and
    // the script options are accepted and ignored; `format` true fails.
    virtual HRESULT Execute(VARIANT* find_text, VARIANT* match_case, VARIANT* match_whole_word,
                            VARIANT* match_wildcards, VARIANT* match_sounds_like,
                            VARIANT* match_all_word_forms, VARIANT* forward, VARIANT* wrap,
                            VARIANT* format, VARIANT* replace_with, VARIANT* replace,
                            VARIANT* match_kashida, VARIANT* match_diacritics,
                            VARIANT* match_alef_hamza, VARIANT* match_control,
                            VARIANT_BOOL* found) = 0;

protected:
    ~Find() = default;
};

// Bookmark names: a name is refused (Add fails with E_INVALIDARG) when it is
// empty, longer than 255 UTF-16 units, or holds white space or a control
// character (below 32, 127, or Unicode category Cc/Cf). Names compare
// exactly (case-sensitive). Adding a name that already exists moves that
// bookmark to the new range.
constexpr int wdMaxBookmarkNameLength = 255;

struct Bookmarks : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(7);
    virtual HRESULT get_Count(long* result) = 0;
    // `index`: 1-based number (i4 or i8), in start-position order, or a name
    // (BSTR).
    virtual HRESULT Item(VARIANT* index, Bookmark** result) = 0;
    // `range`: an object variant holding a Range (or the Selection).
    virtual HRESULT Add(BSTR name, VARIANT* range, Bookmark** result) = 0;
    virtual HRESULT Exists(BSTR name, VARIANT_BOOL* result) = 0;

protected:
    ~Bookmarks() = default;
};

struct Bookmark : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(8);
    virtual HRESULT get_Name(BSTR* result) = 0;
    virtual HRESULT get_Start(long* result) = 0;
    virtual HRESULT get_End(long* result) = 0;
    virtual HRESULT get_Empty(VARIANT_BOOL* result) = 0;
    virtual HRESULT get_Range(Range** result) = 0;
    virtual HRESULT Select() = 0;
    // Removes the bookmark (the text stays).
    virtual HRESULT Delete() = 0;

protected:
    ~Bookmark() = default;
};

struct Paragraphs : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(9);
    virtual HRESULT get_Count(long* result) = 0;
    virtual HRESULT Item(long index, Paragraph** result) = 0;
    virtual HRESULT get_First(Paragraph** result) = 0;
    virtual HRESULT get_Last(Paragraph** result) = 0;

protected:
    ~Paragraphs() = default;
};

// A paragraph's range runs to the end of its mark (13, or 7 in a table cell).
struct Paragraph : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(10);
    virtual HRESULT get_Range(Range** result) = 0;

protected:
    ~Paragraph() = default;
};

struct Tables : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(11);
    virtual HRESULT get_Count(long* result) = 0;
    virtual HRESULT Item(long index, Table** result) = 0;

protected:
    ~Tables() = default;
};

// A table's range runs from its first cell to the end of its last cell mark.
struct Table : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(12);
    virtual HRESULT get_Range(Range** result) = 0;

protected:
    ~Table() = default;
};

// Cells in reading order (row by row, left to right).
struct Cells : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(13);
    virtual HRESULT get_Count(long* result) = 0;
    virtual HRESULT Item(long index, Cell** result) = 0;

protected:
    ~Cells() = default;
};

// A cell's range includes its cell mark.
struct Cell : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(14);
    virtual HRESULT get_Range(Range** result) = 0;

protected:
    ~Cell() = default;
};

struct InlineShapes : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(15);
    virtual HRESULT get_Count(long* result) = 0;
    virtual HRESULT Item(long index, InlineShape** result) = 0;

protected:
    ~InlineShapes() = default;
};

// An inline shape is one character of the main text.
struct InlineShape : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(16);
    virtual HRESULT get_Range(Range** result) = 0;

protected:
    ~InlineShape() = default;
};

struct TablesOfContents : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(17);
    virtual HRESULT get_Count(long* result) = 0;
    virtual HRESULT Item(long index, TableOfContents** result) = 0;

protected:
    ~TablesOfContents() = default;
};

// A table of contents is a run of whole paragraphs.
struct TableOfContents : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(18);
    virtual HRESULT get_Range(Range** result) = 0;

protected:
    ~TableOfContents() = default;
};

// Sentences end after ".", "!", "?", "。", "！" or "？" and the white space
// that follows, or at the end of a paragraph (the mark belongs to the last
// sentence). Items are ranges.
struct Sentences : kfc::IDispatch {
    static constexpr IID iid = WPSAPI_IID(19);
    virtual HRESULT get_Count(long* result) = 0;
    virtual HRESULT Item(long index, Range** result) = 0;
    virtual HRESULT get_First(Range** result) = 0;
    virtual HRESULT get_Last(Range** result) = 0;

protected:
    ~Sentences() = default;
};

#undef WPSAPI_IID

}  // namespace wpsapi

#endif  // WPS_WPSAPI_H
