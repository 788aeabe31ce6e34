// mkmedia OUTDIR: makes the program's three media files, the background
// picture (pic4.png), the flake (flake.png) and the jingle (hohoho.ogg),
// in OUTDIR. The same files come out on every run; the ones in media/ were
// made by it. A picture that misses what the scene relies on is not written.
#include <cstdio>
#include <exception>
#include <string>

#include "tools/mkmedia/mkmedia.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkmedia OUTDIR\n");
        return 2;
    }
    std::string dir = argv[1];
    try {
        mkmedia::Picture background = mkmedia::MakeBackground();
        mkmedia::CheckBackground(background);
        mkmedia::WritePng(dir + "/pic4.png", background);

        mkmedia::Picture flake = mkmedia::MakeFlake();
        mkmedia::CheckFlake(flake);
        mkmedia::WritePng(dir + "/flake.png", flake);

        mkmedia::WriteOgg(dir + "/hohoho.ogg", mkmedia::MakeJingle(), mkmedia::JingleRate);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkmedia: %s\n", e.what());
        return 1;
    }
    return 0;
}
