#include "plugin/velmo_layout.h"

#include <QCoreApplication>

#include "config/velmo_config.h"
#include "features/account/velmo_account_commands.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"
#include "plugin/velmo_command_bar.h"
#include "plugin/velmo_command_table.h"

namespace {

QString caption_text(const char* caption) {
    return QCoreApplication::translate("velmo_layout", caption);
}

// The items of one menu, in table order.
void fill_menu(ksoapi::CommandBarControls* menu, _RegisterEventManager* manager,
               const char* menu_caption) {
    if (!menu) return;
    for (const velmo_command_t& item : velmo_command_table())
        if (item.menu && qstrcmp(item.menu, menu_caption) == 0)
            AddCommandSubButton(menu, manager, caption_text(item.caption), item.handler);
}

bool layout_enabled(const char* key) {
    return velmo_singleton_config::instance()->get_int("OtherParams", key) != 0;
}

}  // namespace

bool is_newstyle() {
    kfc::ks_bstr version;
    if (g_pApp) g_pApp->get_Version(&version);
    return velmo_from_bstr(version) != QLatin1String("11.0");
}

void InitPanel2(ksoapi::_CommandBars* bars, _RegisterEventManager* manager) {
    if (!layout_enabled("newstyle")) return;
    g_velmo_controls.clear();
    for (const velmo_command_t& button : velmo_command_table())
        if (!button.menu)
            AddCommandButton(bars, manager, caption_text(button.caption), button.handler);
    for (const char* menu : velmo_command_menus())
        fill_menu(AddCommandMenu(bars, caption_text(menu)), manager, menu);
}

void InitPanel3(ksoapi::_CommandBars* bars, _RegisterEventManager* manager) {
    if (!layout_enabled("oldstyle")) return;
    g_velmo_controls.clear();
    const velmo_command_t& first = velmo_command_table().front();
    kfc::ks_stdptr<ksoapi::CommandBarControls> home =
        AddCommandButton(bars, manager, caption_text(first.caption), first.handler);
    if (!home) return;
    for (const velmo_command_t& button : velmo_command_table()) {
        if (&button == &first || button.menu) continue;
        AddCommandSubButton(home, manager, caption_text(button.caption), button.handler);
    }
    for (const char* menu : velmo_command_menus())
        fill_menu(AddCommandSubMenu(home, caption_text(menu)), manager, menu);

    // The account items show the account's values from the start.
    QList<QVariant> no_arguments;
    velmo_cb_account(no_arguments);
}
