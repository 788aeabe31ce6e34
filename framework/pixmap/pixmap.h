// Pixmaps: pictures in memory, their loaders, and masking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/runtime/object.h"
#include "framework/stream/stream.h"

namespace fw {

enum class PixelFormat { RGB888, RGBA8888 };

// 3 for RGB888, 4 for RGBA8888.
int BytesPerPixel(PixelFormat format);

// A picture: rows from top to bottom, `pitch` bytes apart, each pixel its
// bytes in the order red, green, blue (, alpha).
class TPixmap : public Object {
public:
    // A picture of `width` × `height` pixels (0 or more each), all bytes 0.
    TPixmap(int width, int height, PixelFormat format);

    const int width;
    const int height;
    const PixelFormat format;
    const int pitch;
    std::vector<uint8_t> pixels;

    uint8_t* PixelPtr(int x, int y) { return pixels.data() + Offset(x, y); }
    const uint8_t* PixelPtr(int x, int y) const { return pixels.data() + Offset(x, y); }

private:
    size_t Offset(int x, int y) const {
        return size_t(y) * size_t(pitch) + size_t(x) * size_t(BytesPerPixel(format));
    }
};

Ref<TPixmap> CreatePixmap(int width, int height, PixelFormat format);

// Decodes one kind of picture file.
class TPixmapLoader : public Object {
public:
    // The picture read from `stream`, which stands at the start of the data,
    // or null when this loader does not know the data or cannot decode it.
    virtual Ref<TPixmap> LoadPixmap(TStream& stream) = 0;
};

// Adds a loader; the most recently added is tried first. The PNG loader is
// there from the start.
void AddPixmapLoader(Ref<TPixmapLoader> loader);

// Opens `url` with ReadStream, loads the picture from it and closes it. Null
// when the URL opens nothing or no loader takes the data.
Ref<TPixmap> LoadPixmap(std::string_view url);
// Loads the picture that starts at the stream's position: every loader is
// tried in turn from that position until one returns a picture. The stream
// stays open; it belongs to the caller. Null for a null stream or data that no
// loader takes. A stream that cannot tell or go back to its position raises
// RuntimeError("Stream is not seekable").
Ref<TPixmap> LoadPixmap(const Ref<TStream>& stream);

// An RGB picture turned into an RGBA one: every pixel of exactly the colour
// (r, g, b) becomes transparent and takes the average, truncated, of its up to
// eight neighbours that are not of that colour (black if there is none); every
// other pixel becomes opaque. A picture that has alpha already comes back
// itself, untouched; null gives null.
Ref<TPixmap> MaskPixmap(const Ref<TPixmap>& pixmap, int r, int g, int b);

}  // namespace fw
