// Writing Ogg Vorbis with libvorbisenc: one logical stream, managed at a
// nominal bit rate, with a fixed serial number so that the file comes out
// the same on every run.
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <stdexcept>

#include "tools/mkmedia/mkmedia.h"

namespace mkmedia {
namespace {

constexpr long NominalBitRate = 96000;
constexpr int Serial = 0x534E4F57;  // "SNOW"
constexpr int Chunk = 1024;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

void WritePage(FILE* file, const ogg_page& page) {
    if (std::fwrite(page.header, 1, static_cast<size_t>(page.header_len), file) !=
            static_cast<size_t>(page.header_len) ||
        std::fwrite(page.body, 1, static_cast<size_t>(page.body_len), file) != static_cast<size_t>(page.body_len)) {
        throw std::runtime_error("cannot write the jingle");
    }
}

// All of libvorbis's and libogg's encoder state, released together.
struct Encoder {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;

    explicit Encoder(int rate) {
        vorbis_info_init(&info);
        if (vorbis_encode_init(&info, 1, rate, -1, NominalBitRate, -1) != 0) {
            vorbis_info_clear(&info);
            throw std::runtime_error("libvorbisenc refuses the jingle's format");
        }
        vorbis_comment_init(&comment);
        vorbis_comment_add_tag(&comment, "TITLE", "Jingle Bells");
        vorbis_comment_add_tag(&comment, "COMPOSER", "James Lord Pierpont (1857), public domain");
        vorbis_comment_add_tag(&comment, "ARTIST", "snowfall");
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_stream_init(&stream, Serial);
    }
    ~Encoder() {
        ogg_stream_clear(&stream);
        vorbis_block_clear(&block);
        vorbis_dsp_clear(&dsp);
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    void WriteHeaders(FILE* file) {
        ogg_packet id, comments, codebooks;
        vorbis_analysis_headerout(&dsp, &comment, &id, &comments, &codebooks);
        ogg_stream_packetin(&stream, &id);
        ogg_stream_packetin(&stream, &comments);
        ogg_stream_packetin(&stream, &codebooks);
        // The audio starts on a page of its own.
        ogg_page page;
        while (ogg_stream_flush(&stream, &page) != 0) WritePage(file, page);
    }

    // Encodes what has been handed to the analysis so far.
    void Drain(FILE* file) {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&stream, &page) != 0) WritePage(file, page);
            }
        }
    }
};

}  // namespace

void WriteOgg(const std::string& path, const std::vector<float>& samples, int rate) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) throw std::runtime_error("cannot create " + path);
    Encoder encoder(rate);
    encoder.WriteHeaders(file.get());
    for (size_t at = 0; at < samples.size(); at += Chunk) {
        int count = static_cast<int>(std::min<size_t>(Chunk, samples.size() - at));
        float** buffer = vorbis_analysis_buffer(&encoder.dsp, count);
        std::copy_n(samples.data() + at, count, buffer[0]);
        vorbis_analysis_wrote(&encoder.dsp, count);
        encoder.Drain(file.get());
    }
    vorbis_analysis_wrote(&encoder.dsp, 0);  // end of stream
    encoder.Drain(file.get());
    // Pages still held by the stream come out at the end of stream packet.
    ogg_page page;
    while (ogg_stream_flush(&encoder.stream, &page) != 0) WritePage(file.get(), page);
    if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace mkmedia
