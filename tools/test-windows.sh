#!/usr/bin/env bash
# Builds the core, the Windows drive layer, the Win32 window, run.exe and
# their tests for 64-bit Windows (the "windows" preset, MinGW-w64) and runs
# the tests under Wine, on a virtual X server, in a fresh Wine prefix in the
# build folder with these drives:
#   D:      a CD-ROM drive without a disc
#   E:      a CD-ROM drive holding a disc tree (bravo.bmp, mainDG/7.jpg)
#   F:..T:  hard disks over the same tree, so that the drive list is longer
#           than the 64 characters the disc scan asks for first
#   U:      a hard disk holding the demo disc of the Linux build
#   V:      a removable drive (a USB stick) without a medium
# Each file of the tree holds its own path on the disc as its text. The test
# learns the letters from the environment. The whole-program test also needs
# the demo disc and its mark reader, and the installer and the zip the demo
# disc and its image, which the Linux build (the "default" preset) makes
# first. The Wine server and the X server are stopped however the
# run ends.
#
# Usage: tools/test-windows.sh   (make test-windows installs the packages first)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/mingw
prefix=$PWD/$build/wineprefix
drives=$PWD/$build/wine-drives
disc_drive=E
empty_drive=D
fixed_drives=FGHIJKLMNOPQRST
demo_drive=U
removable_drive=V

started=$SECONDS
cmake --preset default >/dev/null
cmake --build --preset default --target demo_disc demo_disc_image read_demo_mark x_prober patient_command_tests tavrel-patient
cmake --preset windows >/dev/null
cmake --build --preset windows

# The window tests show real windows: Wine draws them on an X server of
# their own, large enough for the window at 144 dots per inch.
source tools/wine-session.sh
"$wineserver" -k >/dev/null 2>&1 || true
start_display 1600x1200
rm -rf "$prefix" "$drives"
echo "Making a fresh Wine prefix in $prefix"
timeout --foreground 600 "$wine" wineboot -i >/dev/null 2>&1

# The drives.
mkdir -p "$drives/disc/mainDG"
printf '%s' bravo.bmp >"$drives/disc/bravo.bmp"
printf '%s' mainDG/7.jpg >"$drives/disc/mainDG/7.jpg"
give_drive "$empty_drive" "$drives/no-disc" cdrom # a drive whose folder is missing: no medium
give_drive "$disc_drive" "$drives/disc" cdrom
for ((i = 0; i < ${#fixed_drives}; i++)); do
  give_drive "${fixed_drives:i:1}" "$drives/disc" hd
done
give_drive "$demo_drive" "$PWD/build/default/demo-disc" hd
give_drive "$removable_drive" "$drives/no-stick" floppy # Wine's removable type
# The Wine server starts again to read the drive types; it then stays up for
# the whole run instead of starting again for every test. Wine's own services
# start now, so that they do not hold the test runner's output pipes open.
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
"$wineserver" -p
"$wine" wineboot >/dev/null 2>&1

export TAVREL_TEST_DISC_DRIVE=$disc_drive TAVREL_TEST_EMPTY_DRIVE=$empty_drive TAVREL_TEST_FIXED_DRIVES=$fixed_drives
export TAVREL_TEST_REMOVABLE_DRIVE=$removable_drive
export TAVREL_WINE=$wine TAVREL_TEST_DEMO_DISC=$PWD/build/default/demo-disc TAVREL_TEST_DEMO_DRIVE=$demo_drive
export TAVREL_TEST_READ_MARK=$PWD/build/default/tools/read_demo_mark
export TAVREL_TEST_X_PROBER=$PWD/build/default/tests/x_prober
export TAVREL_TEST_PATIENT_COMMAND_TESTS=$PWD/build/default/tests/patient_command_tests
log=$build/test-windows.log
status=0
# Wine now and then fails to start a test's process at all (no output, in a
# few milliseconds); such a test is run a second time. One that fails twice
# fails the run.
ctest --preset windows --repeat until-pass:2 2>&1 | tee "$log" || status=$?
# Everything the tests need is set up here, so a skipped test is a fault.
if grep -q '\*\*\*Skipped' "$log"; then
  echo "Tests were skipped under Wine:" >&2
  grep '\*\*\*Skipped' "$log" >&2
  status=1
fi
echo "Windows tests under Wine: $((SECONDS - started)) s in all"
exit "$status"
