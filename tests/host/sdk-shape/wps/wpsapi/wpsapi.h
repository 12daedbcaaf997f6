// The Writer object model: Word's enums (without the characters the plug-in
// names itself), the objects handed out as coclasses Application and
// Document (incomplete classes), and the interfaces from the project's table.
#ifndef SDK_SHAPE_WPSAPI_H
#define SDK_SHAPE_WPSAPI_H

namespace wpsapi {

enum WdColorIndex {
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

enum WdConstants {
    wdUndefined = 9999999,
    wdToggle = 9999998,
    wdForward = 1073741823,
    wdBackward = -1073741823,
};

enum WdInformation {
    wdActiveEndAdjustedPageNumber = 1,
    wdActiveEndSectionNumber = 2,
    wdActiveEndPageNumber = 3,
    wdNumberOfPagesInDocument = 4,
    wdFirstCharacterLineNumber = 10,
    wdWithInTable = 12,
};

enum WdStatistic {
    wdStatisticWords = 0,
    wdStatisticLines = 1,
    wdStatisticPages = 2,
    wdStatisticCharacters = 3,
    wdStatisticParagraphs = 4,
    wdStatisticCharactersWithSpaces = 5,
    wdStatisticFarEastCharacters = 6,
};

enum WdFindWrap {
    wdFindStop = 0,
    wdFindContinue = 1,
    wdFindAsk = 2,
};

enum WdSaveOptions {
    wdDoNotSaveChanges = 0,
    wdSaveChanges = -1,
    wdPromptToSaveChanges = -2,
};

typedef interface _Application _Application;
typedef interface Documents Documents;
typedef interface _Document _Document;
typedef interface Range Range;
typedef interface Selection Selection;
typedef interface Find Find;
typedef interface Bookmarks Bookmarks;
typedef interface Bookmark Bookmark;
typedef interface Paragraphs Paragraphs;
typedef interface Paragraph Paragraph;
typedef interface Tables Tables;
typedef interface Table Table;
typedef interface Cells Cells;
typedef interface Cell Cell;
typedef interface InlineShapes InlineShapes;
typedef interface InlineShape InlineShape;
typedef interface TablesOfContents TablesOfContents;
typedef interface TableOfContents TableOfContents;
typedef interface Sentences Sentences;

// Coclasses: distinct types, declared but never defined.
class Application;
class Document;

}  // namespace wpsapi

#include "wps_interfaces_wpsapi.h"

#endif
