// Memory: the peak resident set of snowfall itself after 2,000 frames of the
// snowfall, against the sum of its decoded media (the two pictures as
// decoded, the jingle as decoded samples) and against the floor: a process
// that only makes its GL context and shows one frame, measured in the same run.
//
// The floor is measured twice: with a bare context, and once it has drawn a
// picture (the driver compiles its shaders and sets up its rendering then).
//
// snowfall is started as it is, offscreen; 2,000 frames at 60 a second take
// 33.3 s, so its peak is read from /proc once its start-up and that long have
// passed, and then it is stopped with SIGTERM (it gives the display back and
// dies of that signal).
//
//   bench_memory --snowfall PATH [--frames N]

#include <SDL.h>
#include <epoxy/gl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/media.h"
#include "bench/common/benchutil.h"
#include "bench/common/glutil.h"
#include "framework/framework.h"

extern char** environ;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

int64_t PeakOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6)) * 1024;
    }
    throw std::runtime_error("cannot read the resident set of " + std::to_string(pid));
}

pid_t Spawn(const std::string& path, std::vector<std::string> args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + path);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

// The floor: a GL context and one frame shown, then its peak.
void FloorChild() {
    const auto [window, context] = bench::OpenGLWindow("floor");
    bench::ShowBlackFrame(window);
    const int64_t contextPeak = bench::PeakResidentBytes();
    // And once it has drawn a picture (a shader, a texture, one draw), as
    // every program that shows one must.
    fw::Ref<fw::TPixmap> background = fw::LoadPixmap("incbin::pic4.png");
    if (!background) throw std::runtime_error("cannot decode the background");
    std::vector<uint8_t> rgba;
    for (int y = 0; y < background->height; ++y) {
        const uint8_t* p = background->PixelPtr(0, y);
        for (int x = 0; x < background->width; ++x, p += 3) rgba.insert(rgba.end(), {p[0], p[1], p[2], 255});
    }
    bench::DrawPictureOnce(rgba.data(), background->width, background->height);
    SDL_GL_SwapWindow(window);
    glFinish();
    std::printf("%lld %lld\n", static_cast<long long>(contextPeak),
                static_cast<long long>(bench::PeakResidentBytes()));
    std::fflush(stdout);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}

struct FloorPeaks {
    int64_t context = 0;  // a GL context, one frame cleared and shown
    int64_t picture = 0;  // and then a picture drawn and shown
};

FloorPeaks FloorPeak() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    char self[] = "/proc/self/exe", flag[] = "--floor";
    char* argv[] = {self, flag, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, self, &actions, nullptr, argv, environ) != 0)
        throw std::runtime_error("cannot start the floor");
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string text;
    char buffer[64];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
    close(fds[0]);
    const int status = Wait(pid);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty())
        throw std::runtime_error("the floor failed");
    long long context = 0, picture = 0;
    if (std::sscanf(text.c_str(), "%lld %lld", &context, &picture) != 2)
        throw std::runtime_error("the floor said nothing");
    return {context, picture};
}

// The media as the loaders decode them.
int64_t DecodedMedia() {
    int64_t bytes = 0;
    for (const char* url : {"incbin::pic4.png", "incbin::flake.png"}) {
        fw::Ref<fw::TPixmap> pixmap = fw::LoadPixmap(url);
        if (!pixmap) throw std::runtime_error(std::string("cannot decode ") + url);
        bytes += int64_t(pixmap->pixels.size());
    }
    fw::Ref<fw::TAudioSample> jingle = fw::LoadAudioSample("incbin::hohoho.ogg");
    if (!jingle) throw std::runtime_error("cannot decode the jingle");
    return bytes + int64_t(jingle->samples.size());
}

void Run(int argc, char** argv) {
    const std::string snowfall = bench::TextOption(argc, argv, "snowfall", "");
    const int frames = int(bench::IntOption(argc, argv, "frames", 2000));
    if (snowfall.empty()) throw std::runtime_error("--snowfall PATH is needed");

    bench::RegisterMedia();
    const int64_t media = DecodedMedia();
    const FloorPeaks floor = FloorPeak();

    const pid_t pid = Spawn(snowfall, {});
    // Start-up takes well under a second; the frames come at 60 a second.
    const double wait = 1.0 + frames / 60.0;
    std::this_thread::sleep_for(std::chrono::duration<double>(wait));
    const int64_t peak = PeakOf(pid);
    kill(pid, SIGTERM);
    const int status = Wait(pid);
    if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGTERM)
        throw std::runtime_error("snowfall did not run until it was stopped");

    bench::Result("memory")
        .Add("display", bench::DisplayName())
        .Add("frames", frames)
        .Add("snowfall_peak_mib", double(peak) / kMiB)
        .Add("media_decoded_mib", double(media) / kMiB)
        .Add("floor_peak_mib", double(floor.context) / kMiB)
        .Add("floor_picture_peak_mib", double(floor.picture) / kMiB)
        .Add("target_mib", double(media) / kMiB + 40)
        .Print();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (bench::FlagOption(argc, argv, "floor")) {
            bench::RegisterMedia();
            FloorChild();
        } else {
            Run(argc, argv);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_memory: %s\n", e.what());
        return 1;
    }
    return 0;
}
