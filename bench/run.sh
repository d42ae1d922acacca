#!/usr/bin/env bash
# The benchmark: builds Quellaro, two baseline programs with the same flags
# (Quellaro's windows without its logic, and a bare window that pins) and the
# measuring driver, runs them under Wine in a virtual X display and prints
# one table of figures, Quellaro beside the baselines, and where the exe's
# bytes go; then fuzzes the settings loader. Writes the output to
# docs/benchmarks.md as well.
#   bash bench/run.sh                  the full run (about 30 minutes)
#   bash bench/run.sh --quick          every phase shortened, for trying things out
#   bash bench/run.sh --only PHASE     one phase: starts, latency, detection, idle or leaks
# Only the full run rewrites docs/benchmarks.md.
set -uo pipefail
cd "$(dirname "$0")/.."
args=("$@")
command="bash bench/run.sh${*:+ $*}"
bash cmake/deps-debian.sh || exit 1

build=build/bench
cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release -Wno-dev \
  -DQUELLARO_BENCH=ON -DQUELLARO_TESTS=OFF >/dev/null 2>&1 || exit 1
cmake --build "$build" >/dev/null || exit 1
# The 32-bit exe too, for its size.
cmake -S . -B "$build-x86" -G Ninja --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -Wno-dev \
  -DQUELLARO_TESTS=OFF >/dev/null 2>&1 || exit 1
cmake --build "$build-x86" --target Quellaro >/dev/null || exit 1

out=$(mktemp)
trap 'rm -f "$out"' EXIT
{
  echo "Command: \`$command\`"
  echo
  echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "Machine: $(uname -srm); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores;" \
    "$(/usr/lib/wine/wine64 --version 2>/dev/null) in Xvfb; MinGW-w64 $(x86_64-w64-mingw32-g++-posix -dumpversion)"
  echo
  size() { stat -c %s "$1"; }
  imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | paste -sd ' '; }
  ratio() { awk "BEGIN{printf \"%.2f\", $1/$2}"; }
  q=$(size "$build/Quellaro.exe")
  s=$(size "$build/quellaro_same_ui.exe")
  b=$(size "$build/quellaro_baseline.exe")
  x86=$(size "$build-x86/Quellaro.exe")
  verdict=$([ "$q" -le 65536 ] && echo met || echo "NOT met")
  stretch=$([ "$q" -le 49152 ] && echo met || echo "NOT met")
  echo "| Measure | Quellaro | same UI, no logic | bare window | Quellaro / same UI | Quellaro / bare | target |"
  echo "|---|---|---|---|---|---|---|"
  echo "| Exe size (x86_64, stripped) | $q bytes | $s bytes | $b bytes | $(ratio "$q" "$s") | $(ratio "$q" "$b") |" \
    "≤ 65,536 bytes ($verdict); stretch ≤ 49,152 ($stretch) |"
  echo "| Exe size (i686, stripped) | $x86 bytes | | | | | reported |"
  echo "| Imported DLLs | $(imports "$build/Quellaro.exe") | $(imports "$build/quellaro_same_ui.exe") |" \
    "$(imports "$build/quellaro_baseline.exe") | | | system DLLs only |"
} | tee "$out"

# The driver prints its own header row; drop it so the rows join the table above.
WINEPREFIX=$PWD/$build/wineprefix xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  source cmake/wine-prefix.sh
  start_wine_desktop
  build=$1
  shift
  "${wine_env[@]}" "$WINE" "$build/quellaro_bench.exe" "$@"
  "$WINESERVER" -k 2>/dev/null || true
' bench "$build" "${args[@]}" | tr -d '\r' | sed '1,2d' | tee -a "$out"

{
  echo
  echo "Where Quellaro.exe's bytes go (x86_64, from the link map):"
  echo
  echo "| Contributor | Bytes |"
  echo "|---|---|"
  /usr/bin/python3 cmake/size-by-contributor.py "$build/Quellaro.exe.map" "$build/Quellaro.exe"
} | tee -a "$out"

[[ " $* " == *" --only "* ]] && exit 0
echo | tee -a "$out"
seconds=600
[[ " $* " == *" --quick "* ]] && seconds=10
echo "Fuzzing the settings loader (libFuzzer, ASan, UBSan) for $seconds s:" | tee -a "$out"
bash cmake/fuzz.sh "$seconds" | sed 's/^/    /' | tee -a "$out"

[ $# -eq 0 ] || exit 0
{
  echo "# Benchmarks"
  echo
  cat bench/README.md
  echo
  echo "## Latest run"
  echo
  cat "$out"
} >docs/benchmarks.md
echo
echo "Written to docs/benchmarks.md"
