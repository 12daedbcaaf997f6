#include "docx_document.h"

#include <QFileInfo>
#include <memory>

#include "docx_edit.h"
#include "docx_stories.h"
#include "docx_walk.h"
#include "docx_xml.h"
#include "wps_sim.h"

namespace {

// What a document opened from a package needs to be written back.
struct docx_source {
    docx_package package;
    docx_loaded_marks loaded;  // the package's bookmarks the host took in
};

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
    kfc::ks_stdptr<wpsapi::_Document> doc =
        build(app, layout, QFileInfo(save_path.isEmpty() ? file_path : save_path));
    if (!doc) {
        error = QStringLiteral("%1: the host refused the document").arg(file_path);
        return {};
    }
    const QString built = wps_sim::document_text(doc);
    if (built.size() != static_cast<int>(layout.text.size()) ||
        std::u16string(reinterpret_cast<const char16_t*>(built.utf16()), built.size()) !=
            layout.text) {
        error =
            QStringLiteral("%1: the host built a different text from the document").arg(file_path);
        VARIANT no_save{};
        no_save.vt = VT_I4;
        no_save.lVal = wpsapi::wdDoNotSaveChanges;
        doc->Close(&no_save, nullptr, nullptr);
        return {};
    }
    for (const wps_sim::bookmark_extent& b : wps_sim::document_bookmarks(doc))
        source->loaded.push_back({b.name, b.start, b.end});
    const wps_sim::save_handler writer = [source](wpsapi::_Document* d, const QString& path,
                                                  QString& save_error) {
        QByteArray main;
        return docx_apply_state(source->package.main_part(), source->loaded, host_state(d), main,
                                save_error) &&
               source->package.write(path, main, save_error);
    };
    wps_sim::set_save_handler(doc, writer);
    if (opened) {
        opened->writer = writer;
        opened->stories = std::move(stories);
    }
    return doc;
}
