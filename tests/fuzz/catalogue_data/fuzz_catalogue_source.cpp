// Any text must either compile or fail with a SourceError / ArtError; nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/artconv/art_image.h"
#include "tools/xdbc/catalogue_source.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        kelt::catsrc::CatalogueCompiler c([](const std::string&, int, const std::string&, int) { return std::string("BM"); });
        c.AddSource(text, "fuzz.kind");
    } catch (const kelt::catsrc::SourceError&) {
    }
    try {
        kelt::art::Image im = kelt::art::ParseArt(text, "fuzz.art");
        kelt::art::EncodeBmp(im, 24);
        kelt::art::EncodeBmp(im, 8);
    } catch (const kelt::art::ArtError&) {
    }
    return 0;
}
