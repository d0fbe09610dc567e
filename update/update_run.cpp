#include "update/update_run.h"

#include "update/file_names.h"
#include "update/file_ops.h"
#include "update/release_store.h"
#include "update/signature_check.h"
#include "update/signature_format.h"
#include "update/whole_install.h"
#include "update/winhttp_get.h"
#include "ui/seams.h"

namespace kelt::update {

namespace {

const char kLogFile[] = "Update.log";
const char kKeltrixProgram[] = "Keltrix.exe";

bool IsHttps(const std::string& url)
{
    return UpperAscii(url.substr(0, 8)) == "HTTPS://";
}

IniText ReadIni(const std::string& path)
{
    std::string bytes;
    return ReadSmallFile(path, kMaxInfoFileBytes, bytes) ? IniText::Parse(bytes) : IniText::Parse("");
}

std::string HexOf(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
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

// Keltrix's mutex is held from the moment Keltrix is known to be gone until the install ends.
class GuardRelease {
public:
    explicit GuardRelease(ProgramGuard& guard) : guard_(guard) {}
    ~GuardRelease() { guard_.Release(); }
    GuardRelease(const GuardRelease&) = delete;
    GuardRelease& operator=(const GuardRelease&) = delete;

private:
    ProgramGuard& guard_;
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

JTUpdateRun::Fetched JTUpdateRun::Fetch(const std::string& url, const std::string& target, std::uint64_t maxBytes,
                                        std::uint64_t expectedBytes)
{
    const int bodyMs = BodyDeadlineMs(expectedBytes, settings_.bodyBaseMs, settings_.floorBytesPerSecond);
    Fetched result;
    if (IsHttps(url)) {
        WinHttpLimits limits;
        limits.lookupMs = settings_.lookupTimeoutMs;
        limits.connectMs = settings_.connectTimeoutMs;
        limits.readMs = settings_.readTimeoutMs;
        limits.headMs = settings_.lookupTimeoutMs + settings_.connectTimeoutMs + settings_.headTimeoutMs;
        limits.bodyMs = bodyMs;
        limits.maxBody = maxBytes;
        const WinHttpOutcome out = WinHttpDownload(url, target, limits, aborted_);
        result.status = out.status;
        result.length = out.bodyLength;
        result.message = out.message;
        switch (out.kind) {
        case WinHttpOutcome::Received:
            result.kind = out.status == 200 ? Fetched::Ok : Fetched::HttpError;
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
    } else {
        bool succeeded = false, failed = false, unknownHost = false;
        pHttp.OnSuccess = [&succeeded](CmdType cmd) { succeeded = succeeded || cmd == CmdGET; };
        pHttp.OnFailure = [&failed](CmdType cmd) { failed = failed || cmd == CmdGET; };
        pHttp.OnInvalidHost = [&unknownHost](bool&) { unknownHost = true; };
        pHttp.Body = target;
        pHttp.InputFileMode = true;
        pHttp.OutputFileMode = false;
        pHttp.LookupTimeOut = settings_.lookupTimeoutMs;
        pHttp.ConnectTimeOut = settings_.connectTimeoutMs;
        pHttp.TimeOut = settings_.readTimeoutMs;
        pHttp.HeadTimeOut = settings_.headTimeoutMs;
        pHttp.BodyTimeOut = bodyMs;
        pHttp.MaxBody = maxBytes;
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
        // Only a plain 200 carries a file: not 204 (nothing), 206 (a part) or an answer
        // without a status line.
        if (aborted_)
            result.kind = Fetched::Aborted;
        else if (unknownHost)
            result.kind = Fetched::InvalidHost;
        else if (succeeded && result.status == 200)
            result.kind = Fetched::Ok;
        else if (succeeded || failed)
            result.kind = Fetched::HttpError;
        else
            result.kind = Fetched::Broken;
    }
    if (result.kind != Fetched::Ok)
        ::DeleteFileA(target.c_str());
    return result;
}

std::string JTUpdateRun::Describe(const Fetched& got)
{
    if (got.kind != Fetched::HttpError)
        return got.message;
    return got.status == 0 ? "no HTTP status line" : "HTTP status " + std::to_string(got.status);
}

void JTUpdateRun::HostUnknown(HWND owner)
{
    ui::ShowMessage(owner, "Can not connect to update host.Update fail!!!", "ERROR", MB_OK | MB_ICONERROR);
    aborted_ = true;
    view_.EndProgram();
}

void JTUpdateRun::SignatureRefused(HWND owner, const std::string& reason)
{
    view_.SetStatus("Download information files Error");
    log_.push_back("Signature refused: " + reason);
    ui::ShowMessage(owner,
                    "The update information is not signed with the publisher's key (" + reason +
                        ").\nNothing was installed.",
                    "ERROR", MB_OK | MB_ICONERROR);
}

void JTUpdateRun::ReleaseRefused(HWND owner, const std::string& reason)
{
    view_.SetStatus("Download information files Error");
    log_.push_back("Release refused: " + reason);
    ui::ShowMessage(owner, "The release on the update server was refused: " + reason + ".\nNothing was installed.",
                    "ERROR", MB_OK | MB_ICONERROR);
}

bool JTUpdateRun::FetchSmallFile(HWND owner, const std::string& name, std::uint64_t limit, std::string& bytes)
{
    const std::string path = staging_ + name;
    const Fetched got = Fetch(baseAddress_ + name, path, limit, limit);
    if (got.kind == Fetched::InvalidHost)
        HostUnknown(owner);
    if (got.kind == Fetched::InvalidHost || got.kind == Fetched::Aborted)
        return false;
    if (got.kind == Fetched::Ok && ReadSmallFile(path, static_cast<std::size_t>(limit), bytes))
        return true;
    ::DeleteFileA(path.c_str());
    const std::string reason = got.kind == Fetched::Ok ? "not readable" : Describe(got);
    view_.SetStatus("Download information files Error");
    log_.push_back("Download failed: " + name + " (" + reason + ")");
    ui::ShowMessage(owner, "Can not download the update information (" + name + ": " + reason + ").", "ERROR",
                    MB_OK | MB_ICONERROR);
    return false;
}

JTUpdateRun::Information JTUpdateRun::FetchInformation(HWND owner, const ServerSetting& setting, ServerInfo& info)
{
    // Nothing from an earlier run may stand in for what this server serves now.
    const char* const kFiles[] = {kReleaseFile, kVersionFile, kNamesFile, kSizesFile, kHashesFile, kSignatureFile};
    for (const char* name : kFiles)
        ::DeleteFileA((staging_ + name).c_str());

    // The signed record first: it decides whether anything else is fetched, and how much of it.
    std::string text;
    if (!FetchSmallFile(owner, kReleaseFile, kMaxReleaseFileBytes, text))
        return Information::Stopped;
    ReleaseRecord record;
    const std::string malformed = ParseReleaseRecord(text, record);
    if (!malformed.empty()) {
        SignatureRefused(owner, std::string(kReleaseFile) + ": " + malformed);
        return Information::Stopped;
    }
    const std::string problem = SignatureProblem(setting.publicKeys, record.signatures, record.signedBytes);
    if (!problem.empty()) {
        SignatureRefused(owner, problem);
        return Information::Stopped;
    }
    log_.push_back("Update information signed with the publisher's key");

    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    ReleaseExpectation expected{setting.product, setting.channel, installedRelease_,
                                static_cast<std::int64_t>(ticks / 10000000) - 11644473600LL};
    const ReleaseVerdict verdict = JudgeRelease(record, expected);
    switch (verdict.kind) {
    case ReleaseVerdict::Refused:
        ReleaseRefused(owner, verdict.reason);
        return Information::Stopped;
    case ReleaseVerdict::Expired:
        // A server held at an old release must not look like one with nothing new.
        view_.SetStatus("Download information files Error");
        log_.push_back("Out of date: release " + std::to_string(record.sequence) + " expired " + verdict.reason);
        ui::ShowMessage(owner,
                        "The update information on the server is out of date since " + verdict.reason +
                            ".\nNothing was installed: its publisher has not renewed it, or something between "
                            "here and the server holds newer information back.",
                        "ERROR", MB_OK | MB_ICONERROR);
        return Information::Stopped;
    case ReleaseVerdict::Same:
        log_.push_back("Release " + std::to_string(record.sequence) + " is installed already");
        view_.SetStatus("Download information files End");
        ShowSummary(owner);
        return Information::NothingNew;
    case ReleaseVerdict::Newer:
        break;
    }

    IniText* const targets[] = {&info.versions, &info.names, &info.sizes, &info.hashes};
    for (std::size_t i = 0; i < record.files.size(); ++i) {
        const SignedFile& file = record.files[i];
        std::string bytes;
        if (!FetchSmallFile(owner, file.name, file.size, bytes))
            return Information::Stopped;
        const std::string mismatch = SignedFileMismatch(file, bytes.size(), HexOf(Sha256(bytes)));
        if (!mismatch.empty()) {
            ReleaseRefused(owner, mismatch);
            return Information::Stopped;
        }
        *targets[i] = IniText::Parse(bytes);
    }
    release_ = record;
    view_.SetStatus("Download information files End");
    return Information::Ready;
}

JTUpdateRun::Outcome JTUpdateRun::Start(HWND owner)
{
    RunningMark mark(running_);
    installed_.clear();
    refused_.clear();
    current_.clear();
    placeFailure_.clear();
    notPutBack_.clear();
    std::string settingsText;
    const bool found = ReadSmallFile(settings_.programFolder + kSettingsFile, kMaxInfoFileBytes, settingsText);
    const ServerSetting setting = ReadServerSetting(found, IniText::Parse(settingsText));
    if (!setting.ok) {
        ui::ShowMessage(owner, setting.problem, "ERROR", MB_OK | MB_ICONERROR);
        return Outcome::NotStarted;
    }
    if (!setting.keyProblem.empty()) {
        log_.push_back("Nothing installed: " + setting.keyProblem.substr(0, setting.keyProblem.find('\n')));
        ui::ShowMessage(owner, setting.keyProblem, "ERROR", MB_OK | MB_ICONERROR);
        return Outcome::NotStarted;
    }
    baseAddress_ = setting.baseAddress;
    std::string problem;
    if (!MakeStagingFolder(staging_, problem)) {
        ui::ShowMessage(owner, "Can not create the folder " + staging_ + ": " + problem + ".", "ERROR",
                        MB_OK | MB_ICONERROR);
        return Outcome::NotStarted;
    }
    const IniText local = ReadIni(settings_.programFolder + kVersionFile);
    if (!InstalledRelease(settings_.programFolder, local, installedRelease_, problem)) {
        log_.push_back("Nothing installed: " + problem);
        ui::ShowMessage(owner, problem + "\nNothing was installed.", "ERROR", MB_OK | MB_ICONERROR);
        return Outcome::NotStarted;
    }

    view_.SetStatus("Collecting information....");
    ServerInfo info;
    switch (FetchInformation(owner, setting, info)) {
    case Information::Stopped:
        return aborted_ ? Outcome::Ended : Outcome::NotStarted;
    case Information::NothingNew:
        return Outcome::NothingNew;
    case Information::Ready:
        break;
    }

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
    // A release with a file that may not be installed is not installed at all; the others are
    // still fetched and checked, so that the message names everything wrong with it.
    for (const RefusedName& r : plan.refused) {
        log_.push_back("Refused: " + PrintableName(r.name) + " (" + r.section + ", " + PrintableName(r.key) + ": " +
                       r.reason + ")");
        refused_.push_back({PrintableName(r.name.empty() ? r.key : r.name), r.reason});
    }
    SkipCurrentFiles();
    if (entries_.empty()) {
        // Nothing to put in place: unless something was refused, the release is this folder's now.
        if (refused_.empty() && !Commit(problem))
            log_.push_back("Not recorded: " + problem);
        ShowSummary(owner);
        return Outcome::NothingNew;
    }

    view_.DownloadsStarted();
    std::vector<bool> ready;
    Download(owner, ready);
    if (aborted_)
        return Outcome::Ended;
    bool allReady = refused_.empty();
    for (bool r : ready)
        allReady = allReady && r;
    GuardRelease release(keltrixGuard_);
    // Keltrix is disturbed only for a release that will be installed.
    if (allReady && !MayInstall(owner)) {
        for (const TUpdateItem& item : entries_)
            Refuse(item.fileName, "Keltrix is running");
        allReady = false;
    }
    if (aborted_)
        return Outcome::Ended;
    if (allReady) {
        Install();
    } else {
        for (const TUpdateItem& item : entries_)
            log_.push_back("Updated fail: " + item.fileName);
    }
    keltrixGuard_.Release();
    if (aborted_)
        return Outcome::Ended;
    ShowSummary(owner);
    return Outcome::Finished;
}

void JTUpdateRun::SkipCurrentFiles()
{
    std::vector<TUpdateItem> remaining;
    for (const TUpdateItem& item : entries_) {
        // A file already there byte for byte (installed by hand, or by the plug-in manager,
        // whose records name plug-ins by their display name) is not fetched again.
        std::uint64_t size = 0;
        if (FileSize(item.installPath, size) && size == item.size && Sha256OfFile(item.installPath) == item.hash) {
            log_.push_back("Already installed: " + item.fileName + " (version " + item.newVersion + " recorded)");
            current_.push_back(item);
            continue;
        }
        remaining.push_back(item);
    }
    entries_ = remaining;
}

void JTUpdateRun::Refuse(const std::string& name, const std::string& reason)
{
    log_.push_back("Not installed: " + name + " (" + reason + ")");
    refused_.push_back({name, reason});
}

void JTUpdateRun::Download(HWND owner, std::vector<bool>& ready)
{
    const std::size_t count = entries_.size();
    ready.assign(count, false);
    for (std::size_t i = 0; i < count && !aborted_; ++i) {
        const TUpdateItem& item = entries_[i];
        view_.SetStatus("Downloading " + item.fileName + "...");
        ::DeleteFileA(item.stagingPath.c_str());
        const Fetched got = Fetch(item.downloadUrl, item.stagingPath, item.size, item.size);
        switch (got.kind) {
        case Fetched::Ok: {
            view_.SetDownloadBar(static_cast<int>((i + 1) * 100 / count));
            const std::string reason = Rejection(item);
            if (reason.empty()) {
                ready[i] = true;
            } else {
                ::DeleteFileA(item.stagingPath.c_str());
                Refuse(item.fileName, reason);
            }
            break;
        }
        case Fetched::InvalidHost:
            HostUnknown(owner);
            return;
        case Fetched::Aborted:
            return;
        case Fetched::HttpError:
            view_.SetStatus("Download update files Error!!");
            log_.push_back("Download failed: " + item.fileName + " (" + Describe(got) + ")");
            refused_.push_back({item.fileName, "download failed: " + Describe(got)});
            break;
        case Fetched::Broken:
            view_.SetStatus("Downloading " + item.fileName + " failed: " + got.message);
            log_.push_back("Download failed: " + item.fileName + " (" + got.message + ")");
            refused_.push_back({item.fileName, "download failed: " + got.message});
            break;
        }
    }
    if (!aborted_)
        view_.SetStatus("Download update files End!");
}

bool JTUpdateRun::MayInstall(HWND owner)
{
    const std::string& mutex = settings_.keltrixMutex;
    const std::string keltrix = settings_.programFolder + kKeltrixProgram;
    for (;;) {
        if (aborted_)
            return false;
        // Claimed first, then checked: a Keltrix that starts from now on finds its mutex taken.
        if (!MutexExists(mutex) && keltrixGuard_.Claim(mutex)) {
            if (RunningCopies(keltrix) == 0)
                return true;
            keltrixGuard_.Release();
        }
        view_.SetStatus("Waiting for Keltrix to close...");
        // Asked again now and then: a Keltrix that is still starting may have no window yet.
        const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(settings_.closeWaitMs);
        bool gone = false;
        do {
            RequestClose(keltrix);
            gone = WaitForProgramGone(mutex, keltrix, 500);
        } while (!gone && ::GetTickCount64() < deadline && !aborted_);
        if (gone || aborted_)
            continue;  // claimed above, or ended there
        const int answer = ui::ShowMessage(owner,
                                           "Keltrix is still running.\nClose Keltrix, then choose Retry to install the "
                                           "update.\nCancel leaves every installed file as it is.",
                                           "Warning", MB_RETRYCANCEL | MB_ICONWARNING);
        if (answer != IDRETRY || aborted_)
            return false;
    }
}

std::string JTUpdateRun::Rejection(const TUpdateItem& item) const
{
    std::uint64_t size = 0;
    if (!FileSize(item.stagingPath, size))
        return "the download is missing";
    if (size != item.size)
        return "received " + std::to_string(size) + " bytes, published " + std::to_string(item.size);
    if (Sha256OfFile(item.stagingPath) != item.hash)
        return "SHA-256 differs from the published one";
    if (!IsInsideFolder(FullPath(item.installPath), FullPath(settings_.programFolder)))
        return "outside the program folder";
    const DWORD attributes = ::GetFileAttributesA(item.installPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "a folder of that name is in the way";
    return {};
}

bool JTUpdateRun::Commit(std::string& reason)
{
    const std::string file = settings_.programFolder + kVersionFile;
    const bool existed = FileExists(file);
    std::string before;
    // The plug-in manager's records share this file: one that cannot be read is not rewritten.
    if (existed && !ReadSmallFile(file, kMaxInfoFileBytes, before)) {
        reason = std::string(kVersionFile) + " cannot be read";
        return false;
    }
    // As published, quotes and all, so that the next run reads the very same versions.
    std::string text = before;
    for (const std::vector<TUpdateItem>* list : {&current_, &entries_})
        for (const TUpdateItem& item : *list)
            text = SetIniValue(text, item.section, item.key, item.rawVersion);
    if (text != before && !ReplaceFileBytes(file, text)) {
        reason = std::string(kVersionFile) + " cannot be written (" + LastErrorText() + ")";
        return false;
    }
    if (release_.sequence > installedRelease_ && !RecordRelease(settings_.programFolder, release_.sequence)) {
        reason = "the release cannot be recorded in the registry";
        if (text != before && !(existed ? ReplaceFileBytes(file, before) : ::DeleteFileA(file.c_str()) != FALSE))
            notPutBack_.push_back(kVersionFile);
        return false;
    }
    return true;
}

void JTUpdateRun::Install()
{
    view_.InstallStarted();
    view_.SetInstallBar(0);
    const std::size_t count = entries_.size();
    std::vector<Placement> files;
    for (const TUpdateItem& item : entries_)
        files.push_back({item.fileName, item.stagingPath, item.installPath, item.size, item.hash});
    // Replaced files wait below the staging folder, under a name no published file can have.
    WholeInstall install(settings_.runningProgram, staging_ + "=replaced\\");
    std::size_t failed = 0;
    std::string reason;
    bool done = install.Prepare(files, failed, reason);
    if (!done) {
        Refuse(entries_[failed].fileName, reason);
    } else {
        done = install.PutInPlace(failed, reason, notPutBack_, [&](std::size_t i) {
            view_.SetStatus("Updating " + entries_[i].installPath);
            view_.SetInstallBar(static_cast<int>((i + 1) * 100 / count));
        });
        if (!done) {
            placeFailure_ = entries_[failed].fileName + " could not be put in place (" + reason + ")";
        } else if (!Commit(reason)) {
            placeFailure_ = reason;
            for (const std::string& name : install.PutBack())
                notPutBack_.push_back(name);
            done = false;
        }
        if (!done)
            log_.push_back("Not installed: " + placeFailure_);
    }
    if (done)
        install.Finish();
    for (const TUpdateItem& item : entries_) {
        log_.push_back((done ? "Updated successful: " : "Updated fail: ") + item.fileName);
        if (done)
            installed_.push_back(item.fileName + " " + item.newVersion);
    }
    for (const std::string& name : notPutBack_)
        log_.push_back("Not put back: " + name);
}

void JTUpdateRun::ShowSummary(HWND owner)
{
    if (!placeFailure_.empty()) {
        if (notPutBack_.empty()) {
            ui::ShowMessage(owner,
                            "Nothing was installed: " + placeFailure_ +
                                ".\nEvery file already replaced was put back: the installed files and " +
                                kVersionFile + " are as they were.",
                            "Warning", MB_OK | MB_ICONWARNING);
        } else {
            std::string text = "The update failed part way: " + placeFailure_ + ", and these could not be put back:";
            for (const std::string& name : notPutBack_)
                text += "\n   " + name;
            ui::ShowMessage(owner, text + "\nInstall Keltrix again to repair the program folder.", "ERROR",
                            MB_OK | MB_ICONERROR);
        }
        return;
    }
    if (installed_.empty() && refused_.empty()) {
        ui::ShowMessage(owner, "Nothing new has been found!!", "Sorry!", MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::string text;
    if (!installed_.empty()) {
        text = "Installed:";
        for (const std::string& line : installed_)
            text += "\n   " + line;
    } else {
        text = "Nothing was installed.";
    }
    if (!refused_.empty()) {
        text += "\n\nNot installed:";
        for (const Refusal& r : refused_)
            text += "\n   " + r.name + ": " + r.reason;
    }
    if (refused_.empty())
        ui::ShowMessage(owner, text, "Information", MB_OK | MB_ICONINFORMATION);
    else
        ui::ShowMessage(owner, text, "Warning", MB_OK | MB_ICONWARNING);
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
