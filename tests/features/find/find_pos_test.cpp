// The keyword position file on its own: its name beside the document, its
// text (words in text order, pages in the order met), and its encoding.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>

#include "features/find/velmo_ui_find_pos.h"

TEST(find_pos_file, name_keeps_the_document_name_up_to_its_first_dot) {
    EXPECT_EQ(velmo_find_pos_file_name("/d", "report.doc"), QString("/d/report.pos"));
    EXPECT_EQ(velmo_find_pos_file_name("/d", "a.b.doc"), QString("/d/a.pos"));
    EXPECT_EQ(velmo_find_pos_file_name("/d", "notes"), QString("/d/pos"));
    EXPECT_EQ(velmo_find_pos_file_name("/d e", QString::fromUtf8("报 告.doc")),
              QString::fromUtf8("/d e/报 告.pos"));
    // A document never saved has no directory: no file at the root.
    EXPECT_EQ(velmo_find_pos_file_name("", "notes.doc"), QString());
}

TEST(find_pos_file, words_sorted_by_text_and_pages_in_the_order_met) {
    velmo_pages_by_word_t pages;
    pages[QString::fromUtf8("甲")] = {3};
    pages[QString::fromUtf8("关键")] = {1, 2, 4};
    pages["zeta"] = {7, 2};
    pages["Alpha"] = {1};
    EXPECT_EQ(velmo_find_pos_text(pages),
              QString::fromUtf8("Alpha\nP1\nzeta\nP7,P2\n关键\nP1,P2,P4\n甲\nP3\n"));
    EXPECT_EQ(velmo_find_pos_text(velmo_pages_by_word_t()), QString());
}

TEST(find_pos_file, written_in_the_locale_encoding_replacing_the_old_file) {
    QTextCodec* saved = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("GB18030"));
    QTemporaryDir dir;
    const QString path = dir.path() + "/x.pos";
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older and much longer content\n");
    }
    EXPECT_TRUE(velmo_find_pos_write(path, QString::fromUtf8("关键\nP1\n")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              QTextCodec::codecForName("GB18030")->fromUnicode(QString::fromUtf8("关键\nP1\n")));
    QTextCodec::setCodecForLocale(saved);

    EXPECT_FALSE(velmo_find_pos_write(dir.path() + "/missing/x.pos", "a"));
}
