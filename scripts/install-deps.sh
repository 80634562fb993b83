#!/usr/bin/env bash
# Installs what building and testing Quorvo needs on Debian or Ubuntu: the
# native and mingw-w64 compilers, CMake, GoogleTest, Wine,
# a virtual X server and the tools the end-to-end tests drive it with,
# what makes and checks the release files (NSIS, osslsigncode, OpenSSL,
# PyYAML), libfaketime, which shows the clock at one moment in the
# README's pictures, and clang-format.
# As root it installs what is missing; otherwise it prints the command.
set -euo pipefail

packages=(
  cmake ninja-build g++ make
  googletest libgtest-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  clang libclang-rt-dev clang-format
  wine wine64 xvfb xdotool x11-utils imagemagick
  x11-xserver-utils xserver-xorg-core xserver-xorg-video-dummy debootstrap
  python3 python3-pefile icoutils valgrind
  nsis osslsigncode openssl python3-yaml git e2fsprogs
  faketime
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Quorvo needs these Debian packages; please run as root:" >&2
  echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
