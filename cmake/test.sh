#!/usr/bin/env bash
# Every test: installs what is missing, then builds and runs the host unit
# tests (plain and under ASan/UBSan), a short fuzz run of the settings loader,
# the Windows builds (x86_64 tested, i686 compiled), the exe and release zip
# checks, and then the release kit as a Windows machine tests it: the unit
# tests as a Windows program and the end-to-end tests against the exe from the
# release zip, under Wine in a virtual X display (as an English and as a
# Simplified Chinese system). Then a reproducible rebuild, the
# winget and Scoop manifests, the screenshot script, and the format and lint
# checks of the code and of the GitHub workflows.
# Ends with one line: "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
bash cmake/deps-debian.sh || exit 1

passed=0
failed=0
# Adds up ctest's "x% tests passed, F tests failed out of T" line.
count() {
  local line
  line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))  # the suite did not run at all
    return
  fi
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
}
# Counts one check that passes when its command succeeds.
pass_if() { if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); fi; }
step() { echo; echo "== $*"; }
log=$(mktemp -d)

step "Host: unit tests"
if cmake --preset host >/dev/null && cmake --build --preset host; then
  ctest --preset host 2>&1 | tee "$log/unit.txt" | tail -n 3
  count "$log/unit.txt"
else
  failed=$((failed + 1))
fi

step "Host: unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
if cmake --preset host-sanitize >/dev/null && cmake --build --preset host-sanitize; then
  ctest --preset host-sanitize 2>&1 | tee "$log/sanitize.txt" | tail -n 3
  count "$log/sanitize.txt"
else
  failed=$((failed + 1))
fi

step "Host: fuzzing the settings loader for 20 s"
pass_if bash cmake/fuzz.sh 20

step "Windows i686: compiles"
if cmake --preset windows-x86 >/dev/null && cmake --build --preset windows-x86; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

# Adds up the "N passed, N failed" line that cmake/test-release.sh ends with.
count_release() {
  local line
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))  # it did not get as far as running the tests
    return
  fi
  passed=$((passed + $(sed -E 's/^([0-9]+) passed.*/\1/' <<<"$line")))
  failed=$((failed + $(sed -E 's/^[0-9]+ passed, ([0-9]+) failed.*/\1/' <<<"$line")))
}

step "Windows x86_64: the release zip, the test programs and the kit"
if cmake --preset windows-x64 >/dev/null && cmake --build --preset windows-x64 &&
  cpack --preset windows-x64 >/dev/null && bash cmake/make-kit.sh; then
  ctest --preset windows-x64 -L exe 2>&1 | tee "$log/exe.txt" | tail -n 3
  count "$log/exe.txt"

  step "The kit under Wine: unit and end-to-end tests against the zip's exe (English, code page 1252)"
  # In the Wine prefixes the picture scripts use too: each is made once.
  WINEPREFIX=$PWD/build/wineprefix bash cmake/test-release.sh 2>&1 | tee "$log/release.txt"
  count_release "$log/release.txt"

  step "The kit under Wine as a Chinese system runs it (zh-CN, code page 936)"
  QUELLARO_WINE_LOCALE=zh_CN.UTF-8 WINEPREFIX=$PWD/build/wineprefix-zh_CN.UTF-8 bash cmake/test-release.sh 2>&1 |
    tee "$log/release-zh.txt"
  count_release "$log/release-zh.txt"
else
  failed=$((failed + 1))
fi

step "Release: two clean builds give the same exe and zip, and its checksum file verifies it"
pass_if bash cmake/check-reproducible.sh

step "Release: winget and Scoop manifests against their schemas and the zip"
pass_if bash cmake/check-manifests.sh build/windows-x64

step "Screenshots: the script that makes the README's pictures (zh-CN)"
screenshots() {
  rm -rf build/screenshots
  QUELLARO_WINE_LOCALE=zh_CN.UTF-8 bash cmake/wine-showcase.sh --screenshots build/screenshots || return 1
  local name colours
  for name in main about; do
    # A real picture of a window has many colours; a blank or black capture has one or two.
    colours=$(identify -format '%k' "build/screenshots/$name.png" 2>/dev/null) || { echo "missing $name.png"; return 1; }
    echo "$name.png: $(identify -format '%wx%h' "build/screenshots/$name.png"), $colours colours"
    [ "$colours" -gt 16 ] || return 1
  done
}
pass_if screenshots

step "Animation: the script that makes the README's animation (zh-CN)"
animation() {
  local out
  out=$(bash cmake/wine-animation.sh build/animation.gif 2>&1) || { tail -n 15 <<<"$out"; return 1; }
  # The scene above the caption, frame by frame: the windows must change, not only the captions.
  local frames scenes size
  frames=$(identify build/animation.gif | wc -l)
  scenes=$(convert build/animation.gif -coalesce -gravity north -crop 100%x85%+0+0 -format '%#\n' info: | sort -u | wc -l)
  size=$(stat -c %s build/animation.gif)
  echo "animation.gif: $frames frames, $scenes distinct scenes, $size bytes"
  [ "$scenes" -ge 5 ] && [ "$size" -le 600000 ]
}
pass_if animation

step "Format and static checks"
pass_if bash cmake/lint.sh

step "GitHub Actions workflows (actionlint)"
pass_if bash cmake/lint-workflows.sh

rm -rf "$log"
echo
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
