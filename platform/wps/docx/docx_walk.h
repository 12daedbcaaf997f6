// The main text of a WordprocessingML body as a word processor counts it:
// paragraphs ending with a paragraph mark (13), table cells with a cell mark
// (7; further paragraphs of a cell are joined by a line break, 11), inline
// images one character (1), field codes and deleted text left out. Every
// character is tied to the XML node it comes from, so that the writer can
// change the document in place; the blocks say how to build the same text in
// the simulated host (a paragraph between two tables that has no XML of its
// own, as the host inserts one there, is a "virtual" mark).
#ifndef DOCX_WALK_H
#define DOCX_WALK_H

#include <libxml/tree.h>

#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

enum class docx_atom_kind {
    text,            // a character of a w:t
    tab,             // w:tab, w:ptab
    symbol,          // another one-character element of a run: w:br, w:cr, w:sym, hyphens
    shape,           // an inline image or object
    paragraph_end,   // the mark of a paragraph (node: the w:p)
    cell_paragraph,  // the end of a paragraph inside a cell that is not its last (node: the w:p)
    cell_end,        // the mark of a cell (node: its last w:p, or the w:tc when it has none)
    virtual_mark,    // a paragraph the host adds after a table (node: that w:tbl)
};

struct docx_atom {
    docx_atom_kind kind;
    xmlNode* node;
    xmlNode* run;    // the w:r holding a text, tab, break or shape
    int offset = 0;  // text: UTF-16 offset inside the w:t
};

struct docx_bookmark_ref {
    QString name;
    int64_t start = 0;
    int64_t end = -1;  // -1 while the end is missing
    xmlNode* start_node = nullptr;
    xmlNode* end_node = nullptr;
};

struct docx_block {
    enum kind_t { paragraph, table, contents, section } kind;
    QStringList texts;  // one paragraph; the cells of a table; the entries of a contents table
    int restart = 0;    // section: the first printed page number (0: continue)
};

struct docx_layout {
    std::u16string text;
    std::vector<docx_atom> atoms;              // one per character of `text`
    std::vector<int> highlight;                // colour index per character
    std::vector<docx_bookmark_ref> bookmarks;  // those with both ends, in start order
    std::vector<docx_block> blocks;
    int chars_per_line = 40;
    int lines_per_page = 40;
    QSet<QString> bookmark_ids;  // every w:id of a bookmark element
};

// True for the paragraph, cell and image marks (13, 7, 1): what a .docx
// cannot have added or removed when it is written back in place.
bool docx_is_hard_mark(char16_t c);
// True for the characters that a text edit may remove (text, tabs, breaks).
bool docx_atom_editable(docx_atom_kind kind);
// True for the characters that live inside a run.
bool docx_atom_in_run(docx_atom_kind kind);

// Walks the document element of a main document part. False with `error`
// set when it is not a WordprocessingML document with a body. Without
// `blocks` the paragraphs' blocks are left out (tables and sections are
// still listed), which large documents need far less memory for.
bool docx_walk(xmlDoc* doc, docx_layout& layout, QString& error, bool blocks = true);
// Walks the blocks inside another element as a body: a story's root (a
// header, a note, a comment, a text box).
void docx_walk_container(xmlNode* container, docx_layout& layout, bool blocks = true);

#endif
