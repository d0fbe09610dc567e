// artconv: turns a text picture (.art) into a Windows .bmp file at build time.
//   artconv [--depth 8|24] INPUT.art OUTPUT.bmp
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/artconv/art_image.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: artconv [--depth 8|24] INPUT.art OUTPUT.bmp\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int depth = 24;
    std::string input, output;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--depth" || a == "-d") {
            if (i + 1 >= argc) return Usage();
            std::string d = argv[++i];
            if (d == "8" || d == "256") depth = 8;
            else if (d == "24") depth = 24;
            else return Usage();
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else if (input.empty()) {
            input = a;
        } else if (output.empty()) {
            output = a;
        } else {
            return Usage();
        }
    }
    if (input.empty() || output.empty()) return Usage();
    try {
        kelt::art::Image image = kelt::art::LoadArt(input);
        std::string bmp;
        try {
            bmp = kelt::art::EncodeBmp(image, depth);
        } catch (const kelt::art::ArtError& e) {
            throw kelt::art::ArtError(input + ": " + e.what());
        }
        kelt::art::WriteWholeFile(output, bmp);
    } catch (const kelt::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
