// Shared set-up of the dialog tests: a Qt application, a simulated Writer
// application in g_pApp, a temporary velmo.ini, and small helpers that find
// a dialog's widgets and read what was saved to disk.
#ifndef TESTS_SETTINGS_SETTINGS_FIXTURE_H
#define TESTS_SETTINGS_SETTINGS_FIXTURE_H

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QByteArray>
#include <QMap>
#include <QPair>
#include <QString>
#include <QWidget>
#include <memory>
#include <ostream>

#include "config/velmo_config.h"
#include "modal_responder.h"
#include "temp_settings.h"
#include "wps_sim.h"

// Readable QString values in failure messages.
void PrintTo(const QString& text, std::ostream* out);

// Every key of the settings file with values none of the dialogs would
// choose by themselves.
extern const char* const SETTINGS_TEST_INI;

// (section, key) -> value of an INI text.
typedef QMap<QPair<QString, QString>, QString> ini_values_t;
ini_values_t parse_ini(const QByteArray& text);

// Creates the Qt application before the fixture's members (the responder's
// timer needs it).
struct qt_application_first {
    qt_application_first();
};

class settings_test : public ::testing::Test, private qt_application_first {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the settings over from the given INI text.
    void use_ini(const std::string& ini_text);

    static velmo_singleton_config* config() { return velmo_singleton_config::instance(); }
    QByteArray ini_bytes() const;
    ini_values_t ini_on_disk() const { return parse_ini(ini_bytes()); }
    // Keys whose value on disk differs from the file the test started with
    // (added and removed keys included).
    QStringList changed_keys() const;

    // The first child whose text (without '&') equals `text`, or null.
    template <class T>
    static T* child(QWidget* parent, const QString& text) {
        for (T* candidate : parent->template findChildren<T*>())
            if (candidate->text().remove('&') == text) return candidate;
        return nullptr;
    }
    // Clicks the button with that text; fails the test when there is none.
    static void click(QWidget* parent, const QString& text);

    kfc::ks_stdptr<wpsapi::_Application> app;
    std::unique_ptr<temp_settings> settings;
    QByteArray initial_ini;
    modal_responder responder;
};

#endif
