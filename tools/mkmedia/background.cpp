// The background: a winter night over a snow field. Sky with stars and a
// haloed moon, snowy hills, a pine forest and a small village with lit
// windows on the horizon, and the moonlit snow in front.
//
// The snow field starts at row 493 and its brightness is fitted row by row
// to the profile the scene is drawn against: dark above (the flakes show
// up on it), light below, and the line at which flakes are dropped just
// inside the light part.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/mkmedia/canvas.h"
#include "tools/mkmedia/mkmedia.h"
#include "tools/mkmedia/rng.h"

namespace mkmedia {
namespace {

constexpr int Width = 1024;
constexpr int Height = 768;
constexpr int GroundTop = 493;  // first row of the snow field

constexpr double MoonX = 792.0;
constexpr double MoonY = 118.0;
constexpr double MoonRadius = 34.0;

// ---------------------------------------------------------------- sky

Rgb SkyColour(double y) {
    const Rgb zenith{22, 50, 128}, middle{40, 74, 146}, horizon{96, 122, 170};
    double t = y / GroundTop;
    Rgb c = Lerp(zenith, middle, SmoothStep(0.0, 0.8, t));
    return Lerp(c, horizon, std::pow(SmoothStep(0.72, 1.0, t), 2.0));
}

void PaintSky(Canvas& canvas) {
    for (int y = 0; y < GroundTop; ++y) {
        for (int x = 0; x < Width; ++x) canvas.At(x, y) = SkyColour(y + 0.5);
    }
}

// Thin veils of cloud drifting past the moon, lit from it.
void PaintClouds(Canvas& canvas) {
    const Rgb lit{150, 166, 206};
    for (int y = 40; y < 330; ++y) {
        for (int x = 0; x < Width; ++x) {
            double band = SmoothStep(40, 150, y) * SmoothStep(330, 220, y);
            double n = Fractal(x / 210.0, y / 34.0, 5, 7);
            double veil = SmoothStep(0.12, 0.55, n) * band;
            double d = std::hypot(x - MoonX, y - MoonY);
            double moonlit = 0.35 + 0.65 * std::exp(-d / 260.0);
            canvas.Over(x, y, lit, 0.22 * veil * moonlit);
        }
    }
}

// ---------------------------------------------------------------- stars

void PaintStar(Canvas& canvas, double sx, double sy, double brightness, Rgb tint) {
    double sigma = 0.5 + 0.35 * brightness / 255.0;
    int cx = static_cast<int>(sx), cy = static_cast<int>(sy);
    for (int y = cy - 3; y <= cy + 3; ++y) {
        for (int x = cx - 3; x <= cx + 3; ++x) {
            double d2 = (x + 0.5 - sx) * (x + 0.5 - sx) + (y + 0.5 - sy) * (y + 0.5 - sy);
            canvas.Add(x, y, tint * (brightness * std::exp(-d2 / (2.0 * sigma * sigma))));
        }
    }
    // The brightest stars sparkle with four short rays.
    if (brightness > 190.0) {
        for (int k = 2; k <= 9; ++k) {
            double ray = brightness * 0.45 * std::exp(-k / 2.6);
            canvas.Add(cx + k, cy, tint * ray);
            canvas.Add(cx - k, cy, tint * ray);
            canvas.Add(cx, cy + k, tint * ray);
            canvas.Add(cx, cy - k, tint * ray);
        }
    }
}

void PaintStars(Canvas& canvas, Rng& rng) {
    const Rgb white{1.0, 1.0, 1.0}, blue{0.80, 0.88, 1.0}, warm{1.0, 0.90, 0.76};
    for (int i = 0; i < 560; ++i) {
        double x = rng.Range(4, Width - 4), y = rng.Range(3, 450);
        double magnitude = rng.Uniform(), colour = rng.Uniform(), keep = rng.Uniform();
        // Fewer stars low down, where the sky is hazy, and none by the moon.
        if (keep > 1.0 - 0.85 * std::pow(y / 450.0, 1.5)) continue;
        if (std::hypot(x - MoonX, y - MoonY) < MoonRadius + 40.0) continue;
        double brightness = 45.0 + 210.0 * std::pow(magnitude, 5.0);
        Rgb tint = colour < 0.2 ? warm : colour < 0.55 ? blue : white;
        PaintStar(canvas, x, y, brightness, tint);
    }
}

// ---------------------------------------------------------------- moon

// The moonlight scattered in the air around the moon, and a faint ring.
void PaintMoonGlow(Canvas& canvas) {
    const Rgb glow{0.72, 0.80, 1.0};
    for (int y = 0; y < GroundTop; ++y) {
        for (int x = 0; x < Width; ++x) {
            double d = std::hypot(x + 0.5 - MoonX, y + 0.5 - MoonY);
            double r = std::max(d - MoonRadius, 0.0);
            double light = 70.0 * std::exp(-r / 12.0) + 30.0 * std::exp(-r / 55.0) + 10.0 * std::exp(-d / 240.0);
            double ring = 11.0 * std::exp(-std::pow((d - 122.0) / 6.0, 2.0));
            canvas.Add(x, y, glow * (light + ring));
        }
    }
}

double Maria(double u, double v) {
    struct Patch {
        double u, v, size, depth;
    };
    static const Patch patches[] = {
        {-0.32, -0.28, 0.26, 0.20}, {0.12, -0.38, 0.20, 0.16}, {0.28, 0.05, 0.24, 0.18},
        {-0.08, 0.30, 0.18, 0.14},  {0.40, -0.20, 0.14, 0.12}, {-0.40, 0.12, 0.16, 0.10},
    };
    double dark = 0.0;
    for (const Patch& p : patches) {
        double d2 = ((u - p.u) * (u - p.u) + (v - p.v) * (v - p.v)) / (p.size * p.size);
        dark += p.depth * std::exp(-d2);
    }
    return dark * (0.75 + 0.25 * Fractal(u * 5.0 + 3.0, v * 5.0, 4, 19));
}

void PaintMoonDisc(Canvas& canvas) {
    const Rgb surface{250, 246, 228};
    int x0 = static_cast<int>(MoonX - MoonRadius) - 2, x1 = static_cast<int>(MoonX + MoonRadius) + 3;
    int y0 = static_cast<int>(MoonY - MoonRadius) - 2, y1 = static_cast<int>(MoonY + MoonRadius) + 3;
    FillShape(canvas, x0, y0, x1, y1, [&](double x, double y) -> std::optional<Rgb> {
        double u = (x - MoonX) / MoonRadius, v = (y - MoonY) / MoonRadius;
        double rr = u * u + v * v;
        if (rr > 1.0) return std::nullopt;
        double limb = 0.84 + 0.16 * std::sqrt(1.0 - rr);
        return surface * (limb * (1.0 - Maria(u, v)));
    });
}

// ---------------------------------------------------------------- hills

double RidgeY(double x) { return 457.0 + 9.0 * Fractal(x / 170.0, 0.5, 4, 11) + 6.0 * std::sin(x / 200.0 + 1.3); }

void PaintHills(Canvas& canvas) {
    const Rgb crest{122, 140, 180}, foot{78, 98, 142};
    FillShape(canvas, 0, 430, Width, GroundTop, [&](double x, double y) -> std::optional<Rgb> {
        double ridge = RidgeY(x);
        if (y < ridge) return std::nullopt;
        Rgb c = Lerp(crest, foot, SmoothStep(ridge, ridge + 26.0, y));
        return c * (0.96 + 0.04 * Fractal(x / 14.0, y / 5.0, 3, 23));
    });
}

// ---------------------------------------------------------------- trees

struct Tree {
    double x, base, height, halfWidth;
    int tiers;
    Rgb body, snow;
};

// A pine: a short trunk under stacked drooping tiers, each tier's lower
// edge carrying a rim of snow. Upper tiers hang in front of lower ones.
std::optional<Rgb> TreeColour(const Tree& t, double x, double y) {
    double top = t.base - t.height;
    if (y < top || y > t.base) return std::nullopt;
    double dx = x - t.x;
    double crown = 0.9 * t.height;
    double tierHeight = crown * 1.7 / t.tiers;
    double step = (crown - tierHeight) / (t.tiers - 1);
    for (int i = 0; i < t.tiers; ++i) {
        double tierTop = top + i * step;
        double v = (y - tierTop) / tierHeight;
        if (v < 0.0 || v > 1.0) continue;
        double w = t.halfWidth * (0.32 + 0.68 * (i + 1.0) / t.tiers);
        double ragged = 1.0 + 0.09 * std::sin(y * 1.9 + t.x * 0.7) + 0.05 * std::sin(y * 4.3 + t.x);
        double half = w * v * ragged;
        if (std::fabs(dx) > half) continue;
        double droop = 0.22 * tierHeight * (1.0 - (dx / w) * (dx / w));
        double edge = tierTop + tierHeight - droop;
        if (y > edge) continue;
        double lumps = ValueNoise(x / 2.5, t.x + i * 7.0, 31);
        double rim = (0.5 + 0.08 * tierHeight) * (0.7 + 0.6 * lumps);
        if (edge - y < rim && lumps > -0.35) return t.snow;
        double side = 0.92 + 0.16 * Clamp01(dx / w + 0.5);
        return t.body * side;
    }
    bool trunk = y > t.base - 0.12 * t.height && std::fabs(dx) < std::max(0.6, 0.025 * t.height);
    if (trunk) return t.body * 0.75;
    return std::nullopt;
}

void PaintTree(Canvas& canvas, const Tree& t) {
    int x0 = static_cast<int>(t.x - t.halfWidth * 1.2) - 1, x1 = static_cast<int>(t.x + t.halfWidth * 1.2) + 2;
    int y0 = static_cast<int>(t.base - t.height) - 1, y1 = static_cast<int>(t.base) + 2;
    FillShape(canvas, x0, y0, x1, y1, [&](double x, double y) { return TreeColour(t, x, y); });
}

// Three rows of trees: small hazy ones on the hills, a middle row along the
// horizon, and a few tall dark ones at both sides. The village keeps a gap.
void PaintForest(Canvas& canvas, Rng& rng, double villageLeft, double villageRight) {
    const Rgb farBody{50, 70, 104}, farSnow{118, 138, 178};
    for (int i = 0; i < 150; ++i) {
        double x = rng.Range(0, Width), h = rng.Range(14, 34), sink = rng.Range(3, 22);
        PaintTree(canvas, {x, std::min(RidgeY(x) + sink, 489.0), h, 0.30 * h, 4, farBody, farSnow});
    }
    const Rgb midBody{26, 44, 64}, midSnow{140, 160, 198};
    for (int i = 0; i < 110; ++i) {
        double x = rng.Range(-10, Width + 10), h = rng.Range(30, 72), base = rng.Range(481, 492);
        int tiers = 4 + static_cast<int>(rng.Uniform() * 3.0);
        bool inVillage = x > villageLeft && x < villageRight;
        if (inVillage && (h > 44 || rng.Uniform() < 0.6)) continue;
        PaintTree(canvas, {x, base, h, 0.31 * h, tiers, midBody, midSnow});
    }
    const Rgb nearBody{12, 26, 38}, nearSnow{178, 196, 228};
    for (int i = 0; i < 26; ++i) {
        double x = i < 13 ? rng.Range(-20, villageLeft - 60) : rng.Range(villageRight + 70, Width + 20);
        double h = rng.Range(62, 104), base = rng.Range(489, 493);
        PaintTree(canvas, {x, base, h, 0.30 * h, 6, nearBody, nearSnow});
    }
}

// ---------------------------------------------------------------- village

struct House {
    double x, base, width, wallHeight, roofHeight;
    bool chimney;
    unsigned litWindows;  // bit i set: window i glows
};

const Rgb WallColour{46, 40, 56};
const Rgb RoofSnow{196, 208, 234};
const Rgb Eaves{70, 76, 104};
const Rgb WindowLight{255, 210, 128};
const Rgb DarkWindow{26, 26, 40};

std::optional<Rgb> HouseColour(const House& h, double x, double y) {
    double wallTop = h.base - h.wallHeight;
    double mid = h.x + h.width / 2.0;
    // Gable roof under snow, overhanging the walls a little.
    double overhang = 2.0;
    double roofHalf = h.width / 2.0 + overhang;
    double roofY = wallTop - h.roofHeight * (1.0 - std::fabs(x - mid) / roofHalf);
    if (std::fabs(x - mid) <= roofHalf && y >= roofY && y < wallTop + 1.0) {
        return y > wallTop ? Eaves : RoofSnow;
    }
    if (h.chimney) {
        double cx = h.x + 0.72 * h.width;
        if (x >= cx && x < cx + 3.0 && y >= wallTop - h.roofHeight * 0.95 && y < roofY) {
            return y < wallTop - h.roofHeight * 0.95 + 1.2 ? RoofSnow : WallColour * 0.8;
        }
    }
    if (x < h.x || x > h.x + h.width || y < wallTop || y > h.base) return std::nullopt;
    // Windows in a row, a door in the middle of the wall.
    int count = static_cast<int>(h.width / 9.0);
    double spacing = h.width / count;
    double wy = wallTop + 0.3 * h.wallHeight;
    for (int i = 0; i < count; ++i) {
        double wx = h.x + spacing * (i + 0.5) - 2.0;
        if (x >= wx && x < wx + 4.0 && y >= wy && y < wy + 5.0) {
            return (h.litWindows >> i) & 1u ? WindowLight : DarkWindow;
        }
    }
    return WallColour;
}

struct Church {
    double x, base;
};

std::optional<Rgb> ChurchColour(const Church& c, double x, double y) {
    House nave{c.x, c.base, 30.0, 22.0, 15.0, false, 0b101u};
    double towerX = c.x - 12.0, towerTop = c.base - 48.0;
    if (x >= towerX && x < towerX + 12.0) {
        if (y >= towerTop && y <= c.base) {
            double d = std::hypot(x - (towerX + 6.0), y - (towerTop + 10.0));
            if (d < 2.6) return WindowLight;
            return WallColour * 1.05;
        }
        // The spire, snow on its moonlit side.
        double spireHeight = 26.0;
        double v = (y - (towerTop - spireHeight)) / spireHeight;
        if (v >= 0.0 && v < 1.0 && std::fabs(x - (towerX + 6.0)) <= 7.0 * v) {
            return x > towerX + 6.0 ? RoofSnow : Eaves;
        }
    }
    return HouseColour(nave, x, y);
}

void PaintWindowGlow(Canvas& canvas, double wx, double wy) {
    const Rgb warm{1.0, 0.62, 0.28};
    for (int y = static_cast<int>(wy) - 14; y <= static_cast<int>(wy) + 14; ++y) {
        for (int x = static_cast<int>(wx) - 14; x <= static_cast<int>(wx) + 14; ++x) {
            double d = std::hypot(x + 0.5 - wx, y + 0.5 - wy);
            canvas.Add(x, y, warm * (38.0 * std::exp(-d / 4.5)));
        }
    }
}

void PaintSmoke(Canvas& canvas, double x, double y) {
    const Rgb smoke{150, 164, 196};
    for (int i = 0; i < 60; ++i) {
        double t = i / 60.0;
        double px = x + 22.0 * t * t + 2.0 * std::sin(t * 9.0), py = y - 46.0 * t;
        double radius = 1.8 + 6.0 * t, alpha = 0.05 * (1.0 - t);
        for (int yy = static_cast<int>(py - radius * 2); yy <= static_cast<int>(py + radius * 2); ++yy) {
            for (int xx = static_cast<int>(px - radius * 2); xx <= static_cast<int>(px + radius * 2); ++xx) {
                double d2 = (xx + 0.5 - px) * (xx + 0.5 - px) + (yy + 0.5 - py) * (yy + 0.5 - py);
                canvas.Over(xx, yy, smoke, alpha * std::exp(-d2 / (radius * radius)));
            }
        }
    }
}

void PaintVillage(Canvas& canvas) {
    const House houses[] = {
        {338, 489, 34, 16, 12, true, 0b011u},  {380, 491, 42, 19, 14, true, 0b1010u},
        {462, 490, 30, 15, 11, false, 0b001u}, {500, 491, 44, 20, 15, true, 0b0110u},
        {552, 489, 28, 14, 11, false, 0b10u},
    };
    const Church church{428, 492};
    for (const House& h : houses) {
        FillShape(canvas, static_cast<int>(h.x) - 4, static_cast<int>(h.base - h.wallHeight - h.roofHeight) - 2,
                  static_cast<int>(h.x + h.width) + 5, static_cast<int>(h.base) + 1,
                  [&](double x, double y) { return HouseColour(h, x, y); });
    }
    FillShape(canvas, static_cast<int>(church.x) - 14, static_cast<int>(church.base) - 76,
              static_cast<int>(church.x) + 34, static_cast<int>(church.base) + 1,
              [&](double x, double y) { return ChurchColour(church, x, y); });
    for (const House& h : houses) {
        int count = static_cast<int>(h.width / 9.0);
        double spacing = h.width / count;
        for (int i = 0; i < count; ++i) {
            if ((h.litWindows >> i) & 1u) {
                PaintWindowGlow(canvas, h.x + spacing * (i + 0.5), h.base - 0.7 * h.wallHeight + 2.5);
            }
        }
        if (h.chimney) PaintSmoke(canvas, h.x + 0.72 * h.width + 1.5, h.base - h.wallHeight - h.roofHeight);
    }
    PaintWindowGlow(canvas, church.x - 6.0, church.base - 38.0);
}

// Drifted snow along the foot of the trees and houses, so that nothing
// stands on a ruled line.
void PaintSnowBank(Canvas& canvas) {
    const Rgb top{76, 96, 138}, bottom{56, 78, 122};
    FillShape(canvas, 0, 480, Width, GroundTop, [&](double x, double y) -> std::optional<Rgb> {
        double edge = 489.0 + 2.2 * Fractal(x / 22.0, 3.0, 3, 41);
        if (y < edge) return std::nullopt;
        return Lerp(top, bottom, SmoothStep(edge, edge + 4.0, y));
    });
}

// ---------------------------------------------------------------- snow field

// The target mean of red, green and blue for each row of the snow field: a
// quick lift at the edge of the trees' shadow, a steady rise to the moonlit
// crest of the near drift, and the foreground a little below it.
double GroundMean(double y) {
    struct Point {
        double y, mean;
    };
    static const Point points[] = {{493, 98},  {494, 105}, {510, 141}, {528, 204}, {545, 236},
                                   {546, 236}, {560, 226}, {600, 212}, {680, 204}, {767, 194}};
    // Monotone piecewise cubic (Fritsch-Carlson), so the curve never
    // overshoots between the points.
    constexpr int n = sizeof(points) / sizeof(points[0]);
    if (y <= points[0].y) return points[0].mean;
    if (y >= points[n - 1].y) return points[n - 1].mean;
    double slope[n];
    double secant[n - 1];
    for (int i = 0; i < n - 1; ++i) secant[i] = (points[i + 1].mean - points[i].mean) / (points[i + 1].y - points[i].y);
    slope[0] = secant[0];
    slope[n - 1] = secant[n - 2];
    for (int i = 1; i < n - 1; ++i) {
        slope[i] = secant[i - 1] * secant[i] <= 0.0 ? 0.0 : (secant[i - 1] + secant[i]) / 2.0;
    }
    for (int i = 0; i < n - 1; ++i) {
        if (secant[i] == 0.0) {
            slope[i] = slope[i + 1] = 0.0;
            continue;
        }
        double a = slope[i] / secant[i], b = slope[i + 1] / secant[i];
        double r = a * a + b * b;
        if (r > 9.0) {
            double k = 3.0 / std::sqrt(r);
            slope[i] = k * a * secant[i];
            slope[i + 1] = k * b * secant[i];
        }
    }
    int i = 0;
    while (y > points[i + 1].y) ++i;
    double h = points[i + 1].y - points[i].y, t = (y - points[i].y) / h;
    double t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * points[i].mean + (t3 - 2 * t2 + t) * h * slope[i] +
           (-2 * t3 + 3 * t2) * points[i + 1].mean + (t3 - t2) * h * slope[i + 1];
}

// Snow from deep blue shadow to moonlit white, for a lightness v.
Rgb SnowColour(double v) {
    const Rgb deep{44, 66, 114}, shade{116, 142, 194}, lit{236, 242, 252}, glare{252, 253, 255};
    if (v <= 0.0) return deep;
    if (v < 0.5) return Lerp(deep, shade, v / 0.5);
    if (v < 1.0) return Lerp(shade, lit, (v - 0.5) / 0.5);
    return Lerp(lit, glare, Clamp01((v - 1.0) / 0.4));
}

// The ground seen in perspective from a little above it.
struct GroundPoint {
    double across, depth;  // world units: to the right, away from the eye
};

GroundPoint GroundAt(double x, double y) {
    constexpr double vanishing = 478.0, focal = 600.0;
    double depth = focal / (y - vanishing);
    return {(x - Width / 2.0) * depth / focal, depth};
}

double DriftHeight(double across, double depth) {
    double ripples = 0.012 * Fractal(across * 4.0, depth * 2.6, 3, 53) * SmoothStep(26.0, 6.0, depth);
    return 0.16 * Fractal(across * 0.32, depth * 0.21, 4, 47) + ripples;
}

// The runners of a sleigh that came down from the village.
double SleighTrack(double across, double depth) {
    double path = 0.3 - 5.6 * std::pow(std::max(depth - 2.0, 0.0) / 38.0, 1.25) + 0.5 * std::sin(depth * 0.23);
    double groove = 0.0;
    for (double runner : {-0.13, 0.13}) {
        double d = (across - path - runner) / 0.022;
        groove += std::exp(-d * d) - 0.35 * std::exp(-(d - 1.6) * (d - 1.6));
    }
    return groove * SmoothStep(40.0, 20.0, depth);
}

// Lightness of the snow before it is fitted to the row's mean: drifts lit
// from the moon behind them, the sleigh's track and a little grain.
double SnowLightness(double x, double y) {
    GroundPoint p = GroundAt(x, y);
    constexpr double e = 0.01;
    double h = DriftHeight(p.across, p.depth);
    double dx = (DriftHeight(p.across + e, p.depth) - h) / e;
    double dz = (DriftHeight(p.across, p.depth + e) - h) / e;
    const double lx = 0.45, ly = 0.55, lz = 0.70;
    double norm = std::sqrt(dx * dx + 1.0 + dz * dz);
    double lighting = (-dx * lx + ly - dz * lz) / norm - ly;
    double grain = 0.03 * ValueNoise(x / 1.7, y / 1.3, 61);
    return 0.5 + 1.6 * lighting - 0.28 * SleighTrack(p.across, p.depth) + grain;
}

// Moonlight catching single crystals: mostly tiny, larger near the eye.
std::vector<double> Sparkles(Rng& rng) {
    std::vector<double> glints(static_cast<size_t>(Width) * (Height - GroundTop), 0.0);
    auto add = [&](int x, int y, double v) {
        if (x >= 0 && x < Width && y >= GroundTop && y < Height) {
            glints[static_cast<size_t>(y - GroundTop) * Width + x] += v;
        }
    };
    for (int i = 0; i < 1300; ++i) {
        double x = rng.Range(0, Width), y = rng.Range(GroundTop + 2, Height), strength = rng.Uniform();
        int ix = static_cast<int>(x), iy = static_cast<int>(y);
        double nearness = (y - GroundTop) / (Height - GroundTop);
        double v = 40.0 + 80.0 * strength;
        add(ix, iy, v);
        if (strength > 0.8 && nearness > 0.4) {
            add(ix + 1, iy, v * 0.4);
            add(ix - 1, iy, v * 0.4);
            add(ix, iy + 1, v * 0.4);
            add(ix, iy - 1, v * 0.4);
        }
    }
    return glints;
}

double RowMean(const std::vector<double>& lightness, const double* glints, double offset) {
    double sum = 0.0;
    for (int x = 0; x < Width; ++x) {
        Rgb c = SnowColour(lightness[x] + offset);
        double g = glints[x];
        sum += std::min(c.r + g, 255.0) + std::min(c.g + g, 255.0) + std::min(c.b + g, 255.0);
    }
    return sum / (3.0 * Width);
}

void PaintGround(Canvas& canvas, Rng& rng) {
    std::vector<double> glints = Sparkles(rng);
    std::vector<double> lightness(Width);
    for (int y = GroundTop; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) lightness[x] = SnowLightness(x + 0.5, y + 0.5);
        const double* rowGlints = glints.data() + static_cast<size_t>(y - GroundTop) * Width;
        // Shift the row's lightness until its mean meets the target.
        double lo = -3.0, hi = 3.0, target = GroundMean(y);
        for (int i = 0; i < 60; ++i) {
            double mid = (lo + hi) / 2.0;
            (RowMean(lightness, rowGlints, mid) < target ? lo : hi) = mid;
        }
        double offset = (lo + hi) / 2.0;
        for (int x = 0; x < Width; ++x) {
            double g = rowGlints[x];
            canvas.At(x, y) = SnowColour(lightness[x] + offset) + Rgb{g, g, g};
        }
    }
}

// ---------------------------------------------------------------- finish

// Rounds to 8 bits with a little triangular dither, so the long gradients
// of the sky show no bands.
Picture Quantise(const Canvas& canvas, Rng& rng) {
    Picture picture{Width, Height, 3, std::vector<uint8_t>(static_cast<size_t>(Width) * Height * 3)};
    uint8_t* out = picture.bytes.data();
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const Rgb& c = canvas.At(x, y);
            for (double v : {c.r, c.g, c.b}) {
                double dither = 0.5 * (rng.Uniform() - rng.Uniform());
                *out++ = static_cast<uint8_t>(std::clamp(std::lround(v + dither), 0l, 255l));
            }
        }
    }
    return picture;
}

}  // namespace

Picture MakeBackground() {
    Canvas canvas(Width, Height);
    Rng rng(0x534E4F57u);  // "SNOW"
    PaintSky(canvas);
    PaintMoonGlow(canvas);
    PaintClouds(canvas);
    PaintStars(canvas, rng);
    PaintMoonDisc(canvas);
    PaintHills(canvas);
    constexpr double villageLeft = 320.0, villageRight = 590.0;
    PaintForest(canvas, rng, villageLeft, villageRight);
    PaintVillage(canvas);
    PaintSnowBank(canvas);
    PaintGround(canvas, rng);
    return Quantise(canvas, rng);
}

// What the scene is drawn against; a picture that misses it is not written.
void CheckBackground(const Picture& picture) {
    auto mean = [&](int y) {
        const uint8_t* row = picture.bytes.data() + static_cast<size_t>(y) * Width * 3;
        long sum = 0;
        for (int i = 0; i < Width * 3; ++i) sum += row[i];
        return static_cast<double>(sum) / (Width * 3);
    };
    auto fail = [](const std::string& what) { throw std::runtime_error("background: " + what); };
    for (int y = 0; y < GroundTop; ++y) {
        if (mean(y) < 65.0 || mean(y) > 103.0) fail("row " + std::to_string(y) + " outside 65...103");
    }
    for (int y = GroundTop; y < Height; ++y) {
        if (std::fabs(mean(y) - GroundMean(y)) > 1.0) fail("row " + std::to_string(y) + " off its target");
    }
    for (size_t i = 0; i < picture.bytes.size(); i += 3) {
        const uint8_t* p = picture.bytes.data() + i;
        if (p[0] >= 250 && p[1] <= 5 && p[2] >= 250) fail("a pixel close to the mask colour");
    }
}

}  // namespace mkmedia
