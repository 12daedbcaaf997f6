// Text as the editor holds it, and the reading of document files.
#include <gtest/gtest.h>

#include "wpsapi.h"
#include "wsim_display_text.h"
#include "wsim_document_file.h"
#include "wsim_runner.h"

namespace {
const QChar P(wpsapi::wdParagraphMark);
const QChar C(wpsapi::wdCellMark);
const QChar S(wpsapi::wdInlineShapeMark);
}  // namespace

TEST(wsim_display_text, keeps_every_position_of_the_host_text) {
    const QString host = QStringLiteral("第一段") + P + QStringLiteral("a") + C +
                         QStringLiteral("b") + C + P + QStringLiteral("图") + S + P;
    const QString shown = wsim_display_text(host);
    // The final paragraph mark is the editor's own end of text.
    ASSERT_EQ(shown.size(), host.size() - 1);
    EXPECT_EQ(shown.at(3), QChar(QChar::ParagraphSeparator));
    EXPECT_EQ(shown.at(5), QChar(QChar::ParagraphSeparator));
    EXPECT_EQ(shown.at(10), QChar(0x25A3));
    EXPECT_EQ(shown.left(3), QStringLiteral("第一段"));
    // Printed, a table cell ends with a tab and the last paragraph with a line break.
    EXPECT_EQ(wsim_printable_text(host), QStringLiteral("第一段\na\tb\t\n图▣\n"));
    // Typed line breaks become paragraph marks, nothing else changes.
    EXPECT_EQ(wsim_host_text(QStringLiteral("x\ny") + QChar(QChar::ParagraphSeparator)),
              QStringLiteral("x") + P + QStringLiteral("y") + P);
}

TEST(wsim_display_text, diff_finds_the_smallest_replacement) {
    wsim_text_change c = wsim_diff_text(QStringLiteral("再接再励"), QStringLiteral("再接再厉"));
    EXPECT_EQ(c.position, 3);
    EXPECT_EQ(c.removed, 1);
    EXPECT_EQ(c.inserted, QStringLiteral("厉"));

    c = wsim_diff_text(QStringLiteral("abc"), QStringLiteral("abXbc"));
    EXPECT_EQ(c.position, 2);
    EXPECT_EQ(c.removed, 0);
    EXPECT_EQ(c.inserted, QStringLiteral("Xb"));

    // A repeated character deleted: prefix and suffix must not overlap.
    c = wsim_diff_text(QStringLiteral("aaa"), QStringLiteral("aa"));
    EXPECT_EQ(c.removed, 1);
    EXPECT_TRUE(c.inserted.isEmpty());
    EXPECT_EQ(c.position + c.removed, 3);

    c = wsim_diff_text(QStringLiteral("same"), QStringLiteral("same"));
    EXPECT_EQ(c.removed, 0);
    EXPECT_TRUE(c.inserted.isEmpty());
}

TEST(wsim_document_file, accepts_utf8_and_names_the_first_bad_line) {
    QString error;
    EXPECT_TRUE(wsim_check_utf8_text(QByteArray("plain\n"), error));
    EXPECT_TRUE(wsim_check_utf8_text(QStringLiteral("中文\n第二行 ✓").toUtf8(), error));
    EXPECT_TRUE(wsim_check_utf8_text(QByteArray("\xEF\xBB\xBFwith a byte order mark"), error));
    EXPECT_TRUE(wsim_check_utf8_text(QByteArray(), error));

    // GBK-encoded Chinese on the second line.
    EXPECT_FALSE(wsim_check_utf8_text(QByteArray("ok\n\xD6\xD0\xCE\xC4\n"), error));
    EXPECT_TRUE(error.contains("line 2")) << error.toStdString();
    // A multi-byte sequence cut off at the end of the file.
    EXPECT_FALSE(wsim_check_utf8_text(QByteArray("abc\xE4\xB8"), error));
    EXPECT_TRUE(error.contains("line 1"));
    // Latin-1, overlong forms and encoded surrogates are not UTF-8 either.
    EXPECT_FALSE(wsim_check_utf8_text(QByteArray("caf\xE9"), error));
    EXPECT_FALSE(wsim_check_utf8_text(QByteArray("\xC0\xAF"), error));
    EXPECT_FALSE(wsim_check_utf8_text(QByteArray("\xED\xA0\x80"), error));
    // Binary data.
    EXPECT_FALSE(wsim_check_utf8_text(QByteArray("a\nb\0c", 5), error));
    EXPECT_TRUE(error.contains("NUL")) << error.toStdString();
}

TEST(wsim_errata_path, follows_the_whole_document_name) {
    EXPECT_EQ(wsim_errata_path("/d", QStringLiteral("纪要.txt")),
              QStringLiteral("/d/_纪要.txt.txt"));
    EXPECT_EQ(wsim_errata_path("/d", "a.b.docx"), QStringLiteral("/d/_a.b.docx.txt"));
    EXPECT_EQ(wsim_errata_path("/d", "noext"), QStringLiteral("/d/_noext.txt"));
}
