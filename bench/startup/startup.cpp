// Start-up: from process start to the first frame shown, for snowfall's own
// start-up, against the floor made of its parts measured in the same run: a
// fresh process that only makes its GL context and shows one frame, then
// decodes the two pictures and the jingle with libpng and vorbisfile
// directly.
//
// The parent spawns each child with the moment of the spawn (the monotonic
// clock, which all processes share) and collects what it reports; the rounds
// alternate snowfall and the floor. The snowfall child runs the program's own
// start-up, its steps timed where the call trace reports them, then its
// first frame (the scene's frame, Flip(-1), glFinish).
//
//   bench_startup [--rounds N]

#include <SDL.h>
#include <epoxy/gl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/common/benchscene.h"
#include "bench/common/benchutil.h"
#include "bench/common/glutil.h"
#include "framework/framework.h"
#include "framework/runtime/trace.h"
#include "media/media.h"
#include "scene/snowfall.h"

extern char** environ;

namespace {

// The child's report: "name=ms" pairs on one line.
void Report(const std::vector<std::pair<std::string, double>>& figures) {
    for (const auto& [name, ms] : figures) std::printf("%s=%.3f ", name.c_str(), ms);
    std::printf("\n");
    std::fflush(stdout);
}

// The moments start-up's steps end: the display open, both pictures loaded
// (the flake's handle set), the jingle loaded.
class StepEnds final : public fw::TTracer {
public:
    void Called(const fw::TTraceCall& call) override {
        const std::string_view op = call.op;
        if (op == "Graphics") opened = bench::WallMs();
        if (op == "MidHandleImage") pictures = bench::WallMs();
        if (op == "LoadSound") jingle = bench::WallMs();
    }
    double opened = 0, pictures = 0, jingle = 0;
};

// The program's start-up and its first frame. The framework is initialised
// first on its own, so that its time is told apart; start-up's own
// initialisation then finds it done.
void SnowfallChild(double spawned) {
    const double entered = bench::WallMs();
    bench::RegisterMedia();
    fw::InitFramework();
    const double initialised = bench::WallMs();
    StepEnds steps;
    fw::SetTracer(&steps);
    StartUp();
    fw::SetTracer(nullptr);
    const double opened = steps.opened, pictures = steps.pictures, jingle = steps.jingle;
    DrawFrame();
    fw::Flip(-1);
    glFinish();
    const double shown = bench::WallMs();
    Report({{"total", shown - spawned},
            {"exec", entered - spawned},
            {"init", initialised - entered},
            {"graphics", opened - initialised},
            {"pictures", pictures - opened},
            {"jingle", jingle - pictures},
            {"first_frame", shown - jingle}});
    fw::EndGraphics();
}

// libpng's simplified reader over the embedded block, as RGBA.
std::vector<uint8_t> DecodePng(const unsigned char* data, int32_t length) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size_t(length)))
        throw std::runtime_error("libpng refuses the picture");
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        throw std::runtime_error("libpng cannot decode the picture");
    return pixels;
}

struct Memory {
    const unsigned char* data;
    size_t size, pos;
};

size_t Read(void* to, size_t size, size_t count, void* source) {
    Memory& m = *static_cast<Memory*>(source);
    const size_t n = std::min(size * count, m.size - m.pos);
    std::memcpy(to, m.data + m.pos, n);
    m.pos += n;
    return size ? n / size : 0;
}

int Seek(void* source, ogg_int64_t offset, int whence) {
    Memory& m = *static_cast<Memory*>(source);
    const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? ogg_int64_t(m.pos)
                                                                         : ogg_int64_t(m.size);
    const ogg_int64_t to = base + offset;
    if (to < 0 || to > ogg_int64_t(m.size)) return -1;
    m.pos = size_t(to);
    return 0;
}

long Tell(void* source) { return long(static_cast<Memory*>(source)->pos); }

// vorbisfile over the embedded block, the whole sound into memory.
size_t DecodeOgg(const unsigned char* data, int32_t length) {
    Memory m{data, size_t(length), 0};
    OggVorbis_File file;
    const ov_callbacks callbacks{Read, Seek, nullptr, Tell};
    if (ov_open_callbacks(&m, &file, nullptr, 0, callbacks) != 0)
        throw std::runtime_error("vorbisfile refuses the jingle");
    const vorbis_info* info = ov_info(&file, -1);
    std::vector<char> samples(size_t(ov_pcm_total(&file, -1)) * size_t(info->channels) * 2);
    size_t filled = 0;
    int section = 0;
    while (filled < samples.size()) {
        const long n = ov_read(&file, samples.data() + filled, int(samples.size() - filled), 0, 2,
                               1, &section);
        if (n <= 0) break;
        filled += size_t(n);
    }
    ov_clear(&file);
    return filled;
}

// The floor's parts: a GL context made and one frame shown in a fresh
// process, then the three decodes; and apart from them, a first frame that
// shows the background picture.
void FloorChild(double spawned) {
    const double entered = bench::WallMs();
    const auto [window, context] = bench::OpenGLWindow("floor");
    bench::ShowBlackFrame(window);
    const double contextReady = bench::WallMs();
    const std::vector<uint8_t> background =
        DecodePng(snowfall_media_pic4_png, snowfall_media_pic4_png_length);
    DecodePng(snowfall_media_flake_png, snowfall_media_flake_png_length);
    const double pictures = bench::WallMs();
    DecodeOgg(snowfall_media_hohoho_ogg, snowfall_media_hohoho_ogg_length);
    const double jingle = bench::WallMs();
    // Beyond the floor's parts, shown apart: what the driver needs for a
    // first frame with a picture in it (a shader, a texture, one draw).
    bench::DrawPictureOnce(background.data(), 1024, 768);
    SDL_GL_SwapWindow(window);
    glFinish();
    const double firstFrame = bench::WallMs();
    Report({{"context", contextReady - spawned},
            {"exec", entered - spawned},
            {"pictures", pictures - contextReady},
            {"jingle", jingle - pictures},
            {"total", jingle - spawned},
            {"first_frame", firstFrame - jingle}});
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

// Spawns this program as a child of `kind` and parses its report.
std::map<std::string, double> RunChild(const char* self, const char* kind) {
    char spawned[64];
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::snprintf(spawned, sizeof spawned, "%.6f", bench::WallMs());
    char* argv[] = {const_cast<char*>(self), const_cast<char*>("--child"),
                    const_cast<char*>(kind), const_cast<char*>("--spawned"), spawned, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, self, &actions, nullptr, argv, environ) != 0)
        throw std::runtime_error("cannot start a child");
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(std::string("the ") + kind + " child failed");
    std::map<std::string, double> figures;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find_first_of(" \n", at), text.size());
        const std::string field = text.substr(at, end - at);
        const size_t eq = field.find('=');
        if (eq != std::string::npos) figures[field.substr(0, eq)] = std::stod(field.substr(eq + 1));
        at = end + 1;
    }
    return figures;
}

void Parent(const char* self, int rounds) {
    std::map<std::string, std::vector<double>> snowfall, floor;
    // One of each first, unrecorded: the files are in the page cache after it.
    RunChild(self, "snowfall");
    RunChild(self, "floor");
    for (int i = 0; i < rounds; ++i) {
        for (const auto& [k, v] : RunChild(self, "snowfall")) snowfall[k].push_back(v);
        for (const auto& [k, v] : RunChild(self, "floor")) floor[k].push_back(v);
    }
    bench::Result r("startup");
    const char* audio = std::getenv("SDL_AUDIODRIVER");
    r.Add("display", bench::DisplayName()).Add("audio", audio && *audio ? audio : "default");
    r.Add("rounds", rounds);
    for (const auto& [k, v] : snowfall) r.Add("snowfall_" + k, bench::Summarise(v).median);
    for (const auto& [k, v] : floor) r.Add("floor_" + k, bench::Summarise(v).median);
    r.Print();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::string child = bench::TextOption(argc, argv, "child", "");
        const double spawned = std::stod(bench::TextOption(argc, argv, "spawned", "0"));
        if (child == "snowfall") {
            SnowfallChild(spawned);
        } else if (child == "floor") {
            FloorChild(spawned);
        } else {
            Parent("/proc/self/exe", int(bench::IntOption(argc, argv, "rounds", 5)));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_startup: %s\n", e.what());
        return 1;
    }
    return 0;
}
