#pragma once
// What the updater's Windows tests share: the loopback servers started by with_servers.sh,
// throw-away folders, and whole-file reads and writes.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace kelt::update::testing {

inline std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "http://127.0.0.1:<port>" of the tree server (python's http.server) and of the odd server.
inline std::string TreeServer()
{
    return "http://127.0.0.1:" + Env("KELT_TREE_PORT");
}
inline std::string OddServer()
{
    return "http://127.0.0.1:" + Env("KELT_ODD_PORT");
}
inline std::string TlsServer()
{
    return "https://127.0.0.1:" + Env("KELT_TLS_PORT");
}
// The odd server on the IPv6 loopback; empty where the machine has none.
inline std::string Ipv6Server()
{
    const std::string port = Env("KELT_IPV6_PORT");
    return port.empty() || port == "none" ? std::string() : "http://[::1]:" + port;
}

// The served tree as a Windows path (drive Z: is the Unix root), with a trailing backslash.
inline std::string TreeFolder()
{
    std::string path = "Z:" + Env("KELT_TREE_DIR") + "/";
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = bytes.empty() || ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

// The file's bytes; "<missing>" when it cannot be read.
inline std::string ReadBytes(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
}

// Creates every missing folder of a path that ends with a backslash.
inline void MakeFolders(const std::string& folder)
{
    for (std::size_t at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1))
        ::CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
}

// A new empty folder below the temporary folder, with a trailing backslash.
inline std::string NewTempFolder(const std::string& stem)
{
    static int counter = 0;
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + stem + std::to_string(::GetCurrentProcessId()) + "_" +
                               std::to_string(++counter) + "\\";
    MakeFolders(folder);
    return folder;
}

} // namespace kelt::update::testing
