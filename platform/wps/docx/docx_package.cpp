#include "docx_package.h"

#include <zip.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <memory>

#include "docx_xml.h"

namespace {

const char* const k_relationships = "_rels/.rels";
const char* const k_default_main = "word/document.xml";
// Password-protected Office documents are compound files, not zips.
const QByteArray k_compound_file_magic = QByteArray::fromHex("d0cf11e0a1b11ae1");

struct zip_closer {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using zip_ptr = std::unique_ptr<zip_t, zip_closer>;

QString zip_message(zip_error_t* error) { return QString::fromUtf8(zip_error_strerror(error)); }

zip_ptr open_archive(const QByteArray& bytes, int flags, zip_source_t** source_out,
                     QString& error) {
    zip_error_t zerror;
    zip_error_init(&zerror);
    zip_source_t* source = zip_source_buffer_create(
        bytes.constData(), static_cast<zip_uint64_t>(bytes.size()), 0, &zerror);
    if (!source) {
        error = zip_message(&zerror);
        zip_error_fini(&zerror);
        return nullptr;
    }
    if (source_out) zip_source_keep(source);
    zip_t* archive = zip_open_from_source(source, flags, &zerror);
    if (!archive) {
        error = QStringLiteral("not a valid package (zip archive): ") + zip_message(&zerror);
        zip_error_fini(&zerror);
        zip_source_free(source);
        if (source_out) zip_source_free(source);
        return nullptr;
    }
    zip_error_fini(&zerror);
    if (source_out) *source_out = source;
    return zip_ptr(archive);
}

// Reads one part, never more than the limit whatever its header says.
bool read_part(zip_t* archive, zip_int64_t index, qint64 limit, QByteArray& out, QString& error) {
    zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        error =
            QStringLiteral("cannot read %1: %2")
                .arg(QString::fromUtf8(zip_get_name(archive, static_cast<zip_uint64_t>(index), 0)),
                     QString::fromUtf8(zip_strerror(archive)));
        return false;
    }
    out.clear();
    char buffer[65536];
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
        if (n < 0) {
            error = QStringLiteral("the package is damaged: ") +
                    QString::fromUtf8(zip_file_strerror(file));
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
    return ok;
}

// The main document part named by the package relationships.
QString find_main_part(zip_t* archive, const docx_limits& limits, QString& error) {
    const zip_int64_t index = zip_name_locate(archive, k_relationships, 0);
    if (index < 0) return QLatin1String(k_default_main);
    QByteArray bytes;
    if (!read_part(archive, index, limits.max_part_bytes, bytes, error)) return QString();
    QString xml_error;
    docx_xml_ptr rels = docx_parse_xml(bytes, xml_error);
    if (!rels) {
        error = QStringLiteral("the package relationships are unreadable: ") + xml_error;
        return QString();
    }
    xmlNode* root = xmlDocGetRootElement(rels.get());
    for (xmlNode* r = root ? root->children : nullptr; r; r = r->next) {
        if (!docx_is_named(r, "Relationship")) continue;
        if (!docx_w_attribute(r, "Type").endsWith(QLatin1String("/officeDocument"))) continue;
        QString target = docx_w_attribute(r, "Target");
        while (target.startsWith(QLatin1Char('/'))) target.remove(0, 1);
        return target;
    }
    error = QStringLiteral("the package names no main document");
    return QString();
}

}  // namespace

bool docx_package::read(const QString& file_path, const docx_limits& limits, QString& error) {
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
    if (bytes_.startsWith(k_compound_file_magic)) {
        error =
            QStringLiteral(
                "%1 is encrypted (password-protected) or an old binary .doc, not a .docx package")
                .arg(file_path);
        return false;
    }
    QString zip_error;
    zip_ptr archive = open_archive(bytes_, ZIP_RDONLY | ZIP_CHECKCONS, nullptr, zip_error);
    if (!archive) {
        error = file_path + QStringLiteral(" is ") + zip_error;
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
    main_part_ = find_main_part(archive.get(), limits, part_error);
    const zip_int64_t index =
        main_part_.isEmpty() ? -1
                             : zip_name_locate(archive.get(), main_part_.toUtf8().constData(), 0);
    if (index < 0) {
        error = QStringLiteral("%1: %2").arg(
            file_path, part_error.isEmpty()
                           ? QStringLiteral("the package has no main document ") + main_part_
                           : part_error);
        return false;
    }
    if (!read_part(archive.get(), index, limits.max_part_bytes, main_xml_, part_error)) {
        error = QStringLiteral("%1: %2").arg(file_path, part_error);
        return false;
    }
    return true;
}

bool docx_package::write(const QString& file_path, const QByteArray& main_xml,
                         QString& error) const {
    QByteArray out = bytes_;
    if (!main_xml.isNull()) {
        // libzip rewrites the archive into this copy's source; every part but
        // the replaced one is copied as it was, compressed data included.
        QByteArray copy = bytes_;
        zip_source_t* source = nullptr;
        QString zip_error;
        zip_ptr archive = open_archive(copy, 0, &source, zip_error);
        if (!archive) {
            error = zip_error;
            return false;
        }
        const zip_int64_t index =
            zip_name_locate(archive.get(), main_part_.toUtf8().constData(), 0);
        zip_source_t* part = zip_source_buffer(archive.get(), main_xml.constData(),
                                               static_cast<zip_uint64_t>(main_xml.size()), 0);
        bool ok = index >= 0 && part &&
                  zip_file_replace(archive.get(), static_cast<zip_uint64_t>(index), part, 0) == 0;
        if (!ok && part) zip_source_free(part);
        if (ok)
            zip_set_file_compression(archive.get(), static_cast<zip_uint64_t>(index),
                                     ZIP_CM_DEFLATE, 0);
        if (ok && zip_close(archive.get()) == 0) {
            archive.release();
        } else {
            error = QStringLiteral("cannot rebuild the package: ") +
                    QString::fromUtf8(zip_strerror(archive.get()));
            ok = false;
        }
        out.clear();
        if (ok && zip_source_open(source) == 0) {
            char buffer[65536];
            zip_int64_t n = 0;
            while ((n = zip_source_read(source, buffer, sizeof buffer)) > 0)
                out.append(buffer, static_cast<int>(n));
            zip_source_close(source);
            ok = n == 0;
        }
        zip_source_free(source);
        if (!ok) {
            if (error.isEmpty()) error = QStringLiteral("cannot rebuild the package");
            return false;
        }
    }
    QSaveFile file(file_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(file_path, file.errorString());
        return false;
    }
    return true;
}
