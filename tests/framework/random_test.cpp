#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>

#include "framework/random/random.h"

namespace fw {
namespace {

// The same generator computed another way: plain 64-bit products and
// remainders instead of the module's 32-bit Schrage steps.
struct Reference {
    int64_t state;

    int64_t Step() { return state = state * 48271 % 2147483647; }
    double Double() {
        int64_t a = Step() & 0x1FFFFFFC;  // bits 2 to 28
        int64_t b = Step() & 0x1FFFFFF8;  // bits 3 to 28
        return (double(a) + double(b) / 134217728.0) / 536870912.0;
    }
};

constexpr double kTwo52 = 4503599627370496.0;
constexpr double kTwo53 = 9007199254740992.0;

TEST(RandomDeathTest, StartsAt4660WithoutSeeding) {
    // A fresh process, so no other test has moved the state.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool fresh = RndSeed() == 4660 && RndDouble() == 1886957475101687.0 / kTwo52;
            std::exit(fresh ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST(RandomSequence, TenThousandthStateFromOneIsTheMinimalStandardCheckValue) {
    // Multiplier 48271 started at 1: the 10,000th state is 399,268,537.
    SeedRnd(1);
    for (int i = 0; i < 5000; ++i) RndDouble();  // two steps each
    EXPECT_EQ(RndSeed(), 399268537);
}

TEST(RandomSequence, ValuesFromSeed4660WorkedByHand) {
    // States from 4660: 224942860, 539475828, 650989866, 1951098782.
    SeedRnd(4660);
    // a = 224942860 & (2^29 - 4), b = 539475828 & (2^29 - 8) = 2604912.
    EXPECT_EQ(RndDouble(), 1886957475101687.0 / kTwo52);
    EXPECT_EQ(RndSeed(), 539475828);
    EXPECT_EQ(RndDouble(), 1914598349958387.0 / kTwo53);
    EXPECT_EQ(RndSeed(), 1951098782);
    EXPECT_EQ(RndDouble(), 6253560753092241.0 / kTwo53);
    EXPECT_EQ(RndSeed(), 2049422479);

    SeedRnd(4660);
    EXPECT_EQ(Rnd(10.0, 20.0), 10.0 + (1886957475101687.0 / kTwo52) * 10.0);
    EXPECT_EQ(Rand(0, 1024), 217);  // 0.2125631... * 1025 = 217.877...
}

TEST(RandomSequence, MatchesTheReferenceOverManySeedsAndDraws) {
    for (int32_t seed : {1, 4660, 12345, 44487, 44488, 44489, 1 << 30, 2147483646}) {
        SeedRnd(seed);
        Reference ref{seed};
        for (int i = 0; i < 2000; ++i) {
            ASSERT_EQ(RndDouble(), ref.Double()) << "seed " << seed << " draw " << i;
            ASSERT_EQ(RndSeed(), ref.state);
        }
    }
}

TEST(RandomSequence, StateStaysWithinOneToModulusMinusTwo) {
    SeedRnd(2147483646);
    for (int i = 0; i < 100000; ++i) {
        RndDouble();
        ASSERT_GE(RndSeed(), 1);
        ASSERT_LE(RndSeed(), 2147483646);
    }
}

TEST(RandomSequence, EveryCallAdvancesExactlyTwoSteps) {
    SeedRnd(777);
    Reference ref{777};
    RndDouble();
    ref.Step(), ref.Step();
    EXPECT_EQ(RndSeed(), ref.state);
    Rnd(0.0, 1.0);
    ref.Step(), ref.Step();
    EXPECT_EQ(RndSeed(), ref.state);
    Rnd(5.0, 5.0);
    ref.Step(), ref.Step();
    EXPECT_EQ(RndSeed(), ref.state);
    Rand(0, 1);
    ref.Step(), ref.Step();
    EXPECT_EQ(RndSeed(), ref.state);
    Rand(3, 3);
    ref.Step(), ref.Step();
    EXPECT_EQ(RndSeed(), ref.state);
    Rand(9, -9);
    ref.Step(), ref.Step();
    EXPECT_EQ(RndSeed(), ref.state);
}

TEST(SeedRnd, LowBitsAllZeroOrAllOneGive4660) {
    for (int32_t seed : {0, -1, std::numeric_limits<int32_t>::max(),
                         std::numeric_limits<int32_t>::min()}) {
        SeedRnd(99);
        SeedRnd(seed);
        EXPECT_EQ(RndSeed(), 4660) << seed;
    }
}

TEST(SeedRnd, KeepsTheLow31Bits) {
    SeedRnd(int32_t(0x80000005u));
    EXPECT_EQ(RndSeed(), 5);
    SeedRnd(-2);  // 0xFFFFFFFE
    EXPECT_EQ(RndSeed(), 2147483646);
    SeedRnd(1);
    EXPECT_EQ(RndSeed(), 1);
    SeedRnd(4660);
    EXPECT_EQ(RndSeed(), 4660);
}

TEST(Rnd, MatchesTheFormulaInEitherOrder) {
    SeedRnd(31337);
    Reference ref{31337};
    for (int i = 0; i < 1000; ++i) {
        double r = ref.Double();
        ASSERT_EQ(Rnd(0.1, 0.5), 0.1 + r * (0.5 - 0.1));
        r = ref.Double();
        ASSERT_EQ(Rnd(0.5, 0.1), 0.1 + r * (0.5 - 0.1));
    }
}

TEST(Rnd, NegativeBoundsInReverseOrderStayInTheHalfOpenRange) {
    SeedRnd(2024);
    for (int i = 0; i < 200000; ++i) {
        double v = Rnd(-0.5, -1.0);
        ASSERT_GE(v, -1.0);
        ASSERT_LT(v, -0.5);
    }
}

TEST(Rnd, EqualBoundsGiveTheBound) {
    SeedRnd(5);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(Rnd(2.5, 2.5), 2.5);
}

TEST(Rand, MatchesTheFormulaWithTruncation) {
    SeedRnd(8080);
    Reference ref{8080};
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(Rand(0, 1024), int32_t(ref.Double() * 1025.0));
        ASSERT_EQ(Rand(-10, 10), int32_t(-10.0 + ref.Double() * 21.0));
    }
}

TEST(Rand, ZeroToOneGivesBothValues) {
    SeedRnd(1);
    std::set<int32_t> seen;
    for (int i = 0; i < 1000; ++i) seen.insert(Rand(0, 1));
    EXPECT_EQ(seen, (std::set<int32_t>{0, 1}));
}

TEST(Rand, TwoToFiveCoversTwoToFiveOnly) {
    SeedRnd(42);
    std::set<int32_t> seen;
    for (int i = 0; i < 10000; ++i) seen.insert(Rand(2, 5));
    EXPECT_EQ(seen, (std::set<int32_t>{2, 3, 4, 5}));
}

TEST(Rand, BoundsInEitherOrderGiveTheSameValue) {
    for (int32_t seed : {1, 4660, 99999, 2147483000}) {
        for (int i = 0; i < 200; ++i) {
            SeedRnd(seed + i);
            int32_t forward = Rand(2, 5);
            SeedRnd(seed + i);
            ASSERT_EQ(Rand(5, 2), forward);
        }
    }
}

TEST(Rand, EqualBoundsGiveTheBound) {
    SeedRnd(3);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(Rand(3, 3), 3);
}

TEST(Rand, WidestRangeNeitherOverflowsNorLeavesIt) {
    // b - a does not fit 32 bits; it is taken as a real.
    constexpr int32_t lo = std::numeric_limits<int32_t>::min();
    constexpr int32_t hi = std::numeric_limits<int32_t>::max();
    SeedRnd(17);
    bool negative = false, positive = false;
    for (int i = 0; i < 1000; ++i) {
        int32_t v = Rand(lo, hi);
        negative |= v < 0;
        positive |= v > 0;
        Reference ref{RndSeed()};
        ASSERT_EQ(Rand(hi, lo), int32_t(double(lo) + ref.Double() * 4294967296.0));
    }
    EXPECT_TRUE(negative);
    EXPECT_TRUE(positive);
}

}  // namespace
}  // namespace fw
