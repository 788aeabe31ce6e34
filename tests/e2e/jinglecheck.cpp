// jinglecheck OUTPUT.raw JINGLE.ogg: whether the sound output recorded in
// OUTPUT.raw (signed 16-bit little-endian stereo at 44,100 Hz, as SDL's disk
// audio driver writes it) holds the start of the jingle: after the silence
// before it starts, its first half second sample for sample, the mono jingle
// on both channels. The jingle is decoded here with vorbisfile, apart from
// the framework.
#include <vorbis/vorbisfile.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr size_t kFrames = 22050;  // half a second at 44,100 Hz

bool DecodeMono(const char* path, std::vector<int16_t>& samples) {
    OggVorbis_File file;
    if (ov_fopen(path, &file) != 0) return false;
    vorbis_info* info = ov_info(&file, -1);
    bool ok = info && info->channels == 1 && info->rate == 44100;
    char buffer[8192];
    int section = 0;
    while (ok) {
        long got = ov_read(&file, buffer, sizeof buffer, 0, 2, 1, &section);
        if (got == 0) break;
        if (got < 0) ok = false;
        for (long i = 0; i + 1 < got; i += 2) {
            samples.push_back(int16_t(uint16_t(uint8_t(buffer[i])) | uint16_t(uint8_t(buffer[i + 1])) << 8));
        }
    }
    ov_clear(&file);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: jinglecheck OUTPUT.raw JINGLE.ogg\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = int16_t(uint16_t(uint8_t(bytes[2 * i])) | uint16_t(uint8_t(bytes[2 * i + 1])) << 8);
    }
    std::vector<int16_t> jingle;
    if (!DecodeMono(argv[2], jingle)) {
        std::fprintf(stderr, "jinglecheck: %s is not a mono 44,100 Hz Ogg Vorbis file\n", argv[2]);
        return 1;
    }

    size_t frames = out.size() / 2, first = 0, start = 0;
    while (first < frames && out[2 * first] == 0 && out[2 * first + 1] == 0) ++first;
    while (start < jingle.size() && jingle[start] == 0) ++start;
    std::printf("output: %zu frames, silent for the first %zu\n", frames, first);
    if (first == frames) {
        std::fprintf(stderr, "jinglecheck: the output is silent\n");
        return 1;
    }
    if (frames - first < kFrames || jingle.size() - start < kFrames) {
        std::fprintf(stderr, "jinglecheck: only %zu frames after the silence\n", frames - first);
        return 1;
    }
    size_t differ = 0;
    for (size_t i = 0; i < kFrames; ++i) {
        int16_t want = jingle[start + i];
        if (out[2 * (first + i)] != want || out[2 * (first + i) + 1] != want) {
            if (differ == 0) {
                std::fprintf(stderr, "first difference at frame %zu: %d %d, want %d\n", i,
                             out[2 * (first + i)], out[2 * (first + i) + 1], want);
            }
            ++differ;
        }
    }
    std::printf("%zu of the jingle's first %zu frames differ\n", differ, kFrames);
    return differ == 0 ? 0 : 1;
}
