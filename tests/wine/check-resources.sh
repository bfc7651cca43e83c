#!/usr/bin/env bash
# Checks the resources of Corvelin.exe with icoutils: the language-neutral icon
# group "DEFAULT_ICON" as the first icon group with 16, 32 and 48 pixel images
# of 16 colours, the version information in language 0x0804 with its
# strings, and the manifest (resource 1, language neutral) asking for the
# common controls of version 6.
# Usage: check-resources.sh Corvelin.exe [ARCH]   (ARCH of the manifest: x86,
# or amd64 for the 64-bit build)
set -euo pipefail
exe="${1:?usage: check-resources.sh Corvelin.exe [ARCH]}"
arch="${2:-x86}"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

list="$(wrestool -l "$exe")"
echo "$list"

first_group="$(grep -m1 -- '--type=14 ' <<<"$list" || true)"
if grep -q -- "--name='DEFAULT_ICON' --language=0 " <<<"$first_group"; then
  pass "first icon group is DEFAULT_ICON, language neutral"
else fail "first icon group: ${first_group:-none}"; fi

if wrestool -x --type=14 --name=DEFAULT_ICON "$exe" -o "$tmp/icon.ico" 2>/dev/null &&
   [ -s "$tmp/icon.ico" ]; then
  sizes="$(icotool -l "$tmp/icon.ico" | sed -n 's/.*--width=\([0-9]*\) --height=\([0-9]*\) --bit-depth=\([0-9]*\).*/\1x\2x\3/p' | sort -n | tr '\n' ' ')"
  if [ "$sizes" = "16x16x4 32x32x4 48x48x4 " ]; then pass "icon images: $sizes"
  else fail "icon images: '$sizes', expected 16, 32 and 48 pixels at 4 bits"; fi
else fail "DEFAULT_ICON cannot be extracted"; fi

if grep -q -- '--type=16 --name=1 --language=2052 ' <<<"$list"; then
  pass "version information in language 0x0804"
else fail "no version information 1 in language 0x0804"; fi
wrestool -x --raw --type=16 "$exe" >"$tmp/version.bin"
# The version block is UTF-16: look at it as text without the zero bytes.
text="$(tr -d '\000' <"$tmp/version.bin")"
for want in "080404B0" "FileVersion" "ProductName" "Corvelin" "ProductVersion" "1.0.0.0" "Translation"; do
  if [[ "$text" == *"$want"* ]]; then pass "version information holds \"$want\""
  else fail "version information lacks \"$want\""; fi
done
# Fixed part: signature 0xFEEF04BD, then file and product version 1.0.0.0,
# flags 0, OS VOS__WINDOWS32 (4), type VFT_APP (1).
fixed="$(od -An -tx4 -v "$tmp/version.bin" | tr -s ' \n' ' ')"
if [[ "$fixed" == *"feef04bd 00010000 00010000 00000000 00010000 00000000 00000000 00000000 00000004 00000001 "* ]]; then
  pass "fixed version part: 1.0.0.0, no flags, 32-bit Windows, application"
else fail "fixed version part: $fixed"; fi
# Translation 0x0804, code page 1200 (0x04B0): the last four bytes.
if [ "$(tail -c 4 "$tmp/version.bin" | od -An -tx2 | tr -d ' ')" = "080404b0" ]; then
  pass "translation 0x0804, code page 1200"
else fail "translation is not 0x0804 / 1200"; fi

if grep -q -- '--type=24 --name=1 --language=0 ' <<<"$list"; then
  pass "manifest is resource 1, language neutral"
else fail "no language-neutral manifest resource 1"; fi
wrestool -x --raw --type=24 --name=1 "$exe" >"$tmp/manifest.xml"
m="$(tr -s ' \n' ' ' <"$tmp/manifest.xml")"
for want in 'encoding="UTF-8"' 'standalone="yes"' "processorArchitecture=\"$arch\" type=\"win32\"" \
            "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"$arch\"" \
            'publicKeyToken="6595b64144ccf1df" language="*"'; do
  if [[ "$m" == *"$want"* ]]; then pass "manifest: $want"
  else fail "manifest lacks $want"; fi
done

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
