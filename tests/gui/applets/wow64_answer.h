#pragma once
// Scripts what a loaded plug-in believes about running under WOW64 (its KeltSetWow64Answer
// export), so the 64-bit test build can walk the paths a 32-bit build takes on 64-bit Windows.
#include <windows.h>

namespace kelt::testing {

class ScopedWow64Answer {
public:
    ScopedWow64Answer(HMODULE plugin, bool underWow64)
    {
        if (plugin)
            entry_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(::GetProcAddress(plugin, "KeltSetWow64Answer")));
        if (entry_)
            entry_(underWow64 ? 1 : 0);
    }
    ~ScopedWow64Answer()
    {
        if (entry_)
            entry_(-1);
    }
    ScopedWow64Answer(const ScopedWow64Answer&) = delete;
    ScopedWow64Answer& operator=(const ScopedWow64Answer&) = delete;

    bool Active() const { return entry_ != nullptr; }

private:
    using Entry = void (*)(int);
    Entry entry_ = nullptr;
};

} // namespace kelt::testing
