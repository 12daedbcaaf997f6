// The meeting-minutes sample checked by the reference service, then worked
// through the results list as a proofreader would: the list holds every
// mark, a click on the fifth selects it, ignoring it removes exactly that
// mark, "全部忽略" on a text the writer repeated removes all of its marks,
// a further check brings none of them back, and applying from the list
// writes the suggestion as "建议" does.
#include <QFile>
#include <QRegularExpression>

#include "config/velmo_config.h"
#include "document/velmo_check_progress.h"
#include "document/velmo_mark_name.h"
#include "features/check/velmo_check_commands.h"
#include "features/results/velmo_results_commands.h"
#include "features/results/velmo_ui_results.h"
#include "modal_responder.h"
#include "plugin_fixture.h"
#include "service_test_support.h"

namespace {

// Marks the reference service finds in the sample.
constexpr int SAMPLE_MARKS = 21;

QString source_file(const char* path) {
    QFile file(QString::fromUtf8(VELMO_TEST_SOURCE_DIR "/") + QString::fromUtf8(path));
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

class results_sample_test : public plugin_test {
  protected:
    void SetUp() override {
        velmo_test::add_account(service.store(), "writer", "no-123");
        // The shipped settings, pointed at this service and signed in.
        QString ini = source_file("src/resources/velmo.ini");
        ini.replace(QRegularExpression("ServiceUrl=[^\\n]*"),
                    "ServiceUrl=" + QString::fromStdString(service.url()));
        ini.replace("UserName=\n", "UserName=writer\n").replace("AuthNo=\n", "AuthNo=no-123\n");
        use_ini(ini.toStdString());
        // Every check on, as the demo runs it.
        velmo_singleton_config* config = velmo_singleton_config::instance();
        for (const char* key : {"FanTi", "TaiWan", "Leader", "ChkEng"})
            config->set_string("CheckExtendInfo", key, "1");
        config->set_string("CheckExtendInfo", "Weight", "2");
        config->set_string("CheckType", "CheckMatchDots", "1");
        config->set_string("CheckType", "CheckLeaderSort", "1");
        plugin_test::SetUp();
        s_check_progress = check_progress_t();
        wps_sim::document_builder builder;
        for (const QString& line : source_file("samples/会议纪要.txt").split('\n'))
            if (!line.isEmpty()) builder.paragraph(line);
        document = open(builder.name(QString::fromUtf8("会议纪要.txt")).path(dir.path().c_str()));
        responder.on(QString::fromUtf8("Velmo校对")).press(QString::fromUtf8("确定"));
    }
    void TearDown() override {
        velmo_results_close();
        s_check_progress = check_progress_t();
        plugin_test::TearDown();
    }

    void check() {
        set_cursor(0);
        QList<QVariant> args;
        velmo_cb_check(args);
    }

    // The error marks as "start:error text", in document order.
    QStringList marks() const {
        QStringList seen;
        for (const bookmark_seen_t& mark : bookmarks(document)) {
            velmo_check_result_t record;
            if (velmo_mark_read_error_name(mark.name, record))
                seen << QString::number(mark.start) + ":" + record.err_word;
        }
        return seen;
    }

    velmo_test::temp_dir dir;
    velmo_test::running_service service{dir.path() + "/sample.db"};
    modal_responder responder;
    kfc::ks_stdptr<wpsapi::_Document> document;
};

TEST_F(results_sample_test, the_sample_worked_through_the_list) {
    check();
    QList<QVariant> args;
    velmo_cb_results(args);
    velmo_ui_results* window = velmo_results_window();
    ASSERT_TRUE(window);
    const QStringList all = marks();
    ASSERT_EQ(all.size(), SAMPLE_MARKS) << all.join(' ').toStdString();
    ASSERT_EQ(window->rows().rowCount(), SAMPLE_MARKS);

    // The fifth row selects the fifth mark.
    window->set_current_row(4);
    const velmo_result_row_t fifth = *window->rows().row_at(4);
    EXPECT_EQ(selection_start(), fifth.pos);
    EXPECT_EQ(selection_end(), fifth.pos + fifth.length);
    EXPECT_EQ(all[4], QString::number(fifth.pos) + ":" + fifth.err_word);

    // Ignoring it takes that mark and no other.
    window->on_ignore();
    QStringList expected = all;
    expected.removeAt(4);
    EXPECT_EQ(marks(), expected);

    // The writer repeats a marked text; the next check marks it twice and
    // still leaves the ignored one alone.
    const QString word = QString::fromUtf8("按步就班");
    ASSERT_EQ(marks().filter(":" + word).size(), 1);
    insert_text(document, 0, word + QString::fromUtf8("。"));
    check();
    const int shift = word.length() + 1;
    QStringList shifted;
    for (const QString& m : expected)
        shifted << QString::number(m.section(':', 0, 0).toInt() + shift) + ":" + m.section(':', 1);
    shifted.prepend("0:" + word);
    EXPECT_EQ(marks(), shifted);

    window->set_current_row(0);
    ASSERT_EQ(window->rows().row_at(0)->err_word, word);
    window->on_ignore_all();
    expected.clear();
    for (const QString& m : shifted)
        if (m.section(':', 1) != word) expected << m;
    EXPECT_EQ(marks(), expected);
    EXPECT_EQ(expected.size(), SAMPLE_MARKS - 2);  // one ignored, the repeated text twice

    // The second check brings none of them back.
    check();
    EXPECT_EQ(marks(), expected);
    EXPECT_EQ(window->rows().rowCount(), expected.size());

    // Applying the first writable suggestion changes the text as "更改(A)" does.
    int writable = -1;
    for (int r = 0; r < window->rows().rowCount() && writable < 0; ++r) {
        const velmo_check_result_t& record = s_check_progress.results.at(r);
        if (!record.cor_word.isEmpty() &&
            !record.cor_word.startsWith(QString::fromUtf8("Velmo提示")))
            writable = r;
    }
    ASSERT_GE(writable, 0);
    const velmo_check_result_t target = s_check_progress.results.at(writable);
    const QString first_suggestion = target.cor_word.section(QString::fromUtf8("#-#"), 0, 0);
    QString text = wps_sim::document_text(document);
    text.replace(target.pos, target.err_word.length(), first_suggestion);
    window->set_current_row(writable);
    window->on_apply();
    EXPECT_EQ(wps_sim::document_text(document), text);
    EXPECT_EQ(marks().size(), expected.size());
}

}  // namespace
