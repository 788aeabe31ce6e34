// Writing PNG files with libpng: 8-bit, not interlaced, no ancillary chunks,
// so the file holds the pixels and nothing that could change how they decode.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include "tools/mkmedia/mkmedia.h"

namespace mkmedia {
namespace {

// libpng reports errors by longjmp; nothing in this function needs a
// destructor, so jumping back out of the library is safe here.
bool EncodePng(FILE* file, const Picture& picture) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_ALL_FILTERS);
    int colourType = picture.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width), static_cast<png_uint_32>(picture.height), 8,
                 colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    size_t pitch = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.channels);
    for (int y = 0; y < picture.height; ++y) {
        png_write_row(png, picture.bytes.data() + pitch * static_cast<size_t>(y));
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void WritePng(const std::string& path, const Picture& picture) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw std::runtime_error("cannot create " + path);
    bool written = EncodePng(file, picture);
    if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
}

}  // namespace mkmedia
