// State behind the object model: one per open document and one per
// application. Host objects hold these; the application holds the one
// Document object of every open document.
#ifndef WPS_SIM_SIM_STATE_H
#define WPS_SIM_SIM_STATE_H

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "document_model.h"
#include "ksoapi.h"
#include "wpsapi.h"

namespace wps_sim {

struct app_state;

struct document_state {
    document_state() { model.track(&selection); }
    ~document_state() { model.untrack(&selection); }

    document_model model;
    QString name;
    QString path;  // directory; empty when never saved
    bool closed = false;
    wpsapi::_Document* object = nullptr;  // the document's one object, while it lives
    tracked_span selection;
    // The selection holds the previous match of Find (the next search goes
    // on after it).
    bool selection_from_find = false;
    std::weak_ptr<app_state> app;
    // Writes the document in its own file format; empty: the text format.
    std::function<bool(wpsapi::_Document*, const QString&, QString&)> save_handler;
};

struct app_state {
    QString version;
    std::vector<std::shared_ptr<document_state>> documents;
    std::vector<kfc::ks_stdptr<wpsapi::_Document>> document_objects;
    int active = -1;
    int untitled = 0;
    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
};

using document_ptr = std::shared_ptr<document_state>;

namespace detail {
WPS_API ksoapi::_CommandBars* create_command_bars();
WPS_API bool click_control(ksoapi::CommandBarControl* control, int* status);
}  // namespace detail

// Factories of the object model (each returns an object with one reference).
wpsapi::Range* new_range(const document_ptr& doc, span r);
wpsapi::Selection* new_selection(const document_ptr& doc);
wpsapi::Find* new_find(const document_ptr& doc);
wpsapi::Bookmarks* new_bookmarks(const document_ptr& doc, span r, bool whole_document);
wpsapi::Bookmark* new_bookmark(const document_ptr& doc, int id);
wpsapi::Paragraphs* new_paragraphs(const document_ptr& doc, span r);
wpsapi::Tables* new_tables(const document_ptr& doc, span r);
wpsapi::Cells* new_cells(const document_ptr& doc, span r);
wpsapi::InlineShapes* new_inline_shapes(const document_ptr& doc, span r);
wpsapi::TablesOfContents* new_tables_of_contents(const document_ptr& doc);
wpsapi::Sentences* new_sentences(const document_ptr& doc, span r);
wpsapi::_Document* new_document_object(const document_ptr& doc);

// Opens a document state in an application: it becomes active.
kfc::ks_stdptr<wpsapi::_Document> open_document(wpsapi::_Application* app, const document_ptr& doc);
std::shared_ptr<app_state> state_of(wpsapi::_Application* app);
document_ptr state_of(wpsapi::_Document* doc);
// The span of a Range or Selection object of `doc` passed in a variant.
bool span_of_object(const VARIANT* v, const document_ptr& doc, span& out);

// Text file of a document: UTF-8, one paragraph per line.
bool write_text_file(document_state& doc, const QString& file_path);
bool read_text_file(const QString& file_path, std::u16string& text);

// Information codes shared by Range and Selection.
HRESULT information(document_state& doc, span r, wpsapi::WdInformation type, VARIANT* result);
// Writes text (BSTR) into [r) and returns the span of the new text.
span write_text(document_state& doc, span r, BSTR text);

}  // namespace wps_sim

#endif  // WPS_SIM_SIM_STATE_H
