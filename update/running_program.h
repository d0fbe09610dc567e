#pragma once
// Finding a running Keltrix before its files are replaced. Keltrix holds a named mutex for as
// long as it runs (its single-copy guard, named after its program file without extension);
// its main window is the one window of its process with the class TKeltMainForm. Copies in
// other sessions are found by their process image, since neither mutex nor window of another
// session can be seen from this one.
#include <windows.h>

#include <string>

#include "ui/handles.h"

namespace kelt::update {

// The name of the single-copy mutex of Keltrix.exe, and the class of its main window.
extern const char kKeltrixMutex[];        // "Keltrix"
extern const char kKeltrixWindowClass[];  // "TKeltMainForm"

bool MutexExists(const std::string& name);
// How many processes, in any session, run `programFile` (a full path). A process whose image
// cannot be read but whose file name matches counts as well.
int RunningCopies(const std::string& programFile);
// Asks the main window of every copy of `programFile` in this session to close, and nothing
// else: not its dialogs, nor a plug-in's tool window, nor a main window that a dialog of its
// own keeps disabled (closing it would take the dialog's work with it). Answers how many
// windows were asked.
int RequestClose(const std::string& programFile);
// Waits up to `ms` until the mutex is gone and no copy of `programFile` runs, serving
// messages; true when that happened.
bool WaitForProgramGone(const std::string& mutexName, const std::string& programFile, int ms);

// Holds Keltrix's single-copy mutex, so that it cannot start while files are replaced.
class ProgramGuard {
public:
    // True when the mutex was created here; false when a copy of Keltrix holds it.
    bool Claim(const std::string& name);
    void Release() { mutex_.reset(); }
    bool Held() const { return static_cast<bool>(mutex_); }

private:
    ui::UniqueKernelHandle mutex_;
};

} // namespace kelt::update
