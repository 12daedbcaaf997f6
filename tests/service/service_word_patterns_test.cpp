// Confusion sets, the index of words by patterns with one open place (asking
// only for the words with chosen characters at the open place must give
// exactly those of all the pattern's words), and the readings and the index
// of words by sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "lexicon/service_confusions.h"
#include "lexicon/service_readings.h"
#include "rules/service_engine.h"

using namespace velmo_service;

namespace {
std::set<std::u16string_view> words_of(const std::vector<word_fit>& fits) {
    std::set<std::u16string_view> out;
    for (const word_fit& f : fits) out.insert(f.word);
    return out;
}
}  // namespace

TEST(ServiceConfusions, SetsAreSymmetricSortedAndFreeOfRepeats) {
    confusion_sets sets;
    const std::u16string chars = u"在再载仔灾哉栽宰";
    std::mt19937 rng(5);
    for (int k = 0; k < 200; ++k)
        sets.add(chars[rng() % chars.size()], chars[rng() % chars.size()]);
    for (char16_t a : chars) {
        const std::u16string_view of = sets.of(a);
        EXPECT_TRUE(std::is_sorted(of.begin(), of.end()));
        EXPECT_EQ(std::adjacent_find(of.begin(), of.end()), of.end());
        EXPECT_EQ(of.find(a), std::u16string_view::npos);
        for (char16_t b : of) EXPECT_TRUE(sets.confusable(b, a));
    }
}

TEST(ServiceConfusions, SoundAlikesAreToldFromLookAlikes) {
    const std::string sounds = testing::TempDir() + "/confusion-sound.txt",
                      shapes = testing::TempDir() + "/confusion-shape.txt";
    std::ofstream(sounds) << "char\tsame\tother tone\n和\t核河\t喝\n";
    std::ofstream(shapes) << "好,女如\n核,该\n";
    confusion_sets sets;
    ASSERT_TRUE(sets.load_sounds(sounds, 0x1));
    ASSERT_TRUE(sets.load_shapes(shapes));
    EXPECT_TRUE(sets.sound_alike(u'和', u'核'));
    EXPECT_TRUE(sets.sound_alike(u'河', u'和'));
    // A group not read, and pairs of like shape only.
    EXPECT_FALSE(sets.sound_alike(u'和', u'喝'));
    EXPECT_FALSE(sets.confusable(u'和', u'喝'));
    EXPECT_TRUE(sets.confusable(u'女', u'好'));
    EXPECT_FALSE(sets.sound_alike(u'女', u'好'));
    EXPECT_TRUE(sets.confusable(u'该', u'核'));
    EXPECT_FALSE(sets.sound_alike(u'该', u'核'));
}

TEST(ServiceWordPatterns, ChosenCharactersGiveThoseOfAllTheWordsOfThePattern) {
    lexicon words;
    ASSERT_TRUE(words.load(engine_config{}.lexicon_file));
    word_patterns patterns;
    patterns.build(words, 30);
    std::vector<std::u16string> samples;
    std::size_t k = 0;
    words.for_each_word([&](std::u16string_view w, const lexicon_word& info) {
        if (w.size() >= 2 && w.size() <= 4 && info.frequency >= 30 && k++ % 200 == 0)
            samples.emplace_back(w);
    });
    ASSERT_GT(samples.size(), 200u);
    std::mt19937 rng(3);
    std::size_t found = 0;
    for (const std::u16string& sample : samples)
        for (std::size_t open = 0; open < sample.size(); ++open) {
            std::vector<word_fit> all, chosen;
            patterns.fits(sample, open, all);
            // Some characters the pattern's words have there, some they have
            // not, and the written one (never a fit): short lists and long.
            std::u16string allowed = {sample[open], u'的', u'\u4E00'};
            for (const word_fit& f : all)
                if (rng() % 3 == 0) allowed += f.word[open];
            while (allowed.size() < 40 && rng() % 8)
                allowed += static_cast<char16_t>(0x4E00 + rng() % 0x5000);
            std::sort(allowed.begin(), allowed.end());
            allowed.erase(std::unique(allowed.begin(), allowed.end()), allowed.end());
            patterns.fits(sample, open, allowed, chosen);
            std::set<std::u16string_view> expected;
            for (const word_fit& f : all)
                if (allowed.find(f.word[open]) != std::u16string::npos) expected.insert(f.word);
            ASSERT_EQ(words_of(chosen), expected);
            EXPECT_EQ(chosen.size(), expected.size());  // each word once
            found += expected.size();
        }
    EXPECT_GT(found, 100u);
    // A pattern of no word, and lengths outside two to four, fit nothing.
    std::vector<word_fit> none;
    patterns.fits(u"甲乙丙", 1, u"一丁七", none);
    patterns.fits(u"中", 0, u"一丁七", none);
    patterns.fits(u"中华人民共和国", 0, u"一丁七", none);
    EXPECT_TRUE(none.empty());
}

namespace {
// A reading table in the input method's format: traditional characters, and
// simplified shapes that are other, rarer characters there.
pinyin_readings sample_readings() {
    const std::string path = testing::TempDir() + "/readings.dict.yaml";
    std::ofstream(path) << "---\nname: sample\n...\n"
                           "開\tkai\n开\tjian\t95%\n开\tqian\t5%\n前\tqian\n"
                           "聽\tting\n听\tyin\t98%\n听\tting\t1%\n音\tyin\n厅\tting\n"
                           "著\tzhu\n著\tzhe\n參\tcan\n餐\tcan\n藏\tcang\n汀\tting\n"
                           "借\tjie\n介\tjie\n少\tshao\n绍\tshao\n";
    pinyin_readings readings;
    EXPECT_TRUE(readings.load(path, [](char16_t c) -> char16_t {
        return c == u'開'   ? u'开'
               : c == u'聽' ? u'听'
               : c == u'著' ? u'着'
               : c == u'參' ? u'参'
                            : 0;
    }));
    return readings;
}

bool share_a_syllable(const pinyin_readings& r, char16_t a, char16_t b) {
    for (std::uint16_t s : r.of(a))
        if (std::find(r.of(b).begin(), r.of(b).end(), s) != r.of(b).end()) return true;
    return false;
}
}  // namespace

TEST(ServiceReadings, ASimplifiedCharacterReadsAsTheTraditionalOneItStandsFor) {
    const pinyin_readings r = sample_readings();
    // 开 is 開 (kai), not the table's own 开 (jian, qian); 听 is 聽 (ting), not yin.
    EXPECT_TRUE(share_a_syllable(r, u'开', u'開'));
    EXPECT_FALSE(share_a_syllable(r, u'开', u'前'));
    EXPECT_TRUE(share_a_syllable(r, u'听', u'厅'));
    EXPECT_FALSE(share_a_syllable(r, u'听', u'音'));
    // A character nothing stands for keeps its own readings, and passes them on.
    EXPECT_EQ(r.of(u'著').size(), 2u);
    EXPECT_EQ(r.of(u'着'), r.of(u'著'));
}

TEST(ServiceReadings, WordsWithTwoCharactersTypedBySoundAreFoundOnlyWhenAsked) {
    const pinyin_readings r = sample_readings();
    const std::string path = testing::TempDir() + "/words.txt";
    std::ofstream(path) << "餐厅 900 n\n藏汀 900 n\n介绍 900 v\n参 500 v\n听 500 v\n借 500 v\n"
                           "少 500 a\n餐 500 n\n";
    lexicon words;
    ASSERT_TRUE(words.load(path));
    homophone_index index;
    index.build(words, r, 30);
    std::vector<sound_alike> found;
    index.alike(u"参听", found);
    EXPECT_TRUE(found.empty());
    index.alike(u"参听", found, true);
    // 藏 sounds only loosely like 参 (cang, can): half a word typed by sound at best.
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].word, u"餐厅");
    EXPECT_EQ(found[0].changed, 0u);
    EXPECT_EQ(found[0].also_changed, 1u);
    EXPECT_TRUE(found[0].same_sound);
    found.clear();
    index.alike(u"借绍", found, true);  // one character off
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].also_changed, sound_alike::no_second);
}
