#include "docx_edit.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "docx_highlight.h"
#include "docx_walk.h"
#include "docx_xml.h"

namespace {

using mark = std::tuple<QString, int64_t, int64_t>;

void collect_bookmark_ids(const xmlNode* node, QSet<QString>& out) {
    for (const xmlNode* n = node; n; n = n->next) {
        if (docx_is_w(n, "bookmarkStart") || docx_is_w(n, "bookmarkEnd"))
            out.insert(docx_w_attribute(n, "id"));
        if (n->children) collect_bookmark_ids(n->children, out);
    }
}

// libxml2's option of xmlDOMWrapReconcileNamespaces that drops declarations
// an ancestor already makes (XML_DOM_RECONNS_REMOVEREDUND, not in its headers).
constexpr int k_remove_redundant_namespaces = 1;

std::vector<int64_t> hard_marks(const std::u16string& text) {
    std::vector<int64_t> out;
    for (size_t i = 0; i < text.size(); ++i)
        if (docx_is_hard_mark(text[i])) out.push_back(static_cast<int64_t>(i));
    return out;
}

// One change of the text: [start, end) of the old text became `text`.
struct hunk {
    int64_t start;
    int64_t end;
    std::u16string text;
};

// Beyond this many inserted and removed characters in one stretch between
// marks, the stretch is taken as one change.
constexpr int k_max_edit_distance = 400;

// The changes turning a[0, n) into b[0, m), first to last, with positions
// in `a` moved by `base` (a shortest edit script, Myers' algorithm). False
// when more than k_max_edit_distance edits are needed.
bool shortest_edits(const char16_t* a, int n, const char16_t* b, int m, int64_t base,
                    std::vector<hunk>& out) {
    const int limit = std::min(k_max_edit_distance, n + m);
    const int mid = limit + 1;
    std::vector<int> v(static_cast<size_t>(2 * limit + 3), 0);
    std::vector<std::vector<int>> trace;
    for (int d = 0; d <= limit; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[mid + k - 1] < v[mid + k + 1])) ? v[mid + k + 1]
                                                                             : v[mid + k - 1] + 1;
            int y = x - k;
            while (x < n && y < m && a[x] == b[y]) ++x, ++y;
            v[mid + k] = x;
            if (x < n || y < m) continue;
            // Walks back through the snapshots, collecting the matched pairs.
            std::vector<std::pair<int, int>> same;
            for (int e = d; e >= 0; --e) {
                const std::vector<int>& w = trace[static_cast<size_t>(e)];
                const int kk = x - y;
                const int prev_k = e == 0 ? 0
                                   : (kk == -e || (kk != e && w[mid + kk - 1] < w[mid + kk + 1]))
                                       ? kk + 1
                                       : kk - 1;
                const int prev_x = e == 0 ? 0 : w[mid + prev_k];
                const int prev_y = prev_x - prev_k;
                while (x > prev_x && y > prev_y) same.push_back({--x, --y});
                x = prev_x;
                y = prev_y;
            }
            same.push_back({-1, -1});
            std::reverse(same.begin(), same.end());
            same.push_back({n, m});
            for (size_t i = 1; i < same.size(); ++i) {
                const auto [px, py] = same[i - 1];
                const auto [qx, qy] = same[i];
                if (qx > px + 1 || qy > py + 1)
                    out.push_back({base + px + 1, base + qx, std::u16string(b + py + 1, b + qy)});
            }
            return true;
        }
    }
    return false;
}

// The changes between two texts with the same paragraph, cell and image
// marks, last first. Each change stays between two marks.
bool text_hunks(const std::u16string& before, const std::u16string& after, std::vector<hunk>& out,
                QString& error) {
    const std::vector<int64_t> old_marks = hard_marks(before);
    const std::vector<int64_t> new_marks = hard_marks(after);
    bool same = old_marks.size() == new_marks.size();
    for (size_t i = 0; same && i < old_marks.size(); ++i)
        same = before[old_marks[i]] == after[new_marks[i]];
    if (!same) {
        error = QStringLiteral(
            "paragraphs, table cells or images were added or removed, which a .docx "
            "cannot be written back with");
        return false;
    }
    for (size_t k = old_marks.size(); k-- > 0;) {
        int64_t a = k == 0 ? 0 : old_marks[k - 1] + 1, b = old_marks[k];
        int64_t c = k == 0 ? 0 : new_marks[k - 1] + 1, d = new_marks[k];
        while (a < b && c < d && before[a] == after[c]) ++a, ++c;
        while (a < b && c < d && before[b - 1] == after[d - 1]) --b, --d;
        if (a == b && c == d) continue;
        std::vector<hunk> stretch;
        if (!shortest_edits(before.data() + a, static_cast<int>(b - a), after.data() + c,
                            static_cast<int>(d - c), a, stretch))
            stretch = {{a, b, after.substr(c, d - c)}};
        out.insert(out.end(), stretch.rbegin(), stretch.rend());
    }
    return true;
}

const char* element_of(char16_t c) {
    switch (c) {
        case u'\t':
            return "tab";
        case 11:
        case 12:
        case 14:
            return "br";
        case 30:
            return "noBreakHyphen";
        case 31:
            return "softHyphen";
        default:
            return nullptr;
    }
}

// Run content for inserted text: w:t for text, elements for tabs and breaks.
std::vector<xmlNode*> content_nodes(xmlDoc* doc, const std::u16string& text) {
    std::vector<xmlNode*> out;
    std::u16string plain;
    auto flush = [&]() {
        if (plain.empty()) return;
        xmlNode* t = docx_new_w(doc, "t");
        docx_set_node_text(t, plain);
        out.push_back(t);
        plain.clear();
    };
    for (char16_t c : text) {
        const char* name = element_of(c);
        if (!name) {
            plain += c;
            continue;
        }
        flush();
        xmlNode* e = docx_new_w(doc, name);
        if (c == 12) docx_set_w_attribute(e, "type", QStringLiteral("page"));
        if (c == 14) docx_set_w_attribute(e, "type", QStringLiteral("column"));
        out.push_back(e);
    }
    flush();
    return out;
}

bool has_elements(const std::u16string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char16_t c) { return element_of(c) != nullptr; });
}

void add_after(xmlNode* anchor, const std::vector<xmlNode*>& nodes) {
    for (xmlNode* n : nodes) anchor = xmlAddNextSibling(anchor, n);
}

void add_before(xmlNode* anchor, const std::vector<xmlNode*>& nodes) {
    for (xmlNode* n : nodes) xmlAddPrevSibling(anchor, n);
}

// Inserts text into a w:t at a UTF-16 offset.
void insert_into_text(xmlNode* t, int offset, const std::u16string& text) {
    std::u16string content = docx_visible_text(t);
    if (!has_elements(text)) {
        content.insert(static_cast<size_t>(offset), text);
        docx_set_node_text(t, content);
        return;
    }
    std::vector<xmlNode*> nodes = content_nodes(t->doc, text);
    const std::u16string tail = content.substr(static_cast<size_t>(offset));
    docx_set_node_text(t, content.substr(0, static_cast<size_t>(offset)));
    if (!tail.empty()) nodes.push_back(content_nodes(t->doc, tail).front());
    add_after(t, nodes);
}

class editor {
  public:
    editor(xmlDoc* doc, const docx_state& state, xmlNode* container)
        : doc_(doc), state_(state), container_(container) {}

    bool apply_text(const docx_layout& l, QString& error) {
        std::vector<hunk> hunks;
        if (!text_hunks(l.text, state_.text, hunks, error)) return false;
        for (const hunk& h : hunks)
            if (!apply_hunk(l, h, error)) return false;
        return true;
    }

    // Removes the elements of owned bookmarks the host no longer has where
    // they are; returns the bookmarks still to be placed. The others (not
    // taken in by the host, duplicate names included) stay as they are.
    std::vector<docx_state::bookmark> reconcile_bookmarks(const docx_layout& l,
                                                          const std::set<xmlNode*>& owned) {
        std::multiset<mark> wanted;
        for (const auto& b : state_.bookmarks) wanted.insert({b.name, b.start, b.end});
        for (const docx_bookmark_ref& b : l.bookmarks) {
            if (!owned.count(b.start_node)) continue;
            const auto it = wanted.find({b.name, b.start, b.end});
            if (it != wanted.end()) {
                wanted.erase(it);
                continue;
            }
            for (xmlNode* n : {b.start_node, b.end_node}) {
                xmlUnlinkNode(n);
                xmlFreeNode(n);
            }
        }
        std::vector<docx_state::bookmark> out;
        for (const auto& b : state_.bookmarks) {
            const auto it = wanted.find({b.name, b.start, b.end});
            if (it == wanted.end()) continue;
            wanted.erase(it);
            out.push_back(b);
        }
        return out;
    }

    // Splits runs so that every bookmark point starts a run and every run
    // has one colour. Cuts go from last to first, and a text cut more than
    // once keeps its content here between cuts, so that the cost grows with
    // the length of the run, not with the length times the cuts.
    void split_runs(const docx_layout& l, const std::vector<docx_state::bookmark>& to_place) {
        std::set<int64_t> cuts;
        for (const auto& b : to_place) cuts.insert({b.start, b.end});
        for (size_t i = 1; i < l.atoms.size(); ++i)
            if (same_run(l, i) && desired(i) != desired(i - 1))
                cuts.insert(static_cast<int64_t>(i));
        text_cache cache;
        for (auto it = cuts.rbegin(); it != cuts.rend(); ++it) {
            const size_t p = static_cast<size_t>(*it);
            if (p < l.atoms.size() && same_run(l, p)) split_before(l.atoms[p], cache);
        }
        cache.flush();
    }

    bool colour_runs(const docx_layout& l, QString& error) {
        for (size_t i = 0; i < l.atoms.size(); ++i) {
            if (!docx_atom_in_run(l.atoms[i].kind)) continue;
            if (same_run(l, i)) {
                if (desired(i) != desired(i - 1)) {
                    error = QStringLiteral("a run keeps two colours");
                    return false;
                }
                continue;
            }
            if (desired(i) != l.highlight[i]) set_highlight(l.atoms[i].run, desired(i));
        }
        return true;
    }

    bool place_bookmarks(const docx_layout& l, const std::vector<docx_state::bookmark>& to_place,
                         const QSet<QString>& elsewhere, QString& error) {
        // New ids are the smallest ones no bookmark of the part or of
        // `elsewhere` uses, so they stay within the range of w:id however
        // large the part's are. A story's walk sees its own bookmarks only;
        // the ids of the rest of the part are taken too.
        QSet<QString> used = l.bookmark_ids + elsewhere;
        collect_bookmark_ids(xmlDocGetRootElement(doc_), used);
        qint64 id = -1;
        for (const auto& b : to_place) {
            QString number;
            do number = QString::number(++id);
            while (used.contains(number));
            xmlNode* start = docx_new_w(doc_, "bookmarkStart");
            docx_set_w_attribute(start, "id", number);
            docx_set_w_attribute(start, "name", b.name);
            xmlNode* end = docx_new_w(doc_, "bookmarkEnd");
            docx_set_w_attribute(end, "id", number);
            if (!place(l, start, b.start, error) || !place(l, end, b.end, error)) return false;
        }
        return true;
    }

  private:
    int desired(size_t i) const { return i < state_.highlight.size() ? state_.highlight[i] : 0; }

    static bool same_run(const docx_layout& l, size_t i) {
        return i > 0 && docx_atom_in_run(l.atoms[i].kind) &&
               docx_atom_in_run(l.atoms[i - 1].kind) && l.atoms[i].run == l.atoms[i - 1].run;
    }

    bool apply_hunk(const docx_layout& l, const hunk& h, QString& error) {
        const std::vector<docx_atom>& atoms = l.atoms;
        for (int64_t i = h.start; i < h.end; ++i) {
            if (!docx_atom_editable(atoms[i].kind)) {
                error = QStringLiteral(
                    "a paragraph break inside a table cell was removed, which a .docx "
                    "cannot be written back with");
                return false;
            }
        }
        if (h.start < h.end) {
            const docx_atom first = atoms[h.start];
            // The new text takes the place, and the run, of the first character replaced.
            if (first.kind == docx_atom_kind::text) {
                remove_atoms(atoms, h.start, h.end);
                if (!h.text.empty()) insert_into_text(first.node, first.offset, h.text);
            } else {
                if (!h.text.empty()) add_before(first.node, content_nodes(doc_, h.text));
                remove_atoms(atoms, h.start, h.end);
            }
            return true;
        }
        if (h.start > 0 && docx_atom_editable(atoms[h.start - 1].kind)) {
            const docx_atom& before = atoms[h.start - 1];
            if (before.kind == docx_atom_kind::text)
                insert_into_text(before.node, before.offset + 1, h.text);
            else
                add_after(before.node, content_nodes(doc_, h.text));
            return true;
        }
        const docx_atom& at = atoms[h.start];
        if (docx_atom_in_run(at.kind)) {
            if (at.kind == docx_atom_kind::text)
                insert_into_text(at.node, at.offset, h.text);
            else
                add_before(at.node, content_nodes(doc_, h.text));
            return true;
        }
        if (at.kind == docx_atom_kind::paragraph_end || at.kind == docx_atom_kind::cell_paragraph ||
            (at.kind == docx_atom_kind::cell_end && docx_is_w(at.node, "p"))) {
            xmlNode* r = docx_new_w(doc_, "r");
            for (xmlNode* n : content_nodes(doc_, h.text)) xmlAddChild(r, n);
            xmlAddChild(at.node, r);
            return true;
        }
        error = QStringLiteral("text was added where the document has no paragraph to hold it");
        return false;
    }

    // Removes the characters [start, end), all editable.
    static void remove_atoms(const std::vector<docx_atom>& atoms, int64_t start, int64_t end) {
        for (int64_t i = end; i-- > start;) {
            const docx_atom& a = atoms[i];
            if (a.kind != docx_atom_kind::text) {
                xmlUnlinkNode(a.node);
                xmlFreeNode(a.node);
                continue;
            }
            int64_t first = i;
            while (first > start && atoms[first - 1].node == a.node) --first;
            std::u16string content = docx_visible_text(a.node);
            content.erase(static_cast<size_t>(atoms[first].offset),
                          static_cast<size_t>(i - first + 1));
            docx_set_node_text(a.node, content);
            i = first;
        }
    }

    // The content of the w:t being cut, written back when the cuts leave it.
    struct text_cache {
        xmlNode* node = nullptr;
        std::u16string content;
        std::u16string& of(xmlNode* t) {
            if (t != node) {
                flush();
                node = t;
                content = docx_visible_text(t);
            }
            return content;
        }
        void flush() {
            if (node) docx_set_node_text(node, content);
            node = nullptr;
        }
    };

    // Moves the atom and everything after it in its run into a new run
    // with the same properties, right after it.
    void split_before(const docx_atom& a, text_cache& cache) {
        xmlNode* from = a.node;
        if (a.kind == docx_atom_kind::text && a.offset > 0) {
            std::u16string& content = cache.of(a.node);
            from = docx_new_w(doc_, "t");
            docx_set_node_text(from, content.substr(static_cast<size_t>(a.offset)));
            content.resize(static_cast<size_t>(a.offset));
            xmlAddNextSibling(a.node, from);
        } else if (cache.node == a.node) {
            cache.flush();
        }
        xmlNode* run = xmlCopyNode(a.run, 2);
        if (xmlNode* properties = docx_w_child(a.run, "rPr"))
            xmlAddChild(run, xmlCopyNode(properties, 1));
        for (xmlNode* n = from; n;) {
            xmlNode* next = n->next;
            xmlUnlinkNode(n);
            xmlAddChild(run, n);
            n = next;
        }
        xmlAddNextSibling(a.run, run);
        // The copies declared the namespaces they use; in place those
        // declarations repeat their ancestors'.
        xmlDOMWrapReconcileNamespaces(nullptr, run, k_remove_redundant_namespaces);
    }

    void set_highlight(xmlNode* run, int index) {
        xmlNode* properties = docx_w_child(run, "rPr");
        if (!properties) {
            if (index == 0) return;
            properties = docx_new_w(doc_, "rPr");
            if (run->children)
                xmlAddPrevSibling(run->children, properties);
            else
                xmlAddChild(run, properties);
        }
        xmlNode* highlight = docx_w_child(properties, "highlight");
        if (index == 0) {
            if (highlight) {
                xmlUnlinkNode(highlight);
                xmlFreeNode(highlight);
            }
            return;
        }
        if (!highlight) {
            highlight = docx_new_w(doc_, "highlight");
            // Run properties have a fixed order; these come after w:highlight.
            static const char* const later[] = {
                "u",     "effect",   "bdr", "shd",  "fitText",         "vertAlign",
                "rtl",   "cs",       "em",  "lang", "eastAsianLayout", "specVanish",
                "oMath", "rPrChange"};
            xmlNode* next = nullptr;
            for (xmlNode* c = properties->children; c && !next; c = c->next)
                for (const char* name : later)
                    if (docx_is_w(c, name)) next = c;
            if (next)
                xmlAddPrevSibling(next, highlight);
            else
                xmlAddChild(properties, highlight);
        }
        docx_set_w_attribute(highlight, "val", docx_highlight_name(index));
    }

    // Puts a bookmark element at a position: before the character there,
    // or after the last paragraph when it is the end of the text.
    bool place(const docx_layout& l, xmlNode* element, int64_t position, QString& error) {
        if (position >= static_cast<int64_t>(l.atoms.size())) {
            add_at_end(element);
            return true;
        }
        const size_t p = static_cast<size_t>(
            std::clamp<int64_t>(position, 0, static_cast<int64_t>(l.atoms.size()) - 1));
        const docx_atom& a = l.atoms[p];
        if (docx_atom_in_run(a.kind)) {
            if (same_run(l, p)) {
                error = QStringLiteral("a bookmark falls inside a run");
                xmlFreeNode(element);
                return false;
            }
            xmlAddPrevSibling(a.run, element);
        } else if (a.kind == docx_atom_kind::virtual_mark) {
            // After the table (and what was placed there before), or at the
            // end of an empty body.
            xmlNode* anchor = a.node;
            if (!anchor) {
                add_at_end(element);
                return true;
            }
            while (anchor->next && placed_.count(anchor->next)) anchor = anchor->next;
            xmlAddNextSibling(anchor, element);
        } else {
            xmlAddChild(a.node, element);
        }
        placed_.insert(element);
        return true;
    }

    // After the container's last block, before the body's closing section
    // properties.
    void add_at_end(xmlNode* element) {
        xmlNode* section = container_->last;
        while (section && section->type != XML_ELEMENT_NODE) section = section->prev;
        docx_is_w(section, "sectPr") ? xmlAddPrevSibling(section, element)
                                     : xmlAddChild(container_, element);
    }

    xmlDoc* doc_;
    const docx_state& state_;
    xmlNode* container_;
    std::set<xmlNode*> placed_;
};

// The element whose blocks hold the text: the body, or the story's root.
xmlNode* container_of(xmlDoc* doc, const docx_container_finder& finder) {
    return finder ? finder(doc) : docx_w_child(xmlDocGetRootElement(doc), "body");
}

bool walk(xmlDoc* doc, docx_layout& l, QString& error, const docx_container_finder& finder) {
    if (!finder) return docx_walk(doc, l, error, false);
    xmlNode* container = finder(doc);
    if (!container) {
        error = QStringLiteral("the part no longer holds the text");
        return false;
    }
    docx_walk_container(container, l, false);
    return true;
}

std::multiset<mark> marks_of(const docx_state& state) {
    std::multiset<mark> out;
    for (const auto& b : state.bookmarks) out.insert({b.name, b.start, b.end});
    return out;
}

// The part's bookmarks that are the host's: one for each of `loaded`, the
// first not yet taken with that name and extent.
std::set<xmlNode*> owned_bookmarks(const docx_layout& l, const docx_loaded_marks& loaded) {
    std::multiset<mark> left;
    for (const auto& b : loaded) left.insert({b.name, b.start, b.end});
    std::set<xmlNode*> out;
    for (const docx_bookmark_ref& b : l.bookmarks) {
        const auto it = left.find({b.name, b.start, b.end});
        if (it == left.end()) continue;
        left.erase(it);
        out.insert(b.start_node);
    }
    return out;
}

// The bookmarks the part should hold: the host's and every other one where
// it is now.
std::multiset<mark> expected_marks(const docx_layout& l, const std::set<xmlNode*>& owned,
                                   const docx_state& state) {
    std::multiset<mark> out = marks_of(state);
    for (const docx_bookmark_ref& b : l.bookmarks)
        if (!owned.count(b.start_node)) out.insert({b.name, b.start, b.end});
    return out;
}

std::multiset<mark> marks_of(const docx_layout& l) {
    std::multiset<mark> out;
    for (const docx_bookmark_ref& b : l.bookmarks) out.insert({b.name, b.start, b.end});
    return out;
}

bool same_highlight(const docx_layout& l, const docx_state& state) {
    for (size_t i = 0; i < l.atoms.size(); ++i) {
        if (!docx_atom_in_run(l.atoms[i].kind)) continue;
        const int wanted = i < state.highlight.size() ? state.highlight[i] : 0;
        if (l.highlight[i] != wanted) return false;
    }
    return true;
}

}  // namespace

bool docx_apply_state(const QByteArray& original, const docx_loaded_marks& loaded,
                      const docx_state& state, QByteArray& out, QString& error,
                      const docx_container_finder& container, QSet<QString>* package_ids) {
    out = QByteArray();
    docx_xml_ptr doc = docx_parse_xml(original, error);
    docx_layout l;
    if (!doc || !walk(doc.get(), l, error, container)) return false;
    const std::set<xmlNode*> owned = owned_bookmarks(l, loaded);
    if (l.text == state.text && same_highlight(l, state) &&
        marks_of(l) == expected_marks(l, owned, state)) {
        if (package_ids) collect_bookmark_ids(xmlDocGetRootElement(doc.get()), *package_ids);
        return true;
    }

    editor edit(doc.get(), state, container_of(doc.get(), container));
    if (!edit.apply_text(l, error) || !walk(doc.get(), l, error, container)) return false;
    if (l.text != state.text) {
        error = QStringLiteral("the changed text could not be written in place");
        return false;
    }
    // Positions after the corrections; placing marks changes no text.
    const std::multiset<mark> expected = expected_marks(l, owned, state);
    const std::vector<docx_state::bookmark> to_place = edit.reconcile_bookmarks(l, owned);
    edit.split_runs(l, to_place);
    if (!walk(doc.get(), l, error, container) || !edit.colour_runs(l, error) ||
        !edit.place_bookmarks(l, to_place, package_ids ? *package_ids : QSet<QString>(), error))
        return false;
    if (package_ids) collect_bookmark_ids(xmlDocGetRootElement(doc.get()), *package_ids);

    const QByteArray written = docx_serialize_xml(doc.get());
    // One parsed copy of the part at a time: large parts take gigabytes.
    doc.reset();
    l = docx_layout();
    docx_xml_ptr check = docx_parse_xml(written, error);
    if (!check || !walk(check.get(), l, error, container)) return false;
    if (l.text != state.text || !same_highlight(l, state) || marks_of(l) != expected) {
        error = QStringLiteral("the written document would not read back as the host's document");
        return false;
    }
    out = written;
    return true;
}

QSet<QString> docx_bookmark_ids(const QByteArray& part) {
    QSet<QString> out;
    QString error;
    if (docx_xml_ptr doc = docx_parse_xml(part, error))
        collect_bookmark_ids(xmlDocGetRootElement(doc.get()), out);
    return out;
}
