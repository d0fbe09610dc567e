#pragma once
// Restart (or log off / shut down) Windows.
#include <windows.h>

namespace kelt {

// Non-zero on success. On the NT line the shutdown privilege is enabled first (open the
// process token with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, look up "SeShutdownPrivilege",
// enable it); if that fails nothing is restarted and the answer is 0. Then ExitWindowsEx with
// the flags (EWX_REBOOT = 2 for a restart) and reason 0. All calls go through
// CurrentSystemCalls().
BOOL RestartWindows(UINT flags);

} // namespace kelt
