#include "framework/draw2d/draw2d.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "framework/draw2d/draw2ddriver.h"
#include "framework/runtime/trace.h"

namespace fw {

// Here, where the frame's type is complete.
TImage::TImage() = default;
TImage::~TImage() = default;

namespace {

// The drawing state of the open display.
struct State {
    // The driver whose display is open; Graphics holds it while it is.
    TDraw2DDriver* driver = nullptr;
    // That display's number.
    uint64_t display = 0;
    uint8_t red = 255, green = 255, blue = 255;
    uint8_t alpha = 255;
    int blend = 1;
    float handleX = 0, handleY = 0;
    // The rotation's sine and cosine.
    double sin = 0, cos = 1;
    float scaleX = 1, scaleY = 1;
};

State state;

// For the whole process, read by LoadImage.
int maskRed = 0, maskGreen = 0, maskBlue = 0;
int autoImageFlags = MASKEDIMAGE | FILTEREDIMAGE;

uint8_t ClampComponent(int value) { return uint8_t(std::clamp(value, 0, 255)); }

// The image's frame for the open display: the frame of an earlier display
// went with it.
TImageFrame& Frame(TImage& image) {
    if (!image.frame || image.frameDisplay != state.display) {
        image.frame = state.driver->CreateFrame(*image.pixmap, image.flags);
        image.frameDisplay = state.display;
    }
    return *image.frame;
}

// The quad of a w × h draw with handle (hx, hy) on (x, y): the corners
// (−hx, −hy) … (w − hx, h − hy), scaled, then turned, about the handle.

TQuad Place(float x, float y, float w, float h, float hx, float hy) {
    TQuad quad;
    const double px[4] = {-hx, w - hx, w - hx, -hx};
    const double py[4] = {-hy, -hy, h - hy, h - hy};
    const double xx = state.cos * state.scaleX, xy = -state.sin * state.scaleY;
    const double yx = state.sin * state.scaleX, yy = state.cos * state.scaleY;
    for (int i = 0; i < 4; ++i) {
        quad.x[i] = float(x + px[i] * xx + py[i] * xy);
        quad.y[i] = float(y + px[i] * yx + py[i] * yy);
    }
    quad.red = state.red;
    quad.green = state.green;
    quad.blue = state.blue;
    quad.alpha = state.alpha;
    quad.blend = state.blend;
    return quad;
}

}  // namespace

void TDraw2DDriver::GraphicsOpened(TGraphics& graphics) {
    state = State{};
    state.driver = this;
    state.display = graphics.number;
    maskRed = maskGreen = maskBlue = 0;
    autoImageFlags = MASKEDIMAGE | FILTEREDIMAGE;
}

void TDraw2DDriver::GraphicsClosed() { state.driver = nullptr; }

void Cls() {
    if (state.driver) state.driver->Cls();
    Trace("Cls", std::monostate{});
}

void SetColor(int red, int green, int blue) {
    state.red = ClampComponent(red);
    state.green = ClampComponent(green);
    state.blue = ClampComponent(blue);
    Trace("SetColor", std::monostate{}, red, green, blue);
}

void SetAlpha(float alpha) {
    // Written so that NaN gives 0.
    const float clamped = !(alpha > 0) ? 0.0f : alpha > 1 ? 1.0f : alpha;
    state.alpha = uint8_t(clamped * 255.0f);
    Trace("SetAlpha", std::monostate{}, alpha);
}

void SetBlend(int blend) {
    if (blend >= 1 && blend <= 5) state.blend = blend;
    Trace("SetBlend", std::monostate{}, blend);
}

void SetMaskColor(int red, int green, int blue) {
    // Kept as given: masking compares it exactly, so a component outside
    // 0..255 matches no pixel.
    maskRed = red;
    maskGreen = green;
    maskBlue = blue;
    Trace("SetMaskColor", std::monostate{}, red, green, blue);
}

void SetHandle(float x, float y) {
    state.handleX = x;
    state.handleY = y;
    Trace("SetHandle", std::monostate{}, x, y);
}

void SetRotation(float angle) {
    const double radians = double(angle) * std::numbers::pi / 180.0;
    state.sin = std::sin(radians);
    state.cos = std::cos(radians);
    Trace("SetRotation", std::monostate{}, angle);
}

void SetScale(float scaleX, float scaleY) {
    state.scaleX = scaleX;
    state.scaleY = scaleY;
    Trace("SetScale", std::monostate{}, scaleX, scaleY);
}

namespace {

Ref<TImage> MakeImage(std::string_view url, int flags) {
    Ref<TPixmap> pixmap = LoadPixmap(url);
    if (!pixmap) return nullptr;
    if (flags == -1) flags = autoImageFlags;
    // A picture that has alpha of its own keeps it.
    if (flags & MASKEDIMAGE) pixmap = MaskPixmap(pixmap, maskRed, maskGreen, maskBlue);
    Ref<TImage> image = New<TImage>();
    image->width = pixmap->width;
    image->height = pixmap->height;
    image->flags = flags;
    image->maskRed = maskRed;
    image->maskGreen = maskGreen;
    image->maskBlue = maskBlue;
    image->pixmap = std::move(pixmap);
    return image;
}

}  // namespace

Ref<TImage> LoadImage(std::string_view url, int flags) {
    Ref<TImage> image = MakeImage(url, flags);
    Trace("LoadImage", static_cast<const Object*>(image.get()), url, flags);
    return image;
}

void MidHandleImage(const Ref<TImage>& image) {
    if (image) {
        image->handleX = float(image->width) * 0.5f;
        image->handleY = float(image->height) * 0.5f;
    }
    Trace("MidHandleImage", std::monostate{}, static_cast<const Object*>(image.get()));
}

int ImageWidth(const Ref<TImage>& image) { return image ? image->width : 0; }

int ImageHeight(const Ref<TImage>& image) { return image ? image->height : 0; }

void DrawImage(const Ref<TImage>& image, float x, float y, int frame) {
    if (state.driver && image && frame == 0 && image->pixmap) {
        state.driver->DrawFrame(Frame(*image), Place(x, y, float(image->width), float(image->height),
                                                     image->handleX, image->handleY));
    }
    Trace("DrawImage", std::monostate{}, static_cast<const Object*>(image.get()), x, y, frame);
}

void DrawRect(float x, float y, float width, float height) {
    if (state.driver) state.driver->DrawRect(Place(x, y, width, height, state.handleX, state.handleY));
    Trace("DrawRect", std::monostate{}, x, y, width, height);
}

}  // namespace fw
