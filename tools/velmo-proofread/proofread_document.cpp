#include "proofread_document.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "docx_document.h"
#include "marks/velmo_check_outcome.h"
#include "marks/velmo_mark_level.h"
#include "wps_sim.h"
#include "wsim_document_file.h"
#include "wsim_host.h"
#include "wsim_marks.h"

namespace {

const QString k_check_title = QStringLiteral("Velmo校对");
const QString k_check_caption = QStringLiteral("校对");

bool same_file(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    return x.absoluteFilePath() == y.absoluteFilePath() ||
           (x.exists() && y.exists() && x.canonicalFilePath() == y.canonicalFilePath());
}

bool copy_file(const QString& from, const QString& to, QString& error) {
    QFile in(from);
    QSaveFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("cannot copy %1 to %2").arg(from, to);
        return false;
    }
    const QByteArray bytes = in.readAll();
    if (out.write(bytes) != bytes.size() || !out.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(to, out.errorString());
        return false;
    }
    return true;
}

}  // namespace

proofread_result proofread_document::run(const QString& input) {
    proofread_result result;
    QElapsedTimer timer;
    timer.start();
    result.output = proofread_output_path(options_, input);
    if (!options_.in_place && same_file(input, result.output)) {
        result.error = QStringLiteral(
            "the marked document would overwrite the input (use --in-place or --out)");
        return result;
    }
    const QFileInfo info(input);
    if (info.isFile() && info.size() > options_.max_bytes) {
        result.error = QStringLiteral("larger than %1 MiB").arg(options_.max_bytes >> 20);
        return result;
    }
    // The plug-in saves the document before it checks it: an output it made
    // for a document that then fails is taken away again.
    const bool output_existed = QFileInfo::exists(result.output);
    kfc::ks_stdptr<wpsapi::_Document> doc = open(input, result.output, result.error);
    if (!doc) return result;
    const bool checked = check(result);
    if (checked) {
        velmo_kind_counts_t counts;
        for (const wsim_error_mark& mark : wsim_error_marks(doc)) counts.add(mark.level);
        result.errors = counts.errors;
        result.suspects = counts.suspects;
        result.serious = counts.serious;
        QString error;
        result.ok = wps_sim::save_document(doc, result.output, error);
        if (!result.ok) result.error = QStringLiteral("not written: ") + error;
    }
    VARIANT no_save = kfc::var_i4(wpsapi::wdDoNotSaveChanges);
    doc->Close(&no_save, nullptr, nullptr);
    if (!result.ok && !output_existed) QFile::remove(result.output);
    result.elapsed_ms = timer.elapsed();
    return result;
}

// The document opens under the output's name, so that whatever the plug-in
// writes beside it or saves goes to the output, never to the input.
kfc::ks_stdptr<wpsapi::_Document> proofread_document::open(const QString& input,
                                                           const QString& output, QString& error) {
    kfc::ks_stdptr<wpsapi::_Document> doc;
    if (docx_is_package_name(input)) {
        docx_limits limits;
        limits.max_file_bytes = options_.max_bytes;
        doc = docx_open(app_, input, error, limits, output);
    } else if (wsim_check_document_file(input, error) &&
               (same_file(input, output) || copy_file(input, output, error))) {
        doc = wps_sim::open_text_file(app_, output);
        if (!doc) error = QStringLiteral("the host refused the file");
    }
    if (doc) wsim_set_selection(app_, 0, 0);
    return doc;
}

// True when the plug-in reported the end of a check: its closing message
// carries the outcome as data, with the pieces it could not check.
bool proofread_document::check(proofread_result& result) {
    responder_.clear();
    responder_.on(k_check_title).press(QStringLiteral("确定"));
    if (!wps_sim::click(app_, k_check_caption)) {
        result.error = QStringLiteral("the plug-in has no \"%1\" control").arg(k_check_caption);
        return false;
    }
    QStringList messages;
    for (const modal_responder::seen_modal& modal : responder_.seen()) {
        velmo_check_outcome_t outcome;
        if (velmo_check_outcome_from_map(
                modal.properties.value(QLatin1String(VELMO_CHECK_OUTCOME_PROPERTY)).toMap(),
                outcome)) {
            result.unchecked_pieces = outcome.unchecked_pieces;
            result.unchecked_reason = outcome.unchecked_reason;
            return true;
        }
        if (!modal.text.isEmpty()) messages << modal.text.simplified();
    }
    result.error =
        QStringLiteral("not checked") +
        (messages.isEmpty() ? QString()
                            : QStringLiteral(": ") + messages.join(QStringLiteral("; ")));
    return false;
}
