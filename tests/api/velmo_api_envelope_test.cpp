// Placeholder filling, escaping of values and sanitising of the article.
#include "api/velmo_api_envelope.h"

#include <gtest/gtest.h>

TEST(velmo_api_envelope, placeholders_are_filled_once_and_never_rescanned) {
    EXPECT_EQ(velmo_api_fill_template("<a>%1</a><b>%2</b>", {"%2", "x%1"}), "<a>%2</a><b>x%1</b>");
    EXPECT_EQ(velmo_api_fill_template("%2-%1", {"first", "second"}), "second-first");

    QStringList twelve;
    for (int i = 1; i <= 12; ++i) twelve << QString("v%1").arg(i);
    twelve[0] = "%12 and %1";
    EXPECT_EQ(velmo_api_fill_template("%1|%10|%11|%12|%2", twelve), "%12 and %1|v10|v11|v12|v2");

    // A placeholder without a value and a lone percent sign stay.
    EXPECT_EQ(velmo_api_fill_template("%3 100% %", {"a"}), "%3 100% %");
    EXPECT_EQ(velmo_api_fill_template("\xE7\x94\xB2%1", {"\xE4\xB9\x99"}),
              QString::fromUtf8("\xE7\x94\xB2\xE4\xB9\x99"));
}

TEST(velmo_api_envelope, values_are_escaped_as_character_references) {
    EXPECT_EQ(velmo_api_xml_escape("a<b>&\"'c"), "a&lt;b&gt;&amp;&quot;&apos;c");
    EXPECT_EQ(velmo_api_xml_escape("&amp;"), "&amp;amp;");
    EXPECT_EQ(velmo_api_xml_escape(QString::fromUtf8("\xE5\xBC\xA0\xE4\xB8\x89")),
              QString::fromUtf8("\xE5\xBC\xA0\xE4\xB8\x89"));
    EXPECT_EQ(velmo_api_xml_escape(""), "");
}

TEST(velmo_api_envelope, sanitising_blanks_markup_and_control_characters_in_place) {
    const QString article = QString("a<b & c>d") + QChar('\n');
    const QString sanitized = velmo_api_sanitize_article(article);
    EXPECT_EQ(sanitized, "a b   c d ");
    EXPECT_EQ(sanitized.size(), 10);

    QString controls;
    for (int c = 0; c < 32; ++c) controls += QChar(c);
    controls += QString::fromUtf8("\xE6\xB5\x8B\xE8\xAF\x95 ok\"'%1");
    const QString blanked = velmo_api_sanitize_article(controls);
    ASSERT_EQ(blanked.size(), controls.size());
    EXPECT_EQ(blanked.left(32), QString(32, ' '));
    EXPECT_EQ(blanked.mid(32), controls.mid(32));  // everything else kept
}

TEST(velmo_api_envelope, sanitising_keeps_pairs_and_blanks_what_xml_cannot_carry) {
    const QChar high(0xD83D), low(0xDE00);  // one emoji
    QString article;
    article += high;
    article += low;            // valid pair: kept
    article += QChar(0xFFFF);  // non-character
    article += low;            // lone low surrogate
    article += high;           // lone high surrogate at the end
    const QString sanitized = velmo_api_sanitize_article(article);
    ASSERT_EQ(sanitized.size(), 5);
    EXPECT_EQ(sanitized[0], high);
    EXPECT_EQ(sanitized[1], low);
    EXPECT_EQ(sanitized.mid(2), "   ");
    EXPECT_EQ(velmo_api_sanitize_article(""), "");
}
