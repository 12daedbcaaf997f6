// A host that fails a read in the middle of a check range: the simulated
// host's range and paragraphs, except that asking for the paragraphs from a
// given one on fails. Lives on the test's stack; reference counts are kept
// but never destroy it.
#ifndef TESTS_CHECK_HOST_FAILING_READ_H
#define TESTS_CHECK_HOST_FAILING_READ_H

#include <utility>

#include "wps_placeholders.h"
#include "wpsapi.h"

class paragraphs_failing_from : public wps_placeholders::implemented<wpsapi::Paragraphs> {
  public:
    paragraphs_failing_from(kfc::ks_stdptr<wpsapi::Paragraphs> host, long first_failing)
        : host_(std::move(host)), first_failing_(first_failing) {}
    virtual ~paragraphs_failing_from() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }
    HRESULT get_Count(long* count) override { return host_->get_Count(count); }
    HRESULT get_First(wpsapi::Paragraph** paragraph) override { return Item(1, paragraph); }
    HRESULT get_Last(wpsapi::Paragraph** paragraph) override;
    HRESULT Item(long index, wpsapi::Paragraph** paragraph) override;

  private:
    kfc::ks_stdptr<wpsapi::Paragraphs> host_;
    long first_failing_;
    ULONG references_ = 1;
};

class range_failing_from_paragraph : public wps_placeholders::implemented<wpsapi::Range> {
  public:
    // `host` spans the check range; its paragraph `first_failing` (1-based)
    // and all after it cannot be had.
    range_failing_from_paragraph(wpsapi::Range* host, long first_failing);
    virtual ~range_failing_from_paragraph() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override { return --references_; }
    HRESULT get_Paragraphs(wpsapi::Paragraphs** paragraphs) override;
    // The rest is the host's own.
    HRESULT get_Text(BSTR* text) override { return host_->get_Text(text); }
    HRESULT put_Text(BSTR text) override { return host_->put_Text(text); }
    HRESULT get_Start(long* start) override { return host_->get_Start(start); }
    HRESULT put_Start(long start) override { return host_->put_Start(start); }
    HRESULT get_End(long* end) override { return host_->get_End(end); }
    HRESULT put_End(long end) override { return host_->put_End(end); }
    HRESULT get_Tables(wpsapi::Tables** tables) override { return host_->get_Tables(tables); }
    HRESULT get_Sentences(wpsapi::Sentences** sentences) override {
        return host_->get_Sentences(sentences);
    }
    HRESULT get_Cells(wpsapi::Cells** cells) override { return host_->get_Cells(cells); }
    HRESULT get_Bookmarks(wpsapi::Bookmarks** bookmarks) override {
        return host_->get_Bookmarks(bookmarks);
    }
    HRESULT get_HighlightColorIndex(wpsapi::WdColorIndex* index) override {
        return host_->get_HighlightColorIndex(index);
    }
    HRESULT put_HighlightColorIndex(wpsapi::WdColorIndex index) override {
        return host_->put_HighlightColorIndex(index);
    }
    HRESULT get_Information(wpsapi::WdInformation type, VARIANT* value) override {
        return host_->get_Information(type, value);
    }
    HRESULT get_InlineShapes(wpsapi::InlineShapes** shapes) override {
        return host_->get_InlineShapes(shapes);
    }
    HRESULT Select() override { return host_->Select(); }
    HRESULT SetRange(long start, long end) override { return host_->SetRange(start, end); }
    HRESULT get_Document(wpsapi::Document** document) override {
        return host_->get_Document(document);
    }

  private:
    kfc::ks_stdptr<wpsapi::Range> host_;
    paragraphs_failing_from paragraphs_;
    ULONG references_ = 1;
};

#endif
