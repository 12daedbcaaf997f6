#include "rules/service_word_rules.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
constexpr std::u16string_view sentence_stops = u"。！？!?";
// How far a sentence is read from the word, either way: a text without stops
// would otherwise be read again for every word.
constexpr std::size_t sentence_reach = 200;
}  // namespace

bool word_context::in_question() const {
    const std::size_t from = run.offset + run.text.size();
    const std::size_t to = std::min(text.size(), from + sentence_reach);
    for (std::size_t i = from; i < to; ++i) {
        const char16_t c = text[i];
        if (c == u'？' || c == u'?') return true;
        if (c == u'。' || c == u'！' || c == u'!') return false;
    }
    return false;
}

bool word_context::clause_goes_on() const {
    const std::size_t end = run.offset + run.text.size();
    return end < text.size() &&
           std::u16string_view(u"，。！？；：,.!?;:").find(text[end]) == std::u16string_view::npos;
}

bool word_context::closed_by(std::ptrdiff_t t, std::u16string_view marks) const {
    const std::size_t end = run.offset + run.text.size();
    return word(t).empty() && end < text.size() &&
           marks.find(text[end]) != std::u16string_view::npos;
}

namespace {
// Where the word at t begins in the run; past either end, that end.
std::size_t word_begin(const chinese_run& run, std::ptrdiff_t t) {
    if (t <= 0) return 0;
    const auto i = static_cast<std::size_t>(t);
    return i < run.tokens.size() ? run.tokens[i].begin : run.text.size();
}

}  // namespace

std::u16string_view word_context::sentence_up_to(std::ptrdiff_t t) const {
    const std::size_t end = run.offset + word_begin(run, t + 1);
    std::size_t start = end;
    while (start > 0 && end - start < sentence_reach &&
           sentence_stops.find(text[start - 1]) == std::u16string_view::npos)
        --start;
    return std::u16string_view(text).substr(start, end - start);
}

namespace {
bool personal_pronoun_word(const word_context& n, std::ptrdiff_t t) {
    return personal_pronoun(n.word(t));
}
}  // namespace

const word_predicate_table& word_predicates() {
    static const word_predicate_table table = [] {
        word_predicate_table t;
        t["personal-pronoun"] = personal_pronoun_word;
        function_word_predicates(t);
        particle_predicates(t);
        return t;
    }();
    return table;
}

// One node of a compiled condition; every test reads the word at a place t.
struct condition_node {
    enum kind_t {
        any,             // always
        end,             // no word: t is past an end of the run
        question,        // the sentence is a question
        goes_on,         // the clause goes on past the run
        word_in,         // the word is one of `words` ("" for no word)
        tag_in,          // its tag is one of `tags` ("" for none)
        tag_starts,      // its tag begins with one of `tags`
        starts_with,     // its first character is one of `chars`
        ends_with,       // its last character is one of `chars`
        length_in,       // its length is one of `lengths`
        closed,          // no word, and the run's clause ends at one of `chars`
        opened,          // no word, and the run opens the text or follows one of `chars`
        suffix,          // the word is longer than one of `words` and ends in it
        sentence_has,    // the sentence up to the end of the word holds one of `words`
        rest_has,        // the sentence after the word holds one of `words`
        run_has,         // the run holds one of `words`
        run_has_before,  // the run before the word holds one of `words`
        run_ends,        // the run ends in one of `words`
        later,           // the child holds at a word from t on, within the run
        earlier,         // or from t back
        shift,           // the child holds at t + offset
        negation,
        all_of,
        one_of,
        predicate  // a named test kept in C++
    } kind = any;
    std::ptrdiff_t offset = 0;
    std::vector<std::u16string> words;
    std::vector<std::string> tags;
    std::u16string chars;
    std::vector<std::size_t> lengths;
    std::vector<std::shared_ptr<const condition_node>> children;
    word_predicate test = nullptr;
};

namespace {
bool holds_any(std::u16string_view text, const std::vector<std::u16string>& parts) {
    return std::any_of(parts.begin(), parts.end(), [text](const std::u16string& part) {
        return text.find(part) != std::u16string_view::npos;
    });
}

bool ends_in(std::u16string_view text, std::u16string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The sentence after the word at t, to its stop.
std::u16string_view sentence_after(const word_context& n, std::ptrdiff_t t) {
    const std::size_t from = n.run.offset + word_begin(n.run, t + 1);
    const std::size_t limit = std::min(n.text.size(), from + sentence_reach);
    std::size_t to = from;
    while (to < limit && sentence_stops.find(n.text[to]) == std::u16string_view::npos) ++to;
    return std::u16string_view(n.text).substr(from, to - from);
}

bool holds(const condition_node& c, const word_context& n, std::ptrdiff_t t) {
    switch (c.kind) {
        case condition_node::any:
            return true;
        case condition_node::end:
            return n.word(t).empty();
        case condition_node::question:
            return n.in_question();
        case condition_node::goes_on:
            return n.clause_goes_on();
        case condition_node::word_in: {
            const std::u16string_view w = n.word(t);
            return std::find(c.words.begin(), c.words.end(), w) != c.words.end();
        }
        case condition_node::tag_in: {
            const std::string_view tag = n.tag(t);
            return std::find(c.tags.begin(), c.tags.end(), tag) != c.tags.end();
        }
        case condition_node::tag_starts: {
            const std::string_view tag = n.tag(t);
            return std::any_of(c.tags.begin(), c.tags.end(), [tag](const std::string& head) {
                return !tag.empty() && tag.substr(0, head.size()) == head;
            });
        }
        case condition_node::starts_with: {
            const std::u16string_view w = n.word(t);
            return !w.empty() && c.chars.find(w.front()) != std::u16string::npos;
        }
        case condition_node::ends_with: {
            const std::u16string_view w = n.word(t);
            return !w.empty() && c.chars.find(w.back()) != std::u16string::npos;
        }
        case condition_node::length_in:
            return std::find(c.lengths.begin(), c.lengths.end(), n.word(t).size()) !=
                   c.lengths.end();
        case condition_node::closed:
            return n.closed_by(t, c.chars);
        case condition_node::opened:
            return n.word(t).empty() &&
                   (n.run.offset == 0 ||
                    c.chars.find(n.text[n.run.offset - 1]) != std::u16string::npos);
        case condition_node::suffix: {
            const std::u16string_view w = n.word(t);
            return std::any_of(c.words.begin(), c.words.end(), [w](const std::u16string& tail) {
                return w.size() > tail.size() && ends_in(w, tail);
            });
        }
        case condition_node::sentence_has:
            return holds_any(n.sentence_up_to(t), c.words);
        case condition_node::rest_has:
            return holds_any(sentence_after(n, t), c.words);
        case condition_node::run_has:
            return holds_any(n.run.text, c.words);
        case condition_node::run_has_before:
            return holds_any(n.run.text.substr(0, word_begin(n.run, t)), c.words);
        case condition_node::run_ends:
            return std::any_of(c.words.begin(), c.words.end(), [&n](const std::u16string& tail) {
                return ends_in(n.run.text, tail);
            });
        case condition_node::later:
            for (std::ptrdiff_t i = t; !n.word(i).empty(); ++i)
                if (holds(*c.children[0], n, i)) return true;
            return false;
        case condition_node::earlier:
            for (std::ptrdiff_t i = t; !n.word(i).empty(); --i)
                if (holds(*c.children[0], n, i)) return true;
            return false;
        case condition_node::shift:
            return holds(*c.children[0], n, t + c.offset);
        case condition_node::negation:
            return !holds(*c.children[0], n, t);
        case condition_node::all_of:
            for (const auto& child : c.children)
                if (!holds(*child, n, t)) return false;
            return true;
        case condition_node::one_of:
            for (const auto& child : c.children)
                if (holds(*child, n, t)) return true;
            return false;
        case condition_node::predicate:
            return c.test(n, t);
    }
    return false;
}

using node_ptr = std::shared_ptr<const condition_node>;

// Tests that read a stretch of text for one of the strings listed.
const std::map<std::string, condition_node::kind_t> text_tests = {
    {"suffix", condition_node::suffix},
    {"sentence-has", condition_node::sentence_has},
    {"rest-has", condition_node::rest_has},
    {"run-has", condition_node::run_has},
    {"run-has-before", condition_node::run_has_before},
    {"run-ends", condition_node::run_ends},
};

// What the file has named so far: word lists and conditions.
struct file_names {
    std::map<std::string, std::vector<std::u16string>> lists;
    std::map<std::string, node_ptr> conditions;
};

// Reads one condition:
//   expr    := all ('|' all)*
//   all     := unary ('&' unary)*
//   unary   := '!' unary | ('+'|'-')N ':' unary | primary
//   primary := '(' expr ')' | later(expr) | earlier(expr)
//            | word(WORDS) | tag(TAGS) | tag-starts(TAGS) | starts(CHARS) | ends(CHARS) |
//            length(NS) | closed(MARKS) | any | end | question | goes-on | NAME
// WORDS may hold @list for a named list and - for no word (or no tag).
class condition_parser {
  public:
    condition_parser(std::u16string_view text, const file_names& names)
        : text_(text), names_(names) {}

    node_ptr parse(std::string* error) {
        node_ptr node = expression();
        skip_space();
        if (error_.empty() && at_ < text_.size()) fail("unexpected text");
        if (!error_.empty()) {
            *error = error_;
            return nullptr;
        }
        return node;
    }

  private:
    void fail(const std::string& what) {
        if (error_.empty())
            error_ = what + " at \"" + text_utf16_to_utf8(std::u16string(text_.substr(at_))) + "\"";
    }
    void skip_space() {
        while (at_ < text_.size() && (text_[at_] == u' ' || text_[at_] == u'\t')) ++at_;
    }
    bool take(char16_t c) {
        skip_space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    static bool name_unit(char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
    }
    node_ptr expression() {
        std::vector<node_ptr> parts{all()};
        while (error_.empty() && take(u'|')) parts.push_back(all());
        return combine(condition_node::one_of, parts);
    }
    node_ptr all() {
        std::vector<node_ptr> parts{unary()};
        while (error_.empty() && take(u'&')) parts.push_back(unary());
        return combine(condition_node::all_of, parts);
    }
    static node_ptr combine(condition_node::kind_t kind, std::vector<node_ptr>& parts) {
        if (parts.size() == 1) return parts[0];
        auto node = std::make_shared<condition_node>();
        node->kind = kind;
        node->children = std::move(parts);
        return node;
    }
    node_ptr wrap(condition_node::kind_t kind, node_ptr child, std::ptrdiff_t offset = 0) {
        auto node = std::make_shared<condition_node>();
        node->kind = kind;
        node->offset = offset;
        node->children.push_back(std::move(child));
        return node;
    }
    node_ptr unary() {
        if (take(u'!')) return wrap(condition_node::negation, unary());
        skip_space();
        if (at_ + 1 < text_.size() && (text_[at_] == u'+' || text_[at_] == u'-') &&
            text_[at_ + 1] >= u'0' && text_[at_ + 1] <= u'9') {
            const bool back = text_[at_] == u'-';
            std::ptrdiff_t offset = 0;
            for (++at_; at_ < text_.size() && text_[at_] >= u'0' && text_[at_] <= u'9'; ++at_)
                offset = offset * 10 + (text_[at_] - u'0');
            if (!take(u':')) fail("a place +N or -N is followed by ':'");
            return wrap(condition_node::shift, unary(), back ? -offset : offset);
        }
        return primary();
    }
    // The space-separated items between the parentheses after a test's name.
    std::vector<std::u16string> items() {
        std::vector<std::u16string> out;
        if (!take(u'(')) {
            fail("'(' expected");
            return out;
        }
        const std::size_t close = text_.find(u')', at_);
        if (close == std::u16string_view::npos) {
            fail("')' expected");
            return out;
        }
        std::u16string_view inside = text_.substr(at_, close - at_);
        at_ = close + 1;
        std::size_t i = 0;
        while (i < inside.size()) {
            while (i < inside.size() && (inside[i] == u' ' || inside[i] == u'\t')) ++i;
            std::size_t j = i;
            while (j < inside.size() && inside[j] != u' ' && inside[j] != u'\t') ++j;
            if (j > i) out.emplace_back(inside.substr(i, j - i));
            i = j;
        }
        return out;
    }
    std::vector<std::u16string> words() {
        std::vector<std::u16string> out;
        for (std::u16string& item : items()) {
            if (item == u"-") {
                out.emplace_back();
            } else if (item[0] == u'@') {
                const auto list = names_.lists.find(text_utf16_to_utf8(item.substr(1)));
                if (list == names_.lists.end()) {
                    fail("no list " + text_utf16_to_utf8(item));
                    return out;
                }
                out.insert(out.end(), list->second.begin(), list->second.end());
            } else {
                out.push_back(std::move(item));
            }
        }
        return out;
    }
    node_ptr primary() {
        if (take(u'(')) {
            node_ptr inner = expression();
            if (!take(u')')) fail("')' expected");
            return inner;
        }
        skip_space();
        const std::size_t from = at_;
        while (at_ < text_.size() && name_unit(text_[at_])) ++at_;
        const std::string name = text_utf16_to_utf8(std::u16string(text_.substr(from, at_ - from)));
        auto node = std::make_shared<condition_node>();
        if (name.empty()) {
            fail("a condition expected");
        } else if (name == "later" || name == "earlier") {
            if (!take(u'(')) fail("'(' expected");
            node_ptr inner = expression();
            if (!take(u')')) fail("')' expected");
            return wrap(name == "later" ? condition_node::later : condition_node::earlier, inner);
        } else if (name == "word") {
            node->kind = condition_node::word_in;
            node->words = words();
        } else if (name == "tag" || name == "tag-starts") {
            node->kind = name == "tag" ? condition_node::tag_in : condition_node::tag_starts;
            for (const std::u16string& tag : words()) node->tags.push_back(text_utf16_to_utf8(tag));
        } else if (name == "starts" || name == "ends" || name == "closed" || name == "opened") {
            node->kind = name == "starts"   ? condition_node::starts_with
                         : name == "ends"   ? condition_node::ends_with
                         : name == "closed" ? condition_node::closed
                                            : condition_node::opened;
            for (const std::u16string& part : words()) node->chars += part;
        } else if (const auto text_test = text_tests.find(name); text_test != text_tests.end()) {
            node->kind = text_test->second;
            node->words = words();
        } else if (name == "length") {
            node->kind = condition_node::length_in;
            for (const std::u16string& n : words()) {
                std::size_t length = 0;
                for (const char16_t digit : n) {
                    if (digit < u'0' || digit > u'9' || length > 100) {
                        fail("a length is a number");
                        break;
                    }
                    length = length * 10 + (digit - u'0');
                }
                node->lengths.push_back(length);
            }
        } else if (name == "any") {
            node->kind = condition_node::any;
        } else if (name == "end") {
            node->kind = condition_node::end;
        } else if (name == "question") {
            node->kind = condition_node::question;
        } else if (name == "goes-on") {
            node->kind = condition_node::goes_on;
        } else if (const auto defined = names_.conditions.find(name);
                   defined != names_.conditions.end()) {
            return defined->second;
        } else if (const auto test = word_predicates().find(name);
                   test != word_predicates().end()) {
            node->kind = condition_node::predicate;
            node->test = test->second;
        } else {
            fail("no condition named " + name);
        }
        return node;
    }

    std::u16string_view text_;
    std::size_t at_ = 0;
    const file_names& names_;
    std::string error_;
};

std::string trimmed(const std::string& s) {
    const std::size_t from = s.find_first_not_of(" \t");
    if (from == std::string::npos) return {};
    return s.substr(from, s.find_last_not_of(" \t") - from + 1);
}

std::vector<std::string> spaced(const std::string& s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    for (std::string item; in >> item;) out.push_back(item);
    return out;
}

// A fault naming the first profile that is none of check_profile's; empty when all are.
std::string unknown_profile(const std::vector<std::string>& names) {
    check_profile ignored;
    for (const std::string& n : names)
        if (!profile_named(n, ignored)) return "no profile " + n;
    return {};
}

int level_named(const std::string& name) {
    if (name == "error") return level_error;
    if (name == "suspect") return level_suspect;
    if (name == "serious") return level_serious;
    return -1;
}
}  // namespace

word_condition::word_condition() {
    auto node = std::make_shared<condition_node>();
    node_ = node;
}

word_condition::word_condition(std::shared_ptr<const condition_node> node)
    : node_(std::move(node)) {}

bool word_condition::holds(const word_context& n, std::ptrdiff_t t) const {
    return velmo_service::holds(*node_, n, t);
}

bool word_row::belongs_to(check_profile profile) const {
    return std::find(profiles.begin(), profiles.end(), profile_name(profile)) != profiles.end();
}

bool word_rule_file::load(const std::string& path, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    return parse(in, path, error);
}

bool word_rule_file::parse(std::istream& in, const std::string& name, std::string* error) {
    rule_.clear();
    rows_.clear();
    profiles_.clear();
    lists_.clear();
    by_written_.clear();
    from_second_word_ = false;
    // Lines of the file, with lines that open with a space or TAB joined to
    // the one before (a long list or condition goes on there).
    std::vector<std::pair<int, std::string>> lines;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string text = trimmed(line);
        if (text.empty() || text[0] == '#') continue;
        if ((line[0] == ' ' || line[0] == '\t') && !lines.empty())
            lines.back().second += " " + text;
        else
            lines.emplace_back(number, text);
    }
    file_names names;
    std::vector<std::string> profiles;
    std::string fault;
    int fault_line = 0;
    word_row* row = nullptr;
    const auto condition = [&](const std::string& text) -> node_ptr {
        std::string why;
        node_ptr node = condition_parser(text_utf8_to_utf16(text), names).parse(&why);
        if (!node) fault = why;
        return node;
    };
    for (const auto& [number, text] : lines) {
        fault_line = number;
        const std::size_t space = text.find_first_of(" \t");
        const std::string key = text.substr(0, space);
        const std::string value = space == std::string::npos ? "" : trimmed(text.substr(space));
        const std::string first = value.substr(0, value.find_first_of(" \t"));
        const std::string rest =
            first.size() < value.size() ? trimmed(value.substr(first.size())) : "";
        if (key == "rule") {
            rule_ = value;
        } else if (key == "order") {
            if (value != "first-fits") fault = "the only order is first-fits";
        } else if (key == "from-second-word") {
            from_second_word_ = true;
        } else if (key == "profiles" && !row) {
            profiles = spaced(value);
            fault = unknown_profile(profiles);
        } else if (key == "list") {
            auto& list = names.lists[first];
            for (const std::string& w : spaced(rest)) list.push_back(text_utf8_to_utf16(w));
        } else if (key == "define") {
            if (node_ptr node = condition(rest)) names.conditions[first] = node;
        } else if (key == "row") {
            rows_.emplace_back();
            row = &rows_.back();
            row->id = value;
            row->line = number;
            row->profiles = profiles;
        } else if (!row) {
            fault = "\"" + key + "\" before the first row";
        } else if (key == "written") {
            row->written = text_utf8_to_utf16(value);
        } else if (key == "meant") {
            row->meant = text_utf8_to_utf16(value);
        } else if (key == "before" || key == "after") {
            if (node_ptr node = condition(value))
                (key == "before" ? row->before : row->after) = word_condition(node);
        } else if (key == "level") {
            row->level = level_named(value);
            if (row->level < 0) fault = "no level " + value;
        } else if (key == "profiles") {
            row->profiles = spaced(value);
            fault = unknown_profile(row->profiles);
        } else if (key == "message") {
            row->message = value;
        } else if (key == "flag") {
            row->flags.push_back(value);
        } else if (key == "pass") {
            row->passes.push_back(value);
        } else {
            fault = "no key " + key;
        }
        if (!fault.empty()) break;
    }
    if (fault.empty()) {
        std::unordered_map<std::string, int> seen;
        for (const word_row& r : rows_) {
            if (r.written.empty() || r.meant.empty())
                fault = "row " + r.id + " without the word written or meant";
            else if (r.id.empty() || !seen.emplace(r.id, r.line).second)
                fault = "row id \"" + r.id + "\" not unique";
            if (!fault.empty()) {
                fault_line = r.line;
                break;
            }
        }
    }
    if (!fault.empty()) {
        *error = name + ":" + std::to_string(fault_line) + ": " + fault;
        rows_.clear();
        return false;
    }
    profiles_ = profiles;
    for (std::size_t i = 0; i < rows_.size(); ++i) by_written_[rows_[i].written].push_back(i);
    lists_.insert(names.lists.begin(), names.lists.end());
    return true;
}

const std::vector<std::u16string>& word_rule_file::list(const std::string& name) const {
    static const std::vector<std::u16string> none;
    const auto found = lists_.find(name);
    return found == lists_.end() ? none : found->second;
}

void word_rule_file::find(const std::u16string& text, const std::vector<chinese_run>& runs,
                          const lexicon& words, std::vector<finding>& out,
                          std::optional<check_profile> profile) const {
    if (rows_.empty()) return;
    for (const chinese_run& run : runs) {
        const word_context n{{run, words}, text, *this};
        for (std::size_t t = from_second_word_ ? 1 : 0; t < run.tokens.size(); ++t) {
            const auto at = static_cast<std::ptrdiff_t>(t);
            const auto candidates = by_written_.find(std::u16string(n.word(at)));
            if (candidates == by_written_.end()) continue;
            for (const std::size_t i : candidates->second) {
                const word_row& row = rows_[i];
                if (profile && !row.belongs_to(*profile)) continue;
                if (!row.before.holds(n, at - 1) || !row.after.holds(n, at + 1)) continue;
                const lexicon_token& token = run.tokens[t];
                finding f;
                f.pos = run.offset + token.begin;
                f.length = token.length();
                f.level = row.level;
                f.err_word = text_utf16_to_utf8(row.written);
                f.suggestions = {text_utf16_to_utf8(row.meant)};
                f.row = row.id;
                f.message = row.message;
                out.push_back(std::move(f));
                break;
            }
        }
    }
}

}  // namespace velmo_service
