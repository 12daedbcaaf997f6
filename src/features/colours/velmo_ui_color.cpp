#include "features/colours/velmo_ui_color.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalMapper>
#include <QVBoxLayout>

#include "features/common/velmo_ui_color_button.h"

namespace {

constexpr int GRID_SIDE = 4;
constexpr int CANCELLED = -1;

}  // namespace

velmo_ui_color::velmo_ui_color(QWidget* parent) : QDialog(parent) { init_ui(); }

void velmo_ui_color::init_ui() {
    setWindowTitle(tr("颜色"));
    new QVBoxLayout(this);
    init_ui_1();
    init_ui_2();
    init_ui_3();
}

// The grid of the sixteen colours, row r and column k showing index 4r + k + 1.
void velmo_ui_color::init_ui_1() {
    auto* group = new QGroupBox(tr("颜色选择区"), this);
    auto* grid = new QGridLayout(group);
    auto* mapper = new QSignalMapper(this);
    for (int row = 0; row < GRID_SIDE; ++row) {
        for (int column = 0; column < GRID_SIDE; ++column) {
            const int index = GRID_SIDE * row + column + 1;
            auto* swatch = new velmo_ui_color_button(group);
            swatch->set_wps_color(index);
            grid->addWidget(swatch, row, column);
            connect(swatch, SIGNAL(clicked()), mapper, SLOT(map()));
            mapper->setMapping(swatch, index);
        }
    }
    connect(mapper, SIGNAL(mapped(int)), this, SLOT(on_color_changed(int)));
    static_cast<QVBoxLayout*>(layout())->addWidget(group);
}

// The current choice.
void velmo_ui_color::init_ui_2() {
    auto* row = new QHBoxLayout;
    current_button = new velmo_ui_color_button(this);
    row->addWidget(new QLabel(tr("当前选择颜色:"), this));
    row->addWidget(current_button);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// The buttons, of the swatch class but left uncoloured.
void velmo_ui_color::init_ui_3() {
    auto* row = new QHBoxLayout;
    auto* ok_button = new velmo_ui_color_button(tr("确定"), this);
    auto* cancel_button = new velmo_ui_color_button(tr("取消"), this);
    row->addWidget(ok_button);
    row->addWidget(cancel_button);
    connect(ok_button, SIGNAL(clicked()), this, SLOT(on_ok()));
    connect(cancel_button, SIGNAL(clicked()), this, SLOT(on_cancel()));
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void velmo_ui_color::set_color(int color) {
    chosen_color = color;
    current_button->set_wps_color(color);
}

int velmo_ui_color::get_color() const { return chosen_color; }

void velmo_ui_color::on_color_changed(int color) { set_color(color); }

void velmo_ui_color::on_ok() { accept(); }

void velmo_ui_color::on_cancel() { reject(); }

void velmo_ui_color::done(int result) {
    if (result == QDialog::Rejected) chosen_color = CANCELLED;
    QDialog::done(result);
}
