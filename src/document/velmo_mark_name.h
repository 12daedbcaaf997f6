// Error marks carry their whole record in the bookmark name. This module builds
// such names, reads them back and cleans the suggestion text stored in them.
#ifndef VELMO_DOCUMENT_VELMO_MARK_NAME_H
#define VELMO_DOCUMENT_VELMO_MARK_NAME_H

#include <QString>

#include "api/velmo_check_result.h"

// Prefixes of the bookmark names the plug-in owns.
extern const char* const VELMO_ERROR_MARK_PREFIX;  // "vmjd_error"
extern const char* const VELMO_FIND_MARK_PREFIX;   // "vmjd_find"
// Companion bookmarks that keep the author's own highlight of a marked range
// while an error mark colours it; not error or find marks.
extern const char* const VELMO_KEPT_HIGHLIGHT_PREFIX;  // "vmjd_keep"

// Suggestion text used when the host refuses the full name of an error mark,
// and the error text of the last fallback name.
QString velmo_mark_no_suggestion_text();
QString velmo_mark_fallback_error_text();

// True for error marks and find marks (names starting with either prefix).
bool velmo_mark_is_own(const QString& name);

// Number of characters an error mark spans: the error text, or the suggestion
// once the correction replaced the text in the document.
int velmo_mark_length(const velmo_check_result_t& record);

// Removes "<", ">", "[" and "]" from the suggestion; a suggestion that lost any
// of them becomes a hint and gets the "Velmo提示" prefix.
void velmo_mark_clean_suggestion(velmo_check_result_t& record);

// "vmjd_error_<level>_<span>_<error>_<suggestion>_<pos>". The texts are
// inserted as they are, except white space, control and format characters
// and "_", which are escaped so that the host takes the name and every text
// reads back whole. The overload takes the texts explicitly for the fallback
// names.
QString velmo_mark_error_name(const velmo_check_result_t& record);
QString velmo_mark_error_name(const velmo_check_result_t& record, const QString& err_word,
                              const QString& cor_word);

// "vmjd_find_<start>_<end>".
QString velmo_mark_find_name(long start, long end);

// True when the name reads back as an error mark (see below).
bool velmo_mark_is_error_name(const QString& name);

// Reads an error mark's name back into a record (pos is left as given: the
// caller takes it from the bookmark's current start). False when the name is
// not an error mark or splits into fewer than six parts. record.sound tells
// whether it decoded cleanly: exactly seven parts, numeric level, span 0 or
// 1 and position, a non-empty error text and only whole escapes.
bool velmo_mark_read_error_name(const QString& name, velmo_check_result_t& record);

// "vmjd_keep_<colour>_<start>_<serial>": the highlight colour index the
// author gave the range, where it started and a serial that keeps the name
// unique in the document.
QString velmo_mark_kept_highlight_name(int color, long start, int serial);
// The colour of a kept-highlight name; -1 when the name is not one.
int velmo_mark_read_kept_highlight(const QString& name);

#endif
