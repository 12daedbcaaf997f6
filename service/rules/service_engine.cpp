#include "rules/service_engine.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>

#include "base/service_text.h"
#include "rules/service_english.h"
#include "rules/service_rules.h"
#include "rules/service_traditional.h"

namespace velmo_service {

namespace {
void load_into(phrase_dictionary& dict, const std::string& path) {
    dict.load_file(path);
    dict.build();
}

// Field dictionaries are named by their ProfType number: fields/13.txt.
void load_fields(const std::string& dir, std::map<int, phrase_dictionary>& fields) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".txt") != 0) continue;
        const std::string stem = name.substr(0, name.size() - 4);
        if (stem.empty() || stem.find_first_not_of("0123456789") != std::string::npos ||
            stem.size() > 3)
            continue;
        load_into(fields[std::stoi(stem)], dir + "/" + name);
    }
    closedir(d);
}

// Findings that overlap (or, for exemptions, lie inside) a listed phrase are dropped.
void drop_covered(std::vector<finding>& findings, const std::vector<text_match>& spans,
                  bool any_overlap) {
    if (spans.empty()) return;
    findings.erase(std::remove_if(findings.begin(), findings.end(),
                                  [&](const finding& f) {
                                      for (const text_match& s : spans) {
                                          const bool inside = f.pos >= s.pos &&
                                                              f.pos + f.length <= s.pos + s.length;
                                          const bool overlap =
                                              f.pos < s.pos + s.length && s.pos < f.pos + f.length;
                                          if (any_overlap ? overlap : inside) return true;
                                      }
                                      return false;
                                  }),
                   findings.end());
}

// 研究研究, 讨论讨论: a doubled two-character verb is the tentative form, not a slip.
void drop_verb_reduplication(std::vector<finding>& repeats, const lexicon& words) {
    repeats.erase(std::remove_if(repeats.begin(), repeats.end(),
                                 [&](const finding& f) {
                                     const std::u16string w = text_utf8_to_utf16(f.err_word);
                                     if (w.size() != 4 || w.compare(0, 2, w, 2, 2) != 0)
                                         return false;
                                     const lexicon_word* verb =
                                         words.find(std::u16string_view(w).substr(0, 2));
                                     return verb && verb->kind == word_class::verb;
                                 }),
                  repeats.end());
}

// A file of the data directory replaces the installed one of the same name.
std::string data_file(const std::string& dir, const std::string& installed) {
    const std::string local = dir + "/" + installed.substr(installed.find_last_of('/') + 1);
    return access(local.c_str(), R_OK) == 0 ? local : installed;
}

// Sound-alike words rarer than this are never suggested, so not indexed.
constexpr std::uint32_t min_indexed_frequency = 30;

phrase_dictionary dictionary_of(const std::vector<std::string>& words) {
    phrase_dictionary d;
    for (const std::string& w : words) {
        phrase_entry e;
        e.phrase = text_trim(w);
        if (!e.phrase.empty()) d.add(std::move(e));
    }
    d.build();
    return d;
}
}  // namespace

check_engine::check_engine(const engine_config& config) {
    const std::string& dir = config.data_dir;
    load_into(misspellings_, dir + "/misspellings.txt");
    load_into(leader_phrases_, dir + "/leader_phrases.txt");
    load_into(taiwan_phrases_, dir + "/taiwan_phrases.txt");
    load_into(leader_order_, dir + "/leader_order.txt");
    load_into(repeat_exemptions_, dir + "/repeat_exemptions.txt");
    load_fields(dir + "/fields", fields_);
    traditional_ = std::make_unique<traditional_detector>(config.opencc_config);
    english_ = std::make_unique<english_speller>(config.hunspell_aff, config.hunspell_dic);
    if (lexicon_.load(data_file(dir, config.lexicon_file)) &&
        readings_.load(data_file(dir, config.readings_file),
                       [this](char16_t c) { return traditional_->simplified(c); }))
        homophones_.build(lexicon_, readings_, min_indexed_frequency);
}

check_engine::~check_engine() = default;

bool check_engine::english_ready() const { return english_->ready(); }
bool check_engine::traditional_ready() const { return traditional_->ready(); }

std::vector<finding> check_engine::check(const std::u16string& text, const check_options& options,
                                         const user_words& words,
                                         const progress_callback& progress) const {
    std::vector<finding> out;
    const int weight = std::clamp(options.weight, 0, 2);
    std::vector<std::function<void()>> stages;
    if (options.user_errors && !words.errors.empty())
        stages.emplace_back([&] { dictionary_of(words.errors).find(text, 2, out); });
    if (options.leader) stages.emplace_back([&] { leader_phrases_.find(text, 2, out); });
    if (options.taiwan) stages.emplace_back([&] { taiwan_phrases_.find(text, 2, out); });
    if (options.leader_sort)
        stages.emplace_back([&] { rules_leader_order(text, leader_order_, out); });
    if (options.general) {
        stages.emplace_back([&] { misspellings_.find(text, weight, out); });
        auto field = fields_.find(options.prof_type);
        if (options.prof_type > 0 && field != fields_.end())
            stages.emplace_back([&, field] { field->second.find(text, weight, out); });
        if (!lexicon_.empty())
            stages.emplace_back([&] {
                const std::vector<chinese_run> runs = lexicon_segment_runs(lexicon_, text);
                std::vector<finding> found;
                if (!homophones_.empty())
                    rules_homophones(runs, lexicon_, homophones_, weight, found);
                rules_particles(runs, lexicon_, found);
                // The list of known misspellings has spoken first where it matched.
                std::vector<text_match> listed;
                for (const finding& f : out) listed.push_back({f.pos, f.length, 0});
                drop_covered(found, listed, true);
                out.insert(out.end(), found.begin(), found.end());
            });
        stages.emplace_back([&] {
            std::vector<finding> repeats;
            rules_repeats(text, weight, repeats);
            std::vector<text_match> exempt;
            repeat_exemptions_.occurrences(text, exempt);
            drop_covered(repeats, exempt, false);
            drop_verb_reduplication(repeats, lexicon_);
            out.insert(out.end(), repeats.begin(), repeats.end());
        });
    }
    if (options.traditional) stages.emplace_back([&] { traditional_->find(text, out); });
    if (options.english) stages.emplace_back([&] { english_->find(text, out); });
    if (options.match_dots) stages.emplace_back([&] { rules_punctuation(text, weight, out); });

    for (std::size_t i = 0; i < stages.size(); ++i) {
        stages[i]();
        if (progress) progress(static_cast<int>((i + 1) * 99 / stages.size()));
    }
    if (!words.own.empty()) {
        std::vector<text_match> own;
        dictionary_of(words.own).occurrences(text, own);
        drop_covered(out, own, true);
    }
    engine_order_findings(out);
    return out;
}

void engine_order_findings(std::vector<finding>& findings) {
    std::stable_sort(findings.begin(), findings.end(), [](const finding& a, const finding& b) {
        return a.pos != b.pos ? a.pos < b.pos : a.length > b.length;
    });
    findings.erase(std::unique(findings.begin(), findings.end(),
                               [](const finding& a, const finding& b) {
                                   return a.pos == b.pos && a.length == b.length;
                               }),
                   findings.end());
}

}  // namespace velmo_service
