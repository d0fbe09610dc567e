#!/usr/bin/env bash
# The publishing script: the four information files from a release folder, unchanged files
# keeping their versions, and the releases it refuses.
set -u
script=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/kelt-publish.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # check DESCRIPTION EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1"; echo "  expected: $(printf '%q' "$2")"; echo "  actual:   $(printf '%q' "$3")"
    failures=$((failures + 1))
  fi
}

rel=$work/release out=$work/server
mkdir -p "$rel/Program" "$rel/Database" "$rel/Plugins"
printf 'keltrix program 0.9\n' >"$rel/Program/Keltrix.exe"
printf 'kinds table 0.9\n' >"$rel/Database/KeltKinds.xdb"
printf 'hide plugin 0.9\n' >"$rel/Plugins/Hide.KTP"
bash "$script" "$rel" "$out" 0.09 >/dev/null
check "version.ini" $'[Program]\r\nKeltrix.exe=0.09\r\n[Database]\r\nKeltKinds.xdb=0.09\r\n[Plugins]\r\nHide.KTP=0.09\r' "$(cat "$out/version.ini")"
check "filenames.ini" $'[Program]\r\nKeltrix.exe=Keltrix.exe\r\n[Database]\r\nKeltKinds.xdb=KeltKinds.xdb\r\n[Plugins]\r\nHide.KTP=Hide.KTP\r' "$(cat "$out/filenames.ini")"
check "filesize.ini" "Keltrix.exe=20" "$(grep -a Keltrix "$out/filesize.ini" | tr -d '\r')"
# The same SHA-256 the updater computes through CryptoAPI for these bytes.
check "filehash.ini" "Keltrix.exe=efb4e9ab18caf5d27a697ef61c608ec94d7a25f1e08f86b6234f52d7009dd8c1" \
  "$(grep -a Keltrix "$out/filehash.ini" | tr -d '\r')"
check "files flat in the server folder" "hide plugin 0.9" "$(cat "$out/Hide.KTP")"

printf 'hide plugin 0.10\n' >"$rel/Plugins/Hide.KTP"
bash "$script" "$rel" "$out" 0.10 >/dev/null
check "only the changed file gets the new version" $'Keltrix.exe=0.09\nKeltKinds.xdb=0.09\nHide.KTP=0.10' \
  "$(grep -a = "$out/version.ini" | tr -d '\r')"

before=$(cat "$out/version.ini")
printf 'changed again\n' >"$rel/Program/Keltrix.exe"
bash "$script" "$rel" "$out" 0.05 >/dev/null 2>&1
check "a version that sorts lower is refused" "1" "$?"
check "a refused release leaves the information files" "$before" "$(cat "$out/version.ini")"

for bad in "a..b" "nul.txt" "trail."; do
  mkdir -p "$work/bad/Program"
  rm -f "$work/bad/Program/"*
  printf x >"$work/bad/Program/$bad"
  bash "$script" "$work/bad" "$work/badout" 1 >/dev/null 2>&1
  check "name $bad is refused" "1" "$?"
done
mkdir -p "$work/twice/Program" "$work/twice/Plugins"
printf x >"$work/twice/Program/same.dll"
printf y >"$work/twice/Plugins/SAME.DLL"
bash "$script" "$work/twice" "$work/twiceout" 1 >/dev/null 2>&1
check "a name in two sections is refused" "1" "$?"

[ $failures -eq 0 ] && echo "make-update-info: all checks passed"
exit $failures
