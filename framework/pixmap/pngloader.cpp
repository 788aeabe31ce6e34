// PNG pictures through libpng.
//
// libpng reports an error by calling an error function that must not return.
// A C++ exception thrown through libpng's C frames is not something libpng is
// built for, so errors leave by longjmp, libpng's own way. That is safe only
// if no object with a destructor lives in a frame the jump skips: every libpng
// call that can fail is therefore made from one of the small functions below
// (ReadHeader, Expand, ReadRows), which call setjmp themselves and hold
// nothing but plain pointers; the jump lands in them and they return false.
// The frames it skips are libpng's and ReadData's, which holds nothing either.
// The C++ objects (the picture, the row table, the handles) live in the loader
// above them and are released in the ordinary way whatever the outcome.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <new>
#include <vector>

#include "framework/pixmap/pngloader.h"

namespace fw {
namespace {

// Reads exactly `length` bytes, or fewer only at the end of the stream.
int64_t ReadFully(TStream& stream, uint8_t* data, int64_t length) {
    int64_t got = 0;
    while (got < length) {
        const int64_t n = stream.Read(data + got, length - got);
        if (n <= 0) break;
        got += n;
    }
    return got;
}

void ReadData(png_structp png, png_bytep data, size_t length) {
    bool complete = false;
    try {
        auto& stream = *static_cast<TStream*>(png_get_io_ptr(png));
        complete = ReadFully(stream, data, int64_t(length)) == int64_t(length);
    } catch (...) {
        // Nothing may be thrown through libpng; a stream that fails is data
        // that ends here.
    }
    if (!complete) png_error(png, "unexpected end of data");
}

// A load that fails gives no picture and reports nothing.
void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

bool ReadHeader(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    return true;
}

// The two transforms and nothing else: 16-bit samples cut to 8 bits, and
// expansion (palette to RGB, grey of 1, 2 or 4 bits to 8, a transparency
// chunk to an alpha channel). No gamma: every value is used as stored.
bool Expand(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_strip_16(png);
    png_set_expand(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool ReadRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

struct PngHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngHandles() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

// Deflate packs at most 1032 bytes into one, and the filtered rows (plain or
// interlaced) hold at least height × the bytes of one unfiltered row. A header
// that claims more than the rest of the stream could hold belongs to a damaged
// or hostile file; it is refused before any memory is set aside for it.
bool DataCanFit(TStream& stream, uint64_t width, uint64_t height, uint64_t bitsPerPixel) {
    const int64_t size = stream.Size();
    const int64_t pos = stream.Pos();
    if (size < 0 || pos < 0) return true;
    uint64_t rawBytes;
    if (__builtin_mul_overflow(height, (width * bitsPerPixel + 7) / 8, &rawBytes)) return false;
    const uint64_t left = size > pos ? uint64_t(size - pos) : 0;
    return rawBytes / 1032 <= left;
}

// Grey rows decoded at the start of each row are spread out to RGB, grey and
// alpha to RGBA, working from the right so no byte is overwritten before it
// is read. The system's pictures are RGB or RGBA; grey ones are shown as the
// same grey in colour.
void SpreadGrey(TPixmap& pixmap, int greyChannels) {
    for (int y = 0; y < pixmap.height; ++y) {
        uint8_t* row = pixmap.PixelPtr(0, y);
        for (int x = pixmap.width - 1; x >= 0; --x) {
            const uint8_t* g = row + x * greyChannels;
            uint8_t* p = row + x * BytesPerPixel(pixmap.format);
            const uint8_t grey = g[0];
            if (greyChannels == 2) p[3] = g[1];
            p[0] = p[1] = p[2] = grey;
        }
    }
}

class PngLoader final : public TPixmapLoader {
public:
    Ref<TPixmap> LoadPixmap(TStream& stream) override {
        png_byte signature[8];
        if (ReadFully(stream, signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
            return nullptr;
        }
        PngHandles h;
        h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
        if (!h.png) return nullptr;
        h.info = png_create_info_struct(h.png);
        if (!h.info) return nullptr;
        png_set_read_fn(h.png, &stream, ReadData);
        png_set_sig_bytes(h.png, 8);
        // Only the chunks that make the picture are read: IHDR, PLTE, tRNS,
        // IDAT and IEND. Every other one is skipped unread, so no text,
        // palette suggestion or profile is ever held in memory, whatever
        // length its header claims.
        png_set_keep_unknown_chunks(h.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);

        if (!ReadHeader(h.png, h.info)) return nullptr;
        const png_uint_32 width = png_get_image_width(h.png, h.info);
        const png_uint_32 height = png_get_image_height(h.png, h.info);
        const int storedBits = png_get_bit_depth(h.png, h.info) * png_get_channels(h.png, h.info);
        if (!DataCanFit(stream, width, height, storedBits)) return nullptr;

        if (!Expand(h.png, h.info)) return nullptr;
        if (png_get_bit_depth(h.png, h.info) != 8) return nullptr;
        PixelFormat format;
        int channels;
        switch (png_get_color_type(h.png, h.info)) {
            case PNG_COLOR_TYPE_RGB: format = PixelFormat::RGB888, channels = 3; break;
            case PNG_COLOR_TYPE_RGB_ALPHA: format = PixelFormat::RGBA8888, channels = 4; break;
            case PNG_COLOR_TYPE_GRAY: format = PixelFormat::RGB888, channels = 1; break;
            case PNG_COLOR_TYPE_GRAY_ALPHA: format = PixelFormat::RGBA8888, channels = 2; break;
            default: return nullptr;
        }
        if (png_get_channels(h.png, h.info) != channels ||
            png_get_rowbytes(h.png, h.info) != size_t(width) * size_t(channels)) {
            return nullptr;
        }

        Ref<TPixmap> pixmap;
        std::vector<png_bytep> rows;
        try {
            // libpng's own limits keep width and height at 1,000,000 or less.
            pixmap = CreatePixmap(int(width), int(height), format);
            rows.resize(height);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixmap->PixelPtr(0, int(y));
        if (!ReadRows(h.png, h.info, rows.data())) return nullptr;
        if (channels < 3) SpreadGrey(*pixmap, channels);
        return pixmap;
    }
};

}  // namespace

Ref<TPixmapLoader> NewPngLoader() { return New<PngLoader>(); }

}  // namespace fw
