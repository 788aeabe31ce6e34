#include <gtest/gtest.h>

#include <string>

#include "framework/incbin/incbin.h"

// The table belongs to the whole process, so every test registers names of
// its own.

namespace fw {
namespace {

const char kFirst[] = "first block";
const char kSecond[] = "second block";

TEST(Incbin, UnknownNameGivesNullAndZero) {
    EXPECT_EQ(IncbinPtr("never-registered.png"), nullptr);
    EXPECT_EQ(IncbinLen("never-registered.png"), 0);
    EXPECT_EQ(IncbinPtr(""), nullptr);
}

TEST(Incbin, RegisteredBlockIsTheVeryBytesNotACopy) {
    EXPECT_EQ(IncbinAdd("block.bin", kFirst, 11), 1);
    EXPECT_EQ(IncbinPtr("block.bin"), static_cast<const void*>(kFirst));
    EXPECT_EQ(IncbinLen("block.bin"), 11);
}

TEST(Incbin, FirstRegistrationOfANameWins) {
    EXPECT_EQ(IncbinAdd("twice.png", kFirst, 11), 1);
    EXPECT_EQ(IncbinAdd("twice.png", kSecond, 12), 0);
    EXPECT_EQ(IncbinPtr("twice.png"), static_cast<const void*>(kFirst));
    EXPECT_EQ(IncbinLen("twice.png"), 11);
}

TEST(Incbin, NamesAreComparedExactly) {
    ASSERT_EQ(IncbinAdd("Exact.png", kFirst, 11), 1);
    EXPECT_EQ(IncbinPtr("exact.png"), nullptr);
    EXPECT_EQ(IncbinPtr("EXACT.PNG"), nullptr);
    EXPECT_EQ(IncbinPtr("Exact.pn"), nullptr);
    EXPECT_EQ(IncbinPtr("Exact.png "), nullptr);
    EXPECT_EQ(IncbinPtr(std::string("Exact.png\0", 10)), nullptr);
    EXPECT_EQ(IncbinPtr("Exact.png"), static_cast<const void*>(kFirst));
    // Names differing only in case are different names.
    EXPECT_EQ(IncbinAdd("exact.png", kSecond, 12), 1);
    EXPECT_EQ(IncbinPtr("exact.png"), static_cast<const void*>(kSecond));
    EXPECT_EQ(IncbinPtr("Exact.png"), static_cast<const void*>(kFirst));
}

TEST(Incbin, TheTableKeepsItsOwnCopyOfTheName) {
    {
        std::string name = "transient.png";
        ASSERT_EQ(IncbinAdd(name, kFirst, 11), 1);
        name.assign("overwritten!!");
    }
    EXPECT_EQ(IncbinPtr("transient.png"), static_cast<const void*>(kFirst));
    EXPECT_EQ(IncbinPtr("overwritten!!"), nullptr);
}

TEST(Incbin, EmptyBlockIsRegistered) {
    EXPECT_EQ(IncbinAdd("empty.bin", kFirst, 0), 1);
    EXPECT_EQ(IncbinPtr("empty.bin"), static_cast<const void*>(kFirst));
    EXPECT_EQ(IncbinLen("empty.bin"), 0);
}

TEST(Incbin, UnusableBlocksAreRefused) {
    EXPECT_EQ(IncbinAdd("negative.bin", kFirst, -1), 0);
    EXPECT_EQ(IncbinAdd("null.bin", nullptr, 4), 0);
    EXPECT_EQ(IncbinAdd("null-empty.bin", nullptr, 0), 0);
    EXPECT_EQ(IncbinPtr("negative.bin"), nullptr);
    EXPECT_EQ(IncbinPtr("null.bin"), nullptr);
    // A refused registration leaves the name free for a good one.
    EXPECT_EQ(IncbinAdd("negative.bin", kFirst, 5), 1);
    EXPECT_EQ(IncbinLen("negative.bin"), 5);
}

TEST(Incbin, ManyEntriesEachFindTheirOwn) {
    static char blocks[200];
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(IncbinAdd("many-" + std::to_string(i), blocks + i, i), 1);
    }
    for (int i = 0; i < 200; ++i) {
        std::string name = "many-" + std::to_string(i);
        EXPECT_EQ(IncbinPtr(name), static_cast<const void*>(blocks + i));
        EXPECT_EQ(IncbinLen(name), i);
    }
}

}  // namespace
}  // namespace fw
