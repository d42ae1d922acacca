#!/usr/bin/env bash
# Builds the exe and the release zip twice, in two fresh folders and a few
# seconds apart, and fails unless both builds give the same Quellaro.exe and
# zip and the zip's .sha256 checks out. The zip's dates come from
# SOURCE_DATE_EPOCH or else the commit's time (cmake/release-files.cmake).
#   check-reproducible.sh [PRESET]     (default windows-x64)
set -uo pipefail
cd "$(dirname "$0")/.."
preset=${1:-windows-x64}
fail=0
build() {  # folder
  rm -rf "$1"
  cmake --preset "$preset" -B "$1" -DQUELLARO_TESTS=OFF -DQUELLARO_BENCH=OFF >/dev/null &&
    cmake --build "$1" >/dev/null &&
    (cd "$1" && cpack -G ZIP --config CPackConfig.cmake >/dev/null)
}
same() {  # what, file in a, file in b
  if cmp "$2" "$3"; then echo "same: $1"; else echo "DIFFERENT: $1"; fail=1; fi
}

build build/repro-a || { echo "build a failed"; exit 1; }
sleep 2  # past the zip format's two-second clock
build build/repro-b || { echo "build b failed"; exit 1; }
zip=$(cd build/repro-a && ls Quellaro-*.zip)
same Quellaro.exe build/repro-a/Quellaro.exe build/repro-b/Quellaro.exe
same "$zip" "build/repro-a/$zip" "build/repro-b/$zip"
(cd build/repro-b && sha256sum -c "$zip.sha256") || fail=1
exit $fail
