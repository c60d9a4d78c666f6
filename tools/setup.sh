#!/usr/bin/env bash
# Installs what building and testing KAL needs on Debian, asking apt-get only for what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ libgtest-dev libgmock-dev python3 procps clang-format git
  g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb xdotool x11-utils imagemagick fonts-liberation
  clang libclang-rt-14-dev lua5.4 nodejs nlohmann-json3-dev neovim
  emscripten chromium python3-pefile osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The editor grammar's tests run with npm. Some Node.js packages bring their own npm, which Debian's npm
# package would conflict with, so that package is asked for only when the command is missing.
command -v npm >/dev/null || missing+=(npm)
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
