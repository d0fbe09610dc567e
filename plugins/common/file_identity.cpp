#include "plugins/common/file_identity.h"

#include "ui/handles.h"

namespace kelt::plugin {

namespace {

// Opened for nothing but its attributes: folders too, and never held against other users.
ui::UniqueKernelHandle OpenForQuery(const std::string& path)
{
    return ui::UniqueKernelHandle(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

} // namespace

bool IdentityOf(const std::string& path, FileIdentity& identity)
{
    ui::UniqueKernelHandle file = OpenForQuery(path);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file || !::GetFileInformationByHandle(file.get(), &information))
        return false;
    identity.volume = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
    return true;
}

bool SameFileOrFolder(const std::string& a, const std::string& b)
{
    FileIdentity first, second;
    return IdentityOf(a, first) && IdentityOf(b, second) && first == second;
}

std::string FinalPathOf(const std::string& path)
{
    ui::UniqueKernelHandle file = OpenForQuery(path);
    if (!file)
        return std::string();
    std::string final(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleA(file.get(), &final[0], static_cast<DWORD>(final.size()),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0 || length > 0x10000)
            return std::string();
        if (length < final.size()) {
            final.resize(length);
            break;
        }
        final.resize(length + 1);
    }
    if (final.compare(0, 8, "\\\\?\\UNC\\") == 0)
        return "\\" + final.substr(7);
    if (final.compare(0, 4, "\\\\?\\") == 0)
        return final.substr(4);
    return final;
}

bool IsLink(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace kelt::plugin
