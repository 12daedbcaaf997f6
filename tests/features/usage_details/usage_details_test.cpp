// The usage details dialog ("校验明细"): what it shows before and after a
// query, paging through the service's pages for a chosen date, and a
// service that cannot be reached.
#include <QDate>
#include <QDateEdit>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

#include "account_fixture.h"

namespace {

constexpr int ROWS_PER_PAGE = 10;
constexpr int ROWS_OF_THE_DAY = 25;

struct details_view {
    QStringList fields;  // account, quota, checked, remaining, end date, this month
    QString indicator;
    QStringList rows;  // "time|count"
    bool first_column_empty = true;
};

details_view view_of(QWidget* dialog) {
    details_view view;
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
        if (!qobject_cast<QDateEdit*>(edit->parentWidget())) view.fields << edit->text();
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->isFlat()) view.indicator = button->text();
    QTableWidget* table = child_of<QTableWidget>(dialog);
    for (int row = 0; row < table->rowCount(); ++row) {
        view.rows << table->item(row, 1)->text() + "|" + table->item(row, 2)->text();
        view.first_column_empty = view.first_column_empty && !table->item(row, 0);
    }
    return view;
}

class usage_details_test : public account_test {
  protected:
    void SetUp() override {
        account_test::SetUp();
        use_settings("UserName=张三\n");
        // The rows of one day, 10 a page, the last page's index as PageNo.
        service.set_handler("GetUserCheckDetail", [](const fake_request& request) {
            const int page = std::stoi(request.value("pageIndex"));
            fake_details details;
            details.auth_words_count = "100000";
            details.check_words_count = "2500";
            details.cur_check_words_count = "800";
            details.auth_end_time = "2027-01-31T00:00:00";
            details.page_index = std::to_string(page);
            details.page_no = "2";
            details.total_count = std::to_string(ROWS_OF_THE_DAY);
            for (int i = page * ROWS_PER_PAGE;
                 i < ROWS_OF_THE_DAY && i < (page + 1) * ROWS_PER_PAGE; ++i)
                details.rows.push_back(
                    {"2016-05-04T10:" + std::to_string(10 + i) + ":30", std::to_string(i + 1)});
            return fake_answer{200, fake_details_answer(details)};
        });
    }

    void with_dialog(std::function<void(QWidget*)> steps) {
        account_test::with_dialog("校验明细", "用户校验信息明细", std::move(steps));
    }

    QStringList pages_asked() const {
        QStringList asked;
        for (const fake_request& r : service.requests("GetUserCheckDetail"))
            asked << QString::fromStdString(r.value("pageIndex"));
        return asked;
    }
};

TEST_F(usage_details_test, opening_shows_the_account_and_today_and_asks_nothing) {
    details_view opened;
    QDate shown_date;
    with_dialog([&](QWidget* dialog) {
        opened = view_of(dialog);
        shown_date = child_of<QDateEdit>(dialog)->date();
        EXPECT_FALSE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
        press(dialog, "上一页");
        press(dialog, "下一页");
    });
    EXPECT_EQ(opened.fields, (QStringList{"张三", "", "", "", "", ""}));
    EXPECT_EQ(opened.indicator, QStringLiteral("共0页，当前第0页"));
    EXPECT_EQ(shown_date, QDate::currentDate());
    EXPECT_TRUE(opened.rows.isEmpty());
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(usage_details_test, a_query_for_a_chosen_date_fills_the_fields_and_the_first_page) {
    details_view shown;
    with_dialog([&](QWidget* dialog) {
        child_of<QDateEdit>(dialog)->setDate(QDate(2016, 5, 4));
        press(dialog, "查询");
        shown = view_of(dialog);
    });
    EXPECT_EQ(shown.fields, (QStringList{"张三", "100000", "2500", "97500", "2027-01-31", "800"}));
    EXPECT_EQ(shown.indicator, QStringLiteral("共3页25条数据，当前第1页"));
    ASSERT_EQ(shown.rows.size(), ROWS_PER_PAGE);
    EXPECT_EQ(shown.rows.first(), QStringLiteral("2016-05-04 10:10|1"));
    EXPECT_TRUE(shown.first_column_empty);

    const auto asked = service.requests("GetUserCheckDetail");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].value("userName"), "张三");
    EXPECT_EQ(asked[0].value("pageIndex"), "0");
    const QString date = QString::fromStdString(asked[0].value("queryDate"));
    EXPECT_TRUE(QRegularExpression("^2016-05-04T\\d\\d:\\d\\d:\\d\\d$").match(date).hasMatch())
        << date.toStdString();
}

TEST_F(usage_details_test, paging_follows_the_pages_the_service_reports_and_stops_at_the_last) {
    std::vector<details_view> views;
    with_dialog([&](QWidget* dialog) {
        press(dialog, "查询");
        press(dialog, "下一页");
        views.push_back(view_of(dialog));
        press(dialog, "下一页");
        views.push_back(view_of(dialog));
        press(dialog, "下一页");  // past the last page: nothing is asked
        press(dialog, "上一页");
        views.push_back(view_of(dialog));
        press(dialog, "查询");
        views.push_back(view_of(dialog));
    });
    ASSERT_EQ(views.size(), 4u);
    EXPECT_EQ(views[0].indicator, QStringLiteral("共3页25条数据，当前第2页"));
    EXPECT_EQ(views[0].rows.first(), QStringLiteral("2016-05-04 10:20|11"));
    EXPECT_EQ(views[1].indicator, QStringLiteral("共3页25条数据，当前第3页"));
    EXPECT_EQ(views[1].rows.size(), 5);
    EXPECT_EQ(views[2].indicator, QStringLiteral("共3页25条数据，当前第2页"));
    EXPECT_EQ(views[3].indicator, QStringLiteral("共3页25条数据，当前第1页"));
    EXPECT_EQ(pages_asked(), (QStringList{"0", "1", "2", "1", "0"}));
}

TEST_F(usage_details_test, a_day_without_checks_still_shows_the_account_figures) {
    service.set_answer(
        "GetUserCheckDetail",
        {200, fake_details_answer({"500", "abc", "", "2030-06-30T12:00:00", "0", "0", "0", {}})});
    details_view shown;
    with_dialog([&](QWidget* dialog) {
        press(dialog, "查询");
        press(dialog, "下一页");  // a single page
        shown = view_of(dialog);
    });
    EXPECT_EQ(shown.fields, (QStringList{"张三", "500", "abc", "500", "2030-06-30", ""}));
    EXPECT_EQ(shown.indicator, QStringLiteral("共1页0条数据，当前第1页"));
    EXPECT_TRUE(shown.rows.isEmpty());
    EXPECT_EQ(pages_asked(), QStringList{"0"});
}

class usage_details_unreachable_test : public account_test {};

TEST_F(usage_details_unreachable_test, shows_empty_values_and_no_message) {
    use_settings("UserName=alice\n", fake_service::unreachable_url());
    details_view shown;
    with_dialog("校验明细", "用户校验信息明细", [&](QWidget* dialog) {
        press(dialog, "查询");
        shown = view_of(dialog);
    });
    EXPECT_EQ(shown.fields, (QStringList{"alice", "", "", "", "", ""}));
    EXPECT_EQ(shown.indicator, QStringLiteral("共1页条数据，当前第1页"));
    EXPECT_TRUE(shown.rows.isEmpty());
    EXPECT_TRUE(boxes().isEmpty());
}

}  // namespace
