// Reading a document's bookmarks and highlights at once, and the save hook,
// for host programs that keep documents in file formats of their own.
#include "sim_state.h"
#include "wps_sim.h"

namespace wps_sim {

QVector<bookmark_extent> document_bookmarks(wpsapi::_Document* doc) {
    QVector<bookmark_extent> out;
    document_ptr state = state_of(doc);
    if (!state || state->closed) return out;
    const document_model& m = state->model;
    out.reserve(static_cast<int>(m.bookmark_count()));
    for (int64_t rank = 0; rank < m.bookmark_count(); ++rank) {
        const int id = m.bookmark_at(rank);
        const span s = m.bookmark_span(id);
        out.push_back({m.bookmark_name(id), static_cast<long>(s.start), static_cast<long>(s.end)});
    }
    return out;
}

QVector<int> document_highlights(wpsapi::_Document* doc) {
    QVector<int> out;
    document_ptr state = state_of(doc);
    if (!state || state->closed) return out;
    const document_model& m = state->model;
    out.resize(static_cast<int>(m.length()));
    for (int64_t i = 0; i < m.length(); ++i) out[static_cast<int>(i)] = m.highlight(i, i + 1);
    return out;
}

void set_save_handler(wpsapi::_Document* doc, save_handler handler) {
    if (document_ptr state = state_of(doc)) state->save_handler = std::move(handler);
}

bool save_document(wpsapi::_Document* doc, const QString& file_path, QString& error) {
    document_ptr state = state_of(doc);
    if (!state || state->closed) {
        error = QStringLiteral("the document is closed");
        return false;
    }
    if (state->save_handler) {
        if (!state->save_handler(doc, file_path, error)) return false;
        state->model.saved = true;
        return true;
    }
    if (!write_text_file(*state, file_path)) {
        error = QStringLiteral("cannot write %1").arg(file_path);
        return false;
    }
    return true;
}

}  // namespace wps_sim
