#include "docx_test_support.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>

QString docx_sample_path() {
    return QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR")) +
           QStringLiteral("/samples/会议纪要.docx");
}

QByteArray read_bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write_bytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray make_zip(const QList<QPair<QString, QByteArray>>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    for (const auto& part : parts) {
        zip_source_t* data =
            zip_source_buffer(archive, part.second.constData(), part.second.size(), 0);
        zip_file_add(archive, part.first.toUtf8().constData(), data, ZIP_FL_OVERWRITE);
    }
    zip_close(archive);
    QByteArray out;
    zip_source_open(buffer);
    char chunk[65536];
    zip_int64_t n = 0;
    while ((n = zip_source_read(buffer, chunk, sizeof chunk)) > 0)
        out.append(chunk, static_cast<int>(n));
    zip_source_close(buffer);
    zip_source_free(buffer);
    zip_error_fini(&error);
    return out;
}

QList<QPair<QString, QByteArray>> zip_parts(const QByteArray& zip) {
    QList<QPair<QString, QByteArray>> out;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(zip.constData(), zip.size(), 0, &error);
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive) {
        zip_source_free(source);
        return out;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_file_t* file = zip_fopen_index(archive, i, 0);
        QByteArray bytes;
        char chunk[65536];
        zip_int64_t n = 0;
        while (file && (n = zip_fread(file, chunk, sizeof chunk)) > 0)
            bytes.append(chunk, static_cast<int>(n));
        if (file) zip_fclose(file);
        out.append({QString::fromUtf8(zip_get_name(archive, i, 0)), bytes});
    }
    zip_discard(archive);
    return out;
}

QByteArray zip_part(const QByteArray& zip, const QString& name) {
    for (const auto& part : zip_parts(zip))
        if (part.first == name) return part.second;
    return QByteArray();
}

QJsonObject python_docx_read(const QString& docx_path) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QString::fromLocal8Bit(qgetenv("VELMO_SOURCE_DIR")) +
                 QStringLiteral("/tests/docx/read_docx.py"),
             docx_path});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QStringList libreoffice_text(const QStringList& docx_paths, const QString& work_dir) {
    QProcess p;
    const QString out_dir = work_dir + QStringLiteral("/libreoffice");
    // A profile of its own, so that runs in parallel do not share one.
    p.start(
        QStringLiteral("soffice"),
        QStringList{
            QStringLiteral("-env:UserInstallation=file://") + work_dir + QStringLiteral("/profile"),
            QStringLiteral("--headless"), QStringLiteral("--convert-to"),
            QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("--outdir"), out_dir} +
            docx_paths);
    EXPECT_TRUE(p.waitForFinished(240000));
    QStringList out;
    for (const QString& path : docx_paths)
        out << QString::fromUtf8(
            read_bytes(out_dir + "/" + QFileInfo(path).completeBaseName() + ".txt"));
    return out;
}

QByteArray sample_with_main_part(const QByteArray& document_xml) {
    auto parts = zip_parts(read_bytes(docx_sample_path()));
    for (auto& part : parts)
        if (part.first == QLatin1String("word/document.xml")) part.second = document_xml;
    return make_zip(parts);
}
