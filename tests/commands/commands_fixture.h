// Shared set-up of the command tests: a simulated Writer application in
// g_pApp, a temporary velmo.ini, an empty collected progress, and small
// readers of what the commands left in the document.
#ifndef TESTS_COMMANDS_COMMANDS_FIXTURE_H
#define TESTS_COMMANDS_COMMANDS_FIXTURE_H

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <vector>

#include "api/velmo_check_result.h"
#include "temp_settings.h"
#include "wps_sim.h"

// Settings every command test starts from: colours, options all on, a piece
// length and a character limit that let small documents go in one piece.
extern const char* const COMMANDS_TEST_INI;

struct bookmark_seen_t {
    QString name;
    long start = 0;
    long end = 0;
};

class commands_test : public ::testing::Test {
protected:
    // Makes the Qt application first, so that members of derived fixtures
    // (timers, widgets) are created with it.
    commands_test();
    void SetUp() override;
    void TearDown() override;

    // Opens the document in the application; it becomes the active one.
    kfc::ks_stdptr<wpsapi::_Document> open(const wps_sim::document_builder& builder);

    // Every bookmark of the document's main text, by start.
    static std::vector<bookmark_seen_t> bookmarks(wpsapi::_Document* document);
    static int highlight(wpsapi::_Document* document, long start, long end);
    static void insert_text(wpsapi::_Document* document, long pos, const QString& text);
    static void add_bookmark(wpsapi::_Document* document, const QString& name, long start,
                             long end);

    void set_selection(long start, long end);
    void set_cursor(long pos) { set_selection(pos, pos); }
    long selection_start();
    long selection_end();

    static velmo_check_result_t record(int pos, int level, const QString& err_word,
                                       const QString& cor_word, int span = 0);

    kfc::ks_stdptr<wpsapi::_Application> app;
    std::unique_ptr<temp_settings> settings;
};

#endif
