// The control API of the simulated host: document builder, text files,
// clicking controls by caption, looking inside.
#include <QFileInfo>
#include <functional>

#include "sim_state.h"
#include "variant_util.h"
#include "wps_sim.h"

namespace wps_sim {

using namespace wpsapi;

struct document_builder::content {
    QString name;
    QString path;
    int chars_per_line = 40;
    int lines_per_page = 40;
    std::u16string text;
    bool after_table = false;
    std::vector<span> tocs;
    std::vector<std::pair<int64_t, int>> sections;
    struct mark {
        QString name;
        long start, end;
    };
    std::vector<mark> bookmarks;
    struct colour {
        long start, end;
        WdColorIndex index;
    };
    std::vector<colour> highlights;

    void close_table() {
        if (after_table) {
            text += char16_t(wdParagraphMark);
            after_table = false;
        }
    }
    void append(const QString& t, char16_t mark) {
        for (QChar c : t) {
            char16_t u = c.unicode();
            text += (u == wdParagraphMark || u == wdCellMark) ? u' ' : u;
        }
        text += mark;
    }
};

document_builder::document_builder() : d_(new content) {}
document_builder::~document_builder() = default;
document_builder::document_builder(const document_builder& other) : d_(new content(*other.d_)) {}
document_builder& document_builder::operator=(const document_builder& other) {
    *d_ = *other.d_;
    return *this;
}

document_builder& document_builder::name(const QString& file_name) {
    d_->name = file_name;
    return *this;
}
document_builder& document_builder::path(const QString& directory) {
    d_->path = directory;
    return *this;
}
document_builder& document_builder::layout(int chars_per_line, int lines_per_page) {
    d_->chars_per_line = chars_per_line;
    d_->lines_per_page = lines_per_page;
    return *this;
}
document_builder& document_builder::paragraph(const QString& text) {
    d_->after_table = false;
    d_->append(text, wdParagraphMark);
    return *this;
}
document_builder& document_builder::paragraphs(const QStringList& texts) {
    for (const QString& t : texts) paragraph(t);
    return *this;
}
document_builder& document_builder::table(int rows, int columns, const QStringList& cells) {
    d_->close_table();
    for (int i = 0; i < rows * columns; ++i) d_->append(cells.value(i), wdCellMark);
    d_->after_table = rows * columns > 0;
    return *this;
}
document_builder& document_builder::table_of_contents(const QStringList& entries) {
    d_->close_table();
    int64_t start = static_cast<int64_t>(d_->text.size());
    paragraphs(entries);
    d_->tocs.push_back({start, static_cast<int64_t>(d_->text.size())});
    return *this;
}
document_builder& document_builder::section(int restart_page_number) {
    d_->close_table();
    d_->sections.emplace_back(static_cast<int64_t>(d_->text.size()), restart_page_number);
    return *this;
}
document_builder& document_builder::bookmark(const QString& name, long start, long end) {
    d_->bookmarks.push_back({name, start, end});
    return *this;
}
document_builder& document_builder::highlight(long start, long end, WdColorIndex index) {
    d_->highlights.push_back({start, end, index});
    return *this;
}
long document_builder::length() const { return static_cast<long>(d_->text.size()); }
QString document_builder::text() const {
    return QString(reinterpret_cast<const QChar*>(d_->text.data()),
                   static_cast<int>(d_->text.size()));
}

kfc::ks_stdptr<_Document> document_builder::open(_Application* app) const {
    content c = *d_;
    c.close_table();
    auto doc = std::make_shared<document_state>();
    document_model& m = doc->model;
    // The model starts with its final paragraph mark; the built text goes
    // in front of it.
    if (!c.text.empty()) m.replace(0, 0, c.text.substr(0, c.text.size() - 1));
    m.set_layout(c.chars_per_line, c.lines_per_page);
    for (const auto& s : c.sections) m.add_section(s.first, s.second);
    for (const span& t : c.tocs) m.add_table_of_contents(t);
    for (const auto& h : c.highlights) {
        span r = m.clamp(h.start, h.end);
        m.set_highlight(r.start, r.end, h.index);
    }
    for (const auto& b : c.bookmarks) m.add_bookmark(b.name, {b.start, b.end});
    m.saved = true;
    doc->name = c.name;
    doc->path = c.path;
    return open_document(app, doc);
}

kfc::ks_stdptr<_Document> open_text_file(_Application* app, const QString& file_path) {
    std::u16string text;
    if (!read_text_file(file_path, text)) return {};
    auto doc = std::make_shared<document_state>();
    doc->model.replace(0, 0, text.substr(0, text.size() - 1));
    doc->model.saved = true;
    QFileInfo info(file_path);
    doc->name = info.fileName();
    doc->path = info.absolutePath();
    return open_document(app, doc);
}

bool save_text_file(_Document* doc, const QString& file_path) {
    document_ptr state = state_of(doc);
    return state && !state->closed && write_text_file(*state, file_path);
}

QString document_text(_Document* doc) {
    document_ptr state = state_of(doc);
    return state ? state->model.qtext(0, state->model.length()) : QString();
}

namespace {

using visitor = std::function<bool(ksoapi::CommandBarControl*, const QString& path)>;

QString caption_of(ksoapi::CommandBarControl* control) {
    kfc::ks_bstr caption;
    control->get_Caption(&caption);
    return bstr_to_qstring(caption);
}

// Visits the controls depth-first; stops when the visitor returns true.
bool walk_controls(ksoapi::CommandBarControls* controls, const QString& prefix, const visitor& f) {
    int count = 0;
    if (FAILED(controls->get_Count(&count))) return false;
    for (int i = 1; i <= count; ++i) {
        kfc::ks_stdptr<ksoapi::CommandBarControl> control;
        if (FAILED(controls->get_Item(variant_of_number(i), &control)) || !control) continue;
        QString path = prefix.isEmpty() ? caption_of(control) : prefix + "/" + caption_of(control);
        if (f(control, path)) return true;
        kfc::ks_stdptr<ksoapi::CommandBarPopup> popup;
        void* out = nullptr;
        if (SUCCEEDED(control->QueryInterface(ksoapi::CommandBarPopup::iid, &out)))
            popup.attach(static_cast<ksoapi::CommandBarPopup*>(out));
        kfc::ks_stdptr<ksoapi::CommandBarControls> children;
        if (popup && SUCCEEDED(popup->get_Controls(&children)) && children &&
            walk_controls(children, path, f))
            return true;
    }
    return false;
}

bool walk_bars(_Application* app,
               const std::function<bool(ksoapi::CommandBar*, const QString&)>& f) {
    kfc::ks_stdptr<ksoapi::_CommandBars> bars;
    if (!app || FAILED(app->get_CommandBars(&bars)) || !bars) return false;
    int count = 0;
    bars->get_Count(&count);
    for (int i = 1; i <= count; ++i) {
        kfc::ks_stdptr<ksoapi::CommandBar> bar;
        if (FAILED(bars->get_Item(variant_of_number(i), &bar)) || !bar) continue;
        kfc::ks_bstr name;
        bar->get_Name(&name);
        if (f(bar, bstr_to_qstring(name))) return true;
    }
    return false;
}

}  // namespace

kfc::ks_stdptr<ksoapi::CommandBarControl> find_control(_Application* app, const QString& caption) {
    kfc::ks_stdptr<ksoapi::CommandBarControl> found;
    walk_bars(app, [&](ksoapi::CommandBar* bar, const QString&) {
        kfc::ks_stdptr<ksoapi::CommandBarControls> controls;
        if (FAILED(bar->get_Controls(&controls)) || !controls) return false;
        return walk_controls(controls, QString(),
                             [&](ksoapi::CommandBarControl* c, const QString&) {
                                 if (caption_of(c) != caption) return false;
                                 found = c;
                                 return true;
                             });
    });
    return found;
}

bool click(_Application* app, const QString& caption, int* handler_status) {
    kfc::ks_stdptr<ksoapi::CommandBarControl> control = find_control(app, caption);
    return control && detail::click_control(control, handler_status);
}

QStringList command_bar_names(_Application* app) {
    QStringList names;
    walk_bars(app, [&](ksoapi::CommandBar*, const QString& name) {
        names << name;
        return false;
    });
    return names;
}

QStringList control_captions(_Application* app, const QString& bar_name) {
    QStringList captions;
    walk_bars(app, [&](ksoapi::CommandBar* bar, const QString& name) {
        if (name != bar_name) return false;
        kfc::ks_stdptr<ksoapi::CommandBarControls> controls;
        if (SUCCEEDED(bar->get_Controls(&controls)) && controls)
            walk_controls(controls, QString(),
                          [&](ksoapi::CommandBarControl*, const QString& path) {
                              captions << path;
                              return false;
                          });
        return true;
    });
    return captions;
}

}  // namespace wps_sim
