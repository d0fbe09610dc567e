#include "update/file_ops.h"

#include <wincrypt.h>

#include <vector>

#include "update/file_names.h"
#include "update/limits.h"
#include "ui/handles.h"

namespace kelt::update {

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2];
    const DWORD n = ::GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& bytes)
{
    ui::UniqueKernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<std::uint64_t>(size.QuadPart) > limit)
        return false;
    bytes.assign(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    return bytes.empty() || (::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) &&
                             read == bytes.size());
}

bool FileSize(const std::string& path, std::uint64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool EnsureFolder(const std::string& folder)
{
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return ui::FolderExists(folder);
}

bool ReplaceFileBytes(const std::string& path, const std::string& bytes)
{
    const std::string temporary = path + ".new";
    {
        ui::UniqueKernelHandle file(::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || (!bytes.empty() && (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                                      &written, nullptr) ||
                                         written != bytes.size()))) {
            file.reset();
            ::DeleteFileA(temporary.c_str());
            return false;
        }
    }
    if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

namespace {

class CryptContext {
public:
    CryptContext()
    {
        if (!::CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
            provider_ = 0;
    }
    ~CryptContext()
    {
        if (hash_)
            ::CryptDestroyHash(hash_);
        if (provider_)
            ::CryptReleaseContext(provider_, 0);
    }
    CryptContext(const CryptContext&) = delete;
    CryptContext& operator=(const CryptContext&) = delete;

    bool Begin() { return provider_ && ::CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_); }
    bool Add(const char* data, DWORD size)
    {
        return ::CryptHashData(hash_, reinterpret_cast<const BYTE*>(data), size, 0) != FALSE;
    }
    std::string HexValue()
    {
        BYTE value[32];
        DWORD size = sizeof value;
        if (!::CryptGetHashParam(hash_, HP_HASHVAL, value, &size, 0) || size != sizeof value)
            return {};
        static const char kDigits[] = "0123456789abcdef";
        std::string hex;
        for (BYTE b : value) {
            hex += kDigits[b >> 4];
            hex += kDigits[b & 15];
        }
        return hex;
    }

private:
    HCRYPTPROV provider_ = 0;
    HCRYPTHASH hash_ = 0;
};

} // namespace

std::string Sha256OfFile(const std::string& path)
{
    ui::UniqueKernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    CryptContext crypt;
    if (!file || !crypt.Begin())
        return {};
    std::vector<char> buffer(kBodyPiece);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return {};
        if (read == 0)
            break;
        if (!crypt.Add(buffer.data(), read))
            return {};
    }
    return crypt.HexValue();
}

std::string RunningProgramAside(const std::string& runningProgram)
{
    return runningProgram + ".old";
}

bool InstallFile(const std::string& source, const std::string& target, const std::string& runningProgram)
{
    const std::string temporary = target + ".new";
    if (!::CopyFileA(source.c_str(), temporary.c_str(), FALSE))
        return false;
    const bool replacingSelf = !runningProgram.empty() && SameFileName(FullPath(target), FullPath(runningProgram));
    const std::string aside = RunningProgramAside(target);
    if (replacingSelf && !::MoveFileExA(target.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    if (!::MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (replacingSelf)
            ::MoveFileExA(aside.c_str(), target.c_str(), 0);
        ::DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace kelt::update
