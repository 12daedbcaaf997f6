#include "rules/service_engine.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "base/service_text.h"
#include "rules/service_english.h"
#include "rules/service_traditional.h"

namespace velmo_service {

namespace {
void load_into(phrase_dictionary& dict, const std::string& path) {
    dict.load_file(path);
    dict.build();
}

// Field dictionaries are named by their ProfType number: fields/13.txt.
// A rule file that cannot be read or holds a fault leaves its rule without
// rows, and says so: a row a linguist mistyped must not pass unnoticed.
void load_rows(word_rule_file& rows, const std::string& path) {
    std::string error;
    if (!rows.load(path, &error)) std::fprintf(stderr, "velmo-service: %s\n", error.c_str());
}

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

// A file of the data directory replaces the installed one of the same name.
std::string data_file(const std::string& dir, const std::string& installed) {
    const std::string local = dir + "/" + installed.substr(installed.find_last_of('/') + 1);
    return access(local.c_str(), R_OK) == 0 ? local : installed;
}

// Sound-alike words rarer than this are never suggested, so not indexed.
constexpr std::uint32_t min_indexed_frequency = 30;
// Characters read alike: the same syllable in any tone (the first two groups of the table).
constexpr unsigned same_syllable_groups = 0x3;
// How much the character model of corrected text counts beside the word model.
constexpr double char_model_weight = 0.42;
// A pair written for each other only once may be chance.
constexpr unsigned min_slip_times = 1;
// Two characters seen together this often in native prose are how it writes.
constexpr unsigned min_native_times = 3;

}  // namespace

check_engine::check_engine(const engine_config& config) {
    const std::string& dir = config.data_dir;
    load_into(data_.misspellings, dir + "/misspellings.txt");
    load_into(data_.leader_phrases, dir + "/leader_phrases.txt");
    load_into(data_.taiwan_phrases, dir + "/taiwan_phrases.txt");
    load_into(data_.leader_order, dir + "/leader_order.txt");
    load_into(data_.repeat_exemptions, dir + "/repeat_exemptions.txt");
    load_fields(dir + "/fields", data_.fields);
    data_.traditional = std::make_unique<traditional_detector>(config.opencc_config);
    data_.english = std::make_unique<english_speller>(config.hunspell_aff, config.hunspell_dic);
    if (data_.words.load(data_file(dir, config.lexicon_file))) {
        if (data_.readings.load(data_file(dir, config.readings_file),
                                [this](char16_t c) { return data_.traditional->simplified(c); }))
            data_.homophones.build(data_.words, data_.readings, min_indexed_frequency);
        data_.patterns.build(data_.words, min_indexed_frequency);
    }
    data_.confusions.load_sounds(dir + "/confusion-sound.txt", same_syllable_groups);
    data_.confusions.load_shapes(dir + "/confusion-shape.txt");
    data_.slips.load(dir + "/channel-counts.txt", min_slip_times);
    data_.slips.load_pairs(dir + "/channel-words.txt", min_slip_times);
    data_.native.load(dir + "/native-bigrams.txt", min_native_times);
    if (data_.model.load(config.language_model_file))
        data_.model.load_characters(dir + "/char-ngrams.txt", char_model_weight);
    data_.measure_words.load(dir + "/measure_words.txt");
    data_.collocations.load(dir + "/collocations.txt");
    load_rows(data_.particles, dir + "/rules/particles.rules");
    load_rows(data_.function_words, dir + "/rules/function-words.rules");
    load_rows(data_.pronouns, dir + "/rules/pronouns.rules");
    load_rows(data_.collocation_rows, dir + "/rules/collocations.rules");
    load_rows(data_.repeat_lists, dir + "/rules/repeats.rules");
    data_.profile = config.profile;
    log_findings_ = config.log_findings;
}

check_engine::~check_engine() = default;

bool check_engine::english_ready() const { return data_.english->ready(); }
bool check_engine::traditional_ready() const { return data_.traditional->ready(); }

std::vector<finding> check_engine::check(const std::u16string& text, const check_options& options,
                                         const user_words& words,
                                         const progress_callback& progress) const {
    std::vector<finding> out = rule_chain_run(data_, text, options, words, progress);
    if (!words.own.empty()) {
        std::vector<text_match> spans;
        dictionary_of_words(words.own).occurrences(text, spans);
        out.erase(std::remove_if(
                      out.begin(), out.end(),
                      [&](const finding& f) {
                          return std::any_of(spans.begin(), spans.end(), [&](const text_match& s) {
                              return f.pos < s.pos + s.length && s.pos < f.pos + f.length;
                          });
                      }),
                  out.end());
    }
    engine_order_findings(out);
    if (log_findings_ && !out.empty()) {
        // One write per check, so lines of parallel checks do not interleave.
        std::string lines;
        for (const finding& f : out)
            lines += "finding " + f.rule + " at " + std::to_string(f.pos) + "+" +
                     std::to_string(f.length) + ": " + f.err_word + " -> " +
                     (f.suggestions.empty() ? std::string() : f.suggestions[0]) + "\n";
        std::fwrite(lines.data(), 1, lines.size(), stderr);
    }
    return out;
}

std::vector<finding> check_engine::check_rules(const std::u16string& text,
                                               const check_options& options,
                                               const rule_filter& chosen) const {
    std::vector<finding> out = rule_chain_run(data_, text, options, {}, {}, chosen);
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
