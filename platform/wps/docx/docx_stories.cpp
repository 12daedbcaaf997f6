#include "docx_stories.h"

#include <libxml/tree.h>

#include <QByteArray>
#include <QStringList>
#include <QVector>

#include "docx_xml.h"

namespace {

// The text of the paragraphs under a node. What a word processor shows in
// place of alternate content (its fallback) is not read twice.
void collect_text(const xmlNode* node, QString& out) {
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE || docx_is_named(child, "Fallback")) continue;
        if (docx_is_w(child, "t")) {
            out += QString::fromStdU16String(docx_visible_text(child));
        } else if (docx_is_w(child, "tab")) {
            out += QLatin1Char('\t');
        } else {
            collect_text(child, out);
            if (docx_is_w(child, "p")) out += QLatin1Char('\r');
        }
    }
}

void add_story(std::vector<docx_story>& out, docx_story::kind_t kind, const QString& part,
               const xmlNode* node) {
    QString text;
    collect_text(node, text);
    while (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    if (!text.trimmed().isEmpty()) out.push_back({kind, part, text});
}

void text_boxes(const QString& part, const xmlNode* node, std::vector<docx_story>& out) {
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE || docx_is_named(child, "Fallback")) continue;
        if (docx_is_w(child, "txbxContent"))
            add_story(out, docx_story::text_box, part, child);
        else
            text_boxes(part, child, out);
    }
}

// A part read and parsed; null when it is missing or unreadable (its text
// is then not counted).
docx_xml_ptr parsed_part(const docx_package& package, const QString& part) {
    QByteArray bytes;
    QString error;
    return package.read_part(part, bytes, error) ? docx_parse_xml(bytes, error) : nullptr;
}

// Notes and comments: one story per child element of the part's root,
// separators and continuation notices left out.
void notes(const docx_package& package, const QString& part, docx_story::kind_t kind,
           std::vector<docx_story>& out) {
    docx_xml_ptr xml = parsed_part(package, part);
    const xmlNode* root = xml ? xmlDocGetRootElement(xml.get()) : nullptr;
    for (const xmlNode* note = root ? root->children : nullptr; note; note = note->next) {
        if (note->type != XML_ELEMENT_NODE || !docx_w_attribute(note, "type").isEmpty()) continue;
        add_story(out, kind, part, note);
    }
}

void whole_part(const docx_package& package, const QString& part, docx_story::kind_t kind,
                std::vector<docx_story>& out) {
    docx_xml_ptr xml = parsed_part(package, part);
    if (const xmlNode* root = xml ? xmlDocGetRootElement(xml.get()) : nullptr)
        add_story(out, kind, part, root);
}

}  // namespace

std::vector<docx_story> docx_read_stories(const docx_package& package, xmlDoc* main) {
    std::vector<docx_story> out;
    const std::vector<docx_relationship> rels = package.relationships(package.main_part_name());
    struct by_type {
        const char* type;
        docx_story::kind_t kind;
        bool notes;
    };
    for (const by_type& t : {by_type{"header", docx_story::header, false},
                             by_type{"footer", docx_story::footer, false},
                             by_type{"footnotes", docx_story::footnote, true},
                             by_type{"endnotes", docx_story::endnote, true},
                             by_type{"comments", docx_story::comment, true}}) {
        QStringList seen;
        for (const docx_relationship& r : rels) {
            if (r.type != QLatin1String(t.type) || seen.contains(r.part)) continue;
            seen << r.part;
            if (t.notes)
                notes(package, r.part, t.kind, out);
            else
                whole_part(package, r.part, t.kind, out);
        }
    }
    if (const xmlNode* root = main ? xmlDocGetRootElement(main) : nullptr)
        text_boxes(package.main_part_name(), root, out);
    return out;
}

int docx_story_chars(const docx_story& story) {
    int count = 0;
    for (const uint c : story.text.toUcs4())
        if (c != '\r') ++count;
    return count;
}
