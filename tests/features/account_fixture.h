// Shared set-up of the account dialog tests: the plug-in fixture with the
// new-style command bar, settings naming the fake service, and a modal
// responder; readers of the account
// items' captions and small helpers that work the dialogs' widgets.
#ifndef TESTS_ACCOUNT_ACCOUNT_FIXTURE_H
#define TESTS_ACCOUNT_ACCOUNT_FIXTURE_H

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

#include "fake_service.h"
#include "modal_responder.h"
#include "plugin_fixture.h"

QT_BEGIN_NAMESPACE
class QAbstractButton;
class QListWidget;
class QWidget;
QT_END_NAMESPACE

class account_test : public plugin_test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Settings with the fake service's address and the given user section
    // lines (e.g. "UserName=alice\nAuthNo=A-1\n"); the command bar is built.
    void use_settings(const std::string& user_info, const std::string& service_url);
    void use_settings(const std::string& user_info) { use_settings(user_info, service.url()); }

    // Clicks the command-bar item; false when there is none.
    bool click(const QString& caption);

    // The caption an account item shows now, found by its creation caption.
    static QString caption_of(const QString& registered);
    // Message boxes shown, as "title|text|buttons".
    QStringList boxes() const;
    // Dialogs (not message boxes) shown, by title.
    QStringList dialog_titles() const;

    // Clicks the command, runs the steps in the dialog titled `title`, then
    // closes the dialog.
    void with_dialog(const QString& command, const QString& title,
                     std::function<void(QWidget*)> steps);

    // Answers GetUserInfo with these values.
    void answer_userinfo(const std::string& state, const std::string& remaining,
                         const std::string& end_time);

    fake_service service;
    modal_responder responder;
};

// The visible button with this text inside the widget; null when none.
QAbstractButton* find_button(QWidget* parent, const QString& text);
// Clicks it; a missing button fails the test.
void press(QWidget* parent, const QString& text);
// A responder action that clicks the button once the responder has returned:
// a box the click opens then runs in an event loop where the responder's
// timer can answer it.
std::function<void(QWidget*)> press_later(const QString& text);
// The texts of a list's entries.
QStringList entries_of(QListWidget* list);
// The widget's first child of type T.
template <typename T>
T* child_of(QWidget* parent) {
    return parent->findChild<T*>();
}

#endif
