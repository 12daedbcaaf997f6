// Shared by the .docx tests: the sample, packages made on the spot, and the
// outside readers (python-docx, LibreOffice) run as processes.
#ifndef DOCX_TEST_SUPPORT_H
#define DOCX_TEST_SUPPORT_H

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

QString docx_sample_path();
QByteArray read_bytes(const QString& path);
void write_bytes(const QString& path, const QByteArray& bytes);

// A zip archive holding these parts, deflated.
QByteArray make_zip(const QList<QPair<QString, QByteArray>>& parts);
// The parts of a zip archive (empty when it is not one).
QList<QPair<QString, QByteArray>> zip_parts(const QByteArray& zip);
QByteArray zip_part(const QByteArray& zip, const QString& name);
// The sample package with its main part replaced, so that outside readers
// find every part a word processor writes.
QByteArray sample_with_main_part(const QByteArray& document_xml);

// The package encrypted with agile encryption (AES-256, SHA-512, 100,000
// spins) under `password`, in a compound file as Office writes one.
QByteArray encrypt_agile(const QByteArray& package, const QString& password);

// read_docx.py's answer: texts, bookmarks (name -> enclosed text), highlights.
QJsonObject python_docx_read(const QString& docx_path);
// The documents' text as LibreOffice converts it, one string per file.
QStringList libreoffice_text(const QStringList& docx_paths, const QString& work_dir);

#endif
