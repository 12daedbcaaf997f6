// The batch find and its command: the two word sources and their setting,
// highlighting and find marks, matching options, where each word's search
// starts, overlapping, repeated and special-character words, the keyword
// position file and how the desktop opener is started.
#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <functional>

#include "config/velmo_config.h"
#include "features/find/velmo_find_commands.h"
#include "features/find/velmo_ui_find.h"
#include "modal_responder.h"
#include "plugin_commands_fixture.h"

namespace {

const int FIND_COLOR = 3;  // Color/Find of the test settings

QString utf8(const char* text) { return QString::fromUtf8(text); }

QString read_file(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<missing>");
    return QString::fromUtf8(file.readAll());
}

void write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QAbstractButton* button(QWidget* dialog, const char* text) {
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        if (b->text() == utf8(text)) return b;
    ADD_FAILURE() << "no button " << text;
    return nullptr;
}

QGroupBox* position_group(QWidget* dialog) {
    for (QGroupBox* g : dialog->findChildren<QGroupBox*>())
        if (g->title() == utf8("生成关键词位置文件")) return g;
    return nullptr;
}

class batch_find_test : public commands_test {
  protected:
    void SetUp() override {
        commands_test::SetUp();
        saved_path = qgetenv("PATH");
        recorder_path = bin.path() + "/opened";
        const QString script = bin.path() + "/xdg-open";
        write_file(script, QString("#!/bin/sh\n"
                                   "{ printf 'argc=%s\\n' \"$#\"\n"
                                   "  for a in \"$@\"; do printf 'arg=%s\\n' \"$a\"; done\n"
                                   "  printf 'end\\n'; } >> '%1'\n")
                               .arg(recorder_path)
                               .toUtf8());
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.path().toUtf8() + ":" + saved_path);
    }

    void TearDown() override {
        qputenv("PATH", saved_path);
        commands_test::TearDown();
    }

    QString settings_dir() const { return QString::fromStdString(settings->directory()); }
    QString findlib() const { return settings_dir() + "/findlib.txt"; }
    QString user_findlib() const {
        return QString::fromStdString(velmo_singleton_config::instance()->user_findlib_file());
    }
    void use_library(const char* words) { write_file(findlib(), QByteArray(words)); }
    // What was saved: the user's settings file (the system file is never written).
    QString saved_ini() const {
        return read_file(QString::fromStdString(settings->user_ini_path()));
    }

    void restart_settings(const std::string& extra) {
        use_ini(std::string(COMMANDS_TEST_INI) + extra);
    }

    // Runs the search of a dialog (set up by `prepare`) and answers the
    // closing message; returns the message seen.
    QString search(velmo_ui_batch_find& dialog) {
        modal_responder responder;
        responder.on(utf8("Velmo校对")).press(utf8("确定"));
        dialog.on_ok();
        if (responder.seen().isEmpty()) return QString();
        EXPECT_EQ(responder.seen().front().buttons, QStringList{utf8("确定")});
        return responder.seen().front().text;
    }

    // Runs the command: the dialog is prepared, then started by "开始".
    QStringList run_command(const std::function<void(velmo_ui_batch_find*)>& prepare) {
        modal_responder responder;
        responder.on(utf8("成批查找")).act([prepare](QWidget* widget) {
            auto* dialog = static_cast<velmo_ui_batch_find*>(widget);
            prepare(dialog);
            // Queued, so that the closing message is answered by a later poll.
            QTimer::singleShot(0, button(dialog, "开始"), &QAbstractButton::click);
        });
        responder.on(utf8("Velmo校对")).press(utf8("确定"));
        QList<QVariant> args;
        EXPECT_EQ(velmo_cb_batch_find(args), 0);
        return responder.seen_texts();
    }

    // The opener's record: "argc=N", "arg=..." lines and "end" per run.
    // Waits for `runs` runs to be recorded (the opener runs detached).
    QStringList opened(int runs) {
        QElapsedTimer waited;
        waited.start();
        QStringList lines;
        while (waited.elapsed() < 10000) {
            lines = read_file(recorder_path).split('\n', Qt::SkipEmptyParts);
            if (lines.count("end") >= runs) break;
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        return lines;
    }

    QTemporaryDir bin;
    QTemporaryDir docs;
    QString recorder_path;
    QByteArray saved_path;
};

TEST_F(batch_find_test, library_words_are_highlighted_and_marked_with_find_names) {
    use_library("苹果\n\n香蕉\n");
    auto document = open(wps_sim::document_builder().paragraph(utf8("苹果和香蕉，苹果很甜。")));
    const QStringList texts = run_command([](velmo_ui_batch_find*) {});
    EXPECT_EQ(texts.last(), utf8("查找完毕, 共标记3处"));

    const std::vector<bookmark_seen_t> marks = bookmarks(document);
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].name, "vmjd_find_0_2");
    EXPECT_EQ(marks[1].name, "vmjd_find_3_5");
    EXPECT_EQ(marks[2].name, "vmjd_find_6_8");
    EXPECT_EQ(marks[2].start, 6);
    EXPECT_EQ(marks[2].end, 8);
    EXPECT_EQ(highlight(document, 0, 2), FIND_COLOR);
    EXPECT_EQ(highlight(document, 3, 5), FIND_COLOR);
    EXPECT_EQ(highlight(document, 6, 8), FIND_COLOR);
    EXPECT_EQ(highlight(document, 2, 3), 0);
    EXPECT_EQ(highlight(document, 8, 11), 0);
}

TEST_F(batch_find_test, cancelled_dialog_and_unticked_marking_leave_no_marks) {
    use_library("ab\n");
    auto document = open(wps_sim::document_builder().paragraph("ab ab"));
    {
        modal_responder responder;
        responder.on(utf8("成批查找")).press(utf8("取消"));
        QList<QVariant> args;
        EXPECT_EQ(velmo_cb_batch_find(args), 0);
        EXPECT_TRUE(bookmarks(document).empty());
    }

    // Unticking "mark the words found" still counts them but marks nothing, and says so.
    const QStringList texts = run_command([](velmo_ui_batch_find* dialog) {
        static_cast<QCheckBox*>(button(dialog, "在文中标记查到的词"))->setChecked(false);
    });
    EXPECT_EQ(texts.last(), utf8("查找完毕, 共找到2处, 未在文中标记"));
    EXPECT_TRUE(bookmarks(document).empty());
    EXPECT_EQ(highlight(document, 0, 5), 0);
}

TEST_F(batch_find_test, library_text_is_saved_and_blank_lines_give_no_words) {
    use_library("old\n");
    velmo_ui_batch_find dialog;
    auto* text = dialog.findChild<QTextEdit*>();
    EXPECT_EQ(text->toPlainText(), "old\n");
    text->setPlainText(utf8("一\n\n二\r\n\n三"));
    QList<QString> words{"stale"};
    dialog.get_words(words);
    EXPECT_EQ(words, (QList<QString>{utf8("一"), utf8("二"), utf8("三")}));
    // Kept as the user's own list, which the next dialog shows; the
    // installed list is everyone's and stays as it was.
    EXPECT_EQ(read_file(user_findlib()), utf8("一\n\n二\n\n三"));
    EXPECT_EQ(read_file(findlib()), "old\n");
    velmo_ui_batch_find again;
    EXPECT_EQ(again.findChild<QTextEdit*>()->toPlainText(), utf8("一\n\n二\n\n三"));

    // Without any library file the list is empty and the search does nothing.
    QFile::remove(findlib());
    QFile::remove(user_findlib());
    velmo_ui_batch_find empty;
    EXPECT_TRUE(empty.findChild<QTextEdit*>()->toPlainText().isEmpty());
    open(wps_sim::document_builder().paragraph("text"));
    EXPECT_EQ(search(empty), QString());
    EXPECT_EQ(empty.findChild<QProgressBar*>()->value(), 0);
}

TEST_F(batch_find_test, switching_the_source_saves_it_at_once_and_enables_its_widgets) {
    velmo_ui_batch_find dialog;
    auto* library = button(&dialog, "成批查找库");
    auto* file = button(&dialog, "挂接成批查找库文件");
    EXPECT_TRUE(library->isChecked());
    EXPECT_TRUE(saved_ini().contains("IsSelectIndex=0")) << saved_ini().toStdString();

    file->setChecked(true);
    EXPECT_TRUE(saved_ini().contains("IsSelectIndex=1"));
    EXPECT_FALSE(dialog.findChild<QTextEdit*>()->isEnabled());
    EXPECT_TRUE(dialog.findChild<QLineEdit*>()->isEnabled());
    EXPECT_TRUE(button(&dialog, "浏览")->isEnabled());

    library->setChecked(true);
    EXPECT_TRUE(saved_ini().contains("IsSelectIndex=0"));
    EXPECT_TRUE(dialog.findChild<QTextEdit*>()->isEnabled());
    EXPECT_FALSE(dialog.findChild<QLineEdit*>()->isEnabled());
    EXPECT_FALSE(button(&dialog, "浏览")->isEnabled());
}

TEST_F(batch_find_test, stored_source_and_word_file_are_shown_when_the_dialog_opens) {
    restart_settings("[UserLibraryList]\nIsSelectIndex=1\nUserLibrary=/some/words.txt\n");
    {
        velmo_ui_batch_find dialog;
        EXPECT_TRUE(button(&dialog, "挂接成批查找库文件")->isChecked());
        EXPECT_EQ(dialog.findChild<QLineEdit*>()->text(), "/some/words.txt");
    }
    // Any other stored value picks the built-in list.
    restart_settings("[UserLibraryList]\nIsSelectIndex=7\n");
    velmo_ui_batch_find dialog;
    EXPECT_TRUE(button(&dialog, "成批查找库")->isChecked());
    EXPECT_FALSE(button(&dialog, "挂接成批查找库文件")->isChecked());
}

TEST_F(batch_find_test, word_file_lines_are_words_and_its_name_is_kept_in_memory) {
    const QString word_file = docs.path() + utf8("/词 表.txt");
    write_file(word_file, "beta\r\n\r\nalpha\n");
    auto document = open(wps_sim::document_builder().paragraph("alpha beta alpha"));
    velmo_ui_batch_find dialog;
    button(&dialog, "挂接成批查找库文件")->setChecked(true);
    dialog.findChild<QLineEdit*>()->setText(word_file);

    QList<QString> words;
    dialog.get_words(words);
    EXPECT_EQ(words, (QList<QString>{"beta", "", "alpha", ""}));
    EXPECT_EQ(QString::fromLocal8Bit(
                  velmo_singleton_config::instance()->get_string("UserLibraryList", "UserLibrary")),
              word_file);
    // Stored with the next save, not at once.
    EXPECT_FALSE(saved_ini().contains("UserLibrary="));

    // Empty words are skipped rather than handed to the host.
    EXPECT_EQ(search(dialog), utf8("查找完毕, 共标记3处"));
    EXPECT_EQ(highlight(document, 0, 5), FIND_COLOR);
    EXPECT_EQ(highlight(document, 6, 10), FIND_COLOR);
    EXPECT_EQ(highlight(document, 11, 16), FIND_COLOR);

    // An unreadable file gives one empty word: nothing is found.
    velmo_ui_batch_find missing;
    button(&missing, "挂接成批查找库文件")->setChecked(true);
    missing.findChild<QLineEdit*>()->setText(docs.path() + "/none.txt");
    missing.get_words(words);
    EXPECT_EQ(words, QList<QString>{QString()});
    EXPECT_EQ(search(missing), utf8("查找完毕, 共标记0处"));
}

TEST_F(batch_find_test, cancelling_the_browse_dialog_empties_the_file_name) {
    velmo_ui_batch_find dialog;
    button(&dialog, "挂接成批查找库文件")->setChecked(true);
    dialog.findChild<QLineEdit*>()->setText("/some/words.txt");
    modal_responder responder;
    responder.on(utf8("打开")).reject();
    dialog.on_lib_sel();
    EXPECT_EQ(responder.pending_steps(), 0);
    EXPECT_EQ(dialog.findChild<QLineEdit*>()->text(), QString());
}

TEST_F(batch_find_test, case_and_whole_word_options_restrict_the_matches) {
    use_library("apple\n");
    open(wps_sim::document_builder().paragraph("Apple apple pineapple"));
    auto count_with = [this](bool match_case, bool whole_word) {
        set_cursor(0);
        velmo_ui_batch_find dialog;
        static_cast<QCheckBox*>(button(&dialog, "区分大小写"))->setChecked(match_case);
        static_cast<QCheckBox*>(button(&dialog, "全字匹配"))->setChecked(whole_word);
        search(dialog);
        return dialog.get_find_range().size();
    };
    EXPECT_EQ(count_with(false, false), 3);
    EXPECT_EQ(count_with(true, false), 2);
    EXPECT_EQ(count_with(false, true), 2);
    EXPECT_EQ(count_with(true, true), 1);
}

TEST_F(batch_find_test, first_word_searched_from_the_cursor_later_ones_from_the_start) {
    use_library("ab\ncd\n");
    open(wps_sim::document_builder().paragraph("ab cd ab cd"));
    set_cursor(4);
    velmo_ui_batch_find dialog;
    EXPECT_EQ(search(dialog), utf8("查找完毕, 共标记3处"));
    const QList<check_range_t>& found = dialog.get_find_range();
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0].start, 6);
    EXPECT_EQ(found[1].start, 3);
    EXPECT_EQ(found[2].start, 9);
    EXPECT_EQ(dialog.findChild<QProgressBar*>()->value(), 100);
}

TEST_F(batch_find_test, overlapping_words_each_count_and_a_repeated_word_counts_once) {
    use_library("aa\nab\nb\nab\n");
    auto document = open(wps_sim::document_builder().paragraph("aaab"));
    const QStringList texts = run_command([](velmo_ui_batch_find*) {});
    // "aa" once (occurrences do not overlap themselves), "ab" and "b" once each;
    // listing "ab" twice does not count its occurrence twice.
    EXPECT_EQ(texts.last(), utf8("查找完毕, 共标记3处"));
    QStringList names;
    for (const bookmark_seen_t& mark : bookmarks(document)) names << mark.name;
    names.sort();
    EXPECT_EQ(names, (QStringList{"vmjd_find_0_2", "vmjd_find_2_4", "vmjd_find_3_4"}));
    EXPECT_EQ(highlight(document, 0, 4), FIND_COLOR);
}

TEST_F(batch_find_test, words_with_pattern_characters_are_found_literally) {
    use_library("a.b\n(x)\n*\n[z]\n\\d\n^$\n");
    open(wps_sim::document_builder().paragraph("a.b axb (x) x * [z] z \\d 5 ^$"));
    velmo_ui_batch_find dialog;
    EXPECT_EQ(search(dialog), utf8("查找完毕, 共标记6处"));
    const QString text = utf8("a.b axb (x) x * [z] z \\d 5 ^$");
    QList<int> starts;
    for (const check_range_t& found : dialog.get_find_range()) starts << int(found.start);
    EXPECT_EQ(starts, (QList<int>{0, int(text.indexOf("(x)")), int(text.indexOf("*")),
                                  int(text.indexOf("[z]")), int(text.indexOf("\\d")),
                                  int(text.indexOf("^$"))}));
}

TEST_F(batch_find_test, position_file_lists_sorted_words_with_their_pages) {
    use_library("甲\n关键\nzeta\nAlpha\nabsent\n");
    // Two lines per page, every paragraph on its own line: the key word sits
    // on pages 1, 1, 2, 4 and 4.
    open(wps_sim::document_builder()
             .name(utf8("报告.2024.doc"))
             .path(docs.path())
             .layout(20, 2)
             .paragraphs({utf8("关键 关键"), "zeta", utf8("关键"), "Alpha", utf8("甲"), "x",
                          utf8("关键关键")}));
    velmo_ui_batch_find dialog;
    position_group(&dialog)->setChecked(true);
    EXPECT_EQ(search(dialog), utf8("查找完毕, 共标记8处"));

    const QString pos_file = docs.path() + utf8("/报告.pos");
    EXPECT_EQ(read_file(pos_file), utf8("Alpha\nP2\nzeta\nP1\n关键\nP1,P2,P4\n甲\nP3\n"));
    const QStringList lines = opened(1);
    EXPECT_EQ(lines, (QStringList{"argc=1", "arg=" + pos_file, "end"}));
}

TEST_F(batch_find_test, printed_page_numbers_follow_section_restarts) {
    use_library("key\n");
    open(wps_sim::document_builder()
             .name("p.doc")
             .path(docs.path())
             .paragraph("key")
             .section(5)
             .paragraph("key"));
    velmo_ui_batch_find sequential;
    position_group(&sequential)->setChecked(true);
    search(sequential);
    EXPECT_EQ(read_file(docs.path() + "/p.pos"), "key\nP1,P2\n");

    set_cursor(0);
    velmo_ui_batch_find printed;
    position_group(&printed)->setChecked(true);
    button(&printed, "实际页码")->setChecked(true);
    search(printed);
    EXPECT_EQ(read_file(docs.path() + "/p.pos"), "key\nP1,P5\n");
    opened(2);
}

TEST_F(batch_find_test, no_position_file_and_no_opener_for_an_unsaved_document) {
    use_library("key\n");
    open(wps_sim::document_builder().name("new.doc").paragraph("key"));
    velmo_ui_batch_find dialog;
    position_group(&dialog)->setChecked(true);
    EXPECT_EQ(search(dialog), utf8("查找完毕, 共标记1处"));
    EXPECT_FALSE(QFile::exists("/new.pos"));

    // A later saved document opens its file; the record holds that run only.
    open(wps_sim::document_builder().name("saved.doc").path(docs.path()).paragraph("key"));
    velmo_ui_batch_find saved;
    position_group(&saved)->setChecked(true);
    search(saved);
    EXPECT_EQ(opened(1), (QStringList{"argc=1", "arg=" + docs.path() + "/saved.pos", "end"}));
}

TEST_F(batch_find_test, file_name_with_spaces_and_shell_characters_runs_nothing_else) {
    QTemporaryDir work;
    const QString saved_cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    use_library("key\n");
    const QString name = "my doc; touch injected1 $(touch injected2) `touch injected3` & 'q\".doc";
    open(wps_sim::document_builder().name(name).path(docs.path()).paragraph("key"));
    velmo_ui_batch_find dialog;
    position_group(&dialog)->setChecked(true);
    search(dialog);
    const QString pos_file =
        docs.path() + "/my doc; touch injected1 $(touch injected2) `touch injected3` & 'q\".pos";
    EXPECT_EQ(read_file(pos_file), "key\nP1\n");
    EXPECT_EQ(opened(1), (QStringList{"argc=1", "arg=" + pos_file, "end"}));
    const QStringList stray =
        QDir(work.path()).entryList({"injected*"}) + QDir(docs.path()).entryList({"injected*"});
    EXPECT_TRUE(stray.isEmpty()) << stray.join(' ').toStdString();
    QDir::setCurrent(saved_cwd);
}

}  // namespace
