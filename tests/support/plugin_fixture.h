// Shared set-up of the tests that run the plug-in's code against the
// simulated host: a Qt application made before anything else, a simulated
// Writer application in g_pApp, a temporary velmo.ini, and small readers and
// writers of a document's text, marks and selection.
#ifndef TESTS_SUPPORT_PLUGIN_FIXTURE_H
#define TESTS_SUPPORT_PLUGIN_FIXTURE_H

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "temp_settings.h"
#include "wps_sim.h"

// Makes the Qt application on first use, with a locale encoding that holds
// Chinese whatever locale the tests run in (the plug-in writes its files in
// the locale's encoding).
void ensure_qt_application();

// A base constructed before the fixture's members, so that timers and
// widgets among them have an application to live in.
struct qt_application_first {
    qt_application_first() { ensure_qt_application(); }
};

struct bookmark_seen_t {
    QString name;
    long start = 0;
    long end = 0;
};

class plugin_test : public ::testing::Test, private qt_application_first {
  protected:
    // Creates the simulated application and makes it g_pApp.
    void SetUp() override;
    // Clears g_pApp, then the application, then the settings.
    void TearDown() override;

    // Starts the settings over from the given INI text.
    void use_ini(const std::string& ini_text);
    // The settings file as it is on disk (the system layer).
    QByteArray ini_file() const;
    // The user's settings file as it is on disk; empty when there is none.
    QByteArray user_ini_file() const;

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

    kfc::ks_stdptr<wpsapi::_Application> app;
    std::unique_ptr<temp_settings> settings;
};

#endif
