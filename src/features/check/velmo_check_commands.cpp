// "校对", "标点检查", "领导人排序", "批量校对" and "清除全部标记".
#include "features/check/velmo_check_commands.h"

#include <QCoreApplication>
#include <QVector>

#include "api/velmo_api_job.h"
#include "check/velmo_check_outcome.h"
#include "check/velmo_check_session.h"
#include "config/velmo_config.h"
#include "document/velmo_check_progress.h"
#include "document/velmo_document.h"
#include "features/check/velmo_ui_check.h"
#include "features/common/velmo_message.h"
#include "features/errata/velmo_ui_export.h"
#include "features/results/velmo_ignored_marks.h"
#include "features/results/velmo_results_commands.h"
#include "host/velmo_globals.h"
#include "host/velmo_query.h"

namespace {

QString text(const char* source) { return QCoreApplication::translate("velmo_cb", source); }

QString check_title() { return text("Velmo校对"); }

QString unchecked_line(int unchecked_count, const QString& reason) {
    return text("有%1段文字未能校对：%2").arg(unchecked_count).arg(reason);
}

// The closing message's further lines when some text was not checked or some
// errors could not be placed: a run that marked nothing must not read as a
// clean document.
QString with_unchecked_line(const QString& message, int unchecked_count, const QString& reason,
                            int unplaced_count = 0) {
    QString lines = message;
    if (unchecked_count > 0) lines += QLatin1Char('\n') + unchecked_line(unchecked_count, reason);
    if (unplaced_count > 0)
        lines += QLatin1Char('\n') + text("有%1处错误无法定位").arg(unplaced_count);
    return lines;
}

// The collection of the last check, taken from the run's outcome in this one
// place; empty when the checked document was closed during the run.
void collect_outcome(const velmo_check_run_outcome_t& outcome, wpsapi::_Document* document) {
    s_check_progress = check_progress_t();
    if (outcome.document_closed) return;
    s_check_progress.start = static_cast<long>(outcome.start);
    s_check_progress.end = static_cast<long>(outcome.end);
    s_check_progress.results = outcome.results;
    s_check_progress.document = document;
}

// Runs one check of the active document with the progress dialog as its
// view, collects the outcome and places the coloured marks into the checked
// document, which the session holds until then.
velmo_check_run_outcome_t run_check_dialog() {
    velmo_check_session session;
    velmo_ui_check dialog(&session);
    velmo_start_check_of_active_document(session);
    dialog.exec();
    session.wait();
    velmo_check_run_outcome_t outcome = session.outcome();
    collect_outcome(outcome, session.document());
    if (!outcome.document_closed) {
        // What the user ignored in this document is not marked again.
        velmo_drop_ignored_records(session.document(), s_check_progress.results);
        outcome.unplaced_count += local_print_check_result(true, session.document());
    }
    velmo_results_check_ended();
    return outcome;
}

// Deletes the marks inside the range the next check covers (the selection,
// or from the cursor to the end): the marks of the rest stay.
void clear_marks_of_check_range() {
    long start = 0;
    long end = 0;
    long selection_start = 0;
    long selection_end = 0;
    if (SUCCEEDED(local_get_check_range(start, end, selection_start, selection_end)))
        local_del_bookmarks_of_check(true, start, end);
}

// Saves and clears the active document, then checks it; the login gate has
// been passed before.
velmo_check_run_outcome_t check_once() {
    local_save_doc_if_saved();
    clear_marks_of_check_range();
    return run_check_dialog();
}

// The errata table after a check, written without showing the dialog.
void write_errata_table_if_asked() {
    if (velmo_singleton_config::instance()->get_int("Way", "ColorWay") == 0) return;
    velmo_ui_export dialog;
    if (s_check_progress.document == local_get_document())
        dialog.set_check_progress(&s_check_progress);
    dialog.on_ok();
}

// A check option set for one restricted run and put back afterwards.
struct check_option_t {
    const char* section;
    const char* key;
    int punctuation_value;
    int leader_value;
};

const check_option_t RESTRICTED_CHECK_OPTIONS[] = {
    {"CheckType", "CheckLeaderSort", 0, 1},      {"CheckType", "CheckMatchDots", 1, 0},
    {"CheckType", "CheckSentence", 0, 0},        {"CheckExtendInfo", "ChkEng", 0, 0},
    {"CheckExtendInfo", "FanTi", 0, 0},          {"CheckExtendInfo", "Leader", 0, 0},
    {"CheckExtendInfo", "TaiWan", 0, 0},         {"CheckExtendInfo", "UserErr", 0, 0},
    {"CheckExtendInfo", "RepeatSentence", 0, 0},
};

enum class restricted_check { punctuation, leader };

// Runs the full check with the options of a restricted check in memory only,
// then writes the earlier values back, as the texts they were stored as.
int run_restricted_check(restricted_check kind, QList<QVariant>& args) {
    velmo_singleton_config* config = velmo_singleton_config::instance();
    struct kept_t {
        bool present;
        QByteArray value;
    };
    QVector<kept_t> kept;
    for (const check_option_t& option : RESTRICTED_CHECK_OPTIONS) {
        const char* value = config->get_string(option.section, option.key);
        kept.append({value != nullptr, QByteArray(value ? value : "")});
    }
    for (const check_option_t& option : RESTRICTED_CHECK_OPTIONS)
        config->set_int(
            option.section, option.key,
            kind == restricted_check::punctuation ? option.punctuation_value : option.leader_value);
    velmo_cb_check(args);
    int i = 0;
    for (const check_option_t& option : RESTRICTED_CHECK_OPTIONS) {
        const kept_t& value = kept.at(i++);
        if (value.present)
            config->set_string(option.section, option.key, value.value.constData());
        else
            config->set_int(option.section, option.key, 0);
    }
    return 0;
}

}  // namespace

// The range is the selection, or from the cursor to the end of the document;
// without a document the session is started without a range.
void velmo_start_check_of_active_document(velmo_check_session& session) {
    kfc::ks_stdptr<wpsapi::Range> range;
    long start = 0;
    long end = 0;
    long selection_start = 0;
    long selection_end = 0;
    wpsapi::_Document* document = local_get_document();
    if (!document || FAILED(local_get_check_range(start, end, selection_start, selection_end)) ||
        FAILED(velmo_document_range(document, start, end, range)))
        range.clear();
    session.start(range, selection_start, selection_end);
}

// A refusal about the account (unknown user or wrong number, account
// disabled, authorization expired) asks the user to sign in; any other
// refusal shows the service's own message, which names its cause.
int velmo_check_state() {
    QString message;
    const int state = velmo_api_get_state(&message);
    if (state == 0) return 0;
    const bool about_account = state >= 1 && state <= 3;
    if (state == -1)
        velmo_message_information(text("连接服务器失败"));
    else if (about_account || message.isEmpty())
        velmo_message_information(text("请登录后再进行校对"));
    else
        velmo_message_information(message);
    return -1;
}

// The login gate comes before anything is cleared: a refused or failed
// gate leaves the marks of the last check in place.
int velmo_cb_check(QList<QVariant>&) {
    local_save_doc_if_saved();
    if (velmo_check_state() != 0) return 0;
    clear_marks_of_check_range();
    const velmo_check_run_outcome_t run = run_check_dialog();
    if (run.document_closed) {
        velmo_message_box_ok(check_title(), text("文档在校对期间已关闭，未标记任何错误"));
        return 0;
    }
    velmo_check_outcome_t outcome;
    outcome.marks = s_check_progress.results.size();
    outcome.reached_max = run.reached_max;
    outcome.unchecked_pieces = run.unchecked_count;
    outcome.unchecked_reason = run.unchecked_reason;
    outcome.unplaced_errors = run.unplaced_count;
    const QString count = QString::number(outcome.marks);
    const QString message = run.reached_max
                                ? text("内容超长, 校对自动停止, 共标记了%1处错误").arg(count)
                                : text("共标记了%1处错误").arg(count);
    velmo_message_box_ok(
        check_title(),
        with_unchecked_line(message, run.unchecked_count, run.unchecked_reason, run.unplaced_count),
        {{VELMO_CHECK_OUTCOME_PROPERTY, velmo_check_outcome_to_map(outcome)}});
    write_errata_table_if_asked();
    return 0;
}

int velmo_cb_punctuation_check(QList<QVariant>& args) {
    return run_restricted_check(restricted_check::punctuation, args);
}

int velmo_cb_leader_check(QList<QVariant>& args) {
    return run_restricted_check(restricted_check::leader, args);
}

int velmo_cb_batch_check(QList<QVariant>&) {
    enum { answer_yes, answer_no, answer_cancel };
    const int answer = velmo_message_box(check_title(), text("文件校对后是否保存并关闭"),
                                         {{text("是"), QMessageBox::YesRole},
                                          {text("否"), QMessageBox::NoRole},
                                          {text("取消"), QMessageBox::NoRole}});
    if (velmo_check_state() != 0) return 0;
    if (answer != answer_yes && answer != answer_no) return 0;

    if (!g_pApp) return VELMO_E_NO_DOCUMENT;
    kfc::ks_stdptr<wpsapi::Documents> documents;
    HRESULT hr = g_pApp->get_Documents(&documents);
    if (FAILED(hr) || !documents) return FAILED(hr) ? hr : E_FAIL;
    long count = 0;
    hr = documents->get_Count(&count);
    if (FAILED(hr)) return hr;

    // Take every open document first: closing one shortens the collection,
    // and a walk by index would then skip the next.
    QVector<kfc::ks_stdptr<wpsapi::_Document>> open_documents;
    for (long i = 1; i <= count; ++i) {
        wpsapi::Document* handed_out = nullptr;
        VARIANT index = kfc::var_i8(i);
        hr = documents->Item(&index, &handed_out);
        kfc::ks_stdptr<wpsapi::_Document> document = velmo_adopt<wpsapi::_Document>(handed_out);
        if (FAILED(hr) || !document) return FAILED(hr) ? hr : E_FAIL;
        open_documents.append(document);
    }
    long total = 0;
    int unchecked_count = 0;
    QString unchecked_reason;
    int unplaced_count = 0;
    for (const kfc::ks_stdptr<wpsapi::_Document>& document : open_documents) {
        document->Activate();
        const velmo_check_run_outcome_t run = check_once();
        // The pieces the user's own stop left are not reported back to them.
        if (run.stopped_by_user) break;
        if (unchecked_count == 0) unchecked_reason = run.unchecked_reason;
        unchecked_count += run.unchecked_count;
        unplaced_count += run.unplaced_count;
        if (answer == answer_yes) {
            VARIANT save_changes = kfc::var_bool(true);
            VARIANT original_format = kfc::var_bool(true);
            VARIANT route_document = kfc::var_bool(false);
            document->Close(&save_changes, &original_format, &route_document);
        }
        total += s_check_progress.results.size();
    }
    // With "是" there is no summary, but text left unchecked is still told.
    if (answer == answer_no)
        velmo_message_box_ok(
            check_title(),
            with_unchecked_line(text("共校对了%1个文件, %2处错误").arg(count).arg(total),
                                unchecked_count, unchecked_reason, unplaced_count));
    else if (unchecked_count > 0 || unplaced_count > 0)
        velmo_message_box_ok(check_title(), with_unchecked_line(QString(), unchecked_count,
                                                                unchecked_reason, unplaced_count)
                                                .trimmed());
    return 0;
}

int velmo_cb_clear_all(QList<QVariant>&) {
    const int answer = velmo_message_box(
        text("Velmo提示"), text("是否清除全部标记"),
        {{text("确认"), QMessageBox::YesRole}, {text("取消"), QMessageBox::NoRole}});
    if (answer == 0) local_del_bookmarks(true);
    return 0;
}
