#include "sp_ini_document.h"

namespace sp_ini_detail {
namespace {

const char k_byte_order_mark[] = "\xEF\xBB\xBF";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::size_t skip_blanks(const std::string& text, std::size_t from) {
    while (from < text.size() && is_blank(text[from])) ++from;
    return from;
}

std::string trimmed(const std::string& text, std::size_t begin, std::size_t end) {
    begin = skip_blanks(text, begin);
    while (end > begin && is_blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool is_blank_or_line_end(char c) { return is_blank(c) || c == '\r' || c == '\n'; }

// The value as the file would give it back: without surrounding blanks and
// line ends.
std::string stored_value(const std::string& value) {
    std::size_t begin = 0;
    std::size_t end = value.size();
    while (begin < end && is_blank_or_line_end(value[begin])) ++begin;
    while (end > begin && is_blank_or_line_end(value[end - 1])) --end;
    return value.substr(begin, end - begin);
}

bool has_line_break(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

bool has_outer_blank(const std::string& text) {
    return !text.empty() && (is_blank(text.front()) || is_blank(text.back()));
}

// Names that would read back differently, or break the file's structure.
bool writable_section(const std::string& section) {
    return !has_line_break(section) && !has_outer_blank(section) &&
           section.find(']') == std::string::npos;
}

bool writable_key(const std::string& key) {
    return !key.empty() && !has_line_break(key) && !has_outer_blank(key) &&
           key.find('=') == std::string::npos && key[0] != ';' && key[0] != '#' && key[0] != '[';
}

}  // namespace

std::unique_ptr<ini_document> ini_document::parse(const std::string& bytes) {
    if (bytes.find('\0') != std::string::npos) return nullptr;
    std::unique_ptr<ini_document> document(new ini_document);
    std::size_t position = 0;
    if (bytes.compare(0, 3, k_byte_order_mark) == 0) {
        document->byte_order_mark_ = true;
        position = 3;
    }
    bool eol_known = false;
    std::string section;
    while (position < bytes.size()) {
        const std::size_t newline = bytes.find('\n', position);
        std::string text, eol;
        if (newline == std::string::npos) {
            text = bytes.substr(position);
            position = bytes.size();
        } else {
            text = bytes.substr(position, newline - position);
            eol = "\n";
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
                eol = "\r\n";
            }
            position = newline + 1;
            if (!eol_known) {
                document->default_eol_ = eol;
                eol_known = true;
            }
        }
        document->add_line(std::move(text), std::move(eol), &section);
    }
    return document;
}

void ini_document::add_line(std::string text, std::string eol, std::string* current_section) {
    ini_line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string& t = line.text;
    const std::size_t first = skip_blanks(t, 0);
    const std::size_t equals = t.find('=');
    if (first == t.size() || t[first] == ';' || t[first] == '#') {
        // blank line or comment
    } else if (t[first] == '[') {
        const std::size_t close = t.find(']', first);
        if (close != std::string::npos) {
            line.type = ini_line::kind::section;
            line.section = trimmed(t, first + 1, close);
            *current_section = line.section;
        }
    } else if (equals != std::string::npos) {
        std::string key = trimmed(t, first, equals);
        if (!key.empty()) {
            line.type = ini_line::kind::entry;
            line.section = *current_section;
            line.key = std::move(key);
            line.value_start = skip_blanks(t, equals + 1);
            line.value = trimmed(t, line.value_start, t.size());
        }
    }
    lines_.push_back(std::move(line));
    const line_iterator added = std::prev(lines_.end());
    if (added->type == ini_line::kind::entry) {
        entries_[{added->section, added->key}] = added;  // a later duplicate wins
    }
    if (added->type != ini_line::kind::other) section_ends_[added->section] = added;
}

const std::string* ini_document::find(const std::string& section, const std::string& key) const {
    const auto found = entries_.find({section, key});
    return found == entries_.end() ? nullptr : &found->second->value;
}

ini_document::line_iterator ini_document::insert_after(line_iterator position, ini_line line) {
    line.eol = default_eol_;
    if (position == lines_.end()) {
        if (!lines_.empty() && lines_.back().eol.empty()) lines_.back().eol = default_eol_;
        return lines_.insert(lines_.end(), std::move(line));
    }
    if (position->eol.empty()) position->eol = default_eol_;
    return lines_.insert(std::next(position), std::move(line));
}

bool ini_document::set(const std::string& section, const std::string& key,
                       const std::string& typed_value) {
    const std::string value = stored_value(typed_value);
    if (!writable_section(section) || !writable_key(key) || has_line_break(value)) return false;

    const auto existing = entries_.find({section, key});
    if (existing != entries_.end()) {
        ini_line& line = *existing->second;
        line.text.replace(line.value_start, std::string::npos, value);
        line.value = value;
        return true;
    }

    ini_line entry;
    entry.type = ini_line::kind::entry;
    entry.section = section;
    entry.key = key;
    entry.value = value;
    entry.text = key + "=" + value;
    entry.value_start = key.size() + 1;

    line_iterator added;
    const auto section_end = section_ends_.find(section);
    if (section_end != section_ends_.end()) {
        added = insert_after(section_end->second, std::move(entry));
    } else if (section.empty()) {
        // Keys outside any section belong before the first header.
        entry.eol = default_eol_;
        added = lines_.insert(lines_.begin(), std::move(entry));
    } else {
        ini_line header;
        header.type = ini_line::kind::section;
        header.section = section;
        header.text = "[" + section + "]";
        insert_after(lines_.end(), std::move(header));
        added = insert_after(lines_.end(), std::move(entry));
    }
    entries_[{section, key}] = added;
    section_ends_[section] = added;
    return true;
}

bool ini_document::remove(const std::string& section, const std::string& key) {
    if (entries_.find({section, key}) == entries_.end()) return false;
    for (auto line = lines_.begin(); line != lines_.end();) {
        const bool match =
            line->type == ini_line::kind::entry && line->section == section && line->key == key;
        line = match ? lines_.erase(line) : std::next(line);
    }
    index_lines();
    return true;
}

// Rebuilds the lookup of entries and section ends after lines went away.
void ini_document::index_lines() {
    entries_.clear();
    section_ends_.clear();
    for (auto line = lines_.begin(); line != lines_.end(); ++line) {
        if (line->type == ini_line::kind::entry) entries_[{line->section, line->key}] = line;
        if (line->type != ini_line::kind::other) section_ends_[line->section] = line;
    }
}

std::string ini_document::serialize() const {
    std::string bytes;
    if (byte_order_mark_) bytes += k_byte_order_mark;
    for (const ini_line& line : lines_) {
        bytes += line.text;
        bytes += line.eol;
    }
    return bytes;
}

}  // namespace sp_ini_detail
