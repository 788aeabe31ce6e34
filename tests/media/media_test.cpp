// The committed media files against what the scene relies on: formats and
// sizes, the background's brightness row by row (dark sky, light snow from
// row 493, the drop line at 510 inside the light part), no pixel near the
// mask colour, the flake's own alpha, and a mono 44,100 Hz jingle of about
// 77 seconds that never reaches full scale. Read straight from media/ with
// libpng and vorbisfile, independent of the framework's loaders.
#include <gtest/gtest.h>
#include <png.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::ifstream in(std::string(SNOWFALL_MEDIA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Png {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    bool transparencyChunk = false;
    size_t pitch = 0;
    std::vector<uint8_t> pixels;  // rows as stored, top to bottom
    bool ok = false;

    const uint8_t* Row(int y) const { return pixels.data() + pitch * static_cast<size_t>(y); }
};

struct Reader {
    const std::vector<uint8_t>* bytes;
    size_t at;
};

void ReadBytes(png_structp png, png_bytep out, size_t count) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > r->bytes->size() - r->at) png_error(png, "read past the end");
    std::memcpy(out, r->bytes->data() + r->at, count);
    r->at += count;
}

// Decodes with no transforms at all, so the pixels are the stored ones.
// libpng leaves by longjmp on an error; the results live in *out, which the
// caller owns, so nothing here is left half-destroyed.
void DecodePng(const std::vector<uint8_t>* bytes, Png* out) {
    Reader reader{bytes, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return;
    }
    png_set_read_fn(png, &reader, ReadBytes);
    png_read_info(png, info);
    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    out->bitDepth = png_get_bit_depth(png, info);
    out->colourType = png_get_color_type(png, info);
    out->interlace = png_get_interlace_type(png, info);
    out->transparencyChunk = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    out->pitch = png_get_rowbytes(png, info);
    out->pixels.resize(out->pitch * out->height);
    int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < out->height; ++y) png_read_row(png, out->pixels.data() + out->pitch * y, nullptr);
    }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    out->ok = true;
}

Png LoadPng(const std::string& name) {
    std::vector<uint8_t> bytes = ReadFile(name);
    Png png;
    if (!bytes.empty()) DecodePng(&bytes, &png);
    return png;
}

// ---------------------------------------------------------------- background

class Background : public ::testing::Test {
protected:
    static void SetUpTestSuite() { picture_ = new Png(LoadPng("pic4.png")); }
    static void TearDownTestSuite() { delete picture_; }

    // The mean of red, green and blue over row y.
    static double RowMean(int y) {
        const uint8_t* row = picture_->Row(y);
        long sum = 0;
        for (png_uint_32 i = 0; i < picture_->width * 3; ++i) sum += row[i];
        return static_cast<double>(sum) / (picture_->width * 3.0);
    }

    static Png* picture_;
};

Png* Background::picture_ = nullptr;

TEST_F(Background, IsAnOpaque1024By768RgbPicture) {
    ASSERT_TRUE(picture_->ok);
    EXPECT_EQ(picture_->width, 1024u);
    EXPECT_EQ(picture_->height, 768u);
    EXPECT_EQ(picture_->bitDepth, 8);
    EXPECT_EQ(picture_->colourType, PNG_COLOR_TYPE_RGB);
    EXPECT_EQ(picture_->interlace, PNG_INTERLACE_NONE);
    EXPECT_FALSE(picture_->transparencyChunk);
}

TEST_F(Background, IsDarkDownToRow492) {
    ASSERT_TRUE(picture_->ok && picture_->colourType == PNG_COLOR_TYPE_RGB && picture_->height == 768u);
    for (int y = 0; y <= 492; ++y) {
        EXPECT_GE(RowMean(y), 65.0) << "row " << y;
        EXPECT_LE(RowMean(y), 103.0) << "row " << y;
    }
}

TEST_F(Background, GrowsLightFromRow493SoThatTheDropLineLiesInTheLight) {
    ASSERT_TRUE(picture_->ok && picture_->colourType == PNG_COLOR_TYPE_RGB && picture_->height == 768u);
    EXPECT_NEAR(RowMean(493), 98.0, 3.0);
    EXPECT_NEAR(RowMean(494), 105.0, 3.0);
    EXPECT_NEAR(RowMean(510), 141.0, 4.0);
    EXPECT_NEAR(RowMean(545), 236.0, 3.0);
    EXPECT_NEAR(RowMean(546), 236.0, 3.0);
    // Rising all the way, small dips allowed.
    for (int y = 494; y <= 545; ++y) EXPECT_GE(RowMean(y), RowMean(y - 1) - 2.0) << "row " << y;
    // The light part starts 17 rows above the drop line and does not end.
    int firstLight = 0;
    while (firstLight < 768 && RowMean(firstLight) <= 103.0) ++firstLight;
    EXPECT_GE(firstLight, 493);
    EXPECT_LE(firstLight, 494);
    for (int y = 510; y < 768; ++y) EXPECT_GE(RowMean(y), 137.0) << "row " << y;
}

TEST_F(Background, StaysLightBelowRow560) {
    ASSERT_TRUE(picture_->ok && picture_->colourType == PNG_COLOR_TYPE_RGB && picture_->height == 768u);
    for (int y = 560; y < 768; ++y) {
        EXPECT_GE(RowMean(y), 169.0) << "row " << y;
        EXPECT_LE(RowMean(y), 233.0) << "row " << y;
    }
}

// Masking with (255, 0, 255) must leave every pixel opaque and unchanged.
TEST_F(Background, HasNoPixelNearTheMaskColour) {
    ASSERT_TRUE(picture_->ok && picture_->colourType == PNG_COLOR_TYPE_RGB);
    int near = 0;
    for (png_uint_32 y = 0; y < picture_->height; ++y) {
        const uint8_t* p = picture_->Row(static_cast<int>(y));
        for (png_uint_32 x = 0; x < picture_->width; ++x, p += 3) near += p[0] >= 250 && p[1] <= 5 && p[2] >= 250;
    }
    EXPECT_EQ(near, 0);
}

// ---------------------------------------------------------------- flake

TEST(Flake, IsA50By48PictureWithItsOwnAlpha) {
    Png flake = LoadPng("flake.png");
    ASSERT_TRUE(flake.ok);
    EXPECT_EQ(flake.width, 50u);
    EXPECT_EQ(flake.height, 48u);
    EXPECT_EQ(flake.bitDepth, 8);
    EXPECT_EQ(flake.colourType, PNG_COLOR_TYPE_RGB_ALPHA);
    EXPECT_EQ(flake.interlace, PNG_INTERLACE_NONE);
}

TEST(Flake, IsAboutAThirdClearOverHalfSolidWithSoftEdges) {
    Png flake = LoadPng("flake.png");
    ASSERT_TRUE(flake.ok && flake.colourType == PNG_COLOR_TYPE_RGB_ALPHA && flake.width * flake.height == 2400u);
    int clear = 0, solid = 0;
    for (size_t i = 3; i < flake.pixels.size(); i += 4) {
        clear += flake.pixels[i] == 0;
        solid += flake.pixels[i] == 255;
    }
    int between = 2400 - clear - solid;
    EXPECT_GE(clear, 600);  // 25 ... 35 %
    EXPECT_LE(clear, 840);
    EXPECT_GT(solid, 1200);
    EXPECT_GE(between, 120);  // at least 5 %: the edges are soft
}

// The scene draws the flake by its middle, so the crystal must sit there:
// its alpha balances on the centre, its corners are clear, its heart solid,
// and what shows is bright.
TEST(Flake, IsABrightCrystalCentredInItsPicture) {
    Png flake = LoadPng("flake.png");
    ASSERT_TRUE(flake.ok && flake.colourType == PNG_COLOR_TYPE_RGB_ALPHA && flake.width == 50u && flake.height == 48u);
    double weight = 0.0, sx = 0.0, sy = 0.0, light = 0.0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 50; ++x) {
            const uint8_t* p = flake.Row(y) + 4 * x;
            double a = p[3] / 255.0;
            weight += a;
            sx += a * (x + 0.5);
            sy += a * (y + 0.5);
            light += a * (p[0] + p[1] + p[2]) / 3.0;
        }
    }
    EXPECT_NEAR(sx / weight, 25.0, 0.5);
    EXPECT_NEAR(sy / weight, 24.0, 0.5);
    EXPECT_GT(light / weight, 190.0);
    EXPECT_EQ(flake.Row(24)[4 * 25 + 3], 255);
    for (auto [x, y] : {std::pair{0, 0}, {49, 0}, {0, 47}, {49, 47}}) EXPECT_EQ(flake.Row(y)[4 * x + 3], 0);
}

// ---------------------------------------------------------------- jingle

class Jingle : public ::testing::Test {
protected:
    void SetUp() override {
        std::string path = std::string(SNOWFALL_MEDIA_DIR) + "/hohoho.ogg";
        ASSERT_EQ(ov_fopen(path.c_str(), &file_), 0) << path;
        open_ = true;
    }
    void TearDown() override {
        if (open_) ov_clear(&file_);
    }

    OggVorbis_File file_{};
    bool open_ = false;
};

TEST_F(Jingle, IsOneMonoVorbisStreamAt44100HzAndNominally96kbit) {
    EXPECT_EQ(ov_streams(&file_), 1);
    vorbis_info* info = ov_info(&file_, -1);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->version, 0);
    EXPECT_EQ(info->channels, 1);
    EXPECT_EQ(info->rate, 44100);
    EXPECT_EQ(info->bitrate_nominal, 96000);
}

TEST_F(Jingle, LastsAbout77Seconds) {
    ogg_int64_t length = ov_pcm_total(&file_, -1);
    EXPECT_GE(length, 76 * 44100);
    EXPECT_LE(length, 78 * 44100);
}

// Decoded whole: as many samples as announced, loud enough to be heard,
// never at full scale, and faded out to silence at the end.
TEST_F(Jingle, StaysBelowFullScaleAndFadesOut) {
    ogg_int64_t announced = ov_pcm_total(&file_, -1);
    std::vector<float> samples;
    samples.reserve(static_cast<size_t>(std::max<ogg_int64_t>(announced, 0)));
    for (;;) {
        float** pcm = nullptr;
        int section = 0;
        long n = ov_read_float(&file_, &pcm, 4096, &section);
        ASSERT_GE(n, 0) << "decoding error";
        if (n == 0) break;
        samples.insert(samples.end(), pcm[0], pcm[0] + n);
    }
    ASSERT_EQ(static_cast<ogg_int64_t>(samples.size()), announced);
    float peak = 0.0f;
    double energy = 0.0;
    for (float s : samples) {
        peak = std::max(peak, std::fabs(s));
        energy += static_cast<double>(s) * s;
    }
    EXPECT_LT(peak, 0.97f);
    EXPECT_GT(peak, 0.3f);
    EXPECT_GT(std::sqrt(energy / samples.size()), 0.05);
    size_t tail = 4410;  // the last tenth of a second
    ASSERT_GT(samples.size(), tail);
    float tailPeak = 0.0f;
    for (size_t i = samples.size() - tail; i < samples.size(); ++i) tailPeak = std::max(tailPeak, std::fabs(samples[i]));
    EXPECT_LT(tailPeak, 0.01f);
}

}  // namespace
