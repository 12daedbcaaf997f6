// Opening document files in the host with a clear message when a file is
// missing, unreadable, not UTF-8 text or not a sound .docx package, instead
// of an empty document.
#ifndef WSIM_DOCUMENT_FILE_H
#define WSIM_DOCUMENT_FILE_H

#include <QByteArray>
#include <QString>

#include "wpsapi.h"

// Checks that `bytes` are UTF-8 text: no invalid sequence and no NUL byte.
// False with `error` naming the first bad line.
bool wsim_check_utf8_text(const QByteArray& bytes, QString& error);

// Checks that the file exists, is a readable regular file and holds UTF-8
// text. False with `error` set to a message that names the file.
bool wsim_check_document_file(const QString& file_path, QString& error);

// Opens the file in `app` (it becomes the active document, with the cursor
// at its start): a .docx package, or else a UTF-8 text file. Null with
// `error` set when the file is refused or the host cannot open it.
kfc::ks_stdptr<wpsapi::_Document> wsim_open_document(wpsapi::_Application* app,
                                                     const QString& file_path, QString& error);

#endif
