#pragma once
// A throw-away program folder, a server folder the test publishes into, a view that records
// what a run shows, and scripted message boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "tests/windows/update/update_test_support.h"
#include "update/http_client.h"
#include "update/signature_check.h"
#include "update/update_run.h"
#include "ui/seams.h"

namespace kelt::update::testing {

struct ShownMessage {
    std::string text, caption;
    UINT flags;
};

class RecordingView : public UpdateView {
public:
    std::vector<std::string> statuses;
    std::vector<int> downloadBar, installBar;
    std::vector<std::string> stages;  // "downloads", "install", "end"
    std::function<void()> onInstallStarted;

    void SetStatus(const std::string& text) override { statuses.push_back(text); }
    void SetDownloadBar(int percent) override { downloadBar.push_back(percent); }
    void SetInstallBar(int percent) override { installBar.push_back(percent); }
    void DownloadsStarted() override { stages.push_back("downloads"); }
    void InstallStarted() override
    {
        stages.push_back("install");
        if (onInstallStarted)
            onInstallStarted();
    }
    void EndProgram() override { stages.push_back("end"); }

    bool Showed(const std::string& status) const
    {
        for (const std::string& s : statuses)
            if (s == status)
                return true;
        return false;
    }
};

// Lower-case hex of the SHA-256 of `bytes`.
inline std::string Sha256Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char b : Sha256(bytes)) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

// One published file: section, key, file name, version, bytes; size and hash as published
// ("" leaves the key out; "auto" publishes the real ones). A name with a path is listed but
// not written; empty bytes are not written either.
struct Published {
    Published(std::string section, std::string key, std::string name, std::string version, std::string bytes,
              std::string size = "auto", std::string hash = "auto")
        : section(std::move(section)), key(std::move(key)), name(std::move(name)), version(std::move(version)),
          bytes(std::move(bytes)), size(std::move(size)), hash(std::move(hash))
    {
    }
    std::string section, key, name, version, bytes, size, hash;
};

class UpdateRunFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = NewTempFolder("prog");
        seams_ = std::make_unique<ui::ScopedSeams>(Seams());
    }

    ui::DialogSeams Seams()
    {
        ui::DialogSeams seams = ui::DialogSeams::Real();
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            messages.push_back({text, caption, flags});
            if (answers.empty())
                return IDOK;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
        return seams;
    }

    // Who signs what Publish writes: the key in Update.ini, another key, both, or nobody.
    enum class Signer { Publisher, Other, Both, Nobody };

    // Publishes into <tree>\<name>\update\, signs it (see Sign; answers its release number), and
    // points Update.ini at `server` + "/<prefix><name>/update/" with the publisher's key.
    int Publish(const std::string& name, const std::vector<Published>& files, const std::string& server,
                 const std::string& prefix = "", Signer signer = Signer::Publisher, const std::string& release = "")
    {
        const std::string folder = TreeFolder() + name + "\\update\\";
        MakeFolders(folder);
        std::string versions, names, sizes, hashes;
        for (const char* section : {"Program", "Database", "Plugins"}) {
            std::string v, n, s, h;
            for (const Published& f : files) {
                if (f.section != section)
                    continue;
                v += f.key + "=" + f.version + "\r\n";
                n += f.key + "=" + f.name + "\r\n";
                if (!f.size.empty())
                    s += f.key + "=" + (f.size == "auto" ? std::to_string(f.bytes.size()) : f.size) + "\r\n";
                if (!f.hash.empty())
                    h += f.key + "=" + (f.hash == "auto" ? Sha256Hex(f.bytes) : f.hash) + "\r\n";
                if (f.name.find_first_of("\\/:") == std::string::npos && !f.bytes.empty())
                    WriteBytes(folder + f.name, f.bytes);
            }
            const std::string head = std::string("[") + section + "]\r\n";
            versions += head + v;
            names += head + n;
            sizes += head + s;
            hashes += head + h;
        }
        WriteBytes(folder + "version.ini", versions);
        WriteBytes(folder + "filenames.ini", names);
        WriteBytes(folder + "filesize.ini", sizes);
        WriteBytes(folder + "filehash.ini", hashes);
        ::DeleteFileA((folder + "update.sig").c_str());
        ::DeleteFileA((folder + "release.rec").c_str());
        SetBaseAddress(server + "/" + prefix + name + "/update/");
        return signer == Signer::Nobody ? 0 : Sign(name, signer, release);
    }

    // Has the odd server sign <tree>\<name>\update\ with the publisher's script as the next
    // release; `release` sets fields of the record as a query ("channel=beta&expires=...").
    static int Sign(const std::string& name, Signer signer, const std::string& release = "")
    {
        static int sequence = 0;
        static const char* const kWho[] = {"publisher", "other", "both"};
        THttpClient http;
        http.InputFileMode = false;
        http.Get(OddServer() + "/odd/sign/" + name + "/" + kWho[static_cast<int>(signer)] + "?sequence=" +
                 std::to_string(++sequence) + "&" + release);
        EXPECT_EQ(http.Body, "signed");
        return sequence;
    }

    // Update.ini with the address and the publisher's key (none when `key` is empty).
    void SetBaseAddress(const std::string& base, const std::string& key = Env("KELT_SIGN_PUBLIC"))
    {
        WriteBytes(program + "Update.ini",
                   "[Server]\r\nBaseAddress=" + base + "\r\n" + (key.empty() ? "" : "PublicKey=" + key + "\r\n"));
    }

    RunSettings Settings() const
    {
        RunSettings s;
        s.programFolder = program;
        s.runningProgram = program + "Update.exe";
        // Small bounds keep the tests of slow servers short, with room for a loaded machine.
        s.lookupTimeoutMs = 5000;
        s.connectTimeoutMs = 3000;
        s.readTimeoutMs = 2500;
        s.headTimeoutMs = 3000;
        s.bodyBaseMs = 3000;
        s.floorBytesPerSecond = 1024 * 1024;
        s.closeWaitMs = closeWaitMs;
        return s;
    }

    JTUpdateRun::Outcome RunOnce(RecordingView& view, std::vector<std::string>* log = nullptr)
    {
        JTUpdateRun run(Settings(), view);
        const JTUpdateRun::Outcome outcome = run.Start(nullptr);
        if (log)
            *log = run.Log();
        return outcome;
    }

    std::string program;
    int closeWaitMs = 1000;
    std::vector<ShownMessage> messages;
    std::deque<int> answers;

private:
    std::unique_ptr<ui::ScopedSeams> seams_;
};

} // namespace kelt::update::testing
