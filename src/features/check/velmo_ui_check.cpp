// The check progress dialog: its window and what it shows of the session.
#include "features/check/velmo_ui_check.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "check/velmo_check_session.h"
#include "config/velmo_config.h"
#include "config/velmo_config_values.h"

namespace {

QString strength_name(int weight) {
    switch (weight) {
        case 0:
            return QObject::tr("快速");
        case 1:
            return QObject::tr("一般");
        case 2:
            return QObject::tr("严格");
        default:
            return QString();  // no strength has this value
    }
}

}  // namespace

velmo_ui_check::velmo_ui_check(velmo_check_session* session, QDialog* parent)
    : QDialog(parent), session(session) {
    init_ui();
    connect(session, &velmo_check_session::progress, this, &velmo_ui_check::on_progress);
    connect(session, &velmo_check_session::finished, this, &velmo_ui_check::on_finished);
}

void velmo_ui_check::init_ui() {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    const QString strength =
        strength_name(velmo_config_int_in("CheckExtendInfo", "Weight", 0, VELMO_MAX_WEIGHT));
    const QString field =
        config->get_int("CheckExtendInfo", "ProfType") != 0 ? tr("专业") : tr("自动");
    setWindowTitle(
        tr("校对进度（%1 %2）").arg(strength, 0, QLatin1Char(' ')).arg(field, 0, QLatin1Char(' ')));
    setWindowFlags(windowFlags() & ~Qt::WindowMinimizeButtonHint & ~Qt::WindowMaximizeButtonHint);
    resize(480, 120);

    sub_progress_bar = new QProgressBar(this);
    sub_progress_bar->setObjectName(QStringLiteral("sub_progress_bar"));
    total_progress_bar = new QProgressBar(this);
    total_progress_bar->setObjectName(QStringLiteral("total_progress_bar"));
    stop_button = new QPushButton(tr("停止"), this);
    stop_button->setObjectName(QStringLiteral("stop_button"));

    auto* sub_row = new QHBoxLayout;
    sub_row->addWidget(new QLabel(tr("子进度:"), this));
    sub_row->addWidget(sub_progress_bar);
    auto* total_row = new QHBoxLayout;
    total_row->addWidget(new QLabel(tr("总进度:"), this));
    total_row->addWidget(total_progress_bar);
    auto* button_row = new QHBoxLayout;
    button_row->addStretch();
    button_row->addWidget(stop_button);
    button_row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sub_row);
    layout->addLayout(total_row);
    layout->addLayout(button_row);

    connect(stop_button, &QPushButton::clicked, this, &velmo_ui_check::on_stop);
}

// The session ends the piece in hand (a request in flight is cut short) and
// then reports its end, which closes the dialog. Until then the dialog's
// loop keeps serving the session, so that no error of a contents piece is lost.
void velmo_ui_check::on_stop() {
    stop_button->setEnabled(false);
    session->stop(true);
}

void velmo_ui_check::reject() {
    if (session->has_finished())
        QDialog::reject();
    else
        on_stop();
}

void velmo_ui_check::closeEvent(QCloseEvent* event) {
    if (session->has_finished()) {
        event->accept();
        return;
    }
    on_stop();
    event->ignore();
}

void velmo_ui_check::on_progress(int sub_progress, int total_progress) {
    sub_progress_bar->setValue(sub_progress);
    total_progress_bar->setValue(total_progress);
}

void velmo_ui_check::on_finished() {
    stop_button->setEnabled(false);
    close();
}
