#include "wsim_runner.h"

#include <QDir>
#include <QFileInfo>

#include "wps_sim.h"
#include "wsim_display_text.h"
#include "wsim_document_file.h"
#include "wsim_host.h"
#include "wsim_marks.h"
#include "wsim_windows.h"

wsim_runner::wsim_runner(wpsapi::_Application* app, clicker click, wsim_modal_answers* answers,
                         QTextStream& out)
    : app_(app), click_(std::move(click)), answers_(answers), out_(out) {}

bool wsim_runner::run(const QVector<wsim_step>& steps, QString& error) {
    for (const wsim_step& step : steps) {
        QString step_error;
        const bool ok = run_step(step, step_error);
        answers_->report();
        if (!ok) {
            error = QStringLiteral("step %1 (%2): %3")
                        .arg(step.line)
                        .arg(wsim_step_to_string(step), step_error);
            return false;
        }
    }
    return true;
}

bool wsim_runner::run_step(const wsim_step& step, QString& error) {
    out_ << "> " << wsim_step_to_string(step) << '\n';
    out_.flush();
    const QStringList& a = step.args;
    switch (step.kind) {
        case wsim_step_kind::open:
            return static_cast<bool>(wsim_open_document(app_, a.at(0), error));
        case wsim_step_kind::activate:
            return activate(a.at(0), error);
        case wsim_step_kind::select:
        case wsim_step_kind::cursor: {
            const long start = a.at(0).toLong();
            const long end = step.kind == wsim_step_kind::select ? a.at(1).toLong() : start;
            if (!wsim_set_selection(app_, start, end)) {
                error = QStringLiteral("no document is open");
                return false;
            }
            return true;
        }
        case wsim_step_kind::click:
            if (!click_(a.at(0))) {
                error = QStringLiteral("no control has the caption \"%1\"").arg(a.at(0));
                return false;
            }
            return true;
        case wsim_step_kind::answer:
            answers_->press(a.at(0), a.value(1));
            return true;
        case wsim_step_kind::type:
            answers_->type(a.at(0));
            return true;
        case wsim_step_kind::close:
            answers_->close(a.at(0));
            return true;
        case wsim_step_kind::save:
            return save(error);
        case wsim_step_kind::marks: {
            const auto doc = wsim_active_document(app_);
            out_ << wsim_format_marks(wsim_document_name(doc), wsim_error_marks(doc));
            return true;
        }
        case wsim_step_kind::text: {
            kfc::ks_stdptr<wpsapi::Range> content;
            kfc::ks_bstr text;
            const auto doc = wsim_active_document(app_);
            if (!doc || FAILED(doc->get_Content(&content)) || FAILED(content->get_Text(&text))) {
                error = QStringLiteral("no document is open");
                return false;
            }
            out_ << wsim_printable_text(velmo_from_bstr(text));
            return true;
        }
        case wsim_step_kind::errata:
            return errata(error);
        case wsim_step_kind::rows:
        case wsim_step_kind::pick:
        case wsim_step_kind::press:
            return in_window(step, error);
        case wsim_step_kind::expect: {
            const int expected = a.at(1).toInt();
            if (a.at(0) == QLatin1String("rows")) {
                QWidget* window = wsim_window(a.at(2));
                if (!window) {
                    error = QStringLiteral("no window \"%1\" is open").arg(a.at(2));
                    return false;
                }
                const int found = wsim_window_rows(window).size();
                if (found == expected) return true;
                error = QStringLiteral("expected %1 rows, found %2").arg(expected).arg(found);
                return false;
            }
            const int found = wsim_error_marks(wsim_active_document(app_)).size();
            if (found != expected) {
                error =
                    QStringLiteral("expected %1 error marks, found %2").arg(expected).arg(found);
                return false;
            }
            return true;
        }
    }
    return true;
}

bool wsim_runner::in_window(const wsim_step& step, QString& error) {
    const QStringList& a = step.args;
    QWidget* window = wsim_window(a.at(0));
    if (!window) {
        error = QStringLiteral("no window \"%1\" is open").arg(a.at(0));
        return false;
    }
    if (step.kind == wsim_step_kind::rows) {
        const QStringList rows = wsim_window_rows(window);
        out_ << "rows of " << a.at(0) << ": " << rows.size() << '\n';
        for (int i = 0; i < rows.size(); ++i) out_ << i + 1 << ". " << rows.at(i) << '\n';
        return true;
    }
    if (step.kind == wsim_step_kind::pick) {
        if (!wsim_window_pick(window, a.at(1).toInt() - 1)) {
            error = QStringLiteral("the window has no row %1").arg(a.at(1));
            return false;
        }
        // What the pick selected in the document.
        long start = 0, end = 0;
        if (wsim_selection(app_, start, end)) out_ << "selection: " << start << ' ' << end << '\n';
        return true;
    }
    if (!wsim_window_press(window, a.at(1))) {
        error = QStringLiteral("the window has no enabled button \"%1\"").arg(a.at(1));
        return false;
    }
    return true;
}

bool wsim_runner::activate(const QString& which, QString& error) {
    const auto docs = wsim_documents(app_);
    bool is_number = false;
    const int number = which.toInt(&is_number);
    for (int i = 0; i < docs.size(); ++i) {
        if ((is_number && number == i + 1) ||
            (!is_number && wsim_document_name(docs.at(i)) == which)) {
            if (FAILED(docs.at(i)->Activate())) break;
            return true;
        }
    }
    error = QStringLiteral("no open document \"%1\" (%2 open)").arg(which).arg(docs.size());
    return false;
}

bool wsim_runner::save(QString& error) {
    const auto doc = wsim_active_document(app_);
    if (!doc) {
        error = QStringLiteral("no document is open");
        return false;
    }
    if (wsim_document_path(doc).isEmpty()) {
        error = QStringLiteral("the document has no file to save to");
        return false;
    }
    QString save_error;
    if (!wps_sim::save_document(doc, wsim_document_full_name(doc), save_error)) {
        error = QStringLiteral("the host could not save %1: %2")
                    .arg(wsim_document_full_name(doc), save_error);
        return false;
    }
    return true;
}

bool wsim_runner::errata(QString& error) {
    const auto doc = wsim_active_document(app_);
    const QString path = wsim_document_path(doc);
    if (path.isEmpty()) {
        error = QStringLiteral("the document has no file, so it has no errata table");
        return false;
    }
    const QString file = wsim_errata_path(path, wsim_document_name(doc));
    if (!QFileInfo(file).isFile()) {
        error = QStringLiteral("no errata table at %1").arg(file);
        return false;
    }
    out_ << "errata table: " << file << '\n';
    return true;
}

QString wsim_errata_path(const QString& directory, const QString& document_name) {
    return QStringLiteral("%1/_%2.txt").arg(directory, document_name);
}
