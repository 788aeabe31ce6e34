#include "framework/draw2d/recorddriver.h"

#include "framework/runtime/runtime.h"

namespace fw {

Ref<TGraphics> TRecordDriver::CreateGraphics(int width, int height, int depth, int hertz,
                                             int flags) {
    if (keep) {
        log.push_back("open " + std::to_string(width) + "x" + std::to_string(height) + " " +
                      std::to_string(depth) + " " + std::to_string(hertz) + " " +
                      std::to_string(flags));
    }
    if (refuseMode) return nullptr;
    return New<TGraphics>(width, height, depth, hertz, flags);
}

void TRecordDriver::CloseGraphics(TGraphics&) {
    if (keep) log.push_back("close");
}

bool TRecordDriver::CanWaitForRefresh() { return refreshMicros > 0; }

void TRecordDriver::Cls() {
    if (keep) log.push_back("cls");
}

void TRecordDriver::Flip(bool waitForRefresh) {
    Clock& clock = CurrentClock();
    const bool waits = waitForRefresh && refreshMicros > 0;
    if (waits) {
        const int64_t now = clock.Micros();
        clock.SleepMicros((now / refreshMicros + 1) * refreshMicros - now);
    }
    if (!keep) return;
    shows.push_back({waits, clock.Micros()});
    log.push_back(waits ? "show refresh" : "show");
}

void TRecordDriver::MovePointer(int x, int y) {
    if (keep) log.push_back("pointer " + std::to_string(x) + " " + std::to_string(y));
}

Ref<TImageFrame> TRecordDriver::CreateFrame(const TPixmap& pixmap, int flags) {
    ++framesMade;
    if (keep) {
        log.push_back("frame " + std::to_string(framesMade) + " " + std::to_string(pixmap.width) +
                      "x" + std::to_string(pixmap.height) + " " + std::to_string(flags));
    }
    return New<TRecordFrame>(framesMade, pixmap.width, pixmap.height, flags);
}

void TRecordDriver::DrawFrame(TImageFrame& frame, const TQuad& quad) {
    if (!keep) return;
    const int id = static_cast<TRecordFrame&>(frame).id;
    draws.push_back({quad, id});
    log.push_back("image " + std::to_string(id));
}

void TRecordDriver::DrawRect(const TQuad& quad) {
    if (!keep) return;
    draws.push_back({quad, 0});
    log.push_back("rect");
}

}  // namespace fw
