#!/usr/bin/env bash
# Packaging tests.
#   tools/test-dist.sh            builds `dist` of win64 and win32, then tests both packages
#   tools/test-dist.sh ENV...     tests the packages the given dist.env files describe, unbuilt
# Every package: the folder check (complete, versions, imports), the setup program's version and
# imports, the zip's listing against the packaged folder. The win64 package is also installed,
# started, upgraded and removed under Wine in a throw-away prefix; the win32 one cannot run here.
# Packages built here are built from a release published from the staged folder (with a key of
# this run), and are checked to record it.
set -uo pipefail
self=$(readlink -f "$0")
root=$(dirname "$(dirname "$self")")

passed=0; failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1; shift
  if "$@"; then
    passed=$((passed + 1)); echo "  ok    $what"
  else
    failed=$((failed + 1)); echo "  FAIL  $what"
  fi
}
finish() {
  echo "Packaging: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit
}

load_env() {  # the package names of one build
  # shellcheck disable=SC1090
  . "$1"
  name=Keltrix-$KELT_VERSION-$KELT_ARCH
  setup=$KELT_DIST_DIR/$name-setup.exe
  zip=$KELT_DIST_DIR/$name.zip
  package=$KELT_DIST_WORK/Keltrix
}

# "Keltrix/" and every folder and file below it, one a line, sorted: as zip lists them.
listing_of() {
  (cd "$(dirname "$1")" && find "$(basename "$1")" \( -type d -printf '%p/\n' \) -o \( -type f -print \)) | LC_ALL=C sort
}

same_listing() { diff <(listing_of "$1") <(unzip -Z1 "$2" | LC_ALL=C sort); }

# The staged folder without what runs of the programs wrote into it is what was packaged (with
# the record of its release).
package_is_stage() {
  diff <(listing_of "$KELT_STAGE_DIR" | grep -viE '^Keltrix/(version\.ini|update\.log|update\.exe\.old|update/.*|records/.+)$') \
       <(listing_of "$package" | grep -vx 'Keltrix/version.ini')
}

# Release 1 of the staged folder, published as a publisher does: the program files, the tables
# and the plug-ins, version 0.9-dist, signed with a key of this run.
make_release() {  # make_release STAGE OUT
  local src=$KELT_DIST_WORK/release-source
  rm -rf "$src" "$2" && mkdir -p "$src/Program" "$src/Database" "$src/Plugins" &&
    cp "$1"/*.exe "$1"/*.chm "$src/Program/" && cp "$1"/*.xdb "$src/Database/" && cp "$1"/Plugins/*.KTP "$src/Plugins/" &&
    openssl ecparam -name prime256v1 -genkey -noout -out "$src/key.pem" 2>/dev/null &&
    bash "$root/tools/make-update-info.sh" --key "$src/key.pem" "$src" "$2" 0.9-dist >/dev/null && rm -rf "$src"
}
# Packages built here are built from that release; given ones, when they carry a version.ini.
from_release() { [ -n "${KELT_EXPECT_RELEASE:-}" ] || [ -f "$package/version.ini" ]; }
# The version.ini (on input) of a package built from it: the release and, among the files it
# ships, a program, a table and a plug-in with their published versions.
recorded_in() { [ "$(tr -d '\r' | grep -cxE 'Sequence=1|(Keltrix.exe|KeltKinds.xdb|Hide.KTP)=0.9-dist')" = 4 ]; }
zip_records_release() { unzip -p "$zip" Keltrix/version.ini | recorded_in; }

static_tests() {
  load_env "$1"
  echo "--- $name"
  check "$name: the program folder is complete, versioned and imports system DLLs only" \
    bash "$root/tools/check-dist.sh" "$1" "$package"
  check "$name: the setup program has the version resource and imports system DLLs only" \
    bash "$root/tools/check-dist.sh" "$1" --binary "$setup"
  local format=pei-x86-64
  [ "$KELT_ARCH" = win32 ] && format=pei-i386
  check "$name: the setup program is a $KELT_ARCH program" \
    grep -q "file format $format" <("$KELT_OBJDUMP" -f "$setup")
  check "$name: the packaged folder is the staged one without run-time files" package_is_stage
  check "$name: the zip lists exactly the packaged folder" same_listing "$package" "$zip"
  check "$name: the zip's files are the packaged ones, byte for byte" zip_matches
  from_release && check "$name: the zip records the release it was built from and its files' versions" zip_records_release
}

zip_matches() {
  local tmp rc
  tmp=$(mktemp -d)
  unzip -q "$zip" -d "$tmp" && diff -r "$package" "$tmp/Keltrix" >/dev/null
  rc=$?
  rm -rf "$tmp"
  return $rc
}

# The checker itself must catch the faults it exists for: a missing program, a plug-in
# without its version, a binary that needs the mingw runtime DLLs, and one that needs functions
# newer than the oldest Windows the programs run on.
checker_tests() {
  load_env "$1"
  local tmp out
  tmp=$(mktemp -d)
  cp -a "$package" "$tmp/Keltrix"
  rm -f "$tmp/Keltrix/Update.exe"
  [ -f "$tmp/Keltrix/Plugins/Scrub.KTP" ] && cp "$tmp/Keltrix/Plugins/Scrub.KTP" "$tmp/Keltrix/Plugins/Hide.KTP"
  printf '#include <string>\n#include <thread>\nint main(){std::thread t([]{});t.join();return (int)std::to_string(1).size();}\n' >"$tmp/dyn.cpp"
  x86_64-w64-mingw32-g++-posix -O0 "$tmp/dyn.cpp" -o "$tmp/Keltrix/Plugins/Dynamic.dll" 2>/dev/null
  printf '#include <windows.h>\nint main(){SetThreadErrorMode(0,0);return (int)GetDpiForWindow(0);}\n' >"$tmp/newer.c"
  x86_64-w64-mingw32-gcc -D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00 -O0 "$tmp/newer.c" -o "$tmp/Keltrix/Plugins/Newer.KTP" \
    -static 2>/dev/null
  out=$(bash "$root/tools/check-dist.sh" "$1" "$tmp/Keltrix")
  check "the folder check fails on a broken folder" [ $? -ne 0 ]
  check "the folder check names a missing program" grep -q 'lacks Update.exe' <<<"$out"
  check "the folder check names a plug-in without version" grep -q 'Hide.KTP has no version resource' <<<"$out"
  check "the folder check names a binary needing the mingw runtime" \
    grep -qi 'Dynamic.dll imports libstdc++-6.dll' <<<"$out"
  check "the folder check names an import newer than $KELT_MIN_WINDOWS_NAME, with the Windows it needs" \
    grep -q 'Newer.KTP imports SetThreadErrorMode from kernel32.dll, which needs Windows 7' <<<"$out"
  check "  and one a Windows 10 alone has" \
    grep -q 'Newer.KTP imports GetDpiForWindow from user32.dll, which needs Windows 10' <<<"$out"
  check "the README states the oldest Windows the programs run on" \
    grep -q "run on $KELT_MIN_WINDOWS_NAME and later" "$root/README.md"
  rm -rf "$tmp"
}

# ---- under Wine -------------------------------------------------------------------------------

wine_() { "$wine" "$@" 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
cdrive() { printf '%s' "$WINEPREFIX/drive_c"; }
installed=""  # unix path of the installation folder

# reg_value KEY NAME: the value's data, empty when the key or value is missing (64-bit view).
reg_value() {
  wine_ reg query "$1" /v "$2" /reg:64 | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
lacks_key() { ! wine_ reg query "$1" /reg:64 >/dev/null; }
# Where a 32-bit view's write would have landed.
lacks_key32() { lacks_key "${1/HKLM\\Software\\/HKLM\\Software\\Wow6432Node\\}"; }
absent() { local f; for f; do [ ! -e "$f" ] || return 1; done; }
refused_while_running() { "$wine" "$setup" /S >/dev/null 2>&1; [ $? -eq 2 ]; }

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Keltrix'
options_key='HKLM\SoftWare\Dorvane\Keltrix 0.8'

install_silently() { wine_ "$setup" /S "$@" >/dev/null; }
uninstall_silently() {  # the uninstaller runs on from a copy in the temp folder: wait for it
  wine_ "$1\\Uninstall.exe" /S "${@:2}" >/dev/null
  wineserver -w
}

installed_matches_package() {
  diff <(cd "$package" && find . ! -name version.ini | LC_ALL=C sort) \
       <(cd "$installed" && find . ! -name Uninstall.exe ! -name version.ini | LC_ALL=C sort) &&
    diff -r -x Uninstall.exe -x version.ini "$package" "$installed" >/dev/null && [ -f "$installed/Uninstall.exe" ]
}

release_key='HKLM\SoftWare\Dorvane\Keltrix 0.8\Update'
# The release the registry records for a folder (a value named by the folder).
recorded_release() {  # recorded_release FOLDER
  wine_ reg query "$release_key" /reg:64 | awk -v f="$1" 'index($0, "    " f "    REG_SZ    ") == 1 { print $NF }'
}

no_program_files_left() {
  local left
  left=$(cd "$installed" && find . -type f ! -path './Records/*' ! -path './Plugins/KeltPlugins.ini')
  [ -z "$left" ] || { echo "left behind: $left"; return 1; }
}

probe() { wine_ "$KELT_PROBE" "$@"; }

wine_tests_inside() {
  load_env "$1"
  wine=$(command -v wine || command -v wine64)
  "$wine" wineboot -i >/dev/null 2>&1
  local programs start_link desktop_link exe
  programs="$(cdrive)/ProgramData/Microsoft/Windows/Start Menu/Programs"
  start_link='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Keltrix.lnk'
  desktop_link="$(cdrive)/users/Public/Desktop/Keltrix.lnk"
  installed="$(cdrive)/Program Files/Keltrix"
  exe='C:\Program Files\Keltrix\Keltrix.exe'
  echo "--- $name under Wine"

  check "a silent installation succeeds" install_silently
  check "the files are in the 64-bit Program Files, as packaged, with the uninstaller" installed_matches_package
  check "the uninstaller it wrote has the version resource and imports system DLLs only" \
    bash "$root/tools/check-dist.sh" "$1" --binary "$installed/Uninstall.exe"
  check "nothing went to the 32-bit Program Files" absent "$(cdrive)/Program Files (x86)/Keltrix"
  check "a Start-menu shortcut" [ -f "$programs/Keltrix.lnk" ]
  check "a desktop shortcut (the optional part, chosen by default)" [ -f "$desktop_link" ]
  check "registered for removal in the 64-bit registry view, publisher Dorvane" \
    [ "$(reg_value "$uninstall_key" Publisher)" = Dorvane ]
  check "  with the version $KELT_VERSION" [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$KELT_VERSION" ]
  check "  with the program's icon" [ "$(reg_value "$uninstall_key" DisplayIcon)" = "$exe,0" ]
  check "  with its size" [ $(($(reg_value "$uninstall_key" EstimatedSize))) -gt 1000 ]
  check "  with the uninstaller" [ "$(reg_value "$uninstall_key" UninstallString)" = "\"C:\\Program Files\\Keltrix\\Uninstall.exe\"" ]
  check "  and not in the 32-bit view" lacks_key32 "$uninstall_key"
  if from_release; then
    check "the release it was built from is recorded for the folder where only administrators write" \
      [ "$(recorded_release 'C:\Program Files\Keltrix')" = 1 ]
    check "  and in version.ini with its files' versions" eval 'recorded_in <"$installed/version.ini"'
  fi

  check "the Start-menu shortcut starts the installed program to its ready main window" \
    probe start "$start_link" "$exe" 240
  check "an installation while the program runs is refused (exit code 2)" refused_while_running
  check "the program closes" probe close "$exe" 60

  # What a user has by now: a record, a plug-in of their own in the registry, options.
  mkdir -p "$installed/Records"
  printf 'record bytes' >"$installed/Records/KeltRecord20240101.rwr"
  printf '[Tools]\r\nMine.KTP=\r\n' >>"$installed/Plugins/KeltPlugins.ini"
  cp "$installed/Plugins/KeltPlugins.ini" "$KELT_DIST_WORK/user-registry.ini"
  printf '[Server]\r\nBaseAddress=https://updates.example.net/keltrix/\r\n' >"$installed/Update.ini"
  cp "$installed/Update.ini" "$KELT_DIST_WORK/deployment-update.ini"
  printf 'older' >"$installed/Keltrix.exe"
  printf '[Release]\r\nSequence=0\r\n[Program]\r\nKeltrix.exe=0.1\r\n[Plugins]\r\nHide Drives=1.0\r\n' >"$installed/version.ini"
  wine_ reg add "$options_key\\Options" /v MainLayout /t REG_DWORD /d 1 /f /reg:64 >/dev/null
  wine_ reg add 'HKLM\SoftWare\Dorvane\Other' /v Keep /d 1 /f /reg:64 >/dev/null

  check "a second installation upgrades in place" install_silently
  check "  replacing the program files" cmp -s "$package/Keltrix.exe" "$installed/Keltrix.exe"
  check "  keeping the user's plug-in registry" cmp -s "$KELT_DIST_WORK/user-registry.ini" "$installed/Plugins/KeltPlugins.ini"
  check "  keeping the records" [ -f "$installed/Records/KeltRecord20240101.rwr" ]
  check "  keeping the deployment's update settings" cmp -s "$KELT_DIST_WORK/deployment-update.ini" "$installed/Update.ini"
  if from_release; then
    check "  recording its release and versions over the older ones, keeping the plug-in manager's" \
      eval 'recorded_in <"$installed/version.ini" && grep -q "^Hide Drives=1.0" "$installed/version.ini"'
  fi

  check "a silent removal succeeds" uninstall_silently 'C:\Program Files\Keltrix'
  check "  removing the program files" no_program_files_left
  check "  keeping the records" [ "$(cat "$installed/Records/KeltRecord20240101.rwr" 2>/dev/null)" = 'record bytes' ]
  check "  keeping the user's plug-in registry" cmp -s "$KELT_DIST_WORK/user-registry.ini" "$installed/Plugins/KeltPlugins.ini"
  check "  removing the shortcuts" absent "$programs/Keltrix.lnk" "$desktop_link"
  check "  removing its entry in the list of programs" lacks_key "$uninstall_key"
  check "  removing the record of the folder's release with its files" [ -z "$(recorded_release 'C:\Program Files\Keltrix')" ]
  check "  keeping the options (the box is off by default)" [ "$(reg_value "$options_key\\Options" MainLayout)" = 0x1 ]

  install_silently
  check "a removal with the options box ticked" uninstall_silently 'C:\Program Files\Keltrix' /REMOVEOPTIONS
  check "  removes the program's options key" lacks_key "$options_key"
  check "  and nothing else of the maker's" [ "$(reg_value 'HKLM\SoftWare\Dorvane\Other' Keep)" = 1 ]

  local tools="$(cdrive)/Tools/Keltrix"
  check "an installation into a folder of the user's choice" install_silently '/D=C:\Tools\Keltrix'
  printf 'older' >"$tools/Keltrix.exe"
  install_silently
  check "  is upgraded in that folder" cmp -s "$package/Keltrix.exe" "$tools/Keltrix.exe"
  check "  and not beside it in Program Files" absent "$installed/Keltrix.exe"
  uninstall_silently 'C:\Tools\Keltrix'

  mkdir -p "$(cdrive)/Portable"
  unzip -q "$zip" -d "$(cdrive)/Portable"
  check "the zip, unpacked anywhere, starts to its ready main window" \
    probe start 'C:\Portable\Keltrix\Keltrix.exe' 'C:\Portable\Keltrix\Keltrix.exe' 240
  check "  and closes" probe close 'C:\Portable\Keltrix\Keltrix.exe' 60
  wineserver -k >/dev/null 2>&1
  echo "RESULT $passed $failed"
}

# One throw-away prefix under Xvfb, as tools/wine-run.sh makes them.
wine_tests() {
  local prefix out
  prefix=$(mktemp -d "${TMPDIR:-/tmp}/kelt-dist-wine.XXXXXX")
  out=$(WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash "$self" --inside "$1" 2>&1 | tee /dev/stderr)
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  local result
  result=$(grep '^RESULT ' <<<"$out" | tail -1)
  if [ -z "$result" ]; then
    failed=$((failed + 1)); echo "  FAIL  the Wine tests did not finish"
  else
    read -r _ p f <<<"$result"
    passed=$((passed + p)); failed=$((failed + f))
  fi
}

if [ "${1:-}" = "--inside" ]; then
  wine_tests_inside "$2"
  exit 0
fi

envs=("$@")
if [ ${#envs[@]} -eq 0 ]; then
  cd "$root"
  export KELT_EXPECT_RELEASE=1
  for preset in win64 win32; do
    cmake --preset $preset >/dev/null &&
      cmake --build --preset $preset -j "${JOBS:-2}" --target program &&
      load_env "$root/build/$preset/dist/dist.env" && make_release "$KELT_STAGE_DIR" "$KELT_DIST_WORK/release" &&
      KELT_RELEASE_DIR=$KELT_DIST_WORK/release cmake --build --preset $preset -j "${JOBS:-2}" --target dist ||
      { echo "  FAIL  make dist of $preset"; failed=$((failed + 1)); }
    envs+=("$root/build/$preset/dist/dist.env")
  done
fi

for env in "${envs[@]}"; do
  [ -f "$env" ] || { echo "  FAIL  no $env"; failed=$((failed + 1)); continue; }
  load_env "$env"
  if [ ! -f "$setup" ] || [ ! -f "$zip" ]; then
    echo "  FAIL  $name was not packaged"; failed=$((failed + 1)); continue
  fi
  static_tests "$env"
  if [ "$KELT_ARCH" = win64 ]; then
    checker_tests "$env"
    wine_tests "$env"
  fi
done
finish
