#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh, throw-away prefix.
# Without a display it runs under Xvfb. The exit code is the program's.
#   tools/wine-run.sh PROGRAM.exe [ARGS...]
#   tools/wine-run.sh --script SCRIPT.sh [ARGS...]   a shell script that runs wine itself, in that prefix
set -u
self=$(readlink -f "$0")

if [ "${1:-}" = "--inside" ]; then
  shift
  wine=$(command -v wine || command -v wine64)
  "$wine" wineboot -i >/dev/null 2>&1
  if [ "${1:-}" = "--script" ]; then
    shift
    bash "$@"
  else
    "$wine" "$@"
  fi
  rc=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $rc
fi

export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
prefix=$(mktemp -d "${TMPDIR:-/tmp}/kelt-wine.XXXXXX")
export WINEPREFIX=$prefix
cleanup() {
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ] && [ -z "${KELT_FORCE_XVFB:-}" ]; then
  "$self" --inside "$@"
else
  xvfb-run -a -s "-screen 0 1280x1024x24" "$self" --inside "$@"
fi
