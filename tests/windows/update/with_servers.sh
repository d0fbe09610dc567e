#!/usr/bin/env bash
# Runs a command with the updater's loopback servers, and stops them afterwards:
#   with_servers.sh COMMAND [ARGS...]
# Starts `python3 -m http.server` over a fresh test tree and odd_server.py (plain and TLS, with a
# certificate made for this run), each on a free port of 127.0.0.1, and passes to the command:
#   KELT_TREE_DIR   the tree (a Unix path; tests write their server folders there)
#   KELT_TREE_PORT  port of http.server, serving KELT_TREE_DIR
#   KELT_ODD_PORT   port of odd_server.py (its /tree/ serves KELT_TREE_DIR as well)
#   KELT_TLS_PORT   the same server over TLS, with a self-signed certificate
#   KELT_IPV6_PORT  the same server on the IPv6 loopback ::1 ("none" where there is none)
#   KELT_SIGN_PUBLIC, KELT_OTHER_PUBLIC  the public keys (base64 DER, as Update.ini holds them)
#                   of two ECDSA P-256 key pairs made for this run; the odd server signs with
#                   their private keys (/odd/sign/...), which never leave the run's folder
# The exit code is the command's.
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kelt-servers.XXXXXX")
pids=()
watchdog=""
cleanup() {
  [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for _ in $(seq 1 40); do
    alive=0
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
    [ $alive -eq 0 ] && break
    sleep 0.05
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$work/tree"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
for k in sign other; do
  openssl ecparam -name prime256v1 -genkey -noout -out "$work/$k.pem" 2>/dev/null
done
export KELT_SIGN_KEY=$work/sign.pem KELT_OTHER_KEY=$work/other.pem
export KELT_PUBLISH_SCRIPT=$here/../../../tools/make-update-info.sh
KELT_SIGN_PUBLIC=$(openssl pkey -in "$work/sign.pem" -pubout -outform DER | base64 -w0)
KELT_OTHER_PUBLIC=$(openssl pkey -in "$work/other.pem" -pubout -outform DER | base64 -w0)
export KELT_SIGN_PUBLIC KELT_OTHER_PUBLIC

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/tree" >"$work/http.log" 2>&1 &
pids+=($!)
python3 -u "$here/odd_server.py" "$work/odd.port" "$work/tree" "$work/cert.pem" "$work/key.pem" \
  >"$work/odd.log" 2>&1 &
pids+=($!)

tree_port="" odd_port="" tls_port="" ipv6_port=""
for _ in $(seq 1 100); do
  [ -z "$tree_port" ] && tree_port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/http.log" | head -n 1)
  if [ -f "$work/odd.port" ]; then
    odd_port=$(sed -n 1p "$work/odd.port")
    tls_port=$(sed -n 2p "$work/odd.port")
    ipv6_port=$(sed -n 3p "$work/odd.port")
  fi
  [ -n "$tree_port" ] && [ -n "$odd_port" ] && break
  sleep 0.1
done
if [ -z "$tree_port" ] || [ -z "$odd_port" ]; then
  echo "with_servers: the test servers did not start" >&2
  cat "$work/http.log" "$work/odd.log" >&2
  exit 1
fi

# Should this script be killed outright, the servers still stop.
( while kill -0 $$ 2>/dev/null; do sleep 1; done; kill "${pids[@]}" 2>/dev/null ) &
watchdog=$!
disown "$watchdog"

unset KELT_SIGN_KEY KELT_OTHER_KEY
export KELT_TREE_DIR=$work/tree KELT_TREE_PORT=$tree_port KELT_ODD_PORT=$odd_port KELT_TLS_PORT=$tls_port
export KELT_IPV6_PORT=${ipv6_port:-none}
"$@"
