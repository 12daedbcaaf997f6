// What the plug-in's command bar must look like: the items in creation
// order, with the handler each one is bound to.
#ifndef TESTS_PLUGIN_LAYOUT_EXPECTATIONS_H
#define TESTS_PLUGIN_LAYOUT_EXPECTATIONS_H

#include <QString>
#include <QStringList>
#include <QVector>

struct expected_item {
    QString caption;
    QString menu;     // empty for a top-level button
    QString handler;  // empty for the display item without a command
};

// The five top-level buttons, then the items of the five menus.
const QVector<expected_item>& expected_items();
// The five menus in creation order.
QStringList expected_menus();
// Top-level buttons in creation order.
QStringList expected_top_buttons();
// Captions of the items of the menus (what the new style registers), sorted.
QStringList expected_menu_item_captions();
// What the host lists for a menu: the menu, then "menu/item" per item.
QStringList expected_menu_listing(const QString& menu);
// The bar names of the new style: the five buttons, then the five menus.
QStringList expected_new_style_bars();

#endif
