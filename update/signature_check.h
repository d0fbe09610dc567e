#pragma once
// Checking the publisher's signature over the update information with the system's
// cryptography (CNG, bcrypt.dll): ECDSA P-256 with SHA-256.
#include <string>

namespace kelt::update {

// Why the signature file `signatureText` (update.sig as served) does not sign `signedBytes` with
// the key `publicKey` (the point X, Y as ParseP256PublicKey gives it); empty when it does.
std::string SignatureProblem(const std::string& publicKey, const std::string& signatureText,
                             const std::string& signedBytes);

// SHA-256 of `bytes` (32 raw bytes); empty when the system cannot compute it.
std::string Sha256(const std::string& bytes);

} // namespace kelt::update
