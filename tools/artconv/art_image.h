#pragma once
// Text pictures ("art" sources) and their conversion into Windows bitmap files.
//
// An art source is plain text so that pictures can be reviewed and diffed:
//
//   ; comment lines start with a semicolon
//   width 16
//   height 16
//   chars 1            optional: characters per pixel, 1 or 2
//   colours
//   . #FFFFFF          key, blank, colour as #RRGGBB
//   k #000000
//   pixels
//   ....kkkk....       one line per row, top row first, width * chars characters
//
// Keys are printable characters other than ';'. Every fault is reported as
// "file:line: message".
#include <cstdint>
#include <string>
#include <vector>

#include "storage/error.h"

namespace kelt::art {

class ArtError : public kelt::Error {
public:
    explicit ArtError(const std::string& message) : kelt::Error(message) {}
};

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // row-major, top row first
    Rgb At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Largest width or height accepted; pictures of this program are icons.
constexpr int kMaxArtSide = 1024;

// Parses the text of an art source; fileName is used in messages only.
Image ParseArt(const std::string& text, const std::string& fileName);
// Reads and parses an art file.
Image LoadArt(const std::string& path);

// The bytes of a Windows .bmp file: file header, info header, for depth 8 a
// 256-entry palette, then bottom-up rows padded to 4 bytes. Depth 8 fails when
// the picture uses more than 256 colours.
std::string EncodeBmp(const Image& image, int depth);

// Distinct colours of the picture in order of first use (top row first).
std::vector<Rgb> UsedColours(const Image& image);

// Reads a whole file as bytes; raises ArtError when it cannot be read.
std::string ReadWholeFile(const std::string& path);
// Writes bytes through a temporary file and a rename, so a failed build never
// leaves half a file behind.
void WriteWholeFile(const std::string& path, const std::string& bytes);

} // namespace kelt::art
