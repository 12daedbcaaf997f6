// The add-word dialogs ("添加新词", "定义错误"): the candidates read at the
// caret, the choice among them and what is sent to the service.
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>

#include "account_fixture.h"
#include "api/velmo_api_account.h"

namespace {

struct addword_view {
    QString title;
    QStringList candidates;
    QString field;
};

addword_view view_of(QWidget* dialog) {
    addword_view view;
    view.title = dialog->windowTitle();
    view.candidates = entries_of(child_of<QListWidget>(dialog));
    view.field = child_of<QLineEdit>(dialog)->text();
    return view;
}

class add_word_test : public account_test {
  protected:
    void SetUp() override {
        account_test::SetUp();
        use_settings("UserName=alice\n");
        service.set_answer("AddWords", {200, fake_code_answer("AddWords", 0, "成功")});
    }

    void open_at(const QString& text, long caret) {
        wps_sim::document_builder().paragraph(text).open(app);
        kfc::ks_stdptr<wpsapi::Selection> selection;
        ASSERT_TRUE(SUCCEEDED(app->get_Selection(&selection)));
        ASSERT_TRUE(SUCCEEDED(selection->SetRange(caret, caret)));
    }

    // Runs the command; the dialog titled `title` is looked at, then left
    // through the button `leave_by` after choosing `row` (-1: no choice).
    addword_view run(const QString& command, const QString& title, int row,
                     const QString& leave_by) {
        addword_view seen;
        responder.on(title).act([&](QWidget* dialog) {
            seen = view_of(dialog);
            if (row >= 0) child_of<QListWidget>(dialog)->setCurrentRow(row);
            press(dialog, leave_by);
        });
        EXPECT_TRUE(click(command));
        EXPECT_EQ(responder.pending_steps(), 0);
        return seen;
    }

    QStringList added() const {
        QStringList words;
        for (const fake_request& r : service.requests("AddWords"))
            words << QString::fromStdString(r.value("libType") + ":" + r.value("words"));
        return words;
    }
};

TEST_F(add_word_test, candidates_grow_from_the_caret_until_a_separator) {
    open_at(QStringLiteral("作业本。还有很多"), 0);
    const addword_view view = run("添加新词", "添加新词", -1, "添加");
    EXPECT_EQ(view.candidates, (QStringList{"作业", "作业本"}));
    EXPECT_EQ(view.field, QStringLiteral("作业"));
    EXPECT_EQ(added(), QStringList{"4:作业"});
    EXPECT_EQ(service.requests("AddWords").at(0).value("userName"), "alice");
}

TEST_F(add_word_test, five_candidates_at_most_and_the_chosen_one_is_added_to_the_error_library) {
    open_at(QStringLiteral("前面甲乙丙丁戊己庚辛"), 2);
    const addword_view view = run("定义错误", "定义错误", 3, "添加");
    EXPECT_EQ(view.title, QStringLiteral("定义错误"));
    EXPECT_EQ(view.candidates,
              (QStringList{"甲乙", "甲乙丙", "甲乙丙丁", "甲乙丙丁戊", "甲乙丙丁戊己"}));
    EXPECT_EQ(added(), QStringList{"3:甲乙丙丁戊"});
}

TEST_F(add_word_test, every_separator_stops_the_proposal) {
    const QStringList separators = {",", ";", "；", ".", "。", "、", "（", "）"};
    for (const QString& separator : separators) {
        SCOPED_TRACE(separator.toStdString());
        responder.clear();
        open_at(QStringLiteral("一二") + separator + QStringLiteral("三四五六"), 0);
        const addword_view view = run("添加新词", "添加新词", -1, "关闭");
        EXPECT_EQ(view.candidates, QStringList{"一二"});
    }
    // A separator right after the caret, and the end of a paragraph.
    responder.clear();
    open_at(QStringLiteral("一二。三四五六"), 2);
    EXPECT_TRUE(run("添加新词", "添加新词", -1, "关闭").candidates.isEmpty());
    responder.clear();
    open_at(QStringLiteral("一二三"), 1);
    EXPECT_EQ(run("添加新词", "添加新词", -1, "关闭").candidates, QStringList{"二三"});
    EXPECT_TRUE(added().isEmpty());
}

TEST_F(add_word_test, at_the_end_of_the_document_a_typed_word_can_still_be_added) {
    open_at(QStringLiteral("作业本"), 3);
    addword_view seen;
    responder.on("添加新词").act([&](QWidget* dialog) {
        seen = view_of(dialog);
        child_of<QLineEdit>(dialog)->setText(QStringLiteral("自造词"));
        press(dialog, "添加");
    });
    ASSERT_TRUE(click("添加新词"));
    EXPECT_TRUE(seen.candidates.isEmpty());
    EXPECT_TRUE(seen.field.isEmpty());
    EXPECT_EQ(added(), QStringList{"4:自造词"});
}

TEST_F(add_word_test, without_a_document_nothing_is_proposed_and_closing_sends_nothing) {
    const addword_view view = run("添加新词", "添加新词", -1, "关闭");
    EXPECT_TRUE(view.candidates.isEmpty());
    EXPECT_TRUE(service.requests().empty());
    EXPECT_TRUE(boxes().isEmpty());
}

}  // namespace
