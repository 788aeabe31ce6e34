#include "bench/common/drawlist.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace bench {
namespace {

constexpr char kMagic[8] = {'S', 'N', 'O', 'W', 'D', 'R', 'W', '1'};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void Put(std::FILE* f, const void* data, size_t bytes, const std::string& path) {
    if (bytes && std::fwrite(data, 1, bytes, f) != bytes)
        throw std::runtime_error("cannot write " + path);
}

void Get(std::FILE* f, void* data, size_t bytes, const std::string& path) {
    if (bytes && std::fread(data, 1, bytes, f) != bytes)
        throw std::runtime_error(path + " is cut short");
}

}  // namespace

void WriteDrawList(const std::string& path, const DrawList& list) {
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) throw std::runtime_error("cannot create " + path);
    const int32_t header[4] = {list.seed, list.multiplier, list.warmup,
                               int32_t(list.Frames())};
    Put(f.get(), kMagic, sizeof kMagic, path);
    Put(f.get(), header, sizeof header, path);
    Put(f.get(), list.first.data(), list.first.size() * sizeof(uint32_t), path);
    Put(f.get(), list.draws.data(), list.draws.size() * sizeof(Draw), path);
    if (std::fflush(f.get()) != 0) throw std::runtime_error("cannot write " + path);
}

DrawList ReadDrawList(const std::string& path) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) throw std::runtime_error("cannot open " + path);
    char magic[8];
    int32_t header[4];
    Get(f.get(), magic, sizeof magic, path);
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0)
        throw std::runtime_error(path + " is not a draw list");
    Get(f.get(), header, sizeof header, path);
    if (header[3] < 0) throw std::runtime_error(path + " is damaged");
    DrawList list;
    list.seed = header[0];
    list.multiplier = header[1];
    list.warmup = header[2];
    list.first.resize(size_t(header[3]) + 1);
    Get(f.get(), list.first.data(), list.first.size() * sizeof(uint32_t), path);
    for (size_t i = 1; i < list.first.size(); ++i) {
        if (list.first[i] < list.first[i - 1] || list.first[0] != 0)
            throw std::runtime_error(path + " is damaged");
    }
    list.draws.resize(list.first.back());
    Get(f.get(), list.draws.data(), list.draws.size() * sizeof(Draw), path);
    return list;
}

void Corners(const Draw& d, float x[4], float y[4]) {
    const double radians = double(d.rotation) * std::numbers::pi / 180.0;
    const double s = std::sin(radians), c = std::cos(radians);
    const double px[4] = {-d.handleX, d.width - d.handleX, d.width - d.handleX, -d.handleX};
    const double py[4] = {-d.handleY, -d.handleY, d.height - d.handleY, d.height - d.handleY};
    const double xx = c * d.scaleX, xy = -s * d.scaleY;
    const double yx = s * d.scaleX, yy = c * d.scaleY;
    for (int i = 0; i < 4; ++i) {
        x[i] = float(d.x + px[i] * xx + py[i] * xy);
        y[i] = float(d.y + px[i] * yx + py[i] * yy);
    }
}

}  // namespace bench
