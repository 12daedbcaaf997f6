// A compound file (the container of old binary documents and of encrypted
// Office documents): its streams read by name. Sector chains, sizes and
// directory entries are checked against the file, so a damaged container is
// refused, never read out of bounds.
#ifndef DOCX_COMPOUND_H
#define DOCX_COMPOUND_H

#include <QByteArray>
#include <QString>

// True when the bytes start as a compound file does.
bool docx_is_compound_file(const QByteArray& bytes);

// The stream of that name (compared without regard to case) in the
// compound file `file`. False when there is none or the file is damaged.
bool docx_compound_stream(const QByteArray& file, const QString& name, QByteArray& out);

#endif
