#!/usr/bin/env bash
# The release zip: builds it with CPack from the cross build, then checks that
# it holds exactly the exe, the guide and the license at its top, that the
# exe is the one just built and that its identity (imports, version block,
# icons) is right.
#   check-package.sh BUILD_DIR
set -uo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
name=$(sed -n 's/^set(CPACK_PACKAGE_FILE_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
zip="$build/$name.zip"
fail=0
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

rm -f "$zip"
(cd "$build" && cpack -G ZIP --config CPackConfig.cmake >/dev/null) || { echo "FAILED: cpack"; exit 1; }
check "$name.zip exists" test -f "$zip"
[ -f "$zip" ] || exit 1

listing=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
echo "contents: $listing"
expected="LICENSE.txt Quellaro.exe README.txt "
check "holds the exe, README.txt and LICENSE.txt at its top, nothing else" test "$listing" = "$expected"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"
check "the exe is the one just built" cmp -s "$unpacked/Quellaro.exe" "$build/Quellaro.exe"
check "the guide is the repository's" cmp -s "$unpacked/README.txt" "$here/../../docs/user-guide.txt"
check "the guide names this version" grep -q "Quellaro $(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")" "$unpacked/README.txt"
bash "$here/check-exe.sh" "$unpacked/Quellaro.exe" || fail=1
exit $fail
