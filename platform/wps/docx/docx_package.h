// A .docx package: a zip archive whose main document part (found through
// the package relationships) holds the text. Reading refuses what is not a
// sound package: an empty file, not a zip, a password-protected document (one
// encrypted with the default password, which opens without one, is read), a
// file or a part larger than the limits (zip bombs included), a part whose
// data does not match its size and checksum, a package without a main
// document. Headers that disagree only in what does not affect the data
// (times, padding) are read as tolerant readers do. Writing keeps every other
// part byte for byte and replaces the file only once the new one is complete.
#ifndef DOCX_PACKAGE_H
#define DOCX_PACKAGE_H

#include <QByteArray>
#include <QMap>
#include <QString>
#include <vector>

struct docx_limits {
    qint64 max_file_bytes = 64ll << 20;   // the package file
    qint64 max_part_bytes = 128ll << 20;  // one part, uncompressed
};

// A relationship of a part: its type (the last segment of the type URI,
// "header", "footnotes", ...) and the part it names.
struct docx_relationship {
    QString type;
    QString part;
};

class docx_package {
  public:
    // Reads the package file. False with `error` set, naming the fault.
    bool read(const QString& file_path, const docx_limits& limits, QString& error);

    const QString& main_part_name() const { return main_part_; }
    const QByteArray& main_part() const { return main_xml_; }

    // Another part, read within the limits; false with `error` set.
    bool read_part(const QString& name, QByteArray& out, QString& error) const;
    // The internal relationships of a part (from its .rels part), targets
    // resolved to part names. Empty when the part has none.
    std::vector<docx_relationship> relationships(const QString& source_part) const;

    // Writes the package to `file_path` with the parts named in `replaced`
    // replaced by their new XML; nothing replaced writes the package
    // unchanged. The file appears under its name only when it is complete.
    bool write(const QString& file_path, const QMap<QString, QByteArray>& replaced,
               QString& error) const;

  private:
    QByteArray bytes_;  // the package file as read
    docx_limits limits_;
    QString main_part_;
    QByteArray main_xml_;
};

// The part name a relationship target names, seen from `source_part`
// ("" for the package itself): relative references resolved ("./", "../"),
// percent-encoding decoded, no leading slash.
QString docx_resolve_target(const QString& source_part, const QString& target);

#endif
