// Shapes of real-world packages: archives laid out in other orders or with
// headers that disagree harmlessly, relationship targets written in other
// ways, content controls without content, marks at the very end, bookmarks
// of the same name and ids at the top of their range, and the text that lies
// outside the main body.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <random>

#include "docx_document.h"
#include "docx_test_support.h"
#include "wps_test_util.h"

using namespace wps_test;

namespace {

const QByteArray k_namespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"";

QByteArray document_xml(const QByteArray& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document " + k_namespaces + "><w:body>" +
           body + "<w:sectPr/></w:body></w:document>";
}

QByteArray paragraph(const QByteArray& text) {
    return "<w:p><w:r><w:t>" + text + "</w:t></w:r></w:p>";
}

QByteArray package_rels(const QByteArray& target) {
    return "<?xml version=\"1.0\"?><Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
           "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/officeDocument\" Target=\"" +
           target + "\"/></Relationships>";
}

// Opens a package in the host, and saves it back.
struct opened {
    kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
    kfc::ks_stdptr<wpsapi::_Document> doc;
    docx_opened extras;
    QString error;

    explicit opened(const QString& path) {
        doc = docx_open(app, path, error, docx_limits(), QString(), &extras);
    }
    QString text() const { return wps_sim::document_text(doc); }
    bool save(const QString& path) { return wps_sim::save_document(doc, path, error); }
};

QString opened_text(const QString& path) {
    opened d(path);
    EXPECT_TRUE(d.doc) << d.error.toStdString();
    return d.doc ? d.text() : QString();
}

QStringList bookmark_list(wpsapi::_Document* doc) {
    QStringList out;
    for (const auto& b : wps_sim::document_bookmarks(doc))
        out << QStringLiteral("%1 %2-%3").arg(b.name).arg(b.start).arg(b.end);
    return out;
}

// Marks a stretch, saves, reads the result back: the text and the marks
// come back as the host had them.
void expect_mark_round_trip(const QTemporaryDir& dir, const QString& path, long start, long end) {
    opened d(path);
    ASSERT_TRUE(d.doc) << d.error.toStdString();
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("vmjd_mark"), start, end));
    const QString out = dir.filePath("marked-" + QFileInfo(path).fileName());
    ASSERT_TRUE(d.save(out)) << d.error.toStdString();
    opened back(out);
    ASSERT_TRUE(back.doc) << back.error.toStdString();
    EXPECT_EQ(back.text(), d.text());
    EXPECT_EQ(bookmark_list(back.doc), bookmark_list(d.doc));
}

QString write_package(const QTemporaryDir& dir, const QString& name,
                      const QList<QPair<QString, QByteArray>>& parts) {
    const QString path = dir.filePath(name);
    write_bytes(path, make_zip(parts));
    return path;
}

// A package with a header (its second line highlighted), an empty footer,
// two footnotes after a separator, a comment and a text box (with the copy
// that stands in for it), each holding text.
QString stories_package(const QTemporaryDir& dir) {
    const QByteArray main_rels =
        "<?xml version=\"1.0\"?><Relationships "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"r1\" Type=\"http://x/relationships/header\" Target=\"header1.xml\"/>"
        "<Relationship Id=\"r2\" Type=\"http://x/relationships/footer\" Target=\"./footer1.xml\"/>"
        "<Relationship Id=\"r3\" Type=\"http://x/relationships/footnotes\" "
        "Target=\"footnotes.xml\"/>"
        "<Relationship Id=\"r4\" Type=\"http://x/relationships/comments\" Target=\"comments.xml\"/>"
        "<Relationship Id=\"r5\" Type=\"http://x/relationships/hyperlink\" "
        "Target=\"http://example.com/\" TargetMode=\"External\"/>"
        "</Relationships>";
    auto part = [](const QByteArray& root, const QByteArray& inner) {
        return "<?xml version=\"1.0\"?><w:" + root + " " + k_namespaces + ">" + inner +
               "</w:" + root + ">";
    };
    const QByteArray text_box =
        "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><w:txbxContent>" +
        paragraph("框内文字") +
        "</w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><w:txbxContent>" +
        paragraph("框内文字") +
        "</w:txbxContent></w:pict></mc:Fallback></mc:AlternateContent></w:r>";
    return write_package(
        dir, "stories.docx",
        {{"_rels/.rels", package_rels("word/document.xml")},
         {"word/document.xml",
          document_xml("<w:p>" + text_box + "<w:r><w:t>正文</w:t></w:r></w:p>")},
         {"word/_rels/document.xml.rels", main_rels},
         {"word/header1.xml",
          part("hdr", paragraph("页眉文字") +
                          "<w:p><w:r><w:rPr><w:highlight "
                          "w:val=\"cyan\"/></w:rPr><w:t>第二行</w:t></w:r></w:p>")},
         {"word/footer1.xml", part("ftr", "<w:p/>")},
         {"word/footnotes.xml",
          part("footnotes",
               "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p>"
               "</w:footnote><w:footnote w:id=\"1\">" +
                   paragraph("脚注一") + "</w:footnote><w:footnote w:id=\"2\">" +
                   paragraph("脚注二二") + "</w:footnote>")},
         {"word/comments.xml",
          part("comments", "<w:comment w:id=\"0\">" + paragraph("批注") + "</w:comment>")}});
}

}  // namespace

TEST(docx_real_world, packages_laid_out_or_addressed_unusually_open_and_write_back_soundly) {
    QTemporaryDir dir;
    const QByteArray main = document_xml(paragraph("甲乙丙丁戊己庚辛") + paragraph("second"));

    // The main part last, after a large stored part: the rewritten archive
    // keeps the unchanged start of the file.
    QByteArray noise(400000, '\0');
    std::mt19937 random(33);
    for (char& c : noise) c = static_cast<char>(random());
    const QString last = write_package(dir, "last.docx",
                                       {{"_rels/.rels", package_rels("word/document.xml")},
                                        {"word/media/noise.bin", noise},
                                        {"word/document.xml", main}});
    expect_mark_round_trip(dir, last, 2, 5);
    EXPECT_EQ(zip_part(read_bytes(dir.filePath("marked-last.docx")), "word/media/noise.bin"),
              noise);

    // "./" and percent-encoded targets, and names in another case.
    for (const QByteArray& target :
         {QByteArray("./word/document.xml"), QByteArray("/word/docu%6Dent.xml"),
          QByteArray("word/../word/Document.XML")}) {
        const QString path =
            write_package(dir, "target.docx",
                          {{"_rels/.rels", package_rels(target)}, {"word/document.xml", main}});
        EXPECT_TRUE(opened_text(path).startsWith(QStringLiteral("甲乙丙丁"))) << target.data();
    }

    // A local header whose time differs from the central directory's, as
    // Word 2007-2013 write them: read, and written back with the mark.
    QByteArray skewed = make_zip({{"word/document.xml", main}});
    ASSERT_TRUE(skewed.startsWith("PK\x03\x04"));
    skewed[10] = static_cast<char>(skewed[10] ^ 0x5a);
    skewed[12] = static_cast<char>(skewed[12] ^ 0x01);
    write_bytes(dir.filePath("skewed.docx"), skewed);
    expect_mark_round_trip(dir, dir.filePath("skewed.docx"), 0, 3);

    // Output is complete or absent, with ordinary permissions, and no
    // temporary file stays behind.
    EXPECT_EQ(QFileInfo(dir.filePath("marked-last.docx")).permissions() &
                  (QFile::ReadOther | QFile::WriteOwner),
              QFile::ReadOther | QFile::WriteOwner);
    EXPECT_TRUE(QDir(dir.path()).entryList({".*.docx.*"}, QDir::Hidden | QDir::Files).isEmpty());
}

TEST(docx_real_world, empty_foreign_and_damaged_files_are_refused_with_their_reason) {
    QTemporaryDir dir;
    auto refusal = [&](const QByteArray& bytes) {
        write_bytes(dir.filePath("case.docx"), bytes);
        opened d(dir.filePath("case.docx"));
        EXPECT_FALSE(d.doc);
        return d.error;
    };
    EXPECT_TRUE(refusal(QByteArray()).contains("empty file")) << refusal({}).toStdString();
    EXPECT_TRUE(refusal("<html>hello</html>").contains("does not start like one"));
    // A part whose data does not match its checksum is refused when read,
    // now that headers are not compared up front.
    // Data that no longer matches its checksum is refused when the part is
    // read, now that headers are not compared up front.
    QByteArray damaged = make_zip({{"word/document.xml", document_xml(paragraph("abcdefgh"))}});
    const int data = 30 + static_cast<int>(qstrlen("word/document.xml"));
    damaged[data + 20] = static_cast<char>(damaged[data + 20] ^ 0x10);
    EXPECT_TRUE(refusal(damaged).contains("damaged")) << refusal(damaged).toStdString();
    // So is a part longer than its central directory entry says.
    QByteArray longer = make_zip({{"word/document.xml", document_xml(paragraph("abcdefgh"))}});
    const int central = longer.lastIndexOf("PK\x01\x02");
    ASSERT_GT(central, 0);
    longer[central + 24] = static_cast<char>(longer[central + 24] - 1);
    EXPECT_TRUE(refusal(longer).contains("damaged")) << refusal(longer).toStdString();
}

TEST(docx_real_world, content_controls_without_content_are_read_as_empty_anywhere) {
    QTemporaryDir dir;
    const QByteArray empty_sdt = "<w:sdt><w:sdtPr><w:id w:val=\"1\"/></w:sdtPr></w:sdt>";
    const QByteArray body = paragraph("开头") + empty_sdt +
                            "<w:tbl><w:tblPr/><w:tr><w:tc><w:p><w:r><w:t>格一</w:t></w:r></w:p>" +
                            empty_sdt + "</w:tc><w:tc>" + empty_sdt + "<w:p/></w:tc></w:tr>" +
                            empty_sdt +
                            "<w:tr><w:sdt><w:sdtPr/></w:sdt></w:tr><w:tr/></w:tbl><w:tbl/>" +
                            "<w:p><w:sdt><w:sdtPr/></w:sdt><w:r><w:t>结尾</w:t></w:r></w:p>";
    const QString path =
        write_package(dir, "sdt.docx", {{"word/document.xml", document_xml(body)}});
    const QString text = opened_text(path);
    EXPECT_EQ(text, QStringLiteral("开头\r格一\a\a结尾\r"));
    expect_mark_round_trip(dir, path, 3, 5);
}

TEST(docx_real_world, a_mark_may_end_at_the_last_paragraph_mark_and_at_the_end_of_the_text) {
    QTemporaryDir dir;
    const QString path = write_package(
        dir, "end.docx",
        {{"word/document.xml",
          document_xml(paragraph("第一段") + paragraph("报销审批环节（需要加强培训"))}});
    const long length = opened_text(path).size();
    expect_mark_round_trip(dir, path, length - 4, length);
    expect_mark_round_trip(dir, path, length - 1, length);
    expect_mark_round_trip(dir, path, length, length);
}

TEST(docx_real_world, existing_bookmarks_stay_exactly_and_new_ids_stay_in_range) {
    QTemporaryDir dir;
    const QByteArray body =
        "<w:p><w:bookmarkStart w:id=\"3\" w:name=\"dup\"/><w:r><w:t>ab</w:t></w:r>"
        "<w:bookmarkEnd w:id=\"3\"/><w:r><w:t>cd</w:t></w:r>"
        "<w:bookmarkStart w:id=\"2147483647\" w:name=\"dup\"/><w:r><w:t>ef</w:t></w:r>"
        "<w:bookmarkEnd w:id=\"2147483647\"/></w:p>"
        "<w:p><w:bookmarkStart w:id=\"0\" w:name=\"dup\"/><w:r><w:t>gh</w:t></w:r>"
        "<w:bookmarkEnd w:id=\"0\"/></w:p>";
    const QString path =
        write_package(dir, "dup.docx", {{"word/document.xml", document_xml(body)}});

    // Nothing changed: the package is written byte for byte.
    {
        opened d(path);
        ASSERT_TRUE(d.doc) << d.error.toStdString();
        ASSERT_TRUE(d.save(dir.filePath("same.docx"))) << d.error.toStdString();
        EXPECT_EQ(read_bytes(dir.filePath("same.docx")), read_bytes(path));
    }
    // With marks added, every bookmark of the file is still there as it was,
    // and the new ids are new, non-negative and within range.
    opened d(path);
    ASSERT_TRUE(d.doc);
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("m1"), 1, 3));
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("m2"), 4, 6));
    ASSERT_TRUE(d.save(dir.filePath("marked.docx"))) << d.error.toStdString();
    const QString xml =
        QString::fromUtf8(zip_part(read_bytes(dir.filePath("marked.docx")), "word/document.xml"));
    EXPECT_EQ(xml.count(QStringLiteral("w:name=\"dup\"")), 3) << xml.toStdString();
    QStringList ids;
    const QRegularExpression start(QStringLiteral("bookmarkStart w:id=\"([^\"]+)\""));
    for (auto it = start.globalMatch(xml); it.hasNext();) ids << it.next().captured(1);
    EXPECT_EQ(ids.size(), 5);
    EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), 5);
    for (const QString& id : ids) {
        bool ok = false;
        EXPECT_GE(id.toLongLong(&ok), 0);
        EXPECT_LE(id.toLongLong(), 2147483647ll);
        EXPECT_TRUE(ok);
    }
    opened back(dir.filePath("marked.docx"));
    ASSERT_TRUE(back.doc);
    EXPECT_EQ(bookmark_list(back.doc), bookmark_list(d.doc));
}

TEST(docx_real_world, text_outside_the_body_is_kept_by_kind_without_duplicates_or_separators) {
    QTemporaryDir dir;
    const QString path = stories_package(dir);
    opened d(path);
    ASSERT_TRUE(d.doc) << d.error.toStdString();
    EXPECT_EQ(d.text(), QStringLiteral("正文\r"));
    QStringList stories;
    for (const docx_story& s : d.extras.stories)
        stories << QStringLiteral("%1 %2 %3 %4")
                       .arg(s.kind)
                       .arg(s.part, s.text)
                       .arg(docx_story_chars(s));
    EXPECT_EQ(stories, QStringList({QStringLiteral("0 word/header1.xml 页眉文字\r第二行 7"),
                                    QStringLiteral("2 word/footnotes.xml 脚注一 3"),
                                    QStringLiteral("2 word/footnotes.xml 脚注二二 4"),
                                    QStringLiteral("4 word/comments.xml 批注 2"),
                                    QStringLiteral("5 word/document.xml 框内文字 4")}));
}

TEST(docx_real_world, stories_open_as_documents_of_their_own_and_keep_their_marks_in_their_parts) {
    QTemporaryDir dir;
    opened d(stories_package(dir));
    ASSERT_TRUE(d.doc) << d.error.toStdString();
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("body"), 0, 2));
    // The two footnotes share one document, each with its own paragraphs.
    QStringList texts;
    for (const std::vector<size_t>& group :
         std::vector<std::vector<size_t>>{{0}, {1, 2}, {3}, {4}}) {
        auto story = docx_open_stories(d.app, d.extras, group, d.error);
        ASSERT_TRUE(story) << d.error.toStdString();
        const QString text = wps_sim::document_text(story);
        if (group.size() == 2) {
            EXPECT_EQ(text, QStringLiteral("脚注一\r脚注二二\r"));
        }
        long offset = 0;
        for (const size_t i : group) {
            const QString name = QStringLiteral("m%1").arg(i);
            ASSERT_EQ(S_OK, add_bookmark(story, name, offset + 1, offset + 2));
            EXPECT_EQ(
                S_OK,
                range(story, offset + 1, offset + 2)->put_HighlightColorIndex(wpsapi::wdYellow));
            const long next = text.indexOf(QLatin1Char('\r'), offset) + 1;
            texts << text.mid(offset, next - offset);
            offset = next;
        }
        // Saving the stories alone writes nothing.
        EXPECT_TRUE(wps_sim::save_document(story, dir.filePath("alone"), d.error));
        EXPECT_FALSE(QFile::exists(dir.filePath("alone")));
    }
    texts[0] = QStringLiteral("页眉文字\r第二行\r");  // two paragraphs
    EXPECT_EQ(texts.mid(1), QStringList({QStringLiteral("脚注一\r"), QStringLiteral("脚注二二\r"),
                                         QStringLiteral("批注\r"), QStringLiteral("框内文字\r")}));
    const QString out = dir.filePath("marked.docx");
    ASSERT_TRUE(d.save(out)) << d.error.toStdString();

    opened back(out);
    ASSERT_TRUE(back.doc) << back.error.toStdString();
    EXPECT_EQ(bookmark_list(back.doc), QStringList({"body 0-2"}));
    ASSERT_EQ(back.extras.stories.size(), d.extras.stories.size());
    for (size_t i = 0; i < back.extras.stories.size(); ++i) {
        auto story = docx_open_stories(back.app, back.extras, {i}, back.error);
        ASSERT_TRUE(story) << back.error.toStdString();
        EXPECT_EQ(wps_sim::document_text(story), texts[static_cast<int>(i)]);
        EXPECT_EQ(bookmark_list(story), QStringList({QStringLiteral("m%1 1-2").arg(i)}));
        QVector<int> highlights = wps_sim::document_highlights(story);
        EXPECT_EQ(highlights.value(1), wpsapi::wdYellow) << i;
        EXPECT_EQ(highlights.value(0), 0) << i;
        // The author's own colour in the header stays.
        if (i == 0) {
            EXPECT_EQ(highlights.value(6), wpsapi::wdTurquoise);
        }
    }
    // Bookmark ids are unique in the package, also where two stories share
    // a part.
    QStringList ids;
    for (const char* part :
         {"word/document.xml", "word/header1.xml", "word/footnotes.xml", "word/comments.xml"}) {
        auto matches = QRegularExpression(QStringLiteral("<w:bookmarkStart w:id=\"(\\d+)\""))
                           .globalMatch(QString::fromUtf8(zip_part(read_bytes(out), part)));
        while (matches.hasNext()) ids << matches.next().captured(1);
    }
    EXPECT_EQ(ids.size(), 6);
    EXPECT_EQ(ids.removeDuplicates(), 0) << ids.join(' ').toStdString();
    EXPECT_EQ(ids.removeDuplicates(), 0);
}
