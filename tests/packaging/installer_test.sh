#!/usr/bin/env bash
# The Windows installer under Wine, used as a clinic's computer would:
#
# 1. msiexec /i /qn installs, without a question: the programs, the texts
#    and the demo disc in the program folder, the Start-menu entries in the
#    user's own menu.
# 2. The entry « Tavrel », with no CD-ROM drive holding the disc and a copy on
#    a USB stick: the window comes with no question, and the start button
#    shows a picture of the stick's disc.
# 3. The entry « Tavrel — disque de démonstration », with no disc anywhere:
#    the window comes with no question, and the start button shows a picture.
# 4. msiexec /x /qn removes everything it installed and keeps the user's
#    history.
#
#   installer_test.sh MSI RUN_EXE INSPECT_EXE [PATIENT_EXE]
#
# From tools/test-windows.sh: WINEPREFIX; TAVREL_WINE; the CD-ROM drive
# holding a disc TAVREL_TEST_DISC_DRIVE and the removable drive without a
# medium TAVREL_TEST_REMOVABLE_DRIVE, pointed back where they were at the end;
# the demo disc TAVREL_TEST_DEMO_DISC and its mark reader TAVREL_TEST_READ_MARK.

set -euo pipefail

msi=$(realpath "$1") run_exe=$(realpath "$2") inspect_exe=$(realpath "$3") patient_exe=${4:+$(realpath "$4")}
readonly msi run_exe inspect_exe patient_exe
readonly here=$(cd "$(dirname "$0")" && pwd)
readonly wine=${TAVREL_WINE:-wine}
readonly demo_disc=${TAVREL_TEST_DEMO_DISC:-} read_mark=${TAVREL_TEST_READ_MARK:-}
readonly cd_drive=${TAVREL_TEST_DISC_DRIVE:-} stick_drive=${TAVREL_TEST_REMOVABLE_DRIVE:-}
readonly main_title='Clinique Antidouleur de Valbrune'
readonly wait_seconds=30 time_limit=200

tmp=$(mktemp -d)
source "$here/../whole_program/common.sh"

[[ -n ${WINEPREFIX:-} && -d $WINEPREFIX/dosdevices ]] || skip "no Wine prefix: tools/test-windows.sh makes one"
[[ -d $demo_disc && -x $read_mark && -n $cd_drive && -n $stick_drive ]] ||
  skip "the demo disc, its mark reader or the drive letters are not named: tools/test-windows.sh names them"

start_watchdog
links=$WINEPREFIX/dosdevices
saved_cd=$(readlink "$links/${cd_drive,,}:") saved_stick=$(readlink "$links/${stick_drive,,}:")
cleanup() {
  stop_processes
  ln -sfn "$saved_cd" "$links/${cd_drive,,}:"
  ln -sfn "$saved_stick" "$links/${stick_drive,,}:"
  "$wine" msiexec /x "$(winepath -w "$msi")" /qn >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

winepath() { "$wine" winepath "$@" 2>/dev/null | tr -d '\r'; }
readonly user_folder=$WINEPREFIX/drive_c/users/$(whoami)
readonly history=$user_folder/AppData/Roaming/tavrel/resultats.csv
readonly menu=$user_folder/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs

# The user's history, there before the installation, must outlive it.
mkdir -p "$(dirname "$history")"
printf '%s\r\n' 'date;patient;partie' '2026-12-01 10:00:00;;mains' >"$history"
cp "$history" "$tmp/history-before"

# --- 1. Installed ---
"$wine" msiexec /i "$(winepath -w "$msi")" /qn >"$tmp/install.log" 2>&1 || fail "msiexec /i failed: $(cat "$tmp/install.log")"
# For the user alone: Windows puts the program in the user's own program
# folder; Wine, which does not tell the two apart, in the machine's.
folder=''
for candidate in "$user_folder/AppData/Local/Programs/Tavrel" "$WINEPREFIX/drive_c/Program Files/Tavrel"; do
  [[ -f $candidate/tavrel.exe ]] && folder=$candidate
done
[[ -n $folder ]] || fail "no tavrel.exe in the program folders after the installation"
cmp -s "$folder/tavrel.exe" "$run_exe" || fail "the installed tavrel.exe is not run.exe"
tr -d '\r' <"$folder/COPYING.txt" | cmp -s - "$here/../../COPYING" || fail "the installed COPYING.txt is not the licence"
grep -q 'tavrel-patient' "$folder/LISEZMOI.txt" || fail "no LISEZMOI.txt in $folder"
files_of() { (cd "$1" && find . -type f -exec md5sum {} + | sort -k 2); }
diff <(files_of "$demo_disc") <(files_of "$folder/demo-disc") >"$tmp/demo.diff" ||
  fail "the installed demo disc differs from the build's: $(head "$tmp/demo.diff")"
entries=("Tavrel.lnk" "Tavrel — disque de démonstration.lnk")
if [[ -n $patient_exe ]]; then
  cmp -s "$folder/tavrel-patient.exe" "$patient_exe" || fail "the installed tavrel-patient.exe is not the build's"
  entries+=("Photos du patient (Tavrel).lnk")
else
  [[ ! -e $folder/tavrel-patient.exe ]] || fail "tavrel-patient.exe installed though the build has none"
fi
for entry in "${entries[@]}"; do
  [[ -f $menu/$entry ]] || fail "no Start-menu entry « ${entry%.lnk} » in $menu: $(ls "$menu")"
done
echo "PASS: installed in $folder, with ${#entries[@]} Start-menu entries"

# Starts a Start-menu entry as the Explorer would. Wine's start does not wait
# for what a shortcut starts: the program is then found among the processes
# by its installed path.
start_entry() {
  local limit=$((SECONDS + wait_seconds))
  "$wine" start "$(winepath -w "$menu/$1")" >"$tmp/run.log" 2>&1 || fail "wine start « ${1%.lnk} » failed"
  run_pid=''
  while [[ -z $run_pid ]]; do
    ((SECONDS < limit)) || fail "« ${1%.lnk} » started no tavrel.exe"
    sleep 0.2
    run_pid=$(pgrep -n -f '^C:\\.*\\Tavrel\\tavrel\.exe' || true)
  done
}

# The quit button ends the program.
quit() {
  click_control $cmdExit
  local limit=$((SECONDS + wait_seconds))
  while program_alive; do
    ((SECONDS < limit)) || fail "the program still runs $wait_seconds seconds after the click on cmdExit"
    sleep 0.1
  done
  run_pid=''
}

main_window_origin() {
  local client
  client=$("$wine" "$inspect_exe" window "$main_title" 2>/dev/null | tr -d '\r' |
    awk -F'\t' '$1 == "client" { print $2, $3, $4, $5 }')
  [[ -n $client ]] || fail "the window system does not show the main window"
  read -r win_x win_y client_w client_h <<<"$client"
}

# The window comes with no question; the start button shows a picture.
window_shows_the_disc() {
  wait_for_window "^$main_title\$|^Tavrel\$" "window of $1" >/dev/null
  sleep 1 # a question would be up by now
  [[ -z $(find_window '^Tavrel$') ]] || fail "$1: the drive question was asked"
  main_window_origin
  click_control $cmdOnOff
  local first
  first=$(wait_for_picture)
  [[ $first =~ ^mainDGfacile\ [0-9]+$ ]] || fail "$1: after the start the screen shows '$first'"
  quit
  echo "PASS: $1, no question, $first shown"
}

start_display 1024x768
mkdir -p "$tmp/no-disc"
ln -sfn "$tmp/no-disc" "$links/${cd_drive,,}:"

# --- 2. The disc on a stick ---
ln -sfn "$demo_disc" "$links/${stick_drive,,}:"
start_entry "Tavrel.lnk"
window_shows_the_disc "« Tavrel » with the disc on the stick $stick_drive:"

# --- 3. The demo disc's entry, with no disc anywhere ---
ln -sfn "$tmp/no-disc" "$links/${stick_drive,,}:"
start_entry "Tavrel — disque de démonstration.lnk"
window_shows_the_disc "« Tavrel — disque de démonstration »"

# --- 4. Removed, the history kept ---
"$wine" msiexec /x "$(winepath -w "$msi")" /qn >"$tmp/remove.log" 2>&1 || fail "msiexec /x failed: $(cat "$tmp/remove.log")"
[[ ! -e $folder ]] || fail "the program folder is left after the removal: $(find "$folder" | head)"
for entry in "${entries[@]}"; do
  [[ ! -e $menu/$entry ]] || fail "the Start-menu entry « ${entry%.lnk} » is left after the removal"
done
! "$wine" reg query 'HKCU\Software\Tavrel' >/dev/null 2>&1 || fail "the installer's registry key is left after the removal"
cmp -s "$history" "$tmp/history-before" || fail "the removal changed or deleted the user's history"
echo "PASS: removed, the history kept"
