#include "docx_document.h"

#include <QFileInfo>
#include <algorithm>
#include <map>
#include <memory>

#include "docx_edit.h"
#include "docx_stories.h"
#include "docx_walk.h"
#include "docx_xml.h"
#include "wps_sim.h"

// What a document opened from a package needs to be written back: the
// package, the bookmarks the host took in, and the stories opened as
// documents of their own.
struct docx_source {
    // A story in the document it was opened in, after `marks_before`
    // paragraph, cell and image marks of the stories before it there.
    struct story_document {
        docx_story story;
        kfc::ks_stdptr<wpsapi::_Document> doc;
        int marks_before = 0;
        int marks = 0;
        docx_loaded_marks loaded;
    };
    docx_package package;
    docx_loaded_marks loaded;
    QFileInfo info;  // where the documents are named
    std::vector<story_document> stories;
};

namespace {

kfc::ks_stdptr<wpsapi::_Document> build(wpsapi::_Application* app, const docx_layout& layout,
                                        const QFileInfo& info) {
    wps_sim::document_builder builder;
    builder.name(info.fileName())
        .path(info.absolutePath())
        .layout(layout.chars_per_line, layout.lines_per_page);
    for (const docx_block& block : layout.blocks) {
        switch (block.kind) {
            case docx_block::paragraph:
                builder.paragraph(block.texts.value(0));
                break;
            case docx_block::table:
                builder.table(1, block.texts.size(), block.texts);
                break;
            case docx_block::contents:
                builder.table_of_contents(block.texts);
                break;
            case docx_block::section:
                builder.section(block.restart);
                break;
        }
    }
    for (size_t i = 0; i < layout.highlight.size();) {
        size_t j = i + 1;
        while (j < layout.highlight.size() && layout.highlight[j] == layout.highlight[i]) ++j;
        if (layout.highlight[i] != 0)
            builder.highlight(static_cast<long>(i), static_cast<long>(j),
                              static_cast<wpsapi::WdColorIndex>(layout.highlight[i]));
        i = j;
    }
    for (const docx_bookmark_ref& b : layout.bookmarks)
        builder.bookmark(b.name, static_cast<long>(b.start), static_cast<long>(b.end));
    return builder.open(app);
}

docx_state host_state(wpsapi::_Document* doc) {
    docx_state state;
    const QString text = wps_sim::document_text(doc);
    state.text.assign(reinterpret_cast<const char16_t*>(text.utf16()),
                      static_cast<size_t>(text.size()));
    const QVector<int> highlight = wps_sim::document_highlights(doc);
    state.highlight.assign(highlight.begin(), highlight.end());
    for (const wps_sim::bookmark_extent& b : wps_sim::document_bookmarks(doc))
        state.bookmarks.push_back({b.name, b.start, b.end});
    return state;
}

docx_loaded_marks loaded_marks(wpsapi::_Document* doc) {
    docx_loaded_marks out;
    for (const wps_sim::bookmark_extent& b : wps_sim::document_bookmarks(doc))
        out.push_back({b.name, b.start, b.end});
    return out;
}

void close_unsaved(wpsapi::_Document* doc) {
    VARIANT no_save{};
    no_save.vt = VT_I4;
    no_save.lVal = wpsapi::wdDoNotSaveChanges;
    doc->Close(&no_save, nullptr, nullptr);
}

// The host's document of a layout, or null with `error` set when the host
// refuses it or builds another text from it.
kfc::ks_stdptr<wpsapi::_Document> open_layout(wpsapi::_Application* app, const docx_layout& layout,
                                              const QFileInfo& info, QString& error) {
    kfc::ks_stdptr<wpsapi::_Document> doc = build(app, layout, info);
    if (!doc) {
        error = QStringLiteral("the host refused the document");
        return {};
    }
    const QString built = wps_sim::document_text(doc);
    if (built.size() != static_cast<int>(layout.text.size()) ||
        std::u16string(reinterpret_cast<const char16_t*>(built.utf16()), built.size()) !=
            layout.text) {
        error = QStringLiteral("the host built a different text from the document");
        close_unsaved(doc);
        return {};
    }
    return doc;
}

docx_container_finder story_root(const docx_story& story) {
    return [kind = story.kind, index = story.index](xmlDoc* part) -> xmlNode* {
        const std::vector<xmlNode*> roots = docx_story_roots(part, kind);
        return index < static_cast<int>(roots.size()) ? roots[static_cast<size_t>(index)] : nullptr;
    };
}

int hard_marks(const std::u16string& text) {
    return static_cast<int>(std::count_if(text.begin(), text.end(), docx_is_hard_mark));
}

// [start, end) of the text after `before` marks up to and including `count`
// more: a story's stretch of the document it shares, wherever edits inside
// its paragraphs moved it.
std::pair<int64_t, int64_t> stretch(const std::u16string& text, int before, int count) {
    int64_t start = 0, i = 0;
    const int64_t size = static_cast<int64_t>(text.size());
    for (int seen = 0; i < size && seen < before + count; ++i) {
        if (!docx_is_hard_mark(text[static_cast<size_t>(i)])) continue;
        if (++seen == before) start = i + 1;
    }
    return {before == 0 ? 0 : start, i};
}

// The part of a state that lies in [start, end): its text, colours and the
// bookmarks that start there (an empty one at `end` only at the very end).
template <class Bookmarks>
Bookmarks bookmarks_in(const Bookmarks& all, int64_t start, int64_t end, bool last) {
    Bookmarks out;
    for (const auto& b : all)
        if (b.start >= start && b.end <= end && (b.start < end || (last && b.start == end)))
            out.push_back({b.name, b.start - start, b.end - start});
    return out;
}

docx_state slice(const docx_state& all, int64_t start, int64_t end) {
    docx_state out;
    out.text = all.text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
    for (int64_t i = start; i < end; ++i)
        out.highlight.push_back(i < static_cast<int64_t>(all.highlight.size())
                                    ? all.highlight[static_cast<size_t>(i)]
                                    : 0);
    out.bookmarks =
        bookmarks_in(all.bookmarks, start, end, end == static_cast<int64_t>(all.text.size()));
    return out;
}

// The package with the main body's state and every opened story's state
// written into their parts.
bool write_package(const docx_source& source, wpsapi::_Document* doc, const QString& path,
                   QString& error) {
    QMap<QString, QByteArray> replaced;
    // Bookmark ids are unique across the package: the stories' parts are
    // small, and the main part's ids are collected as it is written.
    QMap<QString, QByteArray> story_parts;
    QSet<QString> ids;
    for (const docx_source::story_document& s : source.stories) {
        if (story_parts.contains(s.story.part) || s.story.part == source.package.main_part_name())
            continue;
        QByteArray& bytes = story_parts[s.story.part];
        if (!source.package.read_part(s.story.part, bytes, error)) return false;
        ids += docx_bookmark_ids(bytes);
    }
    QByteArray main;
    if (!docx_apply_state(source.package.main_part(), source.loaded, host_state(doc), main, error,
                          nullptr, source.stories.empty() ? nullptr : &ids))
        return false;
    if (!main.isNull()) replaced.insert(source.package.main_part_name(), main);
    std::map<wpsapi::_Document*, docx_state> states;
    for (const docx_source::story_document& s : source.stories) {
        if (!states.count(s.doc)) states[s.doc] = host_state(s.doc);
        const docx_state& shared = states[s.doc];
        const auto [start, end] = stretch(shared.text, s.marks_before, s.marks);
        QByteArray current = replaced.value(s.story.part), next;
        if (current.isNull())
            current = s.story.part == source.package.main_part_name()
                          ? source.package.main_part()
                          : story_parts.value(s.story.part);
        if (!docx_apply_state(current, s.loaded, slice(shared, start, end), next, error,
                              story_root(s.story), &ids)) {
            error = QStringLiteral("%1: %2").arg(s.story.part, error);
            return false;
        }
        if (!next.isNull()) replaced.insert(s.story.part, next);
    }
    return source.package.write(path, replaced, error);
}

}  // namespace

bool docx_is_package_name(const QString& file_path) {
    return file_path.endsWith(QLatin1String(".docx"), Qt::CaseInsensitive);
}

kfc::ks_stdptr<wpsapi::_Document> docx_open(wpsapi::_Application* app, const QString& file_path,
                                            QString& error, const docx_limits& limits,
                                            const QString& save_path, docx_opened* opened) {
    auto source = std::make_shared<docx_source>();
    if (!source->package.read(file_path, limits, error)) return {};
    QString xml_error;
    docx_xml_ptr xml = docx_parse_xml(source->package.main_part(), xml_error);
    docx_layout layout;
    if (!xml || !docx_walk(xml.get(), layout, xml_error)) {
        error = QStringLiteral("%1: %2 is unreadable: %3")
                    .arg(file_path, source->package.main_part_name(), xml_error);
        return {};
    }
    // What the host is built from is all that is needed from here on: the
    // parsed part and the characters' nodes go first, large documents
    // holding several times their text in them.
    std::vector<docx_story> stories;
    if (opened) stories = docx_read_stories(source->package, xml.get());
    xml.reset();
    std::vector<docx_atom>().swap(layout.atoms);
    source->info = QFileInfo(save_path.isEmpty() ? file_path : save_path);
    kfc::ks_stdptr<wpsapi::_Document> doc = open_layout(app, layout, source->info, error);
    if (!doc) {
        error = QStringLiteral("%1: %2").arg(file_path, error);
        return {};
    }
    source->loaded = loaded_marks(doc);
    const wps_sim::save_handler writer = [source](wpsapi::_Document* d, const QString& path,
                                                  QString& save_error) {
        return write_package(*source, d, path, save_error);
    };
    wps_sim::set_save_handler(doc, writer);
    if (opened) {
        opened->writer = writer;
        opened->stories = std::move(stories);
        opened->source = source;
    }
    return doc;
}

kfc::ks_stdptr<wpsapi::_Document> docx_open_stories(wpsapi::_Application* app,
                                                    const docx_opened& opened,
                                                    const std::vector<size_t>& indexes,
                                                    QString& error) {
    if (!opened.source || indexes.empty()) {
        error = QStringLiteral("no story to open");
        return {};
    }
    docx_source& source = *opened.source;
    // The stories one after the other, each with its own paragraphs.
    docx_layout all;
    std::vector<docx_source::story_document> opening;
    for (const size_t index : indexes) {
        if (index >= opened.stories.size()) {
            error = QStringLiteral("the document has no such story");
            return {};
        }
        const docx_story& story = opened.stories[index];
        QByteArray bytes;
        if (!source.package.read_part(story.part, bytes, error)) return {};
        docx_xml_ptr xml = docx_parse_xml(bytes, error);
        xmlNode* root = xml ? story_root(story)(xml.get()) : nullptr;
        if (!root) {
            if (error.isEmpty())
                error = QStringLiteral("%1 no longer holds the story").arg(story.part);
            return {};
        }
        docx_layout layout;
        docx_walk_container(root, layout);
        const int64_t offset = static_cast<int64_t>(all.text.size());
        opening.push_back({story, nullptr, hard_marks(all.text), hard_marks(layout.text), {}});
        all.text += layout.text;
        all.highlight.insert(all.highlight.end(), layout.highlight.begin(), layout.highlight.end());
        all.blocks.insert(all.blocks.end(), layout.blocks.begin(), layout.blocks.end());
        for (docx_bookmark_ref b : layout.bookmarks) {
            b.start += offset;
            b.end += offset;
            all.bookmarks.push_back(b);
        }
    }
    const docx_story& first = opened.stories[indexes.front()];
    const QFileInfo info(
        source.info.absolutePath() +
        QStringLiteral("/%1#%2").arg(source.info.fileName()).arg(indexes.front() + 1));
    kfc::ks_stdptr<wpsapi::_Document> doc = open_layout(app, all, info, error);
    if (!doc) {
        error = QStringLiteral("%1: %2").arg(first.part, error);
        return {};
    }
    // The stories are written with their document, never alone.
    wps_sim::set_save_handler(doc,
                              [](wpsapi::_Document*, const QString&, QString&) { return true; });
    const docx_loaded_marks loaded = loaded_marks(doc);
    for (size_t k = 0; k < opening.size(); ++k) {
        docx_source::story_document& s = opening[k];
        const auto [start, end] = stretch(all.text, s.marks_before, s.marks);
        s.doc = doc;
        s.loaded = bookmarks_in(loaded, start, end, k + 1 == opening.size());
        source.stories.push_back(s);
    }
    return doc;
}
