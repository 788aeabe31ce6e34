// Link-time stand-ins: this file defines the framework's display, drawing,
// input and sound operations that the scene calls, so the scene's own code
// runs unchanged and its draws are written down instead of drawn.
#include "bench/record/standins.h"

#include <algorithm>
#include <cstdint>

#include "framework/audio/audio.h"
#include "framework/draw2d/draw2ddriver.h"
#include "framework/framework.h"
#include "scene/snowfall.h"

namespace bench {
namespace {

struct State {
    uint8_t red = 255, green = 255, blue = 255, alpha = 255;
    int blend = 1;
    float handleX = 0, handleY = 0, rotation = 0, scaleX = 1, scaleY = 1;
    int width = 0, height = 0;
    bool open = false;
};

State state;
DrawList recording;
bool inFrame = false;

uint8_t Clamp(int v) { return uint8_t(std::clamp(v, 0, 255)); }

void Record(DrawKind kind, float x, float y, float w, float h, float hx, float hy) {
    if (!state.open) return;
    Draw d{};
    d.kind = kind;
    d.red = state.red;
    d.green = state.green;
    d.blue = state.blue;
    d.alpha = state.alpha;
    d.blend = uint8_t(state.blend);
    d.x = x;
    d.y = y;
    d.width = w;
    d.height = h;
    d.handleX = hx;
    d.handleY = hy;
    d.rotation = state.rotation;
    d.scaleX = state.scaleX;
    d.scaleY = state.scaleY;
    recording.draws.push_back(d);
}

}  // namespace

DrawList& Recording() { return recording; }

}  // namespace bench

namespace fw {

using bench::state;

void InitFramework() {}

Ref<TGraphics> Graphics(int width, int height, int depth, int hertz, int flags) {
    state = bench::State{};
    state.width = width;
    state.height = height;
    state.open = true;
    return New<TGraphics>(width, height, depth, hertz, flags);
}

// A frame ends at Flip: what was drawn since its Cls is one frame.
void Flip(int) {
    if (!bench::inFrame) return;
    bench::recording.first.push_back(uint32_t(bench::recording.draws.size()));
    bench::inFrame = false;
}

int GraphicsWidth() { return state.open ? state.width : 0; }
int GraphicsHeight() { return state.open ? state.height : 0; }
void EndGraphics() { state.open = false; }
void HideMouse() {}
int KeyDown(int) { return 0; }

void Cls() {
    // A frame that was not closed by Flip is dropped.
    bench::recording.draws.resize(bench::recording.first.back());
    bench::inFrame = state.open;
}

void SetColor(int red, int green, int blue) {
    state.red = bench::Clamp(red);
    state.green = bench::Clamp(green);
    state.blue = bench::Clamp(blue);
}

void SetAlpha(float alpha) {
    if (!(alpha > 0)) alpha = 0;
    if (alpha > 1) alpha = 1;
    state.alpha = uint8_t(alpha * 255.0f);
}

void SetBlend(int blend) {
    if (blend >= 1 && blend <= 5) state.blend = blend;
}

void SetMaskColor(int, int, int) {}
void SetHandle(float x, float y) {
    state.handleX = x;
    state.handleY = y;
}
void SetRotation(float angle) { state.rotation = angle; }
void SetScale(float x, float y) {
    state.scaleX = x;
    state.scaleY = y;
}

// The picture is decoded for its size only.
Ref<TImage> LoadImage(std::string_view url, int flags) {
    Ref<TPixmap> pixmap = LoadPixmap(url);
    if (!pixmap) return nullptr;
    Ref<TImage> image = New<TImage>();
    image->width = pixmap->width;
    image->height = pixmap->height;
    image->flags = flags == -1 ? (MASKEDIMAGE | FILTEREDIMAGE) : flags;
    return image;
}

void MidHandleImage(const Ref<TImage>& image) {
    if (!image) return;
    image->handleX = float(image->width) * 0.5f;
    image->handleY = float(image->height) * 0.5f;
}

int ImageWidth(const Ref<TImage>& image) { return image ? image->width : 0; }
int ImageHeight(const Ref<TImage>& image) { return image ? image->height : 0; }

void DrawImage(const Ref<TImage>& image, float x, float y, int frame) {
    if (!image || frame != 0) return;
    bench::Record(image.get() == imgRed.get() ? bench::DrawKind::Background
                                              : bench::DrawKind::Flake,
                  x, y, float(image->width), float(image->height), image->handleX,
                  image->handleY);
}

void DrawRect(float x, float y, float width, float height) {
    bench::Record(bench::DrawKind::Rect, x, y, width, height, state.handleX, state.handleY);
}

Ref<TSound> LoadSound(std::string_view, int) { return New<TSound>(); }
Ref<TChannel> PlaySound(const Ref<TSound>&, const Ref<TChannel>&) { return nullptr; }

}  // namespace fw
