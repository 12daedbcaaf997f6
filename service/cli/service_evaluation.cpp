#include "cli/service_evaluation.h"

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
                    std::string* error) {
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
            if (!engine.check(sentence, evaluation_options(), {}).empty()) {
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
        for (const finding& f : engine.check(l.text, evaluation_options(), {})) {
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
        if (!found) result.misses.push_back(line);
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
        << percent(result.false_alarms, result.clean) << " %\n";
    for (const std::string& m : result.misses) out << "missed or false alarm: " << m << "\n";
}

}  // namespace velmo_service
