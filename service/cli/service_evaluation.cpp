#include "cli/service_evaluation.h"

#include <cstdint>
#include <fstream>
#include <iomanip>
#include <ostream>

#include "base/service_text.h"

namespace velmo_service {

namespace {
struct labelled {
    std::u16string text;       // as written, with the error
    std::u16string corrected;  // as meant
    std::size_t pos = 0, length = 0;
};

// Reads "before[wrong|right]after"; false when the markup is malformed.
bool parse_marked(const std::u16string& line, labelled& out) {
    const std::size_t open = line.find(u'['), bar = line.find(u'|', open),
                      close = line.find(u']', bar);
    if (open == std::u16string::npos || bar == std::u16string::npos ||
        close == std::u16string::npos)
        return false;
    const std::u16string before = line.substr(0, open), after = line.substr(close + 1);
    const std::u16string wrong = line.substr(open + 1, bar - open - 1),
                         right = line.substr(bar + 1, close - bar - 1);
    out = {before + wrong + after, before + right + after, open, wrong.size()};
    return true;
}

std::u32string code_points(const std::u16string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t width = 1;
        out.push_back(text_code_point_at(s, i, &width));
        i += width;
    }
    return out;
}

// Marks over the clean text, per 10,000 of its characters.
double marks_per_10000(int marks, std::size_t characters) {
    return characters ? 10000.0 * marks / static_cast<double>(characters) : 0.0;
}

std::u16string applied(const std::u16string& text, const finding& f,
                       const std::string& suggestion) {
    return text.substr(0, f.pos) + text_utf8_to_utf16(suggestion) + text.substr(f.pos + f.length);
}
}  // namespace

check_options evaluation_options() {
    check_options o;
    o.general = true;
    o.match_dots = true;
    o.weight = 1;
    return o;
}

bool evaluation_run(const check_engine& engine, const std::string& path, evaluation_result& result,
                    std::string* error, const rule_filter& rules) {
    const auto check = [&](const std::u16string& text) {
        return rules ? engine.check_rules(text, evaluation_options(), rules)
                     : engine.check(text, evaluation_options(), {});
    };
    std::ifstream in(path);
    if (!in) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            if (error) *error = path + ":" + std::to_string(number) + ": no TAB after the kind";
            return false;
        }
        const std::string kind = line.substr(0, tab);
        const std::u16string sentence = text_utf8_to_utf16(line.substr(tab + 1));
        if (kind == "clean") {
            ++result.clean;
            const std::size_t marks = check(sentence).size();
            result.clean_characters += code_points(sentence).size();
            result.clean_marks += static_cast<int>(marks);
            if (marks != 0) {
                ++result.false_alarms;
                result.misses.push_back(line);
            }
            continue;
        }
        labelled l;
        if (!parse_marked(sentence, l)) {
            if (error)
                *error = path + ":" + std::to_string(number) + ": no [wrong|right] in the sentence";
            return false;
        }
        auto k = result.kinds.begin();
        while (k != result.kinds.end() && k->kind != kind) ++k;
        if (k == result.kinds.end()) k = result.kinds.insert(k, evaluation_kind{kind});
        ++k->sentences;
        bool found = false, corrected = false, offered = false;
        for (const finding& f : check(l.text)) {
            if (f.pos >= l.pos + l.length || l.pos >= f.pos + f.length) continue;
            found = true;
            for (std::size_t i = 0; i < f.suggestions.size(); ++i)
                if (applied(l.text, f, f.suggestions[i]) == l.corrected) {
                    offered = true;
                    corrected = corrected || i == 0;
                }
        }
        k->found += found;
        k->corrected += corrected;
        k->offered += offered;
        if (!corrected) result.misses.push_back(line);
    }
    return true;
}

void evaluation_print(const evaluation_result& result, std::ostream& out) {
    const auto percent = [](int part, int whole) { return whole ? 100.0 * part / whole : 0.0; };
    out << std::fixed << std::setprecision(1);
    out << "kind\tsentences\tfound\trecall %\tfirst suggestion right %\tany suggestion right %\n";
    evaluation_kind all{"all"};
    for (const evaluation_kind& k : result.kinds) {
        out << k.kind << "\t" << k.sentences << "\t" << k.found << "\t"
            << percent(k.found, k.sentences) << "\t" << percent(k.corrected, k.found) << "\t"
            << percent(k.offered, k.found) << "\n";
        all.sentences += k.sentences;
        all.found += k.found;
        all.corrected += k.corrected;
        all.offered += k.offered;
    }
    out << "all\t" << all.sentences << "\t" << all.found << "\t"
        << percent(all.found, all.sentences) << "\t" << percent(all.corrected, all.found) << "\t"
        << percent(all.offered, all.found) << "\n";
    out << "clean\t" << result.clean << "\tfalse alarms " << result.false_alarms << "\t"
        << percent(result.false_alarms, result.clean) << " %\tmarks per 10,000 characters "
        << marks_per_10000(result.clean_marks, result.clean_characters) << "\n";
    for (const std::string& m : result.misses)
        out << "missed, miscorrected or false alarm: " << m << "\n";
}

namespace {

// Character position -> the character meant there (0: flagged, nothing offered).
using position_fixes = std::map<std::size_t, char32_t>;

// The characters a finding's first suggestion changes; a finding without
// one flags all it covers.
void add_fixes(const std::u16string& text, const finding& f, position_fixes& fixes) {
    // UTF-16 offset -> character position.
    const auto at = [&](std::size_t unit) {
        return code_points(text.substr(0, std::min(unit, text.size()))).size();
    };
    const std::u32string written = code_points(text.substr(f.pos, f.length));
    const std::size_t base = at(f.pos);
    if (f.suggestions.empty()) {
        for (std::size_t k = 0; k < written.size(); ++k) fixes.emplace(base + k, 0);
        return;
    }
    const std::u32string meant = code_points(text_utf8_to_utf16(f.suggestions[0]));
    std::size_t p = 0, q = 0;
    while (p < written.size() && p < meant.size() && written[p] == meant[p]) ++p;
    while (q < written.size() - p && q < meant.size() - p &&
           written[written.size() - 1 - q] == meant[meant.size() - 1 - q])
        ++q;
    const std::size_t end = written.size() - q;
    if (p >= end) {  // only something inserted: the character before the gap
        fixes.emplace(base + (p > 0 ? p - 1 : 0), 0);
        return;
    }
    const bool same_length = written.size() == meant.size();
    for (std::size_t k = p; k < end; ++k) fixes.emplace(base + k, same_length ? meant[k] : 0);
}

struct gold_sentence {
    bool has_errors = false;
    std::map<std::size_t, char32_t> fixes;
};

void score(const gold_sentence& gold, const position_fixes& found, bakeoff_counts& c) {
    if (found.empty()) return;
    ++c.flagged;
    if (!gold.has_errors) {
        ++c.clean_flagged;
        return;
    }
    if (found.size() != gold.fixes.size()) return;
    bool same_places = true, same_fixes = true;
    for (auto g = gold.fixes.begin(), f = found.begin(); g != gold.fixes.end(); ++g, ++f) {
        same_places = same_places && g->first == f->first;
        same_fixes = same_fixes && g->second == f->second;
    }
    c.detected += same_places;
    c.corrected += same_places && same_fixes;
}

bool read_gold(const std::vector<std::string>& cols, gold_sentence& gold) {
    gold.has_errors = cols[0] == "csc";
    if (!gold.has_errors) return cols[0] == "clean";
    const std::vector<std::string> correct = text_split(cols[3], '|'),
                                   pos = text_split(cols[4], '|');
    if (correct.size() != pos.size()) return false;
    for (std::size_t k = 0; k < pos.size(); ++k) {
        const std::u32string c = code_points(text_utf8_to_utf16(correct[k]));
        if (c.size() != 1 || pos[k].empty() ||
            pos[k].find_first_not_of("0123456789") != std::string::npos)
            return false;
        gold.fixes[std::stoul(pos[k])] = c[0];
    }
    return true;
}

const char bakeoff_header[] = "kind\tsentence\twrong\tcorrect\tpos";
// One sentence in this many is held back from tuning.
constexpr std::uint64_t held_back_every = 5;

// The sentence as meant, in UTF-8.
std::string corrected_text(const std::string& written, const gold_sentence& gold) {
    const std::u32string points = code_points(text_utf8_to_utf16(written));
    std::u16string out;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const auto fix = gold.fixes.find(k);
        const char32_t c = fix != gold.fixes.end() ? fix->second : points[k];
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return text_utf16_to_utf8(out);
}

// Held back by the sentence as meant (64-bit FNV-1a of its UTF-8), so that
// the training sets' many copies of one sentence, each with other slips, all
// fall in the same part: a model counted from the part tuned on then never
// knows a held-back sentence. scripts/channel-counts splits the same way.
bool is_held_back(const std::string& corrected) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : corrected) hash = (hash ^ byte) * 1099511628211ull;
    return hash % held_back_every == held_back_every - 1;
}
}  // namespace

bool evaluation_is_bakeoff(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    return std::getline(in, line) &&
           line.compare(0, sizeof bakeoff_header - 1, bakeoff_header) == 0;
}

bool evaluation_run_bakeoff(const check_engine& engine, const std::string& path,
                            const bakeoff_settings& settings, bakeoff_result& result,
                            std::string* error) {
    std::ifstream in(path);
    std::string line;
    if (!in || !std::getline(in, line)) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    const check_options options = evaluation_options();
    int number = 1, read = 0;
    while (std::getline(in, line) && (settings.limit <= 0 || read < settings.limit)) {
        ++number;
        if (line.empty()) continue;
        const std::vector<std::string> cols = text_split(line, '\t');
        gold_sentence gold;
        if (cols.size() < 5 || !read_gold(cols, gold)) {
            if (error) *error = path + ":" + std::to_string(number) + ": not a bake-off line";
            return false;
        }
        if (settings.part != bakeoff_part::all && is_held_back(corrected_text(cols[1], gold)) !=
                                                      (settings.part == bakeoff_part::held_back))
            continue;
        ++read;
        const std::u16string text = text_utf8_to_utf16(cols[1]);
        const std::vector<finding> found = settings.rules
                                               ? engine.check_rules(text, options, settings.rules)
                                               : engine.check(text, options, {});
        position_fixes all;
        std::map<std::string, position_fixes> by_rule, by_row;
        std::map<std::string, int> marks_by_rule, marks_by_row;
        std::string shown;
        for (const finding& f : found) {
            add_fixes(text, f, all);
            add_fixes(text, f, by_rule[f.rule]);
            ++marks_by_rule[f.rule];
            if (settings.by_row && !f.row.empty()) {
                add_fixes(text, f, by_row[f.rule + "/" + f.row]);
                ++marks_by_row[f.rule + "/" + f.row];
            }
            // At its place in characters, as the file gives the errors' places.
            shown += " " + f.rule + ":" + f.err_word + "@" +
                     std::to_string(code_points(text.substr(0, f.pos)).size()) + "->" +
                     (f.suggestions.empty() ? std::string("?") : f.suggestions[0]);
        }
        const std::size_t characters = code_points(text).size();
        const auto count = [&](bakeoff_counts& c, int marks) {
            c.error_sentences += gold.has_errors;
            c.clean_sentences += !gold.has_errors;
            if (gold.has_errors) return;
            c.clean_characters += characters;
            c.clean_marks += marks;
        };
        count(result.all, static_cast<int>(found.size()));
        const int detected = result.all.detected;
        score(gold, all, result.all);
        for (const rule_spec& r : rule_table()) {
            const std::string id(r.id);
            bakeoff_counts& c = result.by_rule[id];
            count(c, marks_by_rule[id]);
            auto mine = by_rule.find(id);
            if (mine != by_rule.end()) score(gold, mine->second, c);
        }
        // A row is scored in the sentences it speaks in; how many sentences
        // there were is taken from the whole when printed.
        for (const auto& [row, fixes] : by_row) {
            bakeoff_counts& c = result.by_row[row];
            c.clean_marks += gold.has_errors ? 0 : marks_by_row[row];
            score(gold, fixes, c);
        }
        if (gold.has_errors ? result.all.detected == detected : !all.empty())
            result.misses.push_back(
                cols[0] + "\t" + cols[1] + "\t" +
                (gold.has_errors ? cols[2] + ">" + cols[3] + "@" + cols[4] : std::string("-")) +
                "\tfound:" + shown);
    }
    return true;
}

void evaluation_print_bakeoff(const bakeoff_result& result, bool show_misses, std::ostream& out) {
    const auto percent = [](int part, int whole) { return whole ? 100.0 * part / whole : 0.0; };
    const auto f1 = [](double p, double r) { return p + r > 0 ? 2 * p * r / (p + r) : 0.0; };
    const auto row = [&](const std::string& name, const bakeoff_counts& c) {
        const double dp = percent(c.detected, c.flagged),
                     dr = percent(c.detected, c.error_sentences);
        const double cp = percent(c.corrected, c.flagged),
                     cr = percent(c.corrected, c.error_sentences);
        out << name << "\t" << c.flagged << "\t" << dp << "\t" << dr << "\t" << f1(dp, dr) << "\t"
            << cp << "\t" << cr << "\t" << f1(cp, cr) << "\t"
            << percent(c.clean_flagged, c.clean_sentences) << "\t"
            << marks_per_10000(c.clean_marks, c.clean_characters) << "\n";
    };
    out << std::fixed << std::setprecision(1);
    out << "sentences " << result.all.error_sentences + result.all.clean_sentences
        << " (with errors " << result.all.error_sentences << ", clean "
        << result.all.clean_sentences << ")\n";
    out << "rule\tflagged\tdetection P\tR\tF1\tcorrection P\tR\tF1\tfalse-positive rate "
           "%\tmarks per 10,000 clean characters\n";
    row("all", result.all);
    for (const auto& [rule, c] : result.by_rule)
        if (c.flagged > 0) row(rule, c);
    for (auto [name, c] : result.by_row) {
        c.error_sentences = result.all.error_sentences;
        c.clean_sentences = result.all.clean_sentences;
        c.clean_characters = result.all.clean_characters;
        row(name, c);
    }
    if (show_misses)
        for (const std::string& m : result.misses) out << "wrong: " << m << "\n";
}

}  // namespace velmo_service
