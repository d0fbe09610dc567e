#include "ui/text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace kelt::ui {

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, &wide[0], length);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), size, &narrow[0], length, nullptr, nullptr);
    return narrow;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    return CompareNamesIgnoringCase(a, b) == 0;
}

int CompareNamesIgnoringCase(const std::string& a, const std::string& b)
{
    const std::wstring wideA = Wide(a), wideB = Wide(b);
    const int order = ::CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                                             static_cast<int>(wideB.size()), TRUE);
    return order == 0 ? a.compare(b) : order - CSTR_EQUAL;
}

void CopyText(char* buffer, int size, const std::string& text)
{
    if (!buffer || size <= 0)
        return;
    std::size_t length = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size) - 1);
    // A UTF-8 continuation byte starts no character: cut before the one it belongs to.
    if (length < text.size() && ::GetACP() == CP_UTF8)
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

} // namespace kelt::ui
