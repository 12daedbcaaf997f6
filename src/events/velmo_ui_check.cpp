// The check progress dialog: window, check range, start of the run, and the
// slots through which the check thread reaches the GUI thread.
#include "events/velmo_ui_check.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "config/velmo_config.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"
#include "marks/velmo_document.h"

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

HRESULT local_get_document(kfc::ks_stdptr<wpsapi::_Document>& document) {
    if (!g_pApp) return E_FAIL;
    wpsapi::Document* active = nullptr;
    const HRESULT hr = g_pApp->get_ActiveDocument(&active);
    document = velmo_adopt<wpsapi::_Document>(active);
    return SUCCEEDED(hr) && !document ? E_FAIL : hr;
}

HRESULT local_get_selection(kfc::ks_stdptr<wpsapi::Selection>& selection) {
    if (!g_pApp) return E_FAIL;
    selection.clear();  // an out parameter is passed empty
    const HRESULT hr = g_pApp->get_Selection(&selection);
    return SUCCEEDED(hr) && !selection ? E_FAIL : hr;
}

// Searches forward from the selection for the text, case-insensitively and
// without wrapping; a match moves the selection onto it.
void find_forward(kfc::ks_stdptr<wpsapi::Selection>& selection, const QString& text) {
    kfc::ks_stdptr<wpsapi::Find> find;
    if (FAILED(selection->get_Find(&find)) || !find) return;
    VARIANT find_text = kfc::var_bstr(velmo_to_bstr(text).detach());
    VARIANT match_case = kfc::var_bool(false);
    VARIANT match_whole_word = kfc::var_bool(false);
    VARIANT forward = kfc::var_bool(true);
    VARIANT wrap = kfc::var_i4(wpsapi::wdFindStop);
    VARIANT format = kfc::var_bool(false);
    VARIANT unset = kfc::var_empty();
    VARIANT_BOOL found = VARIANT_FALSE;
    find->Execute(&find_text, &match_case, &match_whole_word, &unset, &unset, &unset, &forward,
                  &wrap, &format, &unset, &unset, &unset, &unset, &unset, &unset, &found);
    kfc::var_clear(find_text);
}

}  // namespace

velmo_ui_check::velmo_ui_check(QDialog* parent) : QDialog(parent) {
    init_ui();
    init_loading();
    init_check();
}

velmo_ui_check::~velmo_ui_check() = default;

void velmo_ui_check::init_ui() {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    const QString strength = strength_name(config->get_int("CheckExtendInfo", "Weight"));
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

void velmo_ui_check::init_loading() {
    if (FAILED(local_get_document(document))) return;
    kfc::ks_stdptr<wpsapi::Selection> selection;
    kfc::ks_bstr selected;
    if (FAILED(local_get_selection(selection))) return;
    if (FAILED(selection->get_Text(&selected))) return;
    if (FAILED(selection->get_Start(&selection_start)) ||
        FAILED(selection->get_End(&selection_end)))
        return;

    kfc::ks_stdptr<wpsapi::Range> candidate;
    if (_XSysStringLen(selected) < 2) {
        // An insertion point or a single character: check from there to the end.
        if (FAILED(document->get_Content(&candidate)) || !candidate) return;
        if (FAILED(candidate->put_Start(selection_start))) return;
    } else if (FAILED(selection->get_Range(&candidate)) || !candidate) {
        return;
    }
    long start = 0;
    long end = 0;
    if (FAILED(candidate->get_Start(&start)) || FAILED(candidate->get_End(&end))) return;
    check_range = candidate;
    check_start = start;
    check_end = end;
}

void velmo_ui_check::init_check() {
    stopped_by_user = 0;
    connect(&thread, &velmo_thread_check::notify_select, this, &velmo_ui_check::on_notify_select);
    connect(&thread, &velmo_thread_check::notify_find_error, this,
            &velmo_ui_check::on_notify_find_error);
    connect(&thread, &velmo_thread_check::notify_progress, this,
            &velmo_ui_check::on_notify_progress);
    if (!check_range) {
        // Nothing to check: end the run as soon as the dialog's loop runs.
        QMetaObject::invokeMethod(this, "on_notify_progress", Qt::QueuedConnection, Q_ARG(int, 100),
                                  Q_ARG(int, 100), Q_ARG(QString, QString()));
        return;
    }
    thread.set_range(check_range);
    thread.start_thread();
    document_watch = new QTimer(this);
    connect(document_watch, &QTimer::timeout, this, &velmo_ui_check::stop_if_document_closed);
    document_watch->start(200);
}

void velmo_ui_check::stop_if_document_closed() {
    if (run_ended || local_document_is_open(document.get())) return;
    document_watch->stop();
    stop_button->setEnabled(false);
    thread.stop_thread();
}

bool velmo_ui_check::is_checked_document_active() const {
    kfc::ks_stdptr<wpsapi::_Document> active;
    return SUCCEEDED(local_get_document(active)) && active.get() == document.get();
}

// The worker ends the piece in hand (a request in flight is cut short) and
// reports the end of the run, which closes the dialog. Until then the GUI
// thread keeps serving the worker's queued requests, so that no error of a
// contents piece is lost and the wait for the worker is short.
void velmo_ui_check::request_stop() {
    stopped_by_user = 1;
    stop_button->setEnabled(false);
    thread.stop_thread();
}

// Placing the errors of contents pieces moves the selection; the next check
// would take it as its range.
void velmo_ui_check::restore_selection() {
    kfc::ks_stdptr<wpsapi::_Document> active;
    kfc::ks_stdptr<wpsapi::Range> selected;
    if (!document || FAILED(local_get_document(active)) || active.get() != document.get()) return;
    VARIANT start = kfc::var_i8(selection_start);
    VARIANT end = kfc::var_i8(selection_end);
    if (FAILED(active->Range(&start, &end, &selected)) || !selected) return;
    selected->Select();
}

void velmo_ui_check::wait() { thread.wait_until_finished(); }

qint64 velmo_ui_check::get_check_start() const { return check_start; }

qint64 velmo_ui_check::get_check_end() const { return check_end; }

QList<velmo_check_result_t>* velmo_ui_check::get_check_result() {
    return thread.get_check_result();
}

int velmo_ui_check::is_check_max() const { return thread.is_check_max(); }

wpsapi::_Document* velmo_ui_check::get_document() const { return document.get(); }

int velmo_ui_check::stop_by_user() const { return stopped_by_user; }

int velmo_ui_check::get_unchecked_count() const { return thread.get_unchecked_count(); }

QString velmo_ui_check::get_unchecked_reason() const { return thread.get_unchecked_reason(); }

void velmo_ui_check::on_stop() { request_stop(); }

void velmo_ui_check::reject() {
    if (run_ended)
        QDialog::reject();
    else
        request_stop();
}

// Requests that arrive after the checked document was closed or left are
// not acted on: they would select and search in another document.
void velmo_ui_check::on_notify_select(long start, long end) {
    kfc::ks_stdptr<wpsapi::_Document> active;
    kfc::ks_stdptr<wpsapi::Range> piece;
    if (!is_checked_document_active() || FAILED(local_get_document(active))) return;
    VARIANT piece_start = kfc::var_i8(start);
    VARIANT piece_end = kfc::var_i8(end);
    if (FAILED(active->Range(&piece_start, &piece_end, &piece)) || !piece) return;
    piece->Select();
}

// Errors of a contents piece are placed where their text is found, searching
// forward from the current selection; when it is not found the selection
// stays and its start is used.
void velmo_ui_check::on_notify_find_error(int level, QString err_word, QString cor_word) {
    if (!is_checked_document_active()) return;
    long found_at = -1;
    kfc::ks_stdptr<wpsapi::Selection> selection;
    if (SUCCEEDED(local_get_selection(selection))) {
        find_forward(selection, err_word);
        if (FAILED(selection->get_Start(&found_at))) found_at = -1;
    }
    velmo_check_result_t result;
    result.pos = static_cast<int>(found_at);
    result.level = level;
    result.span_by_correction = 0;
    result.err_word = err_word;
    result.cor_word = cor_word;
    thread.insert_check_result(result);
}

void velmo_ui_check::on_notify_progress(int sub_progress, int total_progress, QString) {
    sub_progress_bar->setValue(sub_progress);
    total_progress_bar->setValue(total_progress);
    if (total_progress == 100 && !run_ended) {
        run_ended = true;
        thread.wait_until_finished();
        restore_selection();
        close();
    }
}

void velmo_ui_check::closeEvent(QCloseEvent* event) {
    if (run_ended) {
        event->accept();
        return;
    }
    request_stop();
    event->ignore();
}
