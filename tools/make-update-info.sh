#!/usr/bin/env bash
# Builds the update server's folder from a release folder, signed with the publisher's key.
#   tools/make-update-info.sh --key KEY.pem SOURCE OUT VERSION
# KEY.pem is the publisher's ECDSA P-256 private key (openssl ecparam -name prime256v1
# -genkey -noout -out KEY.pem); it stays with the publisher, never on the server. Without it
# nothing is published: the updater installs nothing that is not signed.
# SOURCE holds the files to publish in Program/, Database/ and Plugins/ (any may be missing).
# Every file is copied into OUT (one flat folder: the updater appends names to its base
# address) and OUT receives the four information files, one key per file, the key being the
# file name:
#   version.ini    key=version text      filenames.ini  key=file name
#   filesize.ini   key=size in bytes     filehash.ini   key=SHA-256 in hex
# and update.sig: the base64 of the DER ECDSA signature with SHA-256 over the bytes of those
# four files joined in that order. The last line printed is the PublicKey= line that the
# deployment's Update.ini needs for this key.
# A file whose bytes are the same as in OUT's previous filehash.ini keeps its previous version,
# so clients download only what changed. VERSION must sort after a changed file's previous
# version byte by byte (0.10 sorts before 0.9: use 0.09, 0.10 ... or dates).
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: $0 --key KEY.pem SOURCE OUT VERSION" >&2
  exit 2
}
key=""
if [ "${1:-}" = "--key" ]; then
  [ $# -ge 2 ] || usage
  key=$2
  shift 2
fi
[ $# -eq 3 ] || usage
src=$1 out=$2 version=$3
if [ -z "$key" ]; then
  echo "make-update-info: refusing to publish unsigned: give the publisher's private key with --key FILE" >&2
  exit 1
fi
[ -d "$src" ] || { echo "make-update-info: $src is not a folder" >&2; exit 1; }
[ -n "$version" ] || { echo "make-update-info: empty version" >&2; exit 1; }
# The public half, as DER SubjectPublicKeyInfo; the updater takes ECDSA P-256 keys only.
p256_prefix=3059301306072a8648ce3d020106082a8648ce3d030107034200
public_hex=$(openssl pkey -in "$key" -pubout -outform DER 2>/dev/null | od -An -v -tx1 | tr -d ' \n') || true
if [ "${public_hex:0:${#p256_prefix}}" != "$p256_prefix" ] || [ ${#public_hex} -ne 182 ]; then
  echo "make-update-info: $key is not an ECDSA P-256 private key" >&2
  exit 1
fi
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
    if [[ "$name" =~ [\\/:*?\"\<\>|] || "$name" == *..* || "$name" =~ [[:cntrl:]] || "$name" =~ [.\ ]$ ||
          ${#name} -gt 200 ]]; then
      echo "make-update-info: $section/$name is not a name the updater accepts" >&2
      exit 1
    fi
    lower=${name,,}
    if [[ "$lower" =~ ^(con|prn|aux|nul|com[1-9]|lpt[1-9]|conin\$|conout\$)\ *(\.|$) ]]; then
      echo "make-update-info: $section/$name is a device name" >&2
      exit 1
    fi
    case "$lower" in
      version.ini|filenames.ini|filesize.ini|filehash.ini|update.sig|update.ini)
        echo "make-update-info: $section/$name is a name of the update information" >&2
        exit 1 ;;
    esac
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

# The signature over the four files exactly as they will be served, checked before it is used.
cat "$tmp/version.ini" "$tmp/filenames.ini" "$tmp/filesize.ini" "$tmp/filehash.ini" >"$tmp/signed"
openssl dgst -sha256 -sign "$key" -out "$tmp/update.der" "$tmp/signed"
openssl pkey -in "$key" -pubout -out "$tmp/public.pem" 2>/dev/null
if ! openssl dgst -sha256 -verify "$tmp/public.pem" -signature "$tmp/update.der" "$tmp/signed" >/dev/null; then
  echo "make-update-info: the signature does not verify" >&2
  exit 1
fi
base64 -w0 "$tmp/update.der" >"$tmp/update.sig"
echo >>"$tmp/update.sig"

# The information files last, each replaced whole: a client never reads a half-written one. A
# client that reads them while they change finds that the signature does not match, installs
# nothing, and finds all of them matching at its next run.
for f in filenames.ini filesize.ini filehash.ini version.ini update.sig; do
  cp "$tmp/$f" "$out/$f.tmp" && mv "$out/$f.tmp" "$out/$f"
done
echo "make-update-info: ${#seen[@]} file(s) published and signed in $out"
echo "PublicKey=$(openssl pkey -in "$key" -pubout -outform DER 2>/dev/null | base64 -w0)"
