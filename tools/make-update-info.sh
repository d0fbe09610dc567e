#!/usr/bin/env bash
# Builds the update server's folder from a release folder, signed with the publisher's key.
#   tools/make-update-info.sh --key KEY.pem [options] SOURCE OUT VERSION
#   tools/make-update-info.sh --key KEY.pem [options] --renew OUT
# KEY.pem is the publisher's ECDSA P-256 private key (openssl ecparam -name prime256v1
# -genkey -noout -out KEY.pem); it stays with the publisher, never on the server. Without it
# nothing is published: the updater installs nothing that is not signed. --key may be given
# up to eight times, to sign with an old and a new key while deployments move to the new one.
# SOURCE holds the files to publish in Program/, Database/ and Plugins/ (any may be missing).
# Every file is copied into OUT (one flat folder: the updater appends names to its base
# address) and OUT receives the four information files, one key per file, the key being the
# file name:
#   version.ini    key=version text      filenames.ini  key=file name
#   filesize.ini   key=size in bytes     filehash.ini   key=SHA-256 in hex
# and release.rec, the signed release record (see the README): product, channel, a release
# sequence number, an expiry time and the length and SHA-256 of each of those four files,
# signed with every key given. update.sig, the signature over the four files joined that
# updaters before the release record check, is written too (with the first key).
# The last line printed is the PublicKey= line that a deployment's Update.ini needs for the
# first key.
# A file whose bytes are the same as in OUT's previous filehash.ini keeps its previous version,
# so clients download only what changed. VERSION must sort after a changed file's previous
# version byte by byte (0.10 sorts before 0.9: use 0.09, 0.10 ... or dates).
# --renew signs OUT's information files again as they are, as the next release: run it before
# the record expires (a cron job), or clients report the server's information out of date.
# Options:
#   --sequence N          the release's sequence number; by default one more than OUT's last.
#                         It must be above OUT's last: clients refuse a lower one.
#   --valid-days D        the record expires D days from now (default 30), or
#   --expires TIME        at TIME, written YYYY-MM-DDTHH:MM:SSZ (UTC)
#   --product P, --channel C   what the record is for (default Keltrix and stable); a client
#                         installs only a release whose product and channel its Update.ini names
set -euo pipefail
export LC_ALL=C

usage() {
  echo "usage: $0 --key KEY.pem [--key KEY2.pem] [--sequence N] [--valid-days D | --expires TIME]" \
       "[--product P] [--channel C] (SOURCE OUT VERSION | --renew OUT)" >&2
  exit 2
}
fail() { echo "make-update-info: $*" >&2; exit 1; }
keys=() sequence="" valid_days=30 expires="" product=Keltrix channel=stable renew=""
while [ $# -gt 0 ]; do
  case "$1" in
    --key|--sequence|--valid-days|--expires|--product|--channel|--renew) [ $# -ge 2 ] || usage ;;
  esac
  case "$1" in
    --key) keys+=("$2") ;;
    --sequence) sequence=$2 ;;
    --valid-days) valid_days=$2 ;;
    --expires) expires=$2 ;;
    --product) product=$2 ;;
    --channel) channel=$2 ;;
    --renew) renew=$2 ;;
    -*) usage ;;
    *) break ;;
  esac
  shift 2
done
if [ -n "$renew" ]; then
  [ $# -eq 0 ] || usage
  src="" out=$renew version=""
  [ -f "$out/filehash.ini" ] || fail "$out holds no published release to renew"
else
  [ $# -eq 3 ] || usage
  src=$1 out=$2 version=$3
fi
if [ ${#keys[@]} -eq 0 ]; then
  fail "refusing to publish unsigned: give the publisher's private key with --key FILE"
fi
[ ${#keys[@]} -le 8 ] || fail "at most eight keys sign a release"
[ -z "$src" ] || [ -d "$src" ] || fail "$src is not a folder"
[ -n "$renew" ] || [ -n "$version" ] || fail "empty version"
# Product and channel are compared byte for byte by the client: printable ASCII, no blank at
# either end.
for text in "$product" "$channel"; do
  if [ -z "$text" ] || [ ${#text} -gt 64 ] || [[ "$text" =~ [^\ -~] || "$text" == \ * || "$text" == *\  ]]; then
    fail "\"$text\" cannot name a product or channel (1 to 64 printable ASCII characters)"
  fi
done
if [ -n "$expires" ]; then
  [[ "$expires" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z$ ]] &&
    [ "$(date -u -d "${expires/T/ }" +%Y-%m-%dT%H:%M:%SZ 2>/dev/null)" = "$expires" ] ||
    fail "--expires $expires is not a time written YYYY-MM-DDTHH:MM:SSZ"
else
  [[ "$valid_days" =~ ^[1-9][0-9]{0,3}$ ]] || fail "--valid-days $valid_days is not a number of days"
  expires=$(date -u -d "+$valid_days days" +%Y-%m-%dT%H:%M:%SZ)
fi
# The public halves, as DER SubjectPublicKeyInfo; the updater takes ECDSA P-256 keys only.
p256_prefix=3059301306072a8648ce3d020106082a8648ce3d030107034200
for key in "${keys[@]}"; do
  public_hex=$(openssl pkey -in "$key" -pubout -outform DER 2>/dev/null | od -An -v -tx1 | tr -d ' \n') || true
  if [ "${public_hex:0:${#p256_prefix}}" != "$p256_prefix" ] || [ ${#public_hex} -ne 182 ]; then
    fail "$key is not an ECDSA P-256 private key"
  fi
done
# The sequence only grows: clients refuse a release below the one they have.
previous=0
if [ -f "$out/release.rec" ]; then
  previous=$(sed -n 's/^sequence [0-9]*:\([0-9]*\)$/\1/p' "$out/release.rec" | head -n 1)
  [ -n "$previous" ] || fail "$out/release.rec is not a release record this script wrote"
fi
if [ -z "$sequence" ]; then
  sequence=$((previous + 1))
elif ! [[ "$sequence" =~ ^[1-9][0-9]{0,17}$ ]] || [ "$sequence" -le "$previous" ]; then
  fail "--sequence $sequence must be a number above $previous, the sequence of the release in $out"
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
info_files=(version.ini filenames.ini filesize.ini filehash.ini)

if [ -n "$renew" ]; then
  for f in "${info_files[@]}"; do
    [ -f "$out/$f" ] || fail "$out/$f is missing"
    cp "$out/$f" "$tmp/$f"
  done
else
  for f in "${info_files[@]}"; do : >"$tmp/$f"; done
  mkdir "$tmp/files"
  for section in Program Database Plugins; do
    dir=$src/$section
    [ -d "$dir" ] || continue
    for f in "${info_files[@]}"; do printf '[%s]\r\n' "$section" >>"$tmp/$f"; done
    while IFS= read -r -d '' path; do
      name=$(basename "$path")
      # What the updater refuses, refused here: a name must be one plain file name that the
      # INI files carry as it is, under any code page.
      if [[ "$name" =~ [\\/:*?\"\<\>|=] || "$name" =~ [^\ -~] || "$name" == *..* || "$name" =~ ^[\[\;\ ] ||
            "$name" =~ [.\ ]$ || ${#name} -gt 200 ]]; then
        fail "$section/$(printf '%q' "$name") is not a name the updater accepts"
      fi
      lower=${name,,}
      if [[ "$lower" =~ ^(con|prn|aux|nul|com[1-9]|lpt[1-9]|conin\$|conout\$)\ *(\.|$) ]]; then
        fail "$section/$name is a device name"
      fi
      case "$lower" in
        version.ini|filenames.ini|filesize.ini|filehash.ini|update.sig|release.rec|update.ini)
          fail "$section/$name is a name of the update information" ;;
      esac
      if [ -n "${seen[$lower]:-}" ]; then
        fail "$name is published twice (${seen[$lower]} and $section)"
      fi
      seen[$lower]=$section
      size=$(stat -c %s "$path")
      hash=$(sha256sum "$path" | cut -d' ' -f1)
      previous_version=$(old_value "$out/version.ini" "$section" "$name")
      if [ -n "$previous_version" ] && [ "$(old_value "$out/filehash.ini" "$section" "$name")" = "$hash" ]; then
        v=$previous_version
      else
        if [ -n "$previous_version" ] && ! [[ "$version" > "$previous_version" ]]; then
          fail "$name changed but $version does not sort after its version $previous_version"
        fi
        v=$version
      fi
      cp "$path" "$tmp/files/$name"
      printf '%s=%s\r\n' "$name" "$v" >>"$tmp/version.ini"
      printf '%s=%s\r\n' "$name" "$name" >>"$tmp/filenames.ini"
      printf '%s=%s\r\n' "$name" "$size" >>"$tmp/filesize.ini"
      printf '%s=%s\r\n' "$name" "$hash" >>"$tmp/filehash.ini"
    done < <(find "$dir" -maxdepth 1 -type f -print0 | sort -z)
  done
fi

# The release record: every value with its length, so nothing can move between fields or files.
field() {  # field LABEL VALUE...
  printf '%s' "$1"
  shift
  local v
  for v; do printf ' %d:%s' "${#v}" "$v"; done
  printf '\n'
}
{
  printf 'Keltrix update release record 1\n'
  field product "$product"
  field channel "$channel"
  field sequence "$sequence"
  field expires "$expires"
  for f in "${info_files[@]}"; do
    field file "$f" "$(stat -c %s "$tmp/$f")" "$(sha256sum "$tmp/$f" | cut -d' ' -f1)"
  done
} >"$tmp/record"
# Each signature is checked with its public key before it is published.
cp "$tmp/record" "$tmp/release.rec"
for key in "${keys[@]}"; do
  openssl dgst -sha256 -sign "$key" -out "$tmp/record.der" "$tmp/record"
  openssl pkey -in "$key" -pubout -out "$tmp/public.pem" 2>/dev/null
  openssl dgst -sha256 -verify "$tmp/public.pem" -signature "$tmp/record.der" "$tmp/record" >/dev/null ||
    fail "the signature with $key does not verify"
  field signature "$(base64 -w0 "$tmp/record.der")" >>"$tmp/release.rec"
done
# For updaters before the release record: the four files joined, signed with the first key.
cat "$tmp/version.ini" "$tmp/filenames.ini" "$tmp/filesize.ini" "$tmp/filehash.ini" >"$tmp/signed"
openssl dgst -sha256 -sign "${keys[0]}" -out "$tmp/update.der" "$tmp/signed"
base64 -w0 "$tmp/update.der" >"$tmp/update.sig"
echo >>"$tmp/update.sig"

# Nothing is written into OUT before everything above succeeded. The files first, then the
# information, the record last, each replaced whole: a client never reads a half-written one,
# and one that reads them while they change finds that they do not match the record, installs
# nothing, and finds all of them matching at its next run.
if [ -z "$renew" ]; then
  while IFS= read -r -d '' path; do
    name=$(basename "$path")
    cp "$path" "$out/$name.tmp" && mv "$out/$name.tmp" "$out/$name"
  done < <(find "$tmp/files" -maxdepth 1 -type f -print0)
fi
for f in "${info_files[@]}" update.sig release.rec; do
  cp "$tmp/$f" "$out/$f.tmp" && mv "$out/$f.tmp" "$out/$f"
done
if [ -n "$renew" ]; then
  echo "make-update-info: release $sequence of $out renewed, valid until $expires"
else
  echo "make-update-info: ${#seen[@]} file(s) published and signed in $out as release $sequence, valid until $expires"
fi
echo "PublicKey=$(openssl pkey -in "${keys[0]}" -pubout -outform DER 2>/dev/null | base64 -w0)"
