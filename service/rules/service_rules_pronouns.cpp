// 他 written for 她 and the reverse: a pronoun whose person, named just
// before it, is plainly of the other sex, or one in a paragraph that
// otherwise speaks of one person of the other sex throughout. Only a pronoun
// that stands alone of its kind in its paragraph, or is outnumbered there by
// the other, is questioned, and only where nothing in the paragraph names a
// person of its own sex.
#include <algorithm>
#include <initializer_list>

#include "base/service_text.h"
#include "lexicon/service_run_words.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
enum class sex { none, female, male, either };

bool ends_with(std::u16string_view text, std::u16string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

sex sex_of_pronoun(std::u16string_view w) {
    return w == u"她" ? sex::female : w == u"他" ? sex::male : sex::none;
}

sex sex_of_plural(std::u16string_view w) {
    return w == u"她们" ? sex::female : w == u"他们" ? sex::male : sex::none;
}

sex other_sex(sex s) { return s == sex::female ? sex::male : sex::female; }

bool contains_any(std::u16string_view text, std::u16string_view chars) {
    return text.find_first_of(chars) != std::u16string_view::npos;
}

constexpr std::u16string_view quotation_opens = u"「“\"『";
constexpr std::u16string_view quotation_closes = u"」”』";
constexpr std::u16string_view clause_ends = u"，,。；;：:！？!?、「」『』“”\"（）()…";

// What the rule knows of the people and animals a text names: the lists of
// data/rules/pronouns.rules.
struct pronoun_words {
    explicit pronoun_words(const word_rule_file& file)
        : women(file.list("women")),
          men(file.list("men")),
          women_titles(file.list("women-titles")),
          men_titles(file.list("men-titles")),
          either_sex(file.list("either-sex")),
          groups(file.list("groups")),
          callings(file.list("callings")),
          calling_of_three(file.list("calling-of-three")),
          roles(file.list("roles")),
          animals(file.list("animals")),
          animal_measures(file.list("animal-measures")),
          speaking(file.list("speaking")),
          partner_words(file.list("partner-words")),
          connectives(file.list("connectives")),
          said_adverbs(file.list("said-adverbs")),
          said_copulas(file.list("said-copulas")),
          said_of(file.list("said-of")),
          familiar(file.list("familiar")),
          person_measures(file.list("person-measures")),
          object_links(file.list("object-links")) {}

    const std::vector<std::u16string>&women, &men, &women_titles, &men_titles, &either_sex, &groups,
        &callings, &calling_of_three, &roles, &animals, &animal_measures, &speaking, &partner_words,
        &connectives, &said_adverbs, &said_copulas, &said_of, &familiar, &person_measures,
        &object_links;

    // Words that name a person and tell the person's sex, or name one of either.
    sex sex_of(std::u16string_view w) const {
        if (in(women, w)) return sex::female;
        if (in(men, w)) return sex::male;
        // A surname with a title, read as one word: 李女士, 王先生.
        if (w.size() == 3 || w.size() == 4) {
            if (any_ends(w, women_titles)) return sex::female;
            if (any_ends(w, men_titles)) return sex::male;
        }
        return in(either_sex, w) || is_role(w) ? sex::either : sex::none;
    }
    // Someone named by a role at work or in public (经理; 王经理, a surname
    // before the role read with it as one word): one more person a pronoun
    // may mean, of either sex.
    bool is_role(std::u16string_view w) const { return any_ends(w, roles); }
    // Whether a word naming someone of either sex names one more person, not
    // people at large or a family or couple taken as one; or names a calling.
    bool is_other_person(std::u16string_view w) const {
        if (sex_of(w) == sex::either) return !in(groups, w);
        return (w.size() >= 2 && any_ends(w, callings)) ||
               (w.size() >= 3 && any_ends(w, calling_of_three));
    }
    bool ends_with_partner_word(std::u16string_view before) const {
        return any_ends(before, partner_words);
    }
    // Whether a connective ends `before` (…没有钱后来他找, …所以她).
    bool ends_with_connective(std::u16string_view before) const {
        return any_ends(before, connectives);
    }
    // A connective is no part of a name (没有钱后来他: 钱 is money here).
    bool starts_with_connective(std::u16string_view after) const {
        return std::any_of(connectives.begin(), connectives.end(),
                           [&](const std::u16string& w) { return after.substr(0, w.size()) == w; });
    }
    // Verbs and prepositions whose object a pronoun is (帮他, 给他钱): a
    // person named as the subject of the same clause is not who the pronoun
    // means.
    bool takes_object(std::string_view tag, std::u16string_view w) const {
        return tag == "v" || tag == "p" || in(object_links, w);
    }
    static bool in(const std::vector<std::u16string>& list, std::u16string_view w) {
        return std::find(list.begin(), list.end(), w) != list.end();
    }
    static bool any_ends(std::u16string_view w, const std::vector<std::u16string>& ends) {
        return std::any_of(ends.begin(), ends.end(),
                           [&](const std::u16string& e) { return ends_with(w, e); });
    }
};

// A word of the text with its place in the whole text.
struct placed_word {
    std::size_t pos;
    std::u16string_view text;
    std::string_view tag;
    bool name;  // likely part of a person's name
};

// One paragraph's words, and what the whole paragraph says of its people:
// counted once, since a pronoun is only questioned where its paragraph holds
// no other of its kind.
class pronoun_reader {
  public:
    pronoun_reader(const std::u16string& text, const std::vector<placed_word>& paragraph,
                   const pronoun_words& known)
        : text_(text), words_(paragraph), known_(known) {
        std::size_t at = paragraph.empty() ? 0 : paragraph[0].pos;
        int open_quotations = 0;
        for (std::size_t k = 0; k < paragraph.size(); ++k) {
            const placed_word& p = paragraph[k];
            for (; at < p.pos; ++at)
                open_quotations += contains_any(quotation_opens, {&text[at], 1})    ? 1
                                   : contains_any(quotation_closes, {&text[at], 1}) ? -1
                                                                                    : 0;
            quoted_.push_back(open_quotations > 0);
            const int pronoun = index(sex_of_pronoun(p.text)), named = index(known_.sex_of(p.text)),
                      plural = index(sex_of_plural(p.text));
            if (pronoun >= 0) ++singles_[pronoun];
            if (plural >= 0) ++plurals_[plural];
            if (named >= 0) named_[named] = true;
            for (const int s : {pronoun, named})
                if (s >= 0) first_person_[s] = std::min(first_person_[s], k);
            if (plural >= 0) first_plural_[plural] = std::min(first_plural_[plural], k);
        }
    }

    // Only one pronoun of its sex, no plural and no person of that sex named.
    bool alone_of_its_kind(sex s) const {
        const int i = slot(s);
        return singles_[i] == 1 && plurals_[i] == 0 && !named_[i];
    }

    // Two or three pronouns of sex `s` among at least two more of the other
    // sex, with no plural and no person of sex `s` named: slips in a
    // paragraph about one person of the other sex.
    bool outnumbered(sex s) const {
        const int i = slot(s), o = slot(other_sex(s));
        return singles_[i] >= 2 && singles_[i] <= 3 && singles_[o] >= singles_[i] + 2 &&
               plurals_[i] == 0 && !named_[i];
    }

    // Whether the pronoun at `k` stands for an animal: the nearest one named
    // before it, in an earlier clause of its sentence or in the sentence
    // before, is an animal counted by 只, 条, 头 or 匹 (一只狗, 那只狮子), or
    // a pronoun already found to stand for it, with no person named in
    // between. Inside a quotation someone else speaks: nothing is assumed.
    bool means_animal(std::size_t k, const std::vector<bool>& animal_pronouns) const {
        if (quoted_[k]) return false;
        // One who speaks or thinks is a person (他说, 她觉得).
        if (k + 1 < words_.size() && pronoun_words::in(known_.speaking, words_[k + 1].text))
            return false;
        // A 它 later in its clause is the animal, so the pronoun is someone
        // else (他每天来喂它).
        for (std::size_t j = k + 1; j < words_.size() && !contains_any(gap(j - 1, j), clause_ends);
             ++j)
            if (words_[j].text == u"它" || words_[j].text == u"牠") return false;
        int sentence_ends = 0;
        for (std::size_t j = k; j-- > 0;) {
            if (contains_any(gap(j, j + 1), u"。！？!?") && ++sentence_ends > 1) return false;
            const std::u16string_view w = words_[j].text;
            // In the animal's own clause a pronoun is someone else (他说这只狗是他的).
            if (pronoun_words::in(known_.animals, w))
                return words_[j].pos > 0 &&
                       pronoun_words::in(known_.animal_measures,
                                         text_.substr(words_[j].pos - 1, 1)) &&
                       contains_any(gap(j, k), clause_ends);
            if (sex_of_pronoun(w) != sex::none) return animal_pronouns[j];
            if (known_.sex_of(w) != sex::none || words_[j].name || known_.is_other_person(w) ||
                w == u"他们" || w == u"她们")
                return false;
        }
        return false;
    }

    // Whether the plural at `k` (他们, 她们) is a slip for the other one: the
    // paragraph has spoken of a group as the other plural before it, and
    // more often, with no one of the plural's own sex and no one else before
    // it (她们都笑我…不跟他们见面).
    bool plural_slip(std::size_t k) const {
        const sex s = sex_of_plural(words_[k].text);
        const int i = slot(s), o = slot(other_sex(s));
        if (plurals_[i] >= plurals_[o] || first_person_[i] < k) return false;
        return first_plural_[o] < k && !someone_else_before(k);
    }

    // Whether a word naming a person of sex `s` stands in the paragraph.
    bool names(sex s) const { return named_[slot(s)]; }

    // Whether the paragraph speaks of one person of sex `s` throughout: its
    // pronoun more than once, or once beside a word naming such a person.
    bool speaks_of_one(sex s) const {
        const int i = slot(s);
        return singles_[i] >= 2 || (singles_[i] == 1 && named_[i]);
    }

    // Whether the pronoun at `k` follows a mention of a person of sex `s`
    // that it plausibly stands for: one in an earlier clause, or one in its
    // own clause when the pronoun opens a new subject there (她说他很忙 is one
    // person, 她约我跟他见面 and 她帮他的孩子 are two).
    bool follows_mention_of(std::size_t k, sex s) const {
        for (std::size_t j = k; j-- > 0;) {
            const std::u16string_view w = words_[j].text;
            if (known_.sex_of(w) != s && sex_of_pronoun(w) != s) continue;
            if (contains_any(gap(j, k), quotation_opens)) return false;  // someone else speaks
            if (contains_any(gap(j, k), clause_ends) || opens_clause(k)) return true;
            const std::size_t after = words_[k].pos + 1;
            if (after < text_.size() && text_[after] == u'的') return false;
            return !known_.ends_with_partner_word(
                std::u16string_view(text_).substr(0, words_[k].pos));
        }
        return false;
    }

    // Whether someone else stands before the word at `k`, not merely said of
    // another (她是我们的经理): someone named by a role within a few sentences,
    // or by name, a calling or a word of either sex in its sentence or the
    // one before. The pronoun may mean that person rather than the one its
    // other pronoun stands for.
    bool someone_else_before(std::size_t k) const {
        int sentence_ends = 0;
        for (std::size_t j = k; j-- > 0;) {
            if (contains_any(gap(j, j + 1), u"。！？!?") && ++sentence_ends > 3) break;
            const std::u16string_view w = words_[j].text;
            // 位 counts people only: 一位工程师, 这位 introduce someone.
            const bool introduced =
                j > 0 && pronoun_words::any_ends(words_[j - 1].text, known_.person_measures) &&
                sex_of_pronoun(w) == sex::none;
            const bool other_person =
                known_.is_role(w) ||
                (sentence_ends <= 1 && ((words_[j].name && known_.sex_of(w) == sex::none) ||
                                        introduced || known_.is_other_person(w)));
            if (other_person && !said_of_another(j)) return true;
        }
        return false;
    }

    // The sex of the person the pronoun at `k` refers back to, or none when
    // it is unclear.
    sex person_before(std::size_t k) const {
        enum { unknown, yes, no } someone_else = unknown;  // asked once, when needed
        int sentence_ends = 0;
        for (std::size_t j = k; j-- > 0;) {
            const std::u16string_view between = gap(j, j + 1);
            sentence_ends +=
                static_cast<int>(std::count_if(between.begin(), between.end(), [](char16_t c) {
                    return contains_any(u"。！？!?", {&c, 1});
                }));
            if (sentence_ends > 1) return sex::none;
            const std::u16string_view w = words_[j].text;
            sex s = known_.sex_of(w);
            if (s == sex::none && words_[j].name) s = sex::either;  // someone named by name
            // A pronoun names its person too, when used for that person
            // throughout and no one else is there.
            if (s == sex::none && index(sex_of_pronoun(w)) >= 0 &&
                singles_[index(sex_of_pronoun(w))] >= 2) {
                if (someone_else == unknown) someone_else = someone_else_before(k) ? yes : no;
                if (someone_else == no) s = sex_of_pronoun(w);
            }
            if (s == sex::none || (s == sex::either && said_of_another(j))) continue;
            if (contains_any(gap(j, k), quotation_opens)) return sex::none;
            if (k > 0 && known_.takes_object(words_[k - 1].tag, words_[k - 1].text) &&
                !opens_clause(k) && !contains_any(gap(j, k), u"，,。；;：:！？!?"))
                return sex::none;
            return s;
        }
        return sex::none;
    }

    // The sex of the person the pronoun at `k` is said to be, when its clause
    // ends on a word naming someone of one sex (他是一个女生。她就是王先生。),
    // and no one of the pronoun's own sex is named before it; else none.
    // What is said of someone else (他是妈妈的骄傲, 他是妈妈带大的) ends on
    // other words.
    sex said_to_be(std::size_t k) const {
        std::size_t j = k + 1;
        if (j < words_.size() && gap(k, j).empty() &&
            pronoun_words::in(known_.said_adverbs, words_[j].text))
            ++j;
        if (j >= words_.size() || !gap(j - 1, j).empty() ||
            !pronoun_words::in(known_.said_copulas, words_[j].text))
            return sex::none;
        for (++j; j < words_.size() && j < k + 10 && gap(j - 1, j).empty(); ++j) {
            const std::u16string_view w = words_[j].text;
            if (sex_of_pronoun(w) != sex::none) return sex::none;
            const sex s = known_.sex_of(w);
            if (s != sex::female && s != sex::male) continue;
            const bool clause_ends_here =
                j + 1 == words_.size() || contains_any(gap(j, j + 1), clause_ends);
            const bool own_named_before = std::any_of(
                words_.begin(), words_.begin() + static_cast<std::ptrdiff_t>(k),
                [&](const placed_word& p) { return known_.sex_of(p.text) == other_sex(s); });
            return clause_ends_here && !own_named_before ? s : sex::none;
        }
        return sex::none;
    }

  private:
    // Whether the word at `j` follows 是 or 当 in its clause: it says what
    // someone is (她是我们的经理), not who else is there.
    bool said_of_another(std::size_t j) const {
        for (std::size_t i = j; i-- > 0;) {
            if (contains_any(gap(i, i + 1), clause_ends)) return false;
            if (pronoun_words::in(known_.said_of, words_[i].text)) return true;
        }
        return false;
    }

    // Whether a connective right before the word at `k` opens its clause.
    bool opens_clause(std::size_t k) const {
        return known_.ends_with_connective(std::u16string_view(text_).substr(0, words_[k].pos));
    }

    static int index(sex s) { return s == sex::female ? 0 : s == sex::male ? 1 : -1; }
    // The slot of a sex the caller knows to be female or male.
    static int slot(sex s) { return s == sex::male ? 1 : 0; }
    // The text from the end of word `j` to the start of word `k`.
    std::u16string_view gap(std::size_t j, std::size_t k) const {
        const std::size_t from = words_[j].pos + words_[j].text.size();
        return std::u16string_view(text_).substr(from, words_[k].pos - from);
    }
    const std::u16string& text_;
    const std::vector<placed_word>& words_;
    const pronoun_words& known_;
    // Per word: whether a quotation opened before it in the paragraph is still open.
    std::vector<bool> quoted_;
    // The first word naming or standing for a person of each sex, and the
    // first plural of each (npos when there is none).
    std::size_t first_person_[2] = {npos, npos};
    std::size_t first_plural_[2] = {npos, npos};
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    int singles_[2] = {0, 0};
    int plurals_[2] = {0, 0};
    bool named_[2] = {false, false};
};

void check_paragraph(const std::u16string& text, const std::vector<placed_word>& words,
                     const pronoun_words& known, std::vector<finding>& out) {
    const pronoun_reader reader(text, words, known);
    const auto report_as = [&](std::size_t k, const char* meant) {
        finding f;
        f.pos = words[k].pos;
        f.length = 1;
        f.level = level_suspect;
        f.err_word = text_utf16_to_utf8(text.substr(words[k].pos, 1));
        f.suggestions.push_back(meant);
        out.push_back(std::move(f));
    };
    const auto report = [&](std::size_t k, sex meant) {
        report_as(k, meant == sex::female ? "她" : "他");
    };
    // A writer who spells the animal pronoun 牠 in the paragraph gets it suggested; else 它.
    const bool writes_tuo = std::any_of(words.begin(), words.end(), [](const placed_word& w) {
        return w.text.find(u'牠') != w.text.npos;
    });
    std::vector<bool> animal_pronouns(words.size(), false);
    for (std::size_t k = 0; k < words.size(); ++k) {
        const std::u16string_view w = words[k].text;
        if (sex_of_plural(w) != sex::none && reader.plural_slip(k)) {
            report(k, other_sex(sex_of_plural(w)));
            continue;
        }
        const sex written = sex_of_pronoun(w);
        if (written == sex::none) continue;
        if (reader.means_animal(k, animal_pronouns)) {
            animal_pronouns[k] = true;
            report_as(k, writes_tuo ? "牠" : "它");
            continue;
        }
        // 他门 is 他们 mistyped, not a pronoun of one person.
        if (words[k].pos + 1 < text.size() && text[words[k].pos + 1] == u'门') continue;
        if (const sex said = reader.said_to_be(k); said == other_sex(written)) {
            report(k, said);
            continue;
        }
        const bool alone = reader.alone_of_its_kind(written);
        if (!alone && !reader.outnumbered(written)) continue;
        // 她 for 他 is the rarer slip: a 她 as the partner of a clause (跟她说,
        // 约她) beside a man spoken of only as 他 is mostly a second person.
        if (written == sex::female && !reader.names(sex::male) &&
            known.ends_with_partner_word(std::u16string_view(text).substr(0, words[k].pos)))
            continue;
        sex meant = alone ? reader.person_before(k) : sex::none;
        if (meant == sex::none || meant == sex::either) {
            const sex other = other_sex(written);
            if (!reader.speaks_of_one(other) || !reader.follows_mention_of(k, other) ||
                reader.someone_else_before(k))
                continue;
            meant = other;
        }
        if (meant != written) report(k, meant);
    }
}
}  // namespace

void rules_pronouns(const std::u16string& text, const std::vector<chinese_run>& runs,
                    const lexicon& words, const word_rule_file& lists, std::vector<finding>& out) {
    const pronoun_words known(lists);
    std::vector<placed_word> paragraph;
    std::size_t paragraph_end = 0;
    for (const chinese_run& run : runs) {
        if (run.offset >= paragraph_end) {
            check_paragraph(text, paragraph, known, out);
            paragraph.clear();
            paragraph_end = text.find_first_of(u"\n\r\u2029", run.offset);
            if (paragraph_end == std::u16string::npos) paragraph_end = text.size();
        }
        const std::vector<bool> names = rules_probable_names(run);
        for (std::size_t i = 0; i < run.tokens.size(); ++i) {
            const lexicon_token& t = run.tokens[i];
            const std::u16string_view w = run.text.substr(t.begin, t.length());
            const std::string_view tag = words.tag_name(t.word.tag);
            // A lone surname character is mostly some other word (连, 王)
            // unless it follows 小 or 老 (小王, 老张) or reads as a full name.
            const bool after_familiar =
                i > 0 && pronoun_words::in(known.familiar, paragraph.back().text);
            const bool name =
                (names[t.begin] || (tag == "nr" && (w.size() >= 2 || after_familiar))) &&
                !known.starts_with_connective(run.text.substr(t.begin)) &&
                !known.starts_with_connective(run.text.substr(t.end));
            paragraph.push_back({run.offset + t.begin, w, tag, name});
        }
    }
    check_paragraph(text, paragraph, known, out);
}

}  // namespace velmo_service
