#!/usr/bin/env bash
# Builds the update server's folder from a release folder.
#   tools/make-update-info.sh SOURCE OUT VERSION
# SOURCE holds the files to publish in Program/, Database/ and Plugins/ (any may be missing).
# Every file is copied into OUT (one flat folder: the updater appends names to its base
# address) and OUT receives the four information files, one key per file, the key being the
# file name:
#   version.ini    key=version text      filenames.ini  key=file name
#   filesize.ini   key=size in bytes     filehash.ini   key=SHA-256 in hex
# A file whose bytes are the same as in OUT's previous filehash.ini keeps its previous version,
# so clients download only what changed. VERSION must sort after a changed file's previous
# version byte by byte (0.10 sorts before 0.9: use 0.09, 0.10 ... or dates).
set -euo pipefail
export LC_ALL=C

if [ $# -ne 3 ]; then
  echo "usage: $0 SOURCE OUT VERSION" >&2
  exit 2
fi
src=$1 out=$2 version=$3
[ -d "$src" ] || { echo "make-update-info: $src is not a folder" >&2; exit 1; }
[ -n "$version" ] || { echo "make-update-info: empty version" >&2; exit 1; }
mkdir -p "$out"

# The value of KEY in SECTION of an INI file this script wrote earlier (empty when none).
old_value() {
  local file=$1 section=$2 key=$3
  [ -f "$file" ] || return 0
  awk -v s="[$section]" -v k="$key" '
    { sub(/\r$/, "") }
    /^\[/ { inside = ($0 == s); next }
    inside && index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }' "$file"
}

declare -A seen=()
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for f in version filenames filesize filehash; do : >"$tmp/$f.ini"; done

for section in Program Database Plugins; do
  dir=$src/$section
  [ -d "$dir" ] || continue
  for f in version filenames filesize filehash; do printf '[%s]\r\n' "$section" >>"$tmp/$f.ini"; done
  while IFS= read -r -d '' path; do
    name=$(basename "$path")
    # The updater accepts plain names only; refuse here what it would refuse there.
    if [[ "$name" =~ [\\/:*?\"\<\>|] || "$name" == *..* || "$name" =~ [[:cntrl:]] || "$name" =~ [.\ ]$ ]]; then
      echo "make-update-info: $section/$name is not a name the updater accepts" >&2
      exit 1
    fi
    lower=${name,,}
    if [[ "$lower" =~ ^(con|prn|aux|nul|com[1-9]|lpt[1-9])\ *(\.|$) ]]; then
      echo "make-update-info: $section/$name is a device name" >&2
      exit 1
    fi
    if [ -n "${seen[$lower]:-}" ]; then
      echo "make-update-info: $name is published twice (${seen[$lower]} and $section)" >&2
      exit 1
    fi
    seen[$lower]=$section
    size=$(stat -c %s "$path")
    hash=$(sha256sum "$path" | cut -d' ' -f1)
    previous=$(old_value "$out/version.ini" "$section" "$name")
    if [ -n "$previous" ] && [ "$(old_value "$out/filehash.ini" "$section" "$name")" = "$hash" ]; then
      v=$previous
    else
      if [ -n "$previous" ] && ! [[ "$version" > "$previous" ]]; then
        echo "make-update-info: $name changed but $version does not sort after its version $previous" >&2
        exit 1
      fi
      v=$version
    fi
    cp "$path" "$out/$name.tmp" && mv "$out/$name.tmp" "$out/$name"
    printf '%s=%s\r\n' "$name" "$v" >>"$tmp/version.ini"
    printf '%s=%s\r\n' "$name" "$name" >>"$tmp/filenames.ini"
    printf '%s=%s\r\n' "$name" "$size" >>"$tmp/filesize.ini"
    printf '%s=%s\r\n' "$name" "$hash" >>"$tmp/filehash.ini"
  done < <(find "$dir" -maxdepth 1 -type f -print0 | sort -z)
done

# The information files last, each replaced whole: a client never reads a half-written one.
for f in filenames filesize filehash version; do
  cp "$tmp/$f.ini" "$out/$f.ini.tmp" && mv "$out/$f.ini.tmp" "$out/$f.ini"
done
echo "make-update-info: ${#seen[@]} file(s) published in $out"
