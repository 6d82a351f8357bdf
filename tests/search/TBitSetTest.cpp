// The bit set: growth rules, bit access, counting and the three set operations.
#include <gtest/gtest.h>

#include "SearchTestSupport.h"
#include "search/TBitSet.h"

namespace search {
namespace {

using test_support::Members;

TBitSet SetOf(std::uint32_t capacity, std::initializer_list<std::uint32_t> bits) {
    TBitSet set(capacity);
    for (const auto bit : bits) set.SetBit(bit);
    return set;
}

TEST(TBitSetGrowth, CapacityRoundsUpToWholeWords) {
    EXPECT_EQ(TBitSet(500).GetWordCount(), 16);
    EXPECT_EQ(TBitSet(0).GetWordCount(), 1);
    EXPECT_EQ(TBitSet(31).GetWordCount(), 1);
    EXPECT_EQ(TBitSet(32).GetWordCount(), 2);
}

TEST(TBitSetCount, CountsEverySetBitInEveryWord) {
    EXPECT_EQ(TBitSet(500).Count(), 0);
    EXPECT_EQ(SetOf(500, {0}).Count(), 1);
    EXPECT_EQ(SetOf(500, {0, 31, 32, 63, 499}).Count(), 5);
    EXPECT_EQ(SetOf(10, {1, 1, 65535}).Count(), 2);  // a bit set twice counts once; growth counts
    TBitSet full(64);
    for (std::uint32_t bit = 0; bit < 64; ++bit) full.SetBit(bit);
    EXPECT_EQ(full.Count(), 64);
    full.AndNotWith(SetOf(64, {5, 40}));
    EXPECT_EQ(full.Count(), 62);
}

TEST(TBitSetGrowth, TestBitBeyondTheWordsIsClearAndDoesNotGrow) {
    TBitSet set(500);
    EXPECT_FALSE(set.TestBit(512));
    EXPECT_FALSE(set.TestBit(1000000));
    EXPECT_EQ(set.GetWordCount(), 16);
}

TEST(TBitSetGrowth, SetBitGrowsToTheBitsWord) {
    TBitSet set(500);
    set.SetBit(1000);
    EXPECT_EQ(set.GetWordCount(), 32);
    EXPECT_TRUE(set.TestBit(1000));
    EXPECT_FALSE(set.TestBit(999));
    EXPECT_FALSE(set.TestBit(1001));
    set.SetBit(65535);
    EXPECT_EQ(set.GetWordCount(), 2048);
}

TEST(TBitSetGrowth, GrowNeverShrinks) {
    TBitSet set(1000);
    set.Grow(10);
    EXPECT_EQ(set.GetWordCount(), 32);
}

TEST(TBitSetGrowth, ClearKeepsTheWords) {
    TBitSet set(500);
    set.SetBit(1000);
    set.Clear();
    EXPECT_EQ(set.GetWordCount(), 32);
    EXPECT_TRUE(set.IsEmpty());
    EXPECT_TRUE(Members(set).empty());
}

TEST(TBitSetBits, BitsLiveInTheirWordFromTheLowestBit) {
    TBitSet set(100);
    for (const std::uint32_t bit : {0u, 1u, 31u, 32u, 63u, 64u, 95u}) set.SetBit(bit);
    EXPECT_EQ(Members(set), (std::vector<std::uint32_t>{0, 1, 31, 32, 63, 64, 95}));
    EXPECT_EQ(set.NextSetBit(2), 31);
    EXPECT_EQ(set.NextSetBit(65), 95);
    EXPECT_EQ(set.NextSetBit(96), -1);
    EXPECT_EQ(set.NextSetBit(5000), -1);
}

TEST(TBitSetOperations, AndWithClearsWordsBeyondTheSmallerSet) {
    TBitSet big = SetOf(1000, {3, 600, 1000});
    const TBitSet small = SetOf(500, {3, 4});
    big.AndWith(small);
    EXPECT_EQ(big.GetWordCount(), 32);
    EXPECT_EQ(Members(big), (std::vector<std::uint32_t>{3}));
    EXPECT_EQ(Members(small), (std::vector<std::uint32_t>{3, 4}));
}

TEST(TBitSetOperations, AndWithALargerSetKeepsTheOwnSize) {
    TBitSet small = SetOf(500, {3, 4});
    small.AndWith(SetOf(1000, {4, 900}));
    EXPECT_EQ(small.GetWordCount(), 16);
    EXPECT_EQ(Members(small), (std::vector<std::uint32_t>{4}));
}

TEST(TBitSetOperations, OrWithGrowsToTheLargerSet) {
    TBitSet small = SetOf(500, {1, 2});
    small.OrWith(SetOf(1000, {2, 1000}));
    EXPECT_EQ(small.GetWordCount(), 32);
    EXPECT_EQ(Members(small), (std::vector<std::uint32_t>{1, 2, 1000}));
}

TEST(TBitSetOperations, OrWithASmallerSetChangesOnlyItsWords) {
    TBitSet big = SetOf(1000, {700});
    big.OrWith(SetOf(500, {5}));
    EXPECT_EQ(big.GetWordCount(), 32);
    EXPECT_EQ(Members(big), (std::vector<std::uint32_t>{5, 700}));
}

TEST(TBitSetOperations, OrWithItselfKeepsTheSet) {
    TBitSet set = SetOf(500, {7, 9});
    set.OrWith(set);
    EXPECT_EQ(Members(set), (std::vector<std::uint32_t>{7, 9}));
}

TEST(TBitSetOperations, AndNotWithRemovesTheOthersMembers) {
    TBitSet set = SetOf(1000, {1, 2, 3, 900});
    set.AndNotWith(SetOf(500, {2, 3, 4}));
    EXPECT_EQ(set.GetWordCount(), 32);
    EXPECT_EQ(Members(set), (std::vector<std::uint32_t>{1, 900}));
}

TEST(TBitSetOperations, AndNotWithItselfGivesTheEmptySet) {
    TBitSet set = SetOf(1000, {1, 64, 999});
    set.AndNotWith(set);
    EXPECT_TRUE(set.IsEmpty());
}

TEST(TBitSetOperations, OperationsWorkOnEveryBitOfAWord) {
    TBitSet all(63);
    TBitSet odd(63);
    for (std::uint32_t bit = 0; bit < 64; ++bit) {
        all.SetBit(bit);
        if (bit % 2) odd.SetBit(bit);
    }
    TBitSet even = all;
    even.AndNotWith(odd);
    for (std::uint32_t bit = 0; bit < 64; ++bit) EXPECT_EQ(even.TestBit(bit), bit % 2 == 0) << bit;
    TBitSet both = even;
    both.AndWith(odd);
    EXPECT_TRUE(both.IsEmpty());
    even.OrWith(odd);
    EXPECT_EQ(Members(even).size(), 64u);
}

}  // namespace
}  // namespace search
