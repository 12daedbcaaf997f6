// The word library maintenance dialog ("用户维护"): paging through both
// libraries, adding and deleting the typed word, and a service that cannot
// be reached.
#include "word_library.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "account_fixture.h"
#include "api/velmo_api_account.h"

namespace {

// What the dialog shows at one moment.
struct maintain_view {
    QString title;
    QString label;
    QStringList words;
    QString field;
};

maintain_view view_of(QWidget* dialog) {
    maintain_view view;
    view.title = dialog->windowTitle();
    for (QLabel* label : dialog->findChildren<QLabel*>())
        if (label->text().startsWith(QStringLiteral("共"))) view.label = label->text();
    view.words = entries_of(child_of<QListWidget>(dialog));
    view.field = child_of<QLineEdit>(dialog)->text();
    return view;
}

QStringList as_list(const std::vector<std::string>& words, size_t from, size_t count) {
    QStringList list;
    for (size_t i = from; i < words.size() && i < from + count; ++i)
        list << QString::fromStdString(words[i]);
    return list;
}

class word_library_test : public account_test {
  protected:
    void SetUp() override {
        account_test::SetUp();
        use_settings("UserName=alice\n");
        library.fill(VELMO_LIB_USER_WORDS, numbered_words(25));
    }

    void with_dialog(std::function<void(QWidget*)> steps) {
        account_test::with_dialog("用户维护", "用户库", std::move(steps));
    }

    // Page indexes asked for, as "libType:page".
    QStringList pages_asked() const {
        QStringList asked;
        for (const fake_request& r : service.requests("GetWordsList"))
            asked << QString::fromStdString(r.value("libType") + ":" + r.value("pageIndex"));
        return asked;
    }

    word_library library{service};
};

TEST_F(word_library_test, opens_on_the_first_page_of_the_users_own_library) {
    maintain_view opened;
    QString combo_text;
    with_dialog([&](QWidget* dialog) {
        opened = view_of(dialog);
        combo_text = child_of<QComboBox>(dialog)->currentText();
    });
    EXPECT_EQ(opened.title, QStringLiteral("用户库"));
    EXPECT_EQ(combo_text, QStringLiteral("修改用户库"));
    EXPECT_EQ(opened.label, QStringLiteral("共2页25条数据，当前第1页"));
    EXPECT_EQ(opened.words, as_list(numbered_words(25), 0, 20));
    EXPECT_EQ(opened.field, QStringLiteral("词01"));
    EXPECT_EQ(pages_asked(), QStringList{"4:0"});
    EXPECT_EQ(service.requests("GetWordsList").at(0).value("userName"), "alice");
}

TEST_F(word_library_test, paging_stops_at_both_ends_and_query_returns_to_the_first_page) {
    std::vector<maintain_view> views;
    with_dialog([&](QWidget* dialog) {
        press(dialog, "上一页");  // on the first page: nothing
        press(dialog, "下一页");
        views.push_back(view_of(dialog));
        press(dialog, "下一页");  // on the last page: nothing
        views.push_back(view_of(dialog));
        press(dialog, "上一页");
        views.push_back(view_of(dialog));
        press(dialog, "下一页");
        press(dialog, "查询");
        views.push_back(view_of(dialog));
    });
    ASSERT_EQ(views.size(), 4u);
    EXPECT_EQ(views[0].label, QStringLiteral("共2页25条数据，当前第2页"));
    EXPECT_EQ(views[0].words, as_list(numbered_words(25), 20, 20));
    EXPECT_EQ(views[0].field, QStringLiteral("词21"));
    EXPECT_EQ(views[1].label, views[0].label);
    EXPECT_EQ(views[2].label, QStringLiteral("共2页25条数据，当前第1页"));
    EXPECT_EQ(views[3].label, QStringLiteral("共2页25条数据，当前第1页"));
    EXPECT_EQ(pages_asked(), (QStringList{"4:0", "4:1", "4:0", "4:1", "4:0"}));
}

TEST_F(word_library_test, the_error_library_is_reached_through_the_combo_and_may_be_empty) {
    maintain_view errors_view;
    with_dialog([&](QWidget* dialog) {
        child_of<QComboBox>(dialog)->setCurrentIndex(0);
        errors_view = view_of(dialog);
        // The other library's page count does not carry over.
        press(dialog, "下一页");
    });
    EXPECT_EQ(errors_view.title, QStringLiteral("敏感词库"));
    EXPECT_EQ(errors_view.label, QStringLiteral("共1页0条数据，当前第1页"));
    EXPECT_TRUE(errors_view.words.isEmpty());
    // The emptied list copied nothing: the field keeps the word of the other library.
    EXPECT_EQ(errors_view.field, QStringLiteral("词01"));
    EXPECT_EQ(pages_asked(), (QStringList{"4:0", "3:0"}));
}

TEST_F(word_library_test, adding_and_deleting_the_typed_word_reload_the_current_page) {
    library.fill(VELMO_LIB_USER_ERRORS, {"旧错"});
    maintain_view added, picked, deleted;
    with_dialog([&](QWidget* dialog) {
        child_of<QComboBox>(dialog)->setCurrentIndex(0);
        child_of<QLineEdit>(dialog)->setText(QStringLiteral("新<错>&"));
        press(dialog, "增加");
        added = view_of(dialog);
        // Picking an entry puts it in the field; deleting removes that one.
        child_of<QListWidget>(dialog)->setCurrentRow(1);
        picked = view_of(dialog);
        press(dialog, "删除");
        deleted = view_of(dialog);
    });
    EXPECT_EQ(added.words, (QStringList{"旧错", "新<错>&"}));
    EXPECT_EQ(added.label, QStringLiteral("共1页2条数据，当前第1页"));
    EXPECT_EQ(picked.field, QStringLiteral("新<错>&"));
    EXPECT_EQ(deleted.words, QStringList{"旧错"});
    EXPECT_EQ(library.words(VELMO_LIB_USER_ERRORS), std::vector<std::string>{"旧错"});
    EXPECT_EQ(library.words(VELMO_LIB_USER_WORDS), numbered_words(25));
    const auto adds = service.requests("AddWords");
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0].value("libType"), "3");
    EXPECT_EQ(adds[0].value("userName"), "alice");
    EXPECT_EQ(service.requests("DeleteWords").at(0).value("words"), "新<错>&");
}

TEST_F(word_library_test, adding_on_a_later_page_stays_on_it_and_an_empty_word_is_still_sent) {
    maintain_view after;
    with_dialog([&](QWidget* dialog) {
        press(dialog, "下一页");
        child_of<QLineEdit>(dialog)->clear();
        press(dialog, "增加");
        after = view_of(dialog);
    });
    ASSERT_EQ(service.requests("AddWords").size(), 1u);
    EXPECT_EQ(service.requests("AddWords")[0].value("words"), "");
    EXPECT_EQ(after.label, QStringLiteral("共2页25条数据，当前第2页"));
    EXPECT_EQ(pages_asked(), (QStringList{"4:0", "4:1", "4:1"}));
}

class word_library_unreachable_test : public account_test {};

TEST_F(word_library_unreachable_test, shows_an_empty_first_page_and_no_message) {
    use_settings("UserName=alice\n", fake_service::unreachable_url());
    maintain_view shown;
    with_dialog("用户维护", "用户库", [&](QWidget* dialog) {
        shown = view_of(dialog);
        press(dialog, "下一页");
        press(dialog, "增加");
    });
    EXPECT_EQ(shown.label, QStringLiteral("共1页0条数据，当前第1页"));
    EXPECT_TRUE(shown.words.isEmpty());
    EXPECT_TRUE(boxes().isEmpty());
}

}  // namespace
