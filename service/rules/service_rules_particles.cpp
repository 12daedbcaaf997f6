// 的, 地 and 得 confused, read as a table of patterns: the particle written,
// the one meant, and what the word before it and the word after it must be.
// 地 joins a manner adverbial to its verb (认真地完成), 得 joins a verb or
// adjective to its degree complement (跑得很快, 高兴得不得了), 的 joins an
// attribute to its noun (我的书). The word classes come from the lexicon's
// tags, which are coarse; each pattern therefore asks for context that only
// the particle meant fits, and leaves a reading it cannot tell apart alone.
#include <algorithm>
#include <initializer_list>

#include "base/service_text.h"
#include "lexicon/service_run_words.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
bool reduplicated(std::u16string_view w) {
    return (w.size() == 2 && w[0] == w[1]) || (w.size() == 4 && w[0] == w[1] && w[2] == w[3]);
}

// Words that grade the adjective after them (很认真, 非常高兴).
bool degree_word(std::u16string_view w) {
    return word_one_of(w, {u"很", u"非常", u"十分", u"那么", u"这么", u"多么", u"太", u"特别",
                           u"更", u"更加", u"越来越", u"比较", u"相当", u"挺", u"好", u"真"});
}

// Prepositions that open the phrase of a verb (耐心地跟我谈, 生气地把门关上).
bool preposition(std::u16string_view w) {
    return word_one_of(w, {u"跟", u"对", u"向", u"把", u"给", u"往", u"和", u"与", u"被", u"在",
                           u"从", u"为", u"替", u"将"});
}

// The particle's neighbours as the patterns ask about them.
using neighbours = run_words;

using place_test = bool (*)(const neighbours&, std::ptrdiff_t);

bool anything(const neighbours&, std::ptrdiff_t) { return true; }

// 认真, 慢慢, 不断, 安安静静: words that mostly modify a verb, whatever the
// word list tags some of them (专心 and 热心 as nouns). Other adverbs tagged
// so (特别, 共同, 真正) as often stand before a noun with 的.
bool manner_adverb(std::u16string_view w) {
    return word_one_of(
        w, {u"不断", u"不停", u"很快", u"快速",     u"尽情", u"默默", u"随便", u"尽心", u"自愿",
            u"逐渐", u"渐渐", u"悄悄", u"拼命",     u"大声", u"轻易", u"尽快", u"仔细", u"努力",
            u"认真", u"积极", u"明显", u"不知不觉", u"专心", u"热心", u"耐心", u"有效", u"缓慢",
            u"迅速", u"逐步", u"稳步", u"大幅",     u"由衷", u"持续", u"相对"});
}

bool manner_word(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    // Graded, 努力 describes the one who tries (他很努力的).
    if (w == u"努力" && degree_word(n.word(t - 1))) return false;
    // The word list tags some doubled adjectives places (高高兴兴/ns); doubled
    // numerals (许许多多) count.
    if (manner_adverb(w) || (w.size() == 4 && reduplicated(w) && n.tag(t) != "m")) return true;
    if (n.tagged(t, {"n", "m", "q", "r", "nr", "ns", "v", "vn", "f"})) return false;
    return n.tag(t) == "ad" || reduplicated(w);
}

// 好好的 after 会, 不能, 那么 or 怎么 reads as "well, fine" (会好好的, 不能好好的)
// as often as a manner.
bool acting_manner(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t) == u"好好" && word_one_of(n.word(t - 1), {u"会", u"不能", u"那么", u"怎么"}))
        return false;
    return manner_word(n, t);
}

// 很紧张, 非常耐心, 很热心: an adjective graded by the word before it (some
// are tagged nouns, but a noun is not graded by 很).
bool graded(const neighbours& n, std::ptrdiff_t t) {
    return (n.tagged(t, {"a", "ad", "an", "b", "z"}) && degree_word(n.word(t - 1))) ||
           (n.tag(t) == "n" && word_one_of(n.word(t - 1), {u"很", u"非常", u"十分"}));
}

// A graded adjective modifying a verb, not one counted as the attribute of
// a noun (一个很好的想法).
bool graded_adverbial(const neighbours& n, std::ptrdiff_t t) {
    return graded(n, t) && !n.tagged(t - 2, {"m", "q"});
}

// With 的, graded 努力 describes the one who tries (他很努力的); 很努力得 has no
// such reading, so there 地 is meant.
bool graded_manner(const neighbours& n, std::ptrdiff_t t) {
    return graded_adverbial(n, t) && n.word(t) != u"努力";
}

// An adjective after a numeral or measure word describes the noun counted
// (一座漂亮的办公楼).
bool counted_adjective(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"a", "b"}) && n.tagged(t - 1, {"m", "q"});
}

bool aspect_particle(std::u16string_view w) { return word_one_of(w, {u"了", u"着", u"著", u"过"}); }

bool adjective(const neighbours& n, std::ptrdiff_t t) { return n.tagged(t, {"a", "b", "z"}); }

// A verb with an aspect particle after it acts as a verb for certain.
bool verb_with_aspect(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"v", "vn"}) && aspect_particle(n.word(t + 1));
}

// 非常, 十分 right before the particle: the particle stands between the
// degree and the word it grades (非常的快).
bool degree_alone(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"非常", u"十分"});
}

// Verbs the word list tags otherwise (念书/n, 努力/ad, 过/ug): 过 right after
// a particle is no aspect particle but the verb (快快乐乐地过).
bool verb_tagged_otherwise(std::u16string_view w) {
    return word_one_of(w, {u"过", u"过日子", u"念书", u"努力", u"习惯"});
}

// A verb that heads its own phrase, not one used as a noun (是, 有 and the
// modal verbs follow 的 as the verb of the whole clause); a word that is
// verb or noun (检查, 研究) is a verb with an aspect particle after it.
bool verb_or_preposition(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    if (preposition(w)) return true;
    // Joined to another by 和, followed by 的 or 之, placed by 中 or 上, or
    // the subject of 是, a verb names the act (积极的支持和帮助, 正确的解决之道,
    // 严格的限定中, 正确的拼写是); 做法 and 写法 name a way whatever their tag.
    if (word_one_of(n.word(t + 1),
                    {u"和", u"与", u"及", u"以及", u"的", u"之", u"中", u"上", u"是"}) ||
        (w.size() > 1 && w.back() == u'法'))
        return false;
    // The object of 进行, 做 or 加以 is the act named (进行了完全的重写).
    if (word_one_of(n.word(t - 3), {u"进行", u"做", u"作", u"加以", u"给予", u"得到", u"受到"}) ||
        word_one_of(n.word(t - 4), {u"进行", u"加以", u"给予", u"得到", u"受到"}))
        return false;
    // So is what 有, 具有 or 提供 have, what 对于 is about, and what is
    // counted or described by another 的 (有详细的说明, 一个详细的跟踪).
    if (word_one_of(n.word(t - 3),
                    {u"有", u"具有", u"提供", u"对于", u"的", u"一个", u"几个", u"一种"}))
        return false;
    return (n.tag(t) == "v" && !word_one_of(w, {u"是", u"有", u"会", u"要", u"能", u"叫"})) ||
           verb_tagged_otherwise(w) || (n.tag(t) == "vn" && aspect_particle(n.word(t + 1)));
}

// A verb with an aspect particle, a complement of direction or an object
// pronoun after it acts as a verb for certain (尝了一口, 认得我).
bool acting_verb(const neighbours& n, std::ptrdiff_t t) {
    if (!verb_or_preposition(n, t)) return false;
    if (preposition(n.word(t))) return true;
    return aspect_particle(n.word(t + 1)) ||
           word_one_of(n.word(t + 1), {u"起来", u"下来", u"上"}) || n.tag(t + 1) == "r";
}

// Modal verbs: an adjective between one and the particle modifies the verb
// that the modal governs (可以自由的谈, 应该适当的限制).
bool modal_verb(std::u16string_view w) {
    return word_one_of(w, {u"可以", u"能", u"能够", u"应该", u"应", u"要", u"必须", u"才能",
                           u"就能", u"不能", u"无法", u"愿意", u"得", u"会", u"还是", u"一定"});
}

// How an act is done: a manner word, or an adjective or set phrase after a
// modal verb; not an attribute counted (一个) or named by 是, 有 or 的.
bool modal_or_manner(const neighbours& n, std::ptrdiff_t t) {
    if (n.tagged(t - 1, {"m", "q"}) || word_one_of(n.word(t - 1), {u"是", u"有", u"的"}))
        return false;
    return manner_word(n, t) ||
           (n.tagged(t, {"a", "ad", "z", "i", "l"}) && modal_verb(n.word(t - 1)));
}

bool object_pronoun(std::u16string_view w) {
    return personal_pronoun(w) || word_one_of(w, {u"它", u"它们", u"自己", u"大家", u"别人"});
}

// A word with an object pronoun after it acts as a verb, whatever the word
// list tags it (好好的利用他们, 不断的训练自己, 好好的孝顺他们); a few nouns of
// time head a clause of their own (小的时候我).
bool verb_with_object(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    if (word_one_of(w, {u"是", u"有", u"像", u"和", u"对", u"给", u"为", u"时候", u"时", u"时间",
                        u"部份", u"部分", u"问题"}))
        return false;
    return n.tagged(t, {"v", "vn", "n", "nz", "a", "ad", "l", "i"}) &&
           object_pronoun(n.word(t + 1));
}

// 好好, 慢慢, 开开心心: a doubled adverb, which no complement follows with 得.
bool doubled_adverb(const neighbours& n, std::ptrdiff_t t) {
    return reduplicated(n.word(t)) && n.tagged(t, {"d", "i"});
}
bool some_word(const neighbours& n, std::ptrdiff_t t) { return !n.word(t).empty(); }

// Nouns that are no complement and that 得 cannot take as its object
// (买得时候, 过得时间, 吃得东西).
bool thing_noun(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t),
                       {u"时候", u"样子", u"东西", u"地方", u"事情", u"时间", u"感觉", u"朋友"});
}

bool pronoun(const neighbours& n, std::ptrdiff_t t) { return n.tag(t) == "r"; }
// 英文, 中文: the word list tags the names of languages "nz".
bool language_noun(const neighbours& n, std::ptrdiff_t t) { return n.tag(t) == "nz"; }

// A place, a measure or 时候 takes no complement: 得 before a person that
// they describe is 的 (来台湾得我, 八十九公斤得我, 那个时候得他).
bool place_or_measure(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"ns", "q"}) || n.word(t) == u"时候";
}
bool person(const neighbours& n, std::ptrdiff_t t) { return personal_pronoun(n.word(t)); }

// Nouns that name no act, so 地 cannot lead to them (学习地意愿, 人地经验);
// unless an adverb of manner comes before, where 地 ends an adverbial that
// opens a clause (渐渐地问题就出现了), or 到 follows (清楚地感觉到).
bool no_manner_adverb(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) != "ad" && !manner_adverb(n.word(t));
}
bool head_noun(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"经验", u"因素", u"意愿", u"东西", u"事情", u"问题", u"关系",
                                   u"时候", u"地方", u"样子", u"个性", u"感觉"}) &&
           !word_one_of(n.word(t + 1), {u"到", u"出", u"得"});
}

// A graded word that names a quality, not a manner: 非常努力地读书 keeps 地
// before a verb the word list tags a noun.
bool graded_quality(const neighbours& n, std::ptrdiff_t t) {
    return graded(n, t) && no_manner_adverb(n, t);
}

// A verb compared with (比估计的慢) takes 的: the comparison is of what it names.
bool verb(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "v" && !word_one_of(n.word(t - 1), {u"比", u"像"});
}

bool graded_or_verb(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"a", "ad", "v", "d"});
}

// 觉得, 显得, 使得, 晓得: a verb that is only a word with 得. 值 is also the noun
// "value" (值的长度, 值的比较): 值得 only before what is worth doing or whom.
bool verb_needing_de(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t) == u"值")
        return word_one_of(n.word(t + 2), {u"一提", u"注意", u"我们", u"大家", u"学习", u"一看",
                                           u"称赞", u"庆幸", u"骄傲", u"信赖", u"推荐", u"珍惜",
                                           u"尊敬", u"关注", u"去", u"买", u"看", u"一试"});
    return word_one_of(n.word(t), {u"觉", u"显", u"使", u"晓"});
}

// 过, 长, 变: verbs whose outcome the complement tells (过得好, 长得帅, 变得自私).
bool verb_of_state(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"过", u"长", u"变"});
}

// 记的: 记得 meant unless a noun follows (我记的笔记); the word list tags
// 妳 "zg" and 吗 "y".
bool word_ji(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"记"; }
bool no_noun(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t).empty() || n.tagged(t, {"r", "v", "d", "zg", "y"});
}

// 懂的 before a verb: 懂得 meant (懂得欣赏); 我懂的 alone stays.
bool word_dong(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"懂"; }
bool plain_verb(const neighbours& n, std::ptrdiff_t t) { return n.tag(t) == "v"; }

// 病 and 穿, verbs the word list tags otherwise (病/n, 穿/zg): 病得很重.
bool untagged_verb(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"病", u"穿"});
}

// 不的了 inside 高兴得不得了.
bool bu_after_particle(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"不" && word_one_of(n.word(t - 1), {u"得", u"的"});
}
bool word_le(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"了"; }
// 来的及: 来得及 split by the word list.
bool word_lai(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"来"; }
bool word_ji_reach(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"及"; }

// 无法, 不法 are tagged nouns but read as the negation of a verb.
bool noun(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    return n.tag(t) == "n" && w.find_first_of(u"无不没") != 0;
}

// What a degree complement opens with (跑得很快, 做得不错); the word list
// holds some graded adjectives as words of their own (很漂亮, 很大).
bool degree_complement(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    // 更多信息, 更广泛的讨论: what the verb did describes the noun after it.
    for (std::ptrdiff_t k = t; k <= t + 2; ++k)
        if (n.word(k) == u"更多" || n.word(k + 1) == u"的" || noun(n, k + 1)) return false;
    return degree_word(w) || (w.size() > 1 && w[0] == u'很') ||
           word_one_of(n.word(t), {u"不错", u"不得了", u"要命", u"多", u"清楚", u"快", u"慢"});
}

bool extreme_complement(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"不得了", u"要命", u"要死", u"没话说", u"不行"});
}

// An adjective that ends its clause, alone or before a final particle
// (吃的饱。做的认真吗); adjectives that as often name a thing (感受到的快乐,
// 所需的最小; the word list tags 别名 an adjective) are left out.
bool closing_adjective(const neighbours& n, std::ptrdiff_t t) {
    if (!n.tagged(t, {"a", "ad"}) ||
        word_one_of(n.word(t), {u"快乐", u"幸福", u"成功", u"遗憾", u"痛苦", u"努力", u"一般",
                                u"别名", u"最小", u"最大", u"最长", u"极限"}))
        return false;
    const std::u16string_view next = n.word(t + 1);
    return next.empty() || word_one_of(next, {u"吗", u"呢", u"啊", u"了", u"吧", u"呀"});
}

// How a state turned out (过的很好, 过的怎么样, 长的帅, 变的自私): a degree
// complement, a question of how, or an adjective not before a noun (过的旧教室).
bool state_complement(const neighbours& n, std::ptrdiff_t t) {
    return degree_complement(n, t) || closing_adjective(n, t) ||
           word_one_of(n.word(t), {u"怎么样", u"如何", u"好不好", u"怎样", u"还", u"蛮", u"不"}) ||
           (n.tagged(t, {"a", "ad", "an"}) && !noun(n, t + 1));
}

// A complement of what can be done (看的到, 听的懂, 拿的出来).
bool potential_complement(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "v" &&
           word_one_of(n.word(t), {u"到", u"出", u"起", u"下", u"懂", u"完", u"出来", u"起来"});
}

bool word_zhen(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"真"; }

// A word that owns or describes the noun after the particle (我得书, 国家得人,
// 买得时候).
bool owner(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"n", "r", "m"}) && !graded(n, t);
}

// A verb, or a word that is verb or noun (生活, 经营).
bool verbal(const neighbours& n, std::ptrdiff_t t) { return verb(n, t) || n.tag(t) == "vn"; }

// After a verb, 得 before a word tagged a noun more often opens a complement
// (烧得面目全非, 叠得老高的): only a noun that the clause goes on from as its
// subject or object is taken (买得时候常常, 抄得笔记。).
bool noun_going_on(const neighbours& n, std::ptrdiff_t t) {
    return noun(n, t) && !n.tagged(t + 1, {"a", "n", "uj", "m"}) &&
           !word_one_of(n.word(t + 1), {u"与", u"和", u"的"});
}

// 的话 closes a condition (有空的话); 得话 is no word.
bool word_hua(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"话"; }

// A verb or 过 before 很 or 那么 (看地很远, 过地那么方便): the degree is that of
// the outcome. 好 and 真 are left out: 来地真好 means 来的.
bool acted(const neighbours& n, std::ptrdiff_t t) { return verbal(n, t) || verb_of_state(n, t); }
bool degree_opening(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    return degree_word(w) && !word_one_of(w, {u"好", u"真"});
}

// 得 ends no clause after a verb (事情就改变得。); 的 does (是应该的).
bool clause_end(const neighbours& n, std::ptrdiff_t t) { return n.word(t).empty(); }
// 有得 (有失才有得) and 要得 are words of their own.
bool verb_before_end(const neighbours& n, std::ptrdiff_t t) {
    return verb(n, t) && !word_one_of(n.word(t), {u"有", u"要"});
}

struct particle_pattern {
    char16_t written;
    char16_t meant;
    place_test before;  // the word right before the particle
    place_test after;   // the word right after it
};

// Tried in order; the first that fits decides.
const particle_pattern patterns[] = {
    {u'的', u'地', acting_manner, verb_or_preposition},     // 认真的完成, 慢慢的走
    {u'的', u'地', graded_manner, acting_verb},             // 很好奇的尝了一口
    {u'的', u'地', adjective, verb_with_aspect},            // 热烈的讨论了
    {u'的', u'地', degree_alone, graded_or_verb},           // 非常的快
    {u'的', u'得', verb_needing_de, anything},              // 觉的, 不晓的
    {u'的', u'得', word_ji, no_noun},                       // 我记的你
    {u'的', u'得', verb, degree_complement},                // 跑的很快, 做的不错
    {u'的', u'得', verb_of_state, state_complement},        // 过的怎么样, 长的帅
    {u'的', u'得', verb, closing_adjective},                // 吃的饱。
    {u'的', u'得', verb, potential_complement},             // 看的到
    {u'的', u'得', anything, extreme_complement},           // 高兴的不得了
    {u'得', u'的', word_zhen, anything},                    // 真得很好
    {u'得', u'的', owner, noun},                            // 我得书, 国家得人
    {u'得', u'的', verbal, noun_going_on},                  // 买得时候, 生活得压力
    {u'得', u'的', graded, noun},                           // 很无聊得事情
    {u'得', u'的', anything, word_hua},                     // 可以得话
    {u'得', u'的', verb_before_end, clause_end},            // 事情就改变得。
    {u'得', u'地', manner_word, verb_or_preposition},       // 慢慢得靠近
    {u'得', u'地', graded_adverbial, verb_or_preposition},  // 很生气得把
    {u'地', u'的', graded_quality, noun},                   // 很难懂地问题
    {u'地', u'的', counted_adjective, noun},                // 一座漂亮地办公楼
    {u'地', u'的', no_manner_adverb, head_noun},            // 学习地意愿
    {u'的', u'地', modal_or_manner, verb_with_object},      // 应该适当的限制他们
    {u'得', u'地', doubled_adverb, some_word},              // 好好得念书
    {u'的', u'得', word_dong, plain_verb},                  // 懂的欣赏
    {u'的', u'得', untagged_verb, degree_complement},       // 病的很严重
    {u'的', u'得', bu_after_particle, word_le},             // 高兴得不的了
    {u'得', u'的', anything, thing_noun},                   // 过得时间
    {u'得', u'的', pronoun, language_noun},                 // 我得英文
    {u'得', u'的', place_or_measure, person},               // 来台湾得我
    {u'的', u'得', word_lai, word_ji_reach},                // 来的及
    {u'地', u'得', acted, degree_opening},                  // 看地很远
};

void flag(const chinese_run& run, const lexicon_token& token, char16_t suggestion,
          std::vector<finding>& out) {
    finding f;
    f.pos = run.offset + token.begin;
    f.length = token.length();
    f.level = level_suspect;
    f.err_word = text_utf16_to_utf8(run.text.data() + token.begin, token.length());
    f.suggestions.push_back(text_utf16_to_utf8(std::u16string(1, suggestion)));
    out.push_back(std::move(f));
}
}  // namespace

void rules_particles(const std::vector<chinese_run>& runs, const lexicon& words,
                     std::vector<finding>& out) {
    for (const chinese_run& run : runs) {
        const neighbours n{run, words};
        for (std::size_t t = 1; t < run.tokens.size(); ++t) {
            const lexicon_token& token = run.tokens[t];
            if (token.length() != 1) continue;
            const char16_t c = run.text[token.begin];
            const auto at = static_cast<std::ptrdiff_t>(t);
            for (const particle_pattern& p : patterns)
                if (p.written == c && p.before(n, at - 1) && p.after(n, at + 1)) {
                    flag(run, token, p.meant, out);
                    break;
                }
        }
    }
}

}  // namespace velmo_service
