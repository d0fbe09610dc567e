#!/usr/bin/env bash
# Download benchmark: a 64 MB file from a loopback server (python's http.server), fetched by
# curl (into a file, as the client does) and, under Wine, by the updater's HTTP client and by WinHTTP, in the same run. Prints
# each one's best throughput of three and the client's ratio to curl. Figures only.
#   tests/bench/update/run-bench.sh [WIN64_BUILD_FOLDER]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build=${1:-$root/build/win64}
exe=$build/bin/update_download_timing.exe
if [ ! -f "$exe" ]; then
  echo "update download: $exe is not built"
  exit 0
fi
command -v curl >/dev/null || { echo "update download: curl is missing"; exit 0; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kelt-download.XXXXXX")
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
size=$((64 * 1024 * 1024))
head -c "$size" /dev/urandom >"$work/big.bin"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work" >"$work/http.log" 2>&1 &
server=$!
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/http.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "update download: the server did not start"; exit 1; }
url=http://127.0.0.1:$port/big.bin

best() { sort -g | tail -n 1; }
curl_best=$(for _ in 1 2 3; do
  curl -s -o "$work/curl.bin" -w '%{speed_download}\n' "$url" | awk '{ printf "%.1f\n", $1 / 1048576 }'
done | best)
out=$("$root/tools/wine-run.sh" "$exe" "$url" "$size" 2>&1)
client_best=$(echo "$out" | awk '$1 == "THttpClient" { print $2 }' | best)
winhttp_best=$(echo "$out" | awk '$1 == "WinHTTP" { print $2 }' | best)
if [ -z "$client_best" ]; then
  echo "update download: the client did not finish:"
  echo "$out"
  exit 1
fi
ratio=$(awk -v a="$client_best" -v b="$curl_best" 'BEGIN { printf "%.2f", a / b }')
echo "64 MB from loopback: curl $curl_best MB/s, THttpClient $client_best MB/s (Wine), WinHTTP ${winhttp_best:-?} MB/s (Wine)"
echo "THttpClient / curl: $ratio"
