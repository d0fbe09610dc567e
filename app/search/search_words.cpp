#include "app/search/search_words.h"

#include <algorithm>
#include <climits>

namespace kelt {

namespace {

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperText(std::string text)
{
    for (char& c : text)
        c = Upper(c);
    return text;
}

} // namespace

int SplitWords(const std::string& text, std::vector<std::string>& words)
{
    words.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
        const std::size_t end = std::min(text.find(' ', pos), text.size());
        if (end > pos)
            words.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return static_cast<int>(words.size());
}

bool ParseResultLimit(const std::string& text, int& limit)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return false;
    const std::size_t last = text.find_last_not_of(' ');
    long long value = 0;
    for (std::size_t i = first; i <= last; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return false;
    }
    if (value < 1)
        return false;
    limit = static_cast<int>(value);
    return true;
}

std::vector<std::pair<std::size_t, std::size_t>> WordRanges(const std::string& text,
                                                            const std::vector<std::string>& words,
                                                            bool caseSensitive)
{
    const std::string haystack = caseSensitive ? text : UpperText(text);
    std::vector<std::pair<std::size_t, std::size_t>> found;
    for (const std::string& original : words) {
        if (original.empty())
            continue;
        const std::string word = caseSensitive ? original : UpperText(original);
        for (std::size_t at = haystack.find(word); at != std::string::npos; at = haystack.find(word, at + 1))
            found.emplace_back(at, word.size());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::pair<std::size_t, std::size_t>> merged;
    for (const auto& [start, length] : found) {
        if (!merged.empty() && start <= merged.back().first + merged.back().second) {
            const std::size_t end = std::max(merged.back().first + merged.back().second, start + length);
            merged.back().second = end - merged.back().first;
        } else {
            merged.emplace_back(start, length);
        }
    }
    return merged;
}

} // namespace kelt
