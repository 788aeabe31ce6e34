#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/incbin/incbin.h"
#include "framework/pixmap/pixmap.h"
#include "framework/runtime/runtime.h"
#include "framework/stream/ramstream.h"
#include "tests/framework/teststreams.h"

namespace fw {
namespace {

// --- PNG files made here with libpng ----------------------------------------

struct PngLayout {
    int width = 0, height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    Bytes rows{};  // packed as stored in the file, row after row (16-bit big-endian)
    std::vector<png_color> palette{};
    Bytes paletteAlpha{};             // tRNS of a palette picture
    const png_color_16* key = nullptr;  // tRNS of a grey or RGB picture
    bool gamma = false;                 // a gAMA chunk of 45,454
};

void WriteData(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void Flush(png_structp) {}

size_t RowBytes(const PngLayout& s) {
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    return (size_t(s.width) * size_t(channels[s.colorType]) * size_t(s.bitDepth) + 7) / 8;
}

// libpng leaves by longjmp on an error; nothing with a destructor lives here.
bool WritePng(png_structp png, png_infop info, const PngLayout& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, png_uint_32(s.width), png_uint_32(s.height), s.bitDepth, s.colorType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty()) {
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    }
    if (s.key) png_set_tRNS(png, info, nullptr, 0, s.key);
    if (s.gamma) png_set_gAMA_fixed(png, info, 45454);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

Bytes EncodePng(const PngLayout& s) {
    Bytes out;
    EXPECT_EQ(s.rows.size(), RowBytes(s) * size_t(s.height));
    std::vector<png_bytep> rows;
    Bytes data = s.rows;
    for (int y = 0; y < s.height; ++y) rows.push_back(data.data() + size_t(y) * RowBytes(s));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, WriteData, Flush);
    EXPECT_TRUE(WritePng(png, info, s, rows.data()));
    png_destroy_write_struct(&png, &info);
    return out;
}

Ref<TPixmap> LoadBytes(const Bytes& data, int64_t start = 0) {
    // An empty vector may have no address at all; the stream gets a real one.
    static const uint8_t none = 0;
    Ref<TStream> stream = New<TRamStream>(data.empty() ? &none : data.data(), int64_t(data.size()), true);
    stream->Seek(start);
    return LoadPixmap(stream);
}

Bytes PixelBytes(const TPixmap& p) {
    Bytes out;
    for (int y = 0; y < p.height; ++y) {
        out.insert(out.end(), p.PixelPtr(0, y), p.PixelPtr(0, y) + p.width * BytesPerPixel(p.format));
    }
    return out;
}

// A 5 × 3 RGB picture whose every byte differs.
PngLayout SmallRgb() {
    PngLayout s{.width = 5, .height = 3};
    for (int i = 0; i < 5 * 3 * 3; ++i) s.rows.push_back(uint8_t(i * 5 + 3));
    return s;
}

// --- Decoding ---------------------------------------------------------------

TEST(PngLoader, RgbGivesRgb888RowsTopToBottom) {
    const PngLayout s = SmallRgb();
    Ref<TPixmap> p = LoadBytes(EncodePng(s));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 5);
    EXPECT_EQ(p->height, 3);
    EXPECT_EQ(p->format, PixelFormat::RGB888);
    EXPECT_EQ(p->pitch, 15);
    EXPECT_EQ(PixelBytes(*p), s.rows);
    // Row 2, column 1 holds bytes 33, 34, 35 of the file's pixel data.
    EXPECT_EQ(p->PixelPtr(1, 2)[0], uint8_t(33 * 5 + 3));
    EXPECT_EQ(p->PixelPtr(1, 2)[2], uint8_t(35 * 5 + 3));
}

TEST(PngLoader, RgbaKeepsItsAlphaAsStored) {
    // Colour under alpha 0 stays as it is: nothing is premultiplied.
    PngLayout s{.width = 2, .height = 2, .colorType = PNG_COLOR_TYPE_RGB_ALPHA,
              .rows = {200, 100, 50, 0, 1, 2, 3, 1, 9, 8, 7, 128, 255, 255, 255, 255}};
    Ref<TPixmap> p = LoadBytes(EncodePng(s));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGBA8888);
    EXPECT_EQ(p->pitch, 8);
    EXPECT_EQ(PixelBytes(*p), s.rows);
}

TEST(PngLoader, SixteenBitSamplesKeepTheirHighByte) {
    // 0x12FF becomes 0x12: the low byte is dropped, not rounded into the high one.
    PngLayout s{.width = 2, .height = 1, .bitDepth = 16, .colorType = PNG_COLOR_TYPE_RGB_ALPHA,
              .rows = {0x12, 0xFF, 0xAB, 0x00, 0xFF, 0xFF, 0x80, 0x80,
                       0x00, 0xFF, 0x7F, 0xFF, 0x01, 0x00, 0xFE, 0xFF}};
    Ref<TPixmap> p = LoadBytes(EncodePng(s));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGBA8888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{0x12, 0xAB, 0xFF, 0x80, 0x00, 0x7F, 0x01, 0xFE}));

    PngLayout rgb{.width = 1, .height = 1, .bitDepth = 16, .rows = {0xC0, 0xFF, 0x00, 0x80, 0x33, 0x01}};
    p = LoadBytes(EncodePng(rgb));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGB888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{0xC0, 0x00, 0x33}));
}

TEST(PngLoader, APaletteExpandsToRgbAndItsTransparencyToAlpha) {
    const std::vector<png_color> palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {255, 0, 255}};
    // 2-bit indices, four to a byte: 0 1 2 3 / 3 2 1 0.
    PngLayout s{.width = 4, .height = 2, .bitDepth = 2, .colorType = PNG_COLOR_TYPE_PALETTE,
              .rows = {0b00011011, 0b11100100}, .palette = palette};
    Ref<TPixmap> p = LoadBytes(EncodePng(s));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGB888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{10, 20, 30, 40, 50, 60, 70, 80, 90, 255, 0, 255,
                                     255, 0, 255, 70, 80, 90, 40, 50, 60, 10, 20, 30}));

    // tRNS for the first two entries only; the rest stay opaque.
    s.paletteAlpha = {0, 99};
    p = LoadBytes(EncodePng(s));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGBA8888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{10, 20, 30, 0, 40, 50, 60, 99, 70, 80, 90, 255, 255, 0, 255, 255,
                                     255, 0, 255, 255, 70, 80, 90, 255, 40, 50, 60, 99, 10, 20, 30, 0}));

    // 8-bit indices.
    PngLayout wide{.width = 3, .height = 1, .colorType = PNG_COLOR_TYPE_PALETTE, .rows = {3, 0, 1},
                 .palette = palette};
    p = LoadBytes(EncodePng(wide));
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), (Bytes{255, 0, 255, 10, 20, 30, 40, 50, 60}));
}

TEST(PngLoader, GreyBecomesRgbAndGreyWithAlphaRgba) {
    PngLayout grey{.width = 3, .height = 2, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {0, 1, 127, 128, 254, 255}};
    Ref<TPixmap> p = LoadBytes(EncodePng(grey));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGB888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{0, 0, 0, 1, 1, 1, 127, 127, 127, 128, 128, 128, 254, 254, 254, 255, 255, 255}));

    // 1-bit grey expands to 0 and 255, 4-bit to 17 times the value.
    PngLayout bits{.width = 9, .height = 1, .bitDepth = 1, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {0b10100000, 0b10000000}};
    p = LoadBytes(EncodePng(bits));
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), (Bytes{255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0,
                                     0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255}));
    PngLayout nibbles{.width = 2, .height = 1, .bitDepth = 4, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {0x3F}};
    p = LoadBytes(EncodePng(nibbles));
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), (Bytes{51, 51, 51, 255, 255, 255}));
    PngLayout deep{.width = 1, .height = 1, .bitDepth = 16, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {0x9A, 0xFF}};
    p = LoadBytes(EncodePng(deep));
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), (Bytes{0x9A, 0x9A, 0x9A}));

    PngLayout ga{.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {30, 0, 200, 77}};
    p = LoadBytes(EncodePng(ga));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGBA8888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{30, 30, 30, 0, 200, 200, 200, 77}));
}

TEST(PngLoader, ATransparentColourKeyBecomesAlpha) {
    static const png_color_16 greyKey{0, 0, 0, 0, 128};
    PngLayout grey{.width = 2, .height = 1, .colorType = PNG_COLOR_TYPE_GRAY, .rows = {128, 129}, .key = &greyKey};
    Ref<TPixmap> p = LoadBytes(EncodePng(grey));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGBA8888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{128, 128, 128, 0, 129, 129, 129, 255}));

    static const png_color_16 rgbKey{0, 1, 2, 3, 0};
    PngLayout rgb{.width = 2, .height = 1, .rows = {1, 2, 3, 1, 2, 4}, .key = &rgbKey};
    p = LoadBytes(EncodePng(rgb));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->format, PixelFormat::RGBA8888);
    EXPECT_EQ(PixelBytes(*p), (Bytes{1, 2, 3, 0, 1, 2, 4, 255}));
}

TEST(PngLoader, InterlacedPicturesDecodeToTheSamePixels) {
    // 13 × 11 puts pixels in every pass of the interlacing.
    PngLayout s{.width = 13, .height = 11, .colorType = PNG_COLOR_TYPE_RGB_ALPHA};
    for (int i = 0; i < 13 * 11 * 4; ++i) s.rows.push_back(uint8_t(i * 7 + i / 13));
    s.interlaced = true;
    Ref<TPixmap> p = LoadBytes(EncodePng(s));
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), s.rows);

    PngLayout palette{.width = 13, .height = 11, .bitDepth = 4, .colorType = PNG_COLOR_TYPE_PALETTE,
                    .interlaced = true};
    for (int i = 0; i < 16; ++i) palette.palette.push_back({uint8_t(i * 16), uint8_t(255 - i), uint8_t(i)});
    // Two 4-bit indices to a byte; the last byte of a row holds one.
    auto index = [](int x, int y) { return (x * 3 + y * 5) % 16; };
    Bytes expected;
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 13; x += 2) {
            palette.rows.push_back(uint8_t(index(x, y) << 4 | (x + 1 < 13 ? index(x + 1, y) : 0)));
        }
        for (int x = 0; x < 13; ++x) {
            const png_color c = palette.palette[size_t(index(x, y))];
            expected.insert(expected.end(), {c.red, c.green, c.blue});
        }
    }
    p = LoadBytes(EncodePng(palette));
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), expected);
}

TEST(PngLoader, GammaIsNotApplied) {
    PngLayout s = SmallRgb();
    s.gamma = true;
    Ref<TPixmap> p = LoadBytes(EncodePng(s));
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), s.rows);
}

TEST(PngLoader, LoadsThroughAnEmbeddedFileUrl) {
    static const Bytes png = EncodePng(SmallRgb());
    ASSERT_EQ(IncbinAdd("pixmap_test.png", png.data(), int32_t(png.size())), 1);
    Ref<TPixmap> p = LoadPixmap("incbin::pixmap_test.png");
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), SmallRgb().rows);
    EXPECT_EQ(LoadPixmap("incbin::not-registered.png"), nullptr);
}

// --- Bad input --------------------------------------------------------------

TEST(PngLoaderBadInput, DataWithoutTheSignatureIsDeclined) {
    const Bytes png = EncodePng(SmallRgb());
    EXPECT_EQ(LoadBytes(Bytes{}), nullptr);
    EXPECT_EQ(LoadBytes(Bytes(png.begin(), png.begin() + 7)), nullptr);
    for (size_t i = 0; i < 8; ++i) {
        Bytes wrong = png;
        wrong[i] ^= 0x20;
        EXPECT_EQ(LoadBytes(wrong), nullptr) << "byte " << i;
    }
    const char text[] = "GIF89a, or anything else at all";
    EXPECT_EQ(LoadBytes(Bytes(text, text + sizeof text)), nullptr);
}

TEST(PngLoaderBadInput, ABlockCutShortGivesNoPicture) {
    for (bool interlaced : {false, true}) {
        PngLayout s = SmallRgb();
        s.interlaced = interlaced;
        const Bytes png = EncodePng(s);
        ASSERT_TRUE(LoadBytes(png));
        for (size_t cut = 8; cut < png.size(); ++cut) {
            EXPECT_EQ(LoadBytes(Bytes(png.begin(), png.begin() + long(cut))), nullptr) << "cut at " << cut;
        }
    }
}

// The chunks of a PNG file: offset of the length field, data length, type.
struct Chunk {
    size_t offset;
    uint32_t length;
    std::string type;
};

std::vector<Chunk> Chunks(const Bytes& png) {
    std::vector<Chunk> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        chunks.push_back({at, length, std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8)});
        at += 12 + length;
    }
    return chunks;
}

// Recomputes a chunk's checksum (CRC-32 of type and data) after its bytes
// were changed.
void FixCrc(Bytes& png, const Chunk& c) {
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = c.offset + 4; i < c.offset + 8 + c.length; ++i) {
        crc ^= png[i];
        for (int bit = 0; bit < 8; ++bit) crc = crc >> 1 ^ (crc & 1 ? 0xEDB88320 : 0);
    }
    crc ^= 0xFFFFFFFF;
    for (int i = 0; i < 4; ++i) png[c.offset + 8 + c.length + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
}

const Chunk& Find(const std::vector<Chunk>& chunks, const std::string& type) {
    return *std::find_if(chunks.begin(), chunks.end(), [&](const Chunk& c) { return c.type == type; });
}

TEST(PngLoaderBadInput, ADamagedBlockGivesNoPicture) {
    const Bytes png = EncodePng(SmallRgb());
    const std::vector<Chunk> chunks = Chunks(png);
    // Any byte of the header, the data or the end chunk changed: the
    // checksum no longer matches.
    for (const Chunk& c : chunks) {
        for (size_t at = c.offset; at < c.offset + 12 + c.length; ++at) {
            Bytes damaged = png;
            damaged[at] ^= 0x01;
            EXPECT_EQ(LoadBytes(damaged), nullptr) << c.type << " byte " << at - c.offset;
        }
    }
    // Compressed data that is not deflate, with a checksum that matches.
    Bytes garbled = png;
    const Chunk& idat = Find(chunks, "IDAT");
    for (size_t i = 0; i < idat.length; ++i) garbled[idat.offset + 8 + i] = uint8_t(0xA5 ^ i);
    FixCrc(garbled, idat);
    EXPECT_EQ(LoadBytes(garbled), nullptr);
    // A header with a colour type that does not exist.
    Bytes badType = png;
    const Chunk& ihdr = Find(chunks, "IHDR");
    badType[ihdr.offset + 8 + 9] = 5;
    FixCrc(badType, ihdr);
    EXPECT_EQ(LoadBytes(badType), nullptr);
}

TEST(PngLoaderBadInput, AHeaderClaimingMoreThanTheDataCanHoldIsRefusedAtOnce) {
    // 100,000 × 100,000 RGB over a few bytes of data: refused before any
    // memory is set aside for 30 GB of pixels.
    Bytes png = EncodePng(SmallRgb());
    const Chunk ihdr = Find(Chunks(png), "IHDR");
    for (size_t field : {size_t(0), size_t(4)}) {
        const uint32_t big = 100000;
        for (int i = 0; i < 4; ++i) png[ihdr.offset + 8 + field + size_t(i)] = uint8_t(big >> (24 - 8 * i));
    }
    FixCrc(png, ihdr);
    largestAllocation = 0;
    EXPECT_EQ(LoadBytes(png), nullptr);
    EXPECT_LT(largestAllocation, size_t(1) << 20);
}

// --- Streams and loaders ----------------------------------------------------

TEST(LoadPixmap, AStreamThatCannotTellItsPositionIsRefused) {
    Ref<TestStream> stream = New<TestStream>(EncodePng(SmallRgb()), false, true);
    try {
        LoadPixmap(Ref<TStream>(stream));
        FAIL() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "Stream is not seekable");
    }
    Ref<TestStream> fixed = New<TestStream>(EncodePng(SmallRgb()), true, false);
    EXPECT_THROW(LoadPixmap(Ref<TStream>(fixed)), RuntimeError);
}

TEST(LoadPixmap, APictureInsideALargerBlockLoadsFromTheStreamsPosition) {
    Bytes block(37, 0x89);
    const Bytes png = EncodePng(SmallRgb());
    block.insert(block.end(), png.begin(), png.end());
    block.insert(block.end(), 50, 'z');
    Ref<TPixmap> p = LoadBytes(block, 37);
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), SmallRgb().rows);
    EXPECT_EQ(LoadBytes(block, 36), nullptr);
}

// Reads some of the stream, remembers where it was handed the stream, and
// declines; or accepts data starting with "SNOWTEST" with a 1 × 1 picture
// whose red is `tag`.
class ProbeLoader : public TPixmapLoader {
public:
    explicit ProbeLoader(uint8_t tag) : tag_(tag) {}
    Ref<TPixmap> LoadPixmap(TStream& stream) override {
        seenAt.push_back(stream.Pos());
        char head[8] = {};
        stream.Read(head, 8);
        stream.Read(std::vector<char>(30).data(), 30);
        if (std::memcmp(head, "SNOWTEST", 8) != 0) return nullptr;
        Ref<TPixmap> p = CreatePixmap(1, 1, PixelFormat::RGB888);
        p->PixelPtr(0, 0)[0] = tag_;
        return p;
    }
    std::vector<int64_t> seenAt;

private:
    uint8_t tag_;
};

TEST(LoadPixmap, LoadersAreTriedNewestFirstEachFromTheStartPosition) {
    Ref<ProbeLoader> older = New<ProbeLoader>(1);
    Ref<ProbeLoader> newer = New<ProbeLoader>(2);
    AddPixmapLoader(older);
    AddPixmapLoader(newer);

    Bytes block(20, 'x');
    const Bytes png = EncodePng(SmallRgb());
    block.insert(block.end(), png.begin(), png.end());
    Ref<TPixmap> p = LoadBytes(block, 20);
    ASSERT_TRUE(p);
    EXPECT_EQ(PixelBytes(*p), SmallRgb().rows);
    EXPECT_EQ(newer->seenAt, std::vector<int64_t>{20});
    EXPECT_EQ(older->seenAt, std::vector<int64_t>{20});

    p = LoadBytes(Bytes{'S', 'N', 'O', 'W', 'T', 'E', 'S', 'T'});
    ASSERT_TRUE(p);
    EXPECT_EQ(p->PixelPtr(0, 0)[0], 2);
    EXPECT_EQ(older->seenAt.size(), 1u);
}

TEST(LoadPixmap, TheUrlFormClosesTheStreamItOpenedOnEveryPath) {
    // "pixmaptest::" URLs open a TestStream over a picture, or over junk.
    Ref<TestFactory> factory = New<TestFactory>("pixmaptest", EncodePng(SmallRgb()));
    AddStreamFactory(factory);
    EXPECT_TRUE(LoadPixmap("pixmaptest::picture"));
    EXPECT_EQ(factory->last->closed, 1);
    EXPECT_EQ(LoadPixmap("pixmaptest::junk"), nullptr);
    EXPECT_EQ(factory->last->closed, 1);
    EXPECT_THROW(LoadPixmap("pixmaptest::untold"), RuntimeError);
    EXPECT_EQ(factory->last->closed, 1);
    // The stream form leaves the caller's stream open.
    Ref<TestStream> own = New<TestStream>(EncodePng(SmallRgb()), true, true);
    EXPECT_TRUE(LoadPixmap(Ref<TStream>(own)));
    EXPECT_EQ(own->closed, 0);
    EXPECT_EQ(LoadPixmap(Ref<TStream>()), nullptr);
}

TEST(TPixmap, CreatePixmapGivesZeroedRowsPitchBytesApart) {
    Ref<TPixmap> p = CreatePixmap(3, 2, PixelFormat::RGBA8888);
    EXPECT_EQ(p->pitch, 12);
    EXPECT_EQ(p->pixels.size(), 24u);
    EXPECT_EQ(p->PixelPtr(1, 1) - p->PixelPtr(0, 0), 16);
    EXPECT_TRUE(std::all_of(p->pixels.begin(), p->pixels.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(CreatePixmap(4, 1, PixelFormat::RGB888)->pitch, 12);
    EXPECT_THROW(CreatePixmap(-1, 2, PixelFormat::RGB888), RuntimeError);
}

// --- Masking ----------------------------------------------------------------

// An RGB picture from rows of colours; 'M' in `layout` marks the mask colour
// (255, 0, 255), any other letter the colour given for it.
Ref<TPixmap> Picture(const std::vector<std::string>& layout,
                     const std::vector<std::pair<char, std::array<uint8_t, 3>>>& colours) {
    Ref<TPixmap> p = CreatePixmap(int(layout[0].size()), int(layout.size()), PixelFormat::RGB888);
    for (int y = 0; y < p->height; ++y) {
        for (int x = 0; x < p->width; ++x) {
            std::array<uint8_t, 3> c = {255, 0, 255};
            for (auto& [letter, colour] : colours) {
                if (letter == layout[size_t(y)][size_t(x)]) c = colour;
            }
            std::copy(c.begin(), c.end(), p->PixelPtr(x, y));
        }
    }
    return p;
}

Bytes Rgba(const Ref<TPixmap>& p, int x, int y) { return Bytes(p->PixelPtr(x, y), p->PixelPtr(x, y) + 4); }

TEST(MaskPixmap, AMaskPixelInACornerAveragesItsThreeNeighbours) {
    // (0, 0) sees (1, 0), (0, 1) and (1, 1) only; the 200s lie further off.
    Ref<TPixmap> src = Picture({"MAZ", "BCZ", "ZZZ"},
                               {{'A', {10, 0, 90}}, {'B', {11, 1, 91}}, {'C', {11, 5, 95}}, {'Z', {200, 200, 200}}});
    Ref<TPixmap> out = MaskPixmap(src, 255, 0, 255);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->format, PixelFormat::RGBA8888);
    // (10 + 11 + 11) / 3 = 10.67 → 10; (0 + 1 + 5) / 3 = 2; (90 + 91 + 95) / 3 = 92.
    EXPECT_EQ(Rgba(out, 0, 0), (Bytes{10, 2, 92, 0}));
}

TEST(MaskPixmap, NeighboursAreAveragedWithTruncation) {
    Ref<TPixmap> out = MaskPixmap(Picture({"AMB"}, {{'A', {10, 255, 0}}, {'B', {11, 254, 1}}}), 255, 0, 255);
    EXPECT_EQ(Rgba(out, 1, 0), (Bytes{10, 254, 0, 0}));
    // Five neighbours along an edge, all eight inside.
    out = MaskPixmap(Picture({"ABA", "BMB", "AAA"}, {{'A', {1, 2, 3}}, {'B', {4, 5, 7}}}), 255, 0, 255);
    EXPECT_EQ(Rgba(out, 1, 1), (Bytes{(5 * 1 + 3 * 4) / 8, (5 * 2 + 3 * 5) / 8, (5 * 3 + 3 * 7) / 8, 0}));
    out = MaskPixmap(Picture({"AMB", "BAA"}, {{'A', {100, 100, 100}}, {'B', {0, 0, 1}}}), 255, 0, 255);
    EXPECT_EQ(Rgba(out, 1, 0), (Bytes{60, 60, 60, 0}));  // (3 × 100 + 2 × 0) / 5, (300 + 2) / 5
}

TEST(MaskPixmap, AMaskPixelAmongMaskPixelsBecomesTransparentBlack) {
    Ref<TPixmap> out = MaskPixmap(Picture({"AAAAA", "AMMMA", "AMMMA", "AMMMA", "AAAAA"}, {{'A', {90, 90, 90}}}),
                                  255, 0, 255);
    EXPECT_EQ(Rgba(out, 2, 2), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(Rgba(out, 1, 1), (Bytes{90, 90, 90, 0}));
    EXPECT_EQ(Rgba(MaskPixmap(Picture({"M"}, {}), 255, 0, 255), 0, 0), (Bytes{0, 0, 0, 0}));
}

TEST(MaskPixmap, NeighboursAreJudgedByThePictureAsItWasBeforeMasking) {
    // Each of the two mask pixels sees only its own outer neighbour; the
    // colour given to the first must not count for the second.
    Ref<TPixmap> out = MaskPixmap(Picture({"AMMB"}, {{'A', {40, 40, 40}}, {'B', {80, 80, 80}}}), 255, 0, 255);
    EXPECT_EQ(Rgba(out, 1, 0), (Bytes{40, 40, 40, 0}));
    EXPECT_EQ(Rgba(out, 2, 0), (Bytes{80, 80, 80, 0}));
}

TEST(MaskPixmap, EveryOtherPixelBecomesOpaqueAndKeepsItsColour) {
    // Only the exact mask colour is masked: near misses stay.
    Ref<TPixmap> src = Picture({"ABCD", "EMFG"}, {{'A', {254, 0, 255}}, {'B', {255, 1, 255}}, {'C', {255, 0, 254}},
                                                  {'D', {0, 0, 0}}, {'E', {255, 255, 255}}, {'F', {12, 34, 56}},
                                                  {'G', {255, 0, 255 - 5}}});
    Ref<TPixmap> out = MaskPixmap(src, 255, 0, 255);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            if (x == 1 && y == 1) continue;
            const uint8_t* s = src->PixelPtr(x, y);
            EXPECT_EQ(Rgba(out, x, y), (Bytes{s[0], s[1], s[2], 255})) << x << ", " << y;
        }
    }
    EXPECT_EQ(out->PixelPtr(1, 1)[3], 0);
    // The source is left as it was.
    EXPECT_EQ(src->format, PixelFormat::RGB888);
    EXPECT_EQ(Bytes(src->PixelPtr(1, 1), src->PixelPtr(1, 1) + 3), (Bytes{255, 0, 255}));
    // Another mask colour masks that colour instead.
    out = MaskPixmap(src, 12, 34, 56);
    EXPECT_EQ(out->PixelPtr(2, 1)[3], 0);
    EXPECT_EQ(out->PixelPtr(1, 1)[3], 255);
}

TEST(MaskPixmap, APictureWithAlphaIsReturnedUntouched) {
    Ref<TPixmap> rgba = CreatePixmap(2, 1, PixelFormat::RGBA8888);
    const Bytes bytes = {255, 0, 255, 255, 255, 0, 255, 7};
    std::copy(bytes.begin(), bytes.end(), rgba->pixels.begin());
    Ref<TPixmap> out = MaskPixmap(rgba, 255, 0, 255);
    EXPECT_EQ(out.get(), rgba.get());
    EXPECT_EQ(rgba->pixels, bytes);
    EXPECT_EQ(MaskPixmap(nullptr, 255, 0, 255), nullptr);
}

// --- The scene's pictures ---------------------------------------------------

// The file's pixels as ImageMagick reads them ("rgb" or "rgba"), 8 bits each.
Bytes ImageMagickPixels(const std::string& name, const std::string& layout) {
    const std::string command = "convert '" + MediaPath(name) + "' -depth 8 " + layout + ":-";
    FILE* pipe = popen(command.c_str(), "r");
    Bytes out;
    if (!pipe) return out;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.insert(out.end(), buffer, buffer + n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

TEST(ScenePictures, TheBackgroundIsOpaqueRgbAfterMasking) {
    ASSERT_TRUE(Embed("pic4.png")) << "cannot embed " << MediaPath("pic4.png");
    Ref<TPixmap> p = LoadPixmap("incbin::pic4.png");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 1024);
    EXPECT_EQ(p->height, 768);
    EXPECT_EQ(p->format, PixelFormat::RGB888);
    // Every value as stored: the same bytes another decoder reads.
    EXPECT_TRUE(p->pixels == ImageMagickPixels("pic4.png", "rgb"));
    Ref<TPixmap> masked = MaskPixmap(p, 255, 0, 255);
    ASSERT_EQ(masked->format, PixelFormat::RGBA8888);
    size_t changed = 0;
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const uint8_t* s = p->PixelPtr(x, y);
            const uint8_t* m = masked->PixelPtr(x, y);
            changed += m[3] != 255 || m[0] != s[0] || m[1] != s[1] || m[2] != s[2];
        }
    }
    EXPECT_EQ(changed, 0u);
}

TEST(ScenePictures, TheFlakeKeepsItsAlpha) {
    ASSERT_TRUE(Embed("flake.png")) << "cannot embed " << MediaPath("flake.png");
    Ref<TPixmap> p = LoadPixmap("incbin::flake.png");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->width, 50);
    EXPECT_EQ(p->height, 48);
    EXPECT_EQ(p->format, PixelFormat::RGBA8888);
    EXPECT_TRUE(p->pixels == ImageMagickPixels("flake.png", "rgba"));
    const Bytes before = p->pixels;
    EXPECT_EQ(MaskPixmap(p, 255, 0, 255).get(), p.get());
    EXPECT_EQ(p->pixels, before);
    // Its own alpha: some pixels clear, some opaque, some in between.
    size_t clear = 0, opaque = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 50; ++x) {
            clear += p->PixelPtr(x, y)[3] == 0;
            opaque += p->PixelPtr(x, y)[3] == 255;
        }
    }
    EXPECT_GT(clear, 0u);
    EXPECT_GT(opaque, 0u);
    EXPECT_LT(clear + opaque, 2400u);
}

}  // namespace
}  // namespace fw
