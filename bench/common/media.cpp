#include "bench/common/media.h"

#include "framework/incbin/incbin.h"
#include "media/media.h"

namespace bench {

void RegisterMedia() {
    fw::IncbinAdd("pic4.png", snowfall_media_pic4_png, snowfall_media_pic4_png_length);
    fw::IncbinAdd("flake.png", snowfall_media_flake_png, snowfall_media_flake_png_length);
    fw::IncbinAdd("hohoho.ogg", snowfall_media_hohoho_ogg, snowfall_media_hohoho_ogg_length);
}

}  // namespace bench
