#!/usr/bin/env bash
# Installs what building and testing Quellaro needs on Debian 12, if missing.
#   deps-debian.sh          everything
#   deps-debian.sh build    only what the release kit's build needs (cmake/make-kit.sh)
set -euo pipefail

build_packages=(cmake ninja-build googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 python3 unzip)
packages=(
  cmake ninja-build g++ libgtest-dev googletest
  clang libclang-rt-dev clang-format clang-tidy cppcheck
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
  wine64 wine fonts-wine xvfb xauth x11-utils procps imagemagick icoutils fonts-wqy-microhei unzip
  python3-jsonschema python3-yaml
)
[ "${1:-}" != build ] || packages=("${build_packages[@]}")
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
