#!/usr/bin/env bash
# Checks a program folder before it is shipped (tools/dist.sh refuses to package one that fails):
#   - it holds everything a complete installation needs;
#   - every shipped binary carries the version resource of this build;
#   - no shipped binary imports a DLL that a clean Windows lacks, nor a function that the oldest
#     Windows the programs are stated to run on ($KELT_MIN_WINDOWS_NAME) lacks: every import must be
#     in tools/windows-imports.txt, with a Windows no newer than that;
#   - the two programs carry their icon and a manifest asking for administrator rights, naming
#     that Windows and each later one, per-monitor scaling and UTF-8 as their code page.
#   tools/check-dist.sh build/<preset>/dist/dist.env [FOLDER] [--binary FILE...]
# FOLDER defaults to the program folder the build staged. --binary checks only the version
# resource and imports of the given files (the setup programs). Prints every fault; exit 1 if any.
set -uo pipefail
env_file=$1; shift
# shellcheck disable=SC1090
. "$env_file"
folder=$KELT_STAGE_DIR
binaries=()
if [ "${1:-}" = "--binary" ]; then
  shift; binaries=("$@"); folder=""
elif [ $# -gt 0 ]; then
  folder=$1
fi

faults=0
fault() { echo "FAULT: $*"; faults=$((faults + 1)); }

# DLLs every Windows from Vista on has in its system folder. Anything else (the mingw runtime's
# libstdc++-6.dll, libgcc_s_*.dll, libwinpthread-1.dll, a UCRT api set) means the static
# linking broke and the program would not start on a clean machine.
system_dlls="advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll dnsapi.dll dwmapi.dll
  gdi32.dll gdiplus.dll imm32.dll iphlpapi.dll kernel32.dll mpr.dll msimg32.dll msvcrt.dll
  netapi32.dll ntdll.dll ole32.dll oleacc.dll oleaut32.dll psapi.dll rpcrt4.dll secur32.dll setupapi.dll
  shell32.dll shfolder.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll
  winhttp.dll wininet.dll winmm.dll winspool.drv ws2_32.dll wsock32.dll"
system_dlls=" $(echo $system_dlls) "

# The oldest Windows that has each imported function: "dll function version" a line, the version
# as Windows numbers it (5.1 XP, 6.0 Vista, 6.1 7, 10.0.14393 Windows 10 1607 ...), taken from
# the "minimum supported client" of the function's documentation.
declare -A import_since
while read -r dll function version _; do
  case "$dll" in ''|'#'*) continue ;; esac
  import_since["${dll,,} $function"]=$version
done <"$(dirname "$(readlink -f "$0")")/windows-imports.txt"

# newer A B: version A is later than version B.
newer() { [ "$1" != "$2" ] && [ "$(printf '%s\n%s\n' "$1" "$2" | sort -V | tail -1)" = "$1" ]; }

windows_name() {
  case "$1" in
    5.0) echo "Windows 2000" ;; 5.1) echo "Windows XP" ;; 5.2) echo "Windows XP x64" ;;
    6.0) echo "Windows Vista" ;; 6.1) echo "Windows 7" ;; 6.2) echo "Windows 8" ;; 6.3) echo "Windows 8.1" ;;
    10.0) echo "Windows 10" ;; 10.0.*) echo "Windows 10 build ${1#10.0.}" ;; *) echo "Windows $1" ;;
  esac
}

# "dll function" for each import of a binary (an import by number shows as #number).
imports_of() {
  "$KELT_OBJDUMP" -p "$1" | awk '
    /^[[:space:]]*DLL Name: / { dll = tolower($3); next }
    dll != "" && /^[[:space:]]*$/ { dll = ""; next }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
      name = ($3 == "" || $3 == "<none>") ? "#" $2 : $3
      print dll, name
    }'
}

check_imports() {
  local file=$1 name dll function since
  name=$(basename "$file")
  while read -r dll; do
    dll=${dll,,}
    case "$system_dlls" in
      *" $dll "*) ;;
      *) fault "$name imports $dll, which a clean Windows does not have" ;;
    esac
  done < <("$KELT_OBJDUMP" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p')
  while read -r dll function; do
    since=${import_since["$dll $function"]:-}
    if [ -z "$since" ]; then
      fault "$name imports $function from $dll, which tools/windows-imports.txt does not list (add it with the oldest Windows that has it)"
    elif newer "$since" "$KELT_MIN_WINDOWS"; then
      fault "$name imports $function from $dll, which needs $(windows_name "$since"); it must start on $KELT_MIN_WINDOWS_NAME (look it up at run time instead)"
    fi
  done < <(imports_of "$file")
}

# The manifest's list of the Windows versions a program is written for, by version.
declare -A supported_os=(
  [6.0]=e2011457-1546-43c5-a5fe-008deee3d3f0 [6.1]=35138b9a-5d96-4fbd-8e2d-a2440225f93a
  [6.2]=4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 [6.3]=1f676c76-80e1-4239-95bb-83d0f6d0da78
  [10.0]=8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a)

# The resources of a binary as resource-script text, without the data lines of pictures.
resources_of() {
  "$KELT_WINDRES" -i "$1" -O rc 2>/dev/null | grep -v '^  0x' | grep -v '^$'
}

value_of() {  # value_of RC_TEXT NAME: the StringFileInfo value NAME
  sed -n "s/^ *VALUE \"$2\", \"\\(.*\\)\"$/\\1/p" <<<"$1" | head -1
}

# check_version FILE NUMBERS FILE_VERSION PRODUCT_VERSION [DESCRIPTION]
check_version() {
  local file=$1 numbers=$2 file_version=$3 product_version=$4 description=${5:-} rc name
  name=$(basename "$file")
  rc=$(resources_of "$file")
  if ! grep -q '^1 VERSIONINFO' <<<"$rc"; then
    fault "$name has no version resource"
    return
  fi
  local found
  found=$(sed -n 's/^ *FILEVERSION //p' <<<"$rc" | tr -d ' ')
  [ "$found" = "$numbers" ] || fault "$name: FILEVERSION $found, expected $numbers"
  found=$(value_of "$rc" FileVersion)
  [ "$found" = "$file_version" ] || fault "$name: FileVersion \"$found\", expected \"$file_version\""
  found=$(value_of "$rc" ProductVersion)
  [ "$found" = "$product_version" ] || fault "$name: ProductVersion \"$found\", expected \"$product_version\""
  if [ -n "$description" ]; then
    found=$(value_of "$rc" FileDescription)
    [ "$found" = "$description" ] || fault "$name: FileDescription \"$found\", expected \"$description\""
  fi
}

check_program_look() {  # the icon and manifest of a program
  local file=$1 rc name
  name=$(basename "$file")
  rc=$(resources_of "$file")
  grep -q '/\* RT_GROUP_ICON \*/' <<<"$rc" || fault "$name has no icon"
  if ! grep -q '^1 24 /\* RT_MANIFEST \*/' <<<"$rc"; then
    fault "$name has no manifest"
  else
    grep -q 'requestedExecutionLevel level=""requireAdministrator""' <<<"$rc" ||
      fault "$name: its manifest does not ask for administrator rights"
    grep -q 'Microsoft.Windows.Common-Controls' <<<"$rc" ||
      fault "$name: its manifest does not ask for common controls 6"
    grep -q "assemblyIdentity type=\"\"win32\"\" name=\"\"[A-Za-z.]*\"\" version=\"\"$KELT_VERSION_QUAD\"\"" <<<"$rc" ||
      fault "$name: its manifest does not name version $KELT_VERSION_QUAD"
    local version
    for version in "${!supported_os[@]}"; do
      if ! newer "$KELT_MIN_WINDOWS" "$version" && ! grep -qi "supportedOS Id=\"\"{${supported_os[$version]}}\"\"" <<<"$rc"; then
        fault "$name: its manifest does not list $(windows_name "$version") as supported"
      fi
    done
    grep -q 'PerMonitorV2' <<<"$rc" || fault "$name: its manifest does not ask for per-monitor scaling"
    grep -q 'activeCodePage[^>]*>UTF-8<' <<<"$rc" || fault "$name: its manifest does not ask for UTF-8 as code page"
  fi
}

program_numbers=${KELT_VERSION_QUAD//./,}

if [ ${#binaries[@]} -gt 0 ]; then
  for f in "${binaries[@]}"; do
    check_version "$f" "$program_numbers" "$KELT_VERSION_QUAD" "$KELT_VERSION"
    check_imports "$f"
  done
  [ $faults -eq 0 ] && echo "Checked ${#binaries[@]} binaries: version $KELT_VERSION, system DLLs of $KELT_MIN_WINDOWS_NAME only."
  [ $faults -eq 0 ]
  exit
fi

[ -d "$folder" ] || { fault "no program folder at $folder"; exit 1; }

# What a complete program folder holds.
required=(
  Keltrix.exe
  Update.exe
  Update.ini
  KeltKinds.xdb
  KeltckItems.xdb
  KeltedItems.xdb
  keltrix.chm
  Plugins/Starter.KTP
  Plugins/Hide.KTP
  Plugins/Applets.KTP
  Plugins/Scrub.KTP
  Plugins/Relocate.KTP
  Plugins/KeltPlugins.ini
)
for f in "${required[@]}"; do
  [ -f "$folder/$f" ] || fault "the program folder lacks ${f//\//\\}"
done
[ -d "$folder/Records" ] || fault "the program folder lacks Records\\"

count=0
while IFS= read -r -d '' f; do
  count=$((count + 1))
  case "$(basename "$f")" in
    Scrub.KTP)
      # Scrub has never carried a version resource (the host learns a plug-in's version
      # from its GetPluginVersion export); it keeps it that way.
      if grep -q '^1 VERSIONINFO' <<<"$(resources_of "$f")"; then
        fault "Scrub.KTP carries a version resource; it ships without one"
      fi ;;
    Applets.KTP)
      # Applets states its file version in the short form of the product version.
      check_version "$f" "$KELT_PLUGIN_VERSION_NUMBERS" "$KELT_PLUGIN_PRODUCT_VERSION" \
        "$KELT_PLUGIN_PRODUCT_VERSION" "Plugin for Keltrix" ;;
    *.KTP)
      check_version "$f" "$KELT_PLUGIN_VERSION_NUMBERS" "$KELT_PLUGIN_FILE_VERSION" \
        "$KELT_PLUGIN_PRODUCT_VERSION" "Plugin for Keltrix" ;;
    *)
      check_version "$f" "$program_numbers" "$KELT_VERSION_QUAD" "$KELT_VERSION" ;;
  esac
  check_imports "$f"
done < <(find "$folder" -type f \( -iname '*.exe' -o -iname '*.ktp' -o -iname '*.dll' \) -print0)

for f in Keltrix.exe Update.exe; do
  [ -f "$folder/$f" ] && check_program_look "$folder/$f"
done

if [ $faults -gt 0 ]; then
  echo "$faults fault(s) in $folder"
  exit 1
fi
echo "Program folder complete: $count binaries, version $KELT_VERSION, system DLLs of $KELT_MIN_WINDOWS_NAME only."
