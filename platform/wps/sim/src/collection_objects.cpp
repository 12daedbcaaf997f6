// Bookmarks and the structural collections (paragraphs, tables, cells,
// inline shapes, tables of contents, sentences) over a document's model.
#include <algorithm>

#include "com_base.h"
#include "sim_state.h"
#include "variant_util.h"
#include "wps_sim.h"

namespace wps_sim {

namespace {

using namespace wpsapi;

HRESULT put_count(int64_t count, long* out) {
    if (!out) return E_POINTER;
    *out = static_cast<long>(count);
    return S_OK;
}

// A stretch of the document that follows edits, shared by collections.
class tracked_owner {
  public:
    tracked_owner(const document_ptr& doc, span r) : doc_(doc) {
        span_.value = r;
        doc_->model.track(&span_);
    }
    ~tracked_owner() { doc_->model.untrack(&span_); }
    tracked_owner(const tracked_owner&) = delete;
    tracked_owner& operator=(const tracked_owner&) = delete;

  protected:
    span value() const { return span_.value; }
    document_ptr doc_;

  private:
    tracked_span span_;
};

// An item whose only property is its range (paragraph, table, cell, shape,
// table of contents).
template <class I>
class range_item : public com_object<I>, private tracked_owner {
  public:
    range_item(const document_ptr& doc, span r) : tracked_owner(doc, r) {}
    HRESULT get_Range(Range** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed) return E_OBJECT_GONE;
        return hand_out(new_range(doc_, value()), result);
    }
};

template <class I>
HRESULT hand_out_item(const document_ptr& doc, span r, I** result) {
    return hand_out(static_cast<I*>(new range_item<I>(doc, r)), result);
}

// A collection whose items are recomputed when the text changes.
template <class I, class E>
class span_list : public com_object<I>, protected tracked_owner {
  public:
    span_list(const document_ptr& doc, span r) : tracked_owner(doc, r) {}
    HRESULT get_Count(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_count(items().size(), result);
    }
    HRESULT Item(long index, E** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed) return E_OBJECT_GONE;
        const std::vector<span>& list = items();
        if (index < 1 || index > static_cast<long>(list.size())) return DISP_E_BADINDEX;
        return make_item(list[static_cast<size_t>(index - 1)], result);
    }

  protected:
    virtual std::vector<span> compute(span r) = 0;
    virtual HRESULT make_item(span r, E** result) = 0;

    // First and Last of the collections that have them.
    HRESULT first_item(E** result) { return Item(1, result); }
    HRESULT last_item(E** result) {
        long count = 0;
        HRESULT hr = get_Count(&count);
        return FAILED(hr) ? hr : Item(count, result);
    }

    const std::vector<span>& items() {
        span r = value();
        if (version_ != doc_->model.text_version() || r.start != computed_for_.start ||
            r.end != computed_for_.end) {
            cache_ = compute(r);
            version_ = doc_->model.text_version();
            computed_for_ = r;
        }
        return cache_;
    }

  private:
    uint64_t version_ = ~0ull;
    span computed_for_;
    std::vector<span> cache_;
};

// The paragraphs of the range are listed in one pass and kept until the text
// changes, so that walking them by index costs the same for every item.
class paragraphs_object : public span_list<Paragraphs, Paragraph> {
  public:
    using span_list::span_list;
    HRESULT get_First(Paragraph** result) override { return first_item(result); }
    HRESULT get_Last(Paragraph** result) override { return last_item(result); }

  protected:
    std::vector<span> compute(span r) override { return doc_->model.paragraph_spans_of(r); }
    HRESULT make_item(span r, Paragraph** result) override {
        return hand_out_item(doc_, r, result);
    }
};

class tables_object : public span_list<Tables, Table> {
  public:
    using span_list::span_list;

  protected:
    std::vector<span> compute(span r) override {
        std::vector<span> out;
        for (const table_info& t : doc_->model.tables_of(r)) out.push_back(t.range);
        return out;
    }
    HRESULT make_item(span r, Table** result) override { return hand_out_item(doc_, r, result); }
};

class cells_object : public span_list<Cells, Cell> {
  public:
    using span_list::span_list;

  protected:
    std::vector<span> compute(span r) override { return doc_->model.cells_of(r); }
    HRESULT make_item(span r, Cell** result) override { return hand_out_item(doc_, r, result); }
};

class sentences_object : public span_list<Sentences, Range> {
  public:
    using span_list::span_list;
    HRESULT get_First(Range** result) override { return first_item(result); }
    HRESULT get_Last(Range** result) override { return last_item(result); }

  protected:
    std::vector<span> compute(span r) override { return doc_->model.sentences_of(r); }
    HRESULT make_item(span r, Range** result) override {
        return hand_out(new_range(doc_, r), result);
    }
};

class inline_shapes_object : public com_object<InlineShapes>, private tracked_owner {
  public:
    inline_shapes_object(const document_ptr& doc, span r) : tracked_owner(doc, r) {}
    HRESULT get_Count(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        span r = value();
        return put_count(doc_->model.shape_rank_from(r.end) - doc_->model.shape_rank_from(r.start),
                         result);
    }
    HRESULT Item(long index, InlineShape** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        long count = 0;
        HRESULT hr = get_Count(&count);
        if (FAILED(hr)) return hr;
        if (index < 1 || index > count) return DISP_E_BADINDEX;
        int64_t pos =
            doc_->model.shape_position(doc_->model.shape_rank_from(value().start) + index - 1);
        return hand_out_item(doc_, span{pos, pos + 1}, result);
    }
};

class tables_of_contents_object : public com_object<TablesOfContents> {
  public:
    explicit tables_of_contents_object(const document_ptr& doc) : doc_(doc) {}
    HRESULT get_Count(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_count(static_cast<int64_t>(doc_->model.tables_of_contents().size()), result);
    }
    HRESULT Item(long index, TableOfContents** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed) return E_OBJECT_GONE;
        const std::vector<span>& list = doc_->model.tables_of_contents();
        if (index < 1 || index > static_cast<long>(list.size())) return DISP_E_BADINDEX;
        return hand_out_item(doc_, list[static_cast<size_t>(index - 1)], result);
    }

  private:
    document_ptr doc_;
};

class bookmark_object : public com_object<Bookmark> {
  public:
    bookmark_object(const document_ptr& doc, int id)
        : doc_(doc), id_(id), generation_(doc->model.bookmark_generation(id)) {}

    HRESULT get_Name(BSTR* result) override {
        HRESULT hr = alive();
        return FAILED(hr) ? hr : put_string(doc_->model.bookmark_name(id_), result);
    }
    HRESULT get_Start(long* result) override {
        HRESULT hr = alive();
        return FAILED(hr) ? hr : put_count(doc_->model.bookmark_span(id_).start, result);
    }
    HRESULT get_End(long* result) override {
        HRESULT hr = alive();
        return FAILED(hr) ? hr : put_count(doc_->model.bookmark_span(id_).end, result);
    }
    HRESULT get_Empty(VARIANT_BOOL* result) override {
        if (!result) return E_POINTER;
        HRESULT hr = alive();
        if (FAILED(hr)) return hr;
        span s = doc_->model.bookmark_span(id_);
        *result = s.start == s.end ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT get_Range(Range** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        HRESULT hr = alive();
        return FAILED(hr) ? hr : hand_out(new_range(doc_, doc_->model.bookmark_span(id_)), result);
    }
    HRESULT Select() override {
        HRESULT hr = alive();
        if (FAILED(hr)) return hr;
        doc_->selection.value = doc_->model.bookmark_span(id_);
        doc_->selection_from_find = false;
        return S_OK;
    }
    HRESULT Delete() override {
        HRESULT hr = alive();
        if (FAILED(hr)) return hr;
        doc_->model.delete_bookmark(id_);
        return S_OK;
    }

  private:
    HRESULT alive() const {
        return !doc_->closed && doc_->model.bookmark_alive(id_, generation_) ? S_OK : E_OBJECT_GONE;
    }
    document_ptr doc_;
    int id_;
    uint32_t generation_;
};

class bookmarks_object : public com_object<Bookmarks>, private tracked_owner {
  public:
    bookmarks_object(const document_ptr& doc, span r, bool whole_document)
        : tracked_owner(doc, r), whole_document_(whole_document) {}

    HRESULT get_Count(long* result) override {
        if (doc_->closed) return E_OBJECT_GONE;
        return put_count(
            covers_all() ? doc_->model.bookmark_count() : static_cast<int64_t>(filtered().size()),
            result);
    }
    HRESULT Item(VARIANT* index, Bookmark** result) override {
        if (!result) return E_POINTER;
        *result = nullptr;
        if (doc_->closed) return E_OBJECT_GONE;
        if (variant_is_text(index)) {
            int id = doc_->model.find_bookmark(variant_text(index));
            if (id < 0 || !inside(id)) return DISP_E_BADINDEX;
            return hand_out(static_cast<Bookmark*>(new bookmark_object(doc_, id)), result);
        }
        if (!variant_is_number(index)) return E_INVALIDARG;
        int64_t i = variant_number(index, 0);
        int id = -1;
        if (covers_all()) {
            if (i < 1 || i > doc_->model.bookmark_count()) return DISP_E_BADINDEX;
            id = doc_->model.bookmark_at(i - 1);
        } else {
            const std::vector<int>& list = filtered();
            if (i < 1 || i > static_cast<int64_t>(list.size())) return DISP_E_BADINDEX;
            id = list[static_cast<size_t>(i - 1)];
        }
        return hand_out(static_cast<Bookmark*>(new bookmark_object(doc_, id)), result);
    }
    HRESULT Add(BSTR name, VARIANT* range, Bookmark** result) override {
        if (result) *result = nullptr;
        if (doc_->closed) return E_OBJECT_GONE;
        span r;
        if (!span_of_object(range, doc_, r)) return E_INVALIDARG;
        int id = doc_->model.add_bookmark(bstr_to_qstring(name), r);
        if (id < 0) return E_INVALIDARG;
        if (!result) return S_OK;
        return hand_out(static_cast<Bookmark*>(new bookmark_object(doc_, id)), result);
    }
    HRESULT Exists(BSTR name, VARIANT_BOOL* result) override {
        if (!result) return E_POINTER;
        if (doc_->closed) return E_OBJECT_GONE;
        int id = doc_->model.find_bookmark(bstr_to_qstring(name));
        *result = id >= 0 && inside(id) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

  private:
    bool covers_all() const {
        span r = value();
        return whole_document_ || (r.start == 0 && r.end >= doc_->model.length());
    }
    bool inside(int id) const {
        if (covers_all()) return true;
        span b = doc_->model.bookmark_span(id);
        span r = value();
        return b.start >= r.start && b.end <= r.end;
    }
    const std::vector<int>& filtered() {
        span r = value();
        if (version_ != doc_->model.bookmark_version() || r.start != computed_for_.start ||
            r.end != computed_for_.end) {
            cache_ = doc_->model.bookmarks_in(r);
            version_ = doc_->model.bookmark_version();
            computed_for_ = r;
        }
        return cache_;
    }

    bool whole_document_;
    uint64_t version_ = ~0ull;
    span computed_for_;
    std::vector<int> cache_;
};

}  // namespace

Bookmarks* new_bookmarks(const document_ptr& doc, span r, bool whole_document) {
    return new bookmarks_object(doc, r, whole_document);
}
Bookmark* new_bookmark(const document_ptr& doc, int id) { return new bookmark_object(doc, id); }
Paragraphs* new_paragraphs(const document_ptr& doc, span r) {
    return new paragraphs_object(doc, r);
}
Tables* new_tables(const document_ptr& doc, span r) { return new tables_object(doc, r); }
Cells* new_cells(const document_ptr& doc, span r) { return new cells_object(doc, r); }
InlineShapes* new_inline_shapes(const document_ptr& doc, span r) {
    return new inline_shapes_object(doc, r);
}
TablesOfContents* new_tables_of_contents(const document_ptr& doc) {
    return new tables_of_contents_object(doc);
}
Sentences* new_sentences(const document_ptr& doc, span r) { return new sentences_object(doc, r); }

}  // namespace wps_sim
