// The check progress dialog: window, check range, start of the run, and the
// slots through which the check thread reaches the GUI thread.
#include "features/check/velmo_ui_check.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "config/velmo_config.h"
#include "config/velmo_config_values.h"
#include "document/velmo_document.h"
#include "host/velmo_globals.h"
#include "host/velmo_host_string.h"

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

// Where `word` first occurs in `text` from `from` on, compared without case;
// -1 when it does not.
int find_text(const QString& text, const QString& word, int from) {
    if (word.isEmpty()) return -1;
    return text.indexOf(word, from, Qt::CaseInsensitive);
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

void velmo_ui_check::init_loading() {
    if (FAILED(local_get_document(document))) return;
    long start = 0;
    long end = 0;
    if (FAILED(local_get_check_range(start, end, selection_start, selection_end))) return;
    kfc::ks_stdptr<wpsapi::Range> candidate;
    if (FAILED(local_get_range(document.get(), start, end, candidate))) return;
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

// The worker ends the piece in hand (a request in flight is cut short) and
// reports the end of the run, which closes the dialog. Until then the GUI
// thread keeps serving the worker's queued requests, so that no error of a
// contents piece is lost and the wait for the worker is short.
void velmo_ui_check::request_stop() {
    stopped_by_user = 1;
    stop_button->setEnabled(false);
    thread.stop_thread();
}

// Placing the errors of contents pieces moves the checked document's
// selection; the next check would take it as its range.
void velmo_ui_check::restore_selection() {
    kfc::ks_stdptr<wpsapi::Range> selected;
    if (!document || !local_document_is_open(document.get()) ||
        FAILED(local_get_range(document.get(), selection_start, selection_end, selected)))
        return;
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

// The contents piece is selected in the checked document, whichever document
// is active now; its errors are then searched for in its text.
void velmo_ui_check::on_notify_select(long start, long end) {
    contents_piece_start = start;
    contents_found_at = start;
    contents_search_from = 0;
    contents_text.clear();
    kfc::ks_stdptr<wpsapi::Range> piece;
    if (!document || !local_document_is_open(document.get()) ||
        FAILED(local_get_range(document.get(), start, end, piece)))
        return;
    kfc::ks_bstr text;
    if (SUCCEEDED(piece->get_Text(&text))) contents_text = velmo_from_bstr(text);
    piece->Select();
}

// Errors of a contents piece are placed where their text is found in the
// piece, searching on from the last match; when it is not found the last
// match (or the piece's start) is used.
void velmo_ui_check::on_notify_find_error(int level, QString err_word, QString cor_word) {
    const int found = find_text(contents_text, err_word, contents_search_from);
    if (found >= 0) {
        contents_found_at = contents_piece_start + found;
        contents_search_from = found + static_cast<int>(err_word.size());
        kfc::ks_stdptr<wpsapi::Range> match;
        if (SUCCEEDED(local_get_range(document.get(), contents_found_at,
                                      contents_found_at + err_word.size(), match)))
            match->Select();
    }
    velmo_check_result_t result;
    result.pos = static_cast<int>(contents_found_at);
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
