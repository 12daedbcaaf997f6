// The text of a .docx outside its main body: headers, footers, footnotes,
// endnotes, comments and text boxes. The host's document holds the main body
// only; these are kept beside it so that a program can say what was not
// checked, or check them itself.
#ifndef DOCX_STORIES_H
#define DOCX_STORIES_H

#include <QString>
#include <vector>

#include "docx_package.h"

// libxml2's parsed document (host programs need not see libxml2's headers).
typedef struct _xmlDoc xmlDoc;

struct docx_story {
    enum kind_t { header, footer, footnote, endnote, comment, text_box } kind;
    QString part;  // the part it is in
    QString text;  // paragraphs separated by "\r"
};

// Every story with text, in the order of the kinds, then of the package:
// one per header or footer part, per footnote, endnote and comment, and per
// text box of the main part (`main`, the parsed main part).
std::vector<docx_story> docx_read_stories(const docx_package& package, xmlDoc* main);

// Number of characters of a story's text, paragraph breaks left out.
int docx_story_chars(const docx_story& story);

#endif
