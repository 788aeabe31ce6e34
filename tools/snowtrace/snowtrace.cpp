// snowtrace SEED FRAMES: runs the whole snowfall program (start-up, frame
// loop, fade, return) on the framework with the recording display and silent
// sound (tools/snowtrace/scenerun.h), with MilliSecs reading SEED and Escape
// held from the end of frame FRAMES on, and prints every call the scene makes
// to the display, drawing, input and sound operations, one line each, in
// call order.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "scene/snowfall.h"
#include "tools/snowtrace/scenerun.h"

namespace {

bool ParseInteger(const char* text, long long min, long long max, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return errno == 0 && end != text && *end == '\0' && value >= min && value <= max;
}

}  // namespace

int main(int argc, char** argv) {
    long long seed = 0, frames = 0;
    if (argc != 3 ||
        !ParseInteger(argv[1], std::numeric_limits<int32_t>::min(),
                      std::numeric_limits<int32_t>::max(), seed) ||
        !ParseInteger(argv[2], 1, std::numeric_limits<int64_t>::max(), frames)) {
        std::fprintf(stderr,
                     "usage: snowtrace SEED FRAMES\n"
                     "  SEED    what MilliSecs reads (a 32-bit integer)\n"
                     "  FRAMES  the frame at whose end Escape is found held (1 or more)\n");
        return 2;
    }

    // Lives until the process ends: the exit handlers close the display.
    static scenerun::SceneRun run{int32_t(seed)};
    run.display->keep = false;
    run.keep = false;
    run.escapeFromFlip = frames;
    run.sink = [](const scenerun::Call& call) {
        std::string line = call.Line();
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    };
    fw::RunApplication(SnowfallMain);
}
