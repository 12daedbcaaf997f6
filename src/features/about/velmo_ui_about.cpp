#include "features/about/velmo_ui_about.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "config/velmo_config.h"
#include "features/about/velmo_about_commands.h"

namespace {

constexpr int DIALOG_WIDTH = 280;
constexpr int DIALOG_HEIGHT = 240;
constexpr int TITLE_POINT_SIZE = 10;
constexpr int CONTACT_SPACING = 1;
constexpr const char* ABOUT_SECTION = "About";

}  // namespace

velmo_ui_about::velmo_ui_about(QWidget* parent) : QDialog(parent) {
    setWindowFlags(windowFlags() & ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    init_ui();
}

void velmo_ui_about::init_ui() {
    setWindowTitle(tr("关于Velmo校对软件"));
    resize(DIALOG_WIDTH, DIALOG_HEIGHT);
    new QVBoxLayout(this);
    init_ui_1();
    init_ui_2();
    init_ui_3();
}

// The logo and the title lines. A logo that cannot be loaded leaves its
// label empty.
void velmo_ui_about::init_ui_1() {
    auto* row = new QHBoxLayout;
    logo_label = new QLabel(this);
    logo_label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QPixmap logo;
    if (CONST_VELMO_LOGO_PATH && logo.load(QString::fromLocal8Bit(CONST_VELMO_LOGO_PATH)))
        logo_label->setPixmap(logo);

    auto* title_label = new QLabel(
        tr("Velmo校对软件 WPS插件版\n\nVelmo校对软件工作室\n版权所有 保留一切权利"), this);
    QFont title_font(QStringLiteral("Microsoft YaHei"), TITLE_POINT_SIZE);
    title_font.setBold(true);
    title_label->setFont(title_font);

    row->addWidget(logo_label);
    row->addWidget(title_label);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
    static_cast<QVBoxLayout*>(layout())->addSpacing(CONTACT_SPACING);
}

// The version, then the maker's contact lines as the installation's
// velmo.ini gives them ([About]); a line the file leaves empty is not shown,
// so that no made-up address or number ever reaches a user.
void velmo_ui_about::init_ui_2() {
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->addWidget(new QLabel(tr("版本: %1").arg(QStringLiteral(VELMO_VERSION)), this));
    const std::pair<const char*, QString> contacts[] = {
        {"Address", tr("地址: %1")},
        {"Phone", tr("电话: %1")},
        {"Email", tr("邮箱: %1")},
        {"Web", tr("网址: %1")},
    };
    velmo_singleton_config* config = velmo_singleton_config::instance();
    for (const auto& [key, caption] : contacts) {
        const QString value = QString::fromUtf8(config->get_string(ABOUT_SECTION, key)).trimmed();
        if (!value.isEmpty()) column->addWidget(new QLabel(caption.arg(value), this));
    }
}

// The close button.
void velmo_ui_about::init_ui_3() {
    auto* close_button = new QPushButton(tr("关闭"), this);
    connect(close_button, SIGNAL(clicked()), this, SLOT(on_close()));
    static_cast<QVBoxLayout*>(layout())->addWidget(close_button);
}

void velmo_ui_about::on_close() { close(); }

int velmo_cb_about(QList<QVariant>&) {
    velmo_ui_about dialog;
    dialog.exec();
    return 0;
}
