// Shows the apply dialog (argument "apply") or the restore dialog (argument "restore") with a
// few rows, to look at by hand. Writes under HKEY_CURRENT_USER\Software\KeltrixTest\Demo.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/apply/apply_form.h"
#include "app/apply/record_form.h"
#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "catalogue/record.h"
#include "catalogue/reg_settings.h"
#include "ui/instance.h"

using namespace kelt;

namespace {

const int kCurrentUser = static_cast<int>(0x80000001u);
const char kKey[] = "Software\\KeltrixTest\\Demo";

void Set(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

template <typename T>
T& Prepare(std::vector<std::unique_ptr<JTSetItem>>& items, std::unique_ptr<T> item, const char* describe,
           const char* name, int type)
{
    item->sDescribe = describe;
    item->iRegRoot = kCurrentUser;
    item->sSubKey = kKey;
    item->sDataName = name;
    item->iRegType = type;
    item->OSType.SetMask(127);
    item->Initialize(false, true);
    T& ref = *item;
    items.push_back(std::move(item));
    return ref;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command, int)
{
    ui::InitCommonControlsOnce();
    const std::string mode = command ? command : "";
    DWORD one = 1;
    Set("ShowHidden", REG_DWORD, &one, 4);
    Set("Title", REG_SZ, "Keltrix", 8);
    Set("Mask", REG_BINARY, "\x01\xFF\x10", 3);
    JTRegSettings catalogue;
    std::vector<std::unique_ptr<JTSetItem>> items;
    auto& hidden = Prepare(items, std::make_unique<JTckSetItem>(), "Show hidden files and folders", "ShowHidden", 1);
    hidden.sYesVal = "1";
    hidden.sNoVal = "0";
    hidden.ReadValue();
    hidden.BuildControl();
    hidden.SetChecked(false);
    catalogue.ItemChange(&hidden, true);
    auto& title = Prepare(items, std::make_unique<JTedSetItem>(), "Window title of the browser", "Title", 0);
    title.Panel()->SetValue("Keltrix 0.9");
    catalogue.ItemChange(&title, true);
    auto& mask = Prepare(items, std::make_unique<JTedSetItem>(), "Drive mask", "Mask", 2);
    mask.Panel()->SetValue(std::string("\x00\xFF\x10\x20", 4));
    catalogue.ItemChange(&mask, true);

    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "KeltRecordDemo.rwr";
    if (mode.rfind("restore", 0) == 0) {
        // A record of the three changes, as an apply run leaves it.
        catalogue.SetRecordFileName(file);
        catalogue.CreateRecordTable();
        for (JTSetItem* item : catalogue.ModifiedList()) {
            JTRecord record;
            record.sDescribe = item->sDescribe;
            record.iRegRoot = item->iRegRoot;
            record.iRegType = item->iRegType;
            record.sSubKey = item->sSubKey;
            record.sDataName = item->sDataName;
            record.sOldVal = item->CurrentValue();
            record.sNewVal = item->GetNewValue();
            record.sDefaultVal = item->GetDefaultValue();
            record.bAutoCreate = item->bAutoCreate;
            record.SaveToTable(catalogue.RecordTable());
            catalogue.RecordTable()->ApplyUpdates();
            item->WriteValue();
        }
        catalogue.RecordTable()->Close();
        TKeltRecForm form(TKeltRecForm::kRestore, &catalogue);
        // List the file as soon as the dialog is up.
        struct Lister {
            static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
            {
                ::KillTimer(nullptr, id);
                HWND dialog = ::FindWindowA(nullptr, "Restore registry settings");
                char temp[MAX_PATH];
                ::GetTempPathA(MAX_PATH, temp);
                ::SetDlgItemTextA(dialog, 3403, (std::string(temp) + "KeltRecordDemo.rwr").c_str());
                ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(3409, BN_CLICKED), 0);
                if (std::string(::GetCommandLineA()).find("scrolled") != std::string::npos)
                    ::SendDlgItemMessageA(dialog, 3406, LVM_SCROLL, 400, 0);
            }
        };
        ::SetTimer(nullptr, 0, 500, Lister::Tick);
        form.RunModal(nullptr);
    } else {
        TKeltApplyRep form(true, file, catalogue);
        form.RunModal(nullptr);
    }
    return 0;
}
