#include "framework/pixmap/pixmap.h"

#include <limits>

#include "framework/pixmap/pngloader.h"
#include "framework/runtime/runtime.h"

namespace fw {

int BytesPerPixel(PixelFormat format) { return format == PixelFormat::RGBA8888 ? 4 : 3; }

namespace {

int CheckedPitch(int width, int height, PixelFormat format) {
    if (width < 0 || height < 0 ||
        width > std::numeric_limits<int>::max() / BytesPerPixel(format)) {
        throw RuntimeError("Invalid pixmap size");
    }
    return width * BytesPerPixel(format);
}

// The loaders, newest first. Built on first use so that the PNG loader is
// there before any other code of the program can ask for a picture.
std::vector<Ref<TPixmapLoader>>& Loaders() {
    static std::vector<Ref<TPixmapLoader>> loaders{NewPngLoader()};
    return loaders;
}

// Closes the stream however the load ends.
struct CloseOnExit {
    TStream& stream;
    ~CloseOnExit() { stream.Close(); }
};

}  // namespace

TPixmap::TPixmap(int width, int height, PixelFormat format)
    : width(width), height(height), format(format), pitch(CheckedPitch(width, height, format)),
      pixels(size_t(pitch) * size_t(height)) {}

Ref<TPixmap> CreatePixmap(int width, int height, PixelFormat format) {
    return New<TPixmap>(width, height, format);
}

void AddPixmapLoader(Ref<TPixmapLoader> loader) {
    if (loader) Loaders().insert(Loaders().begin(), std::move(loader));
}

Ref<TPixmap> LoadPixmap(std::string_view url) {
    Ref<TStream> stream = ReadStream(url);
    if (!stream) return nullptr;
    CloseOnExit closer{*stream};
    return LoadPixmap(stream);
}

Ref<TPixmap> LoadPixmap(const Ref<TStream>& stream) {
    if (!stream) return nullptr;
    const int64_t start = stream->Pos();
    if (start < 0) throw RuntimeError("Stream is not seekable");
    // A copy of the list, so a loader that adds loaders cannot upset the walk.
    const std::vector<Ref<TPixmapLoader>> loaders = Loaders();
    for (const Ref<TPixmapLoader>& loader : loaders) {
        // Each loader reads from the start; one that cannot go back there
        // would hand the next loader data from the middle of the picture.
        if (stream->Seek(start) != start) throw RuntimeError("Stream is not seekable");
        if (Ref<TPixmap> pixmap = loader->LoadPixmap(*stream)) return pixmap;
    }
    return nullptr;
}

Ref<TPixmap> MaskPixmap(const Ref<TPixmap>& pixmap, int r, int g, int b) {
    if (!pixmap || pixmap->format != PixelFormat::RGB888) return pixmap;
    const TPixmap& src = *pixmap;
    Ref<TPixmap> out = CreatePixmap(src.width, src.height, PixelFormat::RGBA8888);
    auto isMask = [&](int x, int y) {
        const uint8_t* p = src.PixelPtr(x, y);
        return p[0] == r && p[1] == g && p[2] == b;
    };
    for (int y = 0; y < src.height; ++y) {
        for (int x = 0; x < src.width; ++x) {
            uint8_t* q = out->PixelPtr(x, y);
            if (!isMask(x, y)) {
                const uint8_t* p = src.PixelPtr(x, y);
                q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 255;
                continue;
            }
            // The neighbours' colour keeps a filtered edge from pulling the
            // mask colour into the picture; the neighbours are judged by the
            // source, never by pixels already replaced.
            int sum[3] = {0, 0, 0};
            int count = 0;
            for (int ny = y - 1; ny <= y + 1; ++ny) {
                for (int nx = x - 1; nx <= x + 1; ++nx) {
                    if ((nx == x && ny == y) || nx < 0 || ny < 0 || nx >= src.width ||
                        ny >= src.height || isMask(nx, ny)) {
                        continue;
                    }
                    const uint8_t* p = src.PixelPtr(nx, ny);
                    sum[0] += p[0], sum[1] += p[1], sum[2] += p[2];
                    ++count;
                }
            }
            for (int c = 0; c < 3; ++c) q[c] = uint8_t(count ? sum[c] / count : 0);
            q[3] = 0;
        }
    }
    return out;
}

}  // namespace fw
