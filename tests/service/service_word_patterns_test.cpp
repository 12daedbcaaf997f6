// Confusion sets and the index of words by patterns with one open place:
// asking only for the words with chosen characters at the open place must
// give exactly those of all the pattern's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <set>

#include "lexicon/service_confusions.h"
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
