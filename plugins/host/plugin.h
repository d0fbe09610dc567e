#pragma once
// One plug-in library as the host sees it: it loads the library, resolves the nine exports,
// copies the descriptive strings and the glyph, and owns the plug-in's menu entry and bar
// button. Everything the library answers is treated as untrusted until checked.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "plugins/sdk/plugin_contract.h"
#include "ui/glyph_button.h"
#include "ui/handles.h"

// The system headers still carry a 16-bit-era macro of this name; the plug-in's own operation
// takes it over.
#ifdef FreeModule
#undef FreeModule
#endif

namespace kelt {

// Answers of JTPlugin::Load.
enum PluginLoadResult : int {
    plrLoaded = 1,
    plrNoLibrary = 2,
    plrMissingExport = 3,
    plrBadInformation = 4,
};

// A plug-in's entry in a menu; destroying it takes it out of that menu.
class JTPluginMenuItem {
public:
    JTPluginMenuItem(HMENU parent, UINT commandId) : parent_(parent), commandId_(commandId) {}
    ~JTPluginMenuItem();
    JTPluginMenuItem(const JTPluginMenuItem&) = delete;
    JTPluginMenuItem& operator=(const JTPluginMenuItem&) = delete;

    HMENU Parent() const { return parent_; }
    UINT CommandId() const { return commandId_; }

private:
    HMENU parent_;
    UINT commandId_;
};

struct JTPluginRun {
    int result = 0;
    bool refused = false;  // not run: the library failed earlier in this session
    std::string failure;   // why it failed ("access violation while running"); empty when it did not
};

class JTPlugin {
public:
    JTPlugin(std::uint32_t hostHandle, std::string fileName);
    virtual ~JTPlugin();
    JTPlugin(const JTPlugin&) = delete;
    JTPlugin& operator=(const JTPlugin&) = delete;

    // 1 ready, 2 the library does not load, 3 an export is missing, 4 the strings or the glyph
    // could not be read. A failed load keeps the library; the destructor releases it.
    int Load();
    // Gives back this object's library reference if one is held; true also when there was
    // none. The library itself stays loaded until the program ends (plugin_guard.h).
    bool FreeModule();
    // Calls the plug-in's Execute with `handle` and answers its result (0 when not loaded, when
    // refused or when it faulted). This object may be destroyed while the call runs (the
    // plug-in uninstalled from inside its own window); the library stays loaded regardless.
    // A quit request the plug-in leaves behind is dropped while the window it ran over exists.
    int Execute(std::uint32_t handle);
    // The same, telling how the run went: a fault ends the run, closes the plug-in's windows,
    // enables the window it ran over again and marks the library failed for the session; a
    // library that failed before is not called at all.
    JTPluginRun Run(std::uint32_t handle);
    // Lets the plug-in undo what only it can before it is uninstalled (its optional export
    // PrepareUninstall, called like Execute with `handle` and guarded the same way). The result
    // is 1 when the plug-in has no such export or is not loaded.
    JTPluginRun PrepareUninstall(std::uint32_t handle);

    const std::string& FileName() const { return fileName_; }
    void SetFileName(std::string fileName) { fileName_ = std::move(fileName); }
    // The file name without its folder.
    std::string BaseFileName() const;
    HMODULE Module() const { return module_.get(); }
    std::uint32_t HostHandle() const { return hostHandle_; }

    const std::string& Name() const { return name_; }
    const std::string& Author() const { return author_; }
    const std::string& MenuText() const { return menuText_; }
    const std::string& Kind() const { return kind_; }
    const std::string& Version() const { return version_; }
    const std::string& Copyright() const { return copyright_; }
    // The glyph loaded from the library (null until Load has read it). The plug-in keeps it.
    HBITMAP GlyphBitmap() const { return glyphBitmap_.get(); }

    // Why the last Load failed, in words for the user ("not a library", "a 32-bit plugin",
    // "missing export DonePlugin", "GetPluginName failed (access violation)", "no glyph",
    // "glyph outside the library" ...); empty after a successful load.
    const std::string& LoadFailure() const { return loadFailure_; }

    ui::GlyphButton* BarButton() const { return barButton_.get(); }
    void SetBarButton(std::unique_ptr<ui::GlyphButton> button) { barButton_ = std::move(button); }
    JTPluginMenuItem* MenuItem() const { return menuItem_.get(); }
    void SetMenuItem(std::unique_ptr<JTPluginMenuItem> item) { menuItem_ = std::move(item); }

    // The longest text taken from a plug-in string; the rest is cut off.
    static constexpr std::size_t kMaxStringLength = 1024;

private:
    int ReadInformation();
    int LoadGlyph(const std::string& resourceName);
    // Calls `entry` of `module` (Execute's signature) under the guard; `where` names the call.
    static JTPluginRun RunEntry(HMODULE module, plugin::ExecuteEntry entry, std::uint32_t handle, const char* where);
    int Fail(int result, std::string reason);

    ui::UniqueBitmap glyphBitmap_;
    std::string fileName_;
    ui::UniqueModule module_;
    std::uint32_t hostHandle_;
    std::unique_ptr<ui::GlyphButton> barButton_;
    std::unique_ptr<JTPluginMenuItem> menuItem_;
    std::string name_, author_, menuText_, kind_, version_, copyright_;
    std::string loadFailure_;

    plugin::StringGetter getPluginName_ = nullptr;
    plugin::StringGetter getPluginAuthor_ = nullptr;
    plugin::StringGetter getPluginMenuText_ = nullptr;
    plugin::StringGetter getPluginKind_ = nullptr;
    plugin::StringGetter getPluginVersion_ = nullptr;
    plugin::StringGetter getPluginCopyright_ = nullptr;
    plugin::StringGetter getPluginGlyphResName_ = nullptr;
    plugin::DoneEntry donePlugin_ = nullptr;
    plugin::ExecuteEntry execute_ = nullptr;
};

// Takes every quit request out of the calling thread's queue.
void DropQuitRequests();

// A copy of a NUL-terminated string a plug-in handed over: null reads as empty, memory that
// cannot be read ends the text, and at most `limit` characters are taken.
std::string CopyForeignString(const char* text, std::size_t limit);

} // namespace kelt
