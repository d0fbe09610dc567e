#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and `make run` need, if any is missing.
# One package per line.
set -eu
pkgs=(
  cmake
  ninja-build
  make
  ccache
  g++
  clang
  libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix
  g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64
  binutils-mingw-w64-i686
  wine
  wine64
  # the 32-bit loader: the win32 build's tests run under it (needs the i386 architecture, below)
  wine32:i386
  # Wine's bcrypt needs it for ECDSA (the updater checks signatures with it), in both builds
  libgnutls30
  libgnutls30:i386
  xvfb
  xauth
  x11-utils
  imagemagick
  fp-utils
  googletest
  libgtest-dev
  libbenchmark-dev
  python3
  curl
  openssl
  nsis
  zip
  unzip
)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
# 32-bit packages come from the i386 architecture, which a fresh machine does not list yet.
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
