#pragma once
// The text handling of the search window, free of windows: cutting a field into words,
// reading the "Max results" field, and finding the words in a found description so it can
// show them in bold.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kelt {

// Cuts a field at blanks (character 32 only: a tab belongs to its word); runs of blanks count
// as one. The list is emptied first; answers the number of words.
int SplitWords(const std::string& text, std::vector<std::string>& words);

// How the "Max results" text reads. Blanks around it are allowed.
enum class JTResultLimit {
    Unlimited,  // "Unlimited" in any case
    Number,     // a whole decimal number from 1 to the largest 32-bit number
    TooLarge,   // a whole decimal number above that
    Invalid,    // anything else (0, a sign, other characters, nothing)
};

// Reads the "Max results" text; `limit` is set for a Number only.
JTResultLimit ParseResultLimit(const std::string& text, int& limit);

// Where the words occur in `text`, as sorted, non-overlapping (start, length) ranges; touching
// or overlapping occurrences merge. Outside case-sensitive searches letters compare as the
// catalogue's search compares them (a-z as A-Z).
std::vector<std::pair<std::size_t, std::size_t>> WordRanges(const std::string& text,
                                                            const std::vector<std::string>& words,
                                                            bool caseSensitive);

} // namespace kelt
