// "Update Keltrix" and "Update Log" created for real and driven with messages: the layout and
// texts, a whole run as the user sees it, and every way out (Exit, Cancel, the close box).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/windows/update/update_run_fixture.h"
#include "update/update_form.h"
#include "update/update_ids.h"

using namespace kelt::update;
using namespace kelt::update::testing;

namespace {

std::string Text(HWND window)
{
    return kelt::ui::WindowText(window);
}

bool Shown(HWND window)
{
    return (::GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Bold(HWND label)
{
    LOGFONTA face{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(label, WM_GETFONT, 0, 0)), sizeof face, &face);
    return face.lfWeight >= FW_BOLD;
}

std::string StatusText(HWND status)
{
    char buffer[512] = {};
    ::SendMessageA(status, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// Records every position a progress bar is given, and whether a label was bold at that moment.
struct BarRecord {
    HWND label = nullptr;
    std::vector<int> positions;
    std::vector<bool> labelBold;
};

LRESULT CALLBACK RecordBar(HWND bar, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    if (message == PBM_SETPOS) {
        auto& record = *reinterpret_cast<BarRecord*>(data);
        record.positions.push_back(static_cast<int>(wParam));
        record.labelBold.push_back(Bold(record.label));
    }
    return ::DefSubclassProc(bar, message, wParam, lParam);
}

// Runs actions from a timer, one after another, while a run keeps the message loop going.
class LaterCalls {
public:
    LaterCalls(int everyMs, std::vector<std::function<void()>> actions) : actions_(std::move(actions))
    {
        Current() = this;
        id_ = ::SetTimer(nullptr, 0, static_cast<UINT>(everyMs), [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
            LaterCalls* self = Current();
            if (self && self->next_ < self->actions_.size())
                self->actions_[self->next_++]();
        });
    }
    ~LaterCalls()
    {
        ::KillTimer(nullptr, id_);
        Current() = nullptr;
    }

private:
    static LaterCalls*& Current()
    {
        static LaterCalls* current = nullptr;
        return current;
    }
    std::vector<std::function<void()>> actions_;
    std::size_t next_ = 0;
    UINT_PTR id_;
};

class UpdateFormTest : public UpdateRunFixture {
protected:
    void Open(int readTimeoutMs = 1000)
    {
        RunSettings settings = Settings();
        settings.readTimeoutMs = readTimeoutMs;
        settings.bodyBaseMs = std::max(settings.bodyBaseMs, readTimeoutMs);
        form = std::make_unique<TpfrmUpdate>(settings);
        form->OnEndProgram = [this] { ++ended; };
        ASSERT_TRUE(form->Create());
        ::ShowWindow(form->Handle(), SW_SHOW);
    }
    HWND Item(int id) const { return ::GetDlgItem(form->Handle(), id); }
    void Click(int id) { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }

    std::unique_ptr<TpfrmUpdate> form;
    int ended = 0;
};

TEST_F(UpdateFormTest, OpensWithStartOnlyAndEveryText)
{
    Open();
    const HWND window = form->Handle();
    EXPECT_EQ(Text(window), "Update Keltrix");
    const LONG style = ::GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(Text(Item(IDC_BANNER)), "Update....");
    EXPECT_EQ(Text(Item(IDC_PLDOWN)), "Download files");
    EXPECT_EQ(Text(Item(IDC_PLUPDATE)), "Update");
    EXPECT_FALSE(Bold(Item(IDC_PLDOWN)));
    EXPECT_FALSE(Bold(Item(IDC_PLUPDATE)));
    EXPECT_EQ(Text(Item(IDC_START)), "&Start");
    EXPECT_EQ(Text(Item(IDCANCEL)), "&Cancel");
    EXPECT_TRUE(Shown(Item(IDC_START)));
    EXPECT_FALSE(Shown(Item(IDCANCEL)));
    EXPECT_EQ(LOWORD(::SendMessageA(window, DM_GETDEFID, 0, 0)), IDC_START);
    RECT start, cancel;
    ::GetWindowRect(Item(IDC_START), &start);
    ::GetWindowRect(Item(IDCANCEL), &cancel);
    EXPECT_TRUE(::EqualRect(&start, &cancel));
    for (int bar : {IDC_PRODOWN, IDC_PROUPDATE}) {
        EXPECT_EQ(::SendMessageA(Item(bar), PBM_GETRANGE, FALSE, 0), 100);
        EXPECT_EQ(::SendMessageA(Item(bar), PBM_GETPOS, 0, 0), 0);
    }
    EXPECT_NE(::SendMessageA(window, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);
    RECT frame;
    ::GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, ::GetSystemMetrics(SM_CXSCREEN) / 2, 2);
}

TEST_F(UpdateFormTest, AWholeRunShowsBothStagesThenTheLogAndExitSavesIt)
{
    Publish("form", {{"Program", "Main", "Keltrix.exe", "0.9", "program"},
                     {"Database", "Kinds", "KeltKinds.xdb", "0.9", "kinds"},
                     {"Plugins", "Hide", "Hide.KTP", "0.9", "hide"}},
            TreeServer());
    Open();
    BarRecord down{Item(IDC_PLDOWN), {}, {}}, install{Item(IDC_PLUPDATE), {}, {}};
    ::SetWindowSubclass(Item(IDC_PRODOWN), RecordBar, 1, reinterpret_cast<DWORD_PTR>(&down));
    ::SetWindowSubclass(Item(IDC_PROUPDATE), RecordBar, 1, reinterpret_cast<DWORD_PTR>(&install));

    Click(IDC_START);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Installed:\n   Keltrix.exe 0.9\n   KeltKinds.xdb 0.9\n   Hide.KTP 0.9");
    messages.clear();
    EXPECT_EQ(down.positions, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(down.labelBold, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(install.positions, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(install.labelBold, (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(Text(Item(IDC_PLDOWN)), "Downloading update files....");
    EXPECT_FALSE(Bold(Item(IDC_PLDOWN)));
    EXPECT_EQ(StatusText(Item(IDC_STATUS)), "Update finished!");
    EXPECT_FALSE(Shown(Item(IDC_START)));
    EXPECT_TRUE(Shown(Item(IDCANCEL)));
    EXPECT_EQ(Text(Item(IDCANCEL)), "&Exit");

    TpfrmLog* log = form->LogWindow();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(::IsWindowVisible(log->Handle()));
    EXPECT_EQ(Text(log->Handle()), "Update Log");
    EXPECT_EQ(Text(::GetDlgItem(log->Handle(), IDC_LOG_GROUP)), "Update Logs");
    const std::string lines =
        "Update information signed with the publisher's key\r\nUpdated successful: Keltrix.exe\r\nUpdated successful: KeltKinds.xdb\r\nUpdated successful: Hide.KTP\r\n";
    EXPECT_EQ(Text(::GetDlgItem(log->Handle(), IDC_LOG_TEXT)), lines);
    EXPECT_TRUE(::GetWindowLongA(::GetDlgItem(log->Handle(), IDC_LOG_TEXT), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(Text(::GetDlgItem(log->Handle(), IDOK)), "&OK");
    ::SendMessageA(::GetDlgItem(log->Handle(), IDOK), BM_CLICK, 0, 0);
    EXPECT_EQ(form->LogWindow(), nullptr);

    Click(IDCANCEL);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(form->Handle(), nullptr);
    EXPECT_EQ(ReadBytes(program + "Update.log"), lines);
}

TEST_F(UpdateFormTest, CancelAsksFirstAndEndsWithoutSavingTheLog)
{
    Publish("same", {{"Program", "Main", "Keltrix.exe", "0", "program"}}, TreeServer());
    Open();
    Click(IDC_START);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Nothing new has been found!!");
    EXPECT_TRUE(Shown(Item(IDCANCEL)));
    EXPECT_EQ(Text(Item(IDCANCEL)), "&Cancel");

    answers = {IDNO, IDYES};
    Click(IDCANCEL);
    EXPECT_EQ(ended, 0);
    ASSERT_NE(form->Handle(), nullptr);
    Click(IDCANCEL);
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(messages.size(), 3u);
    for (int i : {1, 2}) {
        EXPECT_EQ(messages[i].text, "Update not finished!\nDo you really want to cancel?");
        EXPECT_EQ(messages[i].caption, "Warning");
        EXPECT_EQ(messages[i].flags, static_cast<UINT>(MB_YESNO | MB_ICONWARNING));
    }
    EXPECT_EQ(ReadBytes(program + "Update.log"), "<missing>");
}

TEST_F(UpdateFormTest, CancelAndTheCloseBoxAreServedWhileADownloadWaits)
{
    Publish("wait", {{"Program", "Stall", "stall.bin", "1", "x", "1000"}}, OddServer(), "tree/");
    WriteBytes(program + "stall.bin", "installed");
    Open(30000);
    answers = {IDNO, IDYES};
    LaterCalls user(400, {[this] { ::PostMessageA(form->Handle(), WM_CLOSE, 0, 0); },
                          [this] { ::PostMessageA(Item(IDCANCEL), BM_CLICK, 0, 0); }});
    Click(IDC_START);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "Update not finished!\nDo you really want to cancel?");
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(form->Run().Aborted());
    EXPECT_FALSE(form->Run().Running());
    EXPECT_EQ(ReadBytes(program + "stall.bin"), "installed");
    EXPECT_EQ(ReadBytes(program + "Update.log"), "<missing>");
}

TEST_F(UpdateFormTest, TheCloseBoxOfAnIdleWindowSavesTheLogAndEnds)
{
    WriteBytes(program + "Update.log", "an older log");
    Open();
    ::SendMessageA(form->Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(form->Handle(), nullptr);
    EXPECT_EQ(ReadBytes(program + "Update.log"), "");
}

} // namespace
