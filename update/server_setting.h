#pragma once
// The deployment's settings: where the update server is and whose signature its information
// must carry. Update.ini beside Update.exe (only administrators can change either):
//   [Server]
//   BaseAddress=http://host/update/
//   PublicKey=<base64 of the publisher's DER SubjectPublicKeyInfo, ECDSA P-256>
// Portable.
#include <string>

#include "update/ini_text.h"

namespace kelt::update {

extern const char kSettingsFile[];  // "Update.ini"

struct ServerSetting {
    bool ok = false;
    std::string baseAddress;  // when ok: http:// or https://, a host, ending with "/"
    std::string problem;      // when not ok: the message for the user
    // The publisher's key as the point X, Y (32 bytes each); empty when there is no usable key,
    // and keyProblem then says why. Without a key nothing may be installed.
    std::string publicKey;
    std::string keyProblem;
};

// `found` tells whether Update.ini could be read at all.
ServerSetting ReadServerSetting(bool found, const IniText& ini);

} // namespace kelt::update
