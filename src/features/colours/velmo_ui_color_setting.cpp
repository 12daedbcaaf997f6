#include "features/colours/velmo_ui_color_setting.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalMapper>
#include <QVBoxLayout>

#include "config/velmo_config.h"
#include "features/colours/velmo_color_commands.h"
#include "features/colours/velmo_ui_color.h"
#include "features/common/velmo_ui_color_button.h"
#include "features/common/velmo_ui_settings_save.h"
#include "wpsapi.h"

namespace {

struct color_kind_t {
    const char* key;  // in section "Color"
    const char* label;
    int default_color;
};

// In swatch order.
const color_kind_t COLOR_KINDS[velmo_ui_color_setting::SWATCH_COUNT] = {
    {"Error", QT_TRANSLATE_NOOP("velmo_ui_color_setting", "错误:"), wpsapi::wdYellow},
    {"Update", QT_TRANSLATE_NOOP("velmo_ui_color_setting", "修改:"), wpsapi::wdTurquoise},
    {"Fallibility", QT_TRANSLATE_NOOP("velmo_ui_color_setting", "疑错:"), wpsapi::wdBrightGreen},
    {"Find", QT_TRANSLATE_NOOP("velmo_ui_color_setting", "成批查找:"), wpsapi::wdPink},
};

}  // namespace

velmo_ui_color_setting::velmo_ui_color_setting(QWidget* parent) : QDialog(parent) { init_ui(); }

void velmo_ui_color_setting::init_ui() {
    setWindowTitle(tr("颜色设置"));
    new QVBoxLayout(this);
    init_ui_1();
    init_ui_2();
}

// Two rows of two labelled swatches: Error and Update, Fallibility and Find.
void velmo_ui_color_setting::init_ui_1() {
    auto* grid = new QGridLayout;
    auto* mapper = new QSignalMapper(this);
    for (int swatch = 0; swatch < SWATCH_COUNT; ++swatch) {
        add_swatch(grid, swatch, swatch / 2, swatch % 2);
        connect(swatches[swatch], SIGNAL(clicked()), mapper, SLOT(map()));
        mapper->setMapping(swatches[swatch], swatch);
    }
    connect(mapper, SIGNAL(mapped(int)), this, SLOT(on_color_changed(int)));
    static_cast<QVBoxLayout*>(layout())->addLayout(grid);
}

void velmo_ui_color_setting::add_swatch(QGridLayout* grid, int swatch, int row, int column) {
    const color_kind_t& kind = COLOR_KINDS[swatch];
    swatches[swatch] = new velmo_ui_color_button(this);
    swatches[swatch]->set_wps_color(velmo_singleton_config::instance()->get_int("Color", kind.key));
    grid->addWidget(new QLabel(tr(kind.label), this), row, 2 * column);
    grid->addWidget(swatches[swatch], row, 2 * column + 1);
}

// The buttons.
void velmo_ui_color_setting::init_ui_2() {
    auto* row = new QHBoxLayout;
    auto* default_button = new QPushButton(tr("默认"), this);
    auto* ok_button = new QPushButton(tr("确定"), this);
    auto* cancel_button = new QPushButton(tr("取消"), this);
    row->addWidget(default_button);
    row->addWidget(ok_button);
    row->addWidget(cancel_button);
    connect(default_button, SIGNAL(clicked()), this, SLOT(on_default()));
    connect(ok_button, SIGNAL(clicked()), this, SLOT(on_ok()));
    connect(cancel_button, SIGNAL(clicked()), this, SLOT(on_cancel()));
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void velmo_ui_color_setting::on_color_changed(int swatch) {
    if (swatch < 0 || swatch >= SWATCH_COUNT) return;
    velmo_ui_color picker(this);
    picker.set_color(swatches[swatch]->get_wps_color());
    picker.exec();
    if (picker.get_color() > 0) swatches[swatch]->set_wps_color(picker.get_color());
}

void velmo_ui_color_setting::on_default() {
    for (int swatch = 0; swatch < SWATCH_COUNT; ++swatch)
        swatches[swatch]->set_wps_color(COLOR_KINDS[swatch].default_color);
}

void velmo_ui_color_setting::on_ok() {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    for (int swatch = 0; swatch < SWATCH_COUNT; ++swatch)
        config->set_int("Color", COLOR_KINDS[swatch].key, swatches[swatch]->get_wps_color());
    if (velmo_ui_save_settings()) accept();
}

void velmo_ui_color_setting::on_cancel() { reject(); }

int velmo_cb_color_setting(QList<QVariant>&) {
    // A confirm whose save failed, then "取消", leaves the colours as they were.
    velmo_config_undo undo;
    velmo_ui_color_setting dialog;
    if (dialog.exec() != QDialog::Accepted) undo.restore();
    return 0;
}
