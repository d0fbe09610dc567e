// icomake: text pictures (.art, one per icon size) into a Windows .ico file.
//   icomake --transparent '#RRGGBB' OUTPUT.ico INPUT.art [INPUT.art ...]
// Every image is stored as a 32-bit picture with alpha plus the AND mask; pixels of the
// transparent colour are left out in both.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/artconv/art_image.h"

namespace {

using kelt::art::Image;
using kelt::art::Rgb;

void Put16(std::string& out, unsigned v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// The icon image: BITMAPINFOHEADER (height doubled for the mask), colour rows, mask rows,
// both bottom-up.
std::string EncodeImage(const Image& image, const Rgb& transparent)
{
    const int w = image.width, h = image.height;
    const int maskRow = ((w + 31) / 32) * 4;
    std::string out;
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(w));
    Put32(out, static_cast<std::uint32_t>(h * 2));
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, static_cast<std::uint32_t>(w * h * 4 + maskRow * h));
    for (int i = 0; i < 4; ++i)
        Put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = image.At(x, y);
            const bool clear = c == transparent;
            out += static_cast<char>(clear ? 0 : c.b);
            out += static_cast<char>(clear ? 0 : c.g);
            out += static_cast<char>(clear ? 0 : c.r);
            out += static_cast<char>(clear ? 0 : 0xFF);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        std::string row(static_cast<std::size_t>(maskRow), '\0');
        for (int x = 0; x < w; ++x)
            if (image.At(x, y) == transparent)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
        out += row;
    }
    return out;
}

bool ParseColour(const std::string& text, Rgb& colour)
{
    if (text.size() != 7 || text[0] != '#')
        return false;
    unsigned value = 0;
    for (std::size_t i = 1; i < 7; ++i) {
        const char c = text[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            return false;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    colour = Rgb{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: icomake --transparent '#RRGGBB' OUTPUT.ico INPUT.art [INPUT.art ...]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5 || std::string(argv[1]) != "--transparent")
        return Usage();
    Rgb transparent;
    if (!ParseColour(argv[2], transparent))
        return Usage();
    const std::string output = argv[3];
    try {
        std::vector<std::string> images;
        std::vector<Image> sources;
        for (int i = 4; i < argc; ++i) {
            sources.push_back(kelt::art::LoadArt(argv[i]));
            if (sources.back().width > 256 || sources.back().height > 256)
                throw kelt::art::ArtError(std::string(argv[i]) + ": an icon is at most 256 x 256");
            images.push_back(EncodeImage(sources.back(), transparent));
        }
        std::string ico;
        Put16(ico, 0);
        Put16(ico, 1);
        Put16(ico, static_cast<unsigned>(images.size()));
        std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
        for (std::size_t i = 0; i < images.size(); ++i) {
            ico += static_cast<char>(sources[i].width & 0xFF);  // 256 is written as 0
            ico += static_cast<char>(sources[i].height & 0xFF);
            ico += '\0';
            ico += '\0';
            Put16(ico, 1);
            Put16(ico, 32);
            Put32(ico, static_cast<std::uint32_t>(images[i].size()));
            Put32(ico, offset);
            offset += static_cast<std::uint32_t>(images[i].size());
        }
        for (const std::string& image : images)
            ico += image;
        kelt::art::WriteWholeFile(output, ico);
    } catch (const kelt::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
