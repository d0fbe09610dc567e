#pragma once
// The two windows of Update.exe: TpfrmUpdate ("Update Keltrix"), the program's main window,
// and TpfrmLog ("Update Log"), which shows the log once files were installed. The run itself
// is JTUpdateRun; the windows show it and pass the user's choices on.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "update/update_run.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::update {

class TpfrmLog : public ui::Dialog {
public:
    explicit TpfrmLog(std::vector<std::string> lines);
    void PlaceBelow(HWND window);

protected:
    bool OnInitDialog() override;
    void OnOK() override { End(IDOK); }
    void OnCancel() override { End(IDCANCEL); }

private:
    std::vector<std::string> lines_;
};

class TpfrmUpdate : public ui::Dialog, private UpdateView {
public:
    explicit TpfrmUpdate(RunSettings settings);
    ~TpfrmUpdate() override;

    // Creates the window (modeless: it is the program's main window), not yet shown.
    bool Create();
    // Called when the program is to end: after the window closed, or at once on cancel or an
    // unknown host. Empty: the message loop is told to quit.
    std::function<void()> OnEndProgram;

    void pbtnStartClick();
    void pbtnCancelClick();

    JTUpdateRun& Run() { return run_; }
    // The log window once the install step opened it (null before, and after it closed).
    TpfrmLog* LogWindow() const;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;
    void OnOK() override {}
    void OnCancel() override { pbtnCancelClick(); }

private:
    void SetStatus(const std::string& text) override;
    void SetDownloadBar(int percent) override;
    void SetInstallBar(int percent) override;
    void DownloadsStarted() override;
    void InstallStarted() override;
    void EndProgram() override;

    void ShowStart(bool start);
    void SetBold(int id, bool bold);
    void DrawBanner(const DRAWITEMSTRUCT& item);
    // The close paths: save the log, close the window, end the program.
    void CloseWindow();

    JTUpdateRun run_;
    std::unique_ptr<TpfrmLog> log_;
    void MakeFonts();
    ui::UniqueFont boldFont_;
    ui::UniqueFont bannerFont_;
    ui::UniqueIcon bigIcon_;
    ui::UniqueIcon smallIcon_;
    bool ended_ = false;
};

} // namespace kelt::update
