#include "scene/snowfall.h"

#include <string>

#include "media/media.h"
#include "scene/colourcycle.h"

fw::Ref<fw::TImage> imgRed;
fw::Ref<fw::TImage> imgFlake;
fw::Ref<fw::TList> objList;
int32_t counter = 0;
fw::Ref<Obj> o;

namespace {

// The snow line of the background picture: a flake that gets there is dropped.
constexpr float kSnowLine = 510.0f;

// The scene is nothing without its display, its pictures and its jingle:
// where one of them cannot be had it says which and ends, rather than run on
// with a blank screen or none at all.
template <class T>
T Need(T thing, const char* what) {
    if (!thing) throw fw::RuntimeError(std::string("Unable to ") + what);
    return thing;
}

}  // namespace

int SnowfallMain() {
    // The main body holds the jingle to the end.
    fw::Ref<fw::TSound> sound = StartUp();
    Snowfall();
    ClosingFade();
    return 0;
}

fw::Ref<fw::TSound> StartUp() {
    // The embedded files come first, before the framework is initialised.
    fw::IncbinAdd("pic4.png", snowfall_media_pic4_png, snowfall_media_pic4_png_length);
    fw::IncbinAdd("flake.png", snowfall_media_flake_png, snowfall_media_flake_png_length);
    fw::IncbinAdd("hohoho.ogg", snowfall_media_hohoho_ogg, snowfall_media_hohoho_ogg_length);
    fw::InitFramework();

    // Graphics resets the whole drawing state, so the blend mode, the mask
    // colour and the pictures that take it all come after it.
    Need(fw::Graphics(1024, 768, 16, 60, 0), "set the display to 1024 x 768");
    fw::SeedRnd(fw::MilliSecs());
    fw::SetBlend(4);
    fw::HideMouse();
    fw::SetMaskColor(255, 0, 255);
    imgRed = Need(fw::LoadImage("incbin::pic4.png", -1), "load the background picture");
    imgFlake = Need(fw::LoadImage("incbin::flake.png", -1), "load the flake picture");
    fw::MidHandleImage(imgFlake);
    fw::Ref<fw::TSound> sound = Need(fw::LoadSound("incbin::hohoho.ogg", 0), "load the jingle");
    // The colour arrays start out all 0; the cycle's start gives them their
    // values, with the first three random draws after the seeding.
    StartColourCycle();
    objList = fw::New<fw::TList>();
    // Last, so the jingle starts only once everything is loaded.
    fw::PlaySound(sound, nullptr);
    return sound;
}

void Snowfall() {
    // The first frame runs before any look at Escape.
    do {
        DrawFrame();
        fw::Flip(-1);
    } while (!fw::KeyDown(27));
}

void ClosingFade() {
    // Over whatever the last frame left; no input is looked at, so it cannot
    // be cut short.
    counter = 0;
    while (counter <= 100) {
        fw::DrawImage(imgRed, 0.0f, 0.0f, 0);
        FadeToWhite(float(counter));
        fw::Flip(-1);
        counter = counter + 1;
    }
}

void DrawFrame() {
    fw::Cls();
    fw::SetColor(fw::FloatToInt(col[0]), fw::FloatToInt(col[1]), fw::FloatToInt(col[2]));
    for (int i = 0; i < 4; ++i) {
        objList->AddLast(Obj::Create());
    }
    RenderFlakes();
    // Undo what the flakes set, so the background is drawn untinted, opaque,
    // unturned and unscaled; the blend mode stays additive.
    fw::SetColor(255, 255, 255);
    fw::SetAlpha(1.0f);
    fw::SetHandle(0.0f, 0.0f);
    fw::SetRotation(0.0f);
    fw::SetScale(1.0f, 1.0f);
    StepColourCycle();
    fw::DrawImage(imgRed, 0.0f, 0.0f, 0);
}

void RenderFlakes() {
    // The pass already stands on the next link when a flake is handed out,
    // so removing the flake in hand does not disturb it.
    for (fw::TListEnum e = objList->ObjectEnumerator(); e.HasNext();) {
        o = fw::Cast<Obj>(e.NextObject());
        if (!o) continue;
        o->Render();
        if (o->y >= kSnowLine) {
            objList->Remove(o);
            counter = counter - 1;
        }
    }
}

int FadeToWhite(float level) {
    if (level > 100.0f) {
        level = 100.0f;
    } else if (!(level >= 0.0f)) {
        // Every negative value, and NaN, which fails every comparison.
        level = 0.0f;
    }
    if (!(level > 0.0f)) return 0;

    fw::SetColor(255, 255, 255);
    fw::SetBlend(3);
    fw::SetAlpha(level / 100.0f);
    fw::DrawRect(0.0f, 0.0f, float(fw::GraphicsWidth()), float(fw::GraphicsHeight()));
    return 0;
}
