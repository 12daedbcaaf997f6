// Characters typed or misread for another: each character of a run is
// tried against the characters it is confused with (of like sound or shape
// where that turns the stretch into a listed word; a few function words and
// measure words always), and a doubled character without it. The word
// trigram model weighs the text around it both ways; a change is proposed
// only when it makes that text far more probable, so that correct prose
// is left alone.
#include <algorithm>

#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
// Characters on either side of the one changed that the model weighs.
constexpr std::size_t context = 4;
// Required gain in log10 probability: a change that makes a listed word,
// one within a small group of function words, a measure word, a doubled
// character dropped.
constexpr double margin_word = 3.0;
constexpr double margin_function = 2.5;
constexpr double margin_measure = 2.0;
constexpr double margin_doubled = 3.0;
// A word the change makes must be at least this common.
constexpr std::uint32_t min_word_frequency = 50;
constexpr std::size_t max_suggestions = 3;

// Small groups of characters that stand for each other in every context.
const std::u16string_view function_groups[] = {u"的地得", u"在再", u"做作", u"他她它",
                                               u"那哪",   u"坐座", u"收受", u"象像"};
const std::u16string_view measures =
    u"个辆台棵颗张条只本把件位名部座家所项份篇支架艘头匹双套间片块根枚幅封首场次";
const std::u16string_view counters = u"一二两三四五六七八九十百千万几这那每某";

bool in(std::u16string_view set, char16_t c) { return set.find(c) != std::u16string_view::npos; }

struct candidate {
    char16_t with;
    double margin;
};

void add(std::vector<candidate>& cands, char16_t with, double margin) {
    for (candidate& c : cands)
        if (c.with == with) {
            c.margin = std::min(c.margin, margin);
            return;
        }
    cands.push_back({with, margin});
}

// Positions inside a word the lexicon tags as a name of a person, place or body.
std::vector<bool> named(const chinese_run& run) {
    std::vector<bool> out(run.text.size(), false);
    for (const lexicon_token& t : run.tokens)
        if (t.length() > 1 && t.word.kind == word_class::name)
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(t.begin),
                      out.begin() + static_cast<std::ptrdiff_t>(t.end), true);
    return out;
}

class run_checker {
  public:
    run_checker(const chinese_run& run, const confusion_sets& sets, const word_patterns& patterns,
                const language_model& model)
        : run_(run), text_(run.text), sets_(sets), patterns_(patterns), model_(model) {}

    void check(const lexicon& words, std::vector<finding>& out) {
        const std::vector<bool> name = named(run_);
        for (std::size_t i = 0; i < text_.size(); ++i) {
            if (name[i]) continue;
            if (i > 0 && text_[i] == text_[i - 1]) {
                doubled(i, words, out);
                continue;
            }
            if (i + 1 < text_.size() && text_[i] == text_[i + 1]) continue;
            replaced(i, out);
        }
    }

  private:
    std::size_t from(std::size_t i) const { return i > context ? i - context : 0; }
    std::size_t to(std::size_t i) const { return std::min(text_.size(), i + context + 1); }

    void candidates(std::size_t i, std::vector<candidate>& out) {
        const char16_t c = text_[i];
        for (std::u16string_view g : function_groups)
            if (in(g, c))
                for (char16_t o : g) add(out, o, margin_function);
        if (in(measures, c) && i > 0 && in(counters, text_[i - 1]))
            for (char16_t o : measures) add(out, o, margin_measure);
        for (std::size_t s = i >= 3 ? i - 3 : 0; s <= i; ++s)
            for (std::size_t len = std::max<std::size_t>(2, i - s + 1);
                 len <= 4 && s + len <= text_.size(); ++len) {
                fits_.clear();
                patterns_.fits(text_.substr(s, len), i - s, fits_);
                for (const word_fit& w : fits_) {
                    const char16_t o = w.word[i - s];
                    if (w.info.frequency >= min_word_frequency && w.info.kind != word_class::name &&
                        sets_.confusable(c, o))
                        add(out, o, margin_word);
                }
            }
    }

    void replaced(std::size_t i, std::vector<finding>& out) {
        cands_.clear();
        candidates(i, cands_);
        if (cands_.empty()) return;
        const std::size_t a = from(i), b = to(i);
        std::u16string window(text_.substr(a, b - a));
        const double written = model_.score(window);
        std::vector<std::pair<double, char16_t>> better;
        for (const candidate& cand : cands_) {
            if (cand.with == text_[i]) continue;
            window[i - a] = cand.with;
            const double gain = model_.score(window) - written;
            if (gain >= cand.margin) better.emplace_back(gain, cand.with);
        }
        if (better.empty()) return;
        std::sort(better.begin(), better.end(), std::greater<>());
        finding f;
        f.pos = run_.offset + i;
        f.length = 1;
        f.err_word = text_utf16_to_utf8(text_.data() + i, 1);
        for (std::size_t k = 0; k < better.size() && k < max_suggestions; ++k)
            f.suggestions.push_back(text_utf16_to_utf8(&better[k].second, 1));
        out.push_back(std::move(f));
    }

    // 工作作总结, 我们们: a character written twice where the word has it once.
    void doubled(std::size_t i, const lexicon& words, std::vector<finding>& out) {
        if (words.find(text_.substr(i - 1, 2))) return;  // 常常, 看看: the doubled form is a word
        // 恭喜恭喜, 跳着跳着 and 高高兴兴 are doubled as a whole.
        if (i >= 3 && text_.compare(i - 3, 2, text_, i - 1, 2) == 0) return;
        if (i + 2 < text_.size() && text_[i + 1] == text_[i + 2]) return;
        const std::size_t a = from(i), b = to(i);
        const std::u16string window(text_.substr(a, b - a));
        std::u16string single = window;
        single.erase(i - a, 1);
        if (model_.score(single) - model_.score(window) < margin_doubled) return;
        finding f;
        f.pos = run_.offset + i - 1;
        f.length = 2;
        f.err_word = text_utf16_to_utf8(text_.data() + i - 1, 2);
        f.suggestions.push_back(text_utf16_to_utf8(text_.data() + i, 1));
        out.push_back(std::move(f));
    }

    const chinese_run& run_;
    std::u16string_view text_;
    const confusion_sets& sets_;
    const word_patterns& patterns_;
    const language_model& model_;
    std::vector<word_fit> fits_;
    std::vector<candidate> cands_;
};
}  // namespace

void rules_confusions(const std::vector<chinese_run>& runs, const lexicon& words,
                      const confusion_sets& sets, const word_patterns& patterns,
                      const language_model& model, std::vector<finding>& out) {
    for (const chinese_run& run : runs) run_checker(run, sets, patterns, model).check(words, out);
}

}  // namespace velmo_service
