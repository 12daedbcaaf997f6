// Packages that are not sound .docx documents are refused with a message
// that names the fault, never with a crash; a bounded fuzz run checks the
// reader and the writer on damaged packages and damaged XML.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <random>

#include "docx_document.h"
#include "docx_test_support.h"
#include "wps_test_util.h"

namespace {

const QByteArray k_body_start =
    "<?xml version=\"1.0\"?><w:document "
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:body><w:p><w:r><w:t>";
const QByteArray k_body_end = "</w:t></w:r></w:p></w:body></w:document>";

// The error of opening these bytes as a package; empty when it opened.
QString refusal(const QTemporaryDir& dir, const QByteArray& bytes,
                const docx_limits& limits = docx_limits()) {
    const QString path = dir.filePath("case.docx");
    write_bytes(path, bytes);
    auto app = wps_sim::create_application();
    QString error;
    return docx_open(app, path, error, limits) ? QString() : error;
}

}  // namespace

TEST(docx_refusal, damaged_encrypted_oversized_and_unsafe_packages_are_refused_by_name) {
    QTemporaryDir dir;
    const QByteArray sample = read_bytes(docx_sample_path());
    EXPECT_TRUE(refusal(dir, "plain text").contains("not a valid package"));
    EXPECT_TRUE(refusal(dir, sample.left(sample.size() / 2)).contains("not a valid package"));
    EXPECT_TRUE(
        refusal(dir, make_zip({{"[Content_Types].xml", "<Types/>"}})).contains("no main document"));
    EXPECT_TRUE(refusal(dir, QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(600, '\0'))
                    .contains("encrypted"));
    EXPECT_TRUE(
        refusal(dir, make_zip({{"word/document.xml", "<x/>"}})).contains("not a WordprocessingML"));

    docx_limits small;
    small.max_file_bytes = 1000;
    EXPECT_TRUE(refusal(dir, sample, small).contains("larger than"));
    // Four MiB of text deflate to a few KiB: the part is read no further
    // than the limit, whatever its header claims.
    small = docx_limits();
    small.max_part_bytes = 1 << 20;
    const QByteArray bomb =
        make_zip({{"word/document.xml", k_body_start + QByteArray(4 << 20, 'a') + k_body_end}});
    EXPECT_LT(bomb.size(), 100000);
    EXPECT_TRUE(refusal(dir, bomb, small).contains("zip bomb"));

    const QByteArray laughs =
        "<?xml version=\"1.0\"?><!DOCTYPE w:document [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
        "\"&a;&a;&a;&a;&a;&a;\">]>" +
        k_body_start + "&b;" + k_body_end;
    EXPECT_TRUE(refusal(dir, make_zip({{"word/document.xml", laughs}})).contains("DOCTYPE"));
}

TEST(docx_refusal, damaged_packages_and_xml_never_crash_the_reader_or_the_writer) {
    QTemporaryDir dir;
    const QByteArray sample = read_bytes(docx_sample_path());
    const QList<QPair<QString, QByteArray>> parts = zip_parts(sample);
    std::mt19937 random(20261208);
    int opened = 0;
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes;
        if (round % 2 == 0) {
            // Damaged archive: a few bytes changed, sometimes cut short.
            bytes = sample;
            for (int k = 1 + static_cast<int>(random() % 8); k > 0; --k)
                bytes[static_cast<int>(random() % bytes.size())] = static_cast<char>(random());
            if (random() % 4 == 0) bytes.truncate(static_cast<int>(random() % bytes.size()));
        } else {
            // Sound archive, damaged main part.
            QList<QPair<QString, QByteArray>> damaged = parts;
            for (auto& part : damaged) {
                if (part.first != QLatin1String("word/document.xml")) continue;
                for (int k = 1 + static_cast<int>(random() % 4); k > 0; --k) {
                    const int at = static_cast<int>(random() % part.second.size());
                    if (random() % 2)
                        part.second[at] = "<>/\"=&w: x"[random() % 10];
                    else
                        part.second.remove(at, 1 + static_cast<int>(random() % 40));
                }
            }
            bytes = make_zip(damaged);
        }
        const QString path = dir.filePath("fuzz.docx");
        write_bytes(path, bytes);
        auto app = wps_sim::create_application();
        QString error;
        kfc::ks_stdptr<wpsapi::_Document> doc = docx_open(app, path, error);
        if (!doc) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        ++opened;
        // Whatever was read is written back, or refused with a reason.
        const long length = wps_sim::document_text(doc).size();
        const long start = static_cast<long>(random() % length);
        wps_test::add_bookmark(doc, QStringLiteral("fuzz"), start, std::min(length, start + 3));
        wps_test::range(doc, start, std::min(length, start + 3))
            ->put_HighlightColorIndex(wpsapi::wdYellow);
        if (!wps_sim::save_document(doc, dir.filePath("out.docx"), error)) {
            EXPECT_FALSE(error.isEmpty());
        }
    }
    EXPECT_GT(opened, 10);
}

TEST(docx_refusal, a_package_encrypted_with_the_default_password_opens_and_no_other_does) {
    QTemporaryDir dir;
    const QByteArray package = sample_with_main_part(k_body_start + "按步就班" + k_body_end);
    const QString opens = dir.filePath("default.docx");
    write_bytes(opens, encrypt_agile(package, QStringLiteral("VelvetSweatshop")));
    auto app = wps_sim::create_application();
    QString error;
    auto doc = docx_open(app, opens, error);
    ASSERT_TRUE(doc) << error.toStdString();
    EXPECT_EQ(wps_sim::document_text(doc), QStringLiteral("按步就班\r"));
    // The marked copy is the package it holds.
    ASSERT_EQ(S_OK, wps_test::add_bookmark(doc, QStringLiteral("m"), 0, 2));
    const QString marked = dir.filePath("marked.docx");
    ASSERT_TRUE(wps_sim::save_document(doc, marked, error)) << error.toStdString();
    EXPECT_TRUE(read_bytes(marked).startsWith("PK"));
    EXPECT_TRUE(zip_part(read_bytes(marked), "word/document.xml").contains("w:name=\"m\""));

    const QString message = QStringLiteral("is encrypted (password-protected)");
    EXPECT_TRUE(refusal(dir, encrypt_agile(package, QStringLiteral("secret"))).contains(message));
    // A damaged container is refused the same way, never read out of bounds.
    QByteArray damaged = encrypt_agile(package, QStringLiteral("VelvetSweatshop"));
    damaged.truncate(1500);
    EXPECT_TRUE(refusal(dir, damaged).contains(message));
    damaged = encrypt_agile(package, QStringLiteral("VelvetSweatshop"));
    damaged.replace(0x30, 4, QByteArray::fromHex("ffffff7f"));
    EXPECT_TRUE(refusal(dir, damaged).contains(message));
}
