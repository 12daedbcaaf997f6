#include "docx_package.h"

#include <sys/stat.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "docx_agile.h"
#include "docx_compound.h"
#include "docx_xml.h"

namespace {

const char* const k_default_main = "word/document.xml";

struct zip_closer {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using zip_ptr = std::unique_ptr<zip_t, zip_closer>;

QString zip_message(zip_error_t* error) { return QString::fromUtf8(zip_error_strerror(error)); }

// The archive over bytes that stay the caller's: opened read-only, so libzip
// neither writes into nor frees them. No consistency refusal: headers that
// differ in times or padding are read, and every part's data is checked
// against its size and checksum as it is read.
zip_ptr open_archive(const QByteArray& bytes, QString& error) {
    zip_error_t zerror;
    zip_error_init(&zerror);
    zip_source_t* source = zip_source_buffer_create(
        bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &zerror);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &zerror) : nullptr;
    if (!archive) {
        error = QStringLiteral("not a valid package (zip archive): ") + zip_message(&zerror);
        if (source) zip_source_free(source);
    }
    zip_error_fini(&zerror);
    return zip_ptr(archive);
}

// Reads one part, never more than the limit whatever its header says.
bool read_index(zip_t* archive, zip_int64_t index, qint64 limit, QByteArray& out, QString& error) {
    const QString name =
        QString::fromUtf8(zip_get_name(archive, static_cast<zip_uint64_t>(index), 0));
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        error = QStringLiteral("cannot read %1: %2").arg(name, zip_strerror(archive));
        return false;
    }
    out.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            error = QStringLiteral("the package is damaged (%1): %2")
                        .arg(name, zip_file_strerror(file));
            ok = false;
            break;
        }
        if (n == 0) break;
        if (out.size() + n > limit) {
            error = QStringLiteral("a part expands beyond %1 bytes (a zip bomb?)").arg(limit);
            ok = false;
            break;
        }
        out.append(buffer, static_cast<int>(n));
    }
    zip_fclose(file);
    // libzip checks the checksum at the end of the data; the size is
    // checked here too, whatever the version.
    zip_stat_t stat;
    if (ok && zip_stat_index(archive, static_cast<zip_uint64_t>(index), 0, &stat) == 0 &&
        (stat.valid & ZIP_STAT_SIZE) && stat.size != static_cast<zip_uint64_t>(out.size())) {
        error = QStringLiteral("the package is damaged (%1): %2 bytes where %3 were expected")
                    .arg(name)
                    .arg(out.size())
                    .arg(stat.size);
        ok = false;
    }
    return ok;
}

// Part names compare without regard to case.
zip_int64_t locate(zip_t* archive, const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    const zip_int64_t exact = zip_name_locate(archive, utf8.constData(), 0);
    return exact >= 0 ? exact : zip_name_locate(archive, utf8.constData(), ZIP_FL_NOCASE);
}

// ".rels" part of a part: "word/document.xml" -> "word/_rels/document.xml.rels".
QString relationships_part(const QString& source_part) {
    const int slash = source_part.lastIndexOf(QLatin1Char('/'));
    return source_part.left(slash + 1) + QStringLiteral("_rels/") + source_part.mid(slash + 1) +
           QStringLiteral(".rels");
}

// The relationships in a .rels part; `error` set when it is unreadable.
std::vector<docx_relationship> parse_relationships(const QString& source_part,
                                                   const QByteArray& bytes, QString& error) {
    std::vector<docx_relationship> out;
    docx_xml_ptr rels = docx_parse_xml(bytes, error);
    if (!rels) return out;
    xmlNode* root = xmlDocGetRootElement(rels.get());
    for (xmlNode* r = root ? root->children : nullptr; r; r = r->next) {
        if (!docx_is_named(r, "Relationship")) continue;
        if (docx_w_attribute(r, "TargetMode")
                .compare(QLatin1String("External"), Qt::CaseInsensitive) == 0)
            continue;
        out.push_back({docx_w_attribute(r, "Type").section(QLatin1Char('/'), -1),
                       docx_resolve_target(source_part, docx_w_attribute(r, "Target"))});
    }
    return out;
}

// Permissions of a new output: those of the file it replaces, or what the
// umask allows.
void set_output_permissions(const QString& temp_path, const QString& file_path) {
    struct stat existing;
    mode_t mode = 0;
    if (::stat(QFile::encodeName(file_path).constData(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(QFile::encodeName(temp_path).constData(), mode);
}

// Replaces parts inside the archive file at `path`: libzip writes the new
// archive to a file of its own beside it and renames it over `path`,
// copying every other part's compressed data as it was.
bool replace_parts(const QString& path, const QMap<QString, QByteArray>& replaced, QString& error) {
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), 0, &code);
    if (!archive) {
        zip_error_t zerror;
        zip_error_init_with_code(&zerror, code);
        error = QStringLiteral("cannot rebuild the package: ") + zip_message(&zerror);
        zip_error_fini(&zerror);
        return false;
    }
    bool ok = true;
    for (auto part = replaced.begin(); ok && part != replaced.end(); ++part) {
        const QByteArray& xml = part.value();
        const zip_int64_t index = locate(archive, part.key());
        zip_source_t* data =
            zip_source_buffer(archive, xml.constData(), static_cast<zip_uint64_t>(xml.size()), 0);
        ok = index >= 0 && data &&
             zip_file_replace(archive, static_cast<zip_uint64_t>(index), data, 0) == 0;
        if (!ok && data) zip_source_free(data);
        if (ok)
            ok = zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE,
                                          0) == 0;
    }
    if (ok) ok = zip_close(archive) == 0;
    if (!ok) {
        error = QStringLiteral("cannot rebuild the package: ") +
                QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
    }
    return ok;
}

}  // namespace

QString docx_resolve_target(const QString& source_part, const QString& target) {
    QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    decoded.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString base = source_part.left(source_part.lastIndexOf(QLatin1Char('/')) + 1);
    QString path =
        decoded.startsWith(QLatin1Char('/')) ? decoded : QLatin1Char('/') + base + decoded;
    path = QDir::cleanPath(path);
    while (path.startsWith(QLatin1Char('/'))) path.remove(0, 1);
    // Above the package root there is nothing: "../" stops at the root.
    while (path.startsWith(QLatin1String("../"))) path.remove(0, 3);
    return path;
}

bool docx_package::read(const QString& file_path, const docx_limits& limits, QString& error) {
    limits_ = limits;
    QFile file(file_path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read %1: %2").arg(file_path, file.errorString());
        return false;
    }
    if (file.size() > limits.max_file_bytes) {
        error =
            QStringLiteral("%1 is larger than %2 bytes").arg(file_path).arg(limits.max_file_bytes);
        return false;
    }
    bytes_ = file.readAll();
    if (bytes_.isEmpty()) {
        error = QStringLiteral("%1 is an empty file (0 bytes), not a .docx package").arg(file_path);
        return false;
    }
    // Encrypted Office documents are compound files, not zips; one that a
    // word processor opens without asking for a password is read as the
    // package it holds (and written back as that package, unencrypted).
    QByteArray decrypted;
    if (docx_is_compound_file(bytes_) &&
        docx_agile_decrypt(bytes_, QString::fromLatin1(docx_default_password),
                           limits.max_file_bytes, decrypted))
        bytes_ = decrypted;
    if (docx_is_compound_file(bytes_)) {
        error =
            QStringLiteral(
                "%1 is encrypted (password-protected) or an old binary .doc, not a .docx package")
                .arg(file_path);
        return false;
    }
    QString zip_error;
    zip_ptr archive = open_archive(bytes_, zip_error);
    if (!archive) {
        error = file_path + QStringLiteral(" is ") + zip_error +
                (bytes_.startsWith("PK") ? QString()
                                         : QStringLiteral(" (the file does not start like one)"));
        return false;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &stat) == 0 &&
            (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) {
            error = QStringLiteral("%1 is encrypted").arg(file_path);
            return false;
        }
    }
    QString part_error;
    main_part_.clear();
    const zip_int64_t rels = locate(archive.get(), QStringLiteral("_rels/.rels"));
    QByteArray rels_bytes;
    if (rels < 0) {
        main_part_ = QLatin1String(k_default_main);
    } else if (read_index(archive.get(), rels, limits.max_part_bytes, rels_bytes, part_error)) {
        for (const docx_relationship& r : parse_relationships(QString(), rels_bytes, part_error)) {
            if (r.type != QLatin1String("officeDocument")) continue;
            main_part_ = r.part;
            break;
        }
        if (!part_error.isEmpty())
            part_error = QStringLiteral("the package relationships are unreadable: ") + part_error;
        else if (main_part_.isEmpty())
            part_error = QStringLiteral("the package names no main document");
    }
    const zip_int64_t index = main_part_.isEmpty() ? -1 : locate(archive.get(), main_part_);
    if (index < 0) {
        error = QStringLiteral("%1: %2").arg(
            file_path, part_error.isEmpty()
                           ? QStringLiteral("the package has no main document ") + main_part_
                           : part_error);
        return false;
    }
    main_part_ =
        QString::fromUtf8(zip_get_name(archive.get(), static_cast<zip_uint64_t>(index), 0));
    if (!read_index(archive.get(), index, limits.max_part_bytes, main_xml_, part_error)) {
        error = QStringLiteral("%1: %2").arg(file_path, part_error);
        return false;
    }
    return true;
}

bool docx_package::read_part(const QString& name, QByteArray& out, QString& error) const {
    zip_ptr archive = open_archive(bytes_, error);
    if (!archive) return false;
    const zip_int64_t index = locate(archive.get(), name);
    if (index < 0) {
        error = QStringLiteral("the package has no part %1").arg(name);
        return false;
    }
    return read_index(archive.get(), index, limits_.max_part_bytes, out, error);
}

std::vector<docx_relationship> docx_package::relationships(const QString& source_part) const {
    QByteArray bytes;
    QString error;
    if (!read_part(relationships_part(source_part), bytes, error)) return {};
    return parse_relationships(source_part, bytes, error);
}

bool docx_package::write(const QString& file_path, const QMap<QString, QByteArray>& replaced,
                         QString& error) const {
    const QFileInfo info(file_path);
    QTemporaryFile temp(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!temp.open() || temp.write(bytes_) != bytes_.size() || !temp.flush()) {
        error = QStringLiteral("cannot write %1: %2").arg(file_path, temp.errorString());
        return false;
    }
    temp.close();
    if (!replaced.isEmpty() && !replace_parts(temp.fileName(), replaced, error)) return false;
    set_output_permissions(temp.fileName(), file_path);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(),
                    QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        error = QStringLiteral("cannot write %1: %2").arg(file_path, qt_error_string(errno));
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}
