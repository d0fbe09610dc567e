#include "catalogue/platform/int_text.h"

#include <cstdint>

namespace kelt {

bool TryStrToInt(const std::string& text, int& value)
{
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size())
        return false;
    // Accumulate as a negative number so INT_MIN fits without overflow.
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9')
            return false;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit)
            return false;
    }
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

int StrToInt(const std::string& text)
{
    int value = 0;
    if (!TryStrToInt(text, value))
        throw ConversionError("'" + text + "' is not a valid integer value");
    return value;
}

std::string IntToStr(int value)
{
    return std::to_string(value);
}

} // namespace kelt
