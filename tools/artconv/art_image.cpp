#include "tools/artconv/art_image.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace kelt::art {
namespace {

// The same blanks the word splitting below skips.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\n'; }

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseColour(const std::string& s, Rgb& out) {
    if (s.size() != 7 || s[0] != '#') return false;
    int v[6];
    for (int i = 0; i < 6; ++i) {
        v[i] = HexDigit(s[i + 1]);
        if (v[i] < 0) return false;
    }
    out.r = static_cast<std::uint8_t>(v[0] * 16 + v[1]);
    out.g = static_cast<std::uint8_t>(v[2] * 16 + v[3]);
    out.b = static_cast<std::uint8_t>(v[4] * 16 + v[5]);
    return true;
}

// Strict decimal within [1, kMaxArtSide].
bool ParseSide(const std::string& s, int& out) {
    if (s.empty() || s.size() > 5) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < 1 || v > kMaxArtSide) return false;
    out = v;
    return true;
}

bool IsKeyChar(char c) { return c > ' ' && c < 0x7F && c != ';'; }

class Parser {
public:
    Parser(const std::string& text, const std::string& file) : text_(text), file_(file) {}

    Image Run() {
        enum class Section { Header, Colours, Pixels } section = Section::Header;
        std::istringstream in(text_);
        std::string raw;
        int line = 0;
        while (std::getline(in, raw)) {
            ++line;
            std::string s = Trim(raw);
            if (s.empty() || s[0] == ';') continue;
            if (section == Section::Pixels) {
                Row(s, line);
                continue;
            }
            std::vector<std::string> w = Words(s);
            if (w[0] == "colours" && w.size() == 1) {
                if (section != Section::Header) Fail(line, "'colours' given twice");
                section = Section::Colours;
                continue;
            }
            if (w[0] == "pixels" && w.size() == 1) {
                if (width_ == 0) Fail(line, "'width' must come before the pixels");
                if (height_ == 0) Fail(line, "'height' must come before the pixels");
                if (palette_.empty()) Fail(line, "no colours defined before the pixels");
                section = Section::Pixels;
                image_.width = width_;
                image_.height = height_;
                image_.pixels.reserve(static_cast<size_t>(width_) * height_);
                continue;
            }
            if (section == Section::Header)
                Header(w, line);
            else
                Colour(s, w, line);
        }
        if (section != Section::Pixels) Fail(line == 0 ? 1 : line, "no 'pixels' section");
        if (rows_ != height_)
            Fail(line, "picture has " + std::to_string(rows_) + " rows, expected " + std::to_string(height_));
        return image_;
    }

private:
    [[noreturn]] void Fail(int line, const std::string& msg) const {
        throw ArtError(file_ + ":" + std::to_string(line) + ": " + msg);
    }

    void Header(const std::vector<std::string>& w, int line) {
        if (w.size() != 2) Fail(line, "expected '<keyword> <number>', got '" + Join(w) + "'");
        int* target = nullptr;
        if (w[0] == "width") target = &width_;
        else if (w[0] == "height") target = &height_;
        else if (w[0] == "chars") target = &chars_;
        else Fail(line, "unknown keyword '" + w[0] + "'");
        if (!seen_.insert(w[0]).second) Fail(line, "'" + w[0] + "' given twice");
        int v = 0;
        if (!ParseSide(w[1], v)) Fail(line, "bad " + w[0] + " '" + w[1] + "' (1 to " + std::to_string(kMaxArtSide) + ")");
        if (target == &chars_ && v != 1 && v != 2) Fail(line, "bad chars '" + w[1] + "' (1 or 2)");
        *target = v;
    }

    void Colour(const std::string& s, const std::vector<std::string>& w, int line) {
        if (w.size() != 2) Fail(line, "expected '<key> #RRGGBB', got '" + s + "'");
        const std::string& key = w[0];
        if (static_cast<int>(key.size()) != chars_)
            Fail(line, "colour key '" + key + "' must be " + std::to_string(chars_) + " character(s) long");
        for (char c : key)
            if (!IsKeyChar(c)) Fail(line, "colour key '" + key + "' has a character that cannot be a key");
        Rgb rgb;
        if (!ParseColour(w[1], rgb)) Fail(line, "bad colour '" + w[1] + "' (expected #RRGGBB)");
        if (!palette_.emplace(key, rgb).second) Fail(line, "colour key '" + key + "' defined twice");
    }

    void Row(const std::string& s, int line) {
        if (rows_ == height_) Fail(line, "more rows than the height " + std::to_string(height_));
        const size_t expect = static_cast<size_t>(width_) * chars_;
        if (s.size() != expect)
            Fail(line, "row " + std::to_string(rows_ + 1) + " is " + std::to_string(s.size()) +
                           " characters long, expected " + std::to_string(expect));
        for (size_t i = 0; i < s.size(); i += chars_) {
            std::string key = s.substr(i, chars_);
            auto it = palette_.find(key);
            if (it == palette_.end())
                Fail(line, "unknown colour key '" + key + "' at column " + std::to_string(i / chars_ + 1));
            image_.pixels.push_back(it->second);
        }
        ++rows_;
    }

    static std::string Join(const std::vector<std::string>& w) {
        std::string out;
        for (const auto& x : w) out += (out.empty() ? "" : " ") + x;
        return out;
    }

    const std::string& text_;
    const std::string& file_;
    int width_ = 0, height_ = 0, chars_ = 1;
    std::set<std::string> seen_;
    int rows_ = 0;
    std::map<std::string, Rgb> palette_;
    Image image_;
};

void Put16(std::string& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

} // namespace

Image ParseArt(const std::string& text, const std::string& fileName) {
    return Parser(text, fileName).Run();
}

Image LoadArt(const std::string& path) {
    return ParseArt(ReadWholeFile(path), path);
}

std::vector<Rgb> UsedColours(const Image& image) {
    std::vector<Rgb> out;
    std::map<std::uint32_t, bool> seen;
    for (const Rgb& p : image.pixels) {
        std::uint32_t k = (std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b;
        if (seen.emplace(k, true).second) out.push_back(p);
    }
    return out;
}

std::string EncodeBmp(const Image& image, int depth) {
    if (depth != 8 && depth != 24) throw ArtError("bitmap depth must be 8 or 24, not " + std::to_string(depth));
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height)
        throw ArtError("picture has no pixels");

    std::vector<Rgb> palette;
    std::map<std::uint32_t, std::uint8_t> index;
    if (depth == 8) {
        palette = UsedColours(image);
        if (palette.size() > 256)
            throw ArtError("picture uses " + std::to_string(palette.size()) + " colours, more than an 8-bit bitmap holds");
        for (size_t i = 0; i < palette.size(); ++i) {
            const Rgb& p = palette[i];
            index[(std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b] = static_cast<std::uint8_t>(i);
        }
    }

    const std::uint32_t bytesPerPixel = depth / 8;
    const std::uint32_t stride = (static_cast<std::uint32_t>(image.width) * bytesPerPixel + 3u) & ~3u;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(image.height);
    const std::uint32_t paletteSize = depth == 8 ? 256u * 4u : 0u;
    const std::uint32_t offBits = 14u + 40u + paletteSize;

    std::string out;
    out.reserve(offBits + imageSize);
    // BITMAPFILEHEADER
    out += "BM";
    Put32(out, offBits + imageSize);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, offBits);
    // BITMAPINFOHEADER; a positive height means bottom-up rows.
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(image.width));
    Put32(out, static_cast<std::uint32_t>(image.height));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(depth));
    Put32(out, 0);           // BI_RGB
    Put32(out, imageSize);
    Put32(out, 2835);        // 72 dpi
    Put32(out, 2835);
    Put32(out, depth == 8 ? 256u : 0u);
    Put32(out, 0);
    if (depth == 8) {
        for (size_t i = 0; i < 256; ++i) {
            Rgb p = i < palette.size() ? palette[i] : Rgb{};
            out.push_back(static_cast<char>(p.b));
            out.push_back(static_cast<char>(p.g));
            out.push_back(static_cast<char>(p.r));
            out.push_back('\0');
        }
    }
    for (int y = image.height - 1; y >= 0; --y) {
        size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const Rgb p = image.At(x, y);
            if (depth == 8) {
                out.push_back(static_cast<char>(index[(std::uint32_t(p.r) << 16) | (std::uint32_t(p.g) << 8) | p.b]));
            } else {
                out.push_back(static_cast<char>(p.b));
                out.push_back(static_cast<char>(p.g));
                out.push_back(static_cast<char>(p.r));
            }
        }
        while (out.size() - rowStart < stride) out.push_back('\0');
    }
    return out;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ArtError(path + ": cannot open file");
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) throw ArtError(path + ": cannot read file");
    return ss.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) throw ArtError(path + ": cannot create file");
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::remove(temp.c_str());
            throw ArtError(path + ": cannot write file");
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        throw ArtError(path + ": cannot replace file");
    }
}

} // namespace kelt::art
