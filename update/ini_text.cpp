#include "update/ini_text.h"

#include <cstddef>


namespace kelt::update {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string Unquote(const std::string& raw)
{
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"')
        return raw.substr(1, raw.size() - 2);
    return raw;
}

// One line of INI text as Parse sees it.
struct Line {
    std::size_t begin, end, next;  // content [begin, end), the following line at next
};

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::size_t next = end;
        if (next < text.size() && text[next] == '\r')
            ++next;
        if (next < text.size() && text[next] == '\n')
            ++next;
        lines.push_back(Line{pos, end, next});
        pos = next;
    }
    return lines;
}

} // namespace

IniText IniText::Parse(const std::string& text)
{
    IniText ini;
    std::size_t current = 0;
    bool inSection = false;
    std::size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        pos = 3;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            const std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            const auto found = ini.bySection_.emplace(Lower(name), ini.sections_.size());
            if (found.second)
                ini.sections_.push_back(Section{name, {}, {}});
            current = found.first->second;
            inSection = true;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos)
            continue;
        const std::string key = Trim(line.substr(0, equals));
        const std::string raw = Trim(line.substr(equals + 1));
        if (key.empty())
            continue;
        Section& section = ini.sections_[current];
        if (section.byKey.emplace(Lower(key), section.pairs.size()).second)
            section.pairs.push_back(Pair{key, Unquote(raw), raw});
    }
    return ini;
}

const IniText::Section* IniText::Find(const std::string& section) const
{
    const auto found = bySection_.find(Lower(section));
    return found == bySection_.end() ? nullptr : &sections_[found->second];
}

const IniText::Pair* IniText::FindPair(const std::string& section, const std::string& key) const
{
    const Section* s = Find(section);
    if (!s)
        return nullptr;
    const auto found = s->byKey.find(Lower(key));
    return found == s->byKey.end() ? nullptr : &s->pairs[found->second];
}

bool IniText::HasSection(const std::string& section) const
{
    return Find(section) != nullptr;
}

std::vector<std::string> IniText::Keys(const std::string& section) const
{
    std::vector<std::string> keys;
    if (const Section* s = Find(section))
        for (const Pair& p : s->pairs)
            keys.push_back(p.key);
    return keys;
}

bool IniText::Has(const std::string& section, const std::string& key) const
{
    return FindPair(section, key) != nullptr;
}

std::string IniText::Get(const std::string& section, const std::string& key, const std::string& fallback) const
{
    const Pair* p = FindPair(section, key);
    return p ? p->value : fallback;
}

std::string IniText::GetRaw(const std::string& section, const std::string& key, const std::string& fallback) const
{
    const Pair* p = FindPair(section, key);
    return p ? p->raw : fallback;
}

std::string SetIniValue(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& rawValue)
{
    const std::string wantSection = Lower(Trim(section));
    const std::string wantKey = Lower(Trim(key));
    const std::vector<Line> lines = SplitLines(text);
    bool inside = false;
    bool seenSection = false;
    std::size_t insertAt = std::string::npos;  // after the last line of the section's first occurrence
    for (const Line& l : lines) {
        const std::string line = Trim(text.substr(l.begin, l.end - l.begin));
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            const std::size_t close = line.find(']');
            const bool match = Lower(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1))) ==
                               wantSection;
            // Parse reads the first occurrence of a section and adds the keys of later ones.
            if (inside && !match && insertAt == std::string::npos)
                insertAt = l.begin;
            inside = match;
            if (match && !seenSection) {
                seenSection = true;
                insertAt = std::string::npos;
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inside || equals == std::string::npos || Lower(Trim(line.substr(0, equals))) != wantKey)
            continue;
        // The first occurrence is the one that counts: replace its value, keep everything else.
        const std::size_t at = text.find('=', l.begin);
        return text.substr(0, at + 1) + rawValue + text.substr(l.end);
    }
    const std::string pair = Trim(key) + "=" + rawValue + "\r\n";
    if (seenSection) {
        if (insertAt == std::string::npos)
            insertAt = text.size();
        // Behind the section's last non-empty line, so blank lines before the next section stay there.
        std::size_t after = 0;
        for (const Line& l : lines)
            if (l.begin < insertAt && !Trim(text.substr(l.begin, l.end - l.begin)).empty())
                after = l.next;
        std::string prefix = text.substr(0, after);
        if (!prefix.empty() && prefix.back() != '\n' && prefix.back() != '\r')
            prefix += "\r\n";
        return prefix + pair + text.substr(after);
    }
    std::string out = text;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r')
        out += "\r\n";
    return out + "[" + Trim(section) + "]\r\n" + pair;
}

bool ParseUnsigned(const std::string& text, std::uint64_t& value)
{
    if (text.empty() || text.size() > 18)
        return false;
    std::uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + static_cast<std::uint64_t>(c - '0');
    }
    value = v;
    return true;
}

} // namespace kelt::update
