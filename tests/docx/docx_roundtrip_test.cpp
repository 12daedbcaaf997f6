// .docx packages through the simulated host: what is read, what is written
// back, and what python-docx and LibreOffice make of the result.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QTemporaryDir>

#include "docx_document.h"
#include "docx_test_support.h"
#include "wps_test_util.h"

using namespace wps_test;

namespace {

struct host_document {
    kfc::ks_stdptr<wpsapi::_Application> app = wps_sim::create_application();
    kfc::ks_stdptr<wpsapi::_Document> doc;
    QString error;

    explicit host_document(const QString& path) { doc = docx_open(app, path, error); }
    long at(const QString& needle) const { return wps_sim::document_text(doc).indexOf(needle); }
    void highlight(long start, long end, wpsapi::WdColorIndex colour) {
        EXPECT_EQ(S_OK, range(doc, start, end)->put_HighlightColorIndex(colour));
    }
    bool save(const QString& path) { return wps_sim::save_document(doc, path, error); }
};

template <class Collection, class Getter>
long count_of(wpsapi::_Document* doc, Getter getter) {
    kfc::ks_stdptr<Collection> items;
    EXPECT_EQ(S_OK, (doc->*getter)(&items));
    return count(items.get());
}

}  // namespace

TEST(
    docx_document,
    reads_contents_tables_images_bookmarks_and_highlights_and_writes_an_unchanged_package_as_it_was) {
    host_document d(docx_sample_path());
    ASSERT_TRUE(d.doc) << d.error.toStdString();
    const QString text = wps_sim::document_text(d.doc);
    EXPECT_TRUE(text.startsWith(QStringLiteral("第三季度工作会议纪要\r目录\r一、会议概况\t1\r")));
    EXPECT_EQ(count_of<wpsapi::TablesOfContents>(d.doc, &wpsapi::_Document::get_TablesOfContents),
              1);
    EXPECT_EQ(count_of<wpsapi::Tables>(d.doc, &wpsapi::_Document::get_Tables), 1);
    EXPECT_EQ(count_of<wpsapi::InlineShapes>(d.doc, &wpsapi::_Document::get_InlineShapes), 1);
    EXPECT_EQ(text.count(QChar(7)), 8);
    EXPECT_TRUE(text.contains(QStringLiteral("工作回顾\r1\a本季度各部门按步就班")));
    const auto own = bookmark_extent(d.doc, QStringLiteral("会议要求"));
    EXPECT_EQ(text.mid(own.first, own.second - own.first),
              QStringLiteral("会议要求各部门在十月十日前提交《第四季度工作计划》，并报送办公室。"));
    wpsapi::WdColorIndex colour = wpsapi::wdNoHighlight;
    const long name = d.at(QStringLiteral("赵名远"));
    range(d.doc, name, name + 3)->get_HighlightColorIndex(&colour);
    EXPECT_EQ(colour, wpsapi::wdTurquoise);

    // Checking a document leaves it unchanged when nothing is found: the
    // package is written back byte for byte, through Save as well.
    QTemporaryDir dir;
    ASSERT_TRUE(d.save(dir.filePath("copy.docx"))) << d.error.toStdString();
    EXPECT_EQ(read_bytes(dir.filePath("copy.docx")), read_bytes(docx_sample_path()));
    set_text(d.doc, name, name + 3, QStringLiteral("赵名远"));
    ASSERT_TRUE(d.save(dir.filePath("same.docx")));
    EXPECT_EQ(zip_part(read_bytes(dir.filePath("same.docx")), "word/document.xml"),
              zip_part(read_bytes(docx_sample_path()), "word/document.xml"));
}

TEST(docx_document,
     marks_highlights_and_corrections_read_back_in_the_host_python_docx_and_libreoffice) {
    QTemporaryDir dir;
    host_document d(docx_sample_path());
    ASSERT_TRUE(d.doc) << d.error.toStdString();
    // A mark inside a run, highlighted; a correction; a mark in a table cell;
    // one over the image; one across a paragraph end; an empty one; the
    // document's own bookmark and highlight removed.
    const long wrong = d.at(QStringLiteral("按步就班"));
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("vmjd_error_1_0_按步就班_按部就班_1"), wrong,
                                 wrong + 4));
    d.highlight(wrong, wrong + 4, wpsapi::wdYellow);
    const long correction = d.at(QStringLiteral("再接再励"));
    set_text(d.doc, correction, correction + 4, QStringLiteral("再接再厉"));
    const long cell = d.at(QStringLiteral("投诉数量"));
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("cell"), cell, cell + 4));
    d.highlight(cell + 2, cell + 4, wpsapi::wdPink);
    const long image = d.at(QString(QChar(1)));
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("image"), image - 2, image + 1));
    const long across = d.at(QStringLiteral("工作进展。"));
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("across"), across, across + 8));
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("point"), correction + 1, correction + 1));
    kfc::ks_stdptr<wpsapi::Bookmarks> marks;
    d.doc->get_Bookmarks(&marks);
    VARIANT own = kfc::var_bstr(bstr(QStringLiteral("会议要求")).detach());
    kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
    ASSERT_EQ(S_OK, marks->Item(&own, &bookmark));
    kfc::var_clear(own);
    bookmark->Delete();
    const long name = d.at(QStringLiteral("赵名远"));
    d.highlight(name, name + 3, wpsapi::wdNoHighlight);

    const QString marked = dir.filePath("marked.docx");
    ASSERT_TRUE(d.save(marked)) << d.error.toStdString();
    host_document back(marked);
    ASSERT_TRUE(back.doc) << back.error.toStdString();
    EXPECT_EQ(wps_sim::document_text(back.doc), wps_sim::document_text(d.doc));
    EXPECT_EQ(wps_sim::document_highlights(back.doc), wps_sim::document_highlights(d.doc));
    QStringList written, expected;
    for (const auto& b : wps_sim::document_bookmarks(back.doc))
        written << QStringLiteral("%1 %2-%3").arg(b.name).arg(b.start).arg(b.end);
    for (const auto& b : wps_sim::document_bookmarks(d.doc))
        expected << QStringLiteral("%1 %2-%3").arg(b.name).arg(b.start).arg(b.end);
    EXPECT_EQ(written, expected);

    const QJsonObject read = python_docx_read(marked);
    const QJsonObject bookmarks = read.value("bookmarks").toObject();
    EXPECT_EQ(bookmarks.value(QStringLiteral("vmjd_error_1_0_按步就班_按部就班_1")).toString(),
              QStringLiteral("按步就班"));
    EXPECT_EQ(bookmarks.value("cell").toString(), QStringLiteral("投诉数量"));
    EXPECT_EQ(bookmarks.value("image").toString(), QStringLiteral("片："));
    EXPECT_EQ(bookmarks.value("across").toString(), QStringLiteral("工作进展。二、"));
    EXPECT_EQ(bookmarks.value("point").toString(), QString());
    EXPECT_FALSE(bookmarks.contains(QStringLiteral("会议要求")));
    const QJsonArray highlights = read.value("highlights").toArray();
    EXPECT_TRUE(highlights.contains(QJsonArray{"yellow", QStringLiteral("按步就班")}));
    EXPECT_TRUE(highlights.contains(QJsonArray{"magenta", QStringLiteral("数量")}));
    EXPECT_EQ(highlights.size(), 2);
    QStringList texts;
    for (const QJsonValue& t : read.value("texts").toArray()) texts << t.toString();
    QStringList original;
    for (const QJsonValue& t : python_docx_read(docx_sample_path()).value("texts").toArray())
        original << t.toString();
    EXPECT_EQ(texts,
              original.replaceInStrings(QStringLiteral("再接再励"), QStringLiteral("再接再厉")));

    const QStringList office = libreoffice_text({docx_sample_path(), marked}, dir.path());
    ASSERT_EQ(office.size(), 2);
    EXPECT_TRUE(office[0].contains(QStringLiteral("再接再励")));
    EXPECT_EQ(office[1],
              QString(office[0]).replace(QStringLiteral("再接再励"), QStringLiteral("再接再厉")));
}

TEST(docx_document, split_runs_keep_their_formatting_and_a_changed_structure_is_not_written) {
    QTemporaryDir dir;
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
        "<w:p><w:r><w:rPr><w:b/><w:u w:val=\"single\"/></w:rPr><w:t>abcdef</w:t></w:r></w:p>"
        "<w:p><w:r><w:t>s</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>ec</w:t></w:r><w:r><w:t>ond</"
        "w:t></w:r></w:p>"
        "<w:sectPr/></w:body></w:document>";
    const QString path = dir.filePath("plain.docx");
    write_bytes(path, make_zip({{"word/document.xml", xml}}));
    host_document d(path);
    ASSERT_TRUE(d.doc) << d.error.toStdString();
    ASSERT_EQ(S_OK, add_bookmark(d.doc, QStringLiteral("m"), 2, 4));
    d.highlight(2, 4, wpsapi::wdYellow);
    ASSERT_TRUE(d.save(dir.filePath("out.docx"))) << d.error.toStdString();
    const QString out =
        QString::fromUtf8(zip_part(read_bytes(dir.filePath("out.docx")), "word/document.xml"));
    EXPECT_EQ(out.count(QStringLiteral("<w:b/>")), 3);
    EXPECT_TRUE(out.contains(
        QStringLiteral("<w:bookmarkStart w:id=\"0\" w:name=\"m\"/><w:r><w:rPr><w:b/>"
                       "<w:highlight w:val=\"yellow\"/><w:u w:val=\"single\"/></w:rPr>")))
        << out.toStdString();

    // Two corrections in one paragraph leave the run between them as it was.
    set_text(d.doc, 7, 8, QStringLiteral("S"));
    set_text(d.doc, 12, 13, QStringLiteral("D!"));
    ASSERT_TRUE(d.save(dir.filePath("corrected.docx"))) << d.error.toStdString();
    EXPECT_TRUE(
        QString::fromUtf8(zip_part(read_bytes(dir.filePath("corrected.docx")), "word/document.xml"))
            .contains(QStringLiteral(
                "<w:r><w:t>S</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>ec</w:t></w:r>"
                "<w:r><w:t>onD!</w:t></w:r>")));

    // Joining two paragraphs cannot be written in place: nothing is written.
    set_text(d.doc, 6, 7, QString());
    EXPECT_FALSE(d.save(dir.filePath("joined.docx")));
    EXPECT_TRUE(d.error.contains(QStringLiteral("paragraphs")));
    EXPECT_FALSE(QFile::exists(dir.filePath("joined.docx")));
}

TEST(docx_document, split_runs_show_the_spaces_the_original_showed_and_no_others) {
    QTemporaryDir dir;
    // Without xml:space="preserve" a word processor shows no white space at
    // the ends of a w:t: these paragraphs read "We did it.Next." and
    // "完成了工作。下一句".
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
        "<w:p><w:r><w:t>We did it. </w:t></w:r><w:r><w:t>Next.</w:t></w:r></w:p>"
        "<w:p><w:r><w:t>完成了工作。\t</w:t></w:r><w:r><w:t> 下一句</w:t></w:r></w:p>"
        "<w:p><w:r><w:t xml:space=\"preserve\">kept </w:t></w:r><w:r><w:t>end</w:t></w:r></w:p>"
        "<w:sectPr/></w:body></w:document>";
    const QString path = dir.filePath("spaces.docx");
    write_bytes(path, sample_with_main_part(xml));
    host_document d(path);
    ASSERT_TRUE(d.doc) << d.error.toStdString();
    EXPECT_EQ(wps_sim::document_text(d.doc),
              QStringLiteral("We did it.Next.\r完成了工作。下一句\rkept end\r"));
    for (const QString& word :
         {QStringLiteral("it"), QStringLiteral("工作"), QStringLiteral("ep")}) {
        const long at = d.at(word);
        ASSERT_EQ(S_OK, add_bookmark(d.doc, word, at, at + word.size()));
        d.highlight(at, at + word.size(), wpsapi::wdYellow);
    }
    const QString marked = dir.filePath("marked.docx");
    ASSERT_TRUE(d.save(marked)) << d.error.toStdString();
    const QString out = QString::fromUtf8(zip_part(read_bytes(marked), "word/document.xml"));
    // Only a piece that now ends at a space it must show preserves it.
    EXPECT_EQ(out.count(QStringLiteral("xml:space")), 3) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("<w:t xml:space=\"preserve\">We did </w:t>")));
    EXPECT_TRUE(out.contains(QStringLiteral("<w:t>.</w:t>"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("<w:t>完成了</w:t>")));
    EXPECT_TRUE(out.contains(QStringLiteral("<w:t>。</w:t>")));
    EXPECT_TRUE(out.contains(QStringLiteral("<w:t> 下一句</w:t>")));

    host_document back(marked);
    ASSERT_TRUE(back.doc) << back.error.toStdString();
    EXPECT_EQ(wps_sim::document_text(back.doc), wps_sim::document_text(d.doc));
    const QJsonObject read = python_docx_read(marked);
    EXPECT_EQ(read.value("texts").toArray(),
              QJsonArray({"We did it.Next.", QStringLiteral("完成了工作。下一句"), "kept end"}));
    EXPECT_EQ(read.value("bookmarks").toObject().value("ep").toString(), QStringLiteral("ep"));
    const QStringList office = libreoffice_text({path, marked}, dir.path());
    ASSERT_EQ(office.size(), 2);
    EXPECT_TRUE(office[0].contains(QStringLiteral("We did it.Next.")));
    EXPECT_EQ(office[1], office[0]);
}
