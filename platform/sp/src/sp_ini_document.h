// The text model of an INI file: every line as read, with lookup of
// section/key entries, so that a write changes only the lines it must.
#ifndef SP_INI_DOCUMENT_H
#define SP_INI_DOCUMENT_H

#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace sp_ini_detail {

struct ini_line {
    enum class kind { other, section, entry };
    kind type = kind::other;
    std::string text;     // the line without its end
    std::string eol;      // "\n", "\r\n", or "" for a last line without one
    std::string section;  // a header's name, or the section an entry lies in
    std::string key;
    std::string value;
    std::size_t value_start = 0;  // offset of the value in text
};

class ini_document {
  public:
    // Null when the bytes are not text (they hold a NUL byte).
    static std::unique_ptr<ini_document> parse(const std::string& bytes);

    // The last entry of the key in the section; null when absent.
    const std::string* find(const std::string& section, const std::string& key) const;

    // Rewrites the entry in place, or adds it at the end of its section (new
    // sections go at the end of the file). The value is kept without
    // surrounding blanks and line ends, as a later parse would read it. False
    // when a name or the value could not be written so that it reads back
    // the same.
    bool set(const std::string& section, const std::string& key, const std::string& typed_value);

    // Takes every line of the entry out; false when there was none.
    bool remove(const std::string& section, const std::string& key);

    // The file's bytes: unchanged lines exactly as read.
    std::string serialize() const;

  private:
    using line_iterator = std::list<ini_line>::iterator;

    void add_line(std::string text, std::string eol, std::string* current_section);
    line_iterator insert_after(line_iterator position, ini_line line);
    void index_lines();

    std::list<ini_line> lines_;
    std::map<std::pair<std::string, std::string>, line_iterator> entries_;
    std::map<std::string, line_iterator> section_ends_;  // last header or entry of each section
    bool byte_order_mark_ = false;
    std::string default_eol_ = "\n";
};

}  // namespace sp_ini_detail

#endif
