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

// Words naming someone by a role at work or in public (经理, 王经理): one
// more person a pronoun may mean, of either sex.
bool is_role(std::u16string_view w) {
    static const std::u16string_view roles[] = {
        u"经理", u"助理", u"上司", u"领导",   u"主任",   u"总监", u"秘书",   u"客户", u"顾客",
        u"员工", u"职员", u"主管", u"主持人", u"负责人", u"司机", u"护士",   u"律师", u"记者",
        u"专家", u"房东", u"校长", u"院长",   u"部长",   u"局长", u"处长",   u"科长", u"董事长",
        u"总裁", u"代表", u"作者", u"师傅",   u"警察",   u"对方", u"总经理", u"同事", u"老板"};
    // A surname before the role may be read with it as one word (王经理).
    return std::any_of(std::begin(roles), std::end(roles),
                       [&](std::u16string_view r) { return ends_with(w, r); });
}

// Words that name a person and tell the person's sex, or name one of either.
sex sex_of(std::u16string_view w) {
    static const std::u16string_view female[] = {
        u"妈妈", u"母亲",   u"妈",     u"老妈",   u"妈咪", u"姐姐", u"姐",     u"大姐",   u"姊姊",
        u"妹妹", u"妹",     u"小妹",   u"女朋友", u"女友", u"太太", u"妻子",   u"老婆",   u"夫人",
        u"女儿", u"奶奶",   u"外婆",   u"姥姥",   u"祖母", u"婆婆", u"阿姨",   u"姑姑",   u"舅妈",
        u"婶婶", u"嫂子",   u"小姐",   u"女士",   u"女生", u"女孩", u"女孩子", u"姑娘",   u"女人",
        u"妇女", u"女同学", u"女老师", u"媳妇",   u"新娘", u"修女", u"公主",   u"皇后",   u"表姐",
        u"表姊", u"表妹",   u"堂姐",   u"堂妹",   u"姊妹", u"姐妹", u"表姊妹", u"表姐妹", u"女子",
        u"少女", u"老太太", u"大妈"};
    static const std::u16string_view male[] = {
        u"爸爸", u"父亲",   u"爸",     u"老爸", u"哥哥",   u"哥",   u"大哥", u"弟弟",
        u"弟",   u"男朋友", u"男友",   u"先生", u"丈夫",   u"老公", u"儿子", u"爷爷",
        u"外公", u"姥爷",   u"祖父",   u"叔叔", u"伯伯",   u"大伯", u"伯父", u"舅舅",
        u"男生", u"男孩",   u"男孩子", u"男人", u"新郎",   u"王子", u"国王", u"兄弟",
        u"表哥", u"表弟",   u"堂哥",   u"堂弟", u"小伙子", u"男子", u"男士", u"老头"};
    static const std::u16string_view either[] = {
        u"朋友",   u"老师", u"同学", u"人",   u"医生", u"孩子",   u"小孩", u"小孩子",
        u"小朋友", u"学生", u"室友", u"同事", u"老板", u"邻居",   u"客人", u"家人",
        u"父母",   u"爸妈", u"亲人", u"夫妻", u"教授", u"人们",   u"大家", u"别人",
        u"有人",   u"导师", u"儿童", u"病人", u"老人", u"老人家", u"工人", u"陌生人",
        u"路人",   u"乘客", u"观众", u"嘉宾", u"保安", u"家教",   u"上级", u"下属",
        u"搭档",   u"伙伴", u"同伴", u"队友", u"网友", u"主人",   u"爱人", u"对手"};
    const auto in = [&](const auto& list) {
        return std::find(std::begin(list), std::end(list), w) != std::end(list);
    };
    if (in(female)) return sex::female;
    if (in(male)) return sex::male;
    // A surname with a title, read as one word: 李女士, 王先生.
    if (w.size() == 3 || w.size() == 4) {
        if (ends_with(w, u"女士") || ends_with(w, u"小姐") || ends_with(w, u"太太") ||
            ends_with(w, u"夫人"))
            return sex::female;
        if (ends_with(w, u"先生")) return sex::male;
    }
    return in(either) || is_role(w) ? sex::either : sex::none;
}

// Whether a word naming someone of either sex names one more person, not
// people at large (人, 大家) or a family or couple taken as one.
bool is_other_person(std::u16string_view w) {
    static const std::u16string_view groups[] = {u"人",   u"人们", u"大家", u"别人", u"有人",
                                                 u"家人", u"父母", u"爸妈", u"亲人", u"夫妻"};
    if (sex_of(w) == sex::either)
        return std::find(std::begin(groups), std::end(groups), w) == std::end(groups);
    // Callings by their last character: 工程师, 服务员, 记者, 歌手, 科学家.
    static const std::u16string_view callings[] = {u"师", u"员", u"者", u"手"};
    return (w.size() >= 2 && std::any_of(std::begin(callings), std::end(callings),
                                         [&](std::u16string_view c) { return ends_with(w, c); })) ||
           (w.size() >= 3 && ends_with(w, u"家"));
}

// Words naming an animal, which 它 stands for rather than 他 or 她.
bool is_animal(std::u16string_view w) {
    static const std::u16string_view animals[] = {
        u"狗",   u"小狗", u"狗狗", u"猫",   u"小猫", u"猫咪", u"鸟",   u"小鸟", u"马",
        u"牛",   u"羊",   u"猪",   u"老虎", u"狮子", u"熊",   u"熊猫", u"兔子", u"猴子",
        u"大象", u"蛇",   u"鱼",   u"乌龟", u"海龟", u"老鼠", u"蟑螂", u"宠物"};
    return std::find(std::begin(animals), std::end(animals), w) != std::end(animals);
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

// Words after which a pronoun is the second person of a clause (跟他, 告诉她),
// not its subject.
bool ends_with_partner_word(std::u16string_view before) {
    static const std::u16string_view partner_words[] = {
        u"跟",   u"和", u"与", u"给", u"对", u"帮", u"请", u"叫", u"让", u"问",
        u"告诉", u"陪", u"约", u"找", u"同", u"替", u"向", u"把", u"被"};
    return std::any_of(std::begin(partner_words), std::end(partner_words),
                       [&](std::u16string_view w) { return ends_with(before, w); });
}

// Whether a connective ends `before` (…没有钱后来他找, …所以她): learners
// often leave out the comma, yet the pronoun after it opens a new clause.
constexpr std::u16string_view connectives[] = {u"后来", u"然后", u"所以", u"但是", u"可是",
                                               u"因为", u"因此", u"于是", u"不过", u"结果"};

bool ends_with_connective(std::u16string_view before) {
    return std::any_of(std::begin(connectives), std::end(connectives),
                       [&](std::u16string_view w) { return ends_with(before, w); });
}

// A connective is no part of a name (没有钱后来他: 钱 is money here).
bool starts_with_connective(std::u16string_view after) {
    return std::any_of(std::begin(connectives), std::end(connectives),
                       [&](std::u16string_view w) { return after.substr(0, w.size()) == w; });
}

// A word of the text with its place in the whole text.
struct placed_word {
    std::size_t pos;
    std::u16string_view text;
    std::string_view tag;
    bool name;  // likely part of a person's name
};

// Verbs and prepositions whose object a pronoun is (帮他, 给他钱): a person
// named as the subject of the same clause is not who the pronoun means.
bool takes_object(const placed_word& w) {
    return w.tag == "v" || w.tag == "p" || w.text == u"和" || w.text == u"与";
}

// One paragraph's words, and what the whole paragraph says of its people:
// counted once, since a pronoun is only questioned where its paragraph holds
// no other of its kind.
class pronoun_reader {
  public:
    pronoun_reader(const std::u16string& text, const std::vector<placed_word>& paragraph)
        : text_(text), words_(paragraph) {
        std::size_t at = paragraph.empty() ? 0 : paragraph[0].pos;
        int open_quotations = 0;
        for (std::size_t k = 0; k < paragraph.size(); ++k) {
            const placed_word& p = paragraph[k];
            for (; at < p.pos; ++at)
                open_quotations += contains_any(quotation_opens, {&text[at], 1})    ? 1
                                   : contains_any(quotation_closes, {&text[at], 1}) ? -1
                                                                                    : 0;
            quoted_.push_back(open_quotations > 0);
            const int pronoun = index(sex_of_pronoun(p.text)), named = index(sex_of(p.text)),
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
        if (k + 1 < words_.size() &&
            word_one_of(words_[k + 1].text,
                        {u"说", u"问", u"告诉", u"回答", u"觉得", u"认为", u"想"}))
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
            if (is_animal(w))
                return words_[j].pos > 0 &&
                       contains_any(text_.substr(words_[j].pos - 1, 1), u"只条头匹") &&
                       contains_any(gap(j, k), clause_ends);
            if (sex_of_pronoun(w) != sex::none) return animal_pronouns[j];
            if (sex_of(w) != sex::none || words_[j].name || is_other_person(w) || w == u"他们" ||
                w == u"她们")
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
            if (sex_of(w) != s && sex_of_pronoun(w) != s) continue;
            if (contains_any(gap(j, k), quotation_opens)) return false;  // someone else speaks
            if (contains_any(gap(j, k), clause_ends) || opens_clause(k)) return true;
            const std::size_t after = words_[k].pos + 1;
            if (after < text_.size() && text_[after] == u'的') return false;
            return !ends_with_partner_word(std::u16string_view(text_).substr(0, words_[k].pos));
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
                j > 0 && ends_with(words_[j - 1].text, u"位") && sex_of_pronoun(w) == sex::none;
            const bool other_person =
                is_role(w) || (sentence_ends <= 1 && ((words_[j].name && sex_of(w) == sex::none) ||
                                                      introduced || is_other_person(w)));
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
            sex s = sex_of(w);
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
            if (k > 0 && takes_object(words_[k - 1]) && !opens_clause(k) &&
                !contains_any(gap(j, k), u"，,。；;：:！？!?"))
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
        static const std::u16string_view adverbs[] = {u"也",   u"就",   u"都",  u"真",
                                                      u"其实", u"原来", u"本来"};
        static const std::u16string_view copulas[] = {u"是",   u"也是", u"就是", u"都是",
                                                      u"真是", u"才是", u"正是"};
        const auto is_one_of = [](const auto& list, std::u16string_view w) {
            return std::find(std::begin(list), std::end(list), w) != std::end(list);
        };
        std::size_t j = k + 1;
        if (j < words_.size() && gap(k, j).empty() && is_one_of(adverbs, words_[j].text)) ++j;
        if (j >= words_.size() || !gap(j - 1, j).empty() || !is_one_of(copulas, words_[j].text))
            return sex::none;
        for (++j; j < words_.size() && j < k + 10 && gap(j - 1, j).empty(); ++j) {
            const std::u16string_view w = words_[j].text;
            if (sex_of_pronoun(w) != sex::none) return sex::none;
            const sex s = sex_of(w);
            if (s != sex::female && s != sex::male) continue;
            const bool clause_ends_here =
                j + 1 == words_.size() || contains_any(gap(j, j + 1), clause_ends);
            const bool own_named_before =
                std::any_of(words_.begin(), words_.begin() + static_cast<std::ptrdiff_t>(k),
                            [&](const placed_word& p) { return sex_of(p.text) == other_sex(s); });
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
            const std::u16string_view w = words_[i].text;
            static const std::u16string_view copulas[] = {
                u"是",   u"只是", u"就是", u"也是", u"都是", u"不是", u"真是",
                u"正是", u"才是", u"当",   u"担任", u"作为", u"成为"};
            if (std::find(std::begin(copulas), std::end(copulas), w) != std::end(copulas))
                return true;
        }
        return false;
    }

    // Whether a connective right before the word at `k` opens its clause.
    bool opens_clause(std::size_t k) const {
        return ends_with_connective(std::u16string_view(text_).substr(0, words_[k].pos));
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
                     std::vector<finding>& out) {
    const pronoun_reader reader(text, words);
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
            ends_with_partner_word(std::u16string_view(text).substr(0, words[k].pos)))
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
                    const lexicon& words, std::vector<finding>& out) {
    std::vector<placed_word> paragraph;
    std::size_t paragraph_end = 0;
    for (const chinese_run& run : runs) {
        if (run.offset >= paragraph_end) {
            check_paragraph(text, paragraph, out);
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
                i > 0 && (paragraph.back().text == u"小" || paragraph.back().text == u"老");
            const bool name =
                (names[t.begin] || (tag == "nr" && (w.size() >= 2 || after_familiar))) &&
                !starts_with_connective(run.text.substr(t.begin)) &&
                !starts_with_connective(run.text.substr(t.end));
            paragraph.push_back({run.offset + t.begin, w, tag, name});
        }
    }
    check_paragraph(text, paragraph, out);
}

}  // namespace velmo_service
