#!/usr/bin/env bash
# Starts the staged Keltrix.exe under Wine with a private prefix inside the build folder.
# On a desktop it opens on $DISPLAY; without one it runs under Xvfb, saves a screenshot
# (build/keltrix-screenshot.png) after a few seconds and closes.
set -euo pipefail
cd "$(dirname "$0")/.."
stage=$PWD/build/win64/Keltrix
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
  (cd "$stage" && "$wine" Keltrix.exe) &
  pid=$!
  sleep "${KELT_SHOT_DELAY:-12}"
  import -window root "$shot"
  wineserver -k >/dev/null 2>&1 || true
  wait $pid 2>/dev/null || true
  echo "Screenshot: $shot"
elif [ -n "${DISPLAY:-}" ]; then
  cd "$stage" && exec "$wine" Keltrix.exe
else
  echo "No display: running under Xvfb and taking a screenshot."
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --screenshot
fi
