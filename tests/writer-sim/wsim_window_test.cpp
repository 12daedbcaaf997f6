// The window side of writer-sim in-process, on the offscreen platform: the
// editor view against the host document, and the command bars as tool bars.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "wps_sim.h"
#include "wsim_command_bars.h"
#include "wsim_document_view.h"
#include "wsim_main_window.h"

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "writer_sim_window_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

QStringList g_clicked;

int on_click(QList<QVariant>& args) {
    g_clicked << (args.isEmpty() ? QStringLiteral("?") : args.first().toString());
    return 0;
}

kfc::ks_stdptr<ksoapi::CommandBarControl> add_control(ksoapi::CommandBarControls* controls,
                                                      ksoapi::MsoControlType type,
                                                      const QString& caption) {
    VARIANT t = kfc::var_i4(type);
    kfc::ks_stdptr<ksoapi::CommandBarControl> control;
    const VARIANT none = kfc::var_empty();
    EXPECT_TRUE(SUCCEEDED(controls->Add(t, none, none, none, none, &control)));
    const kfc::ks_bstr text(reinterpret_cast<const OLECHAR*>(caption.utf16()));
    control->put_Caption(text);
    if (type == ksoapi::msoControlButton)
        GetEventsRegisterManager()->RegisterEventHandler(
            control.get(), ksoapi::DIID__CommandBarButtonEvents, velmo_wide(u"Click"), &on_click);
    return control;
}

// One bar "校对" with a button and a menu "工具" of two items.
kfc::ks_stdptr<ksoapi::CommandBarControls> build_bar(wpsapi::_Application* app) {
    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    EXPECT_TRUE(SUCCEEDED(app->get_CommandBars(&bars)));
    VARIANT name = kfc::var_text(velmo_wide(u"校对"));
    kfc::ks_stdptr<ksoapi::CommandBar> bar;
    const VARIANT none = kfc::var_empty();
    EXPECT_TRUE(SUCCEEDED(bars->Add(name, none, none, none, &bar)));
    kfc::var_clear(name);
    bar->put_Visible(VARIANT_TRUE);
    kfc::ks_stdptr<ksoapi::CommandBarControls> controls;
    bar->get_Controls(&controls);
    add_control(controls, ksoapi::msoControlButton, QStringLiteral("校对"));
    auto menu = add_control(controls, ksoapi::msoControlPopup, QStringLiteral("工具"));
    auto popup = velmo_query<ksoapi::CommandBarPopup>(menu.get(), velmo_iid_command_bar_popup);
    kfc::ks_stdptr<ksoapi::CommandBarControls> items;
    popup->get_Controls(&items);
    add_control(items, ksoapi::msoControlButton, QStringLiteral("勘误表"));
    add_control(items, ksoapi::msoControlButton, QStringLiteral("用户名"));
    return items;
}

}  // namespace

TEST(wsim_document_view, draws_highlights_and_keeps_selections_in_step) {
    application();
    auto app = wps_sim::create_application();
    wps_sim::document_builder builder;
    builder.paragraph(QStringLiteral("再接再励，继续前进。"))
        .paragraph(QStringLiteral("第二段"))
        .highlight(0, 4, wpsapi::wdYellow);
    auto doc = builder.open(app);
    wsim_document_view view(app, doc);
    view.refresh(true);

    EXPECT_EQ(view.toPlainText(), QStringLiteral("再接再励，继续前进。\n第二段"));
    const auto extras = view.extraSelections();
    ASSERT_EQ(extras.size(), 1);
    EXPECT_EQ(extras.at(0).cursor.selectionStart(), 0);
    EXPECT_EQ(extras.at(0).cursor.selectionEnd(), 4);
    EXPECT_EQ(extras.at(0).format.background().color(), QColor(Qt::yellow));

    // Host to view: the plug-in selects a range.
    wsim_set_selection(app, 11, 14);
    view.refresh(true);
    EXPECT_EQ(view.textCursor().selectionStart(), 11);
    EXPECT_EQ(view.textCursor().selectionEnd(), 14);
    EXPECT_EQ(view.textCursor().selectedText(), QStringLiteral("第二段"));

    // View to host: the user selects with the mouse or keyboard.
    QTextCursor cursor = view.textCursor();
    cursor.setPosition(2);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    long start = -1, end = -1;
    ASSERT_TRUE(wsim_selection(app, start, end));
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 4);
}

TEST(wsim_document_view, edits_go_to_the_host_and_move_its_bookmarks) {
    application();
    auto app = wps_sim::create_application();
    wps_sim::document_builder builder;
    builder.paragraph(QStringLiteral("开头。再接再励。"))
        .bookmark(QStringLiteral("vmjd_error_1_0_再接再励_再接再厉_3"), 3, 7);
    auto doc = builder.open(app);
    wsim_document_view view(app, doc);
    view.refresh(true);

    QTextCursor cursor(view.document());
    cursor.setPosition(0);
    cursor.insertText(QStringLiteral("新"));
    EXPECT_EQ(wps_sim::document_text(doc), QStringLiteral("新开头。再接再励。\r"));
    ASSERT_EQ(view.snapshot().bookmarks.size(), 1);
    EXPECT_EQ(view.snapshot().bookmarks.at(0).start, 4);

    // A typed line break is a new paragraph for the host.
    cursor.setPosition(4);
    cursor.insertText(QStringLiteral("\n"));
    EXPECT_EQ(wps_sim::document_text(doc), QStringLiteral("新开头。\r再接再励。\r"));

    // Replacing the wrong character inside the mark keeps the mark over it.
    cursor.setPosition(8);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("厉"));
    EXPECT_EQ(wps_sim::document_text(doc), QStringLiteral("新开头。\r再接再厉。\r"));
    ASSERT_EQ(view.snapshot().bookmarks.size(), 1);
    EXPECT_EQ(view.snapshot().bookmarks.at(0).start, 5);
    EXPECT_EQ(view.snapshot().bookmarks.at(0).end, 9);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("新开头。\n再接再厉。"));
}

TEST(wsim_command_bars, shows_bars_as_tool_bars_and_clicks_reach_the_handlers) {
    application();
    auto app = wps_sim::create_application();
    wps_sim::document_builder().paragraph(QStringLiteral("文本")).open(app);
    auto items = build_bar(app);
    wsim_main_window window(app);

    const QList<QToolBar*> toolbars = window.findChildren<QToolBar*>();
    ASSERT_EQ(toolbars.size(), 1);
    EXPECT_EQ(toolbars.at(0)->windowTitle(), QStringLiteral("校对"));
    EXPECT_EQ(window.command_bars()->shown_captions(),
              (QStringList{"校对/校对", "校对/工具/勘误表", "校对/工具/用户名"}));

    g_clicked.clear();
    EXPECT_TRUE(window.command_bars()->click(QStringLiteral("校对")));
    EXPECT_TRUE(window.command_bars()->click(QStringLiteral("勘误表")));
    EXPECT_FALSE(window.command_bars()->click(QStringLiteral("没有")));
    EXPECT_EQ(g_clicked, (QStringList{"校对", "勘误表"}));

    // A handler that rewrites a caption: the menu shows the new caption
    // after the next look at the host.
    VARIANT which = kfc::var_text(velmo_wide(u"用户名"));
    kfc::ks_stdptr<ksoapi::CommandBarControl> account;
    ASSERT_TRUE(SUCCEEDED(items->get_Item(which, &account)));
    kfc::var_clear(which);
    const kfc::ks_bstr caption(velmo_wide(u"用户名:demo"));
    account->put_Caption(caption);
    window.sync_with_host();
    EXPECT_EQ(window.command_bars()->shown_captions().last(),
              QStringLiteral("校对/工具/用户名:demo"));
    EXPECT_TRUE(window.command_bars()->click(QStringLiteral("用户名:demo")));
    EXPECT_EQ(g_clicked.last(), QStringLiteral("用户名:demo"));
}

TEST(wsim_main_window, one_tab_per_document_following_the_active_one) {
    application();
    auto app = wps_sim::create_application();
    auto first = wps_sim::document_builder().name("a.txt").paragraph("first").open(app);
    auto second = wps_sim::document_builder().name("b.txt").paragraph("second").open(app);
    wsim_main_window window(app);
    auto* tabs = window.findChild<QTabWidget*>();
    ASSERT_TRUE(tabs);
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("b.txt"));
    EXPECT_EQ(tabs->currentIndex(), 1);

    // The host activates another document (as the batch check does).
    first->Activate();
    window.sync_with_host();
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(window.current_view()->toPlainText(), QStringLiteral("first"));

    // The user switches tabs: the host follows.
    tabs->setCurrentIndex(1);
    EXPECT_EQ(wsim_document_name(wsim_active_document(app)), QStringLiteral("b.txt"));

    // A closed document loses its tab.
    VARIANT no = kfc::var_i4(wpsapi::wdDoNotSaveChanges);
    second->Close(&no, nullptr, nullptr);
    window.sync_with_host();
    EXPECT_EQ(tabs->count(), 1);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("a.txt"));
}
