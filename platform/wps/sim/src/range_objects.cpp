// Range, Selection and Find over a document's model.
#include <algorithm>

#include "com_base.h"
#include "sim_state.h"
#include "variant_util.h"
#include "wps_sim.h"

namespace wps_sim {

namespace {

using namespace wpsapi;

std::u16string to_u16(BSTR text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text), _XSysStringLen(text))
                : std::u16string();
}

HRESULT put_long(long value, long* out) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

// Moves one end of a span the way ranges and the selection do: clamped to
// the text, the other end follows when passed.
void set_start(document_state& doc, span& s, long start) {
    s.start = std::clamp<int64_t>(start, 0, doc.model.length());
    if (s.end < s.start) s.end = s.start;
}
void set_end(document_state& doc, span& s, long end) {
    s.end = std::clamp<int64_t>(end, 0, doc.model.length());
    if (s.start > s.end) s.start = s.end;
}

class range_object : public com_object<Range> {
  public:
    range_object(const document_ptr& doc, span r) : doc_(doc) {
        span_.value = doc_->model.clamp(r.start, r.end);
        doc_->model.track(&span_);
    }
    ~range_object() override { doc_->model.untrack(&span_); }

    const document_ptr& doc() const { return doc_; }
    span value() const { return span_.value; }

    HRESULT get_Text(BSTR* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_string(doc_->model.qtext(span_.value.start, span_.value.end), result);
    }
    HRESULT put_Text(BSTR text) override {
        if (doc_->closed) return E_OBJECT_GONE;
        span_.value = write_text(*doc_, span_.value, text);
        return S_OK;
    }
    HRESULT get_Start(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_long(span_.value.start, result);
    }
    HRESULT put_Start(long start) override {
        if (doc_->closed) return E_OBJECT_GONE;
        set_start(*doc_, span_.value, start);
        return S_OK;
    }
    HRESULT get_End(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_long(span_.value.end, result);
    }
    HRESULT put_End(long end) override {
        if (doc_->closed) return E_OBJECT_GONE;
        set_end(*doc_, span_.value, end);
        return S_OK;
    }
    HRESULT SetRange(long start, long end) override {
        if (doc_->closed) return E_OBJECT_GONE;
        span_.value = doc_->model.clamp(std::min(start, end), std::max(start, end));
        return S_OK;
    }
    HRESULT get_Document(Document** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed || !doc_->object) return E_OBJECT_GONE;
        doc_->object->AddRef();
        *result = doc_->object;
        return S_OK;
    }
    HRESULT get_Bookmarks(Bookmarks** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_bookmarks(doc_, span_.value, false), result);
    }
    HRESULT get_HighlightColorIndex(WdColorIndex* result) override {
        if (!result) return E_POINTER;
        if (doc_->closed) return E_OBJECT_GONE;
        *result =
            static_cast<WdColorIndex>(doc_->model.highlight(span_.value.start, span_.value.end));
        return S_OK;
    }
    HRESULT put_HighlightColorIndex(WdColorIndex index) override {
        if (doc_->closed) return E_OBJECT_GONE;
        if (index < wdByAuthor || index > wdGray25) return E_INVALIDARG;
        doc_->model.set_highlight(span_.value.start, span_.value.end, index);
        return S_OK;
    }
    HRESULT Select() override {
        if (doc_->closed) return E_OBJECT_GONE;
        doc_->selection.value = span_.value;
        doc_->selection_from_find = false;
        return S_OK;
    }
    HRESULT get_Paragraphs(Paragraphs** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_paragraphs(doc_, span_.value), result);
    }
    HRESULT get_Sentences(Sentences** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_sentences(doc_, span_.value), result);
    }
    HRESULT get_Tables(Tables** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_tables(doc_, span_.value), result);
    }
    HRESULT get_Cells(Cells** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed) return E_OBJECT_GONE;
        if (doc_->model.cells_of(span_.value).empty()) return E_FAIL;
        return hand_out(new_cells(doc_, span_.value), result);
    }
    HRESULT get_InlineShapes(InlineShapes** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_inline_shapes(doc_, span_.value), result);
    }
    HRESULT get_Information(WdInformation type, VARIANT* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return information(*doc_, span_.value, type, result);
    }

  private:
    document_ptr doc_;
    tracked_span span_;
};

class selection_object : public com_object<Selection> {
  public:
    explicit selection_object(const document_ptr& doc) : doc_(doc) {}

    const document_ptr& doc() const { return doc_; }

    HRESULT get_Start(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_long(sel().start, result);
    }
    HRESULT put_Start(long start) override {
        if (doc_->closed) return E_OBJECT_GONE;
        set_start(*doc_, sel(), start);
        doc_->selection_from_find = false;
        return S_OK;
    }
    HRESULT get_End(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_long(sel().end, result);
    }
    HRESULT put_End(long end) override {
        if (doc_->closed) return E_OBJECT_GONE;
        set_end(*doc_, sel(), end);
        doc_->selection_from_find = false;
        return S_OK;
    }
    HRESULT SetRange(long start, long end) override {
        if (doc_->closed) return E_OBJECT_GONE;
        sel() = doc_->model.clamp(std::min(start, end), std::max(start, end));
        doc_->selection_from_find = false;
        return S_OK;
    }
    HRESULT get_Text(BSTR* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_string(doc_->model.qtext(sel().start, sel().end), result);
    }
    HRESULT put_Text(BSTR text) override {
        if (doc_->closed) return E_OBJECT_GONE;
        sel() = write_text(*doc_, sel(), text);
        doc_->selection_from_find = false;
        return S_OK;
    }
    HRESULT get_Range(Range** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_range(doc_, sel()), result);
    }
    HRESULT get_Find(Find** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_find(doc_), result);
    }
    HRESULT get_Sentences(Sentences** result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_sentences(doc_, sel()), result);
    }
    HRESULT get_Document(Document** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed || !doc_->object) return E_OBJECT_GONE;
        doc_->object->AddRef();
        *result = doc_->object;
        return S_OK;
    }
    HRESULT get_Information(WdInformation type, VARIANT* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return information(*doc_, sel(), type, result);
    }

  private:
    span& sel() { return doc_->selection.value; }
    document_ptr doc_;
};

class find_object : public com_object<Find> {
  public:
    explicit find_object(const document_ptr& doc) : doc_(doc) {}

    HRESULT ClearFormatting() override { return doc_->closed ? E_OBJECT_GONE : S_OK; }

    HRESULT Execute(VARIANT* find_text, VARIANT* match_case, VARIANT* match_whole_word, VARIANT*,
                    VARIANT*, VARIANT*, VARIANT* forward, VARIANT* wrap, VARIANT* format, VARIANT*,
                    VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                    VARIANT_BOOL* found) override {
        if (!found) return E_POINTER;
        *found = VARIANT_FALSE;
        if (doc_->closed) return E_OBJECT_GONE;
        if (variant_bool(format, false)) return E_NOTIMPL;
        if (!variant_is_missing(find_text) && !variant_is_text(find_text)) return E_INVALIDARG;
        std::u16string needle =
            variant_is_text(find_text) ? to_u16(find_text->bstrVal) : std::u16string();
        if (needle.empty()) return S_OK;
        find_options options;
        options.match_case = variant_bool(match_case, false);
        options.whole_word = variant_bool(match_whole_word, false);
        options.forward = variant_bool(forward, true);
        int64_t wrap_mode = variant_number(wrap, wdFindStop);
        span& sel = doc_->selection.value;
        int64_t from = options.forward && doc_->selection_from_find ? sel.end : sel.start;
        int64_t at = doc_->model.find(needle, from, options);
        if (at < 0 && wrap_mode != wdFindStop)
            at = doc_->model.find(needle, options.forward ? 0 : doc_->model.length(), options);
        if (at < 0) return S_OK;
        sel = {at, at + static_cast<int64_t>(needle.size())};
        doc_->selection_from_find = true;
        *found = VARIANT_TRUE;
        return S_OK;
    }

  private:
    document_ptr doc_;
};

}  // namespace

Range* new_range(const document_ptr& doc, span r) { return new range_object(doc, r); }
Selection* new_selection(const document_ptr& doc) { return new selection_object(doc); }
Find* new_find(const document_ptr& doc) { return new find_object(doc); }

bool span_of_object(const VARIANT* v, const document_ptr& doc, span& out) {
    if (!v || (v->vt != VT_DISPATCH && v->vt != VT_UNKNOWN) || !v->punkVal) return false;
    kfc::IUnknown* object = v->vt == VT_DISPATCH ? v->pdispVal : v->punkVal;
    if (auto* range = dynamic_cast<range_object*>(object)) {
        if (range->doc() != doc) return false;
        out = range->value();
        return true;
    }
    if (auto* selection = dynamic_cast<selection_object*>(object)) {
        if (selection->doc() != doc) return false;
        out = doc->selection.value;
        return true;
    }
    return false;
}

span write_text(document_state& doc, span r, BSTR text) {
    std::u16string t = to_u16(text);
    r = doc.model.clamp(r.start, r.end);
    int64_t last_mark = doc.model.length() - 1;
    if (r.end > last_mark) {
        r.end = last_mark;
        r.start = std::min(r.start, r.end);
    }
    doc.model.replace(r.start, r.end, t);
    return {r.start, r.start + static_cast<int64_t>(t.size())};
}

HRESULT information(document_state& doc, span r, WdInformation type, VARIANT* result) {
    if (!result) return E_POINTER;
    document_model& m = doc.model;
    int64_t last = std::max<int64_t>(0, m.length() - 1);
    int64_t active = std::min(r.end > r.start ? r.end - 1 : r.start, last);
    int64_t first = std::min(r.start, last);
    int64_t value = 0;
    switch (type) {
        case wdActiveEndAdjustedPageNumber:
            value = m.printed_page_of(active);
            break;
        case wdActiveEndSectionNumber:
            value = m.section_of(active);
            break;
        case wdActiveEndPageNumber:
            value = m.page_of(active);
            break;
        case wdNumberOfPagesInDocument:
            value = m.page_count();
            break;
        case wdFirstCharacterLineNumber:
            value = m.line_on_page(first);
            break;
        case wdWithInTable:
            *result = variant_of_flag(!m.cells_of(r).empty());
            return S_OK;
        default:
            return E_INVALIDARG;
    }
    *result = variant_of_number(static_cast<int32_t>(value));
    return S_OK;
}

}  // namespace wps_sim
