#!/usr/bin/env bash
# run.exe must run from anywhere with nothing beside it: every DLL it imports
# is one that Windows itself carries.
#
#   system_imports_test.sh OBJDUMP RUN_EXE
set -euo pipefail
readonly objdump=$1 program=$2
readonly system_dlls='advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 uxtheme version windowscodecs'

imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
[[ -n $imports ]] || { echo "FAIL: no imports read from $program"; exit 1; }
status=0
while read -r dll; do
  if [[ " $system_dlls " == *" ${dll%.dll} "* ]]; then
    echo "system: $dll"
  else
    echo "FAIL: $program imports $dll, which Windows does not carry"
    status=1
  fi
done <<<"$imports"
exit "$status"
