#!/usr/bin/env bash
# The Windows installer under Wine, used as a clinic's computer and its IT
# would:
#
# 1. msiexec /i /qn installs for the user alone, without a question: the
#    programs, the texts and the demo disc in the user's own program folder
#    (%LOCALAPPDATA%\Programs\Tavrel), the Start-menu entries in the user's
#    own menu, its mark in the user's registry.
# 2. The entry « Tavrel », with no CD-ROM drive holding the disc and a copy on
#    a USB stick: the window comes with no question, and the start button
#    shows a picture of the stick's disc.
# 3. The entry « Tavrel — disque de démonstration », with no disc anywhere:
#    the window comes with no question, and the start button shows a picture.
# 4. An installation for every user over it is refused; the next version
#    replaces it in place: one installed program, the next version's files.
# 5. msiexec /x /qn removes everything it installed and leaves the user's
#    history (%APPDATA%\tavrel, which the installed program reads) byte for
#    byte.
# 6. The same version built again replaces an installed one in place.
# 7. msiexec /i ALLUSERS=1 installs for every user: the machine's program
#    folder, the machine's Start menu and registry; the earlier version and
#    an installation for the user alone are refused over it; msiexec /x
#    removes it.
#
#   installer_test.sh MSI MSI_AGAIN MSI_NEXT RUN_EXE INSPECT_EXE [PATIENT_EXE]
#
# MSI_AGAIN is the same version built again, MSI_NEXT the next version. From
# tools/test-windows.sh: WINEPREFIX; TAVREL_WINE; the CD-ROM drive holding a
# disc TAVREL_TEST_DISC_DRIVE and the removable drive without a medium
# TAVREL_TEST_REMOVABLE_DRIVE, pointed back where they were at the end; the
# demo disc TAVREL_TEST_DEMO_DISC and its mark reader TAVREL_TEST_READ_MARK.

set -euo pipefail

msi=$(realpath "$1") msi_again=$(realpath "$2") msi_next=$(realpath "$3")
run_exe=$(realpath "$4") inspect_exe=$(realpath "$5") patient_exe=${6:+$(realpath "$6")}
readonly msi msi_again msi_next run_exe inspect_exe patient_exe
readonly here=$(cd "$(dirname "$0")" && pwd)
readonly wine=${TAVREL_WINE:-wine}
readonly demo_disc=${TAVREL_TEST_DEMO_DISC:-} read_mark=${TAVREL_TEST_READ_MARK:-}
readonly cd_drive=${TAVREL_TEST_DISC_DRIVE:-} stick_drive=${TAVREL_TEST_REMOVABLE_DRIVE:-}
readonly main_title='Clinique Antidouleur de Valbrune'
readonly wait_seconds=30 time_limit=420

tmp=$(mktemp -d)
source "$here/../whole_program/common.sh"
source "$here/../whole_program/wine.sh"

[[ -n ${WINEPREFIX:-} && -d $WINEPREFIX/dosdevices ]] || skip "no Wine prefix: tools/test-windows.sh makes one"
[[ -d $demo_disc && -x $read_mark && -n $cd_drive && -n $stick_drive ]] ||
  skip "the demo disc, its mark reader or the drive letters are not named: tools/test-windows.sh names them"

start_watchdog
links=$WINEPREFIX/dosdevices
saved_cd=$(readlink "$links/${cd_drive,,}:") saved_stick=$(readlink "$links/${stick_drive,,}:")

winepath() { "$wine" winepath "$@" 2>/dev/null | tr -d '\r'; }
msiexec() { "$wine" msiexec "$@" >"$tmp/msiexec.log" 2>&1; }
# The installed programs named Tavrel, as the system lists them: product
# code, then name.
installed() { "$wine" uninstaller --list 2>/dev/null | tr -d '\r' | grep '|||Tavrel$' | sort -u || true; }
# Removes whatever Tavrel is installed, of either kind.
remove_all() {
  local code
  for code in $(installed | cut -d'|' -f1); do
    "$wine" msiexec /x "$code" /qn >/dev/null 2>&1 || true
    "$wine" msiexec /x "$code" /qn ALLUSERS=1 >/dev/null 2>&1 || true
  done
}
cleanup() {
  stop_processes
  ln -sfn "$saved_cd" "$links/${cd_drive,,}:"
  ln -sfn "$saved_stick" "$links/${stick_drive,,}:"
  remove_all
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The folders as Windows names them in this prefix, not as the test guesses.
windows_folder() { winepath -u "$("$wine" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')"; }
readonly app_data=$(windows_folder APPDATA) local_app_data=$(windows_folder LOCALAPPDATA)
readonly all_users=$(windows_folder ALLUSERSPROFILE) program_files=$(windows_folder ProgramW6432)
readonly user_folder=$local_app_data/Programs/Tavrel machine_folder=$program_files/Tavrel
readonly user_menu=$app_data/Microsoft/Windows/Start\ Menu/Programs
readonly machine_menu=$all_users/Microsoft/Windows/Start\ Menu/Programs
readonly history=$app_data/tavrel
[[ -d $app_data && -d $local_app_data && -d $program_files ]] || fail "Wine names no user or program folders"

remove_all

# The user's history, there before the installation, must outlive it: the
# folder as the program keeps it, with a patient's exercises.
rm -rf "$history"
mkdir -p "$history"
printf '\xEF\xBB\xBF%s\r\n' 'date;patient;partie;niveau;vitesse_ms;feedback;images;réponses;justes;temps_moyen_ms;temps_médian_ms' \
  >"$history/resultats.csv"
printf '%s\r\n' '2026-12-01T10:00:00;Mme Essai;mains;1;3000;1;20;18;15;850;800' \
  '2026-12-02T10:00:00;Mme Essai;pieds;2;4500;1;20;20;19;700;650' >>"$history/resultats.csv"
printf '\xEF\xBB\xBF%s\r\n' 'date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms' >"$history/reponses.csv"
files_of() { (cd "$1" && find . -type f -exec md5sum {} + | sort -k 2); }

files_in_place() { # FOLDER MENU
  local folder=$1 menu=$2 entry
  [[ -f $folder/tavrel.exe ]] || fail "no tavrel.exe in $folder: $(ls "$folder" 2>&1)"
  cmp -s "$folder/tavrel.exe" "$run_exe" || fail "the installed tavrel.exe is not run.exe"
  tr -d '\r' <"$folder/COPYING.txt" | cmp -s - "$here/../../COPYING" || fail "the installed COPYING.txt is not the licence"
  grep -q 'tavrel-patient' "$folder/LISEZMOI.txt" || fail "no LISEZMOI.txt in $folder"
  diff <(files_of "$demo_disc") <(files_of "$folder/demo-disc") >"$tmp/demo.diff" ||
    fail "the installed demo disc differs from the build's: $(head "$tmp/demo.diff")"
  if [[ -n $patient_exe ]]; then
    cmp -s "$folder/tavrel-patient.exe" "$patient_exe" || fail "the installed tavrel-patient.exe is not the build's"
  else
    [[ ! -e $folder/tavrel-patient.exe ]] || fail "tavrel-patient.exe installed though the build has none"
  fi
  for entry in "${entries[@]}"; do
    [[ -f $menu/$entry ]] || fail "no Start-menu entry « ${entry%.lnk} » in $menu: $(ls "$menu" 2>&1)"
  done
}
entries=("Tavrel.lnk" "Tavrel — disque de démonstration.lnk")
[[ -z $patient_exe ]] || entries+=("Photos du patient (Tavrel).lnk")
mark_in() { "$wine" reg query "$1\\Software\\Tavrel" >/dev/null 2>&1; }
one_installed() {
  local found
  found=$(installed)
  [[ $(grep -c . <<<"$found") == 1 ]] || fail "$1: the installed programs hold not one Tavrel but: ${found:-none}"
}

# --- 1. Installed for the user alone ---
msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i failed: $(cat "$tmp/msiexec.log")"
files_in_place "$user_folder" "$user_menu"
[[ ! -e $machine_folder ]] || fail "an installation for the user alone wrote the machine's program folder"
mark_in HKCU || fail "no mark of the installation in the user's registry"
! mark_in HKLM || fail "an installation for the user alone wrote the machine's registry"
one_installed "installed for the user"
# The history is where the installed program reads it.
"$wine" "$user_folder/tavrel.exe" --bilan "$(winepath -w "$tmp/bilan.html")" --patient "Mme Essai" >"$tmp/bilan.log" 2>&1 ||
  fail "the installed program read no history of Mme Essai in $history: $(cat "$tmp/bilan.log")"
grep -q 'Mme Essai' "$tmp/bilan.html" || fail "the report does not name the patient of the history"
echo "PASS: installed for the user in $user_folder, with ${#entries[@]} Start-menu entries; it reads the history"

# Starts a Start-menu entry as the Explorer would. Wine's start does not wait
# for what a shortcut starts: the program is then found among the processes
# by its installed path.
start_entry() {
  local limit=$((SECONDS + wait_seconds))
  "$wine" start "$(winepath -w "$user_menu/$1")" >"$tmp/run.log" 2>&1 || fail "wine start « ${1%.lnk} » failed"
  run_pid=''
  while [[ -z $run_pid ]]; do
    ((SECONDS < limit)) || fail "« ${1%.lnk} » started no tavrel.exe"
    sleep 0.2
    run_pid=$(pgrep -n -f '^C:\\.*\\Tavrel\\tavrel\.exe' || true)
  done
}

# The window comes with no question; the start button shows a picture.
window_shows_the_disc() {
  wait_for_window "^$main_title\$|^Tavrel\$" "window of $1" >/dev/null
  sleep 1 # a question would be up by now
  [[ -z $(find_window '^Tavrel$') ]] || fail "$1: the drive question was asked"
  main_window_origin
  expect_first_picture_from_mainDGfacile
  quit_with_cmdExit
  echo "PASS: $1, no question"
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

# --- 4. Replaced in place by the next version ---
# Wine's installer forgets a product's upgrade code once that product has
# replaced another: one upgrade per installation here (on Windows they
# chain).
msiexec /i "$(winepath -w "$msi")" /qn ALLUSERS=1 && fail "an installation for every user was made over the user's own"
[[ ! -e $machine_folder ]] && ! mark_in HKLM || fail "the refused installation for every user wrote the machine's folder or registry"
echo "PASS: an installation for every user over the user's own is refused"
readonly next_version=$(basename "$msi_next" .msi | sed 's/^tavrel-//')
msiexec /i "$(winepath -w "$msi_next")" /qn || fail "the next version was not installed: $(cat "$tmp/msiexec.log")"
one_installed "the next version"
files_in_place "$user_folder" "$user_menu"
grep -q "tavrel-$next_version.msi" "$user_folder/LISEZMOI.txt" || fail "the installed LISEZMOI.txt is not the one of $next_version"
# The installed programs' list, wherever Wine keeps its entry (the machine's
# registry here, the user's on Windows).
code=$(installed | cut -d'|' -f1)
for root in HKCU HKLM; do
  "$wine" reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" /v DisplayVersion 2>/dev/null || true
done | tr -d '\r' | grep -q "REG_SZ *$next_version\$" || fail "the installed program is not told as version $next_version"
echo "PASS: replaced in place by $next_version"

# --- 5. Removed, the history kept ---
# As the program left it after its runs: every file of the folder.
files_of "$history" >"$tmp/history-before"
grep -q ' ./resultats.csv$' "$tmp/history-before" || fail "no history in $history to keep"
msiexec /x "$(winepath -w "$msi_next")" /qn || fail "msiexec /x failed: $(cat "$tmp/msiexec.log")"
[[ ! -e $user_folder ]] || fail "the program folder is left after the removal: $(find "$user_folder" | head)"
for entry in "${entries[@]}"; do
  [[ ! -e $user_menu/$entry ]] || fail "the Start-menu entry « ${entry%.lnk} » is left after the removal"
done
! mark_in HKCU || fail "the installer's registry key is left after the removal"
[[ -z $(installed) ]] || fail "Tavrel is still among the installed programs: $(installed)"
[[ -d $history ]] || fail "the removal deleted the user's history folder $history"
diff "$tmp/history-before" <(files_of "$history") >"$tmp/history.diff" ||
  fail "the removal changed the user's history: $(cat "$tmp/history.diff")"
echo "PASS: removed, the history kept byte for byte"

# --- 6. The same version built again replaces it in place ---
msiexec /i "$(winepath -w "$msi")" /qn || fail "msiexec /i failed: $(cat "$tmp/msiexec.log")"
msiexec /i "$(winepath -w "$msi_again")" /qn || fail "the same version built again was not installed: $(cat "$tmp/msiexec.log")"
one_installed "the same version built again"
files_in_place "$user_folder" "$user_menu"
msiexec /x "$(winepath -w "$msi_again")" /qn || fail "msiexec /x failed: $(cat "$tmp/msiexec.log")"
[[ ! -e $user_folder && -z $(installed) ]] || fail "the same version built again is left after its removal"
echo "PASS: the same version built again replaced the installed one in place"

# --- 7. For every user of the machine ---
msiexec /i "$(winepath -w "$msi_next")" /qn ALLUSERS=1 || fail "msiexec /i ALLUSERS=1 failed: $(cat "$tmp/msiexec.log")"
files_in_place "$machine_folder" "$machine_menu"
[[ ! -e $user_folder && ! -e $user_menu/Tavrel.lnk ]] || fail "an installation for every user wrote the user's own folders"
mark_in HKLM || fail "no mark of the installation in the machine's registry"
! mark_in HKCU || fail "an installation for every user wrote the user's registry"
msiexec /i "$(winepath -w "$msi")" /qn ALLUSERS=1 && fail "the earlier version was installed over the next one"
grep -q "tavrel-$next_version.msi" "$machine_folder/LISEZMOI.txt" || fail "the earlier version changed the installed files"
msiexec /i "$(winepath -w "$msi_next")" /qn && fail "an installation for the user alone was made over the machine's"
[[ ! -e $user_folder ]] || fail "the refused installation for the user wrote the user's program folder"
msiexec /x "$(winepath -w "$msi_next")" /qn ALLUSERS=1 || fail "msiexec /x ALLUSERS=1 failed: $(cat "$tmp/msiexec.log")"
[[ ! -e $machine_folder && ! -e $machine_menu/Tavrel.lnk ]] || fail "the installation for every user is left after its removal"
! mark_in HKLM || fail "the machine's registry key is left after the removal"
diff "$tmp/history-before" <(files_of "$history") >/dev/null || fail "the installation for every user changed the history"
echo "PASS: installed for every user in $machine_folder, the earlier version and the user's own refused over it, removed"
