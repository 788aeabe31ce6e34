#include "tools/snowtrace/standins.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "framework/audio/audio.h"
// TImage holds the drawing driver's picture, whose type the driver interface
// defines; an image cannot be made without it.
#include "framework/draw2d/draw2ddriver.h"

namespace standins {

namespace {

Recorder recorder;

class FixedClock final : public fw::Clock {
public:
    int64_t Micros() override { return micros; }
    void SleepMicros(int64_t) override {}
    int64_t micros = 0;
};

FixedClock fixedClock;

class StandInImage final : public fw::TImage {
public:
    std::string role;
};

class StandInSound final : public fw::TSound {
public:
    std::string role;
};

// Formatting only when someone listens, so long unrecorded runs stay cheap.
bool Listening() { return recorder.keep || recorder.sink; }

void Emit(Call call) {
    if (recorder.sink) recorder.sink(call);
    if (recorder.keep) recorder.calls.push_back(std::move(call));
}

std::string Arg(int value) { return std::to_string(value); }
std::string Arg(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(value));
    return text;
}
std::string Arg(std::string_view text) { return std::string(text); }

template <class... Args>
void Trace(const char* op, const Args&... args) {
    if (!Listening()) return;
    Emit(Call{op, {Arg(args)...}});
}

std::string SoundRole(const fw::Ref<fw::TSound>& sound) {
    if (!sound) return "null";
    auto* standIn = dynamic_cast<StandInSound*>(sound.get());
    return standIn ? standIn->role : "sound";
}

int Clamp255(int value) { return std::clamp(value, 0, 255); }

// The size from a PNG's header, without decoding the picture: false when the
// data does not start as a PNG does.
bool ReadPngSize(fw::TStream& stream, int& width, int& height) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    unsigned char head[24];
    if (stream.Read(head, sizeof head) != int64_t(sizeof head)) return false;
    if (std::memcmp(head, signature, 8) != 0 || std::memcmp(head + 12, "IHDR", 4) != 0) return false;
    auto be32 = [](const unsigned char* p) {
        return int64_t(p[0]) << 24 | int64_t(p[1]) << 16 | int64_t(p[2]) << 8 | int64_t(p[3]);
    };
    int64_t w = be32(head + 16), h = be32(head + 20);
    if (w <= 0 || h <= 0 || w > 0x7fffffff || h > 0x7fffffff) return false;
    width = int(w);
    height = int(h);
    return true;
}

}  // namespace

std::string Call::Line() const {
    std::string line = op;
    for (const std::string& arg : args) {
        line += ' ';
        line += arg;
    }
    return line;
}

float Call::Real(size_t i) const { return std::strtof(args.at(i).c_str(), nullptr); }
int Call::Int(size_t i) const { return std::atoi(args.at(i).c_str()); }

Recorder& Record() { return recorder; }

void Reset() {
    recorder = Recorder{};
    SetMilliSecs(0);
}

void SetMilliSecs(int32_t ms) {
    fixedClock.micros = int64_t(ms) * 1000;
    fw::SetClock(&fixedClock);
}

std::string RoleOf(const fw::Ref<fw::TImage>& image) {
    if (!image) return "null";
    auto* standIn = dynamic_cast<StandInImage*>(image.get());
    return standIn ? standIn->role : "image";
}

}  // namespace standins

// The operations as the scene calls them.
namespace fw {

using standins::recorder;
using standins::Trace;

// The stand-ins need nothing readied: the embedded-file streams are there
// from the start.
void InitFramework() {}

Ref<TGraphics> Graphics(int width, int height, int depth, int hertz, int flags) {
    Trace("Graphics", width, height, depth, hertz, flags);
    if (recorder.noDisplay) return nullptr;
    recorder.width = width;
    recorder.height = height;
    recorder.state = standins::DrawState{};
    return New<TGraphics>(width, height, depth, hertz, flags);
}

void Flip(int sync) {
    Trace("Flip", sync);
    ++recorder.flips;
    if (recorder.onFlip) recorder.onFlip();
}

int GraphicsWidth() { return recorder.width; }
int GraphicsHeight() { return recorder.height; }

void HideMouse() { Trace("HideMouse"); }

int KeyDown(int key) {
    int down = key == 27 && recorder.flips >= recorder.escapeFromFlip ? 1 : 0;
    Trace("KeyDown", key, down);
    return down;
}

void Cls() { Trace("Cls"); }

void SetColor(int red, int green, int blue) {
    Trace("SetColor", red, green, blue);
    recorder.state.red = standins::Clamp255(red);
    recorder.state.green = standins::Clamp255(green);
    recorder.state.blue = standins::Clamp255(blue);
}

void SetAlpha(float alpha) {
    Trace("SetAlpha", alpha);
    // !(alpha >= 0) takes NaN in with the negatives.
    float clamped = alpha > 1.0f ? 1.0f : !(alpha >= 0.0f) ? 0.0f : alpha;
    recorder.state.alpha = clamped;
    recorder.state.alphaByte = int(clamped * 255.0f);
}

void SetBlend(int blend) {
    Trace("SetBlend", blend);
    if (blend >= 1 && blend <= 5) recorder.state.blend = blend;
}

void SetMaskColor(int red, int green, int blue) {
    Trace("SetMaskColor", red, green, blue);
    recorder.state.maskRed = red;
    recorder.state.maskGreen = green;
    recorder.state.maskBlue = blue;
}

void SetHandle(float x, float y) {
    Trace("SetHandle", x, y);
    recorder.state.handleX = x;
    recorder.state.handleY = y;
}

void SetRotation(float angle) {
    Trace("SetRotation", angle);
    recorder.state.rotation = angle;
}

void SetScale(float scaleX, float scaleY) {
    Trace("SetScale", scaleX, scaleY);
    recorder.state.scaleX = scaleX;
    recorder.state.scaleY = scaleY;
}

// Reads only the picture's header: enough for the image's size, so that the
// URL must really open an embedded PNG.
Ref<TImage> LoadImage(std::string_view url, int flags) {
    Trace("LoadImage", url, flags);
    Ref<TStream> stream = ReadStream(url);
    if (!stream) return nullptr;
    auto image = New<standins::StandInImage>();
    bool png = standins::ReadPngSize(*stream, image->width, image->height);
    stream->Close();
    if (!png) return nullptr;
    image->role = url == "incbin::pic4.png" ? "background" : url == "incbin::flake.png" ? "flake" : "image";
    image->flags = flags == -1 ? recorder.state.autoImageFlags : flags;
    image->maskRed = recorder.state.maskRed;
    image->maskGreen = recorder.state.maskGreen;
    image->maskBlue = recorder.state.maskBlue;
    return image;
}

void MidHandleImage(const Ref<TImage>& image) {
    Trace("MidHandleImage", standins::RoleOf(image));
    if (!image) return;
    image->handleX = float(image->width) * 0.5f;
    image->handleY = float(image->height) * 0.5f;
}

int ImageWidth(const Ref<TImage>& image) { return image ? image->width : 0; }
int ImageHeight(const Ref<TImage>& image) { return image ? image->height : 0; }

void DrawImage(const Ref<TImage>& image, float x, float y, int frame) {
    // The role only when someone listens: this is the call a frame makes most.
    if (standins::Listening()) Trace("DrawImage", standins::RoleOf(image), x, y, frame);
}

void DrawRect(float x, float y, float width, float height) {
    Trace("DrawRect", x, y, width, height);
}

// Checks only that the URL opens an Ogg stream; nothing is decoded.
Ref<TSound> LoadSound(std::string_view url, int flags) {
    Trace("LoadSound", url, flags);
    Ref<TStream> stream = ReadStream(url);
    if (!stream) return nullptr;
    char magic[4];
    bool ogg = stream->Read(magic, 4) == 4 && std::memcmp(magic, "OggS", 4) == 0;
    stream->Close();
    if (!ogg) return nullptr;
    auto sound = New<standins::StandInSound>();
    sound->role = url == "incbin::hohoho.ogg" ? "jingle" : "sound";
    return sound;
}

Ref<TChannel> PlaySound(const Ref<TSound>& sound, const Ref<TChannel>& channel) {
    Trace("PlaySound", standins::SoundRole(sound), std::string_view(channel ? "channel" : "null"));
    if (!sound) return nullptr;
    return channel ? channel : New<TChannel>();
}

}  // namespace fw

// IncbinAdd, SeedRnd and MilliSecs: the linker's --wrap sends the calls here
// (__wrap_<symbol>), and __real_<symbol> reaches the framework's own.
#define FW_INCBINADD "_ZN2fw9IncbinAddESt17basic_string_viewIcSt11char_traitsIcEEPKvi"
#define FW_SEEDRND "_ZN2fw7SeedRndEi"
#define FW_MILLISECS "_ZN2fw9MilliSecsEv"

int RealIncbinAdd(std::string_view name, const void* data, int32_t length) __asm__("__real_" FW_INCBINADD);
int WrapIncbinAdd(std::string_view name, const void* data, int32_t length) __asm__("__wrap_" FW_INCBINADD);
void RealSeedRnd(int32_t seed) __asm__("__real_" FW_SEEDRND);
void WrapSeedRnd(int32_t seed) __asm__("__wrap_" FW_SEEDRND);
int32_t RealMilliSecs() __asm__("__real_" FW_MILLISECS);
int32_t WrapMilliSecs() __asm__("__wrap_" FW_MILLISECS);

int WrapIncbinAdd(std::string_view name, const void* data, int32_t length) {
    standins::Trace("IncbinAdd", name, int(length));
    return RealIncbinAdd(name, data, length);
}

void WrapSeedRnd(int32_t seed) {
    standins::Trace("SeedRnd", int(seed));
    RealSeedRnd(seed);
}

int32_t WrapMilliSecs() {
    int32_t ms = RealMilliSecs();
    standins::Trace("MilliSecs", int(ms));
    return ms;
}
