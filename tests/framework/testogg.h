// Ogg Vorbis made in the tests with libvorbisenc, in memory or as a file.
#pragma once

#include <gtest/gtest.h>
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace fw {

// Encodes `frames` frames of `channels` channels; channel c of frame i is
// signal(c, i), in -1 ... 1.
template <class Signal>
std::vector<uint8_t> EncodeOgg(int channels, long rate, long frames, Signal signal, int serial = 1) {
    std::vector<uint8_t> out;
    auto append = [&](const ogg_page& page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    vorbis_info vi;
    vorbis_info_init(&vi);
    EXPECT_EQ(vorbis_encode_init_vbr(&vi, channels, rate, 0.3f), 0);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, serial);
    ogg_page page;
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    while (ogg_stream_flush(&os, &page)) append(page);

    auto drain = [&] {
        ogg_packet packet;
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout_fill(&os, &page, 400)) append(page);
            }
        }
    };
    for (long done = 0; done < frames;) {
        const long n = std::min<long>(1024, frames - done);
        float** buffer = vorbis_analysis_buffer(&vd, int(n));
        for (int c = 0; c < channels; ++c) {
            for (long i = 0; i < n; ++i) buffer[c][i] = float(signal(c, done + i));
        }
        vorbis_analysis_wrote(&vd, int(n));
        done += n;
        drain();
    }
    vorbis_analysis_wrote(&vd, 0);
    drain();
    while (ogg_stream_flush(&os, &page)) append(page);

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

// EncodeOgg, written to the file at `path`.
template <class Signal>
void WriteOgg(const std::string& path, int channels, long rate, long frames, Signal signal) {
    const std::vector<uint8_t> ogg = EncodeOgg(channels, rate, frames, signal);
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(ogg.data()), std::streamsize(ogg.size()));
    file.close();
    ASSERT_TRUE(file) << "cannot write " << path;
}

}  // namespace fw
