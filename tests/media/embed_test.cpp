// The media built into the program: each block is exactly the committed
// file, byte for byte, with the length the build fixed for it, and holds one
// whole file (a PNG up to its IEND chunk, the Ogg stream up to the page that
// ends it).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "media/media.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::ifstream in(std::string(SNOWFALL_MEDIA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Block {
    const char* name;
    const unsigned char* data;
    int32_t length;
};

const Block blocks[] = {
    {"pic4.png", snowfall_media_pic4_png, snowfall_media_pic4_png_length},
    {"flake.png", snowfall_media_flake_png, snowfall_media_flake_png_length},
    {"hohoho.ogg", snowfall_media_hohoho_ogg, snowfall_media_hohoho_ogg_length},
};

TEST(EmbeddedMedia, EachBlockIsItsFileByteForByte) {
    for (const Block& b : blocks) {
        std::vector<uint8_t> file = ReadFile(b.name);
        ASSERT_FALSE(file.empty()) << b.name;
        ASSERT_EQ(static_cast<size_t>(b.length), file.size()) << b.name;
        EXPECT_EQ(std::memcmp(b.data, file.data(), file.size()), 0) << b.name;
    }
}

TEST(EmbeddedMedia, PictureBlocksRunFromTheSignatureToTheEndChunk) {
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const uint8_t end[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    for (const Block& b : {blocks[0], blocks[1]}) {
        ASSERT_GT(b.length, 20) << b.name;
        EXPECT_EQ(std::memcmp(b.data, signature, sizeof signature), 0) << b.name;
        EXPECT_EQ(std::memcmp(b.data + b.length - sizeof end, end, sizeof end), 0) << b.name;
    }
}

// Walks the Ogg pages: they must tile the block exactly, and only the last
// carries the end-of-stream flag.
TEST(EmbeddedMedia, TheJingleBlockEndsWithTheEndOfStreamPage) {
    const Block& b = blocks[2];
    int32_t at = 0;
    int pages = 0, endPages = 0;
    bool lastEnds = false;
    while (at < b.length) {
        ASSERT_LE(at + 27, b.length);
        ASSERT_EQ(std::memcmp(b.data + at, "OggS", 4), 0) << "page at " << at;
        int segments = b.data[at + 26];
        ASSERT_LE(at + 27 + segments, b.length);
        int32_t size = 27 + segments;
        for (int i = 0; i < segments; ++i) size += b.data[at + 27 + i];
        lastEnds = (b.data[at + 5] & 0x04) != 0;
        endPages += lastEnds;
        ++pages;
        at += size;
    }
    EXPECT_EQ(at, b.length);
    EXPECT_GT(pages, 3);
    EXPECT_TRUE(lastEnds);
    EXPECT_EQ(endPages, 1);
}

}  // namespace
