#pragma once
// A throw-away program folder with a Plugins folder beneath it, filled with copies of the test
// plug-ins, and a script for the message boxes of the plug-in host.
#include <windows.h>

#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/windows/plugins/plugin_test_support.h"
#include "ui/seams.h"

namespace kelt::testing {

class PluginFolder {
public:
    PluginFolder()
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        root_ = std::string(temp) + "kelt_plugins_" + std::to_string(::GetCurrentProcessId()) + "_" +
                std::to_string(++serial);
        ::CreateDirectoryA(root_.c_str(), nullptr);
        ::CreateDirectoryA(Plugins().c_str(), nullptr);
    }
    ~PluginFolder() { RemoveTree(root_); }
    PluginFolder(const PluginFolder&) = delete;
    PluginFolder& operator=(const PluginFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string Plugins() const { return root_ + "\\Plugins"; }
    std::string Ini() const { return Plugins() + "\\KeltPlugins.ini"; }
    std::string VersionIni() const { return root_ + "\\Version.ini"; }

    // Copies a test plug-in into `folder` (default: Plugins) as `as` (default: its own name).
    std::string Add(const std::string& name, const std::string& folder = "", const std::string& as = "") const
    {
        const std::string dir = folder.empty() ? Plugins() : folder;
        ::CreateDirectoryA(dir.c_str(), nullptr);
        const std::string target = dir + "\\" + (as.empty() ? name + ".KTP" : as);
        ::CopyFileA(TestPlugin(name).c_str(), target.c_str(), FALSE);
        return target;
    }
    std::string Folder(const std::string& name) const
    {
        const std::string dir = root_ + "\\" + name;
        ::CreateDirectoryA(dir.c_str(), nullptr);
        return dir;
    }

    // Rewrites the processor field of a library's header: a stand-in for a plug-in built for
    // the other processor than this program's (the 32-bit one in the 64-bit program).
    static void MakeForeign(const std::string& path)
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        IMAGE_DOS_HEADER dos{};
        file.read(reinterpret_cast<char*>(&dos), sizeof dos);
        file.seekp(dos.e_lfanew + 4);
#if defined(_WIN64)
        const WORD machine = IMAGE_FILE_MACHINE_I386;
#else
        const WORD machine = IMAGE_FILE_MACHINE_AMD64;
#endif
        file.write(reinterpret_cast<const char*>(&machine), sizeof machine);
    }

    static void Write(const std::string& path, const std::string& text)
    {
        // Through the profile API's own cache first, so it re-reads the file.
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Read(const std::string& path)
    {
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

private:
    static void RemoveTree(const std::string& dir)
    {
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA((dir + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string path = dir + "\\" + name;
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path);
                else
                    ::DeleteFileA(path.c_str());
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryA(dir.c_str());
    }
    std::string root_;
};

// Records every message box and answers from a queue (IDOK when it is empty).
struct MessageScript {
    struct Box {
        std::string text, caption;
        UINT flags;
    };
    std::vector<Box> boxes;
    std::deque<int> answers;

    ui::DialogSeams Seams()
    {
        ui::DialogSeams seams;
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back(Box{text, caption, flags});
            if (answers.empty())
                return IDOK;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
        return seams;
    }
};

} // namespace kelt::testing
