#pragma once
// A throw-away program folder with a Plugins folder beneath it, filled with copies of the test
// plug-ins, and a script for the message boxes of the plug-in host.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <deque>
#include <iterator>
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

    // Points the library's first bitmap resource far past the end of its image: a glyph that
    // lies about where it is.
    static void MakeLyingGlyph(const std::string& path)
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        std::vector<char> image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const auto read = [&](std::size_t at, auto& value) { std::memcpy(&value, image.data() + at, sizeof value); };
        IMAGE_DOS_HEADER dos{};
        read(0, dos);
        IMAGE_NT_HEADERS nt{};
        read(dos.e_lfanew, nt);
        const DWORD resources = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
        std::size_t base = 0;
        IMAGE_SECTION_HEADER section{};
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            read(dos.e_lfanew + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader +
                     i * sizeof section, section);
            if (resources >= section.VirtualAddress && resources < section.VirtualAddress + section.SizeOfRawData)
                base = section.PointerToRawData + (resources - section.VirtualAddress);
        }
        // Type RT_BITMAP, then its first name, then its first language: the data entry.
        std::size_t at = base;
        for (int level = 0; level < 3; ++level) {
            IMAGE_RESOURCE_DIRECTORY directory{};
            read(at, directory);
            const int count = directory.NumberOfNamedEntries + directory.NumberOfIdEntries;
            IMAGE_RESOURCE_DIRECTORY_ENTRY entry{};
            for (int i = 0; i < count; ++i) {
                read(at + sizeof directory + i * sizeof entry, entry);
                if (level > 0 || (!entry.NameIsString && entry.Id == 2))
                    break;
            }
            at = base + entry.OffsetToDirectory;
        }
        IMAGE_RESOURCE_DATA_ENTRY data{};
        read(at, data);
        data.OffsetToData = nt.OptionalHeader.SizeOfImage + 0x100000;
        file.clear();
        file.seekp(static_cast<std::streamoff>(at));
        file.write(reinterpret_cast<const char*>(&data), sizeof data);
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
