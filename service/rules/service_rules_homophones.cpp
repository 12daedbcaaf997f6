// Typing errors of a pinyin input method: a stretch of characters that reads
// like a listed word but is written with one character of the same (or a
// commonly confused) sound. The text's best segmentation is compared with
// the best segmentation that takes the sound-alike word instead; the word is
// suggested when it makes the stretch clearly more probable.
#include <algorithm>
#include <bitset>
#include <cmath>

#include "base/service_text.h"
#include "rules/service_rules.h"

namespace velmo_service {

namespace {
constexpr std::size_t max_suggestions = 5;
// Required gain in log probability when the written stretch is no word, and
// when it is a word itself (then only a far more common word counts). The
// first is small: the word model, seeing the neighbours, judges those.
constexpr double margin_not_word = 1.0;
constexpr double margin_both_words = 7.0;
// A rare character that forms a listed word with its neighbours was chosen
// on purpose; one that forms no word is as likely a slip as any other.
constexpr std::uint32_t min_slip_frequency = 250;
// Very common characters (的, 时, 以) stand alone in correct text all the
// time, which the word probabilities undervalue: replacing one needs more
// gain, growing with its frequency above this.
constexpr double common_frequency = 40000;
// A suggested word must be at least this common: rare words are no better guess.
constexpr std::uint32_t min_suggestion_frequency = 30;
// Names are suggested only when well known (台湾 for 台弯): a rarer one is
// some person's name, no likelier than the stretch as written.
constexpr std::uint32_t min_name_suggestion_frequency = 1000;
// A stretch of two characters that is no word may have both typed by sound
// (参听 for 餐厅, 借少 for 介绍): the word must be this common, and both written
// characters common ones, as an input method offers them; a rare character
// is a slip of its own, not half of a word typed by sound.
constexpr std::uint32_t min_two_change_frequency = 300;
constexpr std::uint32_t min_two_change_written = 1000;
bool common_character(const lexicon& words, char16_t c) {
    const lexicon_word* w = words.find(std::u16string_view(&c, 1));
    return w && w->frequency >= min_two_change_written;
}
// A word an input method offers beside a written word of the same sound is
// weighed when it is at least as common as the written one and this common;
// the commonest few only, since the word model weighs each in its context.
constexpr std::uint32_t min_typed_alike_frequency = 100;
constexpr std::size_t max_typed_alike = 2;
// A written word this common (出于, 接收) is one the writer chose among those
// the input method offered: the word model's preference for a still commoner
// word of its sound (处于, 接受) is no sign of a slip there.
constexpr std::uint32_t max_typed_alike_written_frequency = 2000;
// A slip of the same sound counts as this much gain over a confused sound.
constexpr double same_sound_bonus = 1.5;

// The commonest surnames that are seldom other words: one standing alone
// before one or two lone characters is more likely a name than a slip.
const std::u16string_view surnames =
    u"王李张刘陈杨黄赵吴周徐孙朱胡郭何林罗郑梁谢宋唐韩冯邓曹彭曾肖董袁潘蒋蔡杜苏魏吕沈姚卢姜崔谭陆"
    u"汪廖贾韦邹孟熊秦邱尹薛闫侯陶黎贺顾郝龚邵钱覃";

// Characters that spell foreign names by their sound (the common ones of the
// standard transliteration tables).
const std::u16string_view spelling_by_sound =
    u"阿埃艾安奥巴贝本比彼宾波伯布查达戴丹道德迪蒂杜多厄恩尔法菲芬费弗福盖甘戈格古哈海汉赫亨"
    u"霍基吉加贾杰金卡凯坎康柯科克肯库奎拉莱兰朗劳勒雷里利莉林琳隆卢鲁路伦罗洛玛迈麦曼梅蒙米"
    u"密缪莫姆穆纳奈南内尼涅纽诺帕派潘佩彭皮珀普奇齐乔切琴丘萨塞桑瑟森莎舍施斯松苏索塔泰坦汤"
    u"唐特滕提图托瓦万威韦维温沃乌西希锡谢辛休雅亚扬耶伊因英尤约泽扎詹兹佐力";

// A set of characters asked about for every character of a run: a table,
// not a search of the string each time.
class character_set {
  public:
    explicit character_set(std::u16string_view chars) {
        for (char16_t c : chars) in_.set(c);
    }
    bool has(char16_t c) const { return in_.test(c); }

  private:
    std::bitset<0x10000> in_;
};

const character_set& surname_set() {
    static const character_set set(surnames);
    return set;
}
const character_set& spelling_by_sound_set() {
    static const character_set set(spelling_by_sound);
    return set;
}

const std::u16string_view numerals = u"〇零一二三四五六七八九十百千万亿两";
const std::u16string_view measures = u"个份位名人次件项条张本台辆套元年月日天周岁点分秒米克斤层批";

// A numeral before another numeral or a measure word counts something and
// is meant as written (三百, 两份); elsewhere 两 may well be a slip for 量.
bool counted(std::u16string_view run, std::size_t i) {
    if (numerals.find(run[i]) == std::u16string_view::npos || i + 1 >= run.size()) return false;
    return numerals.find(run[i + 1]) != std::u16string_view::npos ||
           measures.find(run[i + 1]) != std::u16string_view::npos;
}

// A measure word right after a numeral (二十台) is what is counted in, as written.
bool counted_in(std::u16string_view run, std::size_t i) {
    return i > 0 && measures.find(run[i]) != std::u16string_view::npos &&
           numerals.find(run[i - 1]) != std::u16string_view::npos;
}

struct proposal {
    std::size_t begin, end;  // in the run
    double gain;
    bool both_words;
    std::vector<std::pair<double, std::u16string_view>> words;  // score, word
};

}  // namespace

std::vector<bool> rules_probable_names(const chinese_run& run) {
    std::vector<bool> name(run.text.size(), false);
    const std::vector<lexicon_token>& tokens = run.tokens;
    for (std::size_t t = 0; t + 1 < tokens.size(); ++t) {
        if (tokens[t].length() != 1 || !surname_set().has(run.text[tokens[t].begin])) continue;
        for (std::size_t k = t; k < tokens.size() && k <= t + 2 && tokens[k].length() == 1; ++k)
            name[tokens[k].begin] = true;
    }
    // Three or more characters in a row of those that spell foreign names by
    // sound (莫力纽, 车尔诺贝力 has 尔诺贝力) are a name, not a slip.
    for (std::size_t i = 0; i < run.text.size();) {
        std::size_t end = i;
        while (end < run.text.size() && spelling_by_sound_set().has(run.text[end])) ++end;
        if (end - i >= 3)
            std::fill(name.begin() + static_cast<std::ptrdiff_t>(i),
                      name.begin() + static_cast<std::ptrdiff_t>(end), true);
        i = std::max(end, i + 1);
    }
    return name;
}

namespace {

bool has_doubled(std::u16string_view run, std::size_t s, std::size_t e) {
    const std::size_t from = s > 0 ? s - 1 : s;
    for (std::size_t i = from; i + 1 < run.size() && i < e; ++i)
        if (run[i] == run[i + 1]) return true;
    return false;
}

void propose(const chinese_run& run, const lexicon& words, const homophone_index& index, int weight,
             std::vector<proposal>& out) {
    const std::vector<lexicon_token>& tokens = run.tokens;
    const std::u16string_view text = run.text;
    std::vector<sound_alike> alike;
    const std::vector<bool> name = rules_probable_names(run);
    std::size_t first = 0;  // first token that ends after the window's start
    for (std::size_t s = 0; s < text.size(); ++s) {
        while (tokens[first].end <= s) ++first;
        for (std::size_t len = 2; len <= 4 && s + len <= text.size(); ++len) {
            const std::size_t e = s + len;
            std::size_t last = first;
            while (tokens[last].end < e) ++last;
            const bool window_is_word =
                first == last && tokens[first].begin == s && tokens[first].end == e;
            bool single = false, named = false;
            double written = 0;
            for (std::size_t t = first; t <= last; ++t) {
                single = single ||
                         (tokens[t].length() == 1 && tokens[t].begin >= s && tokens[t].end <= e);
                // A lone character's tag says little (陈 is tagged as a name).
                named =
                    named || (tokens[t].length() > 1 && tokens[t].word.kind == word_class::name);
                written += words.log_probability(tokens[t].word.frequency);
            }
            if (named || has_doubled(text, s, e)) continue;
            const std::u16string_view window = text.substr(s, len);
            // Two words of two characters that sound alike are both too common to tell apart
            // without more context.
            if (window_is_word ? weight < 1 || len < 3 : (!single || words.find(window))) continue;
            if (std::find(name.begin() + static_cast<std::ptrdiff_t>(s),
                          name.begin() + static_cast<std::ptrdiff_t>(e),
                          true) != name.begin() + static_cast<std::ptrdiff_t>(e))
                continue;
            alike.clear();
            index.alike(window, alike, !window_is_word && len == 2);
            if (alike.empty()) continue;
            const std::size_t a = tokens[first].begin, b = tokens[last].end;
            const double around = words.best_path_score(text.substr(a, s - a)) +
                                  words.best_path_score(text.substr(e, b - e));
            proposal p{s, e, 0, window_is_word, {}};
            for (const sound_alike& w : alike) {
                if (w.info.frequency < (w.info.kind == word_class::name
                                            ? min_name_suggestion_frequency
                                            : min_suggestion_frequency))
                    continue;
                const bool two = w.also_changed != sound_alike::no_second;
                const auto counts = [&](std::size_t k) {
                    return counted(text, s + k) || counted_in(text, s + k);
                };
                if (counts(w.changed) || (two && counts(w.also_changed))) continue;
                if (two && (w.info.frequency < min_two_change_frequency ||
                            !common_character(words, window[w.changed]) ||
                            !common_character(words, window[w.also_changed])))
                    continue;
                // A character the word list lacks altogether (莿 in 很莿激) is a slip
                // as likely as a listed one, where the stretch is no word.
                const lexicon_word* slipped = words.find(window.substr(w.changed, 1));
                const double slipped_frequency = slipped ? slipped->frequency : 0;
                if (window_is_word && slipped_frequency < min_slip_frequency) continue;
                const double gain = around + words.log_probability(w.info.frequency) - written;
                const double common = std::max(0.0, std::log(slipped_frequency / common_frequency));
                if (gain < (window_is_word ? margin_both_words : margin_not_word) + common)
                    continue;
                p.words.emplace_back(gain + (w.same_sound ? same_sound_bonus : 0), w.word);
                p.gain = std::max(p.gain, gain);
            }
            if (!p.words.empty()) out.push_back(std::move(p));
        }
    }
}
}  // namespace

void rules_words_typed_alike(const std::vector<chinese_run>& runs, const lexicon& words,
                             const homophone_index& index, int weight, std::vector<finding>& out) {
    if (weight < 1) return;
    std::vector<sound_alike> alike;
    for (const chinese_run& run : runs) {
        const std::vector<bool> name = rules_probable_names(run);
        for (std::size_t s = 0; s + 2 <= run.text.size(); ++s) {
            const std::u16string_view word = run.text.substr(s, 2);
            const lexicon_word* listed = words.find(word);
            if (!listed || listed->kind == word_class::name ||
                listed->frequency >= max_typed_alike_written_frequency || name[s] || name[s + 1])
                continue;
            alike.clear();
            index.alike(word, alike, true);
            alike.erase(std::remove_if(alike.begin(), alike.end(),
                                       [&](const sound_alike& w) {
                                           return !w.same_sound ||
                                                  w.info.frequency < min_typed_alike_frequency ||
                                                  w.info.frequency < listed->frequency ||
                                                  w.info.kind == word_class::name;
                                       }),
                        alike.end());
            std::sort(alike.begin(), alike.end(), [](const sound_alike& a, const sound_alike& b) {
                return a.info.frequency > b.info.frequency;
            });
            if (alike.size() > max_typed_alike) alike.resize(max_typed_alike);
            finding f;
            for (const sound_alike& w : alike)
                f.suggestions.push_back(text_utf16_to_utf8(w.word.data(), w.word.size()));
            if (f.suggestions.empty()) continue;
            f.pos = run.offset + s;
            f.length = 2;
            f.level = level_suspect;
            f.err_word = text_utf16_to_utf8(word.data(), word.size());
            out.push_back(std::move(f));
        }
    }
}

void rules_homophones(const std::vector<chinese_run>& runs, const lexicon& words,
                      const homophone_index& index, int weight, std::vector<finding>& out) {
    for (const chinese_run& run : runs) {
        std::vector<proposal> proposals;
        propose(run, words, index, weight, proposals);
        // Overlapping proposals all go out, the clearest gain first: the
        // word model, seeing their neighbours, chooses between them.
        std::sort(proposals.begin(), proposals.end(),
                  [](const proposal& x, const proposal& y) { return x.gain > y.gain; });
        for (proposal& p : proposals) {
            std::sort(p.words.begin(), p.words.end(),
                      [](const auto& x, const auto& y) { return x.first > y.first; });
            finding f;
            f.pos = run.offset + p.begin;
            f.length = p.end - p.begin;
            f.level = p.both_words ? level_suspect : level_error;
            f.err_word = text_utf16_to_utf8(run.text.data() + p.begin, f.length);
            for (std::size_t i = 0; i < p.words.size() && i < max_suggestions; ++i)
                f.suggestions.push_back(
                    text_utf16_to_utf8(p.words[i].second.data(), p.words[i].second.size()));
            out.push_back(std::move(f));
        }
    }
}

}  // namespace velmo_service
