#!/usr/bin/env bash
# Checks that a Windows executable imports system DLLs only (the compiler's
# runtime is linked in) and prints its size and imports.
# Usage: check-imports.sh OBJDUMP program.exe
set -euo pipefail
objdump="${1:?usage: check-imports.sh OBJDUMP program.exe}"
exe="${2:?usage: check-imports.sh OBJDUMP program.exe}"
dlls="$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)"
echo "size $(stat -c %s "$exe") bytes; imports:" $dlls
system='^(kernel32|user32|gdi32|advapi32|shell32|ole32|comctl32|comdlg32|msvcrt|ws2_32|winmm|api-ms-win-.*)\.dll$'
bad="$(grep -Ev "$system" <<<"$dlls" || true)"
if [ -n "$bad" ]; then
  echo "FAIL: imports DLLs that are not part of Windows:" $bad
  exit 1
fi
echo "ok: system DLLs only"
