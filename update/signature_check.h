#pragma once
// Checking the publisher's signature over the update information with the system's
// cryptography (CNG, bcrypt.dll): ECDSA P-256 with SHA-256.
#include <string>
#include <vector>

namespace kelt::update {

// Empty when one of `signatures` (DER ECDSA-Sig-Values) signs `signedBytes` with one of
// `publicKeys` (each the point X, Y as ParseP256PublicKey gives it); otherwise why none does.
// Several of each let a publisher move to a new key: a release signed with both old and new
// key is accepted by a deployment that knows either.
std::string SignatureProblem(const std::vector<std::string>& publicKeys, const std::vector<std::string>& signatures,
                             const std::string& signedBytes);

// SHA-256 of `bytes` (32 raw bytes); empty when the system cannot compute it.
std::string Sha256(const std::string& bytes);

} // namespace kelt::update
