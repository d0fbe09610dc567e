#pragma once
// JTUpdateRun: one update run of the program folder, without windows of its own. It fetches
// the server's signed release record into the staging folder, checks its signature with the
// deployment's publisher keys and what it names (product, channel, expiry, a release newer
// than the folder's), then the four information files it names byte for byte; collects the
// newer files, downloads and checks every one of them, and only then puts them all in place,
// putting back what was replaced when one cannot be; it records the versions and the release,
// keeps the log and ends with a message that says what happened.
// What it shows goes to an UpdateView; questions and messages go through ui::ShowMessage.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "update/http_client.h"
#include "update/limits.h"
#include "update/release_record.h"
#include "update/running_program.h"
#include "update/server_setting.h"
#include "update/update_plan.h"

namespace kelt::update {

class UpdateView {
public:
    virtual ~UpdateView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetDownloadBar(int percent) = 0;
    virtual void SetInstallBar(int percent) = 0;
    // The download stage begins (its label reads "Downloading update files...." in bold).
    virtual void DownloadsStarted() = 0;
    // The install stage begins (its label in bold, the download label back to normal).
    virtual void InstallStarted() = 0;
    // The run cannot go on and the program is to end now (the log is not saved).
    virtual void EndProgram() = 0;
};

// Where the run works and how long it lets a server take (see limits.h for the meaning).
struct RunSettings {
    std::string programFolder;   // with its trailing backslash
    std::string runningProgram;  // the updater's own file, replaceable only by renaming it aside
    int lookupTimeoutMs = kLookupTimeoutMs;
    int connectTimeoutMs = kConnectTimeoutMs;
    int readTimeoutMs = kReadTimeoutMs;
    int headTimeoutMs = kHeadTimeoutMs;
    int bodyBaseMs = kBodyBaseMs;
    std::uint32_t floorBytesPerSecond = kFloorBytesPerSecond;
    int closeWaitMs = kCloseWaitMs;
    std::string keltrixMutex;    // empty: the real one
};

class JTUpdateRun {
public:
    enum class Outcome {
        NotStarted,  // no usable setting, no information, no valid signature or a release refused:
                     // may be started again
        NothingNew,  // nothing newer could be installed; the message said why
        Finished,    // the files were downloaded; the message says whether the release was installed
        Ended,       // cancelled or the host is unknown: the program ends
    };

    JTUpdateRun(RunSettings settings, UpdateView& view);

    // The whole run; questions and messages are owned by `owner`.
    Outcome Start(HWND owner);
    // Sets the abort flag and cancels the transfer in progress.
    void Abort();
    bool Aborted() const { return aborted_; }
    bool Running() const { return running_; }

    const std::vector<std::string>& Log() const { return log_; }
    // Writes the log to Update.log in the program folder, replacing an older one.
    bool SaveLog() const;

    const std::vector<TUpdateItem>& Entries() const { return entries_; }
    const std::string& StagingFolder() const { return staging_; }

private:
    struct Fetched {
        enum Kind { Ok, HttpError, Broken, InvalidHost, Aborted } kind = Broken;
        int status = 0;
        std::uint64_t length = 0;
        std::string message;
    };
    // A newer file that was not installed, and why.
    struct Refusal {
        std::string name, reason;
    };
    // What the server's information decided.
    enum class Information { Ready, NothingNew, Stopped };
    static std::string Describe(const Fetched& got);
    // One GET into a file, at most `maxBytes` of body, within the time `expectedBytes` allow:
    // the plain client for http, WinHTTP for https. Whatever a failed fetch left is deleted.
    Fetched Fetch(const std::string& url, const std::string& target, std::uint64_t maxBytes,
                  std::uint64_t expectedBytes);
    // Fetches `name` below the base address into the staging folder and reads it; false, after
    // saying why, when that fails.
    bool FetchSmallFile(HWND owner, const std::string& name, std::uint64_t limit, std::string& bytes);
    Information FetchInformation(HWND owner, const ServerSetting& setting, ServerInfo& info);
    void SignatureRefused(HWND owner, const std::string& reason);
    void ReleaseRefused(HWND owner, const std::string& reason);
    // Entries whose installed file already is the published one: their versions are recorded
    // with the release, and they leave the list.
    void SkipCurrentFiles();
    void Download(HWND owner, std::vector<bool>& ready);
    bool MayInstall(HWND owner);
    void Install();
    // Why a downloaded entry must not be installed; empty when it may.
    std::string Rejection(const TUpdateItem& item) const;
    void HostUnknown(HWND owner);
    // Writes the versions of the release's files into version.ini, then the release into the
    // registry; on failure leaves both as they were and says why.
    bool Commit(std::string& reason);
    void Refuse(const std::string& name, const std::string& reason);
    // The closing message: what was installed, what was refused and why, or nothing new.
    void ShowSummary(HWND owner);

    RunSettings settings_;
    UpdateView& view_;
    std::string staging_;
    std::vector<TUpdateItem> entries_;
    std::vector<TUpdateItem> current_;   // already in place: only their versions are recorded
    std::string baseAddress_;
    ReleaseRecord release_;
    std::uint64_t installedRelease_ = 0;
    std::vector<std::string> log_;
    std::vector<std::string> installed_;
    std::vector<Refusal> refused_;
    // When putting the release in place failed: which file, why, and what could not be put back.
    std::string placeFailure_;
    std::vector<std::string> notPutBack_;
    THttpClient pHttp;
    ProgramGuard keltrixGuard_;
    bool aborted_ = false;
    bool running_ = false;
};

} // namespace kelt::update
