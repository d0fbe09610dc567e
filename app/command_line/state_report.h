#pragma once
// The audit of one machine: every tweak of the catalogue with the state the registry holds,
// as a CSV table (RFC 4180) or a JSON document, both UTF-8.
#include <string>
#include <vector>

namespace kelt {

struct JTTweakState {
    std::string catalogue;    // the kind's name
    std::string style;        // "check" or "edit"
    std::string description;
    std::string path;         // root \ key \ value name
    std::string type;         // "REG_SZ", "REG_DWORD", "REG_BINARY"
    bool suited = true;       // offered on this Windows
    std::string notSuitedWhy; // "for WindowsXP, Windows7 (this is Windows11)", "for the Enterprise editions (this is Pro)"
    std::string state;        // "on", "off" (check); "set", "not set" (edit); "other type"
    bool valueSet = false;
    std::string value;        // as the program lists values (binary as byte pairs); "" when not set
};

// Reads the three catalogue tables of the program folder (with its trailing backslash) and
// every tweak's value, in the order the window shows them: kind by kind, check-styled before
// edit-styled. Nothing is written. A table that cannot be read or is of another version
// raises an error naming it.
std::vector<JTTweakState> ReadTweakStates(const std::string& programFolder);

// Program text in, UTF-8 out. `computer` and `windows` name the machine and its Windows.
std::string TweakStatesCsv(const std::vector<JTTweakState>& tweaks, const std::string& computer);
std::string TweakStatesJson(const std::vector<JTTweakState>& tweaks, const std::string& computer,
                            const std::string& windows);

} // namespace kelt
