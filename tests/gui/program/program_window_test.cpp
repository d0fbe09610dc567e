// The program window: it loads the catalogue from the message loop, counts what it loaded,
// reports a broken catalogue once and keeps running, and follows the expand switch.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/catalogue_window.h"
#include "app/catalogue_window_ids.h"
#include "app/options.h"
#include "catalogue/platform/os_family.h"
#include "ui/seams.h"
#include "ui/window.h"

namespace kelt {
namespace {

std::string StageFolder() {
    const char* stage = std::getenv("KELT_STAGE_DIR");
    std::string path = stage ? stage : "";
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path + "\\";
}

struct Message {
    std::string text, caption;
    UINT flags;
};

class ProgramWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::DialogSeams seams;
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            messages.push_back({text, caption, flags});
            return IDOK;
        };
        scoped = std::make_unique<ui::ScopedSeams>(seams);
        OSFamily = 0;
    }

    // Creates the window over the given folder's tables and lets the posted load run.
    void Open(const std::string& folder) {
        window = std::make_unique<TKeltCatalogueWindow>(options);
        ASSERT_TRUE(window->CreateMain(SW_SHOWNORMAL));
        window->Catalogue().SetTablePaths(folder + "KeltKinds.xdb", folder + "KeltckItems.xdb",
                                          folder + "KeltedItems.xdb");
        ui::ProcessPendingMessages();
    }

    void TearDown() override {
        if (window && window->Handle()) ::DestroyWindow(window->Handle());
        window.reset();
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }

    JTKeltOptions options;
    std::vector<Message> messages;
    std::unique_ptr<ui::ScopedSeams> scoped;
    std::unique_ptr<TKeltCatalogueWindow> window;
};

TEST_F(ProgramWindowTest, ShippedCatalogueLoadsSilentlyAndIsCounted) {
    Open(StageFolder());
    EXPECT_TRUE(messages.empty()) << messages.front().text;
    JTRegSettings& catalogue = window->Catalogue();
    ASSERT_EQ(catalogue.LoadState(), 2);
    EXPECT_GE(catalogue.KindCount(), 8);
    EXPECT_GE(catalogue.CkItemCount() + catalogue.EdItemCount(), 150);
    const std::string expected = "Modified Item Count:0    Tweaks: " +
                                 std::to_string(catalogue.CkItemCount() + catalogue.EdItemCount()) + " in " +
                                 std::to_string(catalogue.KindCount()) + " catalogues";
    EXPECT_EQ(window->StatusText(), expected);
    char caption[256] = {};
    ::GetWindowTextA(window->Handle(), caption, sizeof caption);
    EXPECT_EQ(std::string(caption), "Keltrix 0.9 --[Now Running Under:]");
}

TEST_F(ProgramWindowTest, MissingCatalogueIsReportedOnceAndTheWindowStays) {
    Open("Z:\\nonexistent-keltrix-folder\\");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "An error has been occured when opening database of catalogues!");
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_TRUE(messages[0].flags & MB_ICONERROR);
    EXPECT_EQ(window->StatusText(), "The catalogue could not be loaded.");
    EXPECT_TRUE(::IsWindow(window->Handle()));
}

TEST_F(ProgramWindowTest, ExpandSwitchReachesTheCatalogueAndHidesTheEditorStrip) {
    Open(StageFolder());
    HWND editor = ::GetDlgItem(window->Handle(), IDC_CATALOGUE_EDITOR);
    ASSERT_TRUE(editor);
    EXPECT_TRUE(::IsWindowVisible(editor));
    ::SendMessageA(window->Handle(), WM_COMMAND, IDM_CATALOGUE_EXPAND, 0);
    EXPECT_TRUE(options.ExpandItems);
    EXPECT_TRUE(window->Catalogue().DisplaySettings().ExpandItems);
    EXPECT_FALSE(::IsWindowVisible(editor));
    ::SendMessageA(window->Handle(), WM_COMMAND, IDM_CATALOGUE_EXPAND, 0);
    EXPECT_FALSE(options.ExpandItems);
    EXPECT_TRUE(::IsWindowVisible(editor));
    EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace kelt
