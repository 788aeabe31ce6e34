// The program's media, built in at build time (media.S): for each file the
// address of its first byte and its length in bytes. The blocks stay where
// the build put them for the whole life of the process; register them with
// IncbinAdd("pic4.png", snowfall_media_pic4_png, snowfall_media_pic4_png_length)
// and so on.
#pragma once

#include <cstdint>

extern "C" {
// "pic4.png": the background picture.
extern const unsigned char snowfall_media_pic4_png[];
extern const int32_t snowfall_media_pic4_png_length;
// "flake.png": the flake picture.
extern const unsigned char snowfall_media_flake_png[];
extern const int32_t snowfall_media_flake_png_length;
// "hohoho.ogg": the jingle.
extern const unsigned char snowfall_media_hohoho_ogg[];
extern const int32_t snowfall_media_hohoho_ogg_length;
}
