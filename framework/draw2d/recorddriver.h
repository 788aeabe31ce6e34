// The recording driver: a drawing driver with no window system behind it.
// It draws nothing and records what it is given (the displays opened and
// closed, Cls, the shows, the pointer, the frames made and every quad), so
// tests and tools can run the display and drawing operations anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/draw2d/draw2ddriver.h"

namespace fw {

class TRecordDriver : public TDraw2DDriver {
public:
    // A frame as made: numbered from 1 in the order made.
    class TRecordFrame : public TImageFrame {
    public:
        TRecordFrame(int id, int width, int height, int flags)
            : id(id), width(width), height(height), flags(flags) {}
        const int id, width, height, flags;
    };

    struct TDraw {
        TQuad quad;
        // The frame drawn, 0 for a rectangle.
        int frame;
    };

    struct TShow {
        bool waitedForRefresh;
        // CurrentClock's time when the frame was shown.
        int64_t micros;
    };

    // Settings. With a refresh period, Flip(true) waits (on CurrentClock)
    // for the next multiple of it; without one the display cannot wait.
    int64_t refreshMicros = 0;
    // CreateGraphics answers null, as when the mode cannot be set.
    bool refuseMode = false;
    // While false, nothing is kept in log, draws and shows: for long runs.
    bool keep = true;

    // What happened, in order, one line each: "open 1024x768 16 60 0",
    // "close", "cls", "show", "show refresh", "pointer 512 384",
    // "frame 1 50x48 3", "image 1", "rect".
    std::vector<std::string> log;
    std::vector<TDraw> draws;
    std::vector<TShow> shows;
    int framesMade = 0;

    Ref<TGraphics> CreateGraphics(int width, int height, int depth, int hertz, int flags) override;
    void CloseGraphics(TGraphics& graphics) override;
    bool CanWaitForRefresh() override;
    void Cls() override;
    void Flip(bool waitForRefresh) override;
    void MovePointer(int x, int y) override;
    Ref<TImageFrame> CreateFrame(const TPixmap& pixmap, int flags) override;
    void DrawFrame(TImageFrame& frame, const TQuad& quad) override;
    void DrawRect(const TQuad& quad) override;
};

}  // namespace fw
