#include "plugins/host/plugin.h"

#include <cstdint>
#include <cstring>

#include "plugins/host/guarded_call.h"
#include "plugins/host/plugin_guard.h"
#include "plugins/host/plugin_library.h"
#include "ui/files.h"

namespace kelt {

namespace {

bool Readable(DWORD protect)
{
    if (protect & (PAGE_GUARD | PAGE_NOACCESS))
        return false;
    return (protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                       PAGE_EXECUTE_WRITECOPY)) != 0;
}

// The bytes a bitmap resource must hold for its header to be believed.
bool PlausibleBitmap(const unsigned char* bytes, DWORD size)
{
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
    if (!ui::FileExists(fileName_))
        return Fail(plrNoLibrary, "file not found");
    const std::string foreign = ForeignMachine(fileName_);
    if (!foreign.empty())
        return Fail(plrNoLibrary, foreign);
    module_.reset(LoadPluginLibrary(fileName_));
    if (!module_)
        return Fail(plrNoLibrary, "not a library");
    AdmitPluginLibrary(module_.get(), BaseFileName());

    struct Entry {
        const char* name;
        int argumentBytes;
        void** slot;
    };
    const Entry entries[] = {
        {"GetPluginName", 0, reinterpret_cast<void**>(&getPluginName_)},
        {"GetPluginAuthor", 0, reinterpret_cast<void**>(&getPluginAuthor_)},
        {"GetPluginMenuText", 0, reinterpret_cast<void**>(&getPluginMenuText_)},
        {"GetPluginKind", 0, reinterpret_cast<void**>(&getPluginKind_)},
        {"GetPluginGlyphResName", 0, reinterpret_cast<void**>(&getPluginGlyphResName_)},
        {"GetPluginVersion", 0, reinterpret_cast<void**>(&getPluginVersion_)},
        {"GetPluginCopyright", 0, reinterpret_cast<void**>(&getPluginCopyright_)},
        {"DonePlugin", 0, reinterpret_cast<void**>(&donePlugin_)},
        {"Execute", 4, reinterpret_cast<void**>(&execute_)},
    };
    for (const Entry& entry : entries) {
        FARPROC address = ::GetProcAddress(module_.get(), entry.name);
        if (!address) {
            std::string reason = std::string("missing export ") + entry.name;
            // Only the undecorated names count; a decorated one says what the author missed.
            const std::string decorated = std::string(entry.name) + "@" + std::to_string(entry.argumentBytes);
            for (const std::string& form : {decorated, "_" + decorated})
                if (::GetProcAddress(module_.get(), form.c_str())) {
                    reason += " (it is exported as " + form + ")";
                    break;
                }
            return Fail(plrMissingExport, reason);
        }
        *entry.slot = reinterpret_cast<void*>(address);
    }
    const std::string failure = PluginLibraryFailure(module_.get());
    if (!failure.empty())
        return Fail(plrBadInformation, "failed earlier (" + failure + ")");
    return ReadInformation();
}

namespace {

// One getter called under the fault guard: its answer, untouched, or the fault.
struct GetterCall {
    plugin::StringGetter getter;
    const char* answer;
};

void CallGetter(void* context)
{
    auto* call = static_cast<GetterCall*>(context);
    call->answer = call->getter();
}

// The glyph resource read under the guard, believed only inside the library's image.
struct GlyphCall {
    HMODULE module;
    const char* name;
    std::uintptr_t begin;
    std::uintptr_t end;
    bool outside;
    HBITMAP bitmap;
};

void ReadGlyph(void* context)
{
    auto* glyph = static_cast<GlyphCall*>(context);
    HRSRC found = ::FindResourceA(glyph->module, glyph->name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!found)
        return;
    const DWORD size = ::SizeofResource(glyph->module, found);
    HGLOBAL loaded = ::LoadResource(glyph->module, found);
    const auto* bytes = loaded ? static_cast<const unsigned char*>(::LockResource(loaded)) : nullptr;
    const auto at = reinterpret_cast<std::uintptr_t>(bytes);
    if (bytes && (at < glyph->begin || at >= glyph->end || size > glyph->end - at)) {
        glyph->outside = true;
        return;
    }
    if (!PlausibleBitmap(bytes, size))
        return;
    glyph->bitmap = static_cast<HBITMAP>(::LoadImageA(glyph->module, glyph->name, IMAGE_BITMAP, 0, 0,
                                                      LR_CREATEDIBSECTION));
}

struct ExecuteCall {
    plugin::ExecuteEntry entry;
    std::uint32_t handle;
    int result;
};

void CallExecute(void* context)
{
    auto* call = static_cast<ExecuteCall*>(context);
    call->result = call->entry(call->handle);
}

} // namespace

int JTPlugin::ReadInformation()
{
    struct Field {
        const char* getter;
        plugin::StringGetter entry;
        std::string* target;
    };
    std::string glyphName;
    const Field fields[] = {
        {"GetPluginName", getPluginName_, &name_},
        {"GetPluginAuthor", getPluginAuthor_, &author_},
        {"GetPluginMenuText", getPluginMenuText_, &menuText_},
        {"GetPluginKind", getPluginKind_, &kind_},
        {"GetPluginVersion", getPluginVersion_, &version_},
        {"GetPluginCopyright", getPluginCopyright_, &copyright_},
        {"GetPluginGlyphResName", getPluginGlyphResName_, &glyphName},
    };
    for (const Field& field : fields) {
        GetterCall call{field.entry, nullptr};
        PluginCall guarded;
        const std::string where = std::string("in ") + field.getter;
        try {
            guarded = CallPluginCode(module_.get(), where.c_str(), CallGetter, &call);
        } catch (...) {
            return Fail(plrBadInformation, std::string(field.getter) + " threw an exception");
        }
        if (guarded.faulted)
            return Fail(plrBadInformation, std::string(field.getter) + " failed (" + guarded.fault + ")");
        // Copied at once: the plug-in may reuse its buffer on the next call.
        *field.target = CopyForeignString(call.answer, kMaxStringLength);
    }
    AdmitPluginLibrary(module_.get(), name_.empty() ? BaseFileName() : name_);
    return LoadGlyph(glyphName);
}

int JTPlugin::LoadGlyph(const std::string& resourceName)
{
    glyphBitmap_.reset();
    if (resourceName.empty())
        return Fail(plrBadInformation, "no glyph");
    GlyphCall call{module_.get(), resourceName.c_str(), 0, 0, false, nullptr};
    if (!ImageRange(module_.get(), call.begin, call.end))
        return Fail(plrBadInformation, "no glyph");
    const PluginCall guarded = CallPluginCode(module_.get(), "reading the glyph", ReadGlyph, &call);
    if (guarded.faulted)
        return Fail(plrBadInformation, "reading the glyph failed (" + guarded.fault + ")");
    if (call.outside)
        return Fail(plrBadInformation, "glyph outside the library");
    glyphBitmap_.reset(call.bitmap);
    return glyphBitmap_ ? plrLoaded : Fail(plrBadInformation, "no glyph");
}

bool JTPlugin::FreeModule()
{
    if (!module_)
        return true;
    getPluginName_ = getPluginAuthor_ = getPluginMenuText_ = getPluginKind_ = nullptr;
    getPluginVersion_ = getPluginCopyright_ = getPluginGlyphResName_ = nullptr;
    donePlugin_ = nullptr;
    execute_ = nullptr;
    // This object's reference; the library itself stays loaded (plugin_guard.h).
    module_.reset();
    return true;
}

int JTPlugin::Execute(std::uint32_t handle)
{
    return Run(handle).result;
}

JTPluginRun JTPlugin::Run(std::uint32_t handle)
{
    if (!module_ || !execute_)
        return {};
    return RunEntry(module_.get(), execute_, handle, "while running");
}

JTPluginRun JTPlugin::PrepareUninstall(std::uint32_t handle)
{
    JTPluginRun run;
    run.result = 1;
    if (!module_)
        return run;
    const auto entry = reinterpret_cast<plugin::PrepareUninstallEntry>(
        reinterpret_cast<void*>(::GetProcAddress(module_.get(), plugin::kPrepareUninstallName)));
    if (!entry)
        return run;
    return RunEntry(module_.get(), entry, handle, "while preparing to be uninstalled");
}

JTPluginRun JTPlugin::RunEntry(HMODULE module, plugin::ExecuteEntry entry, std::uint32_t handle, const char* where)
{
    // The call may end this object (the plug-in uninstalled, or the program closed, from inside
    // its tool window): what is needed afterwards lives on the stack.
    JTPluginRun run;
    run.failure = PluginLibraryFailure(module);
    if (!run.failure.empty()) {
        run.refused = true;
        return run;
    }
    const HWND host = plugin::ToolWindowOwner(handle);
    ExecuteCall call{entry, handle, 0};
    PluginCall guarded;
    try {
        guarded = CallPluginCode(module, where, CallExecute, &call);
    } catch (...) {
        call.result = 0;
    }
    if (guarded.faulted) {
        run.failure = PluginLibraryFailure(module);
        // Its modal window was closed without ending its loop: the window it ran over is usable again.
        if (host && ::IsWindow(host)) {
            ::EnableWindow(host, TRUE);
            ::SetActiveWindow(host);
        }
    } else {
        run.result = call.result;
    }
    // A quit request the plug-in made to end its own message loop is not the program's: the
    // program ends only once its window is gone.
    if (host && ::IsWindow(host))
        DropQuitRequests();
    return run;
}

void DropQuitRequests()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

} // namespace kelt
