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
               int index, const xmlNode* node) {
    QString text;
    collect_text(node, text);
    while (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    if (!text.trimmed().isEmpty()) out.push_back({kind, part, index, text});
}

void text_boxes(xmlNode* node, std::vector<xmlNode*>& out) {
    for (xmlNode* child = node->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE || docx_is_named(child, "Fallback")) continue;
        if (docx_is_w(child, "txbxContent"))
            out.push_back(child);
        else
            text_boxes(child, out);
    }
}

// A part read and parsed; null when it is missing or unreadable (its text
// is then not counted).
docx_xml_ptr parsed_part(const docx_package& package, const QString& part) {
    QByteArray bytes;
    QString error;
    return package.read_part(part, bytes, error) ? docx_parse_xml(bytes, error) : nullptr;
}

void add_stories(xmlDoc* xml, const QString& part, docx_story::kind_t kind,
                 std::vector<docx_story>& out) {
    const std::vector<xmlNode*> roots = docx_story_roots(xml, kind);
    for (size_t i = 0; i < roots.size(); ++i)
        add_story(out, kind, part, static_cast<int>(i), roots[i]);
}

}  // namespace

std::vector<docx_story> docx_read_stories(const docx_package& package, xmlDoc* main) {
    std::vector<docx_story> out;
    const std::vector<docx_relationship> rels = package.relationships(package.main_part_name());
    struct by_type {
        const char* type;
        docx_story::kind_t kind;
    };
    for (const by_type& t :
         {by_type{"header", docx_story::header}, by_type{"footer", docx_story::footer},
          by_type{"footnotes", docx_story::footnote}, by_type{"endnotes", docx_story::endnote},
          by_type{"comments", docx_story::comment}}) {
        QStringList seen;
        for (const docx_relationship& r : rels) {
            if (r.type != QLatin1String(t.type) || seen.contains(r.part)) continue;
            seen << r.part;
            if (docx_xml_ptr xml = parsed_part(package, r.part))
                add_stories(xml.get(), r.part, t.kind, out);
        }
    }
    if (main) add_stories(main, package.main_part_name(), docx_story::text_box, out);
    return out;
}

std::vector<xmlNode*> docx_story_roots(xmlDoc* part, docx_story::kind_t kind) {
    std::vector<xmlNode*> out;
    xmlNode* root = part ? xmlDocGetRootElement(part) : nullptr;
    if (!root) return out;
    switch (kind) {
        case docx_story::header:
        case docx_story::footer:
            out.push_back(root);
            break;
        case docx_story::footnote:
        case docx_story::endnote:
        case docx_story::comment:
            for (xmlNode* note = root->children; note; note = note->next)
                if (note->type == XML_ELEMENT_NODE && docx_w_attribute(note, "type").isEmpty())
                    out.push_back(note);
            break;
        case docx_story::text_box:
            text_boxes(root, out);
            break;
    }
    return out;
}

int docx_story_chars(const docx_story& story) {
    int count = 0;
    for (const uint c : story.text.toUcs4())
        if (c != '\r') ++count;
    return count;
}
