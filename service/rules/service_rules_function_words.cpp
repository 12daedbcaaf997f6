// Function characters written for one of like sound, read as a table of
// patterns: the word written, the word meant, and a test of the word before
// it and of the word after it. 在 and 再 (不会在来 / 再台湾), 哪 and 那 (哪么,
// 因为哪里有), 做 and 作 (作法, 工做), 像 and 想 (好想是, 想爸爸一样), 以, 已
// and 一 (以经, 一前, 以起), 是 and 事 (这件是, 事不是), 里 and 理 (这理, 处里,
// 心理很难过), and other words a learner writes for one of like sound (除了…意外,
// 戴…眼睛, T血, 好吃阿, 用量不过, 这么样, 想一想把, 记得我马？). Each pattern
// asks for context that only the word meant fits: both characters are common,
// so a reading that could go either way is left to the word model of the
// confusions rule.
#include <algorithm>
#include <initializer_list>

#include "base/service_text.h"
#include "lexicon/service_run_words.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
// The word's neighbours as the patterns ask about them, and the text around
// the run for what the whole sentence is.
struct neighbours : run_words {
    const std::u16string& text;
    // The sentence the run belongs to ends in a question mark.
    bool in_question() const {
        for (std::size_t i = run.offset + run.text.size(); i < text.size(); ++i) {
            const char16_t c = text[i];
            if (c == u'？' || c == u'?') return true;
            if (c == u'。' || c == u'！' || c == u'!') return false;
        }
        return false;
    }
    // The clause goes on past the run (in Latin letters, digits, 、 or a
    // quote: 在使用了选项 dir 的时候), where the run's words cannot see it.
    bool clause_goes_on() const {
        const std::size_t end = run.offset + run.text.size();
        return end < text.size() && std::u16string_view(u"，。！？；：,.!?;:").find(text[end]) ==
                                        std::u16string_view::npos;
    }
};

using place_test = bool (*)(const neighbours&, std::ptrdiff_t);
// One of `words` stands in the clause from the word at t on, or from it back.
bool later_in_clause(const neighbours& n, std::ptrdiff_t t,
                     std::initializer_list<std::u16string_view> words) {
    for (std::ptrdiff_t i = t; !n.word(i).empty(); ++i)
        if (word_one_of(n.word(i), words)) return true;
    return false;
}
bool earlier_in_clause(const neighbours& n, std::ptrdiff_t t,
                       std::initializer_list<std::u16string_view> words) {
    for (std::ptrdiff_t i = t; !n.word(i).empty(); --i)
        if (word_one_of(n.word(i), words)) return true;
    return false;
}

bool anything(const neighbours&, std::ptrdiff_t) { return true; }
bool clause_start(const neighbours& n, std::ptrdiff_t t) { return n.word(t).empty(); }
bool within_clause(const neighbours& n, std::ptrdiff_t t) { return !n.word(t).empty(); }

// 不会, 不想, 别 before 在 + verb: 再 (again) is meant, unless a place or time
// follows the verb (不会在上课时间睡).
bool wish_or_negation(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"不会", u"不想", u"想", u"不用", u"不必", u"别", u"不能",
                                   u"还要", u"千万别", u"不要"});
}
// A place or time anywhere later in the clause keeps 在 (在开车时, 在学习方面,
// 在楼下有), and so does a clause that goes on where the run's words end.
bool place_or_time_after(const neighbours& n, std::ptrdiff_t t) {
    if (n.clause_goes_on()) return true;  // unseen, it may hold one
    for (std::ptrdiff_t i = t; !n.word(i).empty(); ++i)
        if (n.tagged(i, {"s", "ns", "f", "t"}) ||
            word_one_of(n.word(i), {u"时间", u"时候", u"时", u"方面", u"那天", u"的", u"中", u"里",
                                    u"上", u"之后", u"以后", u"前", u"后", u"期间", u"有"}))
            return true;
    return false;
}
bool verb_without_place(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "v" && !place_or_time_after(n, t + 1);
}
// 然后在去, ，在搭捷运: a clause or a next step opening with 在 + verb (先在
// + verb is 现在 + verb, below).
bool next_step(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"然后"; }
bool action_without_place(const neighbours& n, std::ptrdiff_t t) {
    return verb_without_place(n, t) && !word_one_of(n.word(t), {u"是", u"有", u"于"});
}
// 在过一个月, 在过了几年: 再过 before a length of time.
bool time_passing(const neighbours& n, std::ptrdiff_t t) {
    const std::ptrdiff_t count = n.word(t + 1) == u"了" ? t + 2 : t + 1;
    return n.word(t) == u"过" && n.tag(count) == "m";
}
// 再来, 再加上, 再也, 再见: 在 fits none of them.
bool again_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"来", u"加上", u"也", u"见", u"去"});
}
// 再说, 再一次 + verb opening a clause (他们在说 is going on, 在一次偶然的
// 相会里 a time).
bool again_at_start(const neighbours& n, std::ptrdiff_t t) {
    if (!clause_start(n, t - 2)) return false;
    return n.word(t) == u"说" || (n.word(t) == u"一次" && n.tag(t + 1) == "v");
}
// A place: 再台湾, 再网上, 再那里 mean 在.
// The word list tags some verbs of motion as places (上楼, 关上, 回国): 再上楼
// is going up next, not a place.
bool place(const neighbours& n, std::ptrdiff_t t) {
    if (word_one_of(n.word(t), {u"上楼", u"下楼", u"关上", u"上山", u"下山", u"回国", u"上街",
                                u"上台", u"入门"}))
        return false;
    return n.tagged(t, {"s", "ns"}) || (n.tag(t) == "f" && n.word(t).size() > 1) ||
           word_one_of(n.word(t), {u"这里", u"那里", u"这儿", u"那儿", u"家", u"家里", u"学校"});
}

// 哪么, 哪时候, 哪样: no question word goes with these.
bool that_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"么", u"嘛", u"嚜", u"时候", u"时", u"样", u"附近", u"且"});
}
// ，哪里有很多小吃 / 因为哪里的风景: a place already named, opening a
// statement (哪里去都, 哪里也 mean anywhere).
bool clause_opening(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"", u"因为", u"所以", u"而且", u"但是", u"可是"});
}
bool statement_going_on(const neighbours& n, std::ptrdiff_t t) {
    return !n.word(t).empty() && !n.in_question() && !later_in_clause(n, t, {u"都", u"也"});
}
bool place_named_after(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"的", u"有"});
}
bool statement(const neighbours& n, std::ptrdiff_t) { return !n.in_question(); }
// 我最喜欢哪个地方！: a liking or a reason names the thing.
bool liking(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"喜欢", u"最喜欢", u"因为", u"请"});
}

// 作事, 作功课, 作饭: things one does (做).
bool thing_done(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"事", u"功课", u"人", u"些", u"这个", u"事情", u"饭", u"菜",
                                   u"运动", u"生意", u"好", u"完"});
}
// 工做, 动做, 制做: only 作 makes these words.
bool work_prefix(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"工", u"动", u"制"});
}

// 好想是, 好想快要: 好像 (it seems) is meant.
bool word_hao(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"好"; }
bool seeming(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"是", u"快要"});
}
// 想爸爸一样: a likeness closed by 一样 in the same clause (跟我想的不一样 is
// a thought).
bool not_compared(const neighbours& n, std::ptrdiff_t t) {
    return !word_one_of(n.word(t), {u"跟", u"所", u"和"});
}
bool closes_with_same(const neighbours& n, std::ptrdiff_t t) {
    return later_in_clause(n, t + 1, {u"一样"});
}
bool likeness(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"n", "r", "nr", "ns"}) && closes_with_same(n, t);
}
// 很像去, 不像花: a wish before a verb.
bool wish_adverb(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"很", u"不", u"真", u"真的", u"也", u"要", u"还", u"会"});
}
bool verb_not_likened(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "v" && !closes_with_same(n, t);
}

// 景像, 表像, 印像: words of 象 (image, sign).
bool image_prefix(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"景", u"表", u"假", u"印", u"现", u"抽", u"对", u"形"});
}

// 以经, 以竟, 以开发: 已 (already).
bool already_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"经", u"经是", u"竟", u"开发"});
}
// 以个, 以起, 以直, 以定: words of 一 (以个人名义 is by one's own name).
bool one_word(const neighbours& n, std::ptrdiff_t t) {
    // Not 点 nor 次: 以点分隔, 以次类推 are written so on purpose.
    return word_one_of(n.word(t), {u"个", u"起", u"样", u"直", u"定", u"些", u"天", u"切", u"边",
                                   u"种", u"般", u"块", u"位"});
}
// 看以下。: 一下 after a verb closing its clause.
bool close_of_verb(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"", u"了", u"吧", u"就", u"我", u"你", u"他", u"她"});
}
bool verb_before(const neighbours& n, std::ptrdiff_t t) { return n.tag(t) == "v"; }
// 旅行一前, 睡觉一后, 母亲一外: 以前, 以后, 以外 (一前一后 and 第一 stay).
bool not_counted(const neighbours& n, std::ptrdiff_t t) {
    return !n.tagged(t, {"m", "q", ""}) && n.word(t) != u"第";
}
bool before_or_after(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"前", u"后", u"外"}) && n.word(t + 1) != u"一";
}
bool before_or_after_only(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"前", u"后"});
}
bool together_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"起", u"样", u"定"});
}

// 事不是, 但事, 就事: the verb 是.
bool question_of_being(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"不是", u"否"});
}
bool adverb_before_being(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"就", u"也", u"都", u"还", u"但", u"可", u"只", u"总", u"真"});
}
// 一件是: a matter counted (事); 这件是 as often points back to a thing
// named before.
bool matter_counted(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"一件", u"两件", u"每一件"}) ||
           (n.word(t) == u"件" && n.tag(t - 1) == "m");
}
// 的是候, 小是候: 时候.
bool time_before(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"的", u"有", u"小", u"那"});
}
bool time_after(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"候", u"后"});
}

// 这理, 家理, 梦理。: 里 (inside) after a place or a thing.
bool where_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"这", u"那", u"哪", u"家", u"夜", u"心", u"城", u"手", u"村",
                                   u"店", u"公司", u"学校", u"眼"});
}
bool thing(const neighbours& n, std::ptrdiff_t t) { return n.tagged(t, {"n", "s"}); }
bool inside_close(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"", u"面"});
}
// 处里 is also the office of a division (处里的同事, 我们处里): only after a
// word that leads to an act (好好处里, 来处里) is 处理 meant.
bool word_chu(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"处" && !n.word(t - 1).empty() && !n.tagged(t - 1, {"r", "m", "n"});
}
// 我心理觉得, 让爸爸心理失望: 心里 where a person or an adverb stands
// before and a verb after (身体何心理 is the mind beside the body).
bool person_or_adverb(const neighbours& n, std::ptrdiff_t t) {
    return (n.tag(t) == "r" && n.word(t) != u"何") || n.tag(t) == "d" ||
           word_one_of(n.word(t), {u"让", u"使"});
}
bool verb(const neighbours& n, std::ptrdiff_t t) { return n.tag(t) == "v"; }
// 心理 standing for 心里 (in one's heart): not the start of a noun phrase
// (心理学, 心理上, 心理的, 心理压力).
bool not_mind_noun(const neighbours& n, std::ptrdiff_t t) {
    return !n.tagged(t, {"n", "vn", "nz", "ng", "v", "uj"}) &&
           !word_one_of(n.word(t), {u"学", u"上", u"学家", u"状态"});
}

// 除了…意外: the exception 以外 closes what 除了 opened in the clause.
bool besides_opened(const neighbours& n, std::ptrdiff_t t) {
    return earlier_in_clause(n, t, {u"除了", u"除"});
}
// 戴着黑色的眼睛: what is worn is 眼镜 (glasses), not the eyes.
bool worn(const neighbours& n, std::ptrdiff_t t) {
    return earlier_in_clause(
        n, t, {u"戴", u"带", u"戴着", u"戴著", u"带着", u"带著", u"戴上", u"带上", u"配"});
}
// T血: a T恤 (T-shirt), the run opening right after the letter.
bool after_letter_t(const neighbours& n, std::ptrdiff_t t) {
    return t < 0 && n.run.offset > 0 &&
           std::u16string_view(u"TtＴｔ").find(n.text[n.run.offset - 1]) !=
               std::u16string_view::npos;
}

// 用量不过，: 不够 closing a clause after what falls short; 再好不过 and 最…不过
// (nothing better) keep 不过.
bool falls_short(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t).empty()) return false;
    for (std::ptrdiff_t i = t; i >= t - 2 && !n.word(i).empty(); --i)
        if (word_one_of(n.word(i), {u"再", u"最", u"只", u"没有", u"莫过于"})) return false;
    return true;
}

// ，应为太平洋…: 应为 (should be) does not open a clause; 因为 does. Only a
// run that itself opens a clause counts (after Latin text, list应为 goes on).
bool opens_clause(const neighbours& n, std::ptrdiff_t t) {
    if (!n.word(t).empty()) return false;
    return n.run.offset == 0 ||
           std::u16string_view(u"，。！？；：、,!?;:「」“”").find(n.text[n.run.offset - 1]) !=
               std::u16string_view::npos;
}
// 教我这么用, 不知道该这么过: how something is done, asked or told (怎么).
bool knowing_how(const neighbours& n, std::ptrdiff_t t) {
    if (n.tag(t) == "r") --t;  // 教我这么用: past the one told
    return word_one_of(
        n.word(t), {u"知道", u"告诉", u"教", u"记得", u"忘记", u"学会", u"问", u"想想", u"看看"});
}
// 想一想把。: 把 closes no clause (拉他一把 is a pull given once); 吧 does.
bool not_counted_once(const neighbours& n, std::ptrdiff_t t) {
    return !n.word(t).empty() && n.word(t) != u"一";
}
// 你还记得我马？, 好么？: a question closed by the particle 吗 (骑马 is a ride).
bool not_riding(const neighbours& n, std::ptrdiff_t t) {
    return !n.word(t).empty() && !word_one_of(n.word(t), {u"骑", u"匹", u"养", u"喂"});
}
// The run ends its clause at one of `marks` (not at the end of the text,
// which may be cut off, nor before a colon that opens more).
bool closed_by(const neighbours& n, std::ptrdiff_t t, std::u16string_view marks) {
    const std::size_t end = n.run.offset + n.run.text.size();
    return n.word(t).empty() && end < n.text.size() &&
           marks.find(n.text[end]) != std::u16string_view::npos;
}
// 对码？, 开始码？: 码 standing alone closes no question, but the code of a
// program (程式码？, 原始码？) may.
bool no_code(const neighbours& n, std::ptrdiff_t t) {
    return !n.word(t).empty() &&
           !word_one_of(n.word(t), {u"程式", u"程序", u"原始", u"源", u"代", u"编", u"密", u"号",
                                    u"条", u"页", u"尺"});
}
bool question_closed(const neighbours& n, std::ptrdiff_t t) { return closed_by(n, t, u"？?"); }
bool sentence_closed(const neighbours& n, std::ptrdiff_t t) {
    return closed_by(n, t, u"。！？，；!?,;～~…");
}

// The sentence up to the word at t: from the last 。！？ before it, at most
// sentence_reach characters back (a text without stops would otherwise be
// read again for every word).
constexpr std::size_t sentence_reach = 200;
std::u16string_view sentence_before(const neighbours& n, std::ptrdiff_t t) {
    const std::size_t end = n.run.offset + n.run.tokens[static_cast<std::size_t>(t)].begin;
    std::size_t start = end;
    while (start > 0 && end - start < sentence_reach &&
           std::u16string_view(u"。！？!?").find(n.text[start - 1]) == std::u16string_view::npos)
        --start;
    return std::u16string_view(n.text).substr(start, end - start);
}
bool has_any(std::u16string_view text, std::initializer_list<std::u16string_view> parts) {
    return std::any_of(parts.begin(), parts.end(), [text](std::u16string_view part) {
        return text.find(part) != std::u16string_view::npos;
    });
}
// 先吃饭，在去玩 / 先去看电影在逛街: a first step named earlier in the
// sentence makes 在 + verb the next one (先在家 is where the first step is).
bool after_first_step(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t) == u"先") return false;
    std::u16string_view before = sentence_before(n, t + 1);
    for (std::size_t at = before.find(u'先'); at != std::u16string_view::npos;
         at = before.find(u'先', at + 1)) {
        const char16_t prev = at > 0 ? before[at - 1] : u' ';
        const char16_t next = at + 1 < before.size() ? before[at + 1] : u' ';
        if (std::u16string_view(u"首原优事祖领预争").find(prev) == std::u16string_view::npos &&
            std::u16string_view(u"生前进后").find(next) == std::u16string_view::npos)
            return true;
    }
    return false;
}
bool next_action(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"把" || action_without_place(n, t);
}
// 然后在一起去, 我们在一起想个地方去吧: doing a thing together next, or as a
// suggestion (我们在一起讨论 is where they are).
bool then_or_suggesting(const neighbours& n, std::ptrdiff_t t) {
    const auto ends_with = [&n](std::u16string_view tail) {
        return n.run.text.size() >= tail.size() &&
               n.run.text.substr(n.run.text.size() - tail.size()) == tail;
    };
    return n.word(t) == u"然后" || ends_with(u"吧") || ends_with(u"好不好");
}
bool together_then_verb(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"一起", u"一块儿"}) && n.tag(t + 1) == "v";
}
// 请你在跟我联络, 有空在给你写信: getting in touch later (再), with no place
// or time that 在 would name (在通知事件中); 在跟你说 only closing its clause
// (他在跟我说什么 is going on).
bool getting_in_touch(const neighbours& n, std::ptrdiff_t t) {
    const bool someone = word_one_of(n.word(t), {u"跟", u"给", u"和"}) && n.tag(t + 1) == "r";
    const std::ptrdiff_t act = someone ? t + 2 : t;
    if (place_or_time_after(n, act)) return false;
    return word_one_of(n.word(act), {u"联络", u"连络", u"联系", u"回信", u"写信", u"见面",
                                     u"打电话", u"确定", u"通知"}) ||
           (someone && n.word(act) == u"说" && n.word(act + 1).empty());
}
// 终于会再一起。, 跟她再一起的时间: being together (再一起吃饭 is again).
bool together_closing(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"一起" &&
           (n.word(t + 1) == u"的" || (n.word(t + 1).empty() && !n.clause_goes_on()));
}
// 再学校门口, 再图书馆外面, 再这情形下, 再机场: a place or a side of a thing;
// after 然后, 先, 才, 就 the 再 of a next step stays (然后再反馈表中列出的).
bool not_next_step(const neighbours& n, std::ptrdiff_t t) {
    return !word_one_of(n.word(t), {u"然后", u"先", u"才", u"就", u"还", u"又"});
}
bool side_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"上", u"里", u"下", u"中", u"外面", u"里面", u"门口", u"旁边",
                                   u"附近", u"前面", u"后面", u"上面", u"下面"});
}
bool place_or_side(const neighbours& n, std::ptrdiff_t t) {
    if (word_one_of(n.word(t), {u"机场", u"图书馆", u"旅馆", u"饭店", u"餐厅", u"医院", u"宿舍",
                                u"教室", u"夜市", u"公园", u"网路上", u"国外"}))
        return true;
    if (n.tagged(t, {"n", "nr", "nz"}) && side_word(n, t + 1)) return true;
    return word_one_of(n.word(t), {u"这", u"那"}) && (side_word(n, t + 1) || side_word(n, t + 2));
}

// 我在哪里跟别人玩, 孩子在哪里玩: 在那里 + what is done there, in a statement
// that asks nothing (不知道在哪里练习, 问他在哪里买, 不管在哪里都).
bool asks_before(const neighbours& n, std::ptrdiff_t t) {
    return has_any(sentence_before(n, t + 1),
                   {u"知道", u"问",   u"猜",   u"不管", u"无论", u"不论", u"或",   u"显示",
                    u"打印", u"列出", u"指定", u"确定", u"决定", u"说明", u"办法", u"考虑",
                    u"想",   u"看",   u"告诉", u"找",   u"选",   u"哪"});
}
bool there_statement(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"在" && !n.in_question() &&
           !word_one_of(n.word(t - 1), {u"你", u"您", u"是", u"要", u"该", u"应该"}) &&
           !asks_before(n, t);
}
bool done_there(const neighbours& n, std::ptrdiff_t t) {
    if (!n.tagged(t, {"v", "p", "c", "d"}) || n.word(t) == u"有") return false;
    return !later_in_clause(n, t, {u"都", u"也", u"就", u"由", u"决定", u"取决于"}) &&
           !n.clause_goes_on();
}
// The clause before the word at t wants, asks or leaves open where to go.
bool clause_asks_before(const neighbours& n, std::ptrdiff_t t) {
    const std::size_t at = n.run.tokens[static_cast<std::size_t>(t)].begin;
    return has_any(n.run.text.substr(0, at), {u"想", u"要", u"问", u"不管", u"无论", u"哪"});
}
// 我们可以一起去哪里。: going to the place just named, in a statement
// (要去哪里就去哪里, 不管去哪里 ask nothing of one place).
bool going_along(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"去" && !n.in_question() && !clause_asks_before(n, t + 1) &&
           (n.word(t - 1) == u"一起" ||
            (word_one_of(n.word(t - 2), {u"带", u"陪"}) && n.tag(t - 1) == "r"));
}
bool statement_closed(const neighbours& n, std::ptrdiff_t t) { return closed_by(n, t, u"。！!"); }

// 我们就去哪里吃饭吧！: going to the place just named to do a thing, as a
// suggestion (the clause ends in 吧) that asks nothing.
bool going_suggested(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"去" && !n.in_question() && n.run.text.back() == u'吧' &&
           !clause_asks_before(n, t + 1);
}
// 不知道那一方面, 问你那几种, 想一想那一些工作: which one, asked about in the
// clause (记得那一天, 选择那一行 point at one already known).
bool asked_in_clause(const neighbours& n, std::ptrdiff_t t) {
    for (std::ptrdiff_t i = t; i >= 0; --i)
        if (word_one_of(n.word(i), {u"不知道", u"问", u"请问", u"问一问", u"考虑", u"想一想",
                                    u"想想", u"不清楚", u"猜"}) ||
            (n.word(i) == u"知道" && word_one_of(n.word(i - 1), {u"不", u"没"})))
            return true;
    return false;
}
bool one_of_several(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"m", "mq"}) && (n.word(t)[0] == u'一' || n.word(t)[0] == u'几');
}

// 还有哪家咖啡店附近有公园, 因为哪些钱对你来说: a place or thing just named,
// going on in a statement that asks nothing (还有哪些问题请告诉我 asks).
bool more_named(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"还有" && !asks_before(n, t) &&
           !has_any(n.run.text, {u"请", u"吗", u"呢", u"什么"});
}
bool reason_named(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"因为", u"所以"}) && !asks_before(n, t);
}

// 我记得再读大学的时候, 让我再写功课时: what was going on at a time (在);
// 下次再来的时候, 如果再发生…时 keep the 再 of doing it again.
bool not_again_later(const neighbours& n, std::ptrdiff_t t) {
    return !has_any(sentence_before(n, t + 1),
                    {u"下次", u"下一次", u"以后", u"然后", u"先", u"等", u"如果", u"要是", u"若"});
}
bool verb_at_a_time(const neighbours& n, std::ptrdiff_t t) {
    if (n.tag(t) != "v") return false;
    for (std::ptrdiff_t i = t + 1; i <= t + 3; ++i)
        if (word_one_of(n.word(i), {u"的时候", u"时", u"时候"})) return true;
    return false;
}
// 你不再，我想告诉你: a person not there (不在), closing the clause (青春不再
// names no person).
bool person_word(const neighbours& n, std::ptrdiff_t t) { return personal_pronoun(n.word(t)); }
bool clause_closed(const neighbours& n, std::ptrdiff_t t) {
    return closed_by(n, t, u"，。！？；,!?;");
}

// 这种事也不在发生了, 就不在完整了: no longer (不再), a change closed by 了
// (当前不在运行 is not running now).
bool word_bu(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"不"; }
bool no_longer(const neighbours& n, std::ptrdiff_t t) {
    if (!n.tagged(t, {"v", "a", "vg"}) || word_one_of(n.word(t), {u"是", u"有"}) ||
        place_or_time_after(n, t + 1))
        return false;
    std::ptrdiff_t last = t;
    while (!n.word(last + 1).empty()) ++last;
    return n.word(last) == u"了";
}

// 不知道学校在那里？, 请告诉我你们还想去那里，: the place asked about (哪里)
// closing a clause after 在 or 去.
bool place_asked(const neighbours& n, std::ptrdiff_t t) {
    if (!word_one_of(n.word(t), {u"在", u"去"})) return false;
    for (std::ptrdiff_t i = t - 1; i >= 0; --i)
        if (n.word(i) == u"告诉" && n.word(i + 1) == u"我") return true;
    return asked_in_clause(n, t - 1);
}

// 你哪时说, 我哪儿时候: a time already named (那时), in a statement.
bool time_first(const neighbours& n, std::ptrdiff_t t) {
    return !n.word(t).empty() && n.word(t)[0] == u'时' && n.word(t) != u"时间";
}
// 再生活忙碌当中, 再一间疗养院之中: in the midst of (在…当中).
bool amid(const neighbours& n, std::ptrdiff_t t) {
    return later_in_clause(n, t, {u"当中", u"之中"});
}

// 让他们在考虑一下, 跟我在谈一次: an act done once more or briefly (再); what
// is going on (在) takes no 一下 or 一次 (在第一次调用时 names a time).
bool done_once(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    const std::u16string_view briefly = u"一下";
    if (w.size() > briefly.size() && w.substr(w.size() - briefly.size()) == briefly) return true;
    if (n.tag(t) != "v") return false;
    const std::ptrdiff_t count = n.word(t + 1) == u"了" ? t + 2 : t + 1;
    return word_one_of(n.word(count), {u"一下", u"一次", u"一遍", u"一趟", u"一会儿", u"一回"});
}

// 推荐朋友到哪家店买东西, 都在哪家公司上班: the shop or firm just named,
// gone to or worked at, in a statement that asks nothing.
bool at_or_to_statement(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"在", u"到", u"去"}) && !n.in_question() && !asks_before(n, t);
}
bool noun(const neighbours& n, std::ptrdiff_t t) { return n.tag(t) == "n"; }

// 他们都有聪明又活泼: 又…又 joining two qualities (有趣又, 又有爱 stay).
bool quality_then_again(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "a" && n.word(t + 1) == u"又" && n.tag(t + 2) == "a";
}
// 如果又机会: a chance one has (有), never had again.
bool chance(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"机会"; }
// 搭捷运会家, 请妳会家时: going home (回家); 会 does not take 家 as its verb.
bool home(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"家" &&
           (n.word(t + 1).empty() || word_one_of(n.word(t + 1), {u"时", u"时后", u"时候", u"了"}));
}
// 我张大了, 人也张得很漂亮: growing up and looks (长); 张 opens names (张大林).
bool grown_or_looking(const neighbours& n, std::ptrdiff_t t) {
    return (n.word(t) == u"大" && n.word(t + 1) == u"了") ||
           (word_one_of(n.word(t), {u"得", u"的"}) &&
            (n.tagged(t + 1, {"d", "a", "zg"}) || n.word(t + 1).substr(0, 1) == u"很" ||
             word_one_of(n.word(t + 1), {u"有一点", u"有点", u"又"})));
}
// Someone whose growing or looks is told of, or an adverb before it.
bool person_or_also(const neighbours& n, std::ptrdiff_t t) {
    if (word_one_of(n.word(t), {u"这", u"那", u"哪", u"每"})) return false;  // 这张: a sheet
    return n.tagged(t, {"r", "nr", "n"}) || word_one_of(n.word(t), {u"也", u"已经", u"都", u"是"});
}
// 好完儿, 没有完的地方: play (玩); 完 takes no 儿.
bool er_suffix(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"儿"; }
// 跟她一块完。, 来台湾完。: going to play, closing the clause.
bool together_or_coming(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"一块", u"一起", u"来", u"去"});
}

// 找不倒, 听不倒: what cannot be found or heard (到); 打不倒 is not knocked down.
bool cannot_reach(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"找", u"听", u"看", u"买", u"想", u"收", u"拿", u"见", u"等"});
}
bool cannot_reach_after_bu(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"不" && cannot_reach(n, t - 1);
}
// 倒底: 到底 (after all); 倒 before 底 is no word of its own.
bool bottom(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"底"; }
bool word_le(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"了"; }

// 她叫我怎么跳舞, 叫他怎么说西班牙语: teaching someone how (教); 叫我怎么办,
// 叫我怎么说呢 and 叫我怎么能 ask what one could do, and 叫他怎么也不来 calls
// however one may: all keep 叫.
bool taught_how(const neighbours& n, std::ptrdiff_t t) {
    if (n.tag(t) != "r" || !word_one_of(n.word(t + 1), {u"怎么", u"怎样"})) return false;
    const std::u16string_view act = n.word(t + 2);
    if (act.empty() || word_one_of(act, {u"办", u"能", u"会", u"不", u"可能", u"忍心", u"相信",
                                         u"放心", u"活", u"是", u"好", u"也", u"都"}))
        return false;
    return act != u"说" || !(n.word(t + 3).empty() || n.word(t + 3) == u"呢");
}

// 厅他的话, 去厅歌, ，厅说: hearing (听); 厅 alone is a hall only after 这,
// 一 and the like (客厅, 餐厅 are words of their own).
bool heard(const neighbours& n, std::ptrdiff_t t) {
    return person_word(n, t) || word_one_of(n.word(t), {u"说", u"歌", u"音乐", u"到", u"见", u"懂",
                                                        u"得懂", u"不懂", u"不到", u"跟"});
}
bool not_pointed_at(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    if (n.tagged(t, {"m", "q"}) || (!w.empty() && w.back() == u'个')) return false;
    return w.empty() ||
           std::u16string_view(u"这那哪每该此").find(w[0]) == std::u16string_view::npos;
}

// 他都回带我去, 我们回省时: the 会 of will or can before a verb that 回
// (back) never takes; after another verb 回 is the way back (窝回被子里).
bool someone_or_adverb(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"d", "r"}) || word_one_of(n.word(t), {u"将", u"一定", u"还", u"不"});
}
bool act_not_returning(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"告诉", u"表现", u"省",   u"让", u"带", u"收到", u"觉得",
                                   u"有",   u"是",   u"成为", u"变", u"帮", u"做",   u"知道",
                                   u"喜欢", u"不会", u"很",   u"更", u"被", u"好好"});
}

// 就根她坐公车, 多根父母碰面: with someone (跟); 根 alone before a person is
// no root nor a measure (一根, 这根 are left to the counting word).
bool companion(const neighbours& n, std::ptrdiff_t t) {
    return person_word(n, t) || n.tag(t) == "nr" ||
           word_one_of(n.word(t), {u"父母", u"朋友", u"家人", u"同学", u"老师", u"大家", u"别人",
                                   u"妈妈", u"爸爸"});
}

// 倒夜市去, 他们倒英国去: going to a place (到); 倒 takes no place before 去.
bool place_then_going(const neighbours& n, std::ptrdiff_t t) {
    return (place(n, t) || n.word(t) == u"夜市") && word_one_of(n.word(t + 1), {u"去", u"来"});
}

// 说以说, 等以等, 改以改: a verb said twice around 一 (do it a little).
bool verb_said_again(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view before = n.word(t - 2);
    return before.size() == 1 && n.word(t) == before && n.tagged(t, {"v", "u"});
}
bool verb_once(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t).size() == 1 && n.tagged(t, {"v", "u"});
}
// 这样以来: 这样一来 (that being so); 以来 alone is since a time.
bool thus(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"这样", u"如此", u"那样"});
}
// ，那后计划: 然后 opening a clause (那后果 is that outcome).
bool word_hou(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"后"; }
// ，清您别担心, ，清等我回来: 请 asking someone at the start of a clause.
bool one_asked(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"您", u"你", u"你们", u"您们", u"大家", u"等"});
}
// 不止很帅, 不止公车: 不只 (not only) before what is added to; 不止一个,
// 不止十次 (more than a number) stay, and so do 不止是, 不止于 (not just),
// which office prose writes as often.
bool not_a_number(const neighbours& n, std::ptrdiff_t t) {
    return !n.word(t).empty() && !n.tagged(t, {"m", "mq", "q"}) &&
           !word_one_of(n.word(t), {u"是", u"于", u"此"}) &&
           std::u16string_view(u"一二两三四五六七八九十几百千万好").find(n.word(t)[0]) ==
               std::u16string_view::npos;
}
// 每办法, 作业每有原因, 从来每给: 没 (not); 每 opening a clause (每有新版本时)
// means each time, and so does 每有 answered later in the sentence by 都, 就,
// 便 or 时 (公司每有新产品，都会通知客户).
bool without_word(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t) == u"办法") return true;
    if (n.word(t) != u"有") return false;
    const std::size_t from = n.run.offset + n.run.tokens[static_cast<std::size_t>(t)].end;
    for (std::size_t i = from; i < n.text.size(); ++i) {
        const char16_t c = n.text[i];
        if (std::u16string_view(u"。！？!?").find(c) != std::u16string_view::npos) break;
        if (std::u16string_view(u"都就便总时").find(c) != std::u16string_view::npos) return false;
    }
    return true;
}
bool never_before(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"从来", u"还", u"并"});
}
// 我这么办？: 怎么办 asked (就这么办。 is a plan agreed).
bool word_ban_asked(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"办" && n.word(t + 1).empty() && question_closed(n, t + 1);
}
// 让爸爸心理失望, 心理觉得很不舒服, 心理面: 心里, the feelings within.
bool feeling(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"觉得", u"失望", u"感到", u"难过", u"害怕", u"高兴", u"不舒服",
                                   u"面", u"不住", u"想着", u"明白"});
}

// 你有了钱能够作什么呢？: 做 what, closing the clause (作什么用 is serving as).
bool what_closing(const neighbours& n, std::ptrdiff_t t) {
    if (!word_one_of(n.word(t), {u"什么", u"甚么"})) return false;
    return n.word(t + 1).empty() || (n.word(t + 1) == u"呢" && n.word(t + 2).empty());
}
// A person, 妳 (you, said to a woman) too; 你何我有空的时候: 和 between two.
bool other_person(const neighbours& n, std::ptrdiff_t t) {
    return person_word(n, t) || n.word(t) == u"妳";
}
// 我很像你，, 我可真像他。: 想 (to miss) someone, the clause closing on the
// person (长得很像他。 is a likeness).
bool missed_person(const neighbours& n, std::ptrdiff_t t) {
    return other_person(n, t) && clause_closed(n, t + 1) &&
           !has_any(sentence_before(n, t), {u"长得", u"长的", u"看起来", u"样子"});
}

// 请你在一次想一想, 可以在一次看: 再一次, an act done once more (在一次会议中,
// 在一次偶然的机会, 在一次表扫描内 name an occasion).
bool once_more_act(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t) != u"一次" || place_or_time_after(n, t + 1)) return false;
    for (std::ptrdiff_t i = t + 1; !n.word(i).empty(); ++i)
        if (word_one_of(n.word(i), {u"内", u"之内", u"以内", u"过程"})) return false;
    return (n.tag(t + 1) == "v" && !n.tagged(t + 2, {"v", "vn"})) ||
           word_one_of(n.word(t + 1), {u"谢谢", u"想一想", u"想想"});
}
// 如果在这样下去: 再这样下去, things going on as they are.
bool if_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"如果", u"若", u"要是", u"假如"});
}
bool going_on_so(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"这样" && n.word(t + 1) == u"下去";
}
// ，哪一天我在学校: 那一天 opening a statement that asks nothing.
bool statement_start(const neighbours& n, std::ptrdiff_t t) {
    return clause_start(n, t) && !n.in_question() && !asks_before(n, t);
}

// 在三年就要退休, 在两个礼拜就要见面: 再 (after another stretch of time)
// before 就; 在三天后, 在两个月内 name when.
bool time_then_soon(const neighbours& n, std::ptrdiff_t t) {
    if (n.tag(t) != "m") return false;
    std::ptrdiff_t last = t;
    const std::u16string_view w = n.word(t);
    if (std::u16string_view(u"年月天周").find(w.back()) == std::u16string_view::npos) {
        if (!word_one_of(n.word(t + 1), {u"礼拜", u"星期", u"小时", u"钟头", u"分钟"}))
            return false;
        last = t + 1;
    }
    return word_one_of(n.word(last + 1), {u"就", u"就要", u"就会", u"就能", u"就可以"});
}
// 遇到什么是一定要, 甚么是？: 什么事 (什么是快乐 asks what a thing is, 什么是
// 要注意的 what is to be done).
bool what_word(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"什么", u"甚么"});
}
bool modal_or_asked(const neighbours& n, std::ptrdiff_t t) {
    if (question_closed(n, t)) return true;
    if (!word_one_of(n.word(t), {u"要", u"让", u"一定", u"一定要", u"不要"}) || n.in_question())
        return false;
    return !later_in_clause(n, t, {u"的"});
}

// 他清她吃饭, 明天清假: 请, inviting someone to do a thing, or 请假.
bool invited(const neighbours& n, std::ptrdiff_t t) {
    return (person_word(n, t) && n.tag(t + 1) == "v") || n.word(t) == u"假";
}

// 可以受到，, 你的回答我受到了。: 收到 closing its clause; what one 受到 follows
// it.
bool nothing_after(const neighbours& n, std::ptrdiff_t t) {
    const std::ptrdiff_t close = n.word(t) == u"了" ? t + 1 : t;
    return clause_closed(n, close);
}
// 觉得中文怎么难，, 给您怎么大的麻烦: 这么 stating how much (不怎么好 is
// not very, 再怎么急, 不管怎么难 no matter how, 内心怎么漂亮？ and 不知道怎么
// 快速安装 ask).
bool stating_not_bu(const neighbours& n, std::ptrdiff_t t) {
    if (word_one_of(n.word(t), {u"不", u"再", u"多"}) || n.in_question()) return false;
    for (std::ptrdiff_t i = t; i >= 0; --i)
        if (word_one_of(n.word(i), {u"不管", u"无论", u"不论", u"知道", u"不知道", u"问", u"请问",
                                    u"告诉", u"教", u"学", u"学会", u"明白", u"清楚"}))
            return false;
    return true;
}
bool degree_word(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "a" || word_one_of(n.word(t), {u"多", u"少"});
}
// 请你考虑我的意见以下。: 一下 closing its clause; an amount before it
// (一万以下。, 十八岁以下，) keeps 以下.
bool not_amount(const neighbours& n, std::ptrdiff_t t) {
    return not_counted(n, t) &&
           !word_one_of(n.word(t), {u"岁", u"元", u"块", u"度", u"人", u"个", u"分", u"公斤",
                                    u"公里", u"米", u"级", u"名", u"万", u"千", u"百"});
}

// 下围棋阿、打电动阿、: 啊 after each thing listed.
bool listed(const neighbours& n, std::ptrdiff_t t) { return closed_by(n, t, u"、．."); }

// 前面见巴！, 就算了巴。: 吧 after a verb or 了 closing a suggestion (尾巴 is a
// tail).
bool verb_or_le(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "v" || n.word(t) == u"了";
}

// 那的时候: 那个时候 (那 counts the time with 个; 的 never follows it there).
bool word_na(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"那"; }
bool word_shihou(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"时候"; }

// 同学门, 企业门, 您门: the plural 们 after people; 门 of its own after them
// is no door (门口, 门外 and 门户 are words, or sides of a door).
bool people(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(
        n.word(t),
        {u"同学", u"女同学", u"男同学", u"朋友", u"老师",   u"孩子",   u"小孩", u"小朋友",
         u"学生", u"企业",   u"家长",   u"女生", u"男生",   u"父母",   u"工人", u"员工",
         u"人",   u"您",     u"同事",   u"老人", u"年轻人", u"青少年", u"家人", u"子女",
         u"客人", u"居民",   u"邻居",   u"网友", u"女孩",   u"男孩",   u"大人"});
}
bool not_a_side(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    return w.empty() ||
           std::u16string_view(u"口外前后上里内边旁票").find(w[0]) == std::u16string_view::npos;
}

// 他们多很高兴, 日本的衣服多很好看: 都 before 很 (多 is said of a number;
// 很多 is a word of its own). People are not counted so (人多很热闹 is a
// crowd).
bool who_or_what(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t).empty() || (n.tagged(t, {"n", "r", "nr", "ns", "nz"}) && n.word(t) != u"人");
}
bool very_word(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    return !w.empty() && w[0] == u'很' && w != u"很多";
}
// 他多不听, 我们多没有: 都 between a person and a negation or a modal.
bool person_or_all(const neighbours& n, std::ptrdiff_t t) {
    return person_word(n, t) || word_one_of(n.word(t), {u"大家", u"她们", u"妳", u"妳们"});
}
bool negation_or_modal(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"不", u"没", u"没有", u"要", u"会", u"不会", u"不能", u"不要",
                                   u"可以", u"喜欢", u"觉得"});
}

// 他们各各从别的国家来: 各个 (each); 各 is not said twice.
bool word_ge(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"各"; }

// 式式看: 试试看 (give it a try), 式 twice before 看.
bool word_shi_then_look(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"式" && n.word(t + 1) == u"看";
}
bool word_shi(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"式"; }
bool word_kan(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"看"; }

// 房子里大学很远, 里你们工厂五公里: 离 (away from) a place, a distance
// closing the clause; 家里 written for 家离 the same way (家里附近 is
// around the home, 家里到学校 a way there, and 梦里我的家离…远 already has
// its 离).
bool distance_later(const neighbours& n, std::ptrdiff_t t) {
    for (std::ptrdiff_t i = t; !n.word(i).empty(); ++i) {
        const std::u16string_view w = n.word(i);
        if (word_one_of(w, {u"远", u"很远", u"不远", u"太远", u"比较远", u"近", u"很近", u"不近",
                            u"太近", u"比较近"}) ||
            (w.size() > 2 && n.tag(i) == "m" && w.substr(w.size() - 2) == u"公里"))
            return true;
    }
    return false;
}
bool place_then_distance(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"n", "ns", "s", "nz", "r"}) &&
           !word_one_of(n.word(t), {u"附近", u"这里", u"那里", u"到"}) &&
           distance_later(n, t + 1) && !later_in_clause(n, t, {u"离"});
}
bool thing_or_start(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t).empty() || n.tagged(t, {"n", "nz", "ns"});
}

// 这两个子, 记子跟写子: 字 (a written character); 子 of its own after a count
// or a verb of writing (子女, 子弹, 学子 are words of their own).
bool count_or_writing(const neighbours& n, std::ptrdiff_t t) {
    const std::u16string_view w = n.word(t);
    return (n.tag(t) == "m" && w.size() > 1 && w.back() == u'个' && w[0] != u'一') ||
           word_one_of(w, {u"写", u"记", u"打", u"认", u"练"});
}
bool not_a_thing(const neighbours& n, std::ptrdiff_t t) {
    return !n.tagged(t, {"n", "nz", "vn", "l", "m", "q"});
}

// 哪各地方, 这各方面: the measure 个 after a word that points.
bool pointing(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"这", u"那", u"哪", u"每"});
}
// 听根说, 想根林美美去, 八点上班根: 跟 (and, with) after a verb, where the
// word list reads 根 as a preposition; after 有, 拔, 扎 it is a root or a
// stick (有根刺), and before a thing the root of it (指定根设备).
bool verb_before_linking_gen(const neighbours& n, std::ptrdiff_t t) {
    return n.tag(t) == "v" && n.tag(t + 1) == "p" &&
           !word_one_of(n.word(t), {u"有", u"拔", u"扎", u"生", u"抽", u"拿", u"买", u"剪", u"砍",
                                    u"折", u"断", u"找", u"要"});
}
// 孩子先在也要上高中, 我先在来台湾: 现在 (now), 先 and 在 written by
// sound, where 在 frames no place (先在车站见面, 先在我家 stay).
bool now_not_a_place(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t) != u"在") return false;
    if (person_word(n, t + 1))
        return !n.tagged(t + 2, {"n", "s", "ns", "f", "nr", "nz"}) &&
               !word_one_of(n.word(t + 2), {u"家", u"家里", u"这里", u"那里", u"这儿", u"那儿"});
    return n.tagged(t + 1, {"d", "v", "uj", "c", "vn", "a", "ul"});
}
// 或著是: 或者 (or), split by the word list.
bool word_huo(const neighbours& n, std::ptrdiff_t t) { return n.word(t) == u"或"; }
// 都部喜欢, 也部适合, 对部会: 不 between an adverb and a verb; after a noun
// 部 is a department (销售部要).
bool adverb_or_start(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t).empty() || n.tagged(t, {"d", "p", "a"});
}
// ，情你来参加, 情坐: 请 (please) opening a clause before someone or an act
// (情切的人 describes one: 亲切).
bool someone_or_act(const neighbours& n, std::ptrdiff_t t) {
    return person_word(n, t) || word_one_of(n.word(t), {u"您", u"大家", u"老师"}) ||
           (n.tag(t) == "v" && n.word(t + 1) != u"的");
}
// 我很九没看到你: 很久, a long time.
bool very_or_not(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"很", u"太", u"这么", u"那么", u"好"});
}
// 跟台湾人很相, 照片非常相: 像 (alike) closing the run after an adverb.
bool adverb(const neighbours& n, std::ptrdiff_t t) { return n.tagged(t, {"d", "zg"}); }
bool run_end(const neighbours& n, std::ptrdiff_t t) { return n.word(t).empty(); }
// 爸爸何奶奶, 水电费何油价: 和 between two things named.
bool named_or_counted(const neighbours& n, std::ptrdiff_t t) {
    return n.tagged(t, {"n", "nr", "ns", "nz", "m"});
}
// 重小到大, 重这里到你家: 从…到 (from … to) opening a clause, with where it
// starts between (重到搬不动 is heavy enough for it).
bool reaching_soon(const neighbours& n, std::ptrdiff_t t) {
    if (n.word(t) == u"到") return false;
    for (std::ptrdiff_t i = t + 1; i <= t + 3 && !n.word(i).empty(); ++i)
        if (n.word(i) == u"到") return true;
    return false;
}
// 放在那哩。, 教室哩。: 里 (inside) closing the run after a place or a word
// that points.
bool place_or_pointer(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"这", u"那", u"哪"}) || n.tagged(t, {"n", "s", "nt"});
}
// 新闻一值播出: 一直 (all along) before a verb; 这一值 is one value.
bool all_along(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"一" && !word_one_of(n.word(t - 1), {u"这", u"那", u"每", u"某", u"同"});
}
// 住你快乐, 住你一路平安: 祝 (wish) someone well; 住你家 is staying.
bool wished_well(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"你", u"您", u"妳", u"你们", u"大家"}) &&
           later_in_clause(n, t + 1,
                           {u"快乐", u"顺利", u"平安", u"一路平安", u"健康", u"身体健康", u"好运",
                            u"成功", u"愉快", u"幸福", u"开心", u"万事如意", u"生日快乐"});
}
// 冬天的是后, 心情不好的是后: 时候, both characters written by sound.
bool time_written_shi(const neighbours& n, std::ptrdiff_t t) {
    return n.word(t) == u"是" && time_before(n, t - 1);
}
// 应该这样作。, 值得去作。, 怎么作？: 做 (do) closing its clause.
bool how_or_going(const neighbours& n, std::ptrdiff_t t) {
    return word_one_of(n.word(t), {u"这样", u"那样", u"怎么", u"怎样", u"去", u"来", u"要", u"会",
                                   u"该", u"应该"});
}

struct word_pattern {
    std::u16string_view written;
    std::u16string_view meant;
    place_test before;  // the word right before the written one
    place_test after;   // the word right after it
};

// Tried in order; the first that fits decides.
const word_pattern patterns[] = {
    {u"在", u"再", wish_or_negation, verb_without_place},    // 不会在来
    {u"在", u"再", anything, again_word},                    // 在加上, 在也
    {u"在", u"再", anything, again_at_start},                // ，在说
    {u"在", u"再", next_step, action_without_place},         // 然后在去
    {u"在", u"再", anything, time_passing},                  // 在过一个月
    {u"再", u"在", anything, place},                         // 再台湾
    {u"哪", u"那", anything, that_word},                     // 哪么久
    {u"哪里", u"那里", clause_opening, statement_going_on},  // 因为哪里有
    {u"哪个", u"那个", liking, statement},                   // 我最喜欢哪个地方！
    {u"哪里", u"那里", statement, place_named_after},        // 哪里的活动
    {u"作", u"做", anything, thing_done},                    // 作功课
    {u"作法", u"做法", anything, anything},                  // 他的作法
    {u"作好", u"做好", anything, anything},                  // 作好准备
    {u"作生意", u"做生意", anything, anything},              // 作生意
    {u"做", u"作", work_prefix, anything},                   // 工做
    {u"想", u"像", word_hao, seeming},                       // 好想是
    {u"想", u"像", not_compared, likeness},                  // 想爸爸一样
    {u"像", u"想", wish_adverb, verb_not_likened},           // 很像去
    {u"像", u"象", image_prefix, anything},                  // 景像
    {u"景像", u"景象", anything, anything},                  // 一幅景像
    {u"印像", u"印象", anything, anything},                  // 印像很深
    {u"好象", u"好像", anything, anything},                  // 好象
    {u"以", u"已", anything, already_word},                  // 以经
    {u"以", u"一", anything, one_word},                      // 以起
    {u"以下", u"一下", verb_before, close_of_verb},          // 看以下。
    {u"一", u"以", not_counted, before_or_after},            // 睡觉一后
    {u"已", u"以", anything, before_or_after_only},          // 从已前
    {u"已", u"一", anything, together_word},                 // 我们已起
    {u"事", u"是", anything, question_of_being},             // 事不是
    {u"事", u"是", adverb_before_being, anything},           // 但事
    {u"是", u"事", matter_counted, anything},                // 这件是
    {u"是", u"时", time_before, time_after},                 // 小是候
    {u"理", u"里", where_word, anything},                    // 这理
    {u"理", u"里", thing, inside_close},                     // 厨房理。
    {u"里", u"理", word_chu, anything},                      // 处里
    {u"心理", u"心里", person_or_adverb, verb},              // 我心理觉得
    {u"心理", u"心里", within_clause, not_mind_noun},        // 心理很难过
    {u"意外", u"以外", besides_opened, anything},            // 除了这些意外
    {u"眼睛", u"眼镜", worn, anything},                      // 戴黑色的眼睛
    {u"血", u"恤", after_letter_t, anything},                // T血
    {u"阿", u"啊", within_clause, sentence_closed},     // 好吃阿。 (阿 opens 阿姨, 阿里)
    {u"不过", u"不够", falls_short, sentence_closed},   // 用量不过，
    {u"这么样", u"怎么样", anything, anything},         // 这么样
    {u"应为", u"因为", opens_clause, anything},         // ，应为太平洋
    {u"这么", u"怎么", knowing_how, within_clause},     // 教我这么用
    {u"把", u"吧", not_counted_once, sentence_closed},  // 想一想把。
    {u"马", u"吗", not_riding, question_closed},        // 记得我马？
    {u"码", u"吗", no_code, question_closed},           // 对码？
    {u"的", u"个", word_na, word_shihou},               // 那的时候
    {u"么", u"吗", within_clause, question_closed},     // 好么？
    // The sequence of what is done next, being together, and the place meant.
    {u"在", u"再", after_first_step, next_action},           // 先吃饭，在去玩
    {u"在", u"再", then_or_suggesting, together_then_verb},  // 然后在一起去
    {u"在", u"再", anything, getting_in_touch},              // 请你在跟我联络
    {u"再", u"在", anything, together_closing},              // 终于会再一起。
    {u"再", u"在", not_next_step, place_or_side},            // 再学校门口
    {u"哪里", u"那里", there_statement, done_there},         // 孩子在哪里玩
    {u"哪里", u"那里", going_along, statement_closed},       // 一起去哪里。
    {u"哪里", u"那里", going_suggested, verb},               // 我们就去哪里吃饭吧
    {u"哪么多", u"那么多", anything, anything},              // 哪么多钱
    {u"那", u"哪", asked_in_clause, one_of_several},         // 不知道那一方面
    {u"哪家", u"那家", more_named, statement_going_on},      // 还有哪家咖啡店
    {u"哪家", u"那家", at_or_to_statement, noun},            // 到哪家店买东西
    {u"哪个", u"那个", more_named, statement_going_on},      // 还有哪个小姐
    {u"哪些", u"那些", reason_named, statement_going_on},    // 因为哪些钱
    {u"再", u"在", not_again_later, verb_at_a_time},         // 再读大学的时候
    {u"不再", u"不在", person_word, clause_closed},          // 你不再，
    {u"在", u"再", word_bu, no_longer},                      // 也不在发生了
    {u"那里", u"哪里", place_asked, clause_closed},          // 不知道学校在那里？
    {u"哪", u"那", statement, time_first},                   // 你哪时说
    {u"哪儿", u"那儿", statement, time_first},               // 我哪儿时候
    {u"再", u"在", not_next_step, amid},                     // 再生活忙碌当中
    {u"在", u"再", anything, done_once},                     // 让他们在考虑一下
    // Verbs written for one of like sound, read from their object or frame.
    {u"有", u"又", anything, quality_then_again},          // 他们都有聪明又活泼
    {u"又", u"有", anything, chance},                      // 如果又机会
    {u"会", u"回", anything, home},                        // 搭捷运会家
    {u"张", u"长", person_or_also, grown_or_looking},      // 我张大了
    {u"完", u"玩", anything, er_suffix},                   // 好完儿
    {u"完", u"玩", together_or_coming, clause_closed},     // 跟她一块完。
    {u"张大", u"长大", person_or_also, word_le},           // 现在我张大了
    {u"倒", u"到", cannot_reach_after_bu, anything},       // 找不倒
    {u"不倒", u"不到", cannot_reach, anything},            // 听不倒
    {u"倒", u"到", anything, bottom},                      // 倒底
    {u"倒底", u"到底", anything, anything},                // 倒底是什么
    {u"叫", u"教", anything, taught_how},                  // 她叫我怎么跳舞
    {u"厅", u"听", not_pointed_at, heard},                 // 我正厅他的话
    {u"回", u"会", someone_or_adverb, act_not_returning},  // 他都回带我去
    {u"根", u"跟", not_pointed_at, companion},             // 就根她坐公车
    {u"倒", u"到", anything, place_then_going},            // 倒夜市去
    // Characters written by sound, each told apart by a frame of its own.
    {u"以", u"一", verb_once, verb_said_again},         // 说以说
    {u"以来", u"一来", thus, anything},                 // 这样以来
    {u"那", u"然", clause_start, word_hou},             // ，那后计划
    {u"清", u"请", clause_start, one_asked},            // ，清您别担心
    {u"不止", u"不只", anything, not_a_number},         // 不止很帅
    {u"每", u"没", within_clause, without_word},        // 公司每办法
    {u"每", u"没", never_before, anything},             // 从来每给
    {u"这么", u"怎么", anything, word_ban_asked},       // 我这么办？
    {u"心理", u"心里", anything, feeling},              // 让爸爸心理失望
    {u"作", u"做", anything, what_closing},             // 能够作什么呢？
    {u"像", u"想", wish_adverb, missed_person},         // 我可真像他。
    {u"在", u"再", anything, once_more_act},            // 请你在一次想一想
    {u"在", u"再", if_word, going_on_so},               // 如果在这样下去
    {u"哪一天", u"那一天", statement_start, anything},  // ，哪一天我在学校
    {u"哪", u"那", statement_start, one_of_several},    // 。哪一个时候我
    {u"在", u"再", anything, time_then_soon},           // 在三年就要退休
    {u"是", u"事", what_word, modal_or_asked},          // 遇到什么是一定要
    {u"清", u"请", anything, invited},                  // 他清她吃饭
    {u"受到", u"收到", anything, nothing_after},        // 可以受到，
    {u"怎么", u"这么", stating_not_bu, degree_word},    // 觉得中文怎么难，
    {u"何", u"和", other_person, other_person},         // 你何我有空的时候
    {u"以下", u"一下", not_amount, sentence_closed},    // 考虑我的意见以下。
    {u"阿", u"啊", clause_start, sentence_closed},      // 阿！我几乎忘了
    {u"阿", u"啊", within_clause, listed},              // 下围棋阿、
    {u"巴", u"吧", verb_or_le, sentence_closed},        // 前面见巴！
    // Characters of one sound a learner swaps, each in a frame of its own.
    {u"门", u"们", people, not_a_side},                    // 企业门转移注目
    {u"多", u"都", who_or_what, very_word},                // 衣服多很好看
    {u"多", u"都", person_or_all, negation_or_modal},      // 他多不听
    {u"各", u"个", word_ge, anything},                     // 他们各各从
    {u"式", u"试", anything, word_shi_then_look},          // 式式看
    {u"式", u"试", word_shi, word_kan},                    // 式式看
    {u"里", u"离", thing_or_start, place_then_distance},   // 房子里大学很远
    {u"家里", u"家离", anything, place_then_distance},     // 我家里学校很近
    {u"子", u"字", count_or_writing, not_a_thing},         // 这两个子
    {u"各", u"个", pointing, anything},                    // 哪各地方
    {u"根", u"跟", verb_before_linking_gen, not_a_thing},  // 听根说
    {u"后", u"候", time_written_shi, anything},            // 冬天的是后
    {u"作", u"做", how_or_going, clause_closed},           // 应该这样作。
    {u"先", u"现", anything, now_not_a_place},             // 孩子先在也要
    {u"著", u"者", word_huo, anything},                    // 或著是
    {u"部", u"不", adverb_or_start, verb},                 // 也部适合
    {u"情", u"请", clause_start, someone_or_act},          // ，情你来参加
    {u"九", u"久", very_or_not, anything},                 // 我很九没看到你
    {u"相", u"像", adverb, run_end},                       // 跟台湾人很相
    {u"何", u"和", noun, named_or_counted},                // 爸爸何奶奶
    {u"友", u"有", anything, verb},                        // 华人友请我们
    {u"重", u"从", clause_start, reaching_soon},           // 重小到大
    {u"哩", u"里", place_or_pointer, run_end},             // 教室哩。
    {u"值", u"直", all_along, verb},                       // 新闻一值播出
    {u"住", u"祝", anything, wished_well},                 // 住你快乐
};

}  // namespace

void rules_function_words(const std::u16string& text, const std::vector<chinese_run>& runs,
                          const lexicon& words, std::vector<finding>& out) {
    for (const chinese_run& run : runs) {
        const neighbours n{{run, words}, text};
        for (std::size_t t = 0; t < run.tokens.size(); ++t) {
            const auto at = static_cast<std::ptrdiff_t>(t);
            const std::u16string_view w = n.word(at);
            for (const word_pattern& p : patterns)
                if (p.written == w && p.before(n, at - 1) && p.after(n, at + 1)) {
                    const lexicon_token& token = run.tokens[t];
                    finding f;  // of the level of the rule, given by the engine
                    f.pos = run.offset + token.begin;
                    f.length = token.length();
                    f.err_word = text_utf16_to_utf8(w.data(), w.size());
                    f.suggestions = {text_utf16_to_utf8(p.meant.data(), p.meant.size())};
                    out.push_back(std::move(f));
                    break;
                }
        }
    }
}

}  // namespace velmo_service
