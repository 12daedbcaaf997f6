// Control of the simulated Writer host for tests and host programs: create
// the application object, build or load documents, set the version, click a
// command-bar control by caption, and look inside the host.
#ifndef WPS_SIM_H
#define WPS_SIM_H

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

#include "ksoapi.h"
#include "wpsapi.h"

// What the simulated host answers for an object whose document was closed,
// or a bookmark that was deleted.
constexpr HRESULT E_OBJECT_GONE = static_cast<HRESULT>(0x800A16B6u);

namespace wps_sim {

// Version the application reports unless told otherwise (the newer user
// interface; "11.0" stands for the older one).
inline const char* const default_version = "12.1.0.0";

// Character that stands for one inline shape inside paragraph text given to
// the builder.
inline const QChar inline_shape{wpsapi::wdInlineShapeMark};

// A new application object with no document open; the caller owns the one
// reference. Each call makes an independent application.
WPS_API kfc::ks_stdptr<wpsapi::_Application> create_application(
    const QString& version = QString::fromLatin1(default_version));

// Changes the version text the application reports.
WPS_API void set_version(wpsapi::_Application* app, const QString& version);

// Builds a document in memory. Blocks are appended in call order; every
// paragraph ends with a paragraph mark (13), every table cell with a cell
// mark (7). A paragraph follows every table, and the text always ends with a
// paragraph mark.
class WPS_API document_builder {
  public:
    document_builder();
    ~document_builder();
    document_builder(const document_builder& other);
    document_builder& operator=(const document_builder& other);

    // File name (default "文档N") and directory (default empty: never saved).
    document_builder& name(const QString& file_name);
    document_builder& path(const QString& directory);
    // Layout grid used for page and line numbers (default 40 x 40).
    document_builder& layout(int chars_per_line, int lines_per_page);

    // One paragraph; `text` without the mark. Each `inline_shape` character
    // in it becomes an inline shape. Marks (13, 7) inside are not allowed
    // and are replaced by spaces.
    document_builder& paragraph(const QString& text);
    document_builder& paragraphs(const QStringList& texts);
    // A table of rows x columns cells; `cells` in reading order (missing
    // cells are empty).
    document_builder& table(int rows, int columns, const QStringList& cells);
    // A table of contents: one paragraph per entry.
    document_builder& table_of_contents(const QStringList& entries);
    // The next paragraph starts a new section on a new page; a restart above
    // 0 makes the printed page numbers of the section start at that value.
    document_builder& section(int restart_page_number = 0);
    // Bookmark and highlight over positions of the finished text.
    document_builder& bookmark(const QString& name, long start, long end);
    document_builder& highlight(long start, long end, wpsapi::WdColorIndex index);

    // Length of the text built so far (the position the next block starts at).
    long length() const;
    // The text built so far, marks included.
    QString text() const;

    // Opens the document in `app`; it becomes the active document.
    kfc::ks_stdptr<wpsapi::_Document> open(wpsapi::_Application* app) const;

    struct content;

  private:
    std::unique_ptr<content> d_;
};

// Opens a UTF-8 text file, one paragraph per line (a final line break does
// not make an empty paragraph). Name and Path come from the file. Null when
// the file cannot be read.
WPS_API kfc::ks_stdptr<wpsapi::_Document> open_text_file(wpsapi::_Application* app,
                                                         const QString& file_path);
// Writes the document's text as UTF-8, one paragraph per line (cell marks
// become tabs, inline shapes are left out). False when the file cannot be
// written.
WPS_API bool save_text_file(wpsapi::_Document* doc, const QString& file_path);

// Clicks the first control whose caption equals `caption`: bars in creation
// order, controls in order, pop-up menus searched depth-first. Calls the
// handlers registered for its "Click" event. False when no such control
// exists; otherwise `handler_status` (if given) receives the last handler's
// result (0 when none is registered).
WPS_API bool click(wpsapi::_Application* app, const QString& caption,
                   int* handler_status = nullptr);
// The first control with that caption (same search as click), or null.
WPS_API kfc::ks_stdptr<ksoapi::CommandBarControl> find_control(wpsapi::_Application* app,
                                                               const QString& caption);
// Names of all command bars in creation order.
WPS_API QStringList command_bar_names(wpsapi::_Application* app);
// Captions of the controls of the bar with that name, pop-up items
// included as "menu/item".
WPS_API QStringList control_captions(wpsapi::_Application* app, const QString& bar_name);
// Number of handlers recorded by the event manager for a control.
WPS_API int registered_handler_count(kfc::IUnknown* control);

// The main text of a document (marks included).
WPS_API QString document_text(wpsapi::_Document* doc);

struct bookmark_extent {
    QString name;
    long start = 0;
    long end = 0;
};
// Every bookmark of a document in start order.
WPS_API QVector<bookmark_extent> document_bookmarks(wpsapi::_Document* doc);
// The highlight colour index (WdColorIndex) of every character of the main text.
WPS_API QVector<int> document_highlights(wpsapi::_Document* doc);

// Makes Save (and Close with saving) write the document through `handler`,
// given the document and the full file path; it returns false with `error`
// set when nothing could be written. The document counts as saved after a
// successful call. Host programs use it for file formats of their own.
using save_handler =
    std::function<bool(wpsapi::_Document* doc, const QString& file_path, QString& error)>;
WPS_API void set_save_handler(wpsapi::_Document* doc, save_handler handler);
// Writes the document to `file_path` in its own format (through its save
// handler, or as a text file). False with `error` set when it cannot.
WPS_API bool save_document(wpsapi::_Document* doc, const QString& file_path, QString& error);
// Host objects (interfaces handed out) currently alive in this process,
// for leak checks.
WPS_API long live_object_count();

}  // namespace wps_sim

#endif  // WPS_SIM_H
