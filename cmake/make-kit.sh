#!/usr/bin/env bash
# Assembles the release kit, everything a Windows machine needs to test the
# release exactly as users get it, in BUILD_DIR/kit/:
#   Quellaro-VERSION-win64.zip and its .sha256, manifests/   the release files
#   programs/   the unit tests as a Windows program, the end-to-end driver and
#               the benchmark's programs, all built with MinGW-w64
#   test-release.sh (and wine-prefix.sh, which it uses under Wine)
# There is no loose Quellaro.exe: test-release.sh unpacks it from the zip.
# Run it after `cpack --preset windows-x64` has returned (CPack's own
# post-build scripts run before the zip is in place).
#   make-kit.sh [BUILD_DIR]     (default build/windows-x64)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows-x64}
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip=$build/$name.zip
for file in "$zip" "$zip.sha256" "$build/manifests"; do
  [ -e "$file" ] || { echo "make-kit: $file is missing: run cpack --preset windows-x64 first"; exit 1; }
done
# The zip must hold the exe of this build, or the kit would test another one.
unzip -p "$zip" Quellaro.exe | cmp -s - "$build/Quellaro.exe" ||
  { echo "make-kit: $zip holds another Quellaro.exe than $build: run cpack again"; exit 1; }

kit=$build/kit
rm -rf "$kit"
mkdir -p "$kit/programs"
cp "$zip" "$zip.sha256" "$kit/"
cp -r "$build/manifests" "$kit/"
for program in quellaro_unit_tests quellaro_e2e quellaro_bench quellaro_baseline quellaro_same_ui; do
  cp "$build/$program.exe" "$kit/programs/"
done
cp cmake/test-release.sh cmake/wine-prefix.sh "$kit/"
echo "Kit: $kit ($(cd "$kit" && find . -type f | sort | sed 's|^\./||' | paste -sd ' '))"
