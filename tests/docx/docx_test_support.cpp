#include "docx_test_support.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zip.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QtEndian>

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

namespace {

QByteArray le32(quint32 value) {
    QByteArray out(4, '\0');
    qToLittleEndian(value, reinterpret_cast<uchar*>(out.data()));
    return out;
}

QByteArray sha512(const QByteArray& a, const QByteArray& b) {
    QByteArray out(64, '\0');
    unsigned int size = 0;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_sha512(), nullptr);
    EVP_DigestUpdate(context, a.constData(), a.size());
    EVP_DigestUpdate(context, b.constData(), b.size());
    EVP_DigestFinal_ex(context, reinterpret_cast<uchar*>(out.data()), &size);
    EVP_MD_CTX_free(context);
    return out;
}

// AES-256-CBC over whole blocks (the data is padded with zeros to them).
QByteArray aes_encrypt(const QByteArray& key, const QByteArray& iv, QByteArray data) {
    data.append(QByteArray((16 - data.size() % 16) % 16, '\0'));
    QByteArray out(data.size(), '\0');
    int written = 0;
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(context, EVP_aes_256_cbc(), nullptr,
                       reinterpret_cast<const uchar*>(key.constData()),
                       reinterpret_cast<const uchar*>(iv.constData()));
    EVP_CIPHER_CTX_set_padding(context, 0);
    EVP_EncryptUpdate(context, reinterpret_cast<uchar*>(out.data()), &written,
                      reinterpret_cast<const uchar*>(data.constData()), data.size());
    EVP_CIPHER_CTX_free(context);
    return out;
}

// A compound file of 512-byte sectors: the allocation table, the
// directory, the mini allocation table, the mini stream (holding the small
// EncryptionInfo stream) and the EncryptedPackage stream.
QByteArray compound_file(const QByteArray& info, const QByteArray& package) {
    constexpr quint32 k_free = 0xFFFFFFFF, k_end = 0xFFFFFFFE, k_fat = 0xFFFFFFFD;
    auto padded = [](QByteArray bytes, int unit) {
        return bytes.append(QByteArray((unit - bytes.size() % unit) % unit, '\0'));
    };
    const QByteArray mini = padded(info, 64);
    const int mini_sectors = padded(mini, 512).size() / 512;
    const int package_sectors = padded(package, 512).size() / 512;
    const quint32 first_mini = 3, first_package = first_mini + mini_sectors;
    QByteArray fat;
    for (quint32 v : {k_fat, k_end, k_end}) fat += le32(v);
    for (int i = 0; i < mini_sectors; ++i)
        fat += le32(i + 1 < mini_sectors ? first_mini + i + 1 : k_end);
    for (int i = 0; i < package_sectors; ++i)
        fat += le32(i + 1 < package_sectors ? first_package + i + 1 : k_end);
    EXPECT_LE(fat.size(), 512) << "the test's compound file has one allocation sector";
    while (fat.size() < 512) fat += le32(k_free);
    QByteArray mini_fat;
    for (int i = 0; i < mini.size() / 64; ++i)
        mini_fat += le32(i + 1 < mini.size() / 64 ? i + 1 : k_end);
    while (mini_fat.size() < 512) mini_fat += le32(k_free);
    auto entry = [&](const QString& name, int type, quint32 right, quint32 child, quint32 start,
                     quint32 size) {
        QByteArray e(128, '\0');
        const QByteArray utf16(reinterpret_cast<const char*>(name.utf16()), name.size() * 2);
        e.replace(0, utf16.size(), utf16);
        e.replace(0x40, 2, le32(utf16.size() + 2).left(2));
        e[0x42] = static_cast<char>(type);
        e[0x43] = 1;  // black
        e.replace(0x44, 12, le32(k_free) + le32(right) + le32(child));
        e.replace(0x74, 8, le32(start) + le32(size));
        return e;
    };
    QByteArray directory =
        entry("Root Entry", 5, k_free, 1, first_mini, mini.size()) +
        entry("EncryptionInfo", 2, 2, k_free, 0, info.size()) +
        entry("EncryptedPackage", 2, k_free, k_free, first_package, package.size()) +
        entry(QString(), 0, k_free, k_free, 0, 0);
    QByteArray header(512, '\0');
    header.replace(0, 8, QByteArray::fromHex("d0cf11e0a1b11ae1"));
    const QByteArray fields = QByteArray::fromHex("3e000300feff09000600000000000000") + le32(0) +
                              le32(1) + le32(1) + le32(0) + le32(4096) + le32(2) + le32(1) +
                              le32(k_end) + le32(0) + le32(0);
    header.replace(0x18, fields.size(), fields);
    for (int i = 1; i < 109; ++i) header.replace(0x4C + 4 * i, 4, le32(k_free));
    return header + fat + directory + mini_fat + padded(mini, 512) + padded(package, 512);
}

}  // namespace

QByteArray encrypt_agile(const QByteArray& package, const QString& password) {
    const QByteArray data_salt = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QByteArray key_salt = QByteArray::fromHex("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
    const QByteArray key = sha512("package key", QByteArray()).left(32);
    const QByteArray verifier = QByteArray::fromHex("5a5a5a5a01020304a5a5a5a5f0e0d0c0");
    QByteArray hash = sha512(
        key_salt, QByteArray(reinterpret_cast<const char*>(password.utf16()), password.size() * 2));
    for (quint32 i = 0; i < 100000; ++i) hash = sha512(le32(i), hash);
    auto encrypt_with = [&](const char* block_key, const QByteArray& data) {
        return aes_encrypt(sha512(hash, QByteArray::fromHex(block_key)).left(32), key_salt, data)
            .toBase64();
    };
    QByteArray encrypted = QByteArray(8, '\0');
    qToLittleEndian<quint64>(package.size(), reinterpret_cast<uchar*>(encrypted.data()));
    for (int at = 0, index = 0; at < package.size(); at += 4096, ++index)
        encrypted +=
            aes_encrypt(key, sha512(data_salt, le32(index)).left(16), package.mid(at, 4096));
    const QByteArray parameters =
        "blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" cipherAlgorithm=\"AES\" "
        "cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\" saltSize=\"16\" ";
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
        "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
        "<keyData " +
        parameters + "saltValue=\"" + data_salt.toBase64() +
        "\"/>"
        "<dataIntegrity encryptedHmacKey=\"AAAA\" encryptedHmacValue=\"AAAA\"/>"
        "<keyEncryptors><keyEncryptor "
        "uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
        "<p:encryptedKey spinCount=\"100000\" " +
        parameters + "saltValue=\"" + key_salt.toBase64() + "\" encryptedVerifierHashInput=\"" +
        encrypt_with("fea7d2763b4b9e79", verifier) + "\" encryptedVerifierHashValue=\"" +
        encrypt_with("d7aa0f6d3061344e", sha512(verifier, QByteArray())) +
        "\" encryptedKeyValue=\"" + encrypt_with("146e0be7abacd0d6", key) +
        "\"/></keyEncryptor></keyEncryptors></encryption>";
    return compound_file(QByteArray::fromHex("0400040040000000") + xml, encrypted);
}
