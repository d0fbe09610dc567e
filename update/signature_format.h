#pragma once
// The publisher's key and signatures as they travel: base64 text around DER. Everything here
// reads untrusted bytes (Update.ini, update.sig from the server), so every reader is strict:
// exact structure, minimal encodings, nothing left over. Portable; the signature itself is
// checked by the system's cryptography (signature_check.h).
#include <cstddef>
#include <string>

namespace kelt::update {

// The signature file that updaters before the signed release record check (base64 of one DER
// ECDSA signature over the four information files joined); publishers keep serving it for them.
// This updater reads release.rec instead, and never installs a file under either name.
extern const char kSignatureFile[];  // "update.sig"
// What a signature file may weigh; a real one is about a hundred bytes.
constexpr std::size_t kMaxSignatureFileBytes = 4096;

// Standard base64 with '=' padding; blanks, tabs and line ends between characters are skipped.
// False for any other character, wrong padding, unused bits that are not zero, or no data.
bool DecodeBase64(const std::string& text, std::string& bytes);

// The DER SubjectPublicKeyInfo of an ECDSA P-256 key (id-ecPublicKey, prime256v1, an
// uncompressed point). `point` receives X and Y, 32 bytes each.
bool ParseP256PublicKey(const std::string& der, std::string& point);

// A DER ECDSA-Sig-Value (SEQUENCE of the INTEGERs r and s, each positive and minimally
// encoded, at most 256 bits). `rs` receives r and s as 32 big-endian bytes each.
bool ParseEcdsaSignature(const std::string& der, std::string& rs);

} // namespace kelt::update
