// Help topics: the path handed to the viewer and what happens without a help file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/html_help.h"
#include "ui/files.h"
#include "ui/seams.h"

namespace {

struct ViewerCall {
    HWND owner;
    std::string path;
    UINT command;
    DWORD_PTR data;
};

struct Message {
    std::string text, caption;
    UINT flags;
};

class HelpTopics : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = kelt::SetHtmlHelpCall([this](HWND owner, const std::string& path, UINT command, DWORD_PTR data) {
            calls_.push_back({owner, path, command, data});
        });
    }
    void TearDown() override
    {
        kelt::SetHtmlHelpCall(previous_);
        if (createdFile_)
            ::DeleteFileA(HelpFile().c_str());
    }

    static std::string HelpFile() { return kelt::ui::ProgramFolder() + "keltrix.chm"; }
    static bool HelpFileExists() { return ::GetFileAttributesA(HelpFile().c_str()) != INVALID_FILE_ATTRIBUTES; }

    kelt::ui::DialogSeams RecordingSeams()
    {
        kelt::ui::DialogSeams seams;
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            messages_.push_back({text, caption, flags});
            return IDOK;
        };
        return seams;
    }

    std::vector<ViewerCall> calls_;
    std::vector<Message> messages_;
    kelt::HtmlHelpCall previous_;
    bool createdFile_ = false;
};

TEST_F(HelpTopics, PathIsTheProgramFolderWithTheHelpFileAndTopic)
{
    char module[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder(module, length);
    folder.erase(folder.find_last_of('\\') + 1);
    EXPECT_EQ(folder, kelt::ui::ProgramFolder());
    EXPECT_EQ(folder + "keltrix.chm::/options.htm", kelt::HelpTopicPath("::/options.htm"));
}

TEST_F(HelpTopics, TopicGoesToTheViewerWithTheDesktopAsOwner)
{
    if (!HelpFileExists()) {
        HANDLE file = ::CreateFileA(HelpFile().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        ::CloseHandle(file);
        createdFile_ = true;
    }
    kelt::ui::ScopedSeams seams(RecordingSeams());
    kelt::ShowHelpTopic("::/options.htm");
    ASSERT_EQ(1u, calls_.size());
    EXPECT_EQ(::GetDesktopWindow(), calls_[0].owner);
    EXPECT_EQ(kelt::ui::ProgramFolder() + "keltrix.chm::/options.htm", calls_[0].path);
    EXPECT_EQ(0u, calls_[0].command);  // HH_DISPLAY_TOPIC
    EXPECT_EQ(0u, calls_[0].data);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(HelpTopics, MissingHelpFileIsReportedAndTheViewerNotCalled)
{
    if (HelpFileExists())
        GTEST_SKIP() << "a help file lies beside the test program";
    kelt::ui::ScopedSeams seams(RecordingSeams());
    kelt::ShowHelpTopic("::/options.htm");
    EXPECT_TRUE(calls_.empty());
    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ("The help file " + HelpFile() + " could not be found.", messages_[0].text);
    EXPECT_EQ("Error", messages_[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), messages_[0].flags);
}

} // namespace
