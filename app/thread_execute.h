#pragma once
// Deferred work on the main thread. A JTThreadExecute makes one call into the main thread
// from the message loop: it runs OnExecute if a handler is set at that moment, then
// OnTerminate, and frees itself. Nothing runs in parallel; a caller may create one running
// and set OnExecute right afterwards, because the check happens when the call is made.
#include <functional>

namespace kelt {

class JTThreadExecute {
public:
    // Creates a task that frees itself once it has run. Created running, its call is already
    // posted; created suspended, Resume posts it.
    static JTThreadExecute* Create(bool createSuspended);

    JTThreadExecute(const JTThreadExecute&) = delete;
    JTThreadExecute& operator=(const JTThreadExecute&) = delete;
    ~JTThreadExecute();

    // Posts the call (once; later calls do nothing).
    void Resume();
    bool Suspended() const { return !posted_; }

    std::function<void()> OnExecute;
    // Runs after OnExecute, also when OnExecute failed (its error was reported).
    std::function<void()> OnTerminate;

    // Tasks created and not yet run (suspended ones included).
    static int PendingTasks();

private:
    explicit JTThreadExecute(unsigned id) : id_(id) {}
    static void Run(unsigned id);
    friend struct ThreadExecuteWindow;

    unsigned id_;
    bool posted_ = false;
};

} // namespace kelt
