#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "framework/audiosample/audiosample.h"
#include "framework/incbin/incbin.h"
#include "framework/runtime/runtime.h"
#include "framework/stream/ramstream.h"
#include "tests/framework/testogg.h"
#include "tests/framework/teststreams.h"

namespace fw {
namespace {

// --- Ogg Vorbis made here ---------------------------------------------------

Bytes MonoTone() {  // 1 s of 440 Hz at 44,100 Hz
    return EncodeOgg(1, 44100, 44100, [](int, long i) {
        return 0.5 * std::sin(2 * std::numbers::pi * 440.0 * double(i) / 44100.0);
    });
}

Bytes StereoTone() {  // 0.3 s at 22,050 Hz: 660 Hz on the left, silence on the right
    return EncodeOgg(2, 22050, 6615, [](int c, long i) {
        return c == 0 ? 0.6 * std::sin(2 * std::numbers::pi * 660.0 * double(i) / 22050.0) : 0.0;
    }, 7);
}

// --- An independent reading of the same bytes ------------------------------

// Every Ogg page of `data`: offset, length, granule position, flags.
struct Page {
    size_t offset, length;
    int64_t granule;
    uint8_t flags;
};

std::vector<Page> Pages(const Bytes& data) {
    std::vector<Page> pages;
    size_t at = 0;
    while (at + 27 <= data.size() && std::memcmp(&data[at], "OggS", 4) == 0) {
        const size_t segments = data[at + 26];
        if (at + 27 + segments > data.size()) break;
        size_t body = 0;
        for (size_t i = 0; i < segments; ++i) body += data[at + 27 + i];
        const size_t length = 27 + segments + body;
        if (at + length > data.size()) break;
        int64_t granule = 0;
        for (int i = 7; i >= 0; --i) granule = granule << 8 | data[at + 6 + size_t(i)];
        pages.push_back({at, length, granule, data[at + 5]});
        at += length;
    }
    return pages;
}

// Rewrites a page's granule position and its checksum.
void SetGranule(Bytes& data, const Page& p, int64_t granule) {
    for (int i = 0; i < 8; ++i) data[p.offset + 6 + size_t(i)] = uint8_t(uint64_t(granule) >> (8 * i));
    ogg_page page{&data[p.offset], long(27 + data[p.offset + 26]),
                  &data[p.offset + 27 + data[p.offset + 26]],
                  long(p.length - 27 - data[p.offset + 26])};
    ogg_page_checksum_set(&page);
}

// vorbisfile over stdio (fmemopen), ov_read to the end: what any program
// decoding these bytes with vorbisfile gets.
struct Reference {
    int channels = 0;
    long rate = 0;
    int64_t total = 0;
    Bytes pcm;
};

Reference DecodeDirectly(const Bytes& data) {
    Reference ref;
    FILE* f = fmemopen(const_cast<uint8_t*>(data.data()), data.size(), "rb");
    OggVorbis_File vf;
    if (ov_open_callbacks(f, &vf, nullptr, 0, OV_CALLBACKS_NOCLOSE) < 0) {
        ADD_FAILURE() << "vorbisfile refuses the reference data";
        fclose(f);
        return ref;
    }
    ref.channels = ov_info(&vf, 0)->channels;
    ref.rate = ov_info(&vf, 0)->rate;
    ref.total = ov_pcm_total(&vf, 0);
    char buffer[4096];
    int section = 0;
    for (long n; (n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) != 0;) {
        if (n < 0) continue;
        if (section != 0) break;
        ref.pcm.insert(ref.pcm.end(), buffer, buffer + n);
    }
    ov_clear(&vf);
    fclose(f);
    return ref;
}

Ref<TAudioSample> LoadBytes(const Bytes& data, int64_t start = 0) {
    // An empty vector may have no address at all; the stream gets a real one.
    static const uint8_t none = 0;
    Ref<TStream> stream = New<TRamStream>(data.empty() ? &none : data.data(), int64_t(data.size()), true);
    stream->Seek(start);
    return LoadAudioSample(stream);
}

Bytes Concat(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

// --- Decoding ---------------------------------------------------------------

TEST(OggLoader, MonoToneDecodesWholeAndExactlyAsVorbisfileDoes) {
    const Bytes ogg = MonoTone();
    const Reference ref = DecodeDirectly(ogg);
    Ref<TAudioSample> sample = LoadBytes(ogg);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, SampleFormat::Mono16);
    EXPECT_EQ(sample->hertz, 44100);
    // The length is the last page's granule position: every sample given.
    EXPECT_EQ(sample->length, 44100);
    EXPECT_EQ(sample->length, Pages(ogg).back().granule);
    EXPECT_EQ(sample->length, ref.total);
    ASSERT_EQ(sample->samples.size(), size_t(44100 * 2));
    EXPECT_TRUE(sample->samples == ref.pcm);
}

TEST(OggLoader, LongSoundsDecodedInSegmentsSideBySideEqualOneRun) {
    // A rising tone with a little noise: nothing repeats from segment to segment.
    auto chirp = [](int c, long i) {
        const double t = double(i) / 22050.0;
        return 0.4 * std::sin(2 * std::numbers::pi * (200.0 + 150.0 * t) * t * (c + 1)) +
               0.05 * double((i * 2654435761u >> 7) % 1000) / 1000.0;
    };
    struct Case {
        int channels;
        long rate, frames;
    };
    // A few seconds; an odd length; one shorter than a segment.
    for (const Case c : {Case{2, 44100, 5 * 44100}, Case{1, 22050, 3 * 22050 + 4321},
                         Case{1, 44100, 44100 * 7 / 10}}) {
        const Bytes ogg = EncodeOgg(c.channels, c.rate, c.frames, chirp);
        const Reference ref = DecodeDirectly(ogg);
        // Behind another sound in the same block: the stream starts there.
        const Bytes before = MonoTone();
        Ref<TAudioSample> sample = LoadBytes(Concat(before, ogg), int64_t(before.size()));
        ASSERT_TRUE(sample) << c.frames;
        EXPECT_EQ(sample->length, c.frames);
        EXPECT_EQ(sample->length, ref.total);
        EXPECT_TRUE(sample->samples == ref.pcm) << c.frames;

        // A hole anywhere drops the load, whichever segment meets it.
        const std::vector<Page> pages = Pages(ogg);
        for (size_t i : {pages.size() / 3, pages.size() * 3 / 4}) {
            Bytes damaged = ogg;
            damaged[pages[i].offset + pages[i].length / 2] ^= 0x5a;
            EXPECT_EQ(LoadBytes(damaged), nullptr) << c.frames << " page " << i;
        }
    }
}

TEST(OggLoader, StereoToneIsInterleavedLeftThenRight) {
    const Bytes ogg = StereoTone();
    Ref<TAudioSample> sample = LoadBytes(ogg);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, SampleFormat::Stereo16);
    EXPECT_EQ(ChannelCount(sample->format), 2);
    EXPECT_EQ(sample->hertz, 22050);
    EXPECT_EQ(sample->length, 6615);
    ASSERT_EQ(sample->samples.size(), size_t(6615 * 4));
    EXPECT_TRUE(sample->samples == DecodeDirectly(ogg).pcm);
    // Little-endian signed: the tone is on the left, the right stays near 0.
    double left = 0, right = 0;
    for (size_t i = 0; i + 3 < sample->samples.size(); i += 4) {
        left += std::abs(int16_t(sample->samples[i] | sample->samples[i + 1] << 8));
        right += std::abs(int16_t(sample->samples[i + 2] | sample->samples[i + 3] << 8));
    }
    EXPECT_GT(left / 6615, 8000);  // about 0.6 × 32767 × 2 / π
    EXPECT_LT(right / 6615, 100);
}

TEST(OggLoader, LoadsThroughAnEmbeddedFileUrl) {
    static const Bytes ogg = MonoTone();
    ASSERT_EQ(IncbinAdd("audiosample_test.ogg", ogg.data(), int32_t(ogg.size())), 1);
    Ref<TAudioSample> sample = LoadAudioSample("incbin::audiosample_test.ogg");
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->length, 44100);
    EXPECT_EQ(LoadAudioSample("incbin::not-registered.ogg"), nullptr);
}

TEST(OggLoader, ReadsTheFirstLogicalStreamOnly) {
    // A chained file: a mono link, then a stereo one. The sample is the first
    // link exactly; the decoder never runs on into the second.
    const Bytes first = MonoTone();
    const Bytes chained = Concat(first, StereoTone());
    Ref<TAudioSample> sample = LoadBytes(chained);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, SampleFormat::Mono16);
    EXPECT_EQ(sample->length, 44100);
    EXPECT_TRUE(sample->samples == DecodeDirectly(first).pcm);
}

TEST(OggLoader, StartsWhereTheStreamStands) {
    // A sound that starts inside a larger block, after another sound of the
    // same serial number: it is read as a file of its own from that position.
    const Bytes before = EncodeOgg(1, 44100, 30000, [](int, long i) { return 0.4 * std::sin(double(i) * 0.1); }, 7);
    const Bytes sound = StereoTone();
    Ref<TAudioSample> sample = LoadBytes(Concat(before, sound), int64_t(before.size()));
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, SampleFormat::Stereo16);
    EXPECT_EQ(sample->length, 6615);
    EXPECT_TRUE(sample->samples == DecodeDirectly(sound).pcm);
}

TEST(OggLoader, AShorterLastGranuleTrimsTheSound) {
    Bytes ogg = MonoTone();
    const Page last = Pages(ogg).back();
    SetGranule(ogg, last, last.granule - 1000);
    const Bytes whole = DecodeDirectly(MonoTone()).pcm;
    Ref<TAudioSample> sample = LoadBytes(ogg);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->length, 44100 - 1000);
    EXPECT_TRUE(std::equal(sample->samples.begin(), sample->samples.end(), whole.begin()));
}

// --- Bad input --------------------------------------------------------------

TEST(OggLoaderBadInput, OtherDataIsDeclined) {
    const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13};
    EXPECT_EQ(LoadBytes(png), nullptr);
    EXPECT_EQ(LoadBytes(Bytes{}), nullptr);
    Bytes noise(100000);
    uint32_t x = 12345;
    for (uint8_t& b : noise) b = uint8_t((x = x * 1103515245 + 12345) >> 24);
    EXPECT_EQ(LoadBytes(noise), nullptr);
    // The capture pattern alone is no Ogg Vorbis stream.
    EXPECT_EQ(LoadBytes(Bytes{'O', 'g', 'g', 'S', 0, 2, 0, 0}), nullptr);
}

TEST(OggLoaderBadInput, MoreThanTwoChannelsAreDeclined) {
    const Bytes ogg = EncodeOgg(3, 44100, 4410, [](int c, long i) {
        return 0.3 * std::sin(double(i) * 0.05 * (c + 1));
    });
    ASSERT_EQ(DecodeDirectly(ogg).channels, 3);
    EXPECT_EQ(LoadBytes(ogg), nullptr);
}

TEST(OggLoaderBadInput, ABlockCutInItsHeadersGivesNoSample) {
    const Bytes ogg = MonoTone();
    // Every cut before the first audio page (the header pages have granule 0).
    size_t headersEnd = 0;
    for (const Page& page : Pages(ogg)) {
        if (page.granule == 0) headersEnd = page.offset + page.length;
    }
    ASSERT_GT(headersEnd, 0u);
    for (size_t cut = 0; cut < headersEnd; cut += (cut < 64 ? 1 : 97)) {
        Bytes part(ogg.begin(), ogg.begin() + long(cut));
        EXPECT_EQ(LoadBytes(part), nullptr) << "cut at " << cut;
    }
}

TEST(OggLoaderBadInput, ABlockCutInItsAudioKeepsOnlyWholePagesNeverGarbage) {
    // To vorbisfile a block cut after some audio pages is a stream that ends
    // at its last whole page: the sample holds exactly what those pages
    // carry, and is the start of the whole sound, sample for sample.
    const Bytes ogg = MonoTone();
    const Bytes whole = DecodeDirectly(ogg).pcm;
    const std::vector<Page> pages = Pages(ogg);
    for (size_t i = 3; i + 1 < pages.size(); ++i) {
        for (size_t into : {size_t(0), pages[i].length / 2}) {
            const size_t cut = pages[i].offset + into;
            Ref<TAudioSample> sample = LoadBytes(Bytes(ogg.begin(), ogg.begin() + long(cut)));
            ASSERT_TRUE(sample) << "cut at " << cut;
            EXPECT_EQ(sample->length, pages[i - 1].granule) << "cut at " << cut;
            EXPECT_TRUE(std::equal(sample->samples.begin(), sample->samples.end(), whole.begin()))
                << "cut at " << cut;
        }
    }
}

TEST(OggLoaderBadInput, ADamagedPageDropsTheLoad) {
    const Bytes ogg = MonoTone();
    const Bytes whole = DecodeDirectly(ogg).pcm;
    const std::vector<Page> pages = Pages(ogg);
    size_t firstAudio = 0;
    while (firstAudio < pages.size() && pages[firstAudio].granule == 0) ++firstAudio;
    ASSERT_LE(firstAudio + 4, pages.size());
    for (size_t i = 0; i < pages.size(); ++i) {
        Bytes damaged = ogg;
        damaged[pages[i].offset + pages[i].length / 2] ^= 0x5a;
        Ref<TAudioSample> sample = LoadBytes(damaged);
        if (i < firstAudio || (i > firstAudio && i + 1 < pages.size())) {
            // A header that fails its checksum, or a hole inside the audio.
            EXPECT_EQ(sample, nullptr) << "page " << i;
        } else if (sample) {
            // Without its first or last audio page the data is, to
            // vorbisfile, a stream that starts or ends there: what it gives
            // is exactly the end or the start of the whole sound.
            const bool head = i + 1 == pages.size();
            EXPECT_TRUE(head ? std::equal(sample->samples.begin(), sample->samples.end(), whole.begin())
                             : std::equal(sample->samples.rbegin(), sample->samples.rend(), whole.rbegin()))
                << "page " << i;
            EXPECT_LT(sample->length, 44100) << "page " << i;
        }
    }
}

TEST(OggLoaderBadInput, AStreamShorterThanItsAnnouncedLengthGivesNoSample) {
    // The last page claims 1,000 samples more than its packets hold: the
    // stream ends before the announced length is filled.
    Bytes ogg = MonoTone();
    const Page last = Pages(ogg).back();
    SetGranule(ogg, last, last.granule + 1000);
    ASSERT_EQ(DecodeDirectly(ogg).total, 44100 + 1000);
    EXPECT_EQ(LoadBytes(ogg), nullptr);
}

TEST(OggLoaderBadInput, AHugeAnnouncedLengthCostsNoMoreThanTheData) {
    Bytes ogg = MonoTone();
    const Page last = Pages(ogg).back();
    SetGranule(ogg, last, int64_t(1) << 50);
    largestAllocation = 0;
    EXPECT_EQ(LoadBytes(ogg), nullptr);
    // Room for what the data can hold, not for 2^50 samples.
    EXPECT_LT(largestAllocation, 64 * ogg.size() + (size_t(1) << 20));
}

// --- Streams and loaders ----------------------------------------------------

TEST(LoadAudioSample, AStreamThatCannotTellItsPositionIsRefused) {
    Ref<TestStream> stream = New<TestStream>(MonoTone(), false, true);
    try {
        LoadAudioSample(Ref<TStream>(stream));
        FAIL() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_STREQ(e.what(), "Stream is not seekable");
    }
    Ref<TestStream> fixed = New<TestStream>(MonoTone(), true, false);
    EXPECT_THROW(LoadAudioSample(Ref<TStream>(fixed)), RuntimeError);
}

// Reads some of the stream, remembers where it was handed the stream, and
// declines; or accepts data starting with "SNOWTEST" with a sample of `tag` Hz.
class ProbeLoader : public TAudioSampleLoader {
public:
    explicit ProbeLoader(int tag) : tag_(tag) {}
    Ref<TAudioSample> LoadAudioSample(TStream& stream) override {
        seenAt.push_back(stream.Pos());
        char head[8] = {};
        stream.Read(head, 8);
        stream.Read(std::vector<char>(500).data(), 500);
        if (std::memcmp(head, "SNOWTEST", 8) != 0) return nullptr;
        return New<TAudioSample>(1, tag_, SampleFormat::Mono16);
    }
    std::vector<int64_t> seenAt;

private:
    int tag_;
};

TEST(LoadAudioSample, LoadersAreTriedNewestFirstEachFromTheStartPosition) {
    Ref<ProbeLoader> older = New<ProbeLoader>(1);
    Ref<ProbeLoader> newer = New<ProbeLoader>(2);
    AddAudioSampleLoader(older);
    AddAudioSampleLoader(newer);

    // Ogg data after 100 bytes of something else: both probes decline after
    // reading on, and the Ogg loader still starts at byte 100.
    Bytes block(100, 'x');
    const Bytes ogg = MonoTone();
    block.insert(block.end(), ogg.begin(), ogg.end());
    Ref<TAudioSample> sample = LoadBytes(block, 100);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->length, 44100);
    EXPECT_EQ(newer->seenAt, std::vector<int64_t>{100});
    EXPECT_EQ(older->seenAt, std::vector<int64_t>{100});

    // Data both accept: the newer answers and the older is never asked.
    Bytes tagged = {'S', 'N', 'O', 'W', 'T', 'E', 'S', 'T'};
    sample = LoadBytes(tagged);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->hertz, 2);
    EXPECT_EQ(older->seenAt.size(), 1u);
}

TEST(LoadAudioSample, TheUrlFormClosesTheStreamItOpenedOnEveryPath) {
    // "audiosampletest::" URLs open a TestStream over a tone, or over junk.
    Ref<TestFactory> factory = New<TestFactory>("audiosampletest", MonoTone());
    AddStreamFactory(factory);
    EXPECT_TRUE(LoadAudioSample("audiosampletest::tone"));
    EXPECT_EQ(factory->last->closed, 1);
    EXPECT_EQ(LoadAudioSample("audiosampletest::junk"), nullptr);
    EXPECT_EQ(factory->last->closed, 1);
    EXPECT_THROW(LoadAudioSample("audiosampletest::untold"), RuntimeError);
    EXPECT_EQ(factory->last->closed, 1);
    // The stream form leaves the caller's stream open.
    Ref<TestStream> own = New<TestStream>(MonoTone(), true, true);
    EXPECT_TRUE(LoadAudioSample(Ref<TStream>(own)));
    EXPECT_EQ(own->closed, 0);
    EXPECT_EQ(LoadAudioSample(Ref<TStream>()), nullptr);
}

TEST(TAudioSample, HoldsLengthTimesTwoTimesChannelsBytes) {
    TAudioSample mono(10, 8000, SampleFormat::Mono16);
    EXPECT_EQ(mono.samples.size(), 20u);
    TAudioSample stereo(10, 8000, SampleFormat::Stereo16);
    EXPECT_EQ(stereo.samples.size(), 40u);
    TAudioSample given(Bytes(12), 8000, SampleFormat::Stereo16);
    EXPECT_EQ(given.length, 3);
    EXPECT_THROW(TAudioSample(Bytes(6), 8000, SampleFormat::Stereo16), RuntimeError);
    EXPECT_THROW(TAudioSample(-1, 8000, SampleFormat::Mono16), RuntimeError);
}

// --- The jingle -------------------------------------------------------------

TEST(Jingle, DecodesAsOggdecDoes) {
    const std::string path = MediaPath("hohoho.ogg");
    const Bytes* embedded = Embed("hohoho.ogg");
    ASSERT_TRUE(embedded) << "cannot embed " << path;
    const Bytes& ogg = *embedded;
    Ref<TAudioSample> sample = LoadAudioSample("incbin::hohoho.ogg");
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->format, SampleFormat::Mono16);
    EXPECT_EQ(sample->hertz, 44100);
    EXPECT_EQ(sample->length, Pages(ogg).back().granule);
    EXPECT_NEAR(double(sample->length) / 44100, 77, 3);

    const std::string command = "oggdec -Q -R -b 16 -e 0 -s 1 -o - '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    Bytes pcm;
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) pcm.insert(pcm.end(), buffer, buffer + n);
    ASSERT_EQ(pclose(pipe), 0) << command;
    ASSERT_EQ(pcm.size(), sample->samples.size());
    EXPECT_TRUE(pcm == sample->samples);
}

}  // namespace
}  // namespace fw
