#pragma once
// JTUpdateRun: one update run of the program folder, without windows of its own. It fetches
// the server's information files into the staging folder, collects the newer files, downloads
// them one after another, and installs only what arrived whole and correct; it keeps the log.
// What it shows goes to an UpdateView; questions and messages go through ui::ShowMessage.
#include <windows.h>

#include <string>
#include <vector>

#include "update/http_client.h"
#include "update/limits.h"
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

struct RunSettings {
    std::string programFolder;   // with its trailing backslash
    std::string runningProgram;  // the updater's own file, replaceable only by renaming it aside
    int connectTimeoutMs = kConnectTimeoutMs;
    int readTimeoutMs = kReadTimeoutMs;
    int closeWaitMs = kCloseWaitMs;
    std::string keltrixMutex;    // empty: the real one
};

class JTUpdateRun {
public:
    enum class Outcome {
        NotStarted,  // no usable setting or no information: the run may be started again
        NothingNew,  // "Nothing new has been found!!"
        Finished,    // the install step ran
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
    static std::string Describe(const Fetched& got);
    // One GET into a file: the plain client for http, WinHTTP for https.
    Fetched Fetch(const std::string& url, const std::string& target);
    bool FetchInformation(HWND owner, const std::string& baseAddress, ServerInfo& info);
    void Download(HWND owner, std::vector<bool>& received);
    bool MayInstall(HWND owner);
    void Install(const std::vector<bool>& received);
    // Why a downloaded entry must not be installed; empty when it may.
    std::string Rejection(const TUpdateItem& item) const;
    void HostUnknown(HWND owner);
    void RecordVersion(const TUpdateItem& item);

    RunSettings settings_;
    UpdateView& view_;
    std::string staging_;
    std::vector<TUpdateItem> entries_;
    std::vector<std::string> log_;
    THttpClient pHttp;
    bool aborted_ = false;
    bool running_ = false;
};

} // namespace kelt::update
