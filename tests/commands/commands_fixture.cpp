#include "commands_fixture.h"

#include <QApplication>
#include <QTextCodec>

#include "commands/velmo_check_progress.h"
#include "commands/velmo_host_string.h"
#include "plugin/velmo_globals.h"

const char* const COMMANDS_TEST_INI =
    "[OtherParams]\n"
    "ServiceUrl=\n"
    "CheckWordsCount=500\n"
    "MaxWords=1000000\n"
    "ReceiveTimeout=10\n"
    "[CheckType]\n"
    "CheckLeaderSort=1\n"
    "CheckMatchDots=0\n"
    "CheckSentence=1\n"
    "[CheckExtendInfo]\n"
    "Weight=1\n"
    "ProfType=0\n"
    "UserErr=1\n"
    "TaiWan=1\n"
    "Leader=1\n"
    "FanTi=1\n"
    "ChkEng=1\n"
    "RepeatSentence=1\n"
    "[Way]\n"
    "ColorWay=0\n"
    "[UserInfo]\n"
    "UserName=alice\n"
    "AuthNo=A-1\n"
    "[Color]\n"
    "Error=6\n"
    "Fallibility=7\n"
    "Update=4\n"
    "Find=3\n";

namespace {

void ensure_qt_application() {
    if (QApplication::instance()) return;
    static int argc = 1;
    static char name[] = "commands_test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    // The plug-in writes its files in the locale's encoding; make that
    // encoding one that holds Chinese whatever locale the tests run in.
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
}

}  // namespace

commands_test::commands_test() { ensure_qt_application(); }

void commands_test::SetUp() {
    settings = std::make_unique<temp_settings>(COMMANDS_TEST_INI);
    app = wps_sim::create_application();
    g_pApp = app.get();
    s_check_progress = check_progress_t();
}

void commands_test::TearDown() {
    s_check_progress = check_progress_t();
    g_pApp = nullptr;
    app.clear();
    settings.reset();
}

kfc::ks_stdptr<wpsapi::_Document> commands_test::open(const wps_sim::document_builder& builder) {
    return builder.open(app);
}

std::vector<bookmark_seen_t> commands_test::bookmarks(wpsapi::_Document* document) {
    std::vector<bookmark_seen_t> seen;
    kfc::ks_stdptr<wpsapi::Range> content;
    kfc::ks_stdptr<wpsapi::Bookmarks> all;
    long count = 0;
    if (FAILED(document->get_Content(&content)) || FAILED(content->get_Bookmarks(&all)) ||
        FAILED(all->get_Count(&count)))
        return seen;
    for (long i = 1; i <= count; ++i) {
        VARIANT index = kfc::var_i8(i);
        kfc::ks_stdptr<wpsapi::Bookmark> bookmark;
        if (FAILED(all->Item(&index, &bookmark))) break;
        bookmark_seen_t one;
        one.name = velmo_bookmark_name(bookmark);
        bookmark->get_Start(&one.start);
        bookmark->get_End(&one.end);
        seen.push_back(one);
    }
    return seen;
}

int commands_test::highlight(wpsapi::_Document* document, long start, long end) {
    VARIANT s = kfc::var_i8(start);
    VARIANT e = kfc::var_i8(end);
    kfc::ks_stdptr<wpsapi::Range> range;
    auto color = static_cast<wpsapi::WdColorIndex>(-2);
    if (SUCCEEDED(document->Range(&s, &e, &range))) range->get_HighlightColorIndex(&color);
    return color;
}

void commands_test::insert_text(wpsapi::_Document* document, long pos, const QString& text) {
    VARIANT s = kfc::var_i8(pos);
    VARIANT e = kfc::var_i8(pos);
    kfc::ks_stdptr<wpsapi::Range> range;
    ASSERT_TRUE(SUCCEEDED(document->Range(&s, &e, &range)));
    ASSERT_TRUE(SUCCEEDED(range->put_Text(velmo_to_bstr(text))));
}

void commands_test::add_bookmark(wpsapi::_Document* document, const QString& name, long start,
                                 long end) {
    VARIANT s = kfc::var_i8(start);
    VARIANT e = kfc::var_i8(end);
    kfc::ks_stdptr<wpsapi::Range> range;
    kfc::ks_stdptr<wpsapi::Bookmarks> all;
    ASSERT_TRUE(SUCCEEDED(document->Range(&s, &e, &range)));
    ASSERT_TRUE(SUCCEEDED(document->get_Bookmarks(&all)));
    VARIANT range_arg = kfc::var_object(range);
    kfc::ks_stdptr<wpsapi::Bookmark> added;
    const HRESULT hr = all->Add(velmo_to_bstr(name), &range_arg, &added);
    kfc::var_clear(range_arg);
    ASSERT_TRUE(SUCCEEDED(hr));
}

void commands_test::set_selection(long start, long end) {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    ASSERT_TRUE(SUCCEEDED(app->get_Selection(&selection)));
    ASSERT_TRUE(SUCCEEDED(selection->SetRange(start, end)));
}

long commands_test::selection_start() {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    long start = -1;
    if (SUCCEEDED(app->get_Selection(&selection))) selection->get_Start(&start);
    return start;
}

long commands_test::selection_end() {
    kfc::ks_stdptr<wpsapi::Selection> selection;
    long end = -1;
    if (SUCCEEDED(app->get_Selection(&selection))) selection->get_End(&end);
    return end;
}

velmo_check_result_t commands_test::record(int pos, int level, const QString& err_word,
                                           const QString& cor_word, int span) {
    velmo_check_result_t result;
    result.pos = pos;
    result.level = level;
    result.err_word = err_word;
    result.cor_word = cor_word;
    result.span_by_correction = span;
    return result;
}
