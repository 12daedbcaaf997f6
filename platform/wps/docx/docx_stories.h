// The text of a .docx outside its main body: headers, footers, footnotes,
// endnotes, comments and text boxes. The host's document holds the main body
// only; these are kept beside it so that a program can check them as
// documents of their own (docx_open_story) or say what was not checked.
#ifndef DOCX_STORIES_H
#define DOCX_STORIES_H

#include <QString>
#include <vector>

#include "docx_package.h"

// libxml2's parsed document (host programs need not see libxml2's headers).
typedef struct _xmlDoc xmlDoc;
typedef struct _xmlNode xmlNode;

struct docx_story {
    enum kind_t { header, footer, footnote, endnote, comment, text_box } kind;
    QString part;   // the part it is in
    int index = 0;  // its root's place in docx_story_roots of its part and kind
    QString text;   // paragraphs separated by "\r"
};

// The elements that hold the stories of a kind in a parsed part, in the
// order of the part: the root of a header or footer part, each footnote,
// endnote or comment (separators and continuation notices left out), each
// text box (what stands in for alternate content left out).
std::vector<xmlNode*> docx_story_roots(xmlDoc* part, docx_story::kind_t kind);

// Every story with text, in the order of the kinds, then of the package:
// one per header or footer part, per footnote, endnote and comment, and per
// text box of the main part (`main`, the parsed main part).
std::vector<docx_story> docx_read_stories(const docx_package& package, xmlDoc* main);

// Number of characters of a story's text, paragraph breaks left out.
int docx_story_chars(const docx_story& story);

#endif
