// Shows a page of check rows (unmodified, modified, disabled, hidden-mode) on the page
// background, for looking at them: check_rows_demo.exe [seconds]
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "catalogue/ck_set_item.h"
#include "catalogue/platform/registry.h"
#include "ui/colour.h"
#include "ui/window.h"

using namespace kelt;

namespace {

class Page : public ui::Window {
public:
    bool Open(const TRegSetOption& settings)
    {
        settings_ = &settings;
        RegisterWindowClass("KeltDemoPage", CS_HREDRAW | CS_VREDRAW, nullptr);
        return Create("KeltDemoPage", "Check rows", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 20, 20,
                      560, 260, nullptr);
    }

protected:
    bool OnEraseBackground(HDC dc) override
    {
        RECT client;
        GetClientRect(Handle(), &client);
        HBRUSH brush = ui::CreateColourBrush(settings_->TWeakBackColor);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        return true;
    }
    void OnDestroy() override { PostQuitMessage(0); }

private:
    const TRegSetOption* settings_ = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::string key = "Software\\KeltrixTest\\Demo";
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_CURRENT_USER);
        registry.OpenKey(key, true);
        registry.WriteInteger("On", 1);
        registry.WriteInteger("Off", 0);
        registry.WriteString("Text", "yes");
    }

    TRegSetOption settings;
    settings.TWeakBackColor = 0xE8F4FF;  // a warm page colour, so the row background shows
    settings.NorTWeakColor = 0x000000;
    settings.ModTWeakColor = 0x000080;
    settings.NotSuitShow = 0;
    OSFamily = 32;

    Page page;
    if (!page.Open(settings))
        return 1;

    struct RowSample {
        const char* describe;
        const char* name;
        int type;
        const char* yes;
        const char* no;
        int mask;
        bool toggle;  // make it modified
    };
    const RowSample samples[] = {
        {"Unmodified tweak, switched on", "On", 1, "1", "0", 127, false},
        {"Unmodified tweak, switched off", "Off", 1, "1", "0", 127, false},
        {"Modified tweak (will be switched on)", "Off", 1, "1", "0", 127, true},
        {"Modified tweak (will be switched off)", "Text", 0, "yes", "no", 127, true},
        {"Tweak for another Windows (disabled)", "On", 1, "1", "0", 7, false},
    };
    std::vector<std::unique_ptr<JTckSetItem>> items;
    int top = 8;
    for (const RowSample& s : samples) {
        auto item = std::make_unique<JTckSetItem>();
        item->sDescribe = s.describe;
        item->iRegRoot = static_cast<int>(0x80000001u);
        item->sSubKey = key;
        item->sDataName = s.name;
        item->iRegType = s.type;
        item->sYesVal = s.yes;
        item->sNoVal = s.no;
        item->OSType.SetMask(s.mask);
        item->SetDisplaySettings(&settings);
        item->Initialize(false, true);
        item->SetParentArea(page.Handle());
        item->GetControl()->SetPosition(12, top);
        item->ApplyColors();
        if (s.toggle)
            item->SetChecked(!item->RegistryState());
        top += item->GetControl()->Height() + 12;
        items.push_back(std::move(item));
    }
    // Keyboard focus on the first row, as after a click.
    items[0]->GetControl()->Focus();

    SetTimer(page.Handle(), 1, static_cast<UINT>(seconds * 1000), nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == page.Handle())
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
