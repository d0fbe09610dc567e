#!/usr/bin/env bash
# The publishing script: the four information files from a release folder, unchanged files
# keeping their versions, a release record whose signatures openssl verifies with the public
# keys and that names those four files, renewals, and the releases, names and keys it refuses.
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
# A key pair of this run only.
key=$work/publisher.pem
openssl ecparam -name prime256v1 -genkey -noout -out "$key" 2>/dev/null
openssl pkey -in "$key" -pubout -out "$work/public.pem"
publish() { bash "$script" --key "$key" "$@"; }
record_verified() {  # record_verified FOLDER N PUBLIC: what openssl says about the Nth signature of release.rec
  sed -n "/^signature /{s/^signature [0-9]*://p}" "$1/release.rec" | sed -n "$2p" | base64 -d >"$work/record.der"
  sed '/^signature /,$d' "$1/release.rec" | openssl dgst -sha256 -verify "$3" -signature "$work/record.der" 2>&1
}
verified() {  # verified FOLDER: what openssl says about its update.sig
  base64 -d "$1/update.sig" >"$work/sig.der" 2>/dev/null
  cat "$1/version.ini" "$1/filenames.ini" "$1/filesize.ini" "$1/filehash.ini" |
    openssl dgst -sha256 -verify "$work/public.pem" -signature "$work/sig.der" 2>&1
}

rel=$work/release out=$work/server
mkdir -p "$rel/Program" "$rel/Database" "$rel/Plugins"
printf 'keltrix program 0.9\n' >"$rel/Program/Keltrix.exe"
printf 'kinds table 0.9\n' >"$rel/Database/KeltKinds.xdb"
printf 'hide plugin 0.9\n' >"$rel/Plugins/Hide.KTP"
printed=$(publish "$rel" "$out" 0.09)
check "version.ini" $'[Program]\r\nKeltrix.exe=0.09\r\n[Database]\r\nKeltKinds.xdb=0.09\r\n[Plugins]\r\nHide.KTP=0.09\r' "$(cat "$out/version.ini")"
check "filenames.ini" $'[Program]\r\nKeltrix.exe=Keltrix.exe\r\n[Database]\r\nKeltKinds.xdb=KeltKinds.xdb\r\n[Plugins]\r\nHide.KTP=Hide.KTP\r' "$(cat "$out/filenames.ini")"
check "filesize.ini" "Keltrix.exe=20" "$(grep -a Keltrix "$out/filesize.ini" | tr -d '\r')"
# The same SHA-256 the updater computes through CryptoAPI for these bytes.
check "filehash.ini" "Keltrix.exe=efb4e9ab18caf5d27a697ef61c608ec94d7a25f1e08f86b6234f52d7009dd8c1" \
  "$(grep -a Keltrix "$out/filehash.ini" | tr -d '\r')"
check "files flat in the server folder" "hide plugin 0.9" "$(cat "$out/Hide.KTP")"
check "update.sig signs the four files" "Verified OK" "$(verified "$out")"
check "release.rec is signed with the key" "Verified OK" "$(record_verified "$out" 1 "$work/public.pem")"
check "release.rec is release 1, valid for 30 days" "sequence 1:1 expires 20:$(date -u -d '+30 days' +%Y-%m-%d)" \
  "$(sed -n 4,5p "$out/release.rec" | cut -c1-21 | tr '\n' ' ' | sed 's/ $//')"
check "the PublicKey= line for Update.ini" \
  "PublicKey=$(openssl pkey -in "$work/public.pem" -pubin -outform DER | base64 -w0)" "$(tail -n 1 <<<"$printed")"

printf 'hide plugin 0.10\n' >"$rel/Plugins/Hide.KTP"
publish "$rel" "$out" 0.10 >/dev/null
check "only the changed file gets the new version" $'Keltrix.exe=0.09\nKeltKinds.xdb=0.09\nHide.KTP=0.10' \
  "$(grep -a = "$out/version.ini" | tr -d '\r')"
check "the new information is signed again" "Verified OK" "$(verified "$out")"
check "as the next release" "sequence 1:2" "$(grep -a '^sequence ' "$out/release.rec")"
# Renewed with a second key, while deployments move to it: both signatures verify.
openssl ecparam -name prime256v1 -genkey -noout -out "$work/new.pem" 2>/dev/null
openssl pkey -in "$work/new.pem" -pubout -out "$work/new-public.pem"
bash "$script" --key "$key" --key "$work/new.pem" --expires 2031-01-02T03:04:05Z --channel beta --renew "$out" >/dev/null
check "a renewal is signed with the second key too" "Verified OK" "$(record_verified "$out" 2 "$work/new-public.pem")"
for bad in "--sequence 3" "--expires 2031-02-30T00:00:00Z" "--product Kel\ trix\ " "--valid-days 0"; do
  eval "bash \"\$script\" --key \"\$key\" $bad --renew \"\$out\"" >/dev/null 2>&1
  check "a renewal with $bad is refused" "1" "$?"
done

before=$(cat "$out/version.ini")
printf 'changed again\n' >"$rel/Program/Keltrix.exe"
publish "$rel" "$out" 0.05 >/dev/null 2>&1
check "a version that sorts lower is refused" "1" "$?"
check "a refused release leaves the information files" "$before" "$(cat "$out/version.ini")"

# Unsigned, or with a key the updater cannot take: nothing is published.
error=$(bash "$script" "$rel" "$work/unsigned" 1 2>&1 >/dev/null)
check "no key: refused" "1" "$?"
check "no key: the reason" "make-update-info: refusing to publish unsigned: give the publisher's private key with --key FILE" "$error"
check "no key: nothing written" "" "$(ls "$work/unsigned" 2>/dev/null)"
openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out "$work/rsa.pem" 2>/dev/null
bash "$script" --key "$work/rsa.pem" "$rel" "$work/rsaout" 1 >/dev/null 2>&1
check "an RSA key is refused" "1" "$?"
openssl ecparam -name secp384r1 -genkey -noout -out "$work/p384.pem" 2>/dev/null
bash "$script" --key "$work/p384.pem" "$rel" "$work/p384out" 1 >/dev/null 2>&1
check "a P-384 key is refused" "1" "$?"

long=$(printf 'n%.0s' $(seq 1 201))
for bad in "a..b" "nul.txt" "trail." "CONIN\$" "conout\$.txt" "version.ini" "FileHash.ini" "update.sig" \
           "Update.ini" "release.rec" "$long" "[x.dll" ";x.dll" " x.dll" "a=b.dll" $'COM\xc2\xb9' $'LPT\xb3.txt' \
           $'new\nline.dll'; do
  mkdir -p "$work/bad/Program"
  rm -f "$work/bad/Program/"*
  printf x >"$work/bad/Program/$bad" 2>/dev/null || { echo "SKIPPED: this file system cannot hold $bad"; continue; }
  publish "$work/bad" "$work/badout" 1 >/dev/null 2>&1
  check "name ${bad:0:20} is refused" "1" "$?"
done
mkdir -p "$work/twice/Program" "$work/twice/Plugins"
printf x >"$work/twice/Program/same.dll"
printf y >"$work/twice/Plugins/SAME.DLL"
publish "$work/twice" "$work/twiceout" 1 >/dev/null 2>&1
check "a name in two sections is refused" "1" "$?"

[ $failures -eq 0 ] && echo "make-update-info: all checks passed"
exit $failures
