// Generator, shuffle, sort, pairing and caption case: no file system.
#include "settings/options.h"
#include "slides/caption_case.h"
#include "slides/slide_order.h"
#include "slides/treclist.h"
#include "slides/u_random.h"
#include "slides/u_utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

std::unique_ptr<trec> Slide(std::string name, std::string image = {}, std::string sound = {})
{
    auto slide = std::make_unique<trec>();
    slide->name = std::move(name);
    slide->image_filename = std::move(image);
    slide->sound_filename = std::move(sound);
    slide->image_disk_path = slide->image_filename.empty() ? "" : "disk:" + slide->image_filename;
    slide->sound_disk_path = slide->sound_filename.empty() ? "" : "disk:" + slide->sound_filename;
    return slide;
}

// ---- Random numbers -------------------------------------------------------

struct DrawRow {
    std::uint32_t seed;
    int n;
    std::uint32_t next_seed; // seed * 134775813 + 1 mod 2^32, worked out by hand
    int result;              // next_seed * n / 2^32, rounded down
};

class RandomBelowTest : public ::testing::TestWithParam<std::vector<DrawRow>> {};

TEST_P(RandomBelowTest, FollowsTheGeneratorFormula)
{
    const auto& rows = GetParam();
    SetRandomSeed(rows.front().seed);
    for (const DrawRow& row : rows) {
        ASSERT_EQ(RandomSeed(), row.seed);
        EXPECT_EQ(RandomBelow(row.n), row.result) << "from seed " << row.seed;
        EXPECT_EQ(RandomSeed(), row.next_seed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    KnownSeeds, RandomBelowTest,
    ::testing::Values(
        std::vector<DrawRow>{{0u, 100, 1u, 0},
                             {1u, 100, 134775814u, 3},
                             {134775814u, 100, 3698175007u, 86},
                             {3698175007u, 7, 870078620u, 1},
                             {870078620u, 1000000, 1172187917u, 272921}},
        std::vector<DrawRow>{{1u, 100, 134775814u, 3},
                             {134775814u, 100, 3698175007u, 86},
                             {3698175007u, 100, 870078620u, 20},
                             {870078620u, 7, 1172187917u, 1},
                             {1172187917u, 1000000, 2884733762u, 671654}},
        // The multiplication wraps: 0xFFFFFFFF * 134775813 + 1 = 2^32 - 134775812.
        std::vector<DrawRow>{{0xFFFFFFFFu, 100, 4160191484u, 96},
                             {4160191484u, 1, 866343917u, 0},
                             {866343917u, 2147483647, 2231304098u, 1115652048}}));

TEST(RandomBelow, StaysBelowItsBoundForLargeSeeds)
{
    SetRandomSeed(0xFFFFFFFEu);
    for (int i = 0; i < 1000; ++i) {
        const int n = 1 + i * 7919;
        const int r = RandomBelow(n);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, n);
    }
}

TEST(SeedRandom, ReseedsFromTheClock)
{
    SetRandomSeed(0);
    SeedRandom();
    const std::uint32_t first = RandomSeed();
    std::uint32_t later = first;
    for (int i = 0; i < 1000 && later == first; ++i) {
        SeedRandom();
        later = RandomSeed();
    }
    EXPECT_NE(first, later);
}

// ---- Shuffle --------------------------------------------------------------

// The shuffle as plainly described: item i moves to position RandomBelow(i + 1).
std::vector<int> ShuffleByMoving(int count)
{
    std::vector<int> list(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        list[static_cast<std::size_t>(i)] = i;
    for (int i = 1; i < count; ++i) {
        const int k = RandomBelow(i + 1);
        if (k != i) {
            const int item = list[static_cast<std::size_t>(i)];
            list.erase(list.begin() + i);
            list.insert(list.begin() + k, item);
        }
    }
    return list;
}

TEST(ShuffleList, KnownSeedsGiveKnownOrders)
{
    // Seed 0 draws 0 (of 2), 0 (of 3), 3 (of 4): B to the front, then C, D stays.
    SetRandomSeed(0);
    std::vector<std::string> letters{"A", "B", "C", "D"};
    ShuffleList(letters);
    EXPECT_EQ(letters, (std::vector<std::string>{"C", "B", "A", "D"}));
    EXPECT_EQ(RandomSeed(), 3698175007u);

    SetRandomSeed(1);
    std::vector<int> six{0, 1, 2, 3, 4, 5};
    ShuffleList(six);
    EXPECT_EQ(six, (std::vector<int>{3, 4, 1, 0, 5, 2}));
    EXPECT_EQ(RandomSeed(), 2884733762u);
}

TEST(ShuffleList, MatchesMovingItemsOneByOne)
{
    for (std::uint32_t seed : {0u, 1u, 42u, 0xDEADBEEFu}) {
        for (int count : {2, 3, 5, 8, 17, 64, 65, 100, 1000, 4099}) {
            SetRandomSeed(seed);
            const std::vector<int> expected = ShuffleByMoving(count);
            const std::uint32_t seed_after = RandomSeed();

            SetRandomSeed(seed);
            std::vector<int> list(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i)
                list[static_cast<std::size_t>(i)] = i;
            ShuffleList(list);
            ASSERT_EQ(list, expected) << "seed " << seed << ", " << count << " items";
            ASSERT_EQ(RandomSeed(), seed_after) << "draws exactly count - 1 numbers";
        }
    }
}

TEST(ShuffleList, ShortListsDrawNothing)
{
    for (int count : {0, 1}) {
        SetRandomSeed(77);
        std::vector<std::unique_ptr<trec>> items;
        for (int i = 0; i < count; ++i)
            items.push_back(Slide("only"));
        ShuffleList(items);
        EXPECT_EQ(RandomSeed(), 77u);
        EXPECT_EQ(items.size(), static_cast<std::size_t>(count));
    }
}

// ---- Sort -----------------------------------------------------------------

struct CompareRow {
    std::string a, b;
    int expected;
};

class CompareByNameTest : public ::testing::TestWithParam<CompareRow> {};

TEST_P(CompareByNameTest, ComparesUnsignedBytes)
{
    const auto& row = GetParam();
    EXPECT_EQ(CompareByName(*Slide(row.a), *Slide(row.b)), row.expected);
    EXPECT_EQ(CompareByName(*Slide(row.b), *Slide(row.a)), -row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, CompareByNameTest,
    ::testing::Values(CompareRow{"cat", "cat", 0}, CompareRow{"", "", 0}, CompareRow{"cat", "cat2", -1},
                      CompareRow{"", "a", -1}, CompareRow{"10", "9", -1}, CompareRow{"9", "A", -1},
                      CompareRow{"Z", "_", -1}, CompareRow{"_", "a", -1}, CompareRow{"z", "\x80", -1},
                      CompareRow{"\xC3\x84", "\xC3\xA4", -1}, CompareRow{"b", "ab", 1}));

std::vector<std::string> Names(const std::vector<std::unique_ptr<trec>>& items)
{
    std::vector<std::string> names;
    for (const auto& slide : items)
        names.push_back(slide->name);
    return names;
}

// Slides tagged through image_filename so that equal captions can be told apart.
std::vector<std::unique_ptr<trec>> Tagged(const std::vector<std::string>& names)
{
    std::vector<std::unique_ptr<trec>> items;
    for (std::size_t i = 0; i < names.size(); ++i)
        items.push_back(Slide(names[i], std::to_string(i)));
    return items;
}

std::vector<std::string> Tags(const std::vector<std::unique_ptr<trec>>& items)
{
    std::vector<std::string> tags;
    for (const auto& slide : items)
        tags.push_back(slide->image_filename);
    return tags;
}

struct SortRow {
    std::vector<std::string> names;
    std::vector<std::string> expected_tags; // traced by hand through the quicksort
};

class SortByNameTest : public ::testing::TestWithParam<SortRow> {};

TEST_P(SortByNameTest, EqualCaptionsEndWhereTheQuicksortPutsThem)
{
    auto items = Tagged(GetParam().names);
    SortByName(items);
    EXPECT_EQ(Tags(items), GetParam().expected_tags);
}

INSTANTIATE_TEST_SUITE_P(
    EqualKeys, SortByNameTest,
    ::testing::Values(SortRow{{"x", "x", "x"}, {"2", "1", "0"}},
                      SortRow{{"b", "a", "b", "a", "b"}, {"3", "1", "4", "0", "2"}},
                      SortRow{{"x", "x", "x", "x", "x", "x", "x"}, {"4", "5", "6", "3", "0", "1", "2"}},
                      SortRow{{"c", "b", "b", "a", "b"}, {"3", "4", "2", "1", "0"}},
                      SortRow{{}, {}}, SortRow{{"solo"}, {"0"}}));

TEST(SortByName, SortsLargeAndAdversarialLists)
{
    for (int pattern = 0; pattern < 4; ++pattern) {
        std::vector<std::string> names;
        for (int i = 0; i < 20000; ++i) {
            switch (pattern) {
            case 0: names.push_back(std::to_string(i)); break;          // ascending text
            case 1: names.push_back(std::to_string(20000 - i)); break;  // descending text
            case 2: names.push_back(i % 2 ? "a" : "b"); break;          // two keys
            default: names.push_back(std::to_string((i * 7919) % 20000)); break;
            }
        }
        auto items = Tagged(names);
        SortByName(items);
        const auto sorted = Names(items);
        ASSERT_TRUE(std::is_sorted(sorted.begin(), sorted.end())) << "pattern " << pattern;
        ASSERT_EQ(sorted.size(), names.size());
    }
}

// ---- Pairing --------------------------------------------------------------

// The pairing pass as plainly described, in quadratic time.
void PairByScanning(std::vector<std::unique_ptr<trec>>& items)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::size_t j = i + 1;
        while (j < items.size()) {
            if (AsciiLower(items[i]->name) == AsciiLower(items[j]->name)) {
                if (!items[j]->sound_filename.empty()) {
                    items[i]->sound_filename = items[j]->sound_filename;
                    items[i]->sound_disk_path = items[j]->sound_disk_path;
                }
                if (!items[j]->image_filename.empty()) {
                    items[i]->image_filename = items[j]->image_filename;
                    items[i]->image_disk_path = items[j]->image_disk_path;
                }
                items.erase(items.begin() + static_cast<std::ptrdiff_t>(j));
            } else {
                ++j;
            }
        }
    }
}

std::vector<std::string> Describe(const std::vector<std::unique_ptr<trec>>& items)
{
    std::vector<std::string> out;
    for (const auto& s : items)
        out.push_back(s->name + "|" + s->image_filename + "|" + s->sound_filename + "|" + s->image_disk_path + "|" +
                      s->sound_disk_path);
    return out;
}

TEST(PairSlides, LastPictureAndLastSoundWinAtTheFirstPlace)
{
    std::vector<std::unique_ptr<trec>> items;
    items.push_back(Slide("a", "a.jpg"));
    items.push_back(Slide("b", "", "b.wav"));
    items.push_back(Slide("a", "", "a.wav"));
    items.push_back(Slide("c", "c.bmp"));
    items.push_back(Slide("a", "x/a.png"));
    items.push_back(Slide("b", "", "y/b.mp3"));
    PairSlides(items);
    EXPECT_EQ(Describe(items), (std::vector<std::string>{"a|x/a.png|a.wav|disk:x/a.png|disk:a.wav",
                                                         "b||y/b.mp3||disk:y/b.mp3", "c|c.bmp||disk:c.bmp|"}));
}

TEST(PairSlides, NamesDifferingInNonAsciiCaseStayApart)
{
    std::vector<std::unique_ptr<trec>> items;
    items.push_back(Slide("\xC3\x84", "\xC3\x84.jpg")); // Ä
    items.push_back(Slide("\xC3\xA4", "", "\xC3\xA4.wav")); // ä
    items.push_back(Slide("Cat", "Cat.jpg"));
    items.push_back(Slide("cAT", "", "cAT.wav"));
    PairSlides(items);
    EXPECT_EQ(items.size(), 3u);
    EXPECT_EQ(items[2]->image_filename, "Cat.jpg");
    EXPECT_EQ(items[2]->sound_filename, "cAT.wav");
}

TEST(PairSlides, MatchesThePairwiseScanOnRandomLists)
{
    const std::vector<std::string> names{"a", "A", "b", "c", "cat", "CAT", "\xC3\xA4", ""};
    SetRandomSeed(12345);
    for (int round = 0; round < 300; ++round) {
        const int count = RandomBelow(40);
        std::vector<std::unique_ptr<trec>> mine, reference;
        for (int i = 0; i < count; ++i) {
            const std::string name = names[static_cast<std::size_t>(RandomBelow(static_cast<int>(names.size())))];
            const int kind = RandomBelow(3);
            const std::string image = kind != 1 ? name + "." + std::to_string(i) + ".jpg" : "";
            const std::string sound = kind != 0 ? name + "." + std::to_string(i) + ".wav" : "";
            mine.push_back(Slide(name, image, sound));
            reference.push_back(Slide(name, image, sound));
        }
        PairSlides(mine);
        PairByScanning(reference);
        ASSERT_EQ(Describe(mine), Describe(reference)) << "round " << round;
    }
}

// ---- Caption case ---------------------------------------------------------

struct CaseRow {
    std::string caption;
    int mode;
    std::string expected;
};

class CaptionCaseTest : public ::testing::TestWithParam<CaseRow> {};

TEST_P(CaptionCaseTest, Converts)
{
    EXPECT_EQ(ConvertCaptionCase(GetParam().caption, GetParam().mode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, CaptionCaseTest,
    ::testing::Values(CaseRow{"cat_2", ccUppercase, "CAT_2"}, CaseRow{"Cat", ccLowercase, "cat"},
                      CaseRow{"Cat", ccUnchanged, "Cat"}, CaseRow{"Cat", 7, "Cat"}, CaseRow{"Cat", -1, "Cat"},
                      CaseRow{"\xC3\xA4pfel", ccUppercase, "\xC3\x84PFEL"},          // äpfel
                      CaseRow{"\xC3\x84PFEL", ccLowercase, "\xC3\xA4pfel"},          // ÄPFEL
                      CaseRow{"\xCE\xB1\xCE\xB2", ccUppercase, "\xCE\x91\xCE\x92"},  // αβ
                      CaseRow{"", ccUppercase, ""},
                      // Bytes that are not UTF-8 survive; the text around them converts.
                      CaseRow{"caf\xE9", ccUppercase, "CAF\xE9"},
                      CaseRow{"\xC3\xA9\xFF" "b", ccUppercase, "\xC3\x89\xFF" "B"},
                      CaseRow{"\xED\xA0\x80x", ccUppercase, "\xED\xA0\x80X"},   // a lone surrogate
                      CaseRow{"\xC0\xAFz", ccUppercase, "\xC0\xAFZ"},           // overlong "/"
                      CaseRow{"a\xC3", ccUppercase, "A\xC3"}));                 // cut short

} // namespace
