// The Writer host's document object model as plug-ins see it: application,
// documents, ranges, the selection, find, bookmarks and the structural
// collections (paragraphs, tables, cells, inline shapes, tables of contents,
// sentences). Exported by libwpsapi.so. The interfaces themselves are
// generated from the interface table (platform/wps/abi/interfaces.txt).
//
// Conventions shared by every interface here:
// - methods return HRESULT, negative on failure; out pointers receive a new
//   reference (objects) or a new string (BSTR) that the caller releases/frees;
// - positions are UTF-16 unit offsets in the document's main text (`long`,
//   64 bits); the main text always ends with a paragraph mark (13);
// - collections are 1-based: Item(1) .. Item(Count);
// - optional VARIANT* arguments may be null, empty or the omitted marker
//   (VT_ERROR 0x80020004).
// How the simulated host behaves in detail is described in wps_sim.h.
#ifndef WPS_WPSAPI_H
#define WPS_WPSAPI_H

#include "kfc.h"
#include "ksoapi.h"

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
    wdActiveEndPageNumber = 3,  // page counted from the start of the document
    wdNumberOfPagesInDocument = 4,
    wdFirstCharacterLineNumber = 10,  // line on its page of the first character
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

}  // namespace wpsapi

#include "wps_interfaces_wpsapi.h"

namespace wpsapi {
// Bookmark names longer than this are refused.
constexpr int wdMaxBookmarkNameLength = 255;
}  // namespace wpsapi

#endif  // WPS_WPSAPI_H
