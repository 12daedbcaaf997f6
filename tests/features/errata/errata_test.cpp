// The errata table: file name, header, count line, entries with page, line
// and bracketed sentence, and no file for a document without a directory.
#include <QFile>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCodec>

#include "document/velmo_check_progress.h"
#include "features/errata/velmo_ui_export.h"
#include "modal_responder.h"
#include "plugin_commands_fixture.h"

namespace {

class errata_test : public commands_test {
  protected:
    void collect(wpsapi::_Document* document, const QList<velmo_check_result_t>& records) {
        s_check_progress.results = records;
        s_check_progress.document = document;
    }

    // Writes the table through the dialog's OK, with sequential page numbers
    // when asked, and returns the file's lines.
    QStringList export_table(const QString& file_name, bool sequential_pages = false) {
        velmo_ui_export dialog;
        dialog.set_check_progress(&s_check_progress);
        if (sequential_pages)
            for (QRadioButton* button : dialog.findChildren<QRadioButton*>())
                if (button->text() == QString::fromUtf8("顺序页码")) button->setChecked(true);
        dialog.on_ok();
        return export_table_lines(file_name);
    }

    static QStringList export_table_lines(const QString& file_name) {
        QFile file(file_name);
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QTextCodec::codecForLocale()->toUnicode(file.readAll()).split(QLatin1Char('\n'));
    }

    QTemporaryDir dir;
};

TEST_F(errata_test, file_name_holds_the_whole_document_name) {
    EXPECT_EQ(velmo_ui_export::file_name_for("/d", "report.doc"), QString("/d/_report.doc.txt"));
    EXPECT_EQ(velmo_ui_export::file_name_for("/d", "a.b.doc"), QString("/d/_a.b.doc.txt"));
    EXPECT_EQ(velmo_ui_export::file_name_for("/d", "notes"), QString("/d/_notes.txt"));
    EXPECT_EQ(velmo_ui_export::file_name_for("", "notes.doc"), QString());
}

// Two documents that differ in their extension keep a table each; a file
// of the table's name that is no table (a document) is never replaced, and
// a table that cannot be written is told, not passed over in silence.
TEST_F(errata_test, tables_never_overwrite_each_other_or_a_document_and_failures_are_told) {
    modal_responder responder;
    const QString table_of_docx = dir.filePath(QString::fromUtf8("_会议纪要.docx.txt"));
    const QString table_of_txt = dir.filePath(QString::fromUtf8("_会议纪要.txt.txt"));
    for (const char* name : {"会议纪要.docx", "会议纪要.txt"}) {
        auto document = open(wps_sim::document_builder()
                                 .name(QString::fromUtf8(name))
                                 .path(dir.path())
                                 .paragraph(QString::fromUtf8(name)));
        collect(document, {record(0, 1, QString::fromUtf8("会议"), QString())});
        export_table(QString());
    }
    QStringList docx_lines = export_table_lines(table_of_docx);
    QStringList txt_lines = export_table_lines(table_of_txt);
    ASSERT_GE(docx_lines.size(), 7);
    ASSERT_GE(txt_lines.size(), 7);
    EXPECT_EQ(docx_lines[6], QString::fromUtf8("【会议】纪要.docx"));
    EXPECT_EQ(txt_lines[6], QString::fromUtf8("【会议】纪要.txt"));

    // "_x.txt" is a document of its own; the table of "x" must not replace it.
    QFile other(dir.filePath("_x.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("my own notes\n");
    other.close();
    auto x = open(wps_sim::document_builder().name("x").path(dir.path()).paragraph("x"));
    collect(x, {record(0, 1, "x", QString())});
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    export_table(QString());
    EXPECT_EQ(export_table_lines(dir.filePath("_x.txt")).first(), QString("my own notes"));

    // A folder that is gone by the time the table is written.
    const QString locked = dir.filePath("gone");
    auto y = open(wps_sim::document_builder().name("y.doc").path(locked).paragraph("y"));
    collect(y, {record(0, 1, "y", QString())});
    responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    export_table(QString());

    QStringList told;
    for (const modal_responder::seen_modal& modal : responder.seen()) told << modal.text;
    ASSERT_EQ(told.size(), 2);
    EXPECT_TRUE(told[0].startsWith(QString::fromUtf8("勘误表未能写入：") + dir.filePath("_x.txt")))
        << told[0].toStdString();
    EXPECT_TRUE(told[1].startsWith(QString::fromUtf8("勘误表未能写入：") + locked))
        << told[1].toStdString();
}

TEST_F(errata_test, a_document_named_like_its_table_is_not_overwritten) {
    auto document = open(wps_sim::document_builder()
                             .name("_txt")
                             .path(dir.path())
                             .paragraph(QString::fromUtf8("有错。")));
    ASSERT_TRUE(SUCCEEDED(document->Save()));
    QFile saved(dir.filePath("_txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray before = saved.readAll();
    saved.close();
    collect(document, {record(0, 1, QString::fromUtf8("有错"), QString())});

    export_table(dir.filePath("_txt"));

    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), before);
}

TEST_F(errata_test, table_lists_header_counts_and_one_entry_per_record) {
    auto document = open(wps_sim::document_builder()
                             .name(QString::fromUtf8("报告.2024.doc"))
                             .path(dir.path())
                             .layout(10, 3)
                             .paragraph(QString::fromUtf8("今天天气很好。我们去公园。"))
                             .paragraph(QString::fromUtf8("他说错话，又说错话。")));
    collect(document, {record(2, 3, QString::fromUtf8("天气"), QString::fromUtf8("天汽")),
                       record(10, 2, QString::fromUtf8("公园"), QString::fromUtf8("甲#-#乙")),
                       record(16, 1, QString::fromUtf8("错话"), QString::fromUtf8("对话"))});

    const QString file_name = dir.path() + QString::fromUtf8("/_报告.2024.doc.txt");
    const QStringList lines = export_table(file_name);

    ASSERT_GE(lines.size(), 14);
    EXPECT_EQ(lines[0], QString::fromUtf8("用户名: alice"));
    EXPECT_TRUE(QRegularExpression(
                    QString::fromUtf8("^时间: \\S+ \\S+ \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}$"))
                    .match(lines[1])
                    .hasMatch())
        << lines[1].toStdString();
    EXPECT_EQ(lines[2], QString::fromUtf8("文件名: ") + file_name);
    EXPECT_EQ(lines[3], QString::fromUtf8("错误数: 严重错误1个; 错误1个; 疑错1个"));
    EXPECT_EQ(lines[4], QString());
    EXPECT_EQ(lines[5], QString::fromUtf8("错误1: 天气(建议: 天汽): 第1页第1行"));
    EXPECT_EQ(lines[6], QString::fromUtf8("今天【天气】很好。"));
    EXPECT_EQ(lines[7], QString());
    EXPECT_EQ(lines[8], QString::fromUtf8("疑错2: 公园(建议: 甲#-#乙): 第1页第2行"));
    EXPECT_EQ(lines[9], QString::fromUtf8("我们去〖公园〗。"));
    EXPECT_EQ(lines[11], QString::fromUtf8("错误3: 错话(建议: 对话): 第1页第3行"));
    // Every occurrence in the sentence is bracketed.
    EXPECT_EQ(lines[12], QString::fromUtf8("他说【错话】，又说【错话】。"));
    // The selection is left on the last exported mark.
    EXPECT_EQ(selection_start(), 16);
    EXPECT_EQ(selection_end(), 18);
}

TEST_F(errata_test, count_line_counts_levels_one_two_and_three_only) {
    auto document = open(wps_sim::document_builder()
                             .name("a")
                             .path(dir.path())
                             .paragraph(QString::fromUtf8("一二三四五六七八九十")));
    collect(document, {record(0, 1, QString::fromUtf8("一"), QString()),
                       record(1, 1, QString::fromUtf8("二"), QString()),
                       record(2, 5, QString::fromUtf8("三"), QString()),
                       record(3, 2, QString::fromUtf8("四"), QString())});
    const QStringList lines = export_table(dir.path() + "/_a.txt");
    ASSERT_GE(lines.size(), 18);
    EXPECT_EQ(lines[3], QString::fromUtf8("错误数: 严重错误0个; 错误2个; 疑错1个"));
    // An unknown level is named an error.
    EXPECT_EQ(lines[11], QString::fromUtf8("错误3: 三(建议: ): 第1页第1行"));
}

TEST_F(errata_test, sentence_loses_line_breaks_tabs_and_cell_marks) {
    auto document = open(wps_sim::document_builder()
                             .name("t.doc")
                             .path(dir.path())
                             .paragraph(QString::fromUtf8("  前\t面\v有错。"))
                             .table(1, 2, {QString::fromUtf8("格\t里有错"), QString()}));
    const QString text = wps_sim::document_text(document);
    const int in_paragraph = text.indexOf(QString::fromUtf8("错"));
    const int in_cell =
        text.indexOf(QString::fromUtf8("错"), text.indexOf(QString::fromUtf8("格")));
    collect(document, {record(in_paragraph, 1, QString::fromUtf8("错"), QString::fromUtf8("对")),
                       record(in_cell, 1, QString::fromUtf8("错"), QString::fromUtf8("对"))});
    const QStringList lines = export_table(dir.path() + "/_t.doc.txt");
    ASSERT_GE(lines.size(), 12);
    EXPECT_EQ(lines[6], QString::fromUtf8("前 面 有【错】。"));
    EXPECT_EQ(lines[9], QString::fromUtf8("格 里有【错】"));
}

TEST_F(errata_test, pages_are_printed_numbers_unless_sequential_ones_are_chosen) {
    auto builder = wps_sim::document_builder()
                       .name("p.doc")
                       .path(dir.path())
                       .paragraph(QString::fromUtf8("第一页。"))
                       .section(5);
    const long second_page = builder.length();
    auto document = open(builder.paragraph(QString::fromUtf8("这里有错。")));
    collect(document, {record(second_page + 3, 1, QString::fromUtf8("错"), QString())});

    QStringList lines = export_table(dir.path() + "/_p.doc.txt");
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[5], QString::fromUtf8("错误1: 错(建议: ): 第5页第1行"));
    lines = export_table(dir.path() + "/_p.doc.txt", true);
    ASSERT_GE(lines.size(), 6);
    EXPECT_EQ(lines[5], QString::fromUtf8("错误1: 错(建议: ): 第2页第1行"));
}

TEST_F(errata_test, a_document_without_a_directory_gets_no_file) {
    QFile::remove("/_txt");
    auto document = open(wps_sim::document_builder().paragraph(QString::fromUtf8("有错。")));
    collect(document, {record(0, 1, QString::fromUtf8("有错"), QString())});
    velmo_ui_export dialog;
    dialog.set_check_progress(&s_check_progress);
    dialog.on_ok();
    EXPECT_FALSE(QFile::exists("/_txt"));
    EXPECT_FALSE(QFile::exists(QString::fromUtf8("/_文档1txt")));
}

TEST_F(errata_test, without_a_progress_nothing_is_written) {
    auto document = open(wps_sim::document_builder().name("n.doc").path(dir.path()).paragraph("x"));
    velmo_ui_export dialog;
    dialog.on_ok();
    s_check_progress.document = nullptr;
    dialog.set_check_progress(&s_check_progress);
    dialog.on_ok();
    EXPECT_FALSE(QFile::exists(dir.path() + "/_n.txt"));
}

}  // namespace
