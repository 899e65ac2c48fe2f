#!/usr/bin/env bash
# Checks the built 32-bit program: PE32 i386 GUI, system DLLs only, the version resource with
# its Russian translation, and the manifest. Exits 77 (skipped) when the program is not built.
set -uo pipefail
exe=${1:?usage: check_product.sh lorvan_setup.exe}
if [ ! -f "$exe" ]; then
  echo "check_product: $exe is not built; skipped"
  exit 77
fi
objdump=$(command -v i686-w64-mingw32-objdump || command -v objdump)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

headers=$("$objdump" -p "$exe") || { fail "objdump cannot read $exe"; exit 1; }
grep -q 'file format pei-i386' <<<"$headers" && ok "pei-i386" || fail "not a pei-i386 file"
grep -Eq '^Magic[[:space:]]+010b' <<<"$headers" && ok "PE32 (magic 010b)" || fail "not PE32"
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" && ok "GUI subsystem" || fail "not GUI"

# Only DLLs that every Windows has.
system_dlls='^(kernel32|user32|gdi32|comctl32|uxtheme|msvcrt|advapi32|shell32|ole32|oleaut32|comdlg32|msimg32|winmm|ws2_32|ntdll|version|setupapi|imm32|shlwapi)\.dll$'
mapfile -t dlls < <(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}')
[ ${#dlls[@]} -gt 0 ] || fail "no imports found"
for dll in "${dlls[@]}"; do
  [[ $dll =~ $system_dlls ]] && ok "imports $dll" || fail "imports $dll, not a system DLL"
done

# The file as one line of hex digits, and a search for a byte string at a byte boundary.
hex=$(od -An -v -tx1 "$exe" | tr -d ' \n')
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 | tr -d ' \n'; }
has_hex() {
  grep -ob -- "$1" <<<"$hex" | cut -d: -f1 | awk '$1 % 2 == 0 {found = 1} END {exit !found}'
}
for text in "Программа для записи настроек в тахограф до активации" "2.2.0.0" "Lorvan_Setup" \
            "041904E3" "FileDescription" "FileVersion" "ProductVersion"; do
  has_hex "$(utf16 "$text")" && ok "version resource holds \"$text\"" \
                             || fail "version resource lacks \"$text\""
done
# The fixed part: signature, structure version, then file and product version 2.2.0.0.
has_hex "bd04effe00000100020002000000000002000200000000" && ok "numeric version 2.2.0.0" \
                                                      || fail "numeric version is not 2.2.0.0"
# "Translation" followed (after alignment) by 0x0419 and code page 1251 (0x04E3).
if grep -Eq "$(utf16 Translation)0000(0000)?1904e304" <<<"$hex"; then
  ok "translation 0x0419 / 1251"
else
  fail "no translation 0x0419 / 1251"
fi

manifest=$(tr -d '\0' <"$exe" | grep -ao -E 'requestedExecutionLevel[^>]*|Microsoft.Windows.Common-Controls" version="[0-9.]+"|<dpiAware[^<]*')
grep -q 'level="asInvoker"' <<<"$manifest" && ok "manifest: asInvoker" || fail "manifest: no asInvoker"
grep -q 'Common-Controls" version="6.0.0.0"' <<<"$manifest" && ok "manifest: common controls 6.0.0.0" \
  || fail "manifest: no common controls 6.0.0.0"
grep -q '<dpiAware[^<]*>true' <<<"$manifest" && ok "manifest: DPI aware" || fail "manifest: not DPI aware"

echo "size: $(stat -c %s "$exe") bytes"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
