#include "update/winhttp_get.h"

#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "update/limits.h"
#include "update/url.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::update {

namespace {

struct InternetTraits {
    static HINTERNET Invalid() { return nullptr; }
    static bool Valid(HINTERNET h) { return h != nullptr; }
    static void Close(HINTERNET h) { ::WinHttpCloseHandle(h); }
};
using UniqueInternet = ui::UniqueHandle<HINTERNET, InternetTraits>;

std::wstring Wide(const std::string& text)
{
    if (text.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
}

WinHttpOutcome Failure(DWORD error)
{
    WinHttpOutcome out;
    switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        out.kind = WinHttpOutcome::InvalidHost;
        out.message = "Null Remote Address";
        break;
    case ERROR_WINHTTP_TIMEOUT:
        out.message = "Connection timed out";
        break;
    case ERROR_WINHTTP_CANNOT_CONNECT:
        out.message = "Connection Failed";
        break;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        out.message = "The server's certificate was not accepted";
        break;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        out.message = "The server's answer is not HTTP";
        break;
    case ERROR_WINHTTP_REDIRECT_FAILED:
        out.message = "Too many redirects";
        break;
    default:
        out.message = "Transfer failed (error " + std::to_string(error) + ")";
        break;
    }
    return out;
}

// How long a cancelled transfer is given to clean up before the caller goes on without it.
constexpr DWORD kCancelWaitMs = 1000;

std::uint64_t Deadline(int ms)
{
    return ms > 0 ? ::GetTickCount64() + static_cast<std::uint64_t>(ms) : 0;
}

struct Job {
    std::string url, bodyPath;
    WinHttpLimits limits;
    std::atomic<bool> cancel{false};
    // When the worker last made progress; the caller gives up when it makes none for too long.
    std::atomic<std::uint64_t> lastProgress{::GetTickCount64()};
    // When the stage in progress (head, then body) must be over; 0: no limit.
    std::atomic<std::uint64_t> stageDeadline{0};
    bool created = false;  // the body file was created by this transfer
    WinHttpOutcome outcome;
    ui::UniqueKernelHandle done{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

WinHttpOutcome Receive(Job& job);

// The transfer, which leaves no body file unless an answer arrived whole.
WinHttpOutcome Transfer(Job& job)
{
    WinHttpOutcome out = Receive(job);
    if (out.kind != WinHttpOutcome::Received && job.created)
        ::DeleteFileA(job.bodyPath.c_str());
    return out;
}

WinHttpOutcome Receive(Job& job)
{
    const std::wstring wideUrl = Wide(RequestPath(job.url));
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts)) {
        WinHttpOutcome bad;
        bad.message = "Invalid URL";
        return bad;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty())
        path = L"/";

    UniqueInternet session(::WinHttpOpen(L"Keltrix Update", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                         WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return Failure(::GetLastError());
    const WinHttpLimits& limits = job.limits;
    ::WinHttpSetTimeouts(session.get(), limits.lookupMs, limits.connectMs, limits.readMs, limits.readMs);
    UniqueInternet connection(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection)
        return Failure(::GetLastError());
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    UniqueInternet request(::WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                                WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    if (!request)
        return Failure(::GetLastError());
    ::WinHttpSetTimeouts(request.get(), limits.lookupMs, limits.connectMs, limits.readMs, limits.readMs);
    DWORD redirects = kMaxRepeats;
    ::WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects, sizeof redirects);
    if (!::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(request.get(), nullptr))
        return Failure(::GetLastError());
    job.lastProgress = ::GetTickCount64();
    job.stageDeadline = Deadline(limits.bodyMs);

    WinHttpOutcome out;
    DWORD status = 0, size = sizeof status;
    ::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                          WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
    out.status = static_cast<int>(status);
    wchar_t lengthText[32] = {};
    DWORD lengthSize = sizeof lengthText;
    const bool hasLength = ::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX,
                                                 lengthText, &lengthSize, WINHTTP_NO_HEADER_INDEX) != FALSE;
    const std::uint64_t length = hasLength ? _wcstoui64(lengthText, nullptr, 10) : 0;

    ui::UniqueKernelHandle file(::CreateFileA(job.bodyPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        out.kind = WinHttpOutcome::Failed;
        out.message = "Cannot create file " + job.bodyPath;
        return out;
    }
    job.created = true;
    const bool success = status >= 200 && status <= 299;
    if (success && hasLength && length > limits.maxBody) {
        out.kind = WinHttpOutcome::Failed;
        out.message = "The answer announces " + std::to_string(length) + " bytes, more than the " +
                      std::to_string(limits.maxBody) + " expected";
        return out;
    }
    std::vector<char> buffer(kBodyPiece);
    for (;;) {
        if (job.cancel) {
            out.kind = WinHttpOutcome::Aborted;
            return out;
        }
        // Asked for what has arrived only, so that a read returns with every piece, however
        // small, and a cancel is noticed while a server drips.
        DWORD available = 0;
        if (!::WinHttpQueryDataAvailable(request.get(), &available))
            return Failure(::GetLastError());
        DWORD read = 0;
        const DWORD want = available == 0 ? 1 : available < buffer.size() ? available : static_cast<DWORD>(buffer.size());
        if (!::WinHttpReadData(request.get(), buffer.data(), want, &read))
            return Failure(::GetLastError());
        if (read == 0)
            break;
        job.lastProgress = ::GetTickCount64();
        if (job.cancel) {
            out.kind = WinHttpOutcome::Aborted;
            return out;
        }
        bool full = false;
        if (out.bodyLength + read > limits.maxBody) {
            read = static_cast<DWORD>(limits.maxBody - out.bodyLength);
            full = true;
        }
        DWORD written = 0;
        if (read && (!::WriteFile(file.get(), buffer.data(), read, &written, nullptr) || written != read)) {
            out.kind = WinHttpOutcome::Failed;
            out.message = "Cannot write file " + job.bodyPath;
            return out;
        }
        out.bodyLength += read;
        if (full && success) {
            out.kind = WinHttpOutcome::Failed;
            out.message = "The answer is larger than the " + std::to_string(limits.maxBody) + " bytes expected";
            return out;
        }
        if (full) {
            out.kind = WinHttpOutcome::Received;  // an error page, cut at the limit
            return out;
        }
    }
    if (hasLength && out.bodyLength != length) {
        out.kind = WinHttpOutcome::Failed;
        out.message = "Connection closed before the whole body arrived";
        return out;
    }
    out.kind = WinHttpOutcome::Received;
    return out;
}

} // namespace

WinHttpOutcome WinHttpDownload(const std::string& url, const std::string& bodyPath, const WinHttpLimits& limits,
                               const bool& abort)
{
    auto job = std::make_shared<Job>();
    job->url = url;
    job->bodyPath = bodyPath;
    job->limits = limits;
    job->stageDeadline = Deadline(limits.headMs);
    // The worker keeps its own reference: after an abort the caller returns at once and the
    // worker ends by itself within its time limits.
    std::thread worker([job] {
        job->outcome = Transfer(*job);
        ::SetEvent(job->done.get());
    });
    HANDLE done = job->done.get();
    for (;;) {
        const DWORD wait = ::MsgWaitForMultipleObjects(1, &done, FALSE, 50, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0)
            break;
        ui::ProcessPendingMessages();
        // Not every WinHTTP honours its receive time limit while it waits for the head, so the
        // limit is kept here as well.
        const std::uint64_t now = ::GetTickCount64();
        const bool stalled = limits.readMs > 0 && now - job->lastProgress >
                                                      static_cast<std::uint64_t>(limits.connectMs + limits.readMs);
        const std::uint64_t deadline = job->stageDeadline;
        const bool late = deadline && now >= deadline;
        if (abort || stalled || late) {
            // The worker deletes what it wrote once it notices, which is at its next piece; a
            // worker that a silent server holds is left to its own time limits.
            job->cancel = true;
            if (::WaitForSingleObject(done, kCancelWaitMs) == WAIT_OBJECT_0)
                worker.join();
            else
                worker.detach();
            WinHttpOutcome out;
            out.kind = abort ? WinHttpOutcome::Aborted : WinHttpOutcome::Failed;
            out.message = abort ? "" : stalled ? "Connection timed out" : "The download took longer than allowed";
            return out;
        }
    }
    worker.join();
    return job->outcome;
}

} // namespace kelt::update
