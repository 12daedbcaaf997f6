// Paragraphs, inline shapes, tables and cells, tables of contents,
// sentences and range clamping.
#include "wps_test_util.h"

using namespace wps_test;

namespace {

const QChar S = wps_sim::inline_shape;

template <class C, class I>
ks_stdptr<wpsapi::Range> item_range(C* collection, long index) {
    ks_stdptr<I> item;
    EXPECT_EQ(S_OK, collection->Item(index, &item));
    ks_stdptr<wpsapi::Range> r;
    if (item) {
        EXPECT_EQ(S_OK, item->get_Range(&r));
    }
    return r;
}

class structure_test : public ::testing::Test {
  protected:
    void SetUp() override {
        app_ = wps_sim::create_application();
        wps_sim::document_builder b;
        b.paragraph("abc");                             // 0..4
        b.paragraph(QString("x") + S + "y" + S + "z");  // 4..10, shapes at 5 and 7
        table_start_ = b.length();
        b.table(2, 2, {"c1", "c2", "c3", "c4"});  // 10..22
        b.paragraph("after");                     // 22..28
        doc_ = b.open(app_);
    }
    ks_stdptr<wpsapi::_Application> app_;
    ks_stdptr<wpsapi::_Document> doc_;
    long table_start_ = 0;
};

TEST_F(structure_test, paragraphs_around_shapes_and_tables) {
    EXPECT_EQ(QString("abc\rx\001y\001z\rc1\ac2\ac3\ac4\aafter\r"), wps_sim::document_text(doc_));
    ks_stdptr<wpsapi::Paragraphs> paras;
    ASSERT_EQ(S_OK, doc_->get_Paragraphs(&paras));
    ASSERT_EQ(7, count(paras.get()));
    QStringList texts;
    for (long i = 1; i <= 7; ++i)
        texts << text(item_range<wpsapi::Paragraphs, wpsapi::Paragraph>(paras.get(), i));
    EXPECT_EQ(
        QStringList({"abc\r", QString("x\001y\001z\r"), "c1\a", "c2\a", "c3\a", "c4\a", "after\r"}),
        texts);

    ks_stdptr<wpsapi::Range> second =
        item_range<wpsapi::Paragraphs, wpsapi::Paragraph>(paras.get(), 2);
    ks_stdptr<wpsapi::InlineShapes> shapes;
    ASSERT_EQ(S_OK, second->get_InlineShapes(&shapes));
    ASSERT_EQ(2, count(shapes.get()));
    EXPECT_EQ(std::make_pair(5L, 6L),
              extent(item_range<wpsapi::InlineShapes, wpsapi::InlineShape>(shapes.get(), 1)));
    EXPECT_EQ(std::make_pair(7L, 8L),
              extent(item_range<wpsapi::InlineShapes, wpsapi::InlineShape>(shapes.get(), 2)));
    ks_stdptr<wpsapi::Range> no_shapes = range(doc_, 0, 5);
    ks_stdptr<wpsapi::InlineShapes> none;
    no_shapes->get_InlineShapes(&none);
    EXPECT_EQ(0, count(none.get()));

    // A range in the middle of paragraphs reaches the whole paragraphs it touches.
    ks_stdptr<wpsapi::Range> middle = range(doc_, 2, 5);
    ks_stdptr<wpsapi::Paragraphs> touched;
    middle->get_Paragraphs(&touched);
    EXPECT_EQ(2, count(touched.get()));
}

TEST_F(structure_test, paragraphs_of_a_range_follow_edits) {
    ks_stdptr<wpsapi::Paragraphs> paras;
    ASSERT_EQ(S_OK, range(doc_, 5, 12)->get_Paragraphs(&paras));
    auto texts = [&] {
        QStringList out;
        for (long i = 1; i <= count(paras.get()); ++i)
            out << text(item_range<wpsapi::Paragraphs, wpsapi::Paragraph>(paras.get(), i));
        return out;
    };
    EXPECT_EQ(QStringList({QString("x\001y\001z\r"), "c1\a"}), texts());
    ks_stdptr<wpsapi::Paragraph> beyond;
    EXPECT_EQ(DISP_E_BADINDEX, paras->Item(3, &beyond));
    set_text(doc_, 6, 7, "\r");  // splits the second paragraph inside the collection's range
    EXPECT_EQ(QStringList({"x\001\r", QString("\001z\r"), "c1\a"}), texts());
    set_text(doc_, 0, 4, "");  // the first paragraph goes; everything moves back by 4
    EXPECT_EQ(QStringList({"x\001\r", QString("\001z\r"), "c1\a"}), texts());
    ks_stdptr<wpsapi::Paragraph> last;
    ASSERT_EQ(S_OK, paras->get_Last(&last));
    ks_stdptr<wpsapi::Range> last_range;
    last->get_Range(&last_range);
    EXPECT_EQ(std::make_pair(6L, 9L), extent(last_range));
}

TEST_F(structure_test, tables_and_cells_in_reading_order) {
    ks_stdptr<wpsapi::Tables> tables;
    ASSERT_EQ(S_OK, doc_->get_Tables(&tables));
    ASSERT_EQ(1, count(tables.get()));
    ks_stdptr<wpsapi::Range> table = item_range<wpsapi::Tables, wpsapi::Table>(tables.get(), 1);
    EXPECT_EQ(std::make_pair(table_start_, 22L), extent(table));
    ks_stdptr<wpsapi::Cells> cells;
    ASSERT_EQ(S_OK, table->get_Cells(&cells));
    ASSERT_EQ(4, count(cells.get()));
    for (long i = 1; i <= 4; ++i)
        EXPECT_EQ(QString("c%1\a").arg(i),
                  text(item_range<wpsapi::Cells, wpsapi::Cell>(cells.get(), i)));

    // A paragraph inside the table lists that table among its tables.
    ks_stdptr<wpsapi::Range> third_cell = range(doc_, 16, 19);
    ks_stdptr<wpsapi::Tables> own;
    third_cell->get_Tables(&own);
    ASSERT_EQ(1, count(own.get()));
    EXPECT_EQ(std::make_pair(table_start_, 22L),
              extent(item_range<wpsapi::Tables, wpsapi::Table>(own.get(), 1)));

    ks_stdptr<wpsapi::Range> outside = range(doc_, 0, 4);
    ks_stdptr<wpsapi::Cells> no_cells;
    EXPECT_EQ(E_FAIL, outside->get_Cells(&no_cells));
    ks_stdptr<wpsapi::Tables> no_tables;
    outside->get_Tables(&no_tables);
    EXPECT_EQ(0, count(no_tables.get()));
}

TEST(structure, consecutive_tables_stay_apart_and_a_cell_edit_keeps_the_order) {
    auto app = wps_sim::create_application();
    auto doc = wps_sim::document_builder()
                   .table(1, 2, {"a", "b"})
                   .table(3, 2, {"1", "2", "3", "4", "5", "6"})
                   .open(app);
    ks_stdptr<wpsapi::Tables> tables;
    doc->get_Tables(&tables);
    ASSERT_EQ(2, count(tables.get()));
    set_text(doc, 0, 1, "long text");  // first cell grows
    ks_stdptr<wpsapi::Range> second = item_range<wpsapi::Tables, wpsapi::Table>(tables.get(), 2);
    ks_stdptr<wpsapi::Cells> cells;
    second->get_Cells(&cells);
    ASSERT_EQ(6, count(cells.get()));
    EXPECT_EQ(QString("6\a"), text(item_range<wpsapi::Cells, wpsapi::Cell>(cells.get(), 6)));
}

TEST(structure, table_of_contents_is_a_run_of_paragraphs_that_moves_with_edits) {
    auto app = wps_sim::create_application();
    auto doc = wps_sim::document_builder()
                   .paragraph("目录")
                   .table_of_contents({"第一章 总则\t1", "第二章 细则\t3"})
                   .paragraph("正文。")
                   .open(app);
    ks_stdptr<wpsapi::TablesOfContents> tocs;
    ASSERT_EQ(S_OK, doc->get_TablesOfContents(&tocs));
    ASSERT_EQ(1, count(tocs.get()));
    ks_stdptr<wpsapi::Range> toc =
        item_range<wpsapi::TablesOfContents, wpsapi::TableOfContents>(tocs.get(), 1);
    EXPECT_EQ(QString("第一章 总则\t1\r第二章 细则\t3\r"), text(toc));
    ks_stdptr<wpsapi::Sentences> sentences;
    toc->get_Sentences(&sentences);
    EXPECT_EQ(2, count(sentences.get()));

    set_text(doc, 0, 0, "封面\r");
    ks_stdptr<wpsapi::Range> moved =
        item_range<wpsapi::TablesOfContents, wpsapi::TableOfContents>(tocs.get(), 1);
    EXPECT_EQ(std::make_pair(6L, 24L), extent(moved));
}

TEST(structure, sentences_end_at_terminators_and_paragraph_ends) {
    auto app = wps_sim::create_application();
    auto doc = wps_sim::document_builder()
                   .paragraph("第一句。第二句！Third one. Fourth? Pi is 3.14 here")
                   .paragraph("")
                   .open(app);
    ks_stdptr<wpsapi::Sentences> all;
    doc->get_Sentences(&all);
    QStringList texts;
    for (long i = 1; i <= count(all.get()); ++i) {
        ks_stdptr<wpsapi::Range> s;
        ASSERT_EQ(S_OK, all->Item(i, &s));
        texts << text(s);
    }
    EXPECT_EQ(
        QStringList({"第一句。", "第二句！", "Third one. ", "Fourth? ", "Pi is 3.14 here\r", "\r"}),
        texts);

    auto sel = selection(app);
    sel->SetRange(5, 6);  // inside the second sentence
    ks_stdptr<wpsapi::Sentences> around;
    ASSERT_EQ(S_OK, sel->get_Sentences(&around));
    ks_stdptr<wpsapi::Range> first;
    ASSERT_EQ(S_OK, around->get_First(&first));
    EXPECT_EQ(QString("第二句！"), text(first));
}

TEST(structure, ranges_find_exactly_the_tables_they_touch) {
    auto app = wps_sim::create_application();
    wps_sim::document_builder b;
    b.paragraph("p0");          // 0..3
    b.table(1, 2, {"a", "b"});  // 3..7
    b.paragraph("p1");          // 7..10
    b.table(1, 2, {"c", "d"});  // 10..14
    b.paragraph("p2");          // 14..17
    b.table(1, 2, {"e", "f"});  // 17..21
    b.paragraph("p3");          // 21..24
    auto doc = b.open(app);
    auto starts = [&](long start, long end) {
        ks_stdptr<wpsapi::Tables> tables;
        range(doc, start, end)->get_Tables(&tables);
        QList<long> out;
        for (long i = 1; i <= count(tables.get()); ++i)
            out << extent(item_range<wpsapi::Tables, wpsapi::Table>(tables.get(), i)).first;
        return out;
    };
    EXPECT_EQ(QList<long>(), starts(0, 3));  // ends where the first table starts
    EXPECT_EQ(QList<long>({3}), starts(0, 4));
    EXPECT_EQ(QList<long>(), starts(7, 10));  // starts where the first one ends
    EXPECT_EQ(QList<long>({3, 10}), starts(5, 11));
    EXPECT_EQ(QList<long>({10, 17}), starts(13, 18));
    EXPECT_EQ(QList<long>({3, 10, 17}), starts(0, 24));
    EXPECT_EQ(QList<long>({10}), starts(12, 12));  // an insertion point inside a cell
    EXPECT_EQ(QList<long>(), starts(14, 14));      // right after a table
    EXPECT_EQ(QList<long>({17}), starts(17, 17));
    EXPECT_EQ(QList<long>(), starts(22, 24));
}

TEST(structure, texts_keep_a_leading_zero_width_no_break_space) {
    auto app = wps_sim::create_application();
    const QString bom(QChar(0xFEFF));
    auto doc = wps_sim::document_builder().paragraph(bom + "ab").paragraph("cd").open(app);
    EXPECT_EQ(QString(bom + "ab\r"), text(range(doc, 0, 4)));
    // An edit in the middle leaves the text split around the buffer's gap.
    set_text(doc, 5, 5, bom + "x");
    EXPECT_EQ(QString(bom + "ab\rc" + bom + "xd"), text(range(doc, 0, 8)));
    EXPECT_EQ(QString(bom + "xd"), text(range(doc, 5, 8)));
    ks_stdptr<wpsapi::Range> r = range(doc, 5, 8);
    kfc::ks_bstr written = bstr(bom + "y");
    ASSERT_EQ(S_OK, r->put_Text(written));
    EXPECT_EQ(QString(bom + "ab\rc" + bom + "y\r"), wps_sim::document_text(doc));
}

TEST(structure, ranges_clamp_to_the_text_and_the_last_mark_stays) {
    auto app = wps_sim::create_application();
    auto doc = wps_sim::document_builder().paragraph("hello").open(app);
    ks_stdptr<wpsapi::Range> r = range(doc, -5, 1000);
    EXPECT_EQ(std::make_pair(0L, 6L), extent(r));
    r->put_End(2);
    r->put_Start(4);  // after the end: the end follows
    EXPECT_EQ(std::make_pair(4L, 4L), extent(r));
    r->put_End(1);  // before the start: the start follows
    EXPECT_EQ(std::make_pair(1L, 1L), extent(r));

    ks_stdptr<wpsapi::Range> content;
    doc->get_Content(&content);
    kfc::ks_bstr replacement = bstr("new");
    ASSERT_EQ(S_OK, content->put_Text(replacement));
    EXPECT_EQ(QString("new\r"), wps_sim::document_text(doc));
    EXPECT_EQ(QString("new"), text(content));
}

}  // namespace
