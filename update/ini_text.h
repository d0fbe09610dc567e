#pragma once
// INI text as the Windows profile functions read it: "[section]" lines, "key=value" lines,
// comment lines starting with ';'. Sections and keys compare without case (ASCII), blanks
// around names and values are dropped, a value in a pair of double quotes loses them, and
// the first occurrence of a key wins (a section that appears twice adds its new keys). Lines
// end at LF, CR LF or CR. Used for the information files the server publishes and for
// Update.ini. Portable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace kelt::update {

class IniText {
public:
    static IniText Parse(const std::string& text);

    bool HasSection(const std::string& section) const;
    // The keys of a section in file order, each once, spelled as first written.
    std::vector<std::string> Keys(const std::string& section) const;
    bool Has(const std::string& section, const std::string& key) const;
    std::string Get(const std::string& section, const std::string& key, const std::string& fallback) const;
    // The value as written: blanks around it dropped, double quotes kept. Written back as it is,
    // it reads as the same value.
    std::string GetRaw(const std::string& section, const std::string& key, const std::string& fallback) const;

private:
    struct Pair {
        std::string key, value, raw;
    };
    struct Section {
        std::string name;
        std::vector<Pair> pairs;
        std::unordered_map<std::string, std::size_t> byKey;  // lower-case key -> index in pairs
    };
    const Section* Find(const std::string& section) const;
    const Pair* FindPair(const std::string& section, const std::string& key) const;

    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> bySection_;  // lower-case name -> index
};

// `text` with the value of `key` in `section` set to `rawValue`, written as it is; every other
// byte stays. A key that is missing is added after the last line of the section's first
// occurrence, a missing section at the end. `rawValue` must hold no line end.
std::string SetIniValue(const std::string& text, const std::string& section, const std::string& key,
                        const std::string& rawValue);

// A whole non-negative decimal number and nothing else (blanks already trimmed); false for
// anything else, including numbers beyond 2^63.
bool ParseUnsigned(const std::string& text, std::uint64_t& value);

} // namespace kelt::update
