// The keyword position file of the batch find: for each word found, the
// pages on which it occurs, written beside the document and opened in the
// desktop's default application.
#ifndef VELMO_FEATURES_FIND_VELMO_UI_FIND_POS_H
#define VELMO_FEATURES_FIND_VELMO_UI_FIND_POS_H

#include <QList>
#include <QMap>
#include <QString>

// Pages of each word in the order they were first met, words in text order.
typedef QMap<QString, QList<int>> velmo_pages_by_word_t;

// "<path>/<name up to and including its first dot>pos"; a name without a dot
// gives "<path>/pos". Empty for a document without a directory (never saved),
// so that nothing is written to the file-system root.
QString velmo_find_pos_file_name(const QString& path, const QString& name);

// For each word: the word on one line, then its pages as "P<n>" joined by ","
// on the next.
QString velmo_find_pos_text(const velmo_pages_by_word_t& pages_by_word);

// Replaces the file with the text in the locale's encoding; false when the
// file cannot be written.
bool velmo_find_pos_write(const QString& file_name, const QString& text);

// Starts "xdg-open" with the file name as its one argument, without a shell,
// so that spaces or shell characters in the name run nothing else. False when
// the opener cannot be started.
bool velmo_open_with_desktop(const QString& file_name);

#endif
