#include "catalogue/value_format.h"

#include <algorithm>

#include "catalogue/platform/int_text.h"

namespace kelt {

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::string FormatValue(int type, const std::string& text) {
    if (text.empty()) return std::string();
    switch (type) {
    case kValueString:
        return text;
    case kValueDword:
        return IntToStr(StrToInt(text));
    case kValueBinary:
        return "Value is Binary data with length:" + std::to_string(text.size());
    default:
        return std::string();
    }
}

std::int32_t HexToInt(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // "%X" takes an optional 0x prefix; it only counts when a digit follows.
    if (i + 2 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigitValue(text[i + 2]) >= 0)
        i += 2;
    std::uint32_t value = 0;
    for (; i < n; ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0) break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::string IntToHex(std::int32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::uint32_t v = static_cast<std::uint32_t>(value);
    std::string out;
    do {
        out.insert(out.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return out;
}

std::string BinToText(const std::string& data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(data.size() * 3);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(data[i]);
        if (i > 0) out += ' ';
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
    return out;
}

bool TextToBin(const std::string& text, std::string& data) {
    std::string bytes;
    bytes.reserve(text.size() / 2);
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        const int high = HexDigitValue(text[i]);
        if (high < 0) return false;
        // The second digit of a pair must follow at once: "0 1" is not the byte 01.
        if (i + 1 >= n) return false;
        const int low = HexDigitValue(text[i + 1]);
        if (low < 0) return false;
        bytes += static_cast<char>((high << 4) | low);
        i += 2;
    }
    data = std::move(bytes);
    return true;
}

std::string ValueText(int type, const std::string& text) {
    switch (type) {
    case kValueString:
    case kValueDword:
        return text;
    case kValueBinary:
        return BinToText(text);
    default:
        return std::string();
    }
}

bool IsIntegerText(const std::string& text) {
    int value = 0;
    return TryStrToInt(text, value);
}

bool NormalDword(const std::string& text, std::string& normal) {
    int value = 0;
    if (!TryStrToInt(text, value)) return false;
    normal = IntToStr(value);
    return true;
}

int CaretAfterRewrite(const std::string& typed, int caret, const std::string& normal) {
    const int fromEnd = std::max(static_cast<int>(typed.size()) - caret, 0);
    return std::max(static_cast<int>(normal.size()) - fromEnd, 0);
}

} // namespace kelt
