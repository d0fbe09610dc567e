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

JTResultLimit ParseResultLimit(const std::string& text, int& limit)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return JTResultLimit::Invalid;
    const std::string word = text.substr(first, text.find_last_not_of(' ') + 1 - first);
    if (UpperText(word) == "UNLIMITED")
        return JTResultLimit::Unlimited;
    long long value = 0;
    bool tooLarge = false;
    for (char c : word) {
        if (c < '0' || c > '9')
            return JTResultLimit::Invalid;
        // Keeps reading to tell a long number from text that is no number at all.
        if (!tooLarge) {
            value = value * 10 + (c - '0');
            tooLarge = value > INT_MAX;
        }
    }
    if (tooLarge)
        return JTResultLimit::TooLarge;
    if (value < 1)
        return JTResultLimit::Invalid;
    limit = static_cast<int>(value);
    return JTResultLimit::Number;
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
