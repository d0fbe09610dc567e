#pragma once
// The deployment's one setting: where the update server is. Update.ini beside Update.exe:
//   [Server]
//   BaseAddress=http://host/update/
// Portable.
#include <string>

#include "update/ini_text.h"

namespace kelt::update {

extern const char kSettingsFile[];  // "Update.ini"

struct ServerSetting {
    bool ok = false;
    std::string baseAddress;  // when ok: http:// or https://, a host, ending with "/"
    std::string problem;      // when not ok: the message for the user
};

// `found` tells whether Update.ini could be read at all.
ServerSetting ReadServerSetting(bool found, const IniText& ini);

} // namespace kelt::update
