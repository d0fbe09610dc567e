#include "app/command_line/command_output.h"

#include <cstdio>

#include "ui/text.h"

namespace kelt {

JTCommandOutput::Sink JTCommandOutput::SinkOf(HANDLE handle)
{
    Sink sink;
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return sink;
    ::SetLastError(NO_ERROR);
    if (::GetFileType(handle) == FILE_TYPE_UNKNOWN && ::GetLastError() != NO_ERROR)
        return sink;
    DWORD mode = 0;
    sink.handle = handle;
    sink.console = ::GetConsoleMode(handle, &mode) != FALSE;
    return sink;
}

JTCommandOutput::JTCommandOutput()
{
    // Redirected to a file or a pipe, or a console handed down: the handles are there already.
    out_ = SinkOf(::GetStdHandle(STD_OUTPUT_HANDLE));
    err_ = SinkOf(::GetStdHandle(STD_ERROR_HANDLE));
    if ((!out_.handle || !err_.handle) && ::AttachConsole(ATTACH_PARENT_PROCESS)) {
        // A windowed program started from a console window gets none: it joins that console.
        consoleOut_ = ::CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        if (consoleOut_ == INVALID_HANDLE_VALUE)
            consoleOut_ = nullptr;
        const Sink console = SinkOf(consoleOut_);
        if (!out_.handle)
            out_ = console;
        if (!err_.handle)
            err_ = console;
    }
    if (!err_.handle)
        err_ = out_;
    if (!out_.handle)
        out_ = err_;
}

JTCommandOutput::~JTCommandOutput()
{
    if (log_)
        ::CloseHandle(log_);
    if (consoleOut_)
        ::CloseHandle(consoleOut_);
}

bool JTCommandOutput::OpenLog(const std::string& path, const std::string& heading)
{
    HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (log_)
        ::CloseHandle(log_);
    log_ = file;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    Log(stamp + heading);
    return true;
}

void JTCommandOutput::Write(const Sink& sink, const std::string& text)
{
    if (!sink.handle || text.empty())
        return;
    DWORD done = 0;
    if (sink.console) {
        const std::wstring wide = ui::Wide(text);
        ::WriteConsoleW(sink.handle, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
        return;
    }
    const std::string bytes = ui::Utf8(text);
    for (std::size_t at = 0; at < bytes.size(); at += done) {
        if (!::WriteFile(sink.handle, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &done, nullptr) ||
            done == 0)
            return;
    }
}

void JTCommandOutput::Log(const std::string& text)
{
    if (!log_)
        return;
    const std::string bytes = ui::Utf8(text + "\r\n");
    DWORD done = 0;
    ::WriteFile(log_, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
}

void JTCommandOutput::Line(const std::string& text)
{
    Write(out_, text + "\r\n");
    Log(text);
}

void JTCommandOutput::ErrorLine(const std::string& text)
{
    Write(err_, text + "\r\n");
    Log(text);
}

void JTCommandOutput::Raw(const std::string& text)
{
    Write(out_, text);
}

} // namespace kelt
