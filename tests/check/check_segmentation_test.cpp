// Cutting documents of the simulated host into check pieces.
#include <gtest/gtest.h>

#include <algorithm>

#include "check/velmo_piece_cutter.h"
#include "check_test_env.h"
#include "config/velmo_config.h"

namespace {

const QChar shape = wps_sim::inline_shape;
const QString cell_mark = QString(QChar(wpsapi::wdCellMark));

struct segmentation : ::testing::Test {
    // Short texts are cut with a short piece length of their own, below what
    // the setting allows; 0 takes the setting.
    int length = 0;
    void cut_into(velmo_piece_cutter& into, kfc::ks_stdptr<wpsapi::Range> range) {
        long start = 0;
        long end = 0;
        if (length <= 0 || FAILED(range->get_Start(&start)) || FAILED(range->get_End(&end)))
            into.cut(range);
        else
            into.cut(range, start, end, length);
    }
    void cut(long start, long end) { cut_into(cutter, env->range(start, end)); }
    void cut_all() { cut_into(cutter, env->content()); }
    QStringList texts(const QList<check_range_threadsafe_t>& list) const {
        QStringList out;
        for (const check_range_threadsafe_t& piece : list) out << piece.text;
        return out;
    }
    QStringList piece_texts() const { return texts(cutter.pieces()); }
    // Every captured text must be exactly the host's text between its bounds,
    // since errors are placed by adding offsets to the start.
    void expect_texts_match_host(const QList<check_range_threadsafe_t>& list) {
        for (const check_range_threadsafe_t& piece : list) {
            EXPECT_LT(piece.start, piece.end);
            EXPECT_EQ(env->text(piece.start, piece.end), piece.text) << piece.start;
        }
    }
    void use(const check_settings& settings) {
        env.reset();  // its settings file must be gone before the next one is set
        env.reset(new check_test_env(settings));
    }

    std::unique_ptr<check_test_env> env{new check_test_env()};
    velmo_piece_cutter cutter;
};

check_settings piece_length(int length) {
    check_settings settings;
    settings.piece_length = length;
    return settings;
}

TEST_F(segmentation, short_paragraphs_give_one_piece_each) {
    env->open(wps_sim::document_builder().paragraphs(
        {"第一段。", "Second one, with commas, and more.", "third"}));
    cut_all();
    EXPECT_EQ(piece_texts(),
              QStringList({"第一段。\r", "Second one, with commas, and more.\r", "third\r"}));
    EXPECT_TRUE(cutter.contents_pieces().isEmpty());
    expect_texts_match_host(cutter.pieces());
    EXPECT_EQ(cutter.pieces().at(1).start, 5);
}

TEST_F(segmentation, long_stretches_are_cut_to_length) {
    use(piece_length(1000));
    env->open(wps_sim::document_builder().paragraph(filler(2499)));
    cut_all();
    const QList<check_range_threadsafe_t>& pieces = cutter.pieces();
    ASSERT_EQ(pieces.size(), 3);
    EXPECT_EQ(pieces.at(0).end - pieces.at(0).start, 1000);
    EXPECT_EQ(pieces.at(1).start, 1000);
    EXPECT_EQ(pieces.at(1).end - pieces.at(1).start, 1000);
    EXPECT_EQ(pieces.at(2).start, 2000);
    EXPECT_EQ(pieces.at(2).end - pieces.at(2).start, 500);
    expect_texts_match_host(pieces);
}

TEST_F(segmentation, cuts_fall_after_the_last_separator_or_sentence_end_never_in_a_character) {
    length = 10;
    const QString wide = QString::fromUtf8("\xF0\xA0\x80\x80");  // one character, two units
    env->open(wps_sim::document_builder().paragraphs(
        {"abc,defghijklmn", "甲乙，丙丁。戊己庚辛壬癸子", "a.b!c?d;e:", filler(9) + wide + "yy"}));
    cut_all();
    EXPECT_EQ(piece_texts(),
              QStringList({"abc,", "defghijklm", "n\r", "甲乙，丙丁。", "戊己庚辛壬癸子\r",
                           "a.b!c?d;e:", "\r", filler(9), wide + "yy\r"}));
    expect_texts_match_host(cutter.pieces());
}

// The stored piece length is held to what the settings dialog allows,
// whether the key is missing, zero, hand-typed too short or too long.
TEST_F(segmentation, the_piece_length_setting_is_held_to_the_dialogs_range) {
    struct case_t {
        bool written;
        int stored;
        QList<int> lengths;
    };
    const QList<int> shortest = {100, 100, 51};
    for (const case_t& c : {case_t{false, 0, shortest}, case_t{true, 0, shortest},
                            case_t{true, 5, shortest}, case_t{true, 9000, {5000, 251}}}) {
        check_settings settings = piece_length(c.stored);
        settings.write_piece_length = c.written;
        use(settings);
        velmo_piece_cutter fresh;
        const int total = c.lengths.size() == 3 ? 250 : 5250;
        env->open(wps_sim::document_builder().paragraph(filler(total)));
        kfc::ks_stdptr<wpsapi::Range> range = env->content();
        fresh.cut(range);
        QList<int> lengths;
        for (const check_range_threadsafe_t& piece : fresh.pieces())
            lengths << static_cast<int>(piece.end - piece.start);
        EXPECT_EQ(lengths, c.lengths) << "stored " << c.stored << ", written " << c.written;
    }
}

TEST_F(segmentation, inline_shapes_alone_are_left_out) {
    env->open(wps_sim::document_builder()
                  .paragraph(QString("ab") + shape + "cd" + shape + "ef")
                  .paragraph(QString("ab,cd") + shape + "ef"));
    cut_all();
    // Second paragraph starts at 9; the stretch before its shape holds a
    // separator inside, so it gives two pieces.
    EXPECT_EQ(piece_texts(), QStringList({"ab", "cd", "ef\r", "ab,", "cd", "ef\r"}));
    const QList<check_range_threadsafe_t>& pieces = cutter.pieces();
    EXPECT_EQ(pieces.at(1).start, 3);
    EXPECT_EQ(pieces.at(2).start, 6);
    EXPECT_EQ(pieces.at(5).start, 15);
    expect_texts_match_host(pieces);
}

TEST_F(segmentation, a_table_is_cut_once_into_its_cells) {
    const QStringList cells = {"c1", "第二格，很长的一格", "c3", "c4", "c5", "c6"};
    wps_sim::document_builder builder;
    builder.paragraph("前言").table(2, 3, cells).paragraph("后记");
    const long table_start = 3;
    env->open(builder);

    auto cell_pieces = [&]() {
        QStringList out;
        for (const QString& text : piece_texts())
            if (text.endsWith(cell_mark)) out << text;
        return out;
    };
    QStringList expected;
    for (const QString& cell : cells) expected << cell + cell_mark;

    cut_all();
    EXPECT_EQ(piece_texts().first(), "前言\r");
    EXPECT_EQ(cell_pieces(), expected);
    EXPECT_EQ(piece_texts().last(), "后记\r");
    expect_texts_match_host(cutter.pieces());

    // A range from the middle of the table still takes the whole table, once.
    const long fourth_cell = table_start + 3 + 10 + 3;
    ASSERT_EQ(env->text(fourth_cell, fourth_cell + 2), "c4");
    velmo_piece_cutter from_inside;
    kfc::ks_stdptr<wpsapi::Range> range = env->range(fourth_cell, fourth_cell + 1);
    from_inside.cut(range);
    EXPECT_EQ(texts(from_inside.pieces()), expected);
}

TEST_F(segmentation, tables_of_contents_before_the_range_are_passed_over) {
    wps_sim::document_builder builder;
    builder.table_of_contents({"第一章 总则", "第二章 细则"});
    const long body = builder.length();
    builder.paragraphs({"正文一。", "正文二。"});
    env->open(builder);
    cut(body, body + 5);
    EXPECT_TRUE(cutter.contents_pieces().isEmpty());
    EXPECT_EQ(piece_texts(), QStringList({"正文一。\r"}));
}

TEST_F(segmentation, tables_of_contents_in_the_range_become_contents_pieces) {
    env->open(wps_sim::document_builder()
                  .table_of_contents({"第一章 总则", "第二章 细则"})
                  .paragraphs({"正文一。", "正文二。"}));
    cut_all();
    EXPECT_EQ(texts(cutter.contents_pieces()), QStringList({"第一章 总则\r", "第二章 细则\r"}));
    expect_texts_match_host(cutter.contents_pieces());
    // The contents' own paragraphs are not cut again; the first body
    // paragraph starts where the contents end and is cut.
    EXPECT_EQ(piece_texts(), QStringList({"正文一。\r", "正文二。\r"}));
}

// Errors are placed by position, so a character in no piece is never
// checked and one in two pieces is marked twice.
TEST_F(segmentation, every_character_of_the_document_is_in_exactly_one_piece) {
    length = 12;
    QString prose;
    for (int i = 0; i < 9; ++i) prose += QString::fromUtf8("这是第%1句话。").arg(i);
    env->open(wps_sim::document_builder()
                  .table_of_contents({"第一章 总则", "第二章 细则"})
                  .paragraph(QString("ab") + shape + "cd" + shape + "ef")
                  .paragraph(prose)
                  .table(2, 2, {"c1", "", "第三格。很长的一格", "c4"})
                  .paragraph(filler(30) + QString::fromUtf8("尾。")));
    cut_all();
    QList<check_range_threadsafe_t> all = cutter.contents_pieces() + cutter.pieces();
    std::sort(all.begin(), all.end(),
              [](const check_range_threadsafe_t& a, const check_range_threadsafe_t& b) {
                  return a.start < b.start;
              });
    expect_texts_match_host(all);
    long end = -1;
    env->content()->get_End(&end);
    long covered = 0;
    for (const check_range_threadsafe_t& piece : all) {
        while (covered < piece.start && env->text(covered, covered + 1) == QString(shape))
            ++covered;
        EXPECT_EQ(piece.start, covered) << piece.text.toStdString();
        covered = piece.end;
    }
    EXPECT_EQ(covered, end);
    // Sentence-ended prose is cut at its full stops.
    for (const check_range_threadsafe_t& piece : cutter.pieces()) {
        if (!piece.text.contains(QString::fromUtf8("句话"))) continue;
        EXPECT_TRUE(piece.text.endsWith(QString::fromUtf8("。")) ||
                    piece.text.endsWith(QString::fromUtf8("。\r")))
            << piece.text.toStdString();
    }
}

TEST_F(segmentation, tables_of_contents_after_the_range_are_taken_whole) {
    env->open(wps_sim::document_builder()
                  .paragraphs({"开头一。", "开头二。"})
                  .table_of_contents({"第一章", "第二章", "第三章"})
                  .paragraph("结尾。"));
    cut(0, 3);
    EXPECT_EQ(texts(cutter.contents_pieces()), QStringList({"第一章\r", "第二章\r", "第三章\r"}));
    EXPECT_EQ(piece_texts(), QStringList({"开头一。\r"}));
}

}  // namespace

namespace {

// Runs of whole ordinary paragraphs are joined up to the piece length; a
// paragraph with a shape, a table's cells, the contents and a paragraph
// cut in two stay as they were, and every joined piece is still the host's
// text between its bounds. Without the setting nothing is joined.
TEST_F(segmentation, joined_paragraphs_fill_pieces_up_to_the_piece_length_and_no_further) {
    length = 12;
    velmo_singleton_config::instance()->set_int("OtherParams", "JoinParagraphs", 1);
    wps_sim::document_builder builder;
    builder.table_of_contents({"第一章"})
        .paragraphs({"一二三", "四五六", "七八九", "甲乙"})
        .paragraph(QString("ab") + shape + "cd")
        .paragraphs({"子丑", "寅卯"})
        .table(1, 2, {"表一", "表二"})
        .paragraphs({"辰巳", filler(15), "午未"});
    env->open(builder);
    cut_all();
    EXPECT_EQ(piece_texts(), QStringList({"一二三\r四五六\r七八九\r", "甲乙\r", "ab", "cd\r",
                                          "子丑\r寅卯\r", "表一" + cell_mark, "表二" + cell_mark,
                                          "辰巳\r", filler(12), "xxx\r", "午未\r"}));
    EXPECT_EQ(texts(cutter.contents_pieces()), QStringList({"第一章\r"}));
    expect_texts_match_host(cutter.pieces());

    velmo_singleton_config::instance()->set_int("OtherParams", "JoinParagraphs", 0);
    velmo_piece_cutter apart;
    kfc::ks_stdptr<wpsapi::Range> range = env->content();
    cut_into(apart, range);
    EXPECT_EQ(apart.pieces().size(), cutter.pieces().size() + 3);
}

}  // namespace
