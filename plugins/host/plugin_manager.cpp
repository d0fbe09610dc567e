#include "plugins/host/plugin_manager.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

#include "plugins/host/inst_plugin_form.h"
#include "plugins/host/plugin_guard.h"
#include "plugins/host/plugin_options.h"
#include "ui/dpi.h"
#include "ui/files.h"
#include "ui/glyph_button.h"
#include "ui/scroll_box.h"
#include "ui/seams.h"
#include "ui/text.h"

namespace kelt {

namespace {

constexpr int kButtonSize = 34;
constexpr int kButtonStep = 32;

// A menu caption as the menu's own search compares it: without accelerator marks.
std::string WithoutAccelerators(const std::string& caption)
{
    std::string plain;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&')
                plain.push_back(caption[++i]);
            continue;
        }
        plain.push_back(caption[i]);
    }
    return plain;
}

std::string MenuCaption(HMENU menu, int position)
{
    char buffer[512] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = sizeof buffer - 1;
    if (!::GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info))
        return std::string();
    return buffer;
}

// Reads a double-NUL-terminated list the profile functions fill, growing the buffer until
// the answer fits.
template <typename Read>
std::vector<std::string> ReadNameList(Read read)
{
    std::vector<char> buffer(4096);
    DWORD length = 0;
    for (;;) {
        length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length + 2 < buffer.size() || buffer.size() >= (1u << 24))
            break;
        buffer.assign(buffer.size() * 4, '\0');
    }
    // By the answered length: an empty name (a plug-in without a kind) must not end the list.
    std::vector<std::string> names;
    const char* at = buffer.data();
    const char* end = buffer.data() + std::min<std::size_t>(length, buffer.size() - 1);
    while (at < end) {
        names.emplace_back(at);
        at += names.back().size() + 1;
    }
    return names;
}

std::string FolderOfFile(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A registry key that names a file of the plug-in folder itself, not one elsewhere.
bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string::npos;
}

} // namespace

// ---------------------------------------------------------------- PluginList

JTPlugin* PluginList::At(int index) const
{
    return index >= 0 && index < Count() ? entries_[static_cast<std::size_t>(index)].plugin.get() : nullptr;
}

std::string PluginList::TextAt(int index) const
{
    return index >= 0 && index < Count() ? entries_[static_cast<std::size_t>(index)].text : std::string();
}

int PluginList::IndexOf(const JTPlugin* plugin) const
{
    for (int i = 0; i < Count(); ++i)
        if (entries_[static_cast<std::size_t>(i)].plugin.get() == plugin)
            return i;
    return -1;
}

int PluginList::IndexOfText(const std::string& text) const
{
    for (int i = 0; i < Count(); ++i)
        if (ui::SameNameIgnoringCase(entries_[static_cast<std::size_t>(i)].text, text))
            return i;
    return -1;
}

int PluginList::IndexOfFile(const std::string& path) const
{
    for (int i = 0; i < Count(); ++i) {
        const JTPlugin* plugin = entries_[static_cast<std::size_t>(i)].plugin.get();
        if (plugin && ui::SameNameIgnoringCase(plugin->FileName(), path))
            return i;
    }
    return -1;
}

JTPlugin* PluginList::Add(std::string text, std::unique_ptr<JTPlugin> plugin)
{
    JTPlugin* added = plugin.get();
    entries_.push_back(Entry{std::move(text), std::move(plugin)});
    return added;
}

std::unique_ptr<JTPlugin> PluginList::Take(int index)
{
    if (index < 0 || index >= Count())
        return nullptr;
    std::unique_ptr<JTPlugin> plugin = std::move(entries_[static_cast<std::size_t>(index)].plugin);
    entries_.erase(entries_.begin() + index);
    return plugin;
}

void PluginList::Clear()
{
    // One by one from the front, so a plug-in's destructor never sees a half-emptied list.
    while (!entries_.empty())
        Take(0).reset();
}

// ---------------------------------------------------------------- helpers

HMENU CreatePluginSubmenu()
{
    return ::CreatePopupMenu();
}

std::vector<std::string> ProfileSectionNames(const std::string& path)
{
    return ReadNameList(
        [&](char* buffer, DWORD size) { return ::GetPrivateProfileSectionNamesA(buffer, size, path.c_str()); });
}

std::vector<std::string> ProfileKeyNames(const std::string& path, const std::string& section)
{
    return ReadNameList([&](char* buffer, DWORD size) {
        return ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer, size, path.c_str());
    });
}

// ---------------------------------------------------------------- JTPluginManager

JTPluginManager::JTPluginManager(HWND hostHandle)
    : hostHandle_(plugin::HandleToHostValue(hostHandle)), programFolder_(ui::ProgramFolderWithoutBackslash()),
      quitFilter_(hostHandle)
{
    SetPluginFaultOwner(hostHandle);
}

JTPluginManager::~JTPluginManager()
{
    UnloadAll();
    FreeList(newPlugins_);
}

HWND JTPluginManager::MessageOwner() const
{
    // The window the user is working in (a plug-in dialog), else the host window.
    HWND active = ::GetActiveWindow();
    if (active)
        return active;
    HWND host = plugin::HostValueToHandle(hostHandle_);
    return ::IsWindow(host) ? host : nullptr;
}

std::string JTPluginManager::ProfilePath(const std::string& file) const
{
    return programFolder_ + "\\" + file;
}

void JTPluginManager::SetProgressPosition(int position)
{
    if (progress_)
        ::SendMessageA(progress_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void JTPluginManager::RunStartupLoad(JTPluginHostOptions& options, HWND owner)
{
    OpenRegistry();
    LoadRegistry();
    if (options.ScanPlugins() && ScanFolder(std::string(), nullptr, false, true) > 0) {
        if (options.AutoInst()) {
            // Each successful install takes the entry out; a failing one would stay first
            // for ever, so it is released instead.
            while (!newPlugins_.Empty()) {
                JTPlugin* first = newPlugins_.At(0);
                if (!Install(first) && newPlugins_.At(0) == first)
                    newPlugins_.Take(0).reset();
            }
        } else if (ui::ShowMessage(owner,
                                   "New Plugins have been found in the plugin folder!Do you like to install them now?",
                                   "Information", MB_OKCANCEL | MB_ICONQUESTION) == IDOK) {
            int installed = 0;
            TKeltInstPluginForm form(&installed, 2, *this);
            form.RunModal(owner);
        } else {
            FreeList(newPlugins_);
        }
    }
    BuildMenu();
    BuildBar();
}

bool JTPluginManager::OpenRegistry()
{
    registryPath_ = pluginFolder_ + "\\" + iniFileName_;
    RemoveReplacedFiles();
    return true;
}

void JTPluginManager::RemoveReplacedFiles() const
{
    // Plug-in files replaced while their library was loaded were set aside (see SetAside);
    // nothing of this run has loaded them.
    WIN32_FIND_DATAA found{};
    ui::UniqueFindHandle search(::FindFirstFileA((pluginFolder_ + "\\*" + extension_ + kReplacedSuffix + "*").c_str(), &found));
    if (!search)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ::DeleteFileA((pluginFolder_ + "\\" + found.cFileName).c_str());
    } while (::FindNextFileA(search.get(), &found));
}

bool JTPluginManager::RegisterPluginAt(int index)
{
    JTPlugin* plugin = plugins_.At(index);
    return plugin && Register(plugin);
}

bool JTPluginManager::LoadRegistry()
{
    installedFiles_.clear();
    failedPlugins_.clear();
    bool result = true;
    if (registryPath_.empty())
        return result;
    std::vector<std::string> sections = ProfileSectionNames(registryPath_);
    if (progress_)
        ::SendMessageA(progress_, PBM_SETRANGE32, 0, 100);
    SetProgressPosition(0);
    const int count = static_cast<int>(sections.size());
    for (int i = 0; i < count; ++i) {
        const std::string& section = sections[static_cast<std::size_t>(i)];
        if (!ui::SameNameIgnoringCase(section, kUninstalledSection)) {
            for (const std::string& key : ProfileKeyNames(registryPath_, section)) {
                // A key met before (in this or another section) names a file already handled.
                if (IsInstalled(key) || IsFailed(key))
                    continue;
                std::string reason;
                if (!IsPlainFileName(key)) {
                    // Only files of the plug-in folder itself are ever loaded.
                    reason = "not a file of the plugin folder";
                } else if (JTPlugin* loaded = LoadPlugin(pluginFolder_ + "\\" + key, &reason)) {
                    // Its texts go into menus and buttons: refused as at installation.
                    reason = ProfileProblem(*loaded);
                    if (reason.empty()) {
                        installedFiles_.push_back(key);
                        continue;
                    }
                    plugins_.Take(plugins_.IndexOf(loaded)).reset();
                }
                // Nothing is shown now; the configuration dialog lists it with the reason.
                result = false;
                failedPlugins_.push_back(JTFailedPlugin{section, key, reason});
            }
        }
        SetProgressPosition(i * 100 / count);
    }
    return result;
}

bool JTPluginManager::IsFailed(const std::string& fileName) const
{
    return std::any_of(failedPlugins_.begin(), failedPlugins_.end(),
                       [&](const JTFailedPlugin& failed) { return ui::SameNameIgnoringCase(failed.fileName, fileName); });
}

JTPlugin* JTPluginManager::LoadPlugin(const std::string& path)
{
    return LoadPlugin(path, nullptr);
}

JTPlugin* JTPluginManager::LoadPlugin(const std::string& path, std::string* failure)
{
    auto plugin = std::make_unique<JTPlugin>(hostHandle_, path);
    if (plugin->Load() != plrLoaded) {
        if (failure)
            *failure = plugin->LoadFailure();
        return nullptr;
    }
    std::string text = plugin->BaseFileName();
    return plugins_.Add(std::move(text), std::move(plugin));
}

int JTPluginManager::ExecutePluginAt(int index)
{
    JTPlugin* plugin = plugins_.At(index);
    return plugin ? ExecutePlugin(plugin) : 0;
}

void JTPluginManager::LoadFolder()
{
    WIN32_FIND_DATAA found{};
    ui::UniqueFindHandle search(::FindFirstFileA((pluginFolder_ + "\\*" + extension_).c_str(), &found));
    if (!search)
        return;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            LoadPlugin(pluginFolder_ + "\\" + found.cFileName);
    } while (::FindNextFileA(search.get(), &found));
}

bool JTPluginManager::UnloadPlugin(int index)
{
    JTPlugin* plugin = plugins_.At(index);
    if (!plugin)
        return false;
    std::unique_ptr<JTPlugin> owned = plugins_.Take(index);
    owned->SetBarButton(nullptr);
    if (JTPluginMenuItem* item = owned->MenuItem()) {
        HMENU parent = item->Parent();
        owned->SetMenuItem(nullptr);
        RemoveEmptySubmenu(parent);
    }
    owned.reset();
    return true;
}

void JTPluginManager::RemoveEmptySubmenu(HMENU submenu)
{
    if (!menuRoot_ || !submenu || !::IsMenu(submenu) || ::GetMenuItemCount(submenu) > 0)
        return;
    const int count = ::GetMenuItemCount(menuRoot_);
    for (int i = 0; i < count; ++i) {
        if (::GetSubMenu(menuRoot_, i) == submenu) {
            ::DeleteMenu(menuRoot_, static_cast<UINT>(i), MF_BYPOSITION);  // destroys the submenu too
            return;
        }
    }
}

bool JTPluginManager::UnloadAll()
{
    bool result = true;
    while (!plugins_.Empty())
        result = UnloadPlugin(0);
    return result;
}

void JTPluginManager::FreeList(PluginList& list)
{
    while (!list.Empty()) {
        std::unique_ptr<JTPlugin> plugin = list.Take(0);
        plugin->FreeModule();
    }
}

bool JTPluginManager::IsInstalled(const std::string& fileName) const
{
    return std::any_of(installedFiles_.begin(), installedFiles_.end(),
                       [&](const std::string& name) { return ui::SameNameIgnoringCase(name, fileName); });
}

bool JTPluginManager::IsMarkedUninstalled(const std::string& fileName) const
{
    if (registryPath_.empty())
        return false;
    const std::vector<std::string> marked = ProfileKeyNames(registryPath_, kUninstalledSection);
    return std::any_of(marked.begin(), marked.end(),
                       [&](const std::string& name) { return ui::SameNameIgnoringCase(name, fileName); });
}

bool JTPluginManager::MarkUninstalled(const std::string& fileName, bool marked)
{
    if (registryPath_.empty())
        return false;
    if (marked)
        return ::WritePrivateProfileStringA(kUninstalledSection, fileName.c_str(), "", registryPath_.c_str()) != FALSE;
    return RemoveKeyEverywhere(fileName, true);
}

bool JTPluginManager::RemoveKeyEverywhere(const std::string& fileName, bool marksOnly)
{
    bool removed = true;
    for (const std::string& section : ProfileSectionNames(registryPath_)) {
        if (ui::SameNameIgnoringCase(section, kUninstalledSection) != marksOnly)
            continue;
        // Every key of that file, however spelt and however often it is there.
        for (const std::string& key : ProfileKeyNames(registryPath_, section)) {
            if (ui::SameNameIgnoringCase(key, fileName) &&
                !::WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, registryPath_.c_str()))
                removed = false;
        }
    }
    return removed;
}

void JTPluginManager::ReportRegistryWrite(const std::string& what)
{
    ui::ShowMessage(MessageOwner(), what + " " + registryPath_ + " could not be written!", "Error",
                    MB_OK | MB_ICONERROR);
}

int JTPluginManager::ScanFolder(const std::string& folder, PluginList* target, bool clear, bool startup)
{
    PluginList& list = target ? *target : newPlugins_;
    const std::string where = folder.empty() ? pluginFolder_ : folder;
    if (clear)
        list.Clear();

    WIN32_FIND_DATAA found{};
    ui::UniqueFindHandle search(::FindFirstFileA((where + "\\*" + extension_).c_str(), &found));
    if (!search)
        return 0;
    std::vector<std::string> names;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            names.emplace_back(found.cFileName);
    } while (::FindNextFileA(search.get(), &found));
    search.reset();

    for (const std::string& name : names) {
        const std::string path = where + "\\" + name;
        if (IsInstalled(name) || list.IndexOfFile(path) >= 0)
            continue;
        if (startup && IsMarkedUninstalled(name))
            continue;
        auto plugin = std::make_unique<JTPlugin>(hostHandle_, path);
        if (plugin->Load() != plrLoaded)
            continue;
        std::string text = plugin->Name();
        list.Add(std::move(text), std::move(plugin));
    }
    return list.Count();
}

JTPlugin* JTPluginManager::Install(std::unique_ptr<JTPlugin> plugin)
{
    if (!plugin)
        return nullptr;
    JTPlugin* raw = plugin.get();
    newPlugins_.Add(raw->Name(), std::move(plugin));
    JTPlugin* installed = Install(raw);
    if (!installed)
        newPlugins_.Take(newPlugins_.IndexOf(raw)).reset();
    return installed;
}

std::string VisibleText(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (shown.size() >= 60) {
            shown += "...";
            break;
        }
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (code < 0x20 || code == 0x7F) {
            static const char digits[] = "0123456789ABCDEF";
            shown += std::string("\\x") + digits[code >> 4] + digits[code & 15];
        } else
            shown.push_back(c);
    }
    return shown;
}

std::string UnsafeText(const std::string& text)
{
    if (text.size() > kMaxPluginText)
        return "is longer than " + std::to_string(kMaxPluginText) + " characters";
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n')
            return "holds a line break";
        if (code < 0x20 || code == 0x7F)
            return "holds a control character";
    }
    if (!text.empty() && text[0] == '[')
        return "starts with a section bracket";
    return std::string();
}

std::string ProfileProblem(const JTPlugin& plugin)
{
    struct Text {
        const char* what;
        const std::string& text;
    };
    const std::string file = plugin.BaseFileName();
    // Every text that goes into KeltPlugins.ini, Version.ini or a menu: data, never structure.
    for (const Text& field : {Text{"file name", file}, Text{"name", plugin.Name()}, Text{"kind", plugin.Kind()},
                              Text{"version", plugin.Version()}}) {
        const std::string unsafe = UnsafeText(field.text);
        if (!unsafe.empty())
            return std::string("its ") + field.what + " \"" + VisibleText(field.text) + "\" " + unsafe;
    }
    const auto badKey = [](const std::string& text) {
        return text.empty() || text.find('=') != std::string::npos || text[0] == ';' || text.front() == ' ' ||
               text.back() == ' ';
    };
    if (badKey(file))
        return "its file name \"" + file + "\" cannot be stored in the plugin registry";
    if (badKey(plugin.Name()))
        return "its name \"" + plugin.Name() + "\" cannot be stored in the plugin registry";
    const std::string& kind = plugin.Kind();
    if (kind.empty())
        return "it names no kind";
    if (kind.find(']') != std::string::npos || std::isspace(static_cast<unsigned char>(kind.front())) ||
        std::isspace(static_cast<unsigned char>(kind.back())) ||
        ui::SameNameIgnoringCase(kind, JTPluginManager::kUninstalledSection))
        return "its kind \"" + kind + "\" cannot be stored in the plugin registry";
    return std::string();
}

JTPlugin* JTPluginManager::Install(JTPlugin* plugin)
{
    // Only what a scan found (or Install(unique_ptr) handed over) is installed from here.
    if (!plugin || newPlugins_.IndexOf(plugin) < 0)
        return nullptr;
    if (IsInstalled(plugin->BaseFileName())) {
        ui::ShowMessage(MessageOwner(), "The plugin file " + plugin->BaseFileName() + " is already installed!",
                        "Error", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    const std::string problem = ProfileProblem(*plugin);
    if (!problem.empty()) {
        ui::ShowMessage(MessageOwner(), "The plugin " + plugin->FileName() + " cannot be installed: " + problem + ".",
                        "Error", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    const std::string target = pluginFolder_ + "\\" + plugin->BaseFileName();
    // Case counts: a folder spelt differently is treated as another folder.
    if (FolderOfFile(plugin->FileName()) != pluginFolder_ + "\\") {
        plugin = CopyIntoFolder(plugin, target);
        if (!plugin)
            return nullptr;
    }
    if (!Register(plugin))
        return nullptr;
    std::unique_ptr<JTPlugin> owned = newPlugins_.Take(newPlugins_.IndexOf(plugin));
    std::string text = plugin->Name();
    plugins_.Add(std::move(text), std::move(owned));
    return plugin;
}

namespace {

// A free name beside `path` for a file that cannot go yet: a loaded library cannot be
// overwritten or deleted, but it can be renamed. The next start removes it.
std::string AsideName(const std::string& path)
{
    for (int n = 0;; ++n) {
        const std::string aside = path + kReplacedSuffix + (n ? std::to_string(n) : std::string());
        if (!ui::FileExists(aside) || ::DeleteFileA(aside.c_str()))
            return aside;
    }
}

bool SetAside(const std::string& path, const std::string& aside)
{
    return ::MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// Deletes a file, or sets it aside while its library is loaded.
void Discard(const std::string& path)
{
    if (!::DeleteFileA(path.c_str()) && ui::FileExists(path))
        SetAside(path, AsideName(path));
}

} // namespace

JTPlugin* JTPluginManager::CopyIntoFolder(JTPlugin* plugin, const std::string& target)
{
    const bool existed = ui::FileExists(target);
    if (existed && ui::ShowMessage(MessageOwner(), "File" + target + " already exists!Overwrite it?", "Warning",
                                   MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return nullptr;
    // The file it replaces is set aside (its library may be loaded) and comes back if the copy
    // does not load.
    const std::string aside = existed ? AsideName(target) : std::string();
    if (existed && !SetAside(target, aside)) {
        ui::ShowMessage(MessageOwner(), "Error when copying file!", "Error", MB_OK | MB_ICONINFORMATION);
        return nullptr;
    }
    const auto restore = [&] {
        Discard(target);
        if (existed)
            ::MoveFileExA(aside.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
    };
    // Copied while the source is still loaded: a copy onto itself (the same folder spelt
    // differently) must not lose the file.
    if (!::CopyFileA(plugin->FileName().c_str(), target.c_str(), FALSE)) {
        if (existed && !ui::FileExists(target))
            ::MoveFileExA(aside.c_str(), target.c_str(), 0);
        ui::ShowMessage(MessageOwner(), "Error when copying file!", "Error", MB_OK | MB_ICONINFORMATION);
        return nullptr;
    }
    if (::GetModuleHandleA(target.c_str())) {
        // The library of the file it replaced is still loaded under that path (libraries stay
        // until the program ends): this session runs the found copy, the next start the new file.
        plugin->SetFileName(target);
        if (existed)
            Discard(aside);
        return plugin;
    }
    // On failure the found plug-in goes back to its own file, the folder to what it held.
    const std::string source = plugin->FileName();
    plugin->FreeModule();
    plugin->SetFileName(target);
    if (plugin->Load() != plrLoaded) {
        const std::string reason = plugin->LoadFailure();
        plugin->FreeModule();
        restore();
        plugin->SetFileName(source);
        plugin->Load();
        ui::ShowMessage(MessageOwner(), "The copy " + target + " does not load (" + reason + ")!", "Error",
                        MB_OK | MB_ICONERROR);
        return nullptr;
    }
    if (existed)
        Discard(aside);
    return plugin;
}

bool JTPluginManager::Register(JTPlugin* plugin)
{
    if (!plugin || registryPath_.empty())
        return false;
    const std::string file = plugin->BaseFileName();
    // One key per file: a mark, or a key left in another section, goes first.
    if (!MarkUninstalled(file, false) || !RemoveKeyEverywhere(file, false) ||
        !::WritePrivateProfileStringA(plugin->Kind().c_str(), file.c_str(), "", registryPath_.c_str())) {
        ReportRegistryWrite("The plugin " + plugin->Name() + " could not be registered:");
        return false;
    }
    if (!IsInstalled(file))
        installedFiles_.push_back(file);
    failedPlugins_.erase(std::remove_if(failedPlugins_.begin(), failedPlugins_.end(),
                                        [&](const JTFailedPlugin& failed) {
                                            return ui::SameNameIgnoringCase(failed.fileName, file);
                                        }),
                         failedPlugins_.end());
    ::WritePrivateProfileStringA("Plugins", plugin->Name().c_str(), plugin->Version().c_str(),
                                 ProfilePath("Version.ini").c_str());
    return true;
}

bool JTPluginManager::Unregister(JTPlugin* plugin)
{
    if (!plugin || registryPath_.empty())
        return false;
    const std::string file = plugin->BaseFileName();
    if (!RemoveKeyEverywhere(file, false))
        return false;
    installedFiles_.erase(std::remove_if(installedFiles_.begin(), installedFiles_.end(),
                                         [&](const std::string& name) { return ui::SameNameIgnoringCase(name, file); }),
                          installedFiles_.end());
    return true;
}

bool JTPluginManager::Uninstall(JTPlugin* plugin)
{
    if (!plugin)
        return false;
    if (!ForgetFile(plugin->BaseFileName(), plugin->Name()))
        return false;
    installedFiles_.erase(std::remove_if(installedFiles_.begin(), installedFiles_.end(),
                                         [&](const std::string& name) {
                                             return ui::SameNameIgnoringCase(name, plugin->BaseFileName());
                                         }),
                          installedFiles_.end());
    UnloadPlugin(plugins_.IndexOf(plugin));
    return true;
}

bool JTPluginManager::UninstallFailed(const std::string& fileName)
{
    if (!IsFailed(fileName) || !ForgetFile(fileName, fileName))
        return false;
    failedPlugins_.erase(std::remove_if(failedPlugins_.begin(), failedPlugins_.end(),
                                        [&](const JTFailedPlugin& failed) {
                                            return ui::SameNameIgnoringCase(failed.fileName, fileName);
                                        }),
                         failedPlugins_.end());
    return true;
}

bool JTPluginManager::ForgetFile(const std::string& fileName, const std::string& shownName)
{
    // The file stays in the folder; the mark keeps the start-up scan from installing it again.
    // Marked first, so a registry that cannot be written changes nothing.
    if (!MarkUninstalled(fileName, true)) {
        ReportRegistryWrite("The plugin " + shownName + " could not be uninstalled:");
        return false;
    }
    if (!RemoveKeyEverywhere(fileName, false)) {
        RemoveKeyEverywhere(fileName, true);
        ReportRegistryWrite("The plugin " + shownName + " could not be uninstalled:");
        return false;
    }
    return true;
}

UINT JTPluginManager::FreeCommandId() const
{
    for (int id = kPluginCommandFirst; id <= kPluginCommandLast; ++id)
        if (!PluginForCommand(id))
            return static_cast<UINT>(id);
    return 0;
}

JTPlugin* JTPluginManager::PluginForCommand(int id) const
{
    for (int i = 0; i < plugins_.Count(); ++i) {
        JTPlugin* plugin = plugins_.At(i);
        if (plugin->MenuItem() && static_cast<int>(plugin->MenuItem()->CommandId()) == id)
            return plugin;
    }
    return nullptr;
}

bool JTPluginManager::HandleCommand(int id)
{
    if (id < kPluginCommandFirst || id > kPluginCommandLast)
        return false;
    JTPlugin* plugin = PluginForCommand(id);
    if (!plugin)
        return false;
    ExecutePlugin(plugin);
    return true;
}

HMENU JTPluginManager::KindSubmenu(const std::string& kind)
{
    const std::string wanted = WithoutAccelerators(kind);
    const int count = ::GetMenuItemCount(menuRoot_);
    for (int i = 0; i < count; ++i) {
        HMENU submenu = ::GetSubMenu(menuRoot_, i);
        // Only a submenu can hold entries; a plain item of that caption is left alone.
        if (submenu && ui::SameNameIgnoringCase(WithoutAccelerators(MenuCaption(menuRoot_, i)), wanted))
            return submenu;
    }
    HMENU submenu = CreatePluginSubmenu();
    if (!submenu)
        return nullptr;
    if (!::AppendMenuA(menuRoot_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(submenu), kind.c_str())) {
        ::DestroyMenu(submenu);
        return nullptr;
    }
    return submenu;
}

bool JTPluginManager::BuildMenu()
{
    if (!menuRoot_)
        return false;
    for (int i = 0; i < plugins_.Count(); ++i) {
        JTPlugin* plugin = plugins_.At(i);
        HMENU submenu = KindSubmenu(plugin->Kind());
        if (!submenu || plugin->MenuItem())
            continue;
        const UINT id = FreeCommandId();
        if (!id)
            break;
        if (::AppendMenuA(submenu, MF_STRING, id, plugin->Name().c_str()))
            plugin->SetMenuItem(std::make_unique<JTPluginMenuItem>(submenu, id));
        else
            RemoveEmptySubmenu(submenu);
    }
    return true;
}

bool JTPluginManager::BuildBar(HWND container)
{
    HWND box = container ? container : barBox_;
    if (!box)
        return false;
    try {
        // A scroll box of the ui layer: buttons go on its canvas, one row that scrolls sideways.
        auto* scrollBox = dynamic_cast<ui::ScrollBox*>(ui::Window::FromHandle(box));
        HWND parent = scrollBox ? scrollBox->Area() : box;
        if (scrollBox) {
            scrollBox->SetBarSize(10);
            scrollBox->SetHorzIncrement(kButtonStep);
        }
        for (int i = 0; i < plugins_.Count(); ++i) {
            JTPlugin* plugin = plugins_.At(i);
            if (!plugin->BarButton()) {
                auto button = std::make_unique<ui::GlyphButton>();
                button->SetHintText(plugin->Name());
                button->SetGlyph(plugin->GlyphBitmap());
                button->SetOnClick([this, plugin] { ExecutePlugin(plugin); });
                if (!button->CreateIn(parent, kButtonStep * i, 0, kButtonSize, kButtonSize))
                    return false;
                plugin->SetBarButton(std::move(button));
            }
            plugin->BarButton()->SetPosition(kButtonStep * i, 0);
        }
        if (scrollBox) {
            // Height 0: the row never asks for a vertical bar.
            const int width = plugins_.Empty() ? 0 : kButtonStep * (plugins_.Count() - 1) + kButtonSize;
            scrollBox->SetExtent(width, 0);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool JTPluginManager::FillListView(HWND listView)
{
    if (!listView)
        return false;
    ListView_DeleteAllItems(listView);
    while (ListView_DeleteColumn(listView, 0)) {
    }
    const char* columns[] = {"Name", "Author", "MenuText", "Kind", "Version", "Copyright"};
    for (int c = 0; c < 6; ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = ui::ScaleIn(listView, 80);
        column.pszText = const_cast<char*>(columns[c]);
        column.iSubItem = c;
        ::SendMessageA(listView, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    for (int i = 0; i < plugins_.Count(); ++i) {
        const JTPlugin* plugin = plugins_.At(i);
        const std::string* texts[] = {&plugin->Name(), &plugin->Author(),  &plugin->MenuText(),
                                      &plugin->Kind(), &plugin->Version(), &plugin->Copyright()};
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(texts[0]->c_str());
        const int row = static_cast<int>(::SendMessageA(listView, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        for (int c = 1; c < 6; ++c) {
            LVITEMA sub{};
            sub.iSubItem = c;
            sub.pszText = const_cast<char*>(texts[c]->c_str());
            ::SendMessageA(listView, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
        }
    }
    return true;
}

int JTPluginManager::ExecutePlugin(JTPlugin* plugin)
{
    return ExecutePlugin(plugin, hostHandle_);
}

int JTPluginManager::ExecutePlugin(JTPlugin* plugin, std::uint32_t handle)
{
    if (!plugin)
        return 0;
    // The run may end the object (uninstalled from inside its own window).
    const std::string name = plugin->Name();
    const JTPluginRun run = plugin->Run(handle);
    if (run.refused)
        ui::ShowMessage(MessageOwner(),
                        "The plugin " + name + " failed earlier (" + run.failure +
                            ") and will not run again until Keltrix is restarted.",
                        "Error", MB_OK | MB_ICONERROR);
    else if (!run.failure.empty())
        ui::ShowMessage(MessageOwner(),
                        "The plugin " + name + " failed (" + run.failure +
                            ") and was stopped. It will not run again until Keltrix is restarted.",
                        "Error", MB_OK | MB_ICONERROR);
    return run.result;
}

bool JTPluginManager::PrepareUninstall(JTPlugin* plugin, std::uint32_t handle)
{
    if (!plugin)
        return true;
    const std::string name = plugin->Name();
    const JTPluginRun run = plugin->PrepareUninstall(handle);
    if (run.failure.empty())
        return run.result != 0;
    // What failed may have been the undoing itself: the user decides whether to go on without it.
    const std::string why = run.refused ? "failed earlier (" + run.failure + ")"
                                        : "failed (" + run.failure + ") and was stopped";
    HWND owner = plugin::ToolWindowOwner(handle);
    return ui::ShowMessage(owner && ::IsWindow(owner) ? owner : MessageOwner(),
                           "The plugin " + name + " " + why + "; it could not undo its changes. Uninstall it anyway?",
                           "Error", MB_YESNO | MB_ICONERROR) == IDYES;
}

} // namespace kelt
