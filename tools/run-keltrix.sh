#!/usr/bin/env bash
# Starts the staged Keltrix.exe under Wine with a private prefix inside the build folder.
# On a desktop it opens on $DISPLAY; without one it runs under Xvfb in a Wine desktop, waits
# until the main window is ready (the first set-up of a prefix is slow), saves a screenshot
# (build/keltrix-screenshot.png) and closes.
set -euo pipefail
cd "$(dirname "$0")/.."
stage=$PWD/build/win64/Keltrix
waiter=$PWD/build/win64/bin/kelt_wait_ready.exe
[ -f "$stage/Keltrix.exe" ] || { echo "Keltrix.exe is not built; run 'make run'." >&2; exit 1; }

export WINEPREFIX=$PWD/build/wineprefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
wine=$(command -v wine || command -v wine64)
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1

if [ "${1:-}" = "--screenshot" ]; then
  shot=$PWD/build/keltrix-screenshot.png
  # Every program of the prefix in one Wine desktop: the window gets its frame and opens
  # maximised, and the waiter sees it.
  "$wine" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$wine" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
  wineserver -w  # the desktop is chosen when the prefix starts next
  (cd "$stage" && "$wine" Keltrix.exe) >/dev/null 2>&1 &
  pid=$!
  if [ -f "$waiter" ]; then
    "$wine" "$waiter" "${KELT_READY_LIMIT:-300}" || echo "Keltrix did not become ready; the screenshot shows why."
    sleep 1  # let the first paint settle
  else
    sleep "${KELT_SHOT_DELAY:-30}"
  fi
  import -window root "$shot"
  wineserver -k >/dev/null 2>&1 || true
  wait $pid 2>/dev/null || true
  echo "Screenshot of the main window: $shot"
elif [ -n "${DISPLAY:-}" ]; then
  cd "$stage" && exec "$wine" Keltrix.exe
else
  echo "No display: running under Xvfb and taking a screenshot."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --screenshot
fi
