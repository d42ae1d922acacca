#!/usr/bin/env bash
# Formatting and static checks; fails on the first regression.
#   clang-format  every C++ file matches .clang-format
#   clang-tidy    the portable code and unit tests (host build), and the
#                 Win32 layer through the MinGW-w64 build's compile commands
#   cppcheck      the portable code, the Win32 layer and the unit tests
# Debian 12's versions set the checks (clang-format 14, clang-tidy 14,
# cppcheck 2.10); Debian 13's (19, 19, 2.17) run the same checks and give
# the same result: see .clang-format, .clang-tidy and newer_checks below.
# Run from anywhere; needs the host and windows-x64 builds configured
# (cmake/test.sh does that before calling this).
set -uo pipefail
cd "$(dirname "$0")/.."
status=0
fail() { echo "lint: $*"; status=1; }

mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')

echo "clang-format: ${#sources[@]} files"
clang-format --dry-run -Werror "${sources[@]}" || fail "clang-format: run clang-format -i on the files above"

echo "clang-tidy: host build"
tidy() {  # name, build dir, file pattern, extra arguments
  local name=$1 dir=$2 pattern=$3
  shift 3
  run-clang-tidy -p "$dir" -quiet "$@" "$pattern" >"build/tidy-$name.txt" 2>&1 ||
    { grep -E 'warning:|error:' "build/tidy-$name.txt"; fail "clang-tidy ($name)"; }
}
tidy host build/host "$PWD/(src|tests/unit|fuzz)/"
echo "clang-tidy: Win32 layer"
# clang reads the MinGW-w64 build's commands; it needs g++'s library headers named.
gcc_dir=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix | tail -n 1)
tidy win32 build/windows-x64 "$PWD/src/.*\.cpp" -extra-arg=--target=x86_64-w64-mingw32 \
  -extra-arg=-isystem"$gcc_dir/include/c++" -extra-arg=-isystem"$gcc_dir/include/c++/x86_64-w64-mingw32" \
  -extra-arg=-Wno-unknown-warning-option

echo "cppcheck"
# Its checks are cppcheck 2.10's (Debian 12). 2.17 (Debian 13) splits
# constParameter and constVariable into these finer ids, and adds the
# rest; both are left out so that the two releases give one result. 2.10
# knows none of these names and ignores them. normalCheckLevelMaxBranches
# is 2.17's note that it analysed no deeper than its default level does.
newer_checks=(constParameterPointer constParameterReference constVariablePointer constVariableReference
              eraseIteratorOutOfBounds eraseIteratorOutOfBoundsCond invalidConstFunctionType knownPointerToBool
              macroWithSemicolon nonStandardCharLiteral nullPointerOutOfMemory nullPointerOutOfResources
              pointerOutOfBoundsCond returnByReference suspiciousFloatingPointCast uselessOverride
              normalCheckLevelMaxBranches)
common=(--std=c++17 --enable=warning,style,performance,portability --inline-suppr --error-exitcode=1 --quiet
        --suppress=useStlAlgorithm "${newer_checks[@]/#/--suppress=}" -I src)
cppcheck "${common[@]}" src || fail "cppcheck (portable)"
cppcheck "${common[@]}" --library=windows -D_WIN32 -DUNICODE -D_UNICODE src/platform src/app src/about ||
  fail "cppcheck (Win32)"
cppcheck "${common[@]}" --library=googletest tests/unit || fail "cppcheck (unit tests)"

[ "$status" -eq 0 ] && echo "lint: clean"
exit "$status"
