#include "wsim_main_window.h"

#include <QAction>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include "wps_sim.h"
#include "wsim_command_bars.h"
#include "wsim_document_file.h"
#include "wsim_document_view.h"
#include "wsim_marks.h"

namespace {

// How often the window looks at the host for changes made by the plug-in
// (during a check the plug-in moves the selection from a modal dialog).
constexpr int k_poll_interval_ms = 300;

// A document is told apart by its file (or, before it has one, by its name):
// the host may hand out a new interface object for it on every call, and a
// closed document no longer answers at all.
QString identity(wpsapi::_Document* doc) {
    const QString full_name = wsim_document_full_name(doc);
    if (!full_name.isEmpty()) return full_name;
    const QString name = wsim_document_name(doc);
    return name.isEmpty() ? QString() : QStringLiteral("new:") + name;
}

}  // namespace

wsim_main_window::wsim_main_window(wpsapi::_Application* app, QWidget* parent)
    : QMainWindow(parent), app_(app) {
    setWindowTitle(QStringLiteral("Writer (simulated)"));
    resize(1100, 720);

    command_bars_ = new wsim_command_bars(app_, this);
    connect(command_bars_, &wsim_command_bars::executed, this,
            &wsim_main_window::on_control_executed);

    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(true);
    setCentralWidget(tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this, &wsim_main_window::on_tab_changed);

    bookmark_list_ = new QListWidget(this);
    bookmark_dock_ = new QDockWidget(QStringLiteral("书签"), this);
    bookmark_dock_->setObjectName(QStringLiteral("bookmarks"));
    bookmark_dock_->setWidget(bookmark_list_);
    addDockWidget(Qt::RightDockWidgetArea, bookmark_dock_);
    bookmark_dock_->hide();
    connect(bookmark_list_, &QListWidget::itemActivated, this,
            &wsim_main_window::on_bookmark_activated);
    connect(bookmark_list_, &QListWidget::itemClicked, this,
            &wsim_main_window::on_bookmark_activated);

    build_menus();

    timer_ = new QTimer(this);
    connect(timer_, &QTimer::timeout, this, &wsim_main_window::on_timer);
    timer_->start(k_poll_interval_ms);
    sync_with_host();
}

void wsim_main_window::build_menus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件"));
    file->addAction(QStringLiteral("打开..."), this, &wsim_main_window::on_open,
                    QKeySequence::Open);
    file->addAction(QStringLiteral("保存"), this, &wsim_main_window::on_save, QKeySequence::Save);
    file->addAction(QStringLiteral("关闭文档"), this, &wsim_main_window::on_close_document,
                    QKeySequence::Close);
    file->addSeparator();
    file->addAction(QStringLiteral("退出"), this, &QWidget::close, QKeySequence::Quit);

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图"));
    show_bookmarks_action_ = view->addAction(QStringLiteral("显示书签"));
    show_bookmarks_action_->setCheckable(true);
    connect(show_bookmarks_action_, &QAction::toggled, this, &wsim_main_window::on_show_bookmarks);
}

wsim_document_view* wsim_main_window::view_at(int index) const {
    return qobject_cast<wsim_document_view*>(tabs_->widget(index));
}

wsim_document_view* wsim_main_window::current_view() const {
    return view_at(tabs_->currentIndex());
}

void wsim_main_window::sync_tabs() {
    syncing_tabs_ = true;
    const QVector<kfc::ks_stdptr<wpsapi::_Document>> docs = wsim_documents(app_);
    QStringList open_ids;
    for (const auto& doc : docs) open_ids << identity(doc);

    // Closed documents lose their tab.
    for (int i = tabs_->count() - 1; i >= 0; --i) {
        if (!open_ids.contains(identity(view_at(i)->host_document()))) {
            QWidget* page = tabs_->widget(i);
            tabs_->removeTab(i);
            page->deleteLater();
        }
    }
    // New documents get one, in opening order.
    for (int d = 0; d < docs.size(); ++d) {
        bool shown = false;
        for (int i = 0; i < tabs_->count() && !shown; ++i)
            shown = identity(view_at(i)->host_document()) == open_ids.at(d);
        if (shown) continue;
        auto* view = new wsim_document_view(app_, docs.at(d), tabs_);
        view->set_show_bookmarks(show_bookmarks_action_->isChecked());
        connect(view, &wsim_document_view::changed, this, &wsim_main_window::update_status);
        tabs_->insertTab(d, view, wsim_document_name(docs.at(d)));
    }
    // The host's active document is the current tab.
    const kfc::ks_stdptr<wpsapi::_Document> active = wsim_active_document(app_);
    for (int i = 0; i < tabs_->count(); ++i) {
        wsim_document_view* view = view_at(i);
        const QString id = identity(view->host_document());
        const bool is_active = active && !id.isEmpty() && id == identity(active);
        tabs_->setTabText(i, wsim_document_name(view->host_document()));
        if (is_active) tabs_->setCurrentIndex(i);
        view->refresh(is_active);
    }
    syncing_tabs_ = false;
}

void wsim_main_window::sync_with_host() {
    command_bars_->refresh();
    sync_tabs();
    update_status();
    update_bookmark_list();
}

void wsim_main_window::update_status() {
    wsim_document_view* view = current_view();
    if (!view) {
        statusBar()->showMessage(QStringLiteral("没有打开的文档"));
        setWindowTitle(QStringLiteral("Writer (simulated)"));
        return;
    }
    const wsim_snapshot& s = view->snapshot();
    int marks = 0;
    for (const wsim_bookmark& b : s.bookmarks) {
        wsim_error_mark mark;
        if (wsim_read_error_mark(b, mark)) ++marks;
    }
    statusBar()->showMessage(QStringLiteral("选区 %1-%2    错误标记 %3    书签 %4")
                                 .arg(s.selection_start)
                                 .arg(s.selection_end)
                                 .arg(marks)
                                 .arg(s.bookmarks.size()));
    const QString full_name = wsim_document_full_name(view->host_document());
    setWindowTitle(
        QStringLiteral("%1 - Writer (simulated)")
            .arg(full_name.isEmpty() ? wsim_document_name(view->host_document()) : full_name));
    if (bookmark_dock_->isVisible()) update_bookmark_list();
}

void wsim_main_window::update_bookmark_list() {
    wsim_document_view* view = current_view();
    QStringList rows;
    if (view)
        for (const wsim_bookmark& b : view->snapshot().bookmarks)
            rows << QStringLiteral("%1-%2  %3").arg(b.start).arg(b.end).arg(b.name);
    QStringList shown;
    for (int i = 0; i < bookmark_list_->count(); ++i) shown << bookmark_list_->item(i)->text();
    if (rows == shown) return;
    bookmark_list_->clear();
    if (!view) return;
    for (const wsim_bookmark& b : view->snapshot().bookmarks) {
        auto* item =
            new QListWidgetItem(QStringLiteral("%1-%2  %3").arg(b.start).arg(b.end).arg(b.name));
        item->setData(Qt::UserRole, static_cast<qlonglong>(b.start));
        item->setData(Qt::UserRole + 1, static_cast<qlonglong>(b.end));
        bookmark_list_->addItem(item);
    }
}

bool wsim_main_window::open_file(const QString& file_path, QString& error) {
    if (!wsim_open_document(app_, file_path, error)) return false;
    sync_with_host();
    return true;
}

void wsim_main_window::on_open() {
    const QString file =
        QFileDialog::getOpenFileName(this, QStringLiteral("打开"), QString(),
                                     QStringLiteral("文档 (*.docx *.txt);;所有文件 (*)"));
    if (file.isEmpty()) return;
    QString error;
    if (!open_file(file, error)) QMessageBox::warning(this, QStringLiteral("打开"), error);
}

void wsim_main_window::on_save() {
    wsim_document_view* view = current_view();
    if (!view) return;
    wpsapi::_Document* doc = view->host_document();
    if (!wsim_document_path(doc).isEmpty()) {
        QString error;
        if (!wps_sim::save_document(doc, wsim_document_full_name(doc), error))
            QMessageBox::warning(this, QStringLiteral("保存"),
                                 QStringLiteral("无法保存文档：") + error);
    } else {
        QMessageBox::information(this, QStringLiteral("保存"),
                                 QStringLiteral("这个文档还没有文件，无法保存。"));
    }
    sync_with_host();
}

void wsim_main_window::on_close_document() {
    wsim_document_view* view = current_view();
    if (!view) return;
    VARIANT save = kfc::var_i4(wpsapi::wdDoNotSaveChanges);
    view->host_document()->Close(&save, nullptr, nullptr);
    sync_with_host();
}

void wsim_main_window::on_tab_changed(int index) {
    if (syncing_tabs_) return;
    if (wsim_document_view* view = view_at(index)) view->host_document()->Activate();
    sync_with_host();
}

void wsim_main_window::on_show_bookmarks(bool show) {
    for (int i = 0; i < tabs_->count(); ++i) view_at(i)->set_show_bookmarks(show);
    bookmark_dock_->setVisible(show);
    update_bookmark_list();
}

void wsim_main_window::on_bookmark_activated() {
    QListWidgetItem* item = bookmark_list_->currentItem();
    wsim_document_view* view = current_view();
    if (!item || !view) return;
    view->select_range(static_cast<long>(item->data(Qt::UserRole).toLongLong()),
                       static_cast<long>(item->data(Qt::UserRole + 1).toLongLong()));
}

void wsim_main_window::on_control_executed() { sync_with_host(); }

void wsim_main_window::on_timer() {
    // Inside a control's click (a modal dialog of the plug-in is open) only
    // the document views follow the host; the tool bars are rebuilt after
    // the click returns, never under the running handler.
    if (command_bars_->executing()) {
        sync_tabs();
        update_status();
        return;
    }
    sync_with_host();
}
