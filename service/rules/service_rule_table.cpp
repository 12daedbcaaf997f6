#include "rules/service_rule_table.h"

#include <algorithm>

#include "base/service_text.h"
#include "rules/service_english.h"
#include "rules/service_rules.h"
#include "rules/service_rules_usage.h"
#include "rules/service_sentence_choice.h"
#include "rules/service_traditional.h"

namespace velmo_service {

rule_data::rule_data() = default;
rule_data::~rule_data() = default;

int rule_input::weight() const { return std::clamp(options.weight, 0, 2); }

const std::vector<chinese_run>& rule_input::runs() const {
    if (!runs_) runs_ = lexicon_segment_runs(data_.words, text);
    return *runs_;
}

namespace {
// Whether a word of the list is one of its idioms or fixed expressions of four
// characters (依此类推, 与时俱进), by the list's tags.
bool listed_idiom(const lexicon& words, const lexicon_token& t) {
    if (t.length() != 4 || t.word.frequency == 0) return false;
    const std::string& tag = words.tag_name(t.word.tag);
    return tag == "i" || tag == "l";
}
// Whether 地 follows token `t` of `run` as the particle of an adjective the
// list tags as used adverbially (明确, 详细: tag ad), as written: 明确地定义.
bool adverb_particle_after(const lexicon& words, const chinese_run& run, const lexicon_token& t) {
    return t.end < run.text.size() && run.text[t.end] == u'地' && t.length() > 1 &&
           words.tag_name(t.word.tag) == "ad";
}
}  // namespace

// So does 地 after an adjective used adverbially. In native prose a listed
// idiom stands as written too: its variant (依此类推 beside 以此类推) is the
// writer's own form.
const std::vector<bool>& rule_input::standing() const {
    if (standing_) return *standing_;
    standing_.emplace(text.size(), false);
    std::vector<bool>& standing = *standing_;
    const bool native_prose = profile() == check_profile::office;
    for (const chinese_run& run : runs()) {
        const std::vector<bool> places = rules_standing_places(run);
        for (std::size_t k = 0; k < places.size(); ++k)
            if (places[k]) standing[run.offset + k] = true;
        for (const lexicon_token& t : run.tokens) {
            if (adverb_particle_after(data_.words, run, t)) standing[run.offset + t.end] = true;
            if (native_prose && listed_idiom(data_.words, t))
                for (std::size_t k = t.begin; k < t.end; ++k) standing[run.offset + k] = true;
        }
    }
    return standing;
}

const std::vector<double>& rule_input::char_shares() const {
    if (char_shares_) return *char_shares_;
    static constexpr std::u16string_view sentence_ends = u"。！？；!?;\n";
    char_shares_.emplace();
    std::size_t sentence_end = 0;
    double share = 0;
    for (const chinese_run& run : runs()) {
        if (run.offset >= sentence_end) {
            const std::size_t begin = text.find_last_of(sentence_ends, run.offset);
            const std::size_t from = begin == std::u16string::npos ? 0 : begin + 1;
            sentence_end = std::min(text.size(), text.find_first_of(sentence_ends, run.offset));
            share =
                data_.model.char_share(std::u16string_view(text).substr(from, sentence_end - from));
        }
        char_shares_->push_back(share);
    }
    return *char_shares_;
}

namespace {
bool overlaps(const finding& f, std::size_t pos, std::size_t length) {
    return f.pos < pos + length && pos < f.pos + f.length;
}

// 研究研究, 讨论讨论: a doubled two-character verb is the tentative form, not a slip.
bool verb_reduplication(const finding& f, const lexicon& words) {
    const std::u16string w = text_utf8_to_utf16(f.err_word);
    if (w.size() != 4 || w.compare(0, 2, w, 2, 2) != 0) return false;
    const lexicon_word* verb = words.find(std::u16string_view(w).substr(0, 2));
    return verb && verb->kind == word_class::verb;
}

// 现在在, 但是是, 为了了解: the first of two like characters ends a word and
// the second stands apart, or the second begins a word; each is read once.
// The particle 的 ends words too (真的, 别的) but never stands twice: only a
// noun ending in it (目的) is followed by one, and one precedes a noun that
// begins with it (的哥).
bool doubled_across_words(const finding& f, const std::u16string& text, const lexicon& words) {
    if (f.length != 2 || text[f.pos] != text[f.pos + 1]) return false;
    if (text[f.pos] == u'的') {
        const lexicon_word* w =
            f.pos > 0 ? words.find(std::u16string_view(text).substr(f.pos - 1, 2)) : nullptr;
        // Or the second opens a noun: 开车的的哥.
        const lexicon_word* next = f.pos + 3 <= text.size()
                                       ? words.find(std::u16string_view(text).substr(f.pos + 1, 2))
                                       : nullptr;
        return (w && w->kind == word_class::noun) || (next && next->kind == word_class::noun);
    }
    const auto listed = [&](std::size_t from, std::size_t length) {
        if (from + length > text.size()) return false;
        const lexicon_word* w = words.find(std::u16string_view(text).substr(from, length));
        return w && w->frequency > 0;
    };
    for (std::size_t length = 2; length <= 3; ++length)
        if ((f.pos + 1 >= length && listed(f.pos + 1 - length, length)) ||
            listed(f.pos + 1, length))
            return true;
    return false;
}

void run_user_errors(const rule_data&, const rule_input& in, std::vector<finding>& out) {
    if (!in.words.errors.empty()) dictionary_of_words(in.words.errors).find(in.text, 2, out);
}
void run_leader_phrases(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    d.leader_phrases.find(in.text, 2, out);
}
void run_taiwan_phrases(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    d.taiwan_phrases.find(in.text, 2, out);
}
void run_leader_order(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    rules_leader_order(in.text, d.leader_order, out);
}
void run_misspellings(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    std::vector<finding> listed;
    d.misspellings.find(in.text, in.weight(), listed);
    for (finding& f : listed)
        if (d.words.empty() || !rules_splits_word(in.runs(), f.pos, f.length))
            out.push_back(std::move(f));
}
void run_field_words(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    auto field = d.fields.find(in.options.prof_type);
    if (in.options.prof_type > 0 && field != d.fields.end())
        field->second.find(in.text, in.weight(), out);
}
// A sound-alike word is proposed when the word model's log10 gain in its
// context, plus log10 of the chance that its changed characters are written
// as they stand (a pair never counted taking the unseen chance), reaches this.
// A pair that shares no syllable, alike only loosely (长/唱, 形/心), is a
// rarer slip when never counted.
constexpr double min_homophone_score = 1.5;
constexpr double unseen_homophone_chance = -2.0;
constexpr double unseen_loose_homophone_chance = -4.0;
// A listed word written for another listed word of its sound (悔意 for 会议)
// gives up a word that is there, so it needs more than a stretch that is none.
constexpr double min_typed_alike_score = 2.0;

bool share_syllable(const pinyin_readings& readings, char16_t a, char16_t b) {
    const std::vector<std::uint16_t>& of_b = readings.of(b);
    for (std::uint16_t s : readings.of(a))
        if (std::find(of_b.begin(), of_b.end(), s) != of_b.end()) return true;
    return false;
}

double written_chance(const rule_data& d, std::u16string_view written, std::u16string_view meant) {
    if (written.size() != meant.size()) return unseen_homophone_chance;
    double chance = 0;
    for (std::size_t k = 0; k < written.size(); ++k)
        if (written[k] != meant[k])
            chance += d.slips.log_chance(written[k], meant[k],
                                         share_syllable(d.readings, written[k], meant[k])
                                             ? unseen_homophone_chance
                                             : unseen_loose_homophone_chance);
    return chance;
}

// Orders the suggestions of `f` by how much more probable the word model
// finds the text around it with each plus the chance of its slip, sets
// `best` to the first one's sum and `f.log_chance` to its chance; false
// when the finding lies outside the runs.
bool rank_suggestions(const rule_data& d, const rule_input& in, finding& f, double& best) {
    constexpr std::size_t context = 4;
    for (std::size_t r = 0; r < in.runs().size(); ++r) {
        const chinese_run& run = in.runs()[r];
        const double share = in.char_shares()[r];
        if (f.pos < run.offset || f.pos + f.length > run.offset + run.text.size()) continue;
        const std::size_t at = f.pos - run.offset;
        const std::size_t a = at > context ? at - context : 0;
        const std::size_t b = std::min(run.text.size(), at + f.length + context);
        const std::u16string_view before = run.text.substr(a, at - a),
                                  after = run.text.substr(at + f.length, b - at - f.length),
                                  stretch = run.text.substr(at, f.length);
        const double written = d.model.score(run.text.substr(a, b - a), share);
        struct scored_word {
            double score, chance;
            std::string word;
        };
        std::vector<scored_word> scored;
        for (std::string& s : f.suggestions) {
            const std::u16string word = text_utf8_to_utf16(s);
            std::u16string meant(before);
            meant += word;
            meant += after;
            const double chance = written_chance(d, stretch, word);
            scored.push_back(
                {d.model.score(meant, share) - written + chance, chance, std::move(s)});
        }
        std::stable_sort(scored.begin(), scored.end(),
                         [](const auto& x, const auto& y) { return x.score > y.score; });
        f.suggestions.clear();
        for (scored_word& s : scored) f.suggestions.push_back(std::move(s.word));
        f.log_chance = scored.empty() ? 0 : scored[0].chance;
        best = scored.empty() ? 0 : scored[0].score;
        return true;
    }
    return false;
}

// Text from Taiwan writes 著 for the particle 着 (睡著, 跟著), 甚么 for 什么,
// 妳 for 你 said to a woman, 姊 for 姐: forms of the same word, not slips, so a
// suggestion that only turns one into the other is no suggestion; a finding
// left with none is dropped.
bool variant_form_only(std::u16string_view written, std::u16string_view meant) {
    static const std::u16string_view forms[] = {u"著着", u"甚什", u"妳你", u"姊姐"};
    if (written.size() != meant.size() || written == meant) return false;
    for (std::size_t k = 0; k < written.size(); ++k)
        if (written[k] != meant[k] &&
            std::none_of(std::begin(forms), std::end(forms), [&](std::u16string_view f) {
                return (written[k] == f[0] && meant[k] == f[1]) ||
                       (written[k] == f[1] && meant[k] == f[0]);
            }))
            return false;
    return true;
}
void drop_variant_forms(std::vector<finding>& found, std::size_t from) {
    for (std::size_t i = from; i < found.size(); ++i) {
        const std::u16string written = text_utf8_to_utf16(found[i].err_word);
        auto& s = found[i].suggestions;
        s.erase(std::remove_if(s.begin(), s.end(),
                               [&](const std::string& m) {
                                   return variant_form_only(written, text_utf8_to_utf16(m));
                               }),
                s.end());
    }
    found.erase(std::remove_if(found.begin() + static_cast<std::ptrdiff_t>(from), found.end(),
                               [](const finding& f) { return f.suggestions.empty(); }),
                found.end());
}

// A stretch written the same way twice with a slip never counted is meant
// as written: a name (文平), a brand or a term of the writer's.
bool written_again(const std::u16string& text, const finding& f) {
    const std::u16string w = text_utf8_to_utf16(f.err_word);
    return text.find(w, f.pos + f.length) != std::u16string::npos ||
           text.substr(0, f.pos).find(w) != std::u16string::npos;
}
// Drops the findings from `from` on that change a character the text means
// as written (rule_input::standing).
void drop_standing_phrases(const rule_input& in, std::vector<finding>& found, std::size_t from) {
    const std::vector<bool>& standing = in.standing();
    const auto changes_standing = [&](const finding& f) {
        const std::u16string written = text_utf8_to_utf16(f.err_word);
        const std::u16string meant =
            f.suggestions.empty() ? written : text_utf8_to_utf16(f.suggestions[0]);
        for (std::size_t k = 0; k < f.length && f.pos + k < standing.size(); ++k)
            if (standing[f.pos + k] &&
                (written.size() != meant.size() || k >= written.size() || written[k] != meant[k]))
                return true;
        return false;
    };
    found.erase(std::remove_if(found.begin() + static_cast<std::ptrdiff_t>(from), found.end(),
                               changes_standing),
                found.end());
}

// The native pairs a check of `in` keeps: none in learners' essays, which
// are no native prose.
const native_pairs& native_pairs_of(const rule_data& d, const rule_input& in) {
    static const native_pairs none;
    return in.profile() == check_profile::office ? d.native : none;
}

// Drops the findings from `from` on of which a suggestion changes a
// character native prose would keep as written, or one of its terms (行尾,
// 联接, whatever commoner word of their sound there is): the stretch reads as
// such prose writes it.
void drop_native_pairs(const native_pairs& native, const lexicon& words, const std::u16string& text,
                       std::vector<finding>& found, std::size_t from) {
    if (native.empty()) return;
    const auto changes_kept = [&](const finding& f, const std::string& suggestion) {
        const std::u16string meant = text_utf8_to_utf16(suggestion);
        if (meant.size() != f.length) return false;
        for (std::size_t k = 0; k < f.length; ++k)
            if (meant[k] != text[f.pos + k] &&
                (native.in_term(text, f.pos + k, words) || native.keeps(text, f.pos + k, meant[k])))
                return true;
        return false;
    };
    found.erase(std::remove_if(found.begin() + static_cast<std::ptrdiff_t>(from), found.end(),
                               [&](const finding& f) {
                                   return std::any_of(
                                       f.suggestions.begin(), f.suggestions.end(),
                                       [&](const std::string& s) { return changes_kept(f, s); });
                               }),
                found.end());
}

void run_homophones(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    if (d.words.empty() || d.homophones.empty()) return;
    std::vector<finding> found, typed_alike;
    rules_homophones(in.runs(), d.words, d.homophones, in.weight(), found);
    // A word written for another of its sound only the word model can weigh:
    // the word list alone cannot tell two words apart.
    if (d.model.ready())
        rules_words_typed_alike(in.runs(), d.words, d.homophones, in.weight(), typed_alike);
    const native_pairs& native = native_pairs_of(d, in);
    for (std::vector<finding>* guesses : {&found, &typed_alike}) {
        drop_variant_forms(*guesses, 0);
        drop_standing_phrases(in, *guesses, 0);
        drop_native_pairs(native, d.words, in.text, *guesses, 0);
    }
    // The word list sees the stretch alone; the word model sees its neighbours too,
    // and of overlapping stretches keeps the one it finds best (without the
    // model, the first: the clearest gain in the word list).
    std::vector<std::pair<double, finding>> kept;
    const auto weigh = [&](finding& f, double min_score) {
        double best = 0;
        if (!d.model.ready() || f.suggestions.empty() ||
            (rank_suggestions(d, in, f, best) && best >= min_score &&
             !(f.log_chance <= unseen_homophone_chance && written_again(in.text, f))))
            kept.emplace_back(best, std::move(f));
    };
    for (finding& f : found) weigh(f, min_homophone_score);
    for (finding& f : typed_alike) weigh(f, min_typed_alike_score);
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto& x, const auto& y) { return x.first > y.first; });
    const std::size_t from = out.size();
    for (auto& [best, f] : kept)
        if (std::none_of(out.begin() + static_cast<std::ptrdiff_t>(from), out.end(),
                         [&](const finding& o) { return overlaps(o, f.pos, f.length); }))
            out.push_back(std::move(f));
}
void run_particles(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    if (!d.words.empty()) d.particles.find(in.text, in.runs(), d.words, out, in.profile());
}
// The pronoun rule is one weighing, not rows: its file's profiles say where it runs.
void run_pronouns(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    const std::vector<std::string>& profiles = d.pronouns.profiles();
    if (std::find(profiles.begin(), profiles.end(), profile_name(in.profile())) == profiles.end())
        return;
    if (!d.words.empty()) rules_pronouns(in.text, in.runs(), d.words, d.pronouns, out);
}
void run_function_words(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    if (!d.words.empty()) d.function_words.find(in.text, in.runs(), d.words, out, in.profile());
}
void run_confusions(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    if (d.words.empty() || !d.model.ready()) return;
    const std::size_t from = out.size();
    rules_confusions(in.runs(), in.char_shares(), d.words, d.confusions, d.slips, d.patterns,
                     native_pairs_of(d, in), d.model, out);
    drop_variant_forms(out, from);
    drop_standing_phrases(in, out, from);
}
void run_repeats(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    std::vector<finding> repeats;
    rules_repeats(in.text, in.weight(), d.repeat_lists.list("never-doubled"), repeats);
    std::vector<text_match> exempt;
    d.repeat_exemptions.occurrences(in.text, exempt);
    for (finding& f : repeats) {
        const bool listed = std::any_of(exempt.begin(), exempt.end(), [&](const text_match& s) {
            return f.pos >= s.pos && f.pos + f.length <= s.pos + s.length;
        });
        if (!listed && !verb_reduplication(f, d.words) &&
            !doubled_across_words(f, in.text, d.words))
            out.push_back(std::move(f));
    }
}
void run_traditional(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    d.traditional->find(in.text, out);
}
void run_english(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    d.english->find(in.text, out);
}
void run_punctuation(const rule_data&, const rule_input& in, std::vector<finding>& out) {
    rules_punctuation(in.text, in.weight(), out);
}
// Both read the word list's segmentation, which the fast check does without.
void run_measure_words(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    if (in.weight() >= 1 && !d.words.empty())
        rules_measure_words(in.text, in.runs(), d.words, d.measure_words, out);
}
void run_collocations(const rule_data& d, const rule_input& in, std::vector<finding>& out) {
    if (in.weight() >= 1 && !d.words.empty())
        rules_collocations(in.text, in.runs(), d.words, d.collocations, d.collocation_rows,
                           in.profile(), out);
}
}  // namespace

const std::vector<rule_spec>& rule_table() {
    using o = check_options;
    static const std::vector<rule_spec> table = {
        {"user-errors", &o::user_errors, level_serious, run_user_errors},
        {"leader-phrases", &o::leader, level_serious, run_leader_phrases},
        {"taiwan-phrases", &o::taiwan, level_serious, run_taiwan_phrases},
        {"leader-order", &o::leader_sort, level_serious, run_leader_order},
        {"misspellings", &o::general, level_error, run_misspellings},
        {"field-words", &o::general, level_error, run_field_words},
        {"homophones", &o::general, level_error, run_homophones, true},
        {"particles", &o::general, level_suspect, run_particles, true},
        {"pronouns", &o::general, level_suspect, run_pronouns, true},
        {"function-words", &o::general, level_suspect, run_function_words, true},
        {"repeats", &o::general, level_error, run_repeats},
        {"confusions", &o::general, level_suspect, run_confusions, true},
        {"traditional", &o::traditional, level_error, run_traditional},
        {"english", &o::english, level_error, run_english},
        {"punctuation", &o::match_dots, level_error, run_punctuation},
        {"measure-words", &o::general, level_error, run_measure_words, true},
        {"collocations", &o::general, level_suspect, run_collocations, true},
    };
    return table;
}

const rule_spec* rule_find(std::string_view id) {
    for (const rule_spec& r : rule_table())
        if (r.id == id) return &r;
    return nullptr;
}

std::vector<finding> rule_chain_run(const rule_data& data, const std::u16string& text,
                                    const check_options& options, const user_words& words,
                                    const std::function<void(int)>& progress,
                                    const rule_filter& chosen) {
    std::vector<finding> out;
    const rule_input in(text, options, words, data, out);
    std::vector<bool> weighed;  // by the word model, so decided together at the end
    std::vector<const rule_spec*> chain;
    for (const rule_spec& r : rule_table())
        if (chosen ? chosen(r.id) : options.*r.option) chain.push_back(&r);
    for (std::size_t i = 0; i < chain.size(); ++i) {
        std::vector<finding> found;
        chain[i]->run(data, in, found);
        for (finding& f : found) {
            // A guess yields to a surer finding; guesses of the rules
            // that yield compete, and the word model decides between them below.
            bool surer_there = false;
            for (std::size_t k = 0; k < out.size() && chain[i]->yields && !surer_there; ++k)
                surer_there = !weighed[k] && overlaps(out[k], f.pos, f.length);
            if (surer_there) continue;
            f.rule = std::string(chain[i]->id);
            if (f.level == 0) f.level = chain[i]->level;
            out.push_back(std::move(f));
            weighed.push_back(chain[i]->yields);
        }
        if (progress) progress(static_cast<int>((i + 1) * 99 / chain.size()));
    }
    if (!data.words.empty())
        sentence_choose_jointly(data.model, in.runs(), in.char_shares(), weighed, out);
    return out;
}

}  // namespace velmo_service
