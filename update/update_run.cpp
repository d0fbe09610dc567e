#include "update/update_run.h"

#include "update/file_names.h"
#include "update/file_ops.h"
#include "update/running_program.h"
#include "update/server_setting.h"
#include "update/winhttp_get.h"
#include "ui/seams.h"

namespace kelt::update {

namespace {

const char kLogFile[] = "Update.log";

bool IsHttps(const std::string& url)
{
    return UpperAscii(url.substr(0, 8)) == "HTTPS://";
}

IniText ReadIni(const std::string& path)
{
    std::string bytes;
    return ReadSmallFile(path, kMaxInfoFileBytes, bytes) ? IniText::Parse(bytes) : IniText::Parse("");
}

std::string FolderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\') + 1);
}

// Clears the running mark however the run ends.
class RunningMark {
public:
    explicit RunningMark(bool& mark) : mark_(mark) { mark_ = true; }
    ~RunningMark() { mark_ = false; }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    bool& mark_;
};

} // namespace

JTUpdateRun::JTUpdateRun(RunSettings settings, UpdateView& view) : settings_(std::move(settings)), view_(view)
{
    if (settings_.keltrixMutex.empty())
        settings_.keltrixMutex = kKeltrixMutex;
    staging_ = settings_.programFolder + "Update\\";
}

void JTUpdateRun::Abort()
{
    aborted_ = true;
    pHttp.Abort();
}

JTUpdateRun::Fetched JTUpdateRun::Fetch(const std::string& url, const std::string& target)
{
    Fetched result;
    if (IsHttps(url)) {
        const WinHttpOutcome out =
            WinHttpDownload(url, target, settings_.connectTimeoutMs, settings_.readTimeoutMs, aborted_);
        result.status = out.status;
        result.length = out.bodyLength;
        result.message = out.message;
        switch (out.kind) {
        case WinHttpOutcome::Received:
            result.kind = out.status >= 200 && out.status <= 299 ? Fetched::Ok : Fetched::HttpError;
            break;
        case WinHttpOutcome::InvalidHost:
            result.kind = Fetched::InvalidHost;
            break;
        case WinHttpOutcome::Aborted:
            result.kind = Fetched::Aborted;
            break;
        case WinHttpOutcome::Failed:
            result.kind = Fetched::Broken;
            break;
        }
        return result;
    }

    bool succeeded = false, failed = false, unknownHost = false;
    pHttp.OnSuccess = [&succeeded](CmdType cmd) { succeeded = succeeded || cmd == CmdGET; };
    pHttp.OnFailure = [&failed](CmdType cmd) { failed = failed || cmd == CmdGET; };
    pHttp.OnInvalidHost = [&unknownHost](bool&) { unknownHost = true; };
    pHttp.Body = target;
    pHttp.InputFileMode = true;
    pHttp.OutputFileMode = false;
    pHttp.ConnectTimeOut = settings_.connectTimeoutMs;
    pHttp.TimeOut = settings_.readTimeoutMs;
    try {
        pHttp.Disconnect();
        pHttp.Get(url);
    } catch (const kelt::Error& error) {
        result.message = error.what();
    }
    pHttp.OnSuccess = nullptr;
    pHttp.OnFailure = nullptr;
    pHttp.OnInvalidHost = nullptr;
    result.status = pHttp.StatusCode();
    result.length = pHttp.BodyLength();
    if (aborted_)
        result.kind = Fetched::Aborted;
    else if (unknownHost)
        result.kind = Fetched::InvalidHost;
    else if (succeeded && result.status >= 200 && result.status <= 299)
        result.kind = Fetched::Ok;
    else if (succeeded || failed)
        result.kind = Fetched::HttpError;
    else
        result.kind = Fetched::Broken;
    return result;
}

std::string JTUpdateRun::Describe(const Fetched& got)
{
    return got.kind == Fetched::HttpError ? "HTTP status " + std::to_string(got.status) : got.message;
}

void JTUpdateRun::HostUnknown(HWND owner)
{
    ui::ShowMessage(owner, "Can not connect to update host.Update fail!!!", "ERROR", MB_OK | MB_ICONERROR);
    aborted_ = true;
    view_.EndProgram();
}

bool JTUpdateRun::FetchInformation(HWND owner, const std::string& baseAddress, ServerInfo& info)
{
    struct File {
        const char* name;
        IniText* target;
        bool required;
    } files[] = {
        {kVersionFile, &info.versions, true},
        {kNamesFile, &info.names, true},
        {kSizesFile, &info.sizes, true},
        {kHashesFile, &info.hashes, false},
    };
    for (const File& file : files) {
        const std::string path = staging_ + file.name;
        ::DeleteFileA(path.c_str());
        const Fetched got = Fetch(baseAddress + file.name, path);
        if (got.kind == Fetched::Aborted)
            return false;
        if (got.kind == Fetched::InvalidHost) {
            HostUnknown(owner);
            return false;
        }
        std::string bytes;
        const bool readable = got.kind == Fetched::Ok && ReadSmallFile(path, kMaxInfoFileBytes, bytes);
        if (readable) {
            *file.target = IniText::Parse(bytes);
            continue;
        }
        // The hash file is optional: without it, sizes are the only check.
        if (!file.required) {
            ::DeleteFileA(path.c_str());
            continue;
        }
        const std::string reason = got.kind == Fetched::Ok ? "larger than an information file can be"
                                                           : Describe(got);
        view_.SetStatus("Download information files Error");
        log_.push_back(std::string("Download failed: ") + file.name + " (" + reason + ")");
        ui::ShowMessage(owner, std::string("Can not download the update information (") + file.name + ": " + reason + ").",
                        "ERROR", MB_OK | MB_ICONERROR);
        return false;
    }
    view_.SetStatus("Download information files End");
    return true;
}

JTUpdateRun::Outcome JTUpdateRun::Start(HWND owner)
{
    RunningMark mark(running_);
    std::string settingsText;
    const bool found = ReadSmallFile(settings_.programFolder + kSettingsFile, kMaxInfoFileBytes, settingsText);
    const ServerSetting setting = ReadServerSetting(found, IniText::Parse(settingsText));
    if (!setting.ok) {
        ui::ShowMessage(owner, setting.problem, "ERROR", MB_OK | MB_ICONERROR);
        return Outcome::NotStarted;
    }
    if (!EnsureFolder(staging_)) {
        ui::ShowMessage(owner, "Can not create the folder " + staging_ + ".", "ERROR", MB_OK | MB_ICONERROR);
        return Outcome::NotStarted;
    }

    view_.SetStatus("Collecting information....");
    ServerInfo info;
    if (!FetchInformation(owner, setting.baseAddress, info))
        return aborted_ ? Outcome::Ended : Outcome::NotStarted;

    const IniText local = ReadIni(settings_.programFolder + kVersionFile);
    UpdatePlan plan = CollectEntries(info, local, {settings_.programFolder, staging_, setting.baseAddress});
    const std::string program = FullPath(settings_.programFolder);
    const std::string staging = FullPath(staging_);
    entries_.clear();
    for (TUpdateItem& item : plan.entries) {
        if (IsInsideFolder(FullPath(item.stagingPath), staging) && IsInsideFolder(FullPath(item.installPath), program))
            entries_.push_back(item);
        else
            plan.refused.push_back({item.section, item.key, item.fileName, "outside the program folder"});
    }
    for (const RefusedName& r : plan.refused)
        log_.push_back("Refused file name: " + PrintableName(r.name) + " (" + r.section + ", " + PrintableName(r.key) +
                       ": " + r.reason + ")");
    if (entries_.empty()) {
        ui::ShowMessage(owner, "Nothing new has been found!!", "Sorry!", MB_OK | MB_ICONINFORMATION);
        return Outcome::NothingNew;
    }

    view_.DownloadsStarted();
    std::vector<bool> received;
    Download(owner, received);
    if (aborted_)
        return Outcome::Ended;
    if (!MayInstall(owner))
        received.assign(entries_.size(), false);
    if (aborted_)
        return Outcome::Ended;
    Install(received);
    if (aborted_)
        return Outcome::Ended;
    return Outcome::Finished;
}

void JTUpdateRun::Download(HWND owner, std::vector<bool>& received)
{
    const std::size_t count = entries_.size();
    received.assign(count, false);
    for (std::size_t i = 0; i < count && !aborted_; ++i) {
        const TUpdateItem& item = entries_[i];
        view_.SetStatus("Downloading " + item.fileName + "...");
        ::DeleteFileA(item.stagingPath.c_str());
        const Fetched got = Fetch(item.downloadUrl, item.stagingPath);
        switch (got.kind) {
        case Fetched::Ok:
            received[i] = true;
            view_.SetDownloadBar(static_cast<int>((i + 1) * 100 / count));
            break;
        case Fetched::InvalidHost:
            HostUnknown(owner);
            return;
        case Fetched::Aborted:
            return;
        case Fetched::HttpError:
            view_.SetStatus("Download update files Error!!");
            log_.push_back("Download failed: " + item.fileName + " (" + Describe(got) + ")");
            break;
        case Fetched::Broken:
            view_.SetStatus("Downloading " + item.fileName + " failed: " + got.message);
            log_.push_back("Download failed: " + item.fileName + " (" + got.message + ")");
            break;
        }
    }
    if (!aborted_)
        view_.SetStatus("Download update files End!");
}

bool JTUpdateRun::MayInstall(HWND owner)
{
    const std::string& mutex = settings_.keltrixMutex;
    while (MutexExists(mutex)) {
        view_.SetStatus("Waiting for Keltrix to close...");
        // Asked again now and then: a Keltrix that is still starting may have no window yet.
        const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(settings_.closeWaitMs);
        do {
            RequestClose(settings_.programFolder + "Keltrix.exe");
            if (WaitForMutexGone(mutex, 500))
                return true;
        } while (::GetTickCount64() < deadline && !aborted_);
        const int answer = ui::ShowMessage(owner,
                                           "Keltrix is still running.\nClose Keltrix, then choose Retry to install the "
                                           "update.\nCancel leaves every installed file as it is.",
                                           "Warning", MB_RETRYCANCEL | MB_ICONWARNING);
        if (answer != IDRETRY || aborted_) {
            log_.push_back("Not installed: Keltrix is running");
            return false;
        }
    }
    return true;
}

std::string JTUpdateRun::Rejection(const TUpdateItem& item) const
{
    std::uint64_t size = 0;
    if (!FileSize(item.stagingPath, size))
        return "the download is missing";
    if (item.size > 0 && size != item.size)
        return "received " + std::to_string(size) + " bytes, published " + std::to_string(item.size);
    if (!item.hash.empty() && Sha256OfFile(item.stagingPath) != item.hash)
        return "SHA-256 differs from the published one";
    if (!IsInsideFolder(FullPath(item.installPath), FullPath(settings_.programFolder)))
        return "outside the program folder";
    return {};
}

void JTUpdateRun::RecordVersion(const TUpdateItem& item)
{
    const std::string file = settings_.programFolder + kVersionFile;
    ::WritePrivateProfileStringA(item.section.c_str(), item.key.c_str(), item.newVersion.c_str(), file.c_str());
}

void JTUpdateRun::Install(const std::vector<bool>& received)
{
    view_.InstallStarted();
    view_.SetInstallBar(0);
    const std::size_t count = entries_.size();
    for (std::size_t i = 0; i < count && !aborted_; ++i) {
        const TUpdateItem& item = entries_[i];
        view_.SetStatus("Updating " + item.installPath);
        std::string reason = received[i] ? Rejection(item) : std::string();
        bool installed = false;
        if (received[i] && reason.empty()) {
            installed = EnsureFolder(FolderOf(item.installPath)) &&
                        InstallFile(item.stagingPath, item.installPath, settings_.runningProgram);
            if (!installed)
                reason = "the installed file could not be replaced";
        }
        if (!reason.empty())
            log_.push_back("Not installed: " + item.fileName + " (" + reason + ")");
        log_.push_back((installed ? "Updated successful: " : "Updated fail: ") + item.fileName);
        if (installed)
            RecordVersion(item);
        view_.SetInstallBar(static_cast<int>((i + 1) * 100 / count));
    }
}

bool JTUpdateRun::SaveLog() const
{
    std::string text;
    for (const std::string& line : log_)
        text += line + "\r\n";
    const std::string path = settings_.programFolder + kLogFile;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = text.empty() || (::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                                     written == text.size());
    ::CloseHandle(file);
    return ok;
}

} // namespace kelt::update
