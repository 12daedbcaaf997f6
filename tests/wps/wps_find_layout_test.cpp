// Find, page and line numbers, statistics and highlight read-back.
#include "wps_test_util.h"

using namespace wps_test;

namespace {

struct find_call {
    QString text;
    bool match_case = false;
    bool whole_word = false;
    int wrap = wpsapi::wdFindStop;
};

bool execute(wpsapi::Selection* sel, const find_call& call) {
    ks_stdptr<wpsapi::Find> find;
    EXPECT_EQ(S_OK, sel->get_Find(&find));
    EXPECT_EQ(S_OK, find->ClearFormatting());
    VARIANT text = kfc::var_bstr(bstr(call.text).detach());
    VARIANT match_case = kfc::var_bool(call.match_case);
    VARIANT whole = kfc::var_bool(call.whole_word);
    VARIANT forward = kfc::var_bool(true);
    VARIANT wrap = kfc::var_i4(call.wrap);
    VARIANT format = kfc::var_bool(false);
    VARIANT missing = kfc::var_missing();
    VARIANT_BOOL found = VARIANT_FALSE;
    EXPECT_EQ(S_OK, find->Execute(&text, &match_case, &whole, &missing, &missing, &missing,
                                  &forward, &wrap, &format, &missing, &missing, nullptr, nullptr,
                                  nullptr, nullptr, &found));
    kfc::var_clear(text);
    return found == VARIANT_TRUE;
}

std::pair<long, long> sel_extent(wpsapi::Selection* sel) {
    long s = -1, e = -1;
    sel->get_Start(&s);
    sel->get_End(&e);
    return {s, e};
}

class find_test : public ::testing::Test {
  protected:
    void SetUp() override {
        app_ = wps_sim::create_application();
        doc_ = wps_sim::document_builder().paragraph("Apple apple pineapple APPLE").open(app_);
        sel_ = selection(app_);
        sel_->SetRange(0, 0);
    }
    std::vector<long> all_matches(const find_call& call) {
        std::vector<long> starts;
        while (execute(sel_, call)) {
            starts.push_back(sel_extent(sel_).first);
            if (starts.size() > 10) break;  // a find that does not move
        }
        return starts;
    }
    ks_stdptr<wpsapi::_Application> app_;
    ks_stdptr<wpsapi::_Document> doc_;
    ks_stdptr<wpsapi::Selection> sel_;
};

TEST_F(find_test, successive_matches_with_and_without_case_and_whole_word) {
    EXPECT_EQ(std::vector<long>({0, 6, 16, 22}), all_matches({"apple"}));
    EXPECT_EQ(std::make_pair(22L, 27L), sel_extent(sel_));  // the last match stays selected
    sel_->SetRange(0, 0);
    EXPECT_EQ(std::vector<long>({6, 16}), all_matches({"apple", true}));
    sel_->SetRange(0, 0);
    EXPECT_EQ(std::vector<long>({0, 6, 22}), all_matches({"apple", false, true}));
}

TEST_F(find_test, stops_at_the_end_unless_asked_to_wrap) {
    sel_->SetRange(23, 23);
    EXPECT_FALSE(execute(sel_, {"apple"}));
    EXPECT_EQ(std::make_pair(23L, 23L), sel_extent(sel_));
    EXPECT_TRUE(execute(sel_, {"apple", false, false, wpsapi::wdFindContinue}));
    EXPECT_EQ(std::make_pair(0L, 5L), sel_extent(sel_));
}

TEST_F(find_test, a_selection_set_by_hand_is_searched_from_its_start) {
    sel_->SetRange(6, 11);  // exactly an occurrence, not found by find
    EXPECT_TRUE(execute(sel_, {"apple"}));
    EXPECT_EQ(std::make_pair(6L, 11L), sel_extent(sel_));
    EXPECT_TRUE(execute(sel_, {"apple"}));  // then it goes on
    EXPECT_EQ(std::make_pair(16L, 21L), sel_extent(sel_));
}

TEST_F(find_test, empty_text_never_matches) {
    sel_->SetRange(3, 4);
    EXPECT_FALSE(execute(sel_, {""}));
    EXPECT_EQ(std::make_pair(3L, 4L), sel_extent(sel_));
}

TEST(find, whole_word_treats_han_characters_as_separate_words) {
    auto app = wps_sim::create_application();
    auto doc = wps_sim::document_builder().paragraph("我们中文abc中文").open(app);
    auto sel = selection(app);
    sel->SetRange(0, 0);
    EXPECT_TRUE(execute(sel, {"中文", false, true}));
    EXPECT_EQ(std::make_pair(2L, 4L), sel_extent(sel));
    EXPECT_TRUE(execute(sel, {"中文", false, true}));
    EXPECT_EQ(std::make_pair(7L, 9L), sel_extent(sel));
    sel->SetRange(0, 0);
    EXPECT_FALSE(execute(sel, {"ab", false, true}));
}

// Grid of 10 characters per line and 3 lines per page.
wps_sim::document_builder paged(int restart) {
    wps_sim::document_builder b;
    b.layout(10, 3);
    b.paragraph("0123456789012");  // lines 1-2 of page 1
    b.paragraph("a");              // line 3 of page 1
    b.paragraph("b");              // line 1 of page 2
    b.section(restart);
    b.paragraph("c");  // new section: page 3
    b.paragraph("d");
    return b;
}

TEST(layout, page_and_line_numbers_with_and_without_a_restart) {
    auto app = wps_sim::create_application();
    auto doc = paged(5).open(app);
    auto sel = selection(app);
    auto at = [&](long start, long end) {
        sel->SetRange(start, end);
        return std::make_tuple(info(sel, wpsapi::wdActiveEndPageNumber),
                               info(sel, wpsapi::wdActiveEndAdjustedPageNumber),
                               info(sel, wpsapi::wdFirstCharacterLineNumber));
    };
    EXPECT_EQ(std::make_tuple(1, 1, 1), at(0, 2));
    EXPECT_EQ(std::make_tuple(1, 1, 2), at(12, 13));
    EXPECT_EQ(std::make_tuple(1, 1, 3), at(14, 15));  // "a"
    EXPECT_EQ(std::make_tuple(2, 2, 1), at(16, 17));  // "b"
    EXPECT_EQ(std::make_tuple(3, 5, 1), at(18, 19));  // "c": restarted at 5
    EXPECT_EQ(std::make_tuple(3, 5, 2), at(20, 21));  // "d"
    EXPECT_EQ(std::make_tuple(3, 5, 1), at(16, 19));  // page of the last selected character
    EXPECT_EQ(3, info(sel, wpsapi::wdNumberOfPagesInDocument));
    EXPECT_EQ(2, info(sel, wpsapi::wdActiveEndSectionNumber));

    auto app2 = wps_sim::create_application();
    auto doc2 = paged(0).open(app2);
    auto sel2 = selection(app2);
    sel2->SetRange(18, 19);
    EXPECT_EQ(3, info(sel2, wpsapi::wdActiveEndPageNumber));
    EXPECT_EQ(3, info(sel2, wpsapi::wdActiveEndAdjustedPageNumber));

    // Text added in front moves later paragraphs down the pages.
    set_text(doc2, 0, 0, "0123456789");
    sel2->SetRange(26, 27);  // "b": the first paragraph now takes three lines
    EXPECT_EQ(2, info(sel2, wpsapi::wdActiveEndPageNumber));
    EXPECT_EQ(2, info(sel2, wpsapi::wdFirstCharacterLineNumber));
}

TEST(statistics, characters_with_spaces_leave_out_marks) {
    auto app = wps_sim::create_application();
    auto doc = wps_sim::document_builder().paragraph("abc def 中文").open(app);
    long characters = 0;
    VARIANT notes = kfc::var_bool(false);
    ASSERT_EQ(S_OK,
              doc->ComputeStatistics(wpsapi::wdStatisticCharactersWithSpaces, &notes, &characters));
    EXPECT_EQ(10, characters);

    auto with_table =
        wps_sim::document_builder()
            .paragraph("ab")
            .table(1, 2, {"x", "y"})
            .paragraph(QString("z") + wps_sim::inline_shape + QString::fromUtf8("\xF0\x9F\x98\x80"))
            .open(app);
    ASSERT_EQ(S_OK, with_table->ComputeStatistics(wpsapi::wdStatisticCharactersWithSpaces, &notes,
                                                  &characters));
    EXPECT_EQ(6, characters);  // a b x y z and one emoji; marks and the shape are not characters
}

TEST(highlight, uniform_mixed_and_empty_ranges) {
    auto app = wps_sim::create_application();
    auto doc =
        wps_sim::document_builder().paragraph("abcdef").highlight(0, 3, wpsapi::wdYellow).open(app);
    auto colour = [&](long s, long e) {
        wpsapi::WdColorIndex c = wpsapi::wdAuto;
        EXPECT_EQ(S_OK, range(doc, s, e)->get_HighlightColorIndex(&c));
        return static_cast<int>(c);
    };
    EXPECT_EQ(wpsapi::wdYellow, colour(0, 3));
    EXPECT_EQ(wpsapi::wdUndefined, colour(2, 4));
    EXPECT_EQ(wpsapi::wdNoHighlight, colour(3, 6));
    EXPECT_EQ(wpsapi::wdYellow, colour(1, 1));
    ASSERT_EQ(S_OK, range(doc, 2, 5)->put_HighlightColorIndex(wpsapi::wdRed));
    EXPECT_EQ(wpsapi::wdRed, colour(2, 5));
    EXPECT_EQ(wpsapi::wdYellow, colour(0, 2));
    // New text takes the colour of the text it replaces.
    set_text(doc, 2, 3, "XY");
    EXPECT_EQ(wpsapi::wdRed, colour(2, 4));
    set_text(doc, 0, 0, "+");
    EXPECT_EQ(wpsapi::wdNoHighlight, colour(0, 1));
}

}  // namespace
