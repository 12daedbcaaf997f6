// Bookmarks: movement under edits, names the host refuses, order and
// deletion through the collection.
#include <random>

#include "wps_test_util.h"

using namespace wps_test;

namespace {

class bookmark_test : public ::testing::Test {
  protected:
    void SetUp() override {
        app_ = wps_sim::create_application();
        // "0123456789\r": one paragraph of ten digits.
        doc_ = wps_sim::document_builder().paragraph("0123456789").open(app_);
        ASSERT_EQ(S_OK, add_bookmark(doc_, "m", 3, 6));
    }
    ks_stdptr<wpsapi::_Application> app_;
    ks_stdptr<wpsapi::_Document> doc_;
};

TEST_F(bookmark_test, insertion_before_inside_and_after_the_mark) {
    set_text(doc_, 1, 1, "ab");  // before: shifts
    EXPECT_EQ(std::make_pair(5L, 8L), bookmark_extent(doc_, "m"));
    set_text(doc_, 6, 6, "X");  // inside: grows
    EXPECT_EQ(std::make_pair(5L, 9L), bookmark_extent(doc_, "m"));
    set_text(doc_, 9, 9, "Y");  // right at the end: stays outside
    EXPECT_EQ(std::make_pair(5L, 9L), bookmark_extent(doc_, "m"));
    set_text(doc_, 5, 5, "Z");  // right at the start: pushes it
    EXPECT_EQ(std::make_pair(6L, 10L), bookmark_extent(doc_, "m"));
    EXPECT_EQ(QString("0ab12Z3X45Y6789\r"), wps_sim::document_text(doc_));
}

TEST_F(bookmark_test, deletion_covering_or_overlapping_the_mark) {
    set_text(doc_, 5, 8, "");  // overlaps the tail: shrinks to 3..5
    EXPECT_EQ(std::make_pair(3L, 5L), bookmark_extent(doc_, "m"));
    set_text(doc_, 1, 4, "");  // overlaps the head: 1..2
    EXPECT_EQ(std::make_pair(1L, 2L), bookmark_extent(doc_, "m"));
    set_text(doc_, 0, 4, "");  // covers it: collapses where the text went
    EXPECT_EQ(std::make_pair(0L, 0L), bookmark_extent(doc_, "m"));
    EXPECT_EQ(QString("\r"), wps_sim::document_text(doc_));
}

TEST_F(bookmark_test, replacing_exactly_the_marked_text_keeps_the_mark_on_the_new_text) {
    set_text(doc_, 3, 6, "abcdef");
    EXPECT_EQ(std::make_pair(3L, 9L), bookmark_extent(doc_, "m"));
    ks_stdptr<wpsapi::Range> r = range(doc_, 3, 9);
    EXPECT_EQ(QString("abcdef"), text(r));
}

TEST_F(bookmark_test, a_live_range_moves_like_a_bookmark) {
    ks_stdptr<wpsapi::Range> r = range(doc_, 4, 7);
    set_text(doc_, 0, 0, "++");
    EXPECT_EQ(std::make_pair(6L, 9L), extent(r));
    EXPECT_EQ(QString("456"), text(r));
}

TEST_F(bookmark_test, refused_names_and_re_adding_an_existing_name) {
    EXPECT_EQ(E_INVALIDARG, add_bookmark(doc_, "", 0, 1));
    EXPECT_EQ(E_INVALIDARG, add_bookmark(doc_, "has space", 0, 1));
    EXPECT_EQ(E_INVALIDARG, add_bookmark(doc_, QString("tab\there"), 0, 1));
    EXPECT_EQ(E_INVALIDARG, add_bookmark(doc_, QString("ctl") + QChar(1), 0, 1));
    EXPECT_EQ(E_INVALIDARG, add_bookmark(doc_, QString(256, 'a'), 0, 1));
    EXPECT_EQ(S_OK, add_bookmark(doc_, QString(255, 'a'), 0, 1));
    EXPECT_EQ(S_OK,
              add_bookmark(doc_, QString::fromUtf8("vmjd_error_2_0_错字_对字#-#对_120"), 0, 1));
    ks_stdptr<wpsapi::Bookmarks> marks;
    doc_->get_Bookmarks(&marks);
    EXPECT_EQ(3, count(marks.get()));
    // Adding "m" again moves it instead of adding a second one.
    EXPECT_EQ(S_OK, add_bookmark(doc_, "m", 7, 9));
    EXPECT_EQ(3, count(marks.get()));
    EXPECT_EQ(std::make_pair(7L, 9L), bookmark_extent(doc_, "m"));
}

TEST_F(bookmark_test, collection_is_ordered_by_start_and_range_bookmarks_are_those_inside) {
    ASSERT_EQ(S_OK, add_bookmark(doc_, "late", 8, 9));
    ASSERT_EQ(S_OK, add_bookmark(doc_, "early", 0, 2));
    ks_stdptr<wpsapi::Bookmarks> all;
    doc_->get_Bookmarks(&all);
    QStringList names;
    for (long i = 1; i <= count(all.get()); ++i) {
        VARIANT index = kfc::var_i4(i);
        ks_stdptr<wpsapi::Bookmark> b;
        ASSERT_EQ(S_OK, all->Item(&index, &b));
        kfc::ks_bstr n;
        b->get_Name(&n);
        names << str(n);
    }
    EXPECT_EQ(QStringList({"early", "m", "late"}), names);
    VARIANT bad = kfc::var_i4(4);
    ks_stdptr<wpsapi::Bookmark> none;
    EXPECT_EQ(DISP_E_BADINDEX, all->Item(&bad, &none));

    ks_stdptr<wpsapi::Range> from_three = range(doc_, 3, 11);
    ks_stdptr<wpsapi::Bookmarks> inside;
    from_three->get_Bookmarks(&inside);
    EXPECT_EQ(2, count(inside.get()));
    ks_stdptr<wpsapi::Range> up_to_five = range(doc_, 0, 5);
    ks_stdptr<wpsapi::Bookmarks> before;
    up_to_five->get_Bookmarks(&before);
    EXPECT_EQ(1, count(before.get()));  // "m" (3..6) reaches past 5
}

TEST_F(bookmark_test, deleting_through_item_one_empties_the_collection) {
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(S_OK, add_bookmark(doc_, QString("b%1").arg(i), i % 10, i % 10 + 1));
    ks_stdptr<wpsapi::Bookmarks> marks;
    ks_stdptr<wpsapi::Range> content;
    doc_->get_Content(&content);
    content->get_Bookmarks(&marks);
    EXPECT_EQ(51, count(marks.get()));
    while (count(marks.get()) > 0) {
        VARIANT first = kfc::var_i4(1);
        ks_stdptr<wpsapi::Bookmark> b;
        ASSERT_EQ(S_OK, marks->Item(&first, &b));
        ASSERT_EQ(S_OK, b->Delete());
        long start = 0;
        EXPECT_EQ(E_OBJECT_GONE, b->get_Start(&start));  // a deleted bookmark answers nothing
    }
    EXPECT_EQ(std::make_pair(-1L, -1L), bookmark_extent(doc_, "m"));
}

// Many random edits against a plain list of bookmarks moved one by one by
// the rules of insertion and deletion.
TEST(bookmark_movement, random_edits_agree_with_a_plain_reference) {
    auto app = wps_sim::create_application();
    auto doc = wps_sim::document_builder().paragraph(QString(300, 'x')).open(app);
    struct ref_mark {
        long start, end;
    };
    std::vector<ref_mark> ref;
    std::mt19937 rng(7);
    for (int i = 0; i < 120; ++i) {
        long s = static_cast<long>(rng() % 300), len = static_cast<long>(rng() % 6);
        ASSERT_EQ(S_OK, add_bookmark(doc, QString("k%1").arg(i), s, s + len));
        ref.push_back({s, s + len});
    }
    long length = 301;
    for (int step = 0; step < 400; ++step) {
        long a = static_cast<long>(rng() % (length - 1));
        long b = std::min(length - 1, a + static_cast<long>(rng() % 4));
        long k = static_cast<long>(rng() % 3);
        set_text(doc, a, b, QString(static_cast<int>(k), 'y'));
        long d = k - (b - a);
        for (ref_mark& m : ref) {
            auto start_of = [&](long x) {
                if (x < a) return x;
                if (a == b) return x + k;
                if (x == a) return a;
                return x <= b ? a + k : x + d;
            };
            auto end_of = [&](long y) {
                if (y <= a) return y;
                if (a == b) return y + k;
                return y < b ? a : y + d;
            };
            m.start = start_of(m.start);
            m.end = std::max(m.start, end_of(m.end));
        }
        length += d;
    }
    for (int i = 0; i < 120; ++i)
        ASSERT_EQ(std::make_pair(ref[i].start, ref[i].end),
                  bookmark_extent(doc, QString("k%1").arg(i)))
            << "bookmark " << i;
}

}  // namespace
