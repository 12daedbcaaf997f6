#include "features/common/velmo_message.h"

#include <QCoreApplication>
#include <QPushButton>

int velmo_message_box(const QString& title, const QString& text,
                      const QList<velmo_message_button_t>& buttons, const QVariantMap& properties) {
    QMessageBox box;
    for (auto it = properties.begin(); it != properties.end(); ++it)
        box.setProperty(it.key().toUtf8().constData(), it.value());
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(title);
    box.setText(text);
    QList<QAbstractButton*> added;
    for (const velmo_message_button_t& button : buttons)
        added.append(box.addButton(button.text, button.role));
    box.exec();
    return added.indexOf(box.clickedButton());
}

void velmo_message_box_ok(const QString& title, const QString& text,
                          const QVariantMap& properties) {
    velmo_message_box(title, text,
                      {{QCoreApplication::translate("velmo", "确定"), QMessageBox::YesRole}},
                      properties);
}

void velmo_message_information(const QString& text) {
    // The button's text is our own: Qt's standard "OK" stays English in a
    // host that loads no translation of Qt.
    QMessageBox box(QMessageBox::Information, QCoreApplication::translate("velmo", "系统提示"),
                    text);
    box.addButton(QCoreApplication::translate("velmo", "确定"), QMessageBox::AcceptRole);
    box.exec();
}
