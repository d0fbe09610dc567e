#include "update/file_names.h"

#include <cstddef>

namespace kelt::update {

namespace {

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsReservedDevice(const std::string& name)
{
    // The device is named by the part before the first dot, blanks at its end ignored.
    std::size_t end = name.find('.');
    if (end == std::string::npos)
        end = name.size();
    while (end > 0 && name[end - 1] == ' ')
        --end;
    std::string stem;
    for (std::size_t i = 0; i < end; ++i)
        stem += Lower(name[i]);
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul" || stem == "conin$" || stem == "conout$")
        return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

} // namespace

bool IsPlainFileName(const std::string& name)
{
    if (name.empty() || name.size() > 200)
        return false;
    if (name[0] == ' ' || name[0] == '[' || name[0] == ';')
        return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c > 0x7E)
            return false;
        switch (c) {
        case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|': case '=':
            return false;
        default:
            break;
        }
    }
    if (name.find("..") != std::string::npos)
        return false;
    const char last = name.back();
    if (last == '.' || last == ' ')
        return false;
    return !IsReservedDevice(name);
}

std::string PrintableName(const std::string& name)
{
    std::string out = name;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return out;
}

bool SameFileName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool IsInsideFolder(const std::string& path, const std::string& folder)
{
    if (folder.empty() || (folder.back() != '\\' && folder.back() != '/') || path.size() <= folder.size())
        return false;
    for (std::size_t i = 0; i < folder.size(); ++i) {
        const char p = path[i] == '/' ? '\\' : Lower(path[i]);
        const char f = folder[i] == '/' ? '\\' : Lower(folder[i]);
        if (p != f)
            return false;
    }
    std::size_t start = folder.size();
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace kelt::update
