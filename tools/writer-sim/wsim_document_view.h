// The editor widget of one open document. It shows the host's main text with
// the highlight colours and, on demand, the bookmarks; it keeps its
// selection and the host selection in step both ways and hands every edit to
// the host, which stays the owner of the text.
#ifndef WSIM_DOCUMENT_VIEW_H
#define WSIM_DOCUMENT_VIEW_H

#include <QTextEdit>

#include "wsim_snapshot.h"

class wsim_document_view : public QTextEdit {
    Q_OBJECT
  public:
    wsim_document_view(wpsapi::_Application* app, kfc::ks_stdptr<wpsapi::_Document> doc,
                       QWidget* parent = nullptr);

    wpsapi::_Document* host_document() const { return doc_.get(); }
    const wsim_snapshot& snapshot() const { return snapshot_; }

    // Re-reads the document from the host and redraws what changed. Only
    // the active document follows the host selection.
    void refresh(bool is_active);
    void set_show_bookmarks(bool show);
    // Selects [start, end) in the view and in the host.
    void select_range(long start, long end);

  signals:
    // The text, highlights, bookmarks or selection changed.
    void changed();

  private slots:
    void on_contents_changed();
    void on_selection_changed();

  private:
    void apply_text();
    void apply_decorations();
    void apply_selection();

    wpsapi::_Application* app_;
    kfc::ks_stdptr<wpsapi::_Document> doc_;
    wsim_snapshot snapshot_;
    QString display_;       // the text the widget holds, in display form
    bool syncing_ = false;  // set while the view is changed from the host side
    bool is_active_ = false;
    bool show_bookmarks_ = false;
};

#endif
