#pragma once
// The user's preferences: one program-wide object, kept in the registry as thirteen
// REG_DWORD values named like the fields.
#include <windows.h>

#include <memory>
#include <string>

namespace kelt {

class JTKeltOptions {
public:
    JTKeltOptions() = default;
    virtual ~JTKeltOptions() = default;

    // 1 when the key could be opened and the stored values were taken over; 0 when the key
    // is missing (every field keeps its value).
    virtual int LoadOptions();
    // Writes all thirteen values, creating the key when missing. A write the registry
    // refuses raises RegistryError; the fields keep what they hold.
    virtual void SaveOptions();

    bool UseXPMenu = true;
    int MainLayout = 0;                  // 0 side bar ("Bars"), 1 page tabs ("Tabs")
    COLORREF TWeakBackColor = 0x8000000F; // system colour of button faces
    HKEY RootKey = HKEY_LOCAL_MACHINE;
    std::string KeyPath = "SoftWare\\Dorvane\\Keltrix 0.8\\Options";
    int TWeakSpace = 5;                  // never read from the registry
    bool ShowCreating = false;
    int NotSuitShow = 0;                 // 0 shown disabled, 1 hidden
    COLORREF NorTWeakColor = 0x00000000;
    COLORREF ModTWeakColor = 0x00000080;
    bool ScanPlugins = true;
    int OutBarStyle = 0;                 // 0..10, order of the side bar's style menu
    int OutBarLayout = 3;                // 3 left, 4 right
    bool AutoInst = true;
    bool ExpandItems = false;
};

// The program-wide options object: created (with defaults) by the program entry, freed by the
// main window when it is destroyed. KeltOptions() is null before creation and after freeing.
JTKeltOptions* KeltOptions();
JTKeltOptions& CreateKeltOptions();
void FreeKeltOptions();

} // namespace kelt
