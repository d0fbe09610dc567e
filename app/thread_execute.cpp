#include "app/thread_execute.h"

#include <windows.h>

#include <exception>
#include <map>
#include <memory>

#include "ui/error_report.h"
#include "ui/instance.h"

namespace kelt {

namespace {

constexpr UINT WM_KELT_EXECUTE = WM_APP + 0x4B45;
const char kExecuteClass[] = "KeltThreadExecute";

std::map<unsigned, std::unique_ptr<JTThreadExecute>>& Tasks()
{
    static std::map<unsigned, std::unique_ptr<JTThreadExecute>> tasks;
    return tasks;
}

} // namespace

struct ThreadExecuteWindow {
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_KELT_EXECUTE) {
            JTThreadExecute::Run(static_cast<unsigned>(wParam));
            return 0;
        }
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    }

    // The message-only window that receives the calls, made on first use.
    static HWND Get()
    {
        static HWND window = nullptr;
        if (!window || !::IsWindow(window)) {
            WNDCLASSEXA wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.hInstance = ui::Instance();
            wc.lpszClassName = kExecuteClass;
            ::RegisterClassExA(&wc);
            window = ::CreateWindowExA(0, kExecuteClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, ui::Instance(), nullptr);
        }
        return window;
    }
};

JTThreadExecute* JTThreadExecute::Create(bool createSuspended)
{
    static unsigned next = 0;
    const unsigned id = ++next;
    std::unique_ptr<JTThreadExecute> task(new JTThreadExecute(id));
    JTThreadExecute* raw = task.get();
    Tasks()[id] = std::move(task);
    if (!createSuspended)
        raw->Resume();
    return raw;
}

JTThreadExecute::~JTThreadExecute() = default;

void JTThreadExecute::Resume()
{
    if (posted_)
        return;
    posted_ = true;
    ::PostMessageA(ThreadExecuteWindow::Get(), WM_KELT_EXECUTE, id_, 0);
}

int JTThreadExecute::PendingTasks()
{
    return static_cast<int>(Tasks().size());
}

void JTThreadExecute::Run(unsigned id)
{
    auto found = Tasks().find(id);
    if (found == Tasks().end())
        return;
    // Off the list before running: the handlers may create further tasks.
    std::unique_ptr<JTThreadExecute> task = std::move(found->second);
    Tasks().erase(found);
    for (auto* handler : {&task->OnExecute, &task->OnTerminate}) {
        try {
            if (*handler)
                (*handler)();
        } catch (const std::exception& error) {
            ui::ReportError(error, nullptr);
        } catch (...) {
            ui::ReportUnknownError(nullptr);
        }
    }
}

} // namespace kelt
