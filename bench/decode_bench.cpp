// Decoding the media at start-up: the jingle through LoadAudioSample and the
// background through LoadPixmap, each against the same bytes decoded by its
// library used directly (the floor), and the jingle also against oggdec
// writing raw samples to /dev/null, all in one run. The ratios come last.
//
// The machine's other work moves single runs by several per cent; for the
// ratios, take medians of repetitions run interleaved:
//
//   decode_bench --benchmark_repetitions=7 --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vorbis/vorbisfile.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "framework/audiosample/audiosample.h"
#include "framework/incbin/incbin.h"
#include "framework/pixmap/pixmap.h"
#include "media/media.h"

extern char** environ;

namespace {

// --- The floor: vorbisfile straight over the block ---------------------------

struct Memory {
    const unsigned char* data;
    size_t size, pos;
};

size_t MemRead(void* ptr, size_t size, size_t count, void* source) {
    auto& m = *static_cast<Memory*>(source);
    const size_t n = std::min(size * count, m.size - m.pos);
    std::memcpy(ptr, m.data + m.pos, n);
    m.pos += n;
    return n / size;
}

int MemSeek(void* source, ogg_int64_t offset, int whence) {
    auto& m = *static_cast<Memory*>(source);
    const int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? int64_t(m.pos) : int64_t(m.size);
    if (whence > SEEK_END || base + offset < 0 || size_t(base + offset) > m.size) return -1;
    m.pos = size_t(base + offset);
    return 0;
}

long MemTell(void* source) { return long(static_cast<Memory*>(source)->pos); }

size_t DecodeOggDirectly(std::vector<char>& pcm) {
    Memory m{snowfall_media_hohoho_ogg, size_t(snowfall_media_hohoho_ogg_length), 0};
    OggVorbis_File vf;
    if (ov_open_callbacks(&m, &vf, nullptr, 0, {MemRead, MemSeek, nullptr, MemTell}) < 0) return 0;
    pcm.resize(size_t(ov_pcm_total(&vf, 0)) * 2 * size_t(ov_info(&vf, 0)->channels));
    size_t filled = 0;
    int section = 0;
    while (filled < pcm.size()) {
        const long n = ov_read(&vf, pcm.data() + filled, int(std::min<size_t>(pcm.size() - filled, 1 << 16)),
                               0, 2, 1, &section);
        if (n <= 0) break;
        filled += size_t(n);
    }
    ov_clear(&vf);
    return filled;
}

// --- The floor: libpng straight over the block --------------------------------

void PngRead(png_structp png, png_bytep data, size_t length) {
    auto& m = *static_cast<Memory*>(png_get_io_ptr(png));
    if (length > m.size - m.pos) png_error(png, "end of data");
    std::memcpy(data, m.data + m.pos, length);
    m.pos += length;
}

// libpng leaves by longjmp on an error: these two hold nothing with a destructor.
bool ReadPngHeader(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_expand(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool ReadPngRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

size_t DecodePngDirectly(std::vector<unsigned char>& pixels) {
    Memory m{snowfall_media_pic4_png, size_t(snowfall_media_pic4_png_length), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &m, PngRead);
    bool ok = ReadPngHeader(png, info);
    if (ok) {
        const size_t pitch = png_get_rowbytes(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        pixels.resize(pitch * height);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels.data() + y * pitch;
        ok = ReadPngRows(png, info, rows.data());
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return ok ? pixels.size() : 0;
}

// --- The benchmarks ------------------------------------------------------------

void Register() {
    static bool done = false;
    if (done) return;
    done = true;
    fw::IncbinAdd("pic4.png", snowfall_media_pic4_png, snowfall_media_pic4_png_length);
    fw::IncbinAdd("hohoho.ogg", snowfall_media_hohoho_ogg, snowfall_media_hohoho_ogg_length);
}

void JingleLoadAudioSample(benchmark::State& state) {
    Register();
    for (auto _ : state) {
        fw::Ref<fw::TAudioSample> sample = fw::LoadAudioSample("incbin::hohoho.ogg");
        if (!sample) state.SkipWithError("the jingle does not decode");
        benchmark::DoNotOptimize(sample.get());
    }
}

void JingleVorbisfile(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<char> pcm;
        if (DecodeOggDirectly(pcm) == 0) state.SkipWithError("the jingle does not decode");
        benchmark::DoNotOptimize(pcm.data());
    }
}

void JingleOggdec(benchmark::State& state) {
    const std::string file = SNOWFALL_MEDIA_DIR "/hohoho.ogg";
    char* const argv[] = {const_cast<char*>("oggdec"), const_cast<char*>("-Q"), const_cast<char*>("-R"),
                          const_cast<char*>("-b"), const_cast<char*>("16"), const_cast<char*>("-e"),
                          const_cast<char*>("0"), const_cast<char*>("-s"), const_cast<char*>("1"),
                          const_cast<char*>("-o"), const_cast<char*>("/dev/null"),
                          const_cast<char*>(file.c_str()), nullptr};
    for (auto _ : state) {
        pid_t pid;
        int status = 0;
        if (posix_spawnp(&pid, "oggdec", nullptr, nullptr, argv, environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("oggdec did not run");
            break;
        }
    }
}

void BackgroundLoadPixmap(benchmark::State& state) {
    Register();
    for (auto _ : state) {
        fw::Ref<fw::TPixmap> pixmap = fw::LoadPixmap("incbin::pic4.png");
        if (!pixmap) state.SkipWithError("the background does not decode");
        benchmark::DoNotOptimize(pixmap.get());
    }
}

void BackgroundLibpng(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<unsigned char> pixels;
        if (DecodePngDirectly(pixels) == 0) state.SkipWithError("the background does not decode");
        benchmark::DoNotOptimize(pixels.data());
    }
}

// What LoadImage does after decoding: the background turned into RGBA.
void BackgroundMaskPixmap(benchmark::State& state) {
    Register();
    fw::Ref<fw::TPixmap> pixmap = fw::LoadPixmap("incbin::pic4.png");
    for (auto _ : state) {
        fw::Ref<fw::TPixmap> masked = fw::MaskPixmap(pixmap, 255, 0, 255);
        benchmark::DoNotOptimize(masked.get());
    }
}

BENCHMARK(JingleLoadAudioSample)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JingleVorbisfile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JingleOggdec)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BackgroundLoadPixmap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BackgroundLibpng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BackgroundMaskPixmap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The console table as usual, keeping each benchmark's time for the ratios.
class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) ms[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> ms;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Recorder recorder;
    benchmark::RunSpecifiedBenchmarks(&recorder);
    auto ratio = [&](const char* label, const std::string& ours, const std::string& floor) {
        // The median of the repetitions where there are several.
        auto time = [&](const std::string& name) {
            for (const char* suffix : {"/real_time_median", "/real_time"}) {
                if (auto it = recorder.ms.find(name + suffix); it != recorder.ms.end()) return it->second;
            }
            return 0.0;
        };
        const double a = time(ours), b = time(floor);
        if (a > 0 && b > 0) std::printf("%-44s %.3f\n", label, a / b);
    };
    std::printf("\nratios (time of ours / time of the other; target <= 1.1)\n");
    ratio("LoadAudioSample / vorbisfile directly", "JingleLoadAudioSample", "JingleVorbisfile");
    ratio("LoadAudioSample / oggdec to /dev/null", "JingleLoadAudioSample", "JingleOggdec");
    ratio("LoadPixmap / libpng directly", "BackgroundLoadPixmap", "BackgroundLibpng");
    benchmark::Shutdown();
    return 0;
}
