// Shared set-up of the dialog tests: the plug-in fixture with settings of
// every key, a modal responder, and small helpers that find a dialog's
// widgets and read what was saved to disk.
#ifndef TESTS_SETTINGS_SETTINGS_FIXTURE_H
#define TESTS_SETTINGS_SETTINGS_FIXTURE_H

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QByteArray>
#include <QMap>
#include <QPair>
#include <QString>
#include <QWidget>
#include <ostream>
#include <string>

#include "config/velmo_config.h"
#include "modal_responder.h"
#include "plugin_fixture.h"

// Readable QString values in failure messages.
void PrintTo(const QString& text, std::ostream* out);

// Every key of the settings file with values none of the dialogs would
// choose by themselves.
extern const char* const SETTINGS_TEST_INI;

// (section, key) -> value of an INI text.
typedef QMap<QPair<QString, QString>, QString> ini_values_t;
ini_values_t parse_ini(const QByteArray& text);

class settings_test : public plugin_test {
  protected:
    void SetUp() override;
    // Every test also checks that the system file was left as it was.
    void TearDown() override;

    // Starts the settings over from the given INI text, remembered as the
    // file the test started with.
    void use_ini(const std::string& ini_text);

    static velmo_singleton_config* config() { return velmo_singleton_config::instance(); }
    // The settings a fresh start would read: the system file with the
    // user's file over it.
    ini_values_t ini_on_disk() const;
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

    QByteArray initial_ini;
    modal_responder responder;
};

#endif
