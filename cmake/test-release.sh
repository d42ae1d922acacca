#!/usr/bin/env bash
# Tests the release kit (cmake/make-kit.sh) as users get it: checks the zip
# against its .sha256, unpacks it, puts the test programs beside the
# Quellaro.exe that came out of it, runs the unit tests, then the end-to-end
# driver once per test, each in a process of its own, one after another.
# Ends with "N passed, N failed" (and ", N skipped" when a test skipped).
#
# On Windows (Git Bash) the programs run natively on the desktop. On Linux
# they run under Wine in a virtual X display, in a Wine prefix beside the kit;
# QUELLARO_WINE_LOCALE=zh_CN.UTF-8 runs them as a Simplified Chinese system
# (code page 936), and the driver refuses to run without it. There, a line of
# Wine's "err:" output fails the test it appeared in.
#
#   test-release.sh [KIT_DIR]           the tests
#   test-release.sh --bench [KIT_DIR]   the short benchmark instead, into KIT_DIR/bench/benchmark.md
# KIT_DIR defaults to the folder this script is in when it holds the kit, and
# else to build/windows-x64/kit. What a run leaves is in KIT_DIR/run/ (run-LOCALE/
# as a Chinese system), the failing tests' output and screenshots in its failures/.
# QUELLARO_E2E_TIMEOUT_SECONDS (120) limits each end-to-end test; the driver
# enforces it and ends the processes it started. QUELLARO_E2E_FILTER, a
# GoogleTest filter ("Tray.*:Pinning.*"), runs only the end-to-end tests it names.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
args=("$@")
bench=0
if [ "${1:-}" = --bench ]; then
  bench=1
  shift
fi
if [ $# -gt 0 ]; then
  kit=$1
elif compgen -G "$here/Quellaro-*.zip" >/dev/null; then
  kit=$here
else
  kit=$here/../build/windows-x64/kit
fi
kit=$(cd "$kit" 2>/dev/null && pwd) || { echo "test-release: no kit at ${1:-build/windows-x64/kit}"; exit 1; }

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*) windows=1 ;;
  *) windows=0 ;;
esac
# Under Wine, everything runs in a display of its own.
if [ "$windows" -eq 0 ] && [ -z "${QUELLARO_IN_XVFB:-}" ]; then
  export QUELLARO_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "${args[@]}"
fi

cd "$kit" || exit 1
zips=(Quellaro-*.zip)
[ ${#zips[@]} -eq 1 ] && [ -f "${zips[0]}" ] || { echo "test-release: expected one release zip in $kit"; exit 1; }
zip=${zips[0]}
echo "== $zip"
sha256sum -c "$zip.sha256" || { echo "test-release: $zip does not match its .sha256"; exit 1; }

# A run as a Chinese system keeps a folder of its own, so that one run's
# failures are still there after the other.
run=$kit/run${QUELLARO_WINE_LOCALE:+-$QUELLARO_WINE_LOCALE}
[ "$bench" -eq 0 ] || run=$kit/bench
rm -rf "$run"
mkdir -p "$run/failures"
# Relative paths: Git Bash would rewrite an absolute one for 7-Zip.
if command -v unzip >/dev/null; then
  (cd "$run" && unzip -q "../$zip")
else
  (cd "$run" && 7z x -y "../$zip" >/dev/null)
fi || { echo "test-release: could not unpack $zip"; exit 1; }
[ -f "$run/Quellaro.exe" ] || { echo "test-release: no Quellaro.exe in $zip"; exit 1; }
# The test programs take the exe from their own folder.
cp programs/*.exe "$run/"
cd "$run" || exit 1

if [ "$windows" -eq 1 ]; then
  # Native programs get Windows paths, and Git Bash must not rewrite arguments.
  export MSYS_NO_PATHCONV=1
  runner=()
  windows_path() { cygpath -w "$1"; }
else
  export WINEPREFIX=${WINEPREFIX:-$(dirname "$kit")/wineprefix${QUELLARO_WINE_LOCALE:+-$QUELLARO_WINE_LOCALE}}
  export WINEDEBUG=-all,err+all
  # shellcheck source=wine-prefix.sh
  source "$kit/wine-prefix.sh"
  if [ -n "$QUELLARO_WINE_LOCALE" ]; then
    export QUELLARO_EXPECT_CODE_PAGE=936
  fi
  start_wine_desktop
  trap '"$WINESERVER" -k 2>/dev/null' EXIT
  runner=("${wine_env[@]}" "$WINE")
  windows_path() { "${wine_env[@]}" "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
fi

native() { "${runner[@]}" "$@"; }

if [ "$bench" -eq 1 ]; then
  echo "== The short benchmark (quellaro_bench.exe --quick)"
  native ./quellaro_bench.exe --quick 2>&1 | tr -d '\r' | tee benchmark.md
  exit "${PIPESTATUS[0]}"
fi

passed=0
failed=0
skipped=0
failures=$run/failures/failures.log
: >"$failures"

# "Suite." lines and indented test lines, as --gtest_list_tests prints them,
# become Suite.Name, one a line; anything else the program prints is dropped.
test_names() {
  tr -d '\r' | awk '
    /^[^ ]/ { suite = ($1 ~ /\.$/) ? $1 : ""; next }
    /^  [^ ]/ && suite != "" { print suite $1 }'
}
# Counts one program's results from its output: $1 the output, $2 how many
# tests were listed. Every listed test must end as passed, failed or skipped.
count_results() {
  local ok bad skip
  ok=$(grep -cE '^\[       OK \] .+ \([0-9]+ ms\)$' "$1")
  bad=$(grep -cE '^\[  FAILED  \] .+ \([0-9]+ ms\)$' "$1")
  skip=$(grep -cE '^\[  SKIPPED \] .+ \([0-9]+ ms\)$' "$1")
  if [ $((ok + bad + skip)) -ne "$2" ]; then
    echo "test-release: $2 tests listed, but $((ok + bad + skip)) results"
    bad=$(($2 - ok - skip > bad ? $2 - ok - skip : bad + 1))
  fi
  passed=$((passed + ok))
  failed=$((failed + bad))
  skipped=$((skipped + skip))
}

echo
echo "== Unit tests (quellaro_unit_tests.exe)"
mapfile -t units < <(native ./quellaro_unit_tests.exe --gtest_list_tests | test_names)
native ./quellaro_unit_tests.exe 2>&1 | tr -d '\r' >unit.txt
status=${PIPESTATUS[0]}
grep -E '^\[  (FAILED|PASSED|SKIPPED) |Failure|Expected|Actual|Which is' unit.txt
if [ ${#units[@]} -eq 0 ]; then
  echo "test-release: the unit-test program listed no tests"
  failed=$((failed + 1))
else
  count_results unit.txt ${#units[@]}
  if [ "$status" -ne 0 ] && ! grep -q '^\[  FAILED  \]' unit.txt; then
    failed=$((failed + 1))  # it failed without saying which test
  fi
fi
[ "$failed" -eq 0 ] || cat unit.txt >>"$failures"

echo
echo "== End-to-end tests (quellaro_e2e.exe), one process each${QUELLARO_WINE_LOCALE:+, as $QUELLARO_WINE_LOCALE}"
mapfile -t tests < <(native ./quellaro_e2e.exe --gtest_list_tests ${QUELLARO_E2E_FILTER:+"--gtest_filter=$QUELLARO_E2E_FILTER"} |
  test_names)
if [ ${#tests[@]} -eq 0 ]; then
  echo "test-release: the end-to-end driver listed no tests"
  failed=$((failed + 1))
fi
limit=${QUELLARO_E2E_TIMEOUT_SECONDS:-120}
export QUELLARO_E2E_TIMEOUT_SECONDS=$limit
QUELLARO_E2E_ARTIFACTS=$(windows_path "$run/failures")
export QUELLARO_E2E_ARTIFACTS
for name in "${tests[@]}"; do
  start=$SECONDS
  # The driver ends a test that runs too long; this only guards the guard.
  timeout $((limit + 60)) "${runner[@]}" ./quellaro_e2e.exe --gtest_filter="$name" >test.raw 2>&1
  status=$?
  tr -d '\r' <test.raw >test.txt
  # Judged by what GoogleTest printed about this one test, not by the exit
  # code alone: a filter that matches nothing also exits with 0.
  if [ "$status" -eq 0 ] && grep -qxF "[  PASSED  ] 1 test." test.txt && grep -qF "[       OK ] $name (" test.txt &&
    ! grep -qE '[0-9a-f]+:err:' test.txt; then
    result=passed
    passed=$((passed + 1))
  elif [ "$status" -eq 0 ] && grep -qF "[  SKIPPED ] $name (" test.txt; then
    result=skipped
    skipped=$((skipped + 1))
  else
    result="FAILED (exit code $status)"
    failed=$((failed + 1))
    grep -E 'TIMEOUT|screenshot:|Failure|Expected|Actual|Which is|Value of|:err:|code page|desktop:|^[^ ].*\.cpp:[0-9]+' test.txt |
      head -n 40 | sed 's/^/    /'
    { echo "===== $name: $result"; cat test.txt; } >>"$failures"
  fi
  echo "$name: $result ($((SECONDS - start)) s)"
done
rm -f test.raw test.txt

echo
if [ "$failed" -gt 0 ]; then
  echo "Output of the failed tests: $failures"
else
  rm -f "$failures"
fi
summary="$passed passed, $failed failed"
[ "$skipped" -eq 0 ] || summary+=", $skipped skipped"
echo "$summary"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
