// A picture being painted: RGB in floating point (0 ... 255 per component),
// so that layers can be blended and added before the final rounding.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

namespace mkmedia {

struct Rgb {
    double r = 0.0, g = 0.0, b = 0.0;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb Lerp(Rgb a, Rgb b, double t) { return a + (b - a) * t; }
inline double Mean(Rgb c) { return (c.r + c.g + c.b) / 3.0; }

inline double Clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

inline double SmoothStep(double edge0, double edge1, double x) {
    double t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0 - 2.0 * t);
}

class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Rgb& At(int x, int y) { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    const Rgb& At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    // Paints `colour` over the pixel with opacity `alpha`.
    void Over(int x, int y, Rgb colour, double alpha) {
        if (Contains(x, y)) At(x, y) = Lerp(At(x, y), colour, Clamp01(alpha));
    }

    // Adds light to the pixel (glows, stars, lit windows).
    void Add(int x, int y, Rgb light) {
        if (Contains(x, y)) At(x, y) = At(x, y) + light;
    }

private:
    int width_, height_;
    std::vector<Rgb> pixels_;
};

// A shape that answers, for a point in pixel coordinates, the colour it shows
// there, or nothing where the point lies outside it.
using Shape = std::function<std::optional<Rgb>(double x, double y)>;

// Paints a shape inside the box [x0, x1) x [y0, y1) with 4 x 4 samples a
// pixel, so its edges come out anti-aliased.
inline void FillShape(Canvas& canvas, int x0, int y0, int x1, int y1, const Shape& shape) {
    constexpr int n = 4;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, canvas.Width());
    y1 = std::min(y1, canvas.Height());
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            Rgb sum;
            int hits = 0;
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    if (auto c = shape(x + (sx + 0.5) / n, y + (sy + 0.5) / n)) {
                        sum = sum + *c;
                        ++hits;
                    }
                }
            }
            if (hits > 0) canvas.Over(x, y, sum * (1.0 / hits), static_cast<double>(hits) / (n * n));
        }
    }
}

}  // namespace mkmedia
