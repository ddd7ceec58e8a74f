#!/usr/bin/env bash
# Measures the Win32 window under Wine for make bench: the pace of its
# timer, its picture switch latency on the demo disc and on the bench's
# 4000 x 3000 photographs, and the start-up of run.exe. The figures go to
# build/mingw/win32-bench.txt, which the Qt bench prints beside its own.
#
# Wine runs in a prefix of its own in the build folder (made once), where
# E: is a CD-ROM drive holding the demo disc and G: a hard disk holding the
# photographs, on a virtual X server. Both servers are stopped at the end.
#
# Usage: tools/bench-windows.sh   (make bench-windows installs the packages first)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/mingw
prefix=$PWD/$build/bench-prefix
figures=$build/win32-bench.txt

cmake --preset windows >/dev/null
cmake --build --preset windows --target run win32_bench tavrel-patient
cmake --preset default >/dev/null
cmake --build --preset default --target demo_disc bench_photographs

source tools/wine-session.sh
start_display 1024x768

if [[ ! -d $prefix/dosdevices ]]; then
  echo "Making a Wine prefix for the bench in $prefix"
  timeout --foreground 600 "$wine" wineboot -i >/dev/null 2>&1
fi
give_drive E "$PWD/build/default/demo-disc" cdrom
give_drive G "$PWD/build/default/bench-photographs" hd
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w

windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
"$wine" "$build/bench/win32_bench.exe" "$(windows_path "$PWD/$build/app/run.exe")" E G \
  "$(windows_path "$PWD/$build/patient/win32/tavrel-patient.exe")" \
  | tr -d '\r' >"$figures.new"
mv "$figures.new" "$figures"
echo "Win32 window under Wine: figures in $figures"
