#include "features/colours/velmo_ui_color_clear.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstring>

#include "config/velmo_config.h"
#include "config/velmo_config_values.h"
#include "features/common/velmo_ui_color_button.h"
#include "features/common/velmo_ui_settings_save.h"

namespace {

struct clear_kind_t {
    const char* color_key;  // in section "Color"
    const char* flag_key;   // in section "ClearColor"
    const char* caption;
};

// In check-box order.
const clear_kind_t CLEAR_KINDS[velmo_ui_clear_color::KIND_COUNT] = {
    {"Error", "ErrorFlag", QT_TRANSLATE_NOOP("velmo_ui_clear_color", "清除所有错误标记")},
    {"Fallibility", "FallibilityFlag",
     QT_TRANSLATE_NOOP("velmo_ui_clear_color", "清除所有疑错标记")},
    {"Update", "UpdateFlag", QT_TRANSLATE_NOOP("velmo_ui_clear_color", "清除所有修改标记")},
    {"Find", "FindFlag", QT_TRANSLATE_NOOP("velmo_ui_clear_color", "清除所有成批查找标记")},
};

bool flag_is_set(const char* key) {
    const char* flag = velmo_singleton_config::instance()->get_string("ClearColor", key);
    return flag && std::strcmp(flag, "1") == 0;
}

}  // namespace

velmo_ui_clear_color::velmo_ui_clear_color(QWidget* parent) : QDialog(parent) {
    setWindowFlags(windowFlags() & ~(Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                                     Qt::WindowMaximizeButtonHint |
                                     Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint));
    init_ui();
}

void velmo_ui_clear_color::init_ui() {
    setWindowTitle(tr("清除颜色标记"));
    new QVBoxLayout(this);
    init_ui_1();
    init_ui_2();
}

// One row per kind: check box, stretch, swatch of the kind's colour.
void velmo_ui_clear_color::init_ui_1() {
    for (int kind = 0; kind < KIND_COUNT; ++kind) {
        auto* row = new QHBoxLayout;
        check_boxes[kind] = new QCheckBox(tr(CLEAR_KINDS[kind].caption), this);
        swatches[kind] = new velmo_ui_color_button(this);
        swatches[kind]->set_wps_color(velmo_config_color(CLEAR_KINDS[kind].color_key));
        check_boxes[kind]->setChecked(flag_is_set(CLEAR_KINDS[kind].flag_key));
        row->addWidget(check_boxes[kind]);
        row->addStretch();
        row->addWidget(swatches[kind]);
        static_cast<QVBoxLayout*>(layout())->addLayout(row);
    }
    // Connected after the stored ticks are in, so that opening the dialog
    // shows them as they were confirmed.
    for (QCheckBox* box : check_boxes)
        connect(box, SIGNAL(stateChanged(int)), this, SLOT(on_color_changed(int)));
}

// The buttons.
void velmo_ui_clear_color::init_ui_2() {
    auto* row = new QHBoxLayout;
    auto* ok_button = new QPushButton(tr("确定"), this);
    auto* cancel_button = new QPushButton(tr("取消"), this);
    row->addWidget(ok_button);
    row->addWidget(cancel_button);
    connect(ok_button, SIGNAL(clicked()), this, SLOT(on_ok()));
    connect(cancel_button, SIGNAL(clicked()), this, SLOT(on_cancel()));
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void velmo_ui_clear_color::on_color_changed(int state) {
    int sender_kind = -1;
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        if (sender() == check_boxes[kind]) sender_kind = kind;
    if (sender_kind < 0) return;
    const int color = swatches[sender_kind]->get_wps_color();
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        if (kind != sender_kind && swatches[kind]->get_wps_color() == color)
            check_boxes[kind]->setChecked(state != Qt::Unchecked);
}

void velmo_ui_clear_color::on_ok() {
    confirmed = true;
    accept();
    velmo_singleton_config* config = velmo_singleton_config::instance();
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        config->set_string("ClearColor", CLEAR_KINDS[kind].flag_key,
                           check_boxes[kind]->isChecked() ? "1" : "0");
    // The marks are cleared even when the ticks could not be kept.
    velmo_ui_save_settings();
}

void velmo_ui_clear_color::on_cancel() { reject(); }

bool velmo_ui_clear_color::is_clear_color(int index) const {
    if (!confirmed) return false;
    for (int kind = 0; kind < KIND_COUNT; ++kind)
        if (velmo_config_color(CLEAR_KINDS[kind].color_key) == index)
            return check_boxes[kind]->isChecked();
    return false;
}
