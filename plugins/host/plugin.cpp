#include "plugins/host/plugin.h"

#include <cstring>

namespace kelt {

namespace {

bool Readable(DWORD protect)
{
    if (protect & (PAGE_GUARD | PAGE_NOACCESS))
        return false;
    return (protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                       PAGE_EXECUTE_WRITECOPY)) != 0;
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The bytes a bitmap resource must hold for its header to be believed.
bool PlausibleBitmapResource(HMODULE module, const std::string& name)
{
    HRSRC found = ::FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!found)
        return false;
    const DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    const auto* bytes = loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    if (!bytes || size < sizeof(BITMAPCOREHEADER))
        return false;
    DWORD headerSize = 0;
    std::memcpy(&headerSize, bytes, sizeof headerSize);
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, bytes, sizeof core);
        return core.bcWidth > 0 && core.bcHeight > 0 && core.bcPlanes == 1;
    }
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size || size < sizeof(BITMAPINFOHEADER))
        return false;
    BITMAPINFOHEADER info;
    std::memcpy(&info, bytes, sizeof info);
    const long long width = info.biWidth;
    const long long height = info.biHeight < 0 ? -static_cast<long long>(info.biHeight) : info.biHeight;
    if (info.biPlanes != 1 || width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return false;
    const WORD bits = info.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (info.biCompression != BI_RGB && info.biCompression != BI_BITFIELDS)
        return info.biSizeImage > 0 && headerSize + static_cast<unsigned long long>(info.biSizeImage) <= size;
    unsigned long long colours = info.biClrUsed ? info.biClrUsed : (bits <= 8 ? (1ull << bits) : 0);
    if (info.biCompression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER))
        colours = 3;
    const unsigned long long stride = ((width * bits + 31) / 32) * 4;
    return headerSize + colours * 4 + stride * height <= size;
}

} // namespace

// ---------------------------------------------------------------- helpers

std::string CopyForeignString(const char* text, std::size_t limit)
{
    std::string copy;
    if (!text)
        return copy;
    const char* at = text;
    while (copy.size() < limit) {
        MEMORY_BASIC_INFORMATION region{};
        if (!::VirtualQuery(at, &region, sizeof region) || region.State != MEM_COMMIT || !Readable(region.Protect))
            break;
        const char* end = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        while (at < end && copy.size() < limit) {
            if (*at == '\0')
                return copy;
            copy.push_back(*at++);
        }
    }
    return copy;
}

HMODULE LoadPluginLibrary(const std::string& path)
{
    if (path.empty())
        return nullptr;
    char full[MAX_PATH * 4] = {};
    const DWORD length = ::GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    const std::string target = length > 0 && length < sizeof full ? std::string(full, length) : path;

    // No "cannot find" or "bad image" boxes from the system for a file that is no plug-in.
    DWORD previousMode = 0;
    ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    // The search-path flags exist where AddDllDirectory does (and with the update that added it).
    static const bool searchFlags =
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "AddDllDirectory") != nullptr;
    HMODULE module = nullptr;
    if (searchFlags)
        module = ::LoadLibraryExA(target.c_str(), nullptr,
                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!module && (!searchFlags || ::GetLastError() == ERROR_INVALID_PARAMETER))
        module = ::LoadLibraryExA(target.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ::SetThreadErrorMode(previousMode, nullptr);
    return module;
}

// ---------------------------------------------------------------- JTPluginMenuItem

JTPluginMenuItem::~JTPluginMenuItem()
{
    if (parent_ && ::IsMenu(parent_))
        ::DeleteMenu(parent_, commandId_, MF_BYCOMMAND);
}

// ---------------------------------------------------------------- JTPlugin

JTPlugin::JTPlugin(std::uint32_t hostHandle, std::string fileName)
    : fileName_(std::move(fileName)), hostHandle_(hostHandle)
{
}

JTPlugin::~JTPlugin()
{
    // Menu entry and button first (they show what the library gave), then the glyph, then
    // the library itself. DonePlugin is never called.
    menuItem_.reset();
    barButton_.reset();
    glyphBitmap_.reset();
    FreeModule();
}

std::string JTPlugin::BaseFileName() const
{
    const std::size_t slash = fileName_.find_last_of("\\/");
    return slash == std::string::npos ? fileName_ : fileName_.substr(slash + 1);
}

int JTPlugin::Fail(int result, std::string reason)
{
    loadFailure_ = std::move(reason);
    return result;
}

int JTPlugin::Load()
{
    loadFailure_.clear();
    // A second Load of a loaded object starts from a fresh library reference.
    FreeModule();
    module_.reset(LoadPluginLibrary(fileName_));
    if (!module_)
        return Fail(plrNoLibrary, FileExists(fileName_) ? "not a library" : "file not found");

    struct Entry {
        const char* name;
        void** slot;
    };
    const Entry entries[] = {
        {"GetPluginName", reinterpret_cast<void**>(&getPluginName_)},
        {"GetPluginAuthor", reinterpret_cast<void**>(&getPluginAuthor_)},
        {"GetPluginMenuText", reinterpret_cast<void**>(&getPluginMenuText_)},
        {"GetPluginKind", reinterpret_cast<void**>(&getPluginKind_)},
        {"GetPluginGlyphResName", reinterpret_cast<void**>(&getPluginGlyphResName_)},
        {"GetPluginVersion", reinterpret_cast<void**>(&getPluginVersion_)},
        {"GetPluginCopyright", reinterpret_cast<void**>(&getPluginCopyright_)},
        {"DonePlugin", reinterpret_cast<void**>(&donePlugin_)},
        {"Execute", reinterpret_cast<void**>(&execute_)},
    };
    for (const Entry& entry : entries) {
        FARPROC address = ::GetProcAddress(module_.get(), entry.name);
        if (!address)
            return Fail(plrMissingExport, std::string("missing export ") + entry.name);
        *entry.slot = reinterpret_cast<void*>(address);
    }
    return ReadInformation();
}

int JTPlugin::ReadInformation()
{
    std::string glyphName;
    try {
        name_ = CopyForeignString(getPluginName_(), kMaxStringLength);
        author_ = CopyForeignString(getPluginAuthor_(), kMaxStringLength);
        menuText_ = CopyForeignString(getPluginMenuText_(), kMaxStringLength);
        kind_ = CopyForeignString(getPluginKind_(), kMaxStringLength);
        version_ = CopyForeignString(getPluginVersion_(), kMaxStringLength);
        copyright_ = CopyForeignString(getPluginCopyright_(), kMaxStringLength);
        glyphName = CopyForeignString(getPluginGlyphResName_(), kMaxStringLength);
    } catch (...) {
        return Fail(plrBadInformation, "information unreadable");
    }
    if (!LoadGlyph(glyphName))
        return Fail(plrBadInformation, "no glyph");
    return plrLoaded;
}

bool JTPlugin::LoadGlyph(const std::string& resourceName)
{
    glyphBitmap_.reset();
    if (resourceName.empty() || !PlausibleBitmapResource(module_.get(), resourceName))
        return false;
    glyphBitmap_.reset(static_cast<HBITMAP>(
        ::LoadImageA(module_.get(), resourceName.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    return static_cast<bool>(glyphBitmap_);
}

bool JTPlugin::FreeModule()
{
    if (!module_)
        return true;
    getPluginName_ = getPluginAuthor_ = getPluginMenuText_ = getPluginKind_ = nullptr;
    getPluginVersion_ = getPluginCopyright_ = getPluginGlyphResName_ = nullptr;
    donePlugin_ = nullptr;
    execute_ = nullptr;
    return ::FreeLibrary(module_.release()) != FALSE;
}

int JTPlugin::Execute(std::uint32_t handle)
{
    if (!module_ || !execute_)
        return 0;
    try {
        return execute_(handle);
    } catch (...) {
        return 0;
    }
}

} // namespace kelt
