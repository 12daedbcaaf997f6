#include "wsim_document_view.h"

#include <QTextBlock>

#include "wsim_colors.h"
#include "wsim_display_text.h"

namespace {

class sync_guard {
  public:
    explicit sync_guard(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
    ~sync_guard() { flag_ = old_; }

  private:
    bool& flag_;
    bool old_;
};

QTextEdit::ExtraSelection span(QTextDocument* document, long start, long end,
                               const QTextCharFormat& format) {
    QTextEdit::ExtraSelection selection;
    selection.cursor = QTextCursor(document);
    const int last = document->characterCount() - 1;
    selection.cursor.setPosition(static_cast<int>(qBound(0L, start, static_cast<long>(last))));
    selection.cursor.setPosition(static_cast<int>(qBound(0L, end, static_cast<long>(last))),
                                 QTextCursor::KeepAnchor);
    selection.format = format;
    return selection;
}

}  // namespace

wsim_document_view::wsim_document_view(wpsapi::_Application* app,
                                       kfc::ks_stdptr<wpsapi::_Document> doc, QWidget* parent)
    : QTextEdit(parent), app_(app), doc_(std::move(doc)) {
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::WidgetWidth);
    QFont font = this->font();
    font.setPointSize(12);
    setFont(font);
    connect(document(), &QTextDocument::contentsChanged, this,
            &wsim_document_view::on_contents_changed);
    connect(this, &QTextEdit::cursorPositionChanged, this,
            &wsim_document_view::on_selection_changed);
    connect(this, &QTextEdit::selectionChanged, this, &wsim_document_view::on_selection_changed);
    refresh(false);
}

void wsim_document_view::refresh(bool is_active) {
    const bool became_active = is_active && !is_active_;
    is_active_ = is_active;
    wsim_snapshot next = wsim_take_snapshot(app_, doc_.get(), is_active);
    if (!is_active) {
        next.selection_start = snapshot_.selection_start;
        next.selection_end = snapshot_.selection_end;
    }
    if (next == snapshot_ && !display_.isNull() && !became_active) return;
    const bool text_changed = next.text != snapshot_.text || display_.isNull();
    snapshot_ = std::move(next);
    if (text_changed) apply_text();
    apply_decorations();
    if (is_active) apply_selection();
    emit changed();
}

void wsim_document_view::apply_text() {
    sync_guard guard(syncing_);
    const QString display = wsim_display_text(snapshot_.text);
    if (display != document()->toRawText()) {
        QString plain = display;
        plain.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
        setPlainText(plain);
    }
    display_ = display;
    // Paragraphs that end with a cell mark are table cells: drawn indented on
    // a grey band so that the table stands out from the body text.
    QTextCursor cursor(document());
    QTextBlock block = document()->begin();
    for (; block.isValid(); block = block.next()) {
        const int mark = block.position() + block.length() - 1;
        const bool in_cell =
            mark < snapshot_.text.size() && snapshot_.text.at(mark).unicode() == wpsapi::wdCellMark;
        QTextBlockFormat format = block.blockFormat();
        if (in_cell == (format.leftMargin() > 0)) continue;
        format.setLeftMargin(in_cell ? 24 : 0);
        format.setBackground(in_cell ? QBrush(QColor(235, 235, 235)) : QBrush());
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
    }
}

void wsim_document_view::apply_decorations() {
    QList<QTextEdit::ExtraSelection> selections;
    for (const wsim_highlight_run& run : snapshot_.highlights) {
        const QColor color = wsim_highlight_color(run.index);
        if (!color.isValid()) continue;
        QTextCharFormat format;
        format.setBackground(color);
        if (color.lightness() < 110) format.setForeground(Qt::white);
        selections << span(document(), run.start, run.end, format);
    }
    if (show_bookmarks_) {
        for (const wsim_bookmark& bookmark : snapshot_.bookmarks) {
            QTextCharFormat format;
            format.setUnderlineStyle(QTextCharFormat::DashUnderline);
            format.setUnderlineColor(Qt::darkBlue);
            format.setToolTip(bookmark.name);
            selections << span(document(), bookmark.start, qMax(bookmark.end, bookmark.start + 1),
                               format);
        }
    }
    setExtraSelections(selections);
}

void wsim_document_view::apply_selection() {
    const QTextCursor current = textCursor();
    if (current.selectionStart() == snapshot_.selection_start &&
        current.selectionEnd() == snapshot_.selection_end)
        return;
    sync_guard guard(syncing_);
    const long last = document()->characterCount() - 1;
    QTextCursor cursor(document());
    cursor.setPosition(static_cast<int>(qBound(0L, snapshot_.selection_start, last)));
    cursor.setPosition(static_cast<int>(qBound(0L, snapshot_.selection_end, last)),
                       QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void wsim_document_view::set_show_bookmarks(bool show) {
    show_bookmarks_ = show;
    apply_decorations();
}

void wsim_document_view::select_range(long start, long end) {
    wsim_set_selection(app_, start, end);
    refresh(true);
}

void wsim_document_view::on_contents_changed() {
    if (syncing_ || display_.isNull()) return;
    const wsim_text_change change = wsim_diff_text(display_, document()->toRawText());
    if (change.removed == 0 && change.inserted.isEmpty()) return;
    VARIANT from = kfc::var_i8(change.position);
    VARIANT to = kfc::var_i8(change.position + change.removed);
    kfc::ks_stdptr<wpsapi::Range> range;
    if (SUCCEEDED(doc_->Range(&from, &to, &range)) && range) {
        const kfc::ks_bstr text = velmo_to_bstr(wsim_host_text(change.inserted));
        range->put_Text(text.get());
    }
    // The host decides what the edit became (it keeps the last paragraph
    // mark, for example); the view follows it.
    const QTextCursor cursor = textCursor();
    wsim_set_selection(app_, cursor.selectionStart(), cursor.selectionEnd());
    refresh(true);
}

void wsim_document_view::on_selection_changed() {
    if (syncing_ || !is_active_) return;
    const QTextCursor cursor = textCursor();
    if (cursor.selectionStart() == snapshot_.selection_start &&
        cursor.selectionEnd() == snapshot_.selection_end)
        return;
    wsim_set_selection(app_, cursor.selectionStart(), cursor.selectionEnd());
    snapshot_.selection_start = cursor.selectionStart();
    snapshot_.selection_end = cursor.selectionEnd();
    emit changed();
}
