#pragma once
// Builds catalogue tables with the table engine in a throw-away folder, a host window with
// the controls the main window gives the catalogue, and records the messages the catalogue
// shows.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/platform/os_family.h"
#include "catalogue/reg_settings.h"
#include "storage/xdb_table.h"
#include "ui/instance.h"
#include "ui/seams.h"
#include "ui/window.h"

namespace kelt::testing {

inline const int kCurrentUser = static_cast<int>(0x80000001u);
inline const char kTestRoot[] = "Software\\KeltrixTest\\Catalogue";

struct ShownMessage {
    std::string text;
    std::string caption;
    UINT flags;
};

// Records every message box and answers OK.
class MessageRecorder {
public:
    MessageRecorder() : scope_(Seams(messages_)) {}
    const std::vector<ShownMessage>& Messages() const { return messages_; }

private:
    static ui::DialogSeams Seams(std::vector<ShownMessage>& sink)
    {
        ui::DialogSeams seams = ui::DialogSeams::Real();
        seams.messageBox = [&sink](HWND, const std::string& text, const std::string& caption, UINT flags) {
            sink.push_back({text, caption, flags});
            return IDOK;
        };
        return seams;
    }
    std::vector<ShownMessage> messages_;
    ui::ScopedSeams scope_;
};

struct CkRow {
    int kind = 0;
    std::string describe;
    std::string details;
    std::string name = "Value";  // value name below kTestRoot\<key>
    std::string key = "Items";
    int type = 1;
    std::string yes = "1";
    std::string no = "0";
    int os = 127;
};

struct EdRow {
    int kind = 0;
    std::string describe;
    std::string details;
    std::string name = "Text";
    std::string key = "Items";
    int type = 0;
    std::string defaultVal = "default";
    int os = 127;
};

// A folder of its own under the temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        static int counter = 0;
        char base[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        path_ = std::string(base) + "kelt-catalogue-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        ::CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~TempFolder()
    {
        WIN32_FIND_DATAA found;
        HANDLE find = ::FindFirstFileA((path_ + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name != "." && name != "..")
                    ::DeleteFileA((path_ + "\\" + name).c_str());
            } while (::FindNextFileA(find, &found));
            ::FindClose(find);
        }
        ::RemoveDirectoryA(path_.c_str());
    }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// The three catalogue tables of one test.
class CatalogueFiles {
public:
    std::string kindsVersion = kKindsVersion;
    std::string ckVersion = kCkItemsVersion;
    std::string edVersion = kEdItemsVersion;
    std::vector<std::string> kinds;
    std::vector<std::string> glyphs;  // bitmap file bytes per kind (missing: empty)
    std::vector<CkRow> ckRows;
    std::vector<EdRow> edRows;
    std::string ckMissingColumn;  // a column left out of the check-items table
    std::string edMissingColumn;

    std::string KindsPath() const { return folder_.File("KeltKinds.xdb"); }
    std::string CkPath() const { return folder_.File("KeltckItems.xdb"); }
    std::string EdPath() const { return folder_.File("KeltedItems.xdb"); }

    void Write() const
    {
        {
            TXdbTable t;
            t.FieldDefs().Add("sDescribe", ftMemo);
            t.FieldDefs().Add("Glyph", ftBlob);
            t.Open();
            Row(t, kindsVersion);
            for (std::size_t i = 0; i < kinds.size(); ++i) {
                t.Append();
                t.FieldByName("sDescribe").SetAsString(kinds[i]);
                if (i < glyphs.size())
                    t.FieldByName("Glyph").SetAsString(glyphs[i]);
                t.Post();
            }
            t.SaveToFile(KindsPath());
        }
        WriteItems(CkPath(), ckVersion, ckMissingColumn, true);
        WriteItems(EdPath(), edVersion, edMissingColumn, false);
    }

private:
    static void Row(TXdbTable& t, const std::string& describe)
    {
        t.Append();
        t.FieldByName("sDescribe").SetAsString(describe);
        t.Post();
    }

    void WriteItems(const std::string& path, const std::string& version, const std::string& missing, bool check) const
    {
        TXdbTable t;
        std::vector<std::pair<std::string, TFieldType>> columns = {
            {"iTypeID", ftInteger}, {"sDescribe", ftMemo},   {"iRegRoot", ftInteger}, {"sSubKey", ftMemo},
            {"iRegType", ftInteger}, {"sDataName", ftMemo},  {"iOSType", ftInteger},  {"bAutoCreate", ftBoolean},
            {"bReboot", ftBoolean},  {"sDetails", ftMemo}};
        if (check) {
            columns.push_back({"sYesVal", ftMemo});
            columns.push_back({"sNoVal", ftMemo});
        } else {
            columns.push_back({"sDefaultVal", ftMemo});
        }
        for (const auto& [name, type] : columns)
            if (name != missing)
                t.FieldDefs().Add(name, type);
        t.Open();
        Row(t, version);
        auto set = [&](const char* name, auto setter) {
            if (TField* field = t.FindField(name))
                setter(*field);
        };
        auto common = [&](int kind, const std::string& describe, const std::string& details, const std::string& key,
                          const std::string& name, int type, int os) {
            set("iTypeID", [&](TField& f) { f.SetAsInteger(kind); });
            set("sDescribe", [&](TField& f) { f.SetAsString(describe); });
            set("iRegRoot", [&](TField& f) { f.SetAsInteger(kCurrentUser); });
            set("sSubKey", [&](TField& f) { f.SetAsString(std::string(kTestRoot) + "\\" + key); });
            set("iRegType", [&](TField& f) { f.SetAsInteger(type); });
            set("sDataName", [&](TField& f) { f.SetAsString(name); });
            set("iOSType", [&](TField& f) { f.SetAsInteger(os); });
            set("sDetails", [&](TField& f) { f.SetAsString(details); });
        };
        if (check) {
            for (const CkRow& r : ckRows) {
                t.Append();
                common(r.kind, r.describe, r.details, r.key, r.name, r.type, r.os);
                set("sYesVal", [&](TField& f) { f.SetAsString(r.yes); });
                set("sNoVal", [&](TField& f) { f.SetAsString(r.no); });
                t.Post();
            }
        } else {
            for (const EdRow& r : edRows) {
                t.Append();
                common(r.kind, r.describe, r.details, r.key, r.name, r.type, r.os);
                set("sDefaultVal", [&](TField& f) { f.SetAsString(r.defaultVal); });
                t.Post();
            }
        }
        t.SaveToFile(path);
    }

    TempFolder folder_;
};

// A top-level window standing in for the main window: a parent for the page control, the
// details memo and the editor panel.
class HostWindow {
public:
    HostWindow(int width = 800, int height = 600)
    {
        ui::InitCommonControlsOnce();
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = ::DefWindowProcA;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            wc.lpszClassName = "KeltTestHost";
            wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
            return ::RegisterClassA(&wc) != 0;
        }();
        (void)registered;
        frame_ = ::CreateWindowExA(0, "KeltTestHost", "Catalogue test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                                   width, height, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        pages_ = ::CreateWindowExA(0, "KeltTestHost", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width - 250,
                                   height - 140, frame_, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        editor_ = ::CreateWindowExA(0, "KeltTestHost", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, height - 135,
                                    width - 250, 90, frame_, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        memo_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                  WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_VSCROLL, width - 245, 0,
                                  230, height - 60, frame_, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    }
    ~HostWindow()
    {
        if (::IsWindow(frame_))
            ::DestroyWindow(frame_);
    }
    HWND Frame() const { return frame_; }
    HWND PageParent() const { return pages_; }
    HWND Editor() const { return editor_; }
    HWND Memo() const { return memo_; }
    std::string MemoText() const
    {
        char buffer[8192] = {};
        ::GetWindowTextA(memo_, buffer, sizeof buffer);
        return buffer;
    }
    void Show() const
    {
        ::ShowWindow(frame_, SW_SHOWNORMAL);
        ::UpdateWindow(frame_);
    }

private:
    HWND frame_ = nullptr;
    HWND pages_ = nullptr;
    HWND editor_ = nullptr;
    HWND memo_ = nullptr;
};

// Sets the running family for one test and puts the old one back.
class FamilyScope {
public:
    explicit FamilyScope(int family) : saved_(OSFamily) { OSFamily = family; }
    ~FamilyScope() { OSFamily = saved_; }

private:
    int saved_;
};

// A catalogue wired to a host window and loaded from the files.
inline std::unique_ptr<JTRegSettings> MakeCatalogue(const CatalogueFiles& files, const HostWindow& host,
                                                    bool expanded = false)
{
    auto catalogue = std::make_unique<JTRegSettings>();
    catalogue->SetTablePaths(files.KindsPath(), files.CkPath(), files.EdPath());
    catalogue->SetPageControlParent(host.PageParent());
    catalogue->SetDetailsMemo(host.Memo());
    catalogue->SetEditorPanel(host.Editor());
    catalogue->DisplaySettings().ExpandItems = expanded;
    return catalogue;
}

// Windows path of the program folder the build staged (KELT_STAGE_DIR is a Linux path).
inline std::string StageFolder()
{
    const char* stage = std::getenv("KELT_STAGE_DIR");
    if (!stage || !*stage)
        return std::string();
    std::string path = stage;
    if (path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

inline void RemoveTestRoot()
{
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
}

inline void SetDword(const std::string& key, const std::string& name, DWORD value)
{
    HKEY handle = nullptr;
    const std::string path = std::string(kTestRoot) + "\\" + key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                          nullptr) == ERROR_SUCCESS) {
        ::RegSetValueExA(handle, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        ::RegCloseKey(handle);
    }
}

inline void SetString(const std::string& key, const std::string& name, const std::string& text)
{
    HKEY handle = nullptr;
    const std::string path = std::string(kTestRoot) + "\\" + key;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle,
                          nullptr) == ERROR_SUCCESS) {
        ::RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
        ::RegCloseKey(handle);
    }
}

inline bool GetDword(const std::string& key, const std::string& name, DWORD& value)
{
    DWORD size = sizeof value;
    DWORD type = 0;
    const std::string path = std::string(kTestRoot) + "\\" + key;
    return ::RegGetValueA(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_ANY, &type, &value, &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
}

} // namespace kelt::testing
