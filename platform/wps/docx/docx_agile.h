// Office documents encrypted with agile encryption: a compound file whose
// stream "EncryptionInfo" describes the keys and whose stream
// "EncryptedPackage" holds the encrypted package. A word processor opens
// one encrypted with the default password without asking for one; such a
// file is decrypted here to its package.
#ifndef DOCX_AGILE_H
#define DOCX_AGILE_H

#include <QByteArray>
#include <QString>

// The password a document is encrypted with when it opens without one.
extern const char* const docx_default_password;

// The package inside the encrypted compound file `file`, decrypted with
// `password`. False when the file is not agile-encrypted, is damaged, or
// the password does not open it; `out` is then left empty. The package is
// never larger than `max_bytes`.
bool docx_agile_decrypt(const QByteArray& file, const QString& password, qint64 max_bytes,
                        QByteArray& out);

#endif
