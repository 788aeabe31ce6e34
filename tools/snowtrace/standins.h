// Recording stand-ins for the display, drawing, input and sound operations.
//
// Linked in place of the graphics, draw2d, system, polledinput and audio
// modules (and the framework's initialisation), they define the same fw::
// operations, draw and play nothing, and record every call the scene makes,
// one line per call as snowtrace prints them. IncbinAdd, SeedRnd and
// MilliSecs stay the real ones: the linker routes the calls to them through
// recording wrappers (see CMakeLists.txt). The embedded files, streams,
// random numbers, the clock and the list are the framework's own.
//
// A line is the operation's name and its arguments separated by single
// spaces: integers in decimal, reals as the single-precision value printed
// with "%.9g" (which reads back to the same float), images by role
// ("background" for "incbin::pic4.png", "flake" for "incbin::flake.png"),
// the sound from "incbin::hohoho.ogg" as "jingle", a null object as "null".
// MilliSecs and KeyDown add their result as the last field.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "framework/framework.h"

namespace standins {

// One recorded call.
struct Call {
    std::string op;
    std::vector<std::string> args;

    // The trace line: op and args joined by single spaces.
    std::string Line() const;
    // Argument i read back as the value that was passed.
    float Real(size_t i) const;
    int Int(size_t i) const;
};

// The drawing state as a display holds it: colour clamped to 0..255, alpha
// clamped to 0..1 and held as a byte, truncated.
struct DrawState {
    int red = 255, green = 255, blue = 255;
    float alpha = 1.0f;
    int alphaByte = 255;
    int blend = 1;
    float handleX = 0.0f, handleY = 0.0f;
    float rotation = 0.0f;
    float scaleX = 1.0f, scaleY = 1.0f;
    int maskRed = 0, maskGreen = 0, maskBlue = 0;
    int autoImageFlags = fw::MASKEDIMAGE | fw::FILTEREDIMAGE;
};

struct Recorder {
    // Every call in order, while `keep` is set.
    std::vector<Call> calls;
    bool keep = true;
    // Sees every call as it is made.
    std::function<void(const Call&)> sink;
    // Runs after every Flip is recorded: the scene then stands between frames.
    std::function<void()> onFlip;

    // KeyDown(27) answers 1 once this many Flips have been made, 0 before;
    // every other key is up.
    int64_t escapeFromFlip = std::numeric_limits<int64_t>::max();
    int64_t flips = 0;

    // Graphics answers null, as where the display mode cannot be set.
    bool noDisplay = false;

    // The display that the last Graphics opened (0 × 0 while none is open).
    int width = 0, height = 0;
    DrawState state;
};

// The one recorder.
Recorder& Record();

// A fresh recorder (nothing recorded, no display, Escape up for good, the
// drawing state as a new display starts it) and the clock at 0 ms.
void Reset();

// Makes the clock behind MilliSecs stand at `ms` milliseconds; sleeps take
// no time.
void SetMilliSecs(int32_t ms);

// "background", "flake" or "image" for an image the stand-in LoadImage made
// (by the URL it came from), "image" for any other, "null" for null.
std::string RoleOf(const fw::Ref<fw::TImage>& image);

}  // namespace standins
