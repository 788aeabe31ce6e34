// The flake: a six-armed snow crystal glowing in the night. White arms
// with side branches and a ring round the heart lie on a broad six-lobed
// body of icy light, which gives the flake its fullness when it is drawn
// small and adds its light to the picture. The shape is described by signed
// distances (negative inside), which gives soft edges of an even width.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

#include "tools/mkmedia/canvas.h"
#include "tools/mkmedia/mkmedia.h"

namespace mkmedia {
namespace {

constexpr int Width = 50;
constexpr int Height = 48;
constexpr double CentreX = Width / 2.0;
constexpr double CentreY = Height / 2.0;

constexpr double ArmLength = 24.4;
constexpr double BodyRadius = 21.8;   // mean radius of the body of light
constexpr double BodyLobes = 1.3;     // how far its lobes reach out along the arms
constexpr double EdgeSoftness = 1.9;  // width in pixels of the edge between clear and solid

struct Point {
    double x, y;
};

Point Rotate(Point p, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    return {c * p.x - s * p.y, s * p.x + c * p.y};
}

// Folds a point into the sector of the arm along +x (angles -30 ... 30
// degrees, upper half), which the six-fold symmetry maps everything onto.
Point FoldIntoSector(Point p) {
    constexpr double sector = std::numbers::pi / 3.0;
    double angle = std::atan2(p.y, p.x);
    double k = std::round(angle / sector);
    Point q = Rotate(p, -k * sector);
    return {q.x, std::fabs(q.y)};
}

// A stroke from `a` to `b` whose half-width narrows from `wa` to `wb`.
double TaperedStroke(Point p, Point a, Point b, double wa, double wb) {
    double vx = b.x - a.x, vy = b.y - a.y;
    double t = std::clamp(((p.x - a.x) * vx + (p.y - a.y) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    double dx = p.x - (a.x + t * vx), dy = p.y - (a.y + t * vy);
    return std::hypot(dx, dy) - (wa + (wb - wa) * t);
}

// A regular hexagon of the given corner radius, its corners on the arms.
double Hexagon(Point p, double radius) {
    Point q = FoldIntoSector(p);
    // In the folded sector the nearest side joins the corners at 0 and 60
    // degrees; its outward normal points at 30 degrees.
    constexpr double c30 = 0.86602540378, s30 = 0.5;
    return q.x * c30 + q.y * s30 - radius * c30;
}

// The arm along +x with two pairs of side branches, in the folded sector.
double Arm(Point q) {
    double d = TaperedStroke(q, {0.0, 0.0}, {ArmLength, 0.0}, 2.9, 0.7);
    constexpr double c60 = 0.5, s60 = 0.86602540378;
    struct Branch {
        double at, length, width;
    };
    for (Branch b : {Branch{9.5, 8.0, 1.5}, Branch{15.5, 6.6, 1.2}}) {
        Point start{b.at, 0.0}, end{b.at + b.length * c60, b.length * s60};
        d = std::min(d, TaperedStroke(q, start, end, b.width, 0.55));
    }
    return d;
}

// The body: round, swelling a little along each arm.
double Body(Point p) {
    double angle = std::atan2(p.y, p.x);
    return std::hypot(p.x, p.y) - (BodyRadius + BodyLobes * std::cos(6.0 * angle));
}

double CrystalDistance(Point p) { return std::min(Body(p), Arm(FoldIntoSector(p))); }

// Opacity from the signed distance: solid inside, clear beyond the soft edge.
double Opacity(double distance) { return SmoothStep(EdgeSoftness / 2.0, -EdgeSoftness / 2.0, distance); }

// The arms, branches and a ring round the heart are pure white; the body
// between them is icy light, fading outwards, so the crystal's structure
// shows on it.
Rgb CrystalColour(Point p) {
    const Rgb innerIce{214, 230, 255}, outerIce{150, 176, 228}, white{255, 255, 255};
    Rgb ice = Lerp(innerIce, outerIce, SmoothStep(6.0, BodyRadius, std::hypot(p.x, p.y)));
    double ribs = Arm(FoldIntoSector(p));
    double ring = std::fabs(Hexagon(p, 8.0)) - 0.6;
    double line = SmoothStep(0.6, -0.6, std::min(ribs, ring));
    double heart = SmoothStep(3.5, 1.5, std::hypot(p.x, p.y));
    return Lerp(ice, white, std::max(line, heart));
}

}  // namespace

Picture MakeFlake() {
    Picture picture{Width, Height, 4, std::vector<uint8_t>(static_cast<size_t>(Width) * Height * 4)};
    uint8_t* out = picture.bytes.data();
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            Point p{x + 0.5 - CentreX, y + 0.5 - CentreY};
            double alpha = Opacity(CrystalDistance(p));
            Rgb c = CrystalColour(p);
            *out++ = static_cast<uint8_t>(std::lround(c.r));
            *out++ = static_cast<uint8_t>(std::lround(c.g));
            *out++ = static_cast<uint8_t>(std::lround(c.b));
            *out++ = static_cast<uint8_t>(std::lround(alpha * 255.0));
        }
    }
    return picture;
}

void CheckFlake(const Picture& picture) {
    int clear = 0, solid = 0;
    for (size_t i = 3; i < picture.bytes.size(); i += 4) {
        clear += picture.bytes[i] == 0;
        solid += picture.bytes[i] == 255;
    }
    int total = picture.width * picture.height;
    if (clear * 4 < total || clear * 100 > total * 35 || solid * 2 <= total || clear + solid > total * 95 / 100) {
        throw std::runtime_error("flake: " + std::to_string(clear) + " clear and " + std::to_string(solid) +
                                 " solid pixels of " + std::to_string(total));
    }
}

}  // namespace mkmedia
