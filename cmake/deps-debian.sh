#!/usr/bin/env bash
# Installs what building and testing Quellaro needs on Debian, if missing.
# Tested on Debian 12 (bookworm) and 13 (trixie), whose archives have every
# package below by these names; another release that has them all will
# likely do. One that lacks one is told which, before anything is installed.
#   deps-debian.sh          everything, with Node.js and npm for the workflow lint
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
# cmake/lint-workflows.sh runs on the release's own Node.js. A node and npm
# from elsewhere (nodesource, nvm) do as well, and Debian's npm could not
# be installed beside nodesource's nodejs anyway.
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
[ "${1:-}" != build ] || packages=("${build_packages[@]}")
missing=()
for package in "${packages[@]}"; do
  [ "$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null)" = "install ok installed" ] || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  unavailable=()
  for package in "${missing[@]}"; do
    # Read whole: grep -q stopping early would break the pipe under pipefail.
    policy=$(apt-cache policy "$package" 2>/dev/null)
    [[ "$policy" =~ Candidate:\ [^\(] ]] || unavailable+=("$package")
  done
  if ((${#unavailable[@]})); then
    release=$(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-}")
    echo "deps-debian: ${release:-this system}'s archive has no ${unavailable[*]}; Quellaro is tested on Debian 12 and 13"
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
