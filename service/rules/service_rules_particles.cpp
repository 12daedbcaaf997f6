// 的, 地 and 得 confused: 的 between an adverbial and the verb it modifies,
// 地 before a noun, 得 between a noun and a noun. The word classes come from
// the lexicon's tags, which are coarse; each check therefore also asks for
// context that only the wrong particle fits.
#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
bool reduplicated(std::u16string_view w) {
    return (w.size() == 2 && w[0] == w[1]) || (w.size() == 4 && w[0] == w[1] && w[2] == w[3]);
}

struct reader {
    const chinese_run& run;
    const lexicon& words;
    std::u16string_view text(std::size_t t) const {
        return run.text.substr(run.tokens[t].begin, run.tokens[t].length());
    }
    const std::string& tag(std::size_t t) const { return words.tag_name(run.tokens[t].word.tag); }
    // Words that mostly modify verbs (认真, 慢慢); a plain adjective before 的
    // and a verb more often modifies a compound noun (新的贮藏条目).
    bool adverbial(std::size_t t) const { return tag(t) == "ad" || reduplicated(text(t)); }
    bool adjective(std::size_t t) const {
        const std::string& g = tag(t);
        return g == "a" || g == "b" || g == "z";
    }
    // A verb with an aspect particle after it acts as a verb for certain.
    bool verb_with_aspect(std::size_t t) const {
        if (t + 1 >= run.tokens.size() || run.tokens[t].word.kind != word_class::verb) return false;
        const std::u16string_view after = text(t + 1);
        return after == u"了" || after == u"着" || after == u"过";
    }
    // A verb followed by an object or a complement rather than ending the
    // phrase (积极的支持。is a noun use).
    bool acting_verb(std::size_t t) const {
        if (verb_with_aspect(t)) return true;
        if (t + 1 >= run.tokens.size() || tag(t) != "v") return false;
        const word_class k = run.tokens[t + 1].word.kind;
        return k == word_class::noun || k == word_class::number || k == word_class::adjective ||
               tag(t + 1) == "r";
    }
    bool noun(std::size_t t) const { return tag(t) == "n"; }
};

void flag(const chinese_run& run, const lexicon_token& token, const char16_t* suggestion,
          std::vector<finding>& out) {
    finding f;
    f.pos = run.offset + token.begin;
    f.length = token.length();
    f.level = level_suspect;
    f.err_word = text_utf16_to_utf8(run.text.data() + token.begin, token.length());
    f.suggestions.push_back(text_utf16_to_utf8(std::u16string(suggestion)));
    out.push_back(std::move(f));
}
}  // namespace

void rules_particles(const std::vector<chinese_run>& runs, const lexicon& words,
                     std::vector<finding>& out) {
    for (const chinese_run& run : runs) {
        const reader r{run, words};
        for (std::size_t t = 1; t + 1 < run.tokens.size(); ++t) {
            const std::u16string_view w = r.text(t);
            if (w == u"的" && ((r.adverbial(t - 1) && r.acting_verb(t + 1)) ||
                               (r.adjective(t - 1) && r.verb_with_aspect(t + 1)))) {
                flag(run, run.tokens[t], u"地", out);
            } else if (w == u"地" && r.run.tokens[t - 1].word.kind == word_class::adjective &&
                       r.tag(t - 1) != "z" && r.noun(t + 1)) {
                flag(run, run.tokens[t], u"的", out);
            } else if (w == u"得" && (r.noun(t - 1) || r.tag(t - 1) == "r") && r.noun(t + 1)) {
                flag(run, run.tokens[t], u"的", out);
            }
        }
    }
}

}  // namespace velmo_service
