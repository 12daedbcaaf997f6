#include "docx_walk.h"

#include <QHash>
#include <algorithm>

#include "docx_highlight.h"
#include "docx_xml.h"

namespace {

constexpr char16_t k_paragraph_mark = 13;
constexpr char16_t k_cell_mark = 7;
constexpr char16_t k_shape_mark = 1;
constexpr char16_t k_line_break = 11;
// Width of a character and height of a line in twentieths of a point: a
// 10.5-point character and the default line pitch of a document grid.
constexpr int k_char_twips = 210;
constexpr int k_line_twips = 312;

bool has_descendant(const xmlNode* node, const char* local_name) {
    for (const xmlNode* child = node->children; child; child = child->next)
        if (docx_is_named(child, local_name) || has_descendant(child, local_name)) return true;
    return false;
}

// True when a field instruction is a table of contents ("TOC \o ...").
bool is_contents_instruction(const QString& instruction) {
    const QString first = instruction.trimmed().section(QLatin1Char(' '), 0, 0);
    return first.compare(QLatin1String("TOC"), Qt::CaseInsensitive) == 0;
}

bool starts_contents_field(const xmlNode* node) {
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (docx_is_w(child, "instrText") &&
            is_contents_instruction(QString::fromStdU16String(docx_node_text(child))))
            return true;
        if (docx_is_w(child, "fldSimple") &&
            is_contents_instruction(docx_w_attribute(child, "instr")))
            return true;
        if (child->type == XML_ELEMENT_NODE && starts_contents_field(child)) return true;
    }
    return false;
}

bool is_contents_sdt(const xmlNode* sdt) {
    const xmlNode* gallery =
        docx_w_child(docx_w_child(docx_w_child(sdt, "sdtPr"), "docPartObj"), "docPartGallery");
    return docx_w_attribute(gallery, "val")
        .contains(QLatin1String("Contents"), Qt::CaseInsensitive);
}

// Inline containers whose runs are part of the text.
bool is_inline_container(const xmlNode* node) {
    for (const char* name :
         {"hyperlink", "smartTag", "customXml", "ins", "moveTo", "dir", "bdo", "fldSimple"})
        if (docx_is_w(node, name)) return true;
    return false;
}

struct field {
    bool in_code = true;
    bool contents = false;
    QString instruction;
};

class walker {
  public:
    walker(docx_layout& layout, bool blocks) : l_(layout), blocks_(blocks) {}

    void body(xmlNode* body) {
        collect_sections(body);
        if (!restarts_.empty() && restarts_.front() > 0)
            l_.blocks.push_back({docx_block::section, {}, restarts_.front()});
        block_children(body);
        close_table();
        // The host's text always ends with a paragraph mark.
        if (length() == 0)
            add(k_paragraph_mark, docx_atom_kind::virtual_mark, nullptr, nullptr, 0, 0);
        finish_bookmarks();
    }

  private:
    void collect_sections(xmlNode* body) {
        xmlNode* last = nullptr;
        for (xmlNode* child = body->children; child; child = child->next) {
            xmlNode* sect = docx_is_w(child, "p")
                                ? docx_w_child(docx_w_child(child, "pPr"), "sectPr")
                                : (docx_is_w(child, "sectPr") ? child : nullptr);
            if (!sect) continue;
            restarts_.push_back(docx_w_attribute(docx_w_child(sect, "pgNumType"), "start").toInt());
            last = sect;
        }
        if (!last) return;
        const xmlNode* size = docx_w_child(last, "pgSz");
        const xmlNode* margins = docx_w_child(last, "pgMar");
        if (!size || !margins) return;
        const int width = docx_w_attribute(size, "w").toInt() -
                          docx_w_attribute(margins, "left").toInt() -
                          docx_w_attribute(margins, "right").toInt();
        const int height = docx_w_attribute(size, "h").toInt() -
                           docx_w_attribute(margins, "top").toInt() -
                           docx_w_attribute(margins, "bottom").toInt();
        int pitch = docx_w_attribute(docx_w_child(last, "docGrid"), "linePitch").toInt();
        if (pitch <= 0) pitch = k_line_twips;
        l_.chars_per_line = std::max(1, width / k_char_twips);
        l_.lines_per_page = std::max(1, height / pitch);
    }

    // Content controls without content and other empty containers hold no
    // text: a null parent is an empty one.
    void block_children(xmlNode* parent) {
        if (!parent) return;
        for (xmlNode* child = parent->children; child; child = child->next) {
            if (docx_is_w(child, "p")) {
                body_paragraph(child);
            } else if (docx_is_w(child, "tbl")) {
                table(child);
            } else if (docx_is_w(child, "sdt")) {
                const bool contents = is_contents_sdt(child);
                contents_depth_ += contents ? 1 : 0;
                block_children(docx_w_child(child, "sdtContent"));
                contents_depth_ -= contents ? 1 : 0;
            } else if (docx_is_w(child, "customXml")) {
                block_children(child);
            } else {
                range_markup(child);
            }
        }
    }

    void body_paragraph(xmlNode* p) {
        const bool contents =
            contents_depth_ > 0 || contents_field_open() || starts_contents_field(p);
        if (contents) close_table();
        after_table_ = false;
        const int64_t start = length();
        inline_children(p);
        add(k_paragraph_mark, docx_atom_kind::paragraph_end, p, nullptr, 0, 0);
        if (!blocks_) {
            // Nothing of the paragraph's text is kept: the writer's walks
            // need the characters only.
        } else if (contents && !l_.blocks.empty() &&
                   l_.blocks.back().kind == docx_block::contents && last_block_end_ == start)
            l_.blocks.back().texts << qtext(start, length() - 1);
        else
            l_.blocks.push_back({contents ? docx_block::contents : docx_block::paragraph,
                                 {qtext(start, length() - 1)},
                                 0});
        last_block_end_ = length();
        if (docx_w_child(docx_w_child(p, "pPr"), "sectPr") && has_block_after(p)) {
            ++section_;
            l_.blocks.push_back(
                {docx_block::section, {}, section_ < restarts_.size() ? restarts_[section_] : 0});
        }
    }

    static bool has_block_after(const xmlNode* node) {
        for (const xmlNode* n = node->next; n; n = n->next)
            if (docx_is_w(n, "p") || docx_is_w(n, "tbl") || docx_is_w(n, "sdt")) return true;
        return false;
    }

    void table(xmlNode* tbl) {
        // A table without cells adds nothing, not even the end of the one before.
        if (has_descendant(tbl, "tc")) close_table();
        docx_block block{docx_block::table, {}, 0};
        table_cells(tbl, block.texts);
        if (!block.texts.isEmpty()) {
            l_.blocks.push_back(block);
            after_table_ = true;
            last_table_ = tbl;
        }
        last_block_end_ = -1;
    }

    // Cells of the rows of a table, wherever content controls wrap them.
    void table_cells(xmlNode* parent, QStringList& cells) {
        if (!parent) return;
        for (xmlNode* child = parent->children; child; child = child->next) {
            if (docx_is_w(child, "tc")) {
                const int64_t start = length();
                cell(child);
                cells << qtext(start, length() - 1);
            } else if (docx_is_w(child, "tr") || docx_is_w(child, "customXml")) {
                table_cells(child, cells);
            } else if (docx_is_w(child, "sdt")) {
                table_cells(docx_w_child(child, "sdtContent"), cells);
            } else {
                range_markup(child);
            }
        }
    }

    // A cell's paragraphs, nested tables flattened into them in reading order.
    void cell(xmlNode* tc) {
        std::vector<xmlNode*> paragraphs;
        collect_paragraphs(tc, paragraphs);
        cell_last_ = paragraphs.empty() ? nullptr : paragraphs.back();
        cell_children(tc);
        if (paragraphs.empty()) add(k_cell_mark, docx_atom_kind::cell_end, tc, nullptr, 0, 0);
    }

    static void collect_paragraphs(xmlNode* parent, std::vector<xmlNode*>& out) {
        for (xmlNode* child = parent->children; child; child = child->next) {
            if (docx_is_w(child, "p"))
                out.push_back(child);
            else if (child->type == XML_ELEMENT_NODE && !docx_is_w(child, "tcPr") &&
                     !docx_is_w(child, "tblPr"))
                collect_paragraphs(child, out);
        }
    }

    void cell_children(xmlNode* parent) {
        if (!parent) return;
        for (xmlNode* child = parent->children; child; child = child->next) {
            if (docx_is_w(child, "p")) {
                inline_children(child);
                if (child == cell_last_)
                    add(k_cell_mark, docx_atom_kind::cell_end, child, nullptr, 0, 0);
                else
                    add(k_line_break, docx_atom_kind::cell_paragraph, child, nullptr, 0, 0);
            } else if (docx_is_w(child, "bookmarkStart") || docx_is_w(child, "bookmarkEnd")) {
                range_markup(child);
            } else if (child->type == XML_ELEMENT_NODE && !docx_is_w(child, "tcPr") &&
                       !docx_is_w(child, "tblPr")) {
                cell_children(docx_is_w(child, "sdt") ? docx_w_child(child, "sdtContent") : child);
            }
        }
    }

    void inline_children(xmlNode* parent) {
        if (!parent) return;
        for (xmlNode* child = parent->children; child; child = child->next) {
            if (docx_is_w(child, "r"))
                run(child);
            else if (is_inline_container(child))
                inline_children(child);
            else if (docx_is_w(child, "sdt"))
                inline_children(docx_w_child(child, "sdtContent"));
            else
                range_markup(child);
        }
    }

    void run(xmlNode* r) {
        const int colour = docx_highlight_index(
            docx_w_attribute(docx_w_child(docx_w_child(r, "rPr"), "highlight"), "val"));
        for (xmlNode* child = r->children; child; child = child->next) {
            if (child->type != XML_ELEMENT_NODE) continue;
            if (docx_is_w(child, "fldChar")) {
                field_char(docx_w_attribute(child, "fldCharType"));
                continue;
            }
            if (docx_is_w(child, "instrText")) {
                if (!fields_.empty() && fields_.back().in_code) {
                    fields_.back().instruction += QString::fromStdU16String(docx_node_text(child));
                    fields_.back().contents = is_contents_instruction(fields_.back().instruction);
                }
                continue;
            }
            if (in_field_code()) continue;
            if (docx_is_w(child, "t")) {
                const std::u16string text = docx_visible_text(child);
                for (size_t i = 0; i < text.size(); ++i) {
                    const char16_t c = text[i] == u'\n' || text[i] == u'\r' ? u' ' : text[i];
                    add(c, docx_atom_kind::text, child, r, static_cast<int>(i), colour);
                }
            } else if (docx_is_w(child, "tab") || docx_is_w(child, "ptab")) {
                add(u'\t', docx_atom_kind::tab, child, r, 0, colour);
            } else if (char16_t c = symbol_of(child)) {
                add(c, docx_atom_kind::symbol, child, r, 0, colour);
            } else if (docx_is_w(child, "pict") || docx_is_w(child, "object") ||
                       ((docx_is_w(child, "drawing") || docx_is_named(child, "AlternateContent")) &&
                        has_descendant(child, "inline"))) {
                add(k_shape_mark, docx_atom_kind::shape, child, r, 0, colour);
            }
        }
    }

    static char16_t symbol_of(const xmlNode* node) {
        if (docx_is_w(node, "br")) {
            const QString type = docx_w_attribute(node, "type");
            return type == QLatin1String("page")     ? 12
                   : type == QLatin1String("column") ? 14
                                                     : k_line_break;
        }
        if (docx_is_w(node, "cr")) return k_line_break;
        if (docx_is_w(node, "noBreakHyphen")) return 30;
        if (docx_is_w(node, "softHyphen")) return 31;
        if (docx_is_w(node, "sym")) {
            bool ok = false;
            const uint code = docx_w_attribute(node, "char").toUInt(&ok, 16);
            return ok && code >= 32 && code < 0xD800 ? static_cast<char16_t>(code) : 0;
        }
        return 0;
    }

    void field_char(const QString& type) {
        if (type == QLatin1String("begin")) {
            fields_.push_back(field());
        } else if (type == QLatin1String("separate")) {
            if (!fields_.empty()) fields_.back().in_code = false;
        } else if (type == QLatin1String("end")) {
            if (!fields_.empty()) fields_.pop_back();
        }
    }

    bool in_field_code() const {
        return std::any_of(fields_.begin(), fields_.end(),
                           [](const field& f) { return f.in_code; });
    }
    bool contents_field_open() const {
        return std::any_of(fields_.begin(), fields_.end(),
                           [](const field& f) { return f.contents; });
    }

    void range_markup(xmlNode* node) {
        if (docx_is_w(node, "bookmarkStart")) {
            const QString id = docx_w_attribute(node, "id");
            l_.bookmark_ids.insert(id);
            open_bookmarks_.insert(id, static_cast<int>(bookmarks_.size()) + 1);
            bookmarks_.push_back({docx_w_attribute(node, "name"), length(), -1, node, nullptr});
        } else if (docx_is_w(node, "bookmarkEnd")) {
            const QString id = docx_w_attribute(node, "id");
            l_.bookmark_ids.insert(id);
            const int index = open_bookmarks_.take(id) - 1;
            if (index >= 0 && index < static_cast<int>(bookmarks_.size())) {
                bookmarks_[index].end = length();
                bookmarks_[index].end_node = node;
            }
        }
    }

    void finish_bookmarks() {
        for (const docx_bookmark_ref& b : bookmarks_)
            if (b.end >= b.start && !b.name.isEmpty()) l_.bookmarks.push_back(b);
        std::stable_sort(l_.bookmarks.begin(), l_.bookmarks.end(),
                         [](const docx_bookmark_ref& a, const docx_bookmark_ref& b) {
                             return a.start < b.start;
                         });
    }

    // The host ends a table that is followed by anything but a paragraph
    // with a paragraph of its own.
    void close_table() {
        if (!after_table_) return;
        add(k_paragraph_mark, docx_atom_kind::virtual_mark, last_table_, nullptr, 0, 0);
        after_table_ = false;
        last_block_end_ = -1;
    }

    void add(char16_t c, docx_atom_kind kind, xmlNode* node, xmlNode* run, int offset, int colour) {
        l_.text.push_back(c);
        l_.atoms.push_back({kind, node, run, offset});
        l_.highlight.push_back(docx_atom_in_run(kind) ? colour : 0);
    }

    int64_t length() const { return static_cast<int64_t>(l_.text.size()); }
    QString qtext(int64_t start, int64_t end) const {
        return QString::fromUtf16(l_.text.data() + start, static_cast<int>(end - start));
    }

    docx_layout& l_;
    const bool blocks_;
    std::vector<field> fields_;
    std::vector<int> restarts_;
    size_t section_ = 0;
    int contents_depth_ = 0;
    bool after_table_ = false;
    xmlNode* last_table_ = nullptr;
    xmlNode* cell_last_ = nullptr;
    int64_t last_block_end_ = -1;
    std::vector<docx_bookmark_ref> bookmarks_;
    // Open bookmarks by w:id, stored as index + 1 so that a missing id reads 0.
    QHash<QString, int> open_bookmarks_;
};

}  // namespace

bool docx_is_hard_mark(char16_t c) { return c == 13 || c == 7 || c == 1; }

bool docx_atom_editable(docx_atom_kind kind) {
    return kind == docx_atom_kind::text || kind == docx_atom_kind::tab ||
           kind == docx_atom_kind::symbol;
}

bool docx_atom_in_run(docx_atom_kind kind) {
    return docx_atom_editable(kind) || kind == docx_atom_kind::shape;
}

bool docx_walk(xmlDoc* doc, docx_layout& layout, QString& error, bool blocks) {
    layout = docx_layout();
    xmlNode* root = xmlDocGetRootElement(doc);
    if (!docx_is_w(root, "document")) {
        error = QStringLiteral("the main part is not a WordprocessingML document");
        return false;
    }
    xmlNode* body = docx_w_child(root, "body");
    if (!body) {
        error = QStringLiteral("the document has no body");
        return false;
    }
    walker(layout, blocks).body(body);
    return true;
}

void docx_walk_container(xmlNode* container, docx_layout& layout, bool blocks) {
    layout = docx_layout();
    walker(layout, blocks).body(container);
}
