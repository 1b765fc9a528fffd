#!/bin/bash
# Installs what a fresh Debian 12 machine lacks to build and test the project. A second run on the
# same machine installs nothing.
set -euo pipefail

packages=(cmake g++ clang g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
          wine wine64 wine32:i386 xvfb xauth
          zip unzip p7zip-full python3 zlib1g-dev libdeflate-dev googletest)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
