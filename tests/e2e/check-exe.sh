#!/usr/bin/env bash
# The built exe's identity: system DLLs only, the version block, the manifest, the icon.
set -uo pipefail
exe=$1
fail=0
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fail=1; fi
}

imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
echo "imports: $imports"
check "imports only system DLLs" bash -c "! grep -qvE '^(comctl32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|user32)\.dll$' <<<'$(tr ' ' '\n' <<<"$imports" | sed '/^$/d')'"

version=$(wrestool -x --raw --type=16 "$exe" | iconv -f utf-16le -t utf-8 2>/dev/null | tr '\0' '\n' | tr -c '[:print:]\n' '\n' | sed '/^$/d' | tr '\n' '|')
echo "version strings: $version"
check "string table 080404b0" grep -q "080404b0" <<<"$version"
for pair in "FileVersion|1.00.0001" "ProductVersion|1.00.0001" "ProductName|Quellaro" "InternalName|Quellaro" "OriginalFilename|Quellaro.exe"; do
  check "$pair" grep -qF "$pair" <<<"$version"
done
# VS_FIXEDFILEINFO: file and product version 1.0.0.1 (MS 0x00010000, LS 0x00000001).
fixed=$(wrestool -x --raw --type=16 "$exe" | od -An -tx1 -v | tr -d ' \n')
check "numeric version 1.0.0.1" grep -q "bd04effe0000010000000100010000000000010001000000" <<<"$fixed"

manifest=$(wrestool -x --raw --type=24 "$exe" | tr -s ' \n' ' ')
check "manifest asks to run as invoker, without UI access" \
  grep -qF '<requestedExecutionLevel level="asInvoker" uiAccess="false"/>' <<<"$manifest"

icons=$(wrestool -x --type=group_icon "$exe" | icotool -l - 2>/dev/null)
echo "$icons"
check "32x32 icon, 16 colours" grep -q -- "--width=32 --height=32 --bit-depth=4 --palette-size=16" <<<"$icons"
check "16x16 icon, 16 colours" grep -q -- "--width=16 --height=16 --bit-depth=4 --palette-size=16" <<<"$icons"
exit $fail
