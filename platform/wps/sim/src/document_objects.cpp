// Application, Documents and Document objects, and the text file format.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "com_base.h"
#include "sim_state.h"
#include "variant_util.h"
#include "wps_sim.h"

namespace wps_sim {

namespace {

using namespace wpsapi;

span whole(const document_state& doc) { return {0, doc.model.length()}; }

class document_object : public com_object<_Document> {
  public:
    explicit document_object(const document_ptr& doc) : doc_(doc) { doc_->object = this; }
    ~document_object() override {
        if (doc_->object == this) doc_->object = nullptr;
    }

    const document_ptr& doc() const { return doc_; }

    HRESULT get_Name(BSTR* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_string(doc_->name, result);
    }
    HRESULT get_Path(BSTR* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_string(doc_->path, result);
    }
    HRESULT get_FullName(BSTR* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_string(doc_->path.isEmpty() ? doc_->name : doc_->path + "/" + doc_->name,
                          result);
    }
    HRESULT get_Saved(VARIANT_BOOL* result) override {
        if (!result) return E_POINTER;
        if (doc_->closed) return E_OBJECT_GONE;
        *result = doc_->model.saved ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT get_Content(wpsapi::Range** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_range(doc_, whole(*doc_)), result);
    }
    HRESULT Range(VARIANT* start, VARIANT* end, wpsapi::Range** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed) return E_OBJECT_GONE;
        if ((!variant_is_missing(start) && !variant_is_number(start)) ||
            (!variant_is_missing(end) && !variant_is_number(end)))
            return E_INVALIDARG;
        int64_t s = variant_number(start, 0);
        int64_t e = variant_number(end, s);
        if (e < s) std::swap(s, e);
        return hand_out(new_range(doc_, {s, e}), result);
    }
    HRESULT get_Bookmarks(Bookmarks** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_bookmarks(doc_, whole(*doc_), true), result);
    }
    HRESULT get_Paragraphs(Paragraphs** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_paragraphs(doc_, whole(*doc_)), result);
    }
    HRESULT get_Tables(Tables** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_tables(doc_, whole(*doc_)), result);
    }
    HRESULT get_InlineShapes(InlineShapes** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_inline_shapes(doc_, whole(*doc_)), result);
    }
    HRESULT get_TablesOfContents(TablesOfContents** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_tables_of_contents(doc_), result);
    }
    HRESULT get_Sentences(Sentences** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_sentences(doc_, whole(*doc_)), result);
    }
    HRESULT Save() override {
        if (doc_->closed) return E_OBJECT_GONE;
        if (doc_->path.isEmpty()) return E_FAIL;
        QString error;
        return save_document(this, doc_->path + "/" + doc_->name, error) ? S_OK : E_FAIL;
    }
    HRESULT Close(VARIANT* save_changes, VARIANT*, VARIANT*) override {
        if (doc_->closed) return E_OBJECT_GONE;
        if (variant_number(save_changes, wdDoNotSaveChanges) == wdSaveChanges &&
            !doc_->path.isEmpty())
            Save();
        // The application may hold the last reference to this object.
        AddRef();
        doc_->closed = true;
        if (auto app = doc_->app.lock()) {
            auto it = std::find(app->documents.begin(), app->documents.end(), doc_);
            if (it != app->documents.end()) {
                int index = static_cast<int>(it - app->documents.begin());
                app->documents.erase(it);
                app->document_objects.erase(app->document_objects.begin() + index);
                if (app->active > index || app->active >= static_cast<int>(app->documents.size()))
                    --app->active;
                if (app->active < 0 && !app->documents.empty()) app->active = 0;
            }
        }
        Release();
        return S_OK;
    }
    HRESULT Activate() override {
        if (doc_->closed) return E_OBJECT_GONE;
        if (auto app = doc_->app.lock()) {
            auto it = std::find(app->documents.begin(), app->documents.end(), doc_);
            if (it == app->documents.end()) return E_FAIL;
            app->active = static_cast<int>(it - app->documents.begin());
            return S_OK;
        }
        return E_FAIL;
    }
    HRESULT ComputeStatistics(WdStatistic statistic, VARIANT*, long* result) override {
        if (!result) return E_POINTER;
        if (doc_->closed) return E_OBJECT_GONE;
        int64_t value = 0;
        if (!doc_->model.statistic(statistic, value)) return E_INVALIDARG;
        *result = static_cast<long>(value);
        return S_OK;
    }

  private:
    document_ptr doc_;
};

class documents_object : public com_object<Documents> {
  public:
    documents_object(const std::shared_ptr<app_state>& app, _Application* owner)
        : app_(app), owner_(owner) {
        owner_->AddRef();
    }
    ~documents_object() override { owner_->Release(); }

    HRESULT get_Count(long* result) override {
        if (!result) return E_POINTER;
        *result = static_cast<long>(app_->documents.size());
        return S_OK;
    }
    HRESULT Item(VARIANT* index, Document** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (variant_is_text(index)) {
            QString name = variant_text(index);
            for (size_t i = 0; i < app_->documents.size(); ++i)
                if (app_->documents[i]->name == name) return give(i, result);
            return DISP_E_BADINDEX;
        }
        int64_t i = variant_number(index, 0);
        if (i < 1 || i > static_cast<int64_t>(app_->documents.size())) return DISP_E_BADINDEX;
        return give(static_cast<size_t>(i - 1), result);
    }
    HRESULT Add(VARIANT*, VARIANT*, VARIANT*, VARIANT*, Document** result) override {
        auto doc = std::make_shared<document_state>();
        kfc::ks_stdptr<Document> object = open_document(owner_, doc);
        if (!result) return S_OK;
        *result = object.detach();
        return S_OK;
    }

  private:
    HRESULT give(size_t i, Document** result) {
        *result = app_->document_objects[i].get();
        (*result)->AddRef();
        return S_OK;
    }
    std::shared_ptr<app_state> app_;
    _Application* owner_;
};

class application_object : public com_object<_Application> {
  public:
    explicit application_object(const QString& version) : app_(std::make_shared<app_state>()) {
        app_->version = version;
        app_->bars.attach(detail::create_command_bars());
    }
    ~application_object() override {
        for (auto& doc : app_->documents) doc->closed = true;
    }

    const std::shared_ptr<app_state>& state() const { return app_; }

    HRESULT get_ActiveDocument(Document** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (app_->active < 0) return E_FAIL;
        *result = app_->document_objects[static_cast<size_t>(app_->active)].get();
        (*result)->AddRef();
        return S_OK;
    }
    HRESULT get_Selection(Selection** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (app_->active < 0) return E_FAIL;
        return hand_out(new_selection(app_->documents[static_cast<size_t>(app_->active)]), result);
    }
    HRESULT get_Documents(Documents** result) override {
        return hand_out(static_cast<Documents*>(new documents_object(app_, this)), result);
    }
    HRESULT get_Version(BSTR* result) override { return put_string(app_->version, result); }
    HRESULT get_Name(BSTR* result) override {
        return put_string(QStringLiteral("WPS 文字"), result);
    }
    HRESULT get_CommandBars(ksoapi::_CommandBars** result) override {
        if (!result) return E_POINTER;
        app_->bars->AddRef();
        *result = app_->bars.get();
        return S_OK;
    }

  private:
    std::shared_ptr<app_state> app_;
};

QString paragraph_line(const document_model& m, span para) {
    QString line;
    for (int64_t i = para.start; i < para.end - 1; ++i) {
        char16_t c = m.at(i);
        if (c == wdInlineShapeMark) continue;
        line.append(QChar(c));
    }
    return line;
}

}  // namespace

_Document* new_document_object(const document_ptr& doc) { return new document_object(doc); }

std::shared_ptr<app_state> state_of(_Application* app) {
    auto* impl = dynamic_cast<application_object*>(app);
    return impl ? impl->state() : nullptr;
}

document_ptr state_of(_Document* doc) {
    auto* impl = dynamic_cast<document_object*>(doc);
    return impl ? impl->doc() : nullptr;
}

kfc::ks_stdptr<_Document> open_document(_Application* app, const document_ptr& doc) {
    kfc::ks_stdptr<_Document> object;
    auto state = state_of(app);
    if (!state) return object;
    if (doc->name.isEmpty()) doc->name = QStringLiteral("文档%1").arg(++state->untitled);
    doc->app = state;
    // A document opens with the cursor at its start, as in a word processor;
    // filling the model before this pushed the cursor behind the text.
    doc->selection.value = span{0, 0};
    doc->selection_from_find = false;
    object.attach(new_document_object(doc));
    state->documents.push_back(doc);
    state->document_objects.push_back(object);
    state->active = static_cast<int>(state->documents.size()) - 1;
    return object;
}

bool write_text_file(document_state& doc, const QString& file_path) {
    QFile file(file_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    document_model& m = doc.model;
    QString out;
    for (int64_t p = 0; p < m.paragraph_count(); ++p) {
        span para = m.paragraph(p);
        out += paragraph_line(m, para);
        // Cells of a table share a line, separated by tabs.
        bool next_is_cell =
            p + 1 < m.paragraph_count() && m.at(m.paragraph(p + 1).end - 1) == wdCellMark;
        out += m.at(para.end - 1) == wdCellMark && next_is_cell ? QChar('\t') : QChar('\n');
    }
    QByteArray bytes = out.toUtf8();
    if (file.write(bytes) != bytes.size()) return false;
    if (!file.flush()) return false;
    m.saved = true;
    return true;
}

bool read_text_file(const QString& file_path, std::u16string& text) {
    QFile file(file_path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QString content = QString::fromUtf8(file.readAll());
    content.remove(QChar('\r'));
    if (content.endsWith('\n')) content.chop(1);
    content.replace(QChar('\n'), QChar(wdParagraphMark));
    content.append(QChar(wdParagraphMark));
    text.assign(reinterpret_cast<const char16_t*>(content.utf16()),
                static_cast<size_t>(content.size()));
    return true;
}

kfc::ks_stdptr<_Application> create_application(const QString& version) {
    kfc::ks_stdptr<_Application> app;
    app.attach(new application_object(version));
    return app;
}

void set_version(_Application* app, const QString& version) {
    if (auto state = state_of(app)) state->version = version;
}

}  // namespace wps_sim
