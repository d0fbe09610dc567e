#pragma once
// Text is held as UTF-8 (the programs' code page): a character may take one to four bytes.
// These helpers count and cut such text by characters; bytes that are no valid UTF-8 (text of
// an older single-byte code page) count one character each.
#include <cstddef>
#include <string_view>

namespace kelt {

// Whether `text` is well-formed UTF-8 (plain ASCII is).
bool IsUtf8(std::string_view text);
// The number of characters of `text`.
std::size_t Utf8Length(std::string_view text);
// The length of the longest start of `text` of at most `maxBytes` bytes that does not end inside
// a character.
std::size_t Utf8Prefix(std::string_view text, std::size_t maxBytes);

} // namespace kelt
