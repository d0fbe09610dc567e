#pragma once
// The deployment's settings: where the update server is and whose signature its information
// must carry, and which releases it follows. Update.ini beside Update.exe (only administrators
// can change it):
//   [Server]
//   BaseAddress=http://host/update/
//   PublicKey=<base64 of the publisher's DER SubjectPublicKeyInfo, ECDSA P-256>
//   PublicKey2=<another key, while the publisher moves to it> (PublicKey<digits>, up to eight keys)
//   Product=Keltrix      (the default)
//   Channel=stable       (the default)
// Portable.
#include <string>
#include <vector>

#include "update/ini_text.h"

namespace kelt::update {

extern const char kSettingsFile[];  // "Update.ini"

struct ServerSetting {
    bool ok = false;
    std::string baseAddress;  // when ok: http:// or https://, a host, ending with "/"
    std::string problem;      // when not ok: the message for the user
    // The publisher's keys as points X, Y (32 bytes each); empty when there is no usable key,
    // and keyProblem then says why. Without a key nothing may be installed.
    std::vector<std::string> publicKeys;
    std::string keyProblem;
    // What a release must name to be installed here.
    std::string product = "Keltrix";
    std::string channel = "stable";
};

// `found` tells whether Update.ini could be read at all.
ServerSetting ReadServerSetting(bool found, const IniText& ini);

} // namespace kelt::update
