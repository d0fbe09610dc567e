#include "app/options.h"

#include "catalogue/platform/registry.h"
#include "ui/xp_style.h"

namespace kelt {

namespace {

// Reads an integer value only when it is stored as one that reads as a number (a REG_DWORD of
// four bytes); anything else leaves the field alone.
bool HasInteger(TRegistry& reg, const char* name)
{
    TRegDataInfo info;
    return reg.GetDataInfo(name, info) && info.RegData == rdInteger && info.DataSize == sizeof(DWORD);
}

void LoadBool(TRegistry& reg, const char* name, bool& field)
{
    if (HasInteger(reg, name))
        field = reg.ReadBool(name);
}

void LoadInt(TRegistry& reg, const char* name, int& field)
{
    if (HasInteger(reg, name))
        field = reg.ReadInteger(name);
}

void LoadColour(TRegistry& reg, const char* name, COLORREF& field)
{
    if (HasInteger(reg, name))
        field = static_cast<COLORREF>(reg.ReadInteger(name));
}

} // namespace

int JTKeltOptions::LoadOptions()
{
    // Read access only: the options stay readable under HKEY_LOCAL_MACHINE without admin rights.
    TRegistry reg(KEY_READ);
    reg.SetRootKey(RootKey);
    if (!reg.OpenKey(KeyPath, false))
        return 0;

    // TWeakSpace is deliberately not read: the row gap always starts at its default.
    LoadBool(reg, "UseXPMenu", UseXPMenu);
    LoadInt(reg, "MainLayout", MainLayout);
    LoadBool(reg, "ShowCreating", ShowCreating);
    LoadInt(reg, "NotSuitShow", NotSuitShow);
    LoadColour(reg, "TWeakBackColor", TWeakBackColor);
    LoadColour(reg, "NorTWeakColor", NorTWeakColor);
    LoadColour(reg, "ModTWeakColor", ModTWeakColor);
    LoadBool(reg, "ScanPlugins", ScanPlugins);
    LoadBool(reg, "AutoInst", AutoInst);
    LoadInt(reg, "OutBarStyle", OutBarStyle);
    LoadInt(reg, "OutBarLayout", OutBarLayout);
    LoadBool(reg, "ExpandItems", ExpandItems);

    if (MainLayout < 0 || MainLayout > 1)
        MainLayout = 0;
    if (OutBarStyle < 0 || OutBarStyle > 10)
        OutBarStyle = 0;
    if (OutBarLayout != 3 && OutBarLayout != 4)
        OutBarLayout = 3;
    return 1;
}

void JTKeltOptions::SaveOptions()
{
    TRegistry reg;
    reg.SetRootKey(RootKey);
    if (!reg.OpenKey(KeyPath, true))
        throw RegistryError("Failed to open or create key '" + KeyPath + "'");

    reg.WriteBool("UseXPMenu", UseXPMenu);
    reg.WriteInteger("MainLayout", MainLayout);
    reg.WriteBool("ShowCreating", ShowCreating);
    reg.WriteInteger("NotSuitShow", NotSuitShow);
    reg.WriteInteger("TWeakSpace", TWeakSpace);
    reg.WriteInteger("TWeakBackColor", static_cast<int>(TWeakBackColor));
    reg.WriteInteger("NorTWeakColor", static_cast<int>(NorTWeakColor));
    reg.WriteInteger("ModTWeakColor", static_cast<int>(ModTWeakColor));
    reg.WriteBool("ScanPlugins", ScanPlugins);
    reg.WriteBool("AutoInst", AutoInst);
    reg.WriteInteger("OutBarStyle", OutBarStyle);
    reg.WriteInteger("OutBarLayout", OutBarLayout);
    reg.WriteInteger("ExpandItems", ExpandItems ? 1 : 0);
}

namespace {
std::unique_ptr<JTKeltOptions>& ProgramOptions()
{
    static std::unique_ptr<JTKeltOptions> options;
    return options;
}
} // namespace

JTKeltOptions* KeltOptions()
{
    return ProgramOptions().get();
}

JTKeltOptions& CreateKeltOptions()
{
    ProgramOptions() = std::make_unique<JTKeltOptions>();
    // Windows below the program (the catalogue's dialogs) read UseXPMenu as it stands when
    // they open.
    ui::SetXPStyleSource([] { return KeltOptions() ? KeltOptions()->UseXPMenu : true; });
    return *ProgramOptions();
}

void FreeKeltOptions()
{
    ProgramOptions().reset();
}

} // namespace kelt
