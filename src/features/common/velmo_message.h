// The two kinds of message box every command shows: the plain box with chosen
// buttons, and the standard information box titled "系统提示".
#ifndef VELMO_FEATURES_COMMON_VELMO_MESSAGE_H
#define VELMO_FEATURES_COMMON_VELMO_MESSAGE_H

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QVariantMap>

struct velmo_message_button_t {
    QString text;
    QMessageBox::ButtonRole role;
};

// Modal box without icon; returns the index in `buttons` of the button that
// was clicked, or -1 when the box was closed otherwise.
int velmo_message_box(const QString& title, const QString& text,
                      const QList<velmo_message_button_t>& buttons,
                      const QVariantMap& properties = QVariantMap());

// Box with the single button "确定". `properties` become dynamic properties
// of the box, for a program that drives the plug-in to read as data.
void velmo_message_box_ok(const QString& title, const QString& text,
                          const QVariantMap& properties = QVariantMap());

// Information box titled "系统提示" with the one button "确定", no parent.
void velmo_message_information(const QString& text);

#endif
