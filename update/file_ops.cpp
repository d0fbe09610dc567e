#include "update/file_ops.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

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

Sha256Stream::Sha256Stream()
{
    if (!::CryptAcquireContextA(&provider_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        provider_ = 0;
    else if (!::CryptCreateHash(provider_, CALG_SHA_256, 0, 0, &hash_))
        hash_ = 0;
    failed_ = !hash_;
}

Sha256Stream::~Sha256Stream()
{
    if (hash_)
        ::CryptDestroyHash(hash_);
    if (provider_)
        ::CryptReleaseContext(provider_, 0);
}

bool Sha256Stream::Add(const char* data, DWORD size)
{
    failed_ = failed_ || !::CryptHashData(hash_, reinterpret_cast<const BYTE*>(data), size, 0);
    return !failed_;
}

std::string Sha256Stream::HexValue()
{
    BYTE value[32];
    DWORD size = sizeof value;
    if (failed_ || !::CryptGetHashParam(hash_, HP_HASHVAL, value, &size, 0) || size != sizeof value)
        return {};
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (BYTE b : value) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::string Sha256OfFile(const std::string& path)
{
    ui::UniqueKernelHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    Sha256Stream hash;
    if (!file)
        return {};
    std::vector<char> buffer(kBodyPiece);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return {};
        if (read == 0)
            break;
        if (!hash.Add(buffer.data(), read))
            return {};
    }
    return hash.HexValue();
}

namespace {

// Full control for the administrators and the system, inherited by everything inside, and
// nothing inherited from the folder above.
const char kStagingAccess[] = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

class SecurityDescriptor {
public:
    explicit SecurityDescriptor(const char* sddl)
    {
        if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor_, nullptr))
            descriptor_ = nullptr;
    }
    ~SecurityDescriptor()
    {
        if (descriptor_)
            ::LocalFree(descriptor_);
    }
    SecurityDescriptor(const SecurityDescriptor&) = delete;
    SecurityDescriptor& operator=(const SecurityDescriptor&) = delete;
    PSECURITY_DESCRIPTOR get() const { return descriptor_; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

} // namespace

bool MakeStagingFolder(const std::string& folder, std::string& problem)
{
    SecurityDescriptor descriptor(kStagingAccess);
    PACL dacl = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!descriptor.get() || !::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) || !dacl) {
        problem = "its access list cannot be made (" + LastErrorText() + ")";
        return false;
    }
    std::string path = folder;
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    // A link would send the downloads wherever it points: only a real folder is used.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!((attributes & FILE_ATTRIBUTE_DIRECTORY) ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str()))) {
            problem = "a link is in its place and cannot be removed (" + LastErrorText() + ")";
            return false;
        }
        attributes = INVALID_FILE_ATTRIBUTES;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SECURITY_ATTRIBUTES security{sizeof security, descriptor.get(), FALSE};
        if (::CreateDirectoryA(path.c_str(), &security))
            return true;
        attributes = ::GetFileAttributesA(path.c_str());
    }
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        problem = "it cannot be created (" + LastErrorText() + ")";
        return false;
    }
    const DWORD status = ::SetNamedSecurityInfoA(&path[0], SE_FILE_OBJECT,
                                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                                 nullptr, nullptr, dacl, nullptr);
    if (status != ERROR_SUCCESS) {
        ::SetLastError(status);
        problem = "its access cannot be limited to administrators (" + LastErrorText() + ")";
        return false;
    }
    return true;
}

std::string LastErrorText()
{
    const DWORD error = ::GetLastError();
    switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return "it is in use";
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    default:
        return "Windows error " + std::to_string(error);
    }
}

std::string RunningProgramAside(const std::string& runningProgram)
{
    return runningProgram + ".old";
}

} // namespace kelt::update
