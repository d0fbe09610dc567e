#pragma once
// Text forms of registry values as the edit rows, the edit-value dialog and the restore
// dialog show them. Portable: no <windows.h>.
//
// An item's value travels in its text form: a string unchanged, a DWORD in signed decimal,
// binary data as its raw bytes (one char per byte). What the user sees differs for DWORDs
// (normalised) and for binary data (a length line in rows, hexadecimal byte pairs in the
// dialog and in lists).
#include <cstdint>
#include <string>

namespace kelt {

// Value type codes of an item (iRegType).
enum : int { kValueString = 0, kValueDword = 1, kValueBinary = 2 };

// Display form of a value in an edit row. Empty text stays empty. A DWORD is re-written in
// signed decimal (007 -> 7, +5 -> 5); text that is not an integer raises ConversionError.
// Binary data gives "Value is Binary data with length:<n>". Other types give "".
std::string FormatValue(int type, const std::string& text);

// Reads text the way the C library's "%X" conversion does: leading white space skipped, an
// optional sign and "0x" prefix, then hexadecimal digits up to the first other character.
// No digit gives 0. The number is kept to 32 bits (wrapping), so "ffffffff" is -1.
std::int32_t HexToInt(const std::string& text);

// A 32-bit number in upper-case hexadecimal with as few digits as needed ("1F", "FFFFFFFF",
// "0").
std::string IntToHex(std::int32_t value);

// Binary data as hexadecimal byte pairs separated by one blank: bytes 01 FF 10 give
// "01 FF 10"; no data gives "".
std::string BinToText(const std::string& data);

// Reads byte pairs back into raw bytes. White space between pairs is optional and ignored,
// digits may be in either case; every run of digits must hold whole pairs. Text that is not
// byte pairs answers false and leaves `data` untouched.
bool TextToBin(const std::string& text, std::string& data);

// The text under which a recorded value is listed: string and DWORD as they are, binary as
// BinToText, other types "".
std::string ValueText(int type, const std::string& text);

// True when `text` converts to a 32-bit integer with the program's text-to-integer
// conversion (the same test FormatValue and the registry write apply).
bool IsIntegerText(const std::string& text);

// A DWORD text in normal form (signed decimal without leading zeros or plus sign): true with
// `normal` set when `text` is an integer; false, leaving `normal` alone, when it is not.
bool NormalDword(const std::string& text, std::string& normal);

// Where the caret goes when the typed text is rewritten in normal form while the user types:
// as far from the end as it was (never before the start), so what followed it still does.
// `caret` is its position in `typed`.
int CaretAfterRewrite(const std::string& typed, int caret, const std::string& normal);

} // namespace kelt
