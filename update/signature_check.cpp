#include "update/signature_check.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <vector>

#include "update/release_record.h"
#include "update/signature_format.h"

namespace kelt::update {

namespace {

bool Succeeded(NTSTATUS status)
{
    return status >= 0;
}

class Algorithm {
public:
    explicit Algorithm(LPCWSTR name)
    {
        if (!Succeeded(::BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0)))
            handle_ = nullptr;
    }
    ~Algorithm()
    {
        if (handle_)
            ::BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
};

class Key {
public:
    Key() = default;
    ~Key()
    {
        if (handle_)
            ::BCryptDestroyKey(handle_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    BCRYPT_KEY_HANDLE* out() { return &handle_; }
    BCRYPT_KEY_HANDLE get() const { return handle_; }

private:
    BCRYPT_KEY_HANDLE handle_ = nullptr;
};

class Hash {
public:
    explicit Hash(BCRYPT_ALG_HANDLE algorithm)
    {
        if (!algorithm || !Succeeded(::BCryptCreateHash(algorithm, &handle_, nullptr, 0, nullptr, 0, 0)))
            handle_ = nullptr;
    }
    ~Hash()
    {
        if (handle_)
            ::BCryptDestroyHash(handle_);
    }
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;
    BCRYPT_HASH_HANDLE get() const { return handle_; }

private:
    BCRYPT_HASH_HANDLE handle_ = nullptr;
};

} // namespace

std::string Sha256(const std::string& bytes)
{
    Algorithm algorithm(BCRYPT_SHA256_ALGORITHM);
    Hash hash(algorithm.get());
    if (!hash.get())
        return {};
    // Hashed in pieces: one call takes at most a ULONG of bytes.
    for (std::size_t at = 0; at < bytes.size(); at += 1u << 30) {
        const std::size_t piece = bytes.size() - at < (1u << 30) ? bytes.size() - at : (1u << 30);
        if (!Succeeded(::BCryptHashData(hash.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at)),
                                        static_cast<ULONG>(piece), 0)))
            return {};
    }
    unsigned char value[32];
    if (!Succeeded(::BCryptFinishHash(hash.get(), value, sizeof value, 0)))
        return {};
    return std::string(reinterpret_cast<const char*>(value), sizeof value);
}

namespace {

// Whether `rs` (r and s, 32 bytes each) signs `digest` with the key `point`.
bool Verifies(const std::string& point, const std::string& rs, const std::string& digest)
{
    // The key as CNG takes it: a header, then X and Y.
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 64);
    BCRYPT_ECCKEY_BLOB header{};
    header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header.cbKey = 32;
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, point.data(), 64);

    Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    Key key;
    if (!ecdsa.get() || !Succeeded(::BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.out(),
                                                          blob.data(), static_cast<ULONG>(blob.size()), 0)))
        return false;
    std::string signature = rs;
    return Succeeded(::BCryptVerifySignature(key.get(), nullptr,
                                             reinterpret_cast<PUCHAR>(const_cast<char*>(digest.data())), 32,
                                             reinterpret_cast<PUCHAR>(&signature[0]), 64, 0));
}

} // namespace

std::string SignatureProblem(const std::vector<std::string>& publicKeys, const std::vector<std::string>& signatures,
                             const std::string& signedBytes)
{
    std::vector<std::string> pairs;
    for (const std::string& der : signatures) {
        std::string rs;
        if (ParseEcdsaSignature(der, rs))
            pairs.push_back(rs);
    }
    if (pairs.empty())
        return std::string(kReleaseFile) + " holds no ECDSA signature";
    const std::string digest = Sha256(signedBytes);
    if (digest.size() != 32)
        return "the update information could not be hashed";
    for (const std::string& point : publicKeys)
        for (const std::string& rs : pairs)
            if (point.size() == 64 && Verifies(point, rs, digest))
                return {};
    return "the signature does not match the publisher key";
}

} // namespace kelt::update
