// Characters typed or misread for another: each character of a run is
// tried against the characters it is confused with (of like sound or shape
// where that turns the stretch into a listed word; a few function words and
// measure words always; the characters learners were seen writing for it),
// and a doubled character without it. The word trigram model weighs the
// text around it both ways; a change is proposed when that gain, plus how
// likely the slip is, clears one threshold, so that correct prose is left
// alone.
#include <algorithm>
#include <cmath>

#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
// Characters on either side of the one changed that the model weighs.
constexpr std::size_t context = 4;
// A change is proposed when the gain in log10 probability of the text
// around it, plus log10 of the chance that the meant character is written
// as the one in the text, reaches this threshold.
constexpr double threshold = 3.0;
// The least chance taken for a pair of like sound, or of like shape, that
// turns the stretch into a listed word (an input method's slip, seldom made
// by learners), and for a pair of a small function-word group. A look-alike
// gets less: the word it makes is often another sensible reading (好朋友,
// 女朋友), not what was meant.
constexpr double unseen_sound_chance = -0.5;
constexpr double unseen_shape_chance = -2.0;
constexpr double unseen_function_chance = -2.0;
// A look-alike never counted as a slip needs this much more gain where the
// character model of essays counts in full (less as it counts less): its
// small gains there come from any common word the look-alike completes,
// seldom what was meant (愈挫愈勇 read as 愈来, 订出 as 打出).
constexpr double look_alike_doubt = 2.0;
// A character inside a common word of the text (应为 for 因为) needs this
// much more: changing it gives up a word that is there.
constexpr double in_word_penalty = 2.0;
// A character that edited native prose writes often beside its neighbour
// (彼端, 子串), where it seldom writes the one proposed there, needs this
// much more, word or not: the pair is how such prose writes.
constexpr double native_pair_penalty = 4.0;
// In native prose, a character that stands alone as a common noun (宏, 域,
// 值: a macro, a field, a value) names a thing of the text; a change there
// that makes a common word with a neighbour (或者, 预计, 只是) needs this much
// more.
constexpr double lone_noun_penalty = 0.5;
constexpr std::uint32_t min_lone_noun_frequency = 500;
// The threshold for a change to two characters that were mostly written wrong.
constexpr double pair_threshold = 1.5;
// The share of its occurrences two characters must have been wrong in.
constexpr double min_pair_share = 0.5;
// A candidate that needs more gain than this is not weighed at all: such
// gains come mostly from a context the model knows badly, not from a slip,
// and skipping them saves most of the model's work.
constexpr double max_margin = 6.0;
constexpr double margin_doubled = 3.0;
// A word the change makes must be at least this common.
constexpr std::uint32_t min_word_frequency = 50;
constexpr std::size_t max_suggestions = 3;
// Rare words of the list (建康, an old city) are more often a slip (健康) than
// meant: only words at least this common protect their characters.
constexpr std::uint32_t min_solid_frequency = 300;
// How common the word a slip at a lone surname makes with the character
// before it must be (考虑, 做菜): rarer words are as likely a name's neighbours.
constexpr std::uint32_t min_joined_frequency = 1000;

// Small groups of characters that stand for each other in every context.
const std::u16string_view function_groups[] = {u"的地得", u"在再", u"做作", u"他她它",
                                               u"那哪",   u"坐座", u"收受", u"象像"};
// Numbers and words that count or point are left as written, and never
// suggested: a slip there changes the meaning, not the reading. 一 alone is
// weighed as written, since learners put it for 以 and 已 (一前, 一经).
const std::u16string_view counters = u"一二两三四五六七八九十百千万几这那每某";
constexpr char16_t weighed_counter = u'一';

bool in(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

struct candidate {
    char16_t with;
    double margin;
    double doubt = 0;  // evidence needed beyond the margin, added after the cut at max_margin
};

void add(std::vector<candidate>& cands, char16_t with, double margin, double doubt = 0) {
    for (candidate& c : cands)
        if (c.with == with) {
            if (margin + doubt < c.margin + c.doubt) {
                c.margin = margin;
                c.doubt = doubt;
            }
            return;
        }
    cands.push_back({with, margin, doubt});
}

// Positions inside a common word the lexicon tags as a name of a person, place or body.
std::vector<bool> named(const chinese_run& run) {
    std::vector<bool> out(run.text.size(), false);
    for (const lexicon_token& t : run.tokens)
        if (t.length() > 1 && t.word.kind == word_class::name &&
            t.word.frequency >= min_solid_frequency)
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(t.begin),
                      out.begin() + static_cast<std::ptrdiff_t>(t.end), true);
    return out;
}

// A change proposed at one place of the run, with its best replacement.
struct proposal {
    std::size_t at;
    std::vector<candidate> cands;
    double gain = 0;    // of the best candidate over the text as it stands
    double margin = 0;  // that candidate's
    // The candidates that clear their margin, the clearest first.
    struct choice {
        double evidence;  // gain beyond the margin
        char16_t with;
        double margin;
    };
    std::vector<choice> better;
};

class run_checker {
  public:
    run_checker(const chinese_run& run, double char_share, const confusion_sets& sets,
                const slip_counts& slips, const word_patterns& patterns, const native_pairs& native,
                const language_model& model)
        : run_(run),
          char_share_(char_share),
          text_(run.text),
          work_(run.text),
          sets_(sets),
          slips_(slips),
          patterns_(patterns),
          native_(native),
          model_(model) {}

    void check(const lexicon& words, std::vector<finding>& out) {
        const std::vector<bool> name = named(run_);
        const std::vector<bool> surname = rules_probable_names(run_);
        in_word_.assign(text_.size(), false);
        for (const lexicon_token& t : run_.tokens)
            if (t.length() > 1 && t.word.frequency >= min_solid_frequency)
                for (std::size_t k = t.begin; k < t.end; ++k) in_word_[k] = true;
        lone_noun_.assign(text_.size(), false);
        if (!native_.empty())
            for (const lexicon_token& t : run_.tokens)
                lone_noun_[t.begin] = t.length() == 1 && t.word.kind == word_class::noun &&
                                      t.word.frequency >= min_lone_noun_frequency;
        native_term_.assign(text_.size(), false);
        for (std::size_t i = 0; i < text_.size(); ++i)
            native_term_[i] = native_.in_term(text_, i, words);
        std::vector<proposal> open;
        for (std::size_t i = 0; i < text_.size(); ++i) {
            if (name[i] || (in(counters, text_[i]) && text_[i] != weighed_counter)) continue;
            if (i > 0 && text_[i] == text_[i - 1]) {
                doubled(i, words, out);
                continue;
            }
            if (i + 1 < text_.size() && text_[i] == text_[i + 1]) continue;
            if (surname[i] && !may_join_left(i, words)) continue;
            proposal p{i, {}, 0, 0, {}};
            candidates(i, p.cands);
            if (surname[i]) keep_joining_left(i, words, p.cands);
            if (!p.cands.empty() && weigh(p)) open.push_back(std::move(p));
        }
        // The clearest change first: a slip makes its neighbours read badly
        // too, so every proposal near an accepted one is weighed again
        // against the corrected text.
        while (!open.empty()) {
            auto best = std::max_element(
                open.begin(), open.end(),
                [](const auto& x, const auto& y) { return x.gain - x.margin < y.gain - y.margin; });
            const proposal p = std::move(*best);
            open.erase(best);
            work_[p.at] = p.better[0].with;
            emit(p, out);
            open.erase(std::remove_if(open.begin(), open.end(),
                                      [&](proposal& q) {
                                          const std::size_t d =
                                              q.at > p.at ? q.at - p.at : p.at - q.at;
                                          return d <= context && !weigh(q);
                                      }),
                       open.end());
        }
    }

  private:
    std::size_t from(std::size_t i) const { return i > context ? i - context : 0; }
    std::size_t to(std::size_t i) const { return std::min(text_.size(), i + context + 1); }

    void candidates(std::size_t i, std::vector<candidate>& out) {
        const char16_t c = text_[i];
        const double base = threshold + (in_word_[i] ? in_word_penalty : 0);
        for (const slip& s : slips_.meant_by(c))
            if (!in(counters, s.meant)) add(out, s.meant, base - s.log_chance);
        // Two characters that were mostly wrong where they stood (己经, 我门)
        // need little more than the word model's consent; a common word of
        // the text (应为, "should be") still keeps its due.
        for (std::size_t s = i > 0 ? i - 1 : 0; s <= i && s + 2 <= text_.size(); ++s)
            if (const slip* p = slips_.in_pair(text_.substr(s, 2), i - s);
                p && p->log_chance >= std::log10(min_pair_share))
                add(out, p->meant, base - threshold + pair_threshold - p->log_chance);
        for (std::u16string_view g : function_groups)
            if (in(g, c))
                for (char16_t o : g)
                    if (o != c) add(out, o, base - slips_.log_chance(c, o, unseen_function_chance));
        for (std::size_t s = i >= 3 ? i - 3 : 0; s <= i; ++s)
            for (std::size_t len = std::max<std::size_t>(2, i - s + 1);
                 len <= 4 && s + len <= text_.size(); ++len) {
                fits_.clear();
                patterns_.fits(text_.substr(s, len), i - s, sets_.of(c), fits_);
                for (const word_fit& w : fits_) {
                    const char16_t o = w.word[i - s];
                    if (w.info.frequency >= min_word_frequency && w.info.kind != word_class::name &&
                        !in(counters, o) && sets_.confusable(c, o)) {
                        const bool sound = sets_.sound_alike(c, o);
                        const double chance = slips_.log_chance(
                            c, o, sound ? unseen_sound_chance : unseen_shape_chance);
                        const bool counted = slips_.log_chance(c, o, -HUGE_VAL) > -HUGE_VAL;
                        add(out, o, base - chance,
                            sound || counted ? 0 : look_alike_doubt * char_share_);
                    }
                }
            }
        for (candidate& k : out) {
            if (lone_noun_[i]) k.margin += lone_noun_penalty;
            if (native_term_[i] || native_.keeps(text_, i, k.with))
                k.margin += native_pair_penalty - (in_word_[i] ? in_word_penalty : 0);
        }
        out.erase(std::remove_if(out.begin(), out.end(),
                                 [](const candidate& k) { return k.margin > max_margin; }),
                  out.end());
        for (candidate& k : out) k.margin += k.doubt;
    }

    // A surname standing alone may still be a slip when the character meant
    // forms a common word with the one before it (考卢一下 for 考虑, 做蔡 for
    // 做菜); only such candidates are weighed there.
    bool joins_left(std::size_t i, char16_t with, const lexicon& words) const {
        if (i == 0) return false;
        const char16_t pair[2] = {text_[i - 1], with};
        const lexicon_word* w = words.find(std::u16string_view(pair, 2));
        return w && w->frequency >= min_joined_frequency;
    }
    // Whether any character confused with the one at `i` could join the one
    // before it: most surnames cannot, and are skipped before the costly search.
    bool may_join_left(std::size_t i, const lexicon& words) const {
        for (char16_t o : sets_.of(text_[i]))
            if (joins_left(i, o, words)) return true;
        for (const slip& s : slips_.meant_by(text_[i]))
            if (joins_left(i, s.meant, words)) return true;
        return false;
    }
    void keep_joining_left(std::size_t i, const lexicon& words,
                           std::vector<candidate>& cands) const {
        cands.erase(
            std::remove_if(cands.begin(), cands.end(),
                           [&](const candidate& c) { return !joins_left(i, c.with, words); }),
            cands.end());
    }

    // Weighs the candidates of `p` in the text as corrected so far; false when none is good enough.
    bool weigh(proposal& p) {
        const std::size_t a = from(p.at), b = to(p.at);
        std::u16string window(work_.substr(a, b - a));
        const double written = model_.score(window, char_share_);
        p.better.clear();
        p.gain = 0;
        for (const candidate& cand : p.cands) {
            if (cand.with == text_[p.at]) continue;
            window[p.at - a] = cand.with;
            const double gain = model_.score(window, char_share_) - written;
            if (gain < cand.margin) continue;
            p.better.push_back({gain - cand.margin, cand.with, cand.margin});
            if (gain - cand.margin > p.gain - p.margin || p.better.size() == 1) {
                p.gain = gain;
                p.margin = cand.margin;
            }
        }
        std::sort(p.better.begin(), p.better.end(),
                  [](const auto& x, const auto& y) { return x.evidence > y.evidence; });
        return !p.better.empty();
    }

    void emit(const proposal& p, std::vector<finding>& out) const {
        finding f;
        f.pos = run_.offset + p.at;
        f.length = 1;
        f.err_word = text_utf16_to_utf8(text_.data() + p.at, 1);
        for (std::size_t k = 0; k < p.better.size() && k < max_suggestions; ++k)
            f.suggestions.push_back(text_utf16_to_utf8(&p.better[k].with, 1));
        // The margin holds the threshold less the chance of the slip (and
        // the price of a word given up).
        f.log_chance = threshold - p.better[0].margin;
        out.push_back(std::move(f));
    }

    // 工作作总结, 我们们: a character written twice where the word has it once.
    void doubled(std::size_t i, const lexicon& words, std::vector<finding>& out) {
        if (words.find(text_.substr(i - 1, 2))) return;  // 常常, 看看: the doubled form is a word
        // 恭喜恭喜, 跳着跳着 and 高高兴兴 are doubled as a whole.
        if (i >= 3 && text_.compare(i - 3, 2, text_, i - 1, 2) == 0) return;
        if (i + 2 < text_.size() && text_[i + 1] == text_[i + 2]) return;
        // 闪亮亮, 怯怜怜: a doubled last character closing a phrase describes.
        if (i + 1 == text_.size()) return;
        // 吃吃看, 想想看: a verb doubled before 看 is something tried.
        if (text_[i + 1] == u'看') return;
        // 问他他怎么, 告诉我我的: a pronoun that closes a verb's object and
        // opens what follows (not 我我们, a slip in one word).
        if (in(u"我你他她它", text_[i]) && text_[i + 1] != u'们' && i >= 2 &&
            in(u"给诉问还帮叫让请教带替", text_[i - 2]))
            return;
        const std::size_t a = from(i), b = to(i);
        const std::u16string window(text_.substr(a, b - a));
        std::u16string single = window;
        single.erase(i - a, 1);
        const double written = model_.words_score(window);
        double best = model_.words_score(single) - written;
        std::u16string meant(1, text_[i]);
        // 第第, 柏柏: a doubled word of a character taken for this one (弟弟,
        // 伯伯) may be meant rather than one character too many.
        const auto try_doubled_word = [&](char16_t other) {
            const std::u16string word(2, other);
            const lexicon_word* w = words.find(word);
            if (!w || w->frequency < min_solid_frequency) return;
            std::u16string changed = window;
            changed.replace(i - 1 - a, 2, word);
            const double gain = model_.words_score(changed) - written;
            if (gain > best) {
                best = gain;
                meant = word;
            }
        };
        for (char16_t other : sets_.of(text_[i])) try_doubled_word(other);
        for (const slip& other : slips_.meant_by(text_[i])) try_doubled_word(other.meant);
        if (best < margin_doubled) return;
        finding f;
        f.pos = run_.offset + i - 1;
        f.length = 2;
        f.err_word = text_utf16_to_utf8(text_.data() + i - 1, 2);
        f.suggestions.push_back(text_utf16_to_utf8(meant));
        out.push_back(std::move(f));
    }

    const chinese_run& run_;
    double char_share_;
    std::u16string_view text_;
    std::u16string work_;  // the run with the accepted changes
    const confusion_sets& sets_;
    const slip_counts& slips_;
    const word_patterns& patterns_;
    const native_pairs& native_;
    const language_model& model_;
    std::vector<word_fit> fits_;
    std::vector<bool> in_word_;
    std::vector<bool> native_term_;
    std::vector<bool> lone_noun_;  // a lone character that is a common noun, in native prose
};
}  // namespace

void rules_confusions(const std::vector<chinese_run>& runs, const std::vector<double>& char_shares,
                      const lexicon& words, const confusion_sets& sets, const slip_counts& slips,
                      const word_patterns& patterns, const native_pairs& native,
                      const language_model& model, std::vector<finding>& out) {
    for (std::size_t r = 0; r < runs.size(); ++r)
        run_checker(runs[r], char_shares[r], sets, slips, patterns, native, model)
            .check(words, out);
}

}  // namespace velmo_service
