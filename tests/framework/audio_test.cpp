// The sound output, heard through SDL's disk audio driver: every frame the
// mixer makes lands in a file, which the tests read back. The driver writes
// as fast as it can, so the tests wait for voices to end (with a bound) and
// look for a sound where its first non-zero frame is. Each case opens the
// output itself and stops it at the end.
#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "framework/audio/audio.h"
#include "framework/audio/audiodriver.h"
#include "framework/audio/mixeraudio/mixeraudio.h"
#include "tests/framework/testogg.h"

// Under AddressSanitizer freed memory is overwritten, so a sound freed while
// the mixer still plays it comes out as garbage.
extern "C" const char* __asan_default_options() { return "max_free_fill_size=16777216"; }

namespace fw {
namespace {

struct Frame {
    int16_t left = 0, right = 0;
    bool operator==(const Frame&) const = default;
};

void PrintTo(const Frame& f, std::ostream* os) { *os << "(" << f.left << ", " << f.right << ")"; }

// --- Samples made here ------------------------------------------------------

std::vector<uint8_t> LittleEndian(const std::vector<int16_t>& values) {
    std::vector<uint8_t> bytes;
    for (int16_t v : values) {
        bytes.push_back(uint8_t(uint16_t(v) & 0xff));
        bytes.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return bytes;
}

Ref<TAudioSample> MonoSample(const std::vector<int16_t>& values, int hertz = 44100) {
    return New<TAudioSample>(LittleEndian(values), hertz, SampleFormat::Mono16);
}

Ref<TAudioSample> StereoSample(const std::vector<Frame>& frames, int hertz = 44100) {
    std::vector<int16_t> values;
    for (const Frame& f : frames) {
        values.push_back(f.left);
        values.push_back(f.right);
    }
    return New<TAudioSample>(LittleEndian(values), hertz, SampleFormat::Stereo16);
}

// Values all over the range that are never 0, so a sound in the output
// begins at its first non-zero frame and ends at its last.
std::vector<int16_t> Pattern(int count, int seed) {
    std::vector<int16_t> values(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int v = int((int64_t(i) * 7919 + int64_t(seed) * 104729) % 60001) - 30000;
        values[size_t(i)] = int16_t(v == 0 ? 1 : v);
    }
    return values;
}

std::vector<Frame> Doubled(const std::vector<int16_t>& mono) {
    std::vector<Frame> frames;
    for (int16_t v : mono) frames.push_back({v, v});
    return frames;
}

// A short mono Ogg Vorbis file: a 440 Hz tone rising in loudness.
void WriteRisingTone(const std::string& path, int frames) {
    WriteOgg(path, 1, 44100, frames, [frames](int, long i) {
        return 0.6 * double(i + 1) / frames * std::sin(2 * M_PI * 440 * double(i) / 44100.0);
    });
}

// --- The output file ----------------------------------------------------------

std::string TempPath(const char* stem) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/" + stem + "-XXXXXX";
    const int fd = mkstemp(path.data());
    EXPECT_GE(fd, 0);
    close(fd);
    return path;
}

int64_t FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

std::vector<Frame> ReadFrames(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<Frame> frames(bytes.size() / 4);
    for (size_t i = 0; i < frames.size(); ++i) {
        const uint8_t* b = &bytes[4 * i];
        frames[i] = {int16_t(uint16_t(b[0] | b[1] << 8)), int16_t(uint16_t(b[2] | b[3] << 8))};
    }
    return frames;
}

// Where the first sound begins: the first non-zero frame, or the end.
size_t SoundStart(const std::vector<Frame>& out) {
    size_t i = 0;
    while (i < out.size() && out[i] == Frame{}) ++i;
    return i;
}

bool WaitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool OutputOpen() {
    int hertz = 0, channels = 0;
    Uint16 format = 0;
    return Mix_QuerySpec(&hertz, &format, &channels) != 0;
}

// Frames of silence the output must show after a sound has ended.
constexpr int64_t kSilenceFrames = 8192;

void UseDiskOutput(const std::string& path) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
}

class DiskOutput : public testing::Test {
protected:
    void SetUp() override {
        path_ = TempPath("audio_test");
        UseDiskOutput(path_);
        InitAudio();
        ASSERT_TRUE(OutputOpen()) << "the disk output did not open";
        int hertz = 0, channels = 0;
        Uint16 format = 0;
        Mix_QuerySpec(&hertz, &format, &channels);
        ASSERT_EQ(hertz, 44100);
        ASSERT_EQ(format, AUDIO_S16LSB);
        ASSERT_EQ(channels, 2);
    }
    void TearDown() override {
        SetAudioDriver(nullptr);
        unlink(path_.c_str());
    }

    // Waits until no voice plays and some silence has followed, stops the
    // output (which closes its file) and returns everything it wrote.
    std::vector<Frame> Finish() {
        EXPECT_TRUE(WaitFor([] { return Mix_Playing(-1) == 0; })) << "a voice never ended";
        // Twice the silence asked for: the file lags the mixer by a buffer or two.
        return RunFor(2 * kSilenceFrames);
    }
    // Lets the output write at least `frames` more frames, then stops it.
    std::vector<Frame> RunFor(int64_t frames) {
        const int64_t size = FileSize(path_);
        EXPECT_TRUE(WaitFor([&] { return FileSize(path_) >= size + 4 * frames; }));
        SetAudioDriver(nullptr);
        return ReadFrames(path_);
    }

    // Expects `sound` at the first non-zero frame of `out`, once, then silence.
    static void ExpectOnce(const std::vector<Frame>& out, const std::vector<Frame>& sound) {
        const size_t start = SoundStart(out);
        ASSERT_GE(out.size(), start + sound.size() + kSilenceFrames) << "the sound is not all there";
        for (size_t i = 0; i < sound.size(); ++i) {
            ASSERT_EQ(out[start + i], sound[i]) << "frame " << i << " of the sound";
        }
        for (size_t i = start + sound.size(); i < out.size(); ++i) {
            ASSERT_EQ(out[i], Frame{}) << "frame " << i - start - sound.size() << " after the sound";
        }
    }

    std::string path_;
};

// --- Playing --------------------------------------------------------------------

TEST_F(DiskOutput, MonoSoundPlaysOnceOnBothSidesThenSilence) {
    const std::vector<int16_t> mono = Pattern(3000, 1);
    Ref<TSound> sound = LoadSound(MonoSample(mono), 0);
    ASSERT_TRUE(sound);
    Ref<TChannel> channel = PlaySound(sound);
    ASSERT_TRUE(channel);
    ExpectOnce(Finish(), Doubled(mono));
}

TEST_F(DiskOutput, StereoSoundPlaysAsIs) {
    const std::vector<int16_t> left = Pattern(2500, 2), right = Pattern(2500, 3);
    std::vector<Frame> stereo;
    for (size_t i = 0; i < left.size(); ++i) stereo.push_back({left[i], right[i]});
    Ref<TChannel> channel = PlaySound(LoadSound(StereoSample(stereo)));
    ASSERT_TRUE(channel);
    ExpectOnce(Finish(), stereo);
}

TEST_F(DiskOutput, DroppedChannelAndSoundPlayToTheirEnd) {
    const std::vector<int16_t> mono = Pattern(20000, 4);
    // Neither the sound nor its channel is held by anyone once it started.
    EXPECT_TRUE(PlaySound(LoadSound(MonoSample(mono))));
    // Were the first sound freed, this one would take its memory.
    Ref<TSound> next = LoadSound(MonoSample(Pattern(20000, 40)));
    ExpectOnce(Finish(), Doubled(mono));
}

TEST_F(DiskOutput, AnyNonZeroFlagLoops) {
    const std::vector<int16_t> mono = Pattern(441, 5);
    Ref<TChannel> channel = PlaySound(LoadSound(MonoSample(mono), 2));
    ASSERT_TRUE(channel);
    const std::vector<Frame> out = RunFor(40 * 441 + kSilenceFrames);
    // Round after round without a gap, until the output stopped: halting the
    // voices may leave silence at the very end.
    const size_t start = SoundStart(out);
    size_t end = start;
    while (end < out.size() && !(out[end] == Frame{})) ++end;
    ASSERT_GE(end, start + 10 * mono.size()) << "fewer than ten rounds";
    for (size_t i = start; i < end; ++i) {
        const int16_t v = mono[(i - start) % mono.size()];
        ASSERT_EQ(out[i], (Frame{v, v})) << "frame " << (i - start) % mono.size() << " of round "
                                         << (i - start) / mono.size();
    }
    for (size_t i = end; i < out.size(); ++i) ASSERT_EQ(out[i], Frame{}) << "frame " << i - start;
}

TEST_F(DiskOutput, SoundAt22050HzComesOutResampledAtTwiceItsLength) {
    // A 441 Hz tone: 50 samples a cycle at 22,050 Hz, 100 at the output's rate.
    constexpr int kFrames = 2205;
    std::vector<int16_t> mono(static_cast<size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i) mono[size_t(i)] = int16_t(std::lround(8000 * std::cos(2 * M_PI * i / 50)));
    ASSERT_TRUE(PlaySound(LoadSound(MonoSample(mono, 22050))));
    const std::vector<Frame> out = Finish();
    const size_t start = SoundStart(out);
    size_t end = out.size();
    while (end > start && out[end - 1] == Frame{}) --end;
    EXPECT_NEAR(double(end - start), 2.0 * kFrames, 2.0);
    for (size_t i = start; i < end; ++i) {
        ASSERT_EQ(out[i].left, out[i].right) << "frame " << i - start;
        // Away from the edges, where the resampler's filter has whole input.
        if (i - start < 16 || end - i < 16) continue;
        const double expected = 8000 * std::cos(2 * M_PI * double(i - start) / 100);
        ASSERT_NEAR(out[i].left, expected, 120.0) << "frame " << i - start;
    }
}

TEST_F(DiskOutput, LoadSoundDecodesTheWholeOggStream) {
    const std::string ogg = TempPath("audio_test_ogg");
    WriteRisingTone(ogg, 30000);
    Ref<TAudioSample> decoded = LoadAudioSample(ogg);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->length, 30000);
    ASSERT_EQ(decoded->format, SampleFormat::Mono16);
    Ref<TSound> sound = LoadSound(ogg, 0);
    unlink(ogg.c_str());
    ASSERT_TRUE(sound);
    ASSERT_TRUE(PlaySound(sound));

    std::vector<int16_t> mono(size_t(decoded->length));
    std::memcpy(mono.data(), decoded->samples.data(), decoded->samples.size());
    // The tone starts at 0: line the output up by the first non-zero sample.
    size_t lead = 0;
    while (lead < mono.size() && mono[lead] == 0) ++lead;
    ASSERT_LT(lead, mono.size());
    const std::vector<Frame> out = Finish();
    const size_t start = SoundStart(out);
    ASSERT_GE(start, lead);
    ASSERT_GE(out.size(), start - lead + mono.size());
    for (size_t i = 0; i < mono.size(); ++i) {
        ASSERT_EQ(out[start - lead + i], (Frame{mono[i], mono[i]})) << "frame " << i;
    }
}

TEST_F(DiskOutput, PlayingOnAChannelReplacesItsVoice) {
    Ref<TSound> first = LoadSound(MonoSample(Pattern(441, 6)), 1);
    Ref<TSound> second = LoadSound(MonoSample(Pattern(441, 7)), 1);
    Ref<TChannel> channel = PlaySound(first);
    ASSERT_TRUE(channel);
    EXPECT_EQ(PlaySound(second, channel), channel);
    EXPECT_EQ(Mix_Playing(-1), 1);
    EXPECT_EQ(PlaySound(first, channel), channel);
    EXPECT_EQ(Mix_Playing(-1), 1);
    // A channel PlaySound did not make counts as none.
    Ref<TChannel> stranger = New<TChannel>();
    Ref<TChannel> another = PlaySound(second, stranger);
    EXPECT_TRUE(another);
    EXPECT_FALSE(another == stranger);
    EXPECT_FALSE(another == channel);
    EXPECT_EQ(Mix_Playing(-1), 2);
}

TEST_F(DiskOutput, ChannelWhoseVoiceEndedDoesNotCutTheVoiceThatTookItsPlace) {
    Ref<TSound> once = LoadSound(MonoSample(Pattern(100, 8)), 0);
    Ref<TSound> loop = LoadSound(MonoSample(Pattern(441, 9)), 1);
    Ref<TChannel> channel = PlaySound(once);
    ASSERT_TRUE(WaitFor([] { return Mix_Playing(-1) == 0; }));
    // The looping sound takes the first free mixer channel: the one `once` had.
    Ref<TChannel> other = PlaySound(loop);
    EXPECT_EQ(PlaySound(loop, channel), channel);
    EXPECT_EQ(Mix_Playing(-1), 2);
    EXPECT_EQ(PlaySound(loop, other), other);
    EXPECT_EQ(PlaySound(loop, channel), channel);
    EXPECT_EQ(Mix_Playing(-1), 2);
}

TEST_F(DiskOutput, AllChannelsBusyMakesMoreChannels) {
    const int channels = Mix_AllocateChannels(-1);
    Ref<TSound> loop = LoadSound(MonoSample(Pattern(441, 10)), 1);
    std::vector<Ref<TChannel>> playing;
    for (int i = 0; i < 3 * channels + 1; ++i) {
        Ref<TChannel> channel = PlaySound(loop);
        ASSERT_TRUE(channel);
        for (const Ref<TChannel>& c : playing) ASSERT_FALSE(c == channel);
        playing.push_back(channel);
    }
    EXPECT_EQ(Mix_Playing(-1), 3 * channels + 1);
}

TEST_F(DiskOutput, NothingToPlayGivesNull) {
    Ref<TSound> sound = LoadSound(MonoSample(Pattern(10, 11)));
    Ref<TChannel> channel = PlaySound(sound);
    EXPECT_FALSE(PlaySound(nullptr));
    EXPECT_FALSE(PlaySound(nullptr, channel));
    EXPECT_FALSE(LoadSound(Ref<TAudioSample>()));
    EXPECT_FALSE(LoadSound(MonoSample(Pattern(10, 12), 0))) << "a sample without a rate";
    const std::string missing = TempPath("audio_test_missing");
    unlink(missing.c_str());
    EXPECT_FALSE(LoadSound(missing));
    const std::string garbage = TempPath("audio_test_garbage");
    std::ofstream(garbage) << "not a sound at all, not even close to one";
    EXPECT_FALSE(LoadSound(garbage));
    unlink(garbage.c_str());
}

TEST_F(DiskOutput, EmptySoundPlaysNothingAndStillGivesAChannel) {
    Ref<TSound> sound = LoadSound(MonoSample({}));
    ASSERT_TRUE(sound);
    EXPECT_TRUE(PlaySound(sound));
    Ref<TSound> resampled = LoadSound(MonoSample({}, 22050));
    ASSERT_TRUE(resampled);
    EXPECT_TRUE(PlaySound(resampled));
    EXPECT_EQ(Mix_Playing(-1), 0);
}

// --- No output ------------------------------------------------------------------

// With no output the silent driver answers: sounds and channels as usual,
// nothing heard, nothing printed.
void ExpectSilentDriver() {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    InitAudio();
    const bool open = OutputOpen();
    Ref<TSound> sound = LoadSound(MonoSample(Pattern(1000, 13)), 0);
    Ref<TChannel> channel = PlaySound(sound);
    Ref<TChannel> again = PlaySound(sound, channel);
    Ref<TChannel> none = PlaySound(nullptr);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(open);
    EXPECT_TRUE(sound);
    EXPECT_TRUE(channel);
    EXPECT_EQ(again, channel);
    EXPECT_FALSE(none);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

TEST(SilentDriver, TakesOverWhenTheNamedDriverDoesNotExist) {
    setenv("SDL_AUDIODRIVER", "nonexistent", 1);
    ExpectSilentDriver();
}

TEST(SilentDriver, TakesOverWhenTheDriverFindsNoDevice) {
    // ALSA with an empty configuration knows no device at all, and would say
    // so on standard error.
    const std::string config = TempPath("audio_test_alsa");
    setenv("SDL_AUDIODRIVER", "alsa", 1);
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    ExpectSilentDriver();
    unlink(config.c_str());
}

TEST(SilentDriver, ProcessPlayingSilentlyExitsZeroAndSaysNothing) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "nonexistent", 1);
            InitAudio();
            PlaySound(LoadSound(MonoSample(Pattern(44100, 14)), 1));
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^$");
}

// --- Exit ---------------------------------------------------------------------------

TEST(ExitHandler, StopsTheOutputAfterHandlersRegisteredLater) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // The child makes and removes its own file.
            static const std::string path = TempPath("audio_test_exit");
            // Registered before the output opens: runs after its handler.
            std::atexit([] {
                std::fprintf(stderr, "after: output %s, audio subsystem %s\n", OutputOpen() ? "open" : "stopped",
                             SDL_WasInit(SDL_INIT_AUDIO) ? "up" : "down");
            });
            UseDiskOutput(path);
            InitAudio();
            // As the display's handler: registered later, so it runs first.
            std::atexit([] { std::fprintf(stderr, "display: output %s\n", OutputOpen() ? "open" : "stopped"); });
            PlaySound(LoadSound(MonoSample(Pattern(44100, 15)), 1));
            WaitFor([] { return FileSize(path) > 0; });
            unlink(path.c_str());
            std::exit(0);  // in the middle of the sound
        },
        testing::ExitedWithCode(0), "display: output open\n(.|\n)*after: output stopped, audio subsystem down");
}

}  // namespace
}  // namespace fw
