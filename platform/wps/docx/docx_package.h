// A .docx package: a zip archive whose main document part (found through
// the package relationships) holds the text. Reading refuses what is not a
// sound package: not a zip, a password-protected document, a file or a part
// larger than the limits (zip bombs included), a package without a main
// document. Writing keeps every other part byte for byte.
#ifndef DOCX_PACKAGE_H
#define DOCX_PACKAGE_H

#include <QByteArray>
#include <QString>

struct docx_limits {
    qint64 max_file_bytes = 64ll << 20;   // the package file
    qint64 max_part_bytes = 128ll << 20;  // one part, uncompressed
};

class docx_package {
  public:
    // Reads the package file. False with `error` set, naming the fault.
    bool read(const QString& file_path, const docx_limits& limits, QString& error);

    const QString& main_part_name() const { return main_part_; }
    const QByteArray& main_part() const { return main_xml_; }

    // Writes the package to `file_path` (atomically) with the main part
    // replaced by `main_xml`; a null `main_xml` writes the package unchanged.
    bool write(const QString& file_path, const QByteArray& main_xml, QString& error) const;

  private:
    QByteArray bytes_;  // the package file as read
    QString main_part_;
    QByteArray main_xml_;
};

#endif
