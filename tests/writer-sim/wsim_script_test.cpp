// The step language: how lines split into words and which steps are refused.
#include "wsim_script.h"

#include <gtest/gtest.h>

namespace {

QStringList words_of(const QString& line) {
    QStringList words;
    QString error;
    EXPECT_TRUE(wsim_split_words(line, words, error)) << error.toStdString();
    return words;
}

QString parse_error(const QString& script) {
    QVector<wsim_step> steps;
    QString error;
    EXPECT_FALSE(wsim_parse_script(script, steps, error));
    return error;
}

}  // namespace

TEST(wsim_script, splits_words_with_quotes_and_escapes) {
    EXPECT_EQ(words_of(QStringLiteral("  click   校对 ")), (QStringList{"click", "校对"}));
    EXPECT_EQ(words_of(QStringLiteral("type \"a b\"")), (QStringList{"type", "a b"}));
    EXPECT_EQ(words_of(QStringLiteral("type \"say \\\"hi\\\"\\n\\\\\"")),
              (QStringList{"type", "say \"hi\"\n\\"}));
    // An empty quoted word is still a word; quotes inside a word join it.
    EXPECT_EQ(words_of(QStringLiteral("type \"\"")), (QStringList{"type", ""}));
    EXPECT_EQ(words_of(QStringLiteral("type ab\"c d\"e")), (QStringList{"type", "abc de"}));

    QStringList words;
    QString error;
    EXPECT_FALSE(wsim_split_words(QStringLiteral("type \"open"), words, error));
    EXPECT_FALSE(wsim_split_words(QStringLiteral("type \"open\\"), words, error));
}

TEST(wsim_script, parses_every_step_and_skips_comments) {
    const QString script = QStringLiteral(
        "# proofread and list\n"
        "\n"
        "open doc.txt\n"
        "activate 2\n"
        "select 3 10\n"
        "cursor 0\n"
        "answer 确定 选择页码\n"
        "type \"demo user\"\n"
        "close 用户登录\n"
        "click 校对\n"
        "save\n"
        "marks\n"
        "text\n"
        "errata\n"
        "expect marks 4\n");
    QVector<wsim_step> steps;
    QString error;
    ASSERT_TRUE(wsim_parse_script(script, steps, error)) << error.toStdString();
    ASSERT_EQ(steps.size(), 13);
    EXPECT_EQ(steps.at(0).kind, wsim_step_kind::open);
    EXPECT_EQ(steps.at(0).line, 3);
    EXPECT_EQ(steps.at(2).kind, wsim_step_kind::select);
    EXPECT_EQ(steps.at(2).args, (QStringList{"3", "10"}));
    EXPECT_EQ(steps.at(4).args, (QStringList{"确定", "选择页码"}));
    EXPECT_EQ(steps.at(5).args, QStringList{"demo user"});
    EXPECT_EQ(steps.at(6).kind, wsim_step_kind::close);
    EXPECT_EQ(steps.at(7).kind, wsim_step_kind::click);
    EXPECT_EQ(steps.at(12).kind, wsim_step_kind::expect);
    EXPECT_EQ(steps.at(12).line, 15);
}

TEST(wsim_script, refuses_bad_steps_naming_the_line) {
    EXPECT_TRUE(parse_error(QStringLiteral("save\nfrobnicate\n")).startsWith("line 2:"));
    EXPECT_TRUE(parse_error(QStringLiteral("click")).contains("usage: click CAPTION"));
    EXPECT_TRUE(parse_error(QStringLiteral("click a b")).contains("usage"));
    EXPECT_TRUE(parse_error(QStringLiteral("save now")).contains("usage: save"));
    EXPECT_TRUE(parse_error(QStringLiteral("close")).contains("usage: close TITLE"));
    EXPECT_TRUE(
        parse_error(QStringLiteral("answer a b c")).contains("usage: answer BUTTON [TITLE]"));
    // Positions are non-negative decimal numbers, and a selection runs forward.
    EXPECT_TRUE(parse_error(QStringLiteral("select -1 4")).contains("not a position"));
    EXPECT_TRUE(parse_error(QStringLiteral("cursor x")).contains("not a position"));
    EXPECT_TRUE(parse_error(QStringLiteral("cursor +3")).contains("not a position"));
    EXPECT_TRUE(parse_error(QStringLiteral("select 9 4")).contains("start lies after the end"));
    EXPECT_TRUE(parse_error(QStringLiteral("expect marks many")).contains("usage"));
    EXPECT_TRUE(parse_error(QStringLiteral("expect bookmarks 3")).contains("usage"));
    EXPECT_TRUE(
        parse_error(QStringLiteral("\n\ntype \"unclosed")).startsWith("line 3: unclosed quote"));
}

TEST(wsim_script, writes_steps_back_in_their_own_syntax) {
    wsim_step step;
    bool is_step = false;
    QString error;
    const QString line = QStringLiteral("type \"two words \\\"quoted\\\"\\n\"");
    ASSERT_TRUE(wsim_parse_step(line, 1, step, is_step, error));
    ASSERT_TRUE(is_step);
    wsim_step again;
    ASSERT_TRUE(wsim_parse_step(wsim_step_to_string(step), 1, again, is_step, error));
    EXPECT_EQ(again.args, step.args);
    EXPECT_EQ(wsim_step_to_string(step), line);
}
