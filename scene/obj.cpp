#include "scene/obj.h"

#include "scene/snowfall.h"

Obj::Obj()
    : x(0.0f), y(0.0f), speedY(0.0f), angle(0), alpha(0.0f), spin(0.0f), isSquare(0),
      size(0), sway(0.0f), swayMin(0.0f), swayDir(0), scale(0.0f) {}

Obj::~Obj() = default;

void Obj::Render() {
    fw::SetAlpha(alpha);
    fw::SetRotation(float(angle));
    fw::SetScale(1.0f, 1.0f);

    // The turn test comes after the decrement, so in the frame of a turn x
    // has already moved by the old drift. All of it in single precision.
    if (swayDir == 0) {
        x = x - sway;
    } else {
        x = x + sway;
    }
    sway = sway - 0.01f;
    if (sway <= swayMin) {
        swayDir = swayDir == 0 ? 1 : 0;
        sway = 1.0f;
    }

    if (isSquare == 0) {
        fw::SetScale(scale, scale);
        fw::DrawImage(imgFlake, x, y, 0);
    } else {
        float h = float(size / 2);
        fw::SetHandle(h, h);
        fw::DrawRect(x, y, float(size), float(size));
    }

    // The sum is formed in double and truncated, so only the integer part of
    // spin turns the flake and the fraction never adds up.
    angle = fw::FloatToInt(double(angle) + double(spin));
    y = y + speedY;
}

fw::Ref<Obj> Obj::Create() {
    // The order of the draws decides which value each field gets. The bounds
    // 0.2, 0.7 and 1.3 are the single-precision values, carried as doubles.
    fw::Ref<Obj> flake = fw::New<Obj>();
    flake->x = float(fw::Rand(0, 1024));
    flake->y = -5.0f;
    flake->angle = 0;
    flake->alpha = float(fw::Rnd(double(0.2f), 1.0));
    flake->speedY = float(fw::Rnd(0.5, 4.0));
    flake->spin = float(fw::Rnd(1.0, 3.0));
    flake->isSquare = uint8_t(fw::Rand(0, 1));
    flake->size = fw::Rand(2, 5);
    flake->swayDir = fw::Rand(0, 1);
    flake->swayMin = float(fw::Rnd(-0.5, -1.0));
    flake->scale = float(fw::Rnd(double(0.7f), double(1.3f)));
    counter = counter + 1;
    return flake;
}
