#include "proofread_document.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cstdio>
#include <memory>

#include "check/velmo_check_outcome.h"
#include "document/velmo_mark_level.h"
#include "docx_document.h"
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

// A UTF-8 text file as the host reads one (a paragraph per line), under the
// output's name.
kfc::ks_stdptr<wpsapi::_Document> open_text(wpsapi::_Application* app, const QString& input,
                                            const QString& output) {
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString content = QString::fromUtf8(file.readAll());
    content.remove(QLatin1Char('\r'));
    if (content.endsWith(QLatin1Char('\n'))) content.chop(1);
    const QFileInfo info(output);
    return wps_sim::document_builder()
        .name(info.fileName())
        .path(info.absolutePath())
        .paragraphs(content.split(QLatin1Char('\n')))
        .open(app);
}

// Writes a text document to a temporary file beside `path` and renames it.
bool write_text(wpsapi::_Document* doc, const QString& path, QString& error) {
    const QFileInfo info(path);
    QTemporaryFile temp(proofread_temp_pattern(info.absoluteFilePath()));
    if (!temp.open()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, temp.errorString());
        return false;
    }
    temp.close();
    if (!wps_sim::save_text_file(doc, temp.fileName()) ||
        std::rename(QFile::encodeName(temp.fileName()).constData(),
                    QFile::encodeName(info.absoluteFilePath()).constData()) != 0) {
        error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    temp.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    temp.setAutoRemove(false);
    return true;
}

QString kind_label(docx_story::kind_t kind) {
    switch (kind) {
        case docx_story::header:
            return QStringLiteral("页眉");
        case docx_story::footer:
            return QStringLiteral("页脚");
        case docx_story::footnote:
            return QStringLiteral("脚注");
        case docx_story::endnote:
            return QStringLiteral("尾注");
        case docx_story::comment:
            return QStringLiteral("批注");
        case docx_story::text_box:
            return QStringLiteral("文本框");
    }
    return QString();
}

// Adds a story to the tally of its kind; the stories come by kind in a
// fixed order.
proofread_part& add_to_parts(std::vector<proofread_part>& parts, const docx_story& story) {
    const QString kind = kind_label(story.kind);
    if (parts.empty() || parts.back().kind != kind) parts.push_back({kind, 0, 0});
    ++parts.back().places;
    parts.back().chars += docx_story_chars(story);
    return parts.back();
}

velmo_kind_counts_t marks_of(wpsapi::_Document* doc) {
    velmo_kind_counts_t counts;
    for (const wsim_error_mark& mark : wsim_error_marks(doc)) counts.add(mark.level);
    return counts;
}

void close_unsaved(wpsapi::_Document* doc) {
    VARIANT no_save = kfc::var_i4(wpsapi::wdDoNotSaveChanges);
    doc->Close(&no_save, nullptr, nullptr);
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
    wps_sim::save_handler writer;
    docx_opened opened;
    kfc::ks_stdptr<wpsapi::_Document> doc = open(input, result, writer, opened);
    if (!doc) return result;
    // The plug-in saves the document before it checks it; in a batch that
    // would put an unmarked copy under the output's name. Only the complete
    // result is written, once, after the check.
    auto final_write = std::make_shared<bool>(false);
    wps_sim::set_save_handler(
        doc, [final_write, writer](wpsapi::_Document* d, const QString& path, QString& error) {
            return !*final_write || writer(d, path, error);
        });
    std::vector<kfc::ks_stdptr<wpsapi::_Document>> stories;
    if (check(result)) {
        const velmo_kind_counts_t counts = marks_of(doc);
        result.errors = counts.errors;
        result.suspects = counts.suspects;
        result.serious = counts.serious;
        stories = check_stories(opened, result);
        QString error;
        *final_write = true;
        result.ok = wps_sim::save_document(doc, result.output, error);
        *final_write = false;
        if (!result.ok) result.error = QStringLiteral("not written: ") + error;
    }
    for (const kfc::ks_stdptr<wpsapi::_Document>& story : stories) close_unsaved(story);
    close_unsaved(doc);
    result.elapsed_ms = timer.elapsed();
    return result;
}

// The document opens under the output's name, so that whatever the plug-in
// writes beside it goes to the output's folder, never beside the input.
// `writer` receives what writes the document in its own format.
kfc::ks_stdptr<wpsapi::_Document> proofread_document::open(const QString& input,
                                                           proofread_result& result,
                                                           wps_sim::save_handler& writer,
                                                           docx_opened& opened) {
    kfc::ks_stdptr<wpsapi::_Document> doc;
    if (docx_is_package_name(input)) {
        docx_limits limits;
        limits.max_file_bytes = options_.max_bytes;
        doc = docx_open(app_, input, result.error, limits, result.output, &opened);
        writer = opened.writer;
        // Until it is checked, the text outside the body is not.
        for (const docx_story& story : opened.stories)
            add_to_parts(result.parts_not_checked, story);
    } else if (wsim_check_document_file(input, result.error)) {
        doc = open_text(app_, input, result.output);
        writer = &write_text;
        if (!doc) result.error = QStringLiteral("the host refused the file");
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
            result.unplaced_errors = outcome.unplaced_errors;
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

// The stories of one part and kind are checked together as the active
// document, each with its own paragraphs, or one by one when the host
// cannot hold them together (a story that ends with a table); those it
// cannot hold or whose check does not finish stay among the parts not
// checked.
std::vector<kfc::ks_stdptr<wpsapi::_Document>> proofread_document::check_stories(
    const docx_opened& opened, proofread_result& result) {
    std::vector<kfc::ks_stdptr<wpsapi::_Document>> documents;
    result.parts_not_checked.clear();
    const std::vector<docx_story>& stories = opened.stories;
    std::vector<std::vector<size_t>> groups;
    for (size_t i = 0; i < stories.size(); ++i) {
        if (groups.empty() || stories[i].kind != stories[groups.back().front()].kind ||
            stories[i].part != stories[groups.back().front()].part)
            groups.emplace_back();
        groups.back().push_back(i);
    }
    while (!groups.empty()) {
        const std::vector<size_t> group = groups.front();
        groups.erase(groups.begin());
        proofread_result checked;
        kfc::ks_stdptr<wpsapi::_Document> doc =
            docx_open_stories(app_, opened, group, checked.error);
        if (!doc && group.size() > 1) {
            for (auto i = group.rbegin(); i != group.rend(); ++i)
                groups.insert(groups.begin(), {*i});
            continue;
        }
        if (doc) {
            documents.push_back(doc);
            wsim_set_selection(app_, 0, 0);
        }
        if (!doc || !check(checked)) {
            for (const size_t i : group) add_to_parts(result.parts_not_checked, stories[i]);
            continue;
        }
        result.unchecked_pieces += checked.unchecked_pieces;
        result.unplaced_errors += checked.unplaced_errors;
        if (result.unchecked_reason.isEmpty()) result.unchecked_reason = checked.unchecked_reason;
        proofread_part* part = nullptr;
        for (const size_t i : group) part = &add_to_parts(result.parts, stories[i]);
        const velmo_kind_counts_t counts = marks_of(doc);
        part->errors += counts.errors;
        part->suspects += counts.suspects;
        part->serious += counts.serious;
    }
    return documents;
}
