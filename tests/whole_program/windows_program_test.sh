#!/usr/bin/env bash
# The whole program under Wine: run.exe on a virtual X server of its own,
# used with real clicks and keys (xdotool), in the Wine prefix that
# tools/test-windows.sh makes. One scenario, then the case without a disc:
#
# 1. The demo disc on the CD-ROM drive: the window comes with no question,
#    every control where the window's description puts it (screenshot);
#    the start button shows a picture at the top left; an arrow key answers
#    it during the feedback wait, and a click on the start button then
#    stops the exercise once the answer box gives the picture's side; the
#    exercise is saved in the history; at 1 s a picture, a key pressed as
#    soon as the correct side shows answers nothing, and the next picture
#    is answered by an arrow key held across three pictures, one answer;
#    plain letters change nothing; both exercises' pictures are checked in
#    reponses.csv; F2 opens the results, whose figures per side are read
#    from the window's labels; no body part, then start: the refusal
#    message; the quit button ends the program with status 0.
# 2. No drive holds the disc: the drive question comes with its exact
#    prompt, and the letter typed (a hard disk holding the disc) is used.
#
#   windows_program_test.sh RUN_EXE INSPECT_EXE
#
# From tools/test-windows.sh: WINEPREFIX; TAVREL_WINE; the CD-ROM drives
# TAVREL_TEST_DISC_DRIVE and TAVREL_TEST_EMPTY_DRIVE (no disc), hard disks
# TAVREL_TEST_FIXED_DRIVES; the demo disc folder TAVREL_TEST_DEMO_DISC and
# its mark reader TAVREL_TEST_READ_MARK, and the X prober
# TAVREL_TEST_X_PROBER, from the Linux build. The drive
# letters used are pointed back where they were at the end.

set -euo pipefail

run_exe=$(realpath "$1") inspect_exe=$(realpath "$2")
readonly run_exe inspect_exe
readonly here=$(cd "$(dirname "$0")" && pwd)
readonly wine=${TAVREL_WINE:-wine}
readonly demo_disc=${TAVREL_TEST_DEMO_DISC:-} read_mark=${TAVREL_TEST_READ_MARK:-} x_prober=${TAVREL_TEST_X_PROBER:-}
readonly cd_drive=${TAVREL_TEST_DISC_DRIVE:-} empty_drive=${TAVREL_TEST_EMPTY_DRIVE:-}
readonly hard_drive=${TAVREL_TEST_FIXED_DRIVES:0:1}
readonly main_title='Clinique Antidouleur de Valbrune'
readonly wait_seconds=30
readonly time_limit=210

tmp=$(mktemp -d)
source "$here/common.sh"
source "$here/wine.sh"

[[ -n ${WINEPREFIX:-} && -d $WINEPREFIX/dosdevices ]] || skip "no Wine prefix: tools/test-windows.sh makes one"
[[ -d $demo_disc && -x $read_mark && -x $x_prober && -n $cd_drive && -n $empty_drive && -n $hard_drive ]] ||
  skip "the demo disc, its mark reader, the X prober or the drive letters are not named: tools/test-windows.sh names them"

start_watchdog
links=$WINEPREFIX/dosdevices
saved_cd=$(readlink "$links/${cd_drive,,}:") saved_hard=$(readlink "$links/${hard_drive,,}:")
cleanup() {
  stop_processes
  ln -sfn "$saved_cd" "$links/${cd_drive,,}:"
  ln -sfn "$saved_hard" "$links/${hard_drive,,}:"
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

readonly OptTresDiff='10080 2160 1215 375'
readonly opt10sec='10200 3240 1095 375'
readonly history_folder=$WINEPREFIX/drive_c/users/$(whoami)/AppData/Roaming/tavrel

# Waits until the history holds the exercises and their pictures: the
# results folder's thread writes them from the journal a moment after the
# stop.
wait_for_saved() {
  local exercises=$1 limit=$((SECONDS + wait_seconds))
  until [[ $(grep -c . "$history_folder/resultats.csv" 2>/dev/null) -gt $exercises &&
    $(grep -c . "$history_folder/reponses.csv" 2>/dev/null) -gt $exercises ]]; do
    ((SECONDS < limit)) || fail "the history does not hold $exercises exercises $wait_seconds seconds after the stop"
    sleep 0.2
  done
}

# The text of the child of the window at the place given (pixels in the
# client area), as "left top" of the description.
child_text() {
  inspect window "$1" | awk -F'\t' -v x="$2" -v y="$3" '$1 == "child" && $3 == x && $4 == y { print $9; exit }'
}

# Waits until the child's text is the one expected.
wait_for_text() {
  local title=$1 x=$2 y=$3 expected=$4 what=$5 seen='' limit=$((SECONDS + wait_seconds))
  while ((SECONDS < limit)); do
    seen=$(child_text "$title" "$x" "$y")
    [[ $seen == "$expected" ]] && return
    program_alive || fail "the program ended while waiting for $what"
    sleep 0.3
  done
  fail "no $what: '$seen', not '$expected'"
}

start_program() {
  (cd "$tmp" && exec "$wine" "$run_exe") >"$tmp/run.log" 2>&1 &
  run_pid=$!
}

# The refusal message's text, as the message box shows it.
message_text() { inspect window Tavrel | awk -F'\t' '$1 == "child" && $2 == "Static" && $9 != "" { print $9 }'; }

scenario_with_the_disc() {
  ln -sfn "$demo_disc" "$links/${cd_drive,,}:"
  rm -rf "$history_folder"
  start_program
  local main
  main=$(wait_for_window "^$main_title\$|^Tavrel\$" "window")
  [[ -z $(find_window '^Tavrel$') ]] || fail "the drive question was asked although the disc is in $cd_drive:"
  sleep 1 # painted
  main_window_origin
  xdotool mousemove "$((win_x + client_w + 100))" 5

  # Every control where the description puts it.
  import -window root "$tmp/start.png"
  convert "$tmp/start.png" -depth 8 "rgb:$tmp/start.rgb"
  local screen_width
  screen_width=$(identify -format '%w' "$tmp/start.png")
  inspect layout | python3 "$here/check_layout.py" "$tmp/start.rgb" "$screen_width" "$win_x" "$win_y" \
    "$client_w" "$client_h" || fail "controls out of place (screenshot $tmp/start.png)"

  # The first picture, at the top left, answered during the feedback wait;
  # a click on the start button then stops the exercise once the tick has
  # written its answer, and it is saved: one picture, one answer, right.
  # At 10 s a picture, so that a slow machine still answers in time.
  [[ $(picture_on_screen) == none ]] || fail "a picture is on screen before the start"
  click_control $opt10sec
  click_control $cmdOnOff
  local first number side seen
  first=$(wait_for_picture)
  [[ $first =~ ^mainDGfacile\ ([0-9]+)$ ]] || fail "after the start the screen shows '$first'"
  number=${BASH_REMATCH[1]}
  echo "shown: $first"
  xdotool windowfocus --sync "$main"
  sleep 0.2
  if ((number > 10)); then xdotool key Right; side=' Droite'; else xdotool key Left; side=' gauche'; fi
  click_control $cmdOnOff
  wait_for_text "$main_title" 432 472 "&Démarrer l'exercice" "start button's caption after the stop"
  [[ $(child_text "$main_title" 160 440) == "$side" ]] ||
    fail "the answer box reads '$(child_text "$main_title" 160 440)' for picture $number"
  seen=$(picture_on_screen)
  [[ $seen == "$first" ]] || fail "the stop came before the tick of $first had ended: $seen on screen"
  local saved
  wait_for_saved 1
  saved=$(tail -n 1 "$history_folder/resultats.csv" 2>/dev/null | tr -d '\r')
  [[ $(cut -d';' -f3,5 <<<"$saved") == 'mains;10000' && $(cut -d';' -f7-9 <<<"$saved") == '1;1;1' ]] ||
    fail "the history's last line is '$saved', not one picture of hands at 10 s answered right"
  # Its picture in reponses.csv, after the header.
  local answers_file=$history_folder/reponses.csv shown_side=gauche
  ((number > 10)) && shown_side=droite
  mapfile -t lines < <(tr -d '\r' <"$answers_file")
  [[ ${#lines[@]} -eq 2 &&
    ${lines[0]} == $'\xEF\xBB\xBF'"date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms;touche_écartée;écartée_ms;motif;exercice" &&
    ${lines[1]} =~ ^${saved%%;*}\;\;1\;mains\;mainDGfacile\;$number\;$shown_side\;$shown_side\;1\;[0-9]+\;\;\;\;${saved##*;}$ ]] ||
    fail "reponses.csv does not hold the picture answered: $(printf '%s|' "${lines[@]}")"

  # At 1 s a picture (once the timer's 10 s have run out), the correct side
  # shown 0.8 s after each picture: a key pressed as soon as it shows
  # answers nothing, neither that picture nor the next. The next picture is
  # answered by an arrow key held down across three pictures: one answer.
  # Meanwhile plain letters, which the patient may press (d for droite, g
  # for gauche), change nothing. The exercise's line tells how many pictures
  # reached the screen.
  click_control $OptTresDiff
  click_control $cmdOnOff
  seen=$(wait_for_next_picture "$first")
  local began=$EPOCHREALTIME changes
  xdotool windowfocus --sync "$main"
  "$x_prober" changed $((win_x + 160)) $((win_y + 440)) 73 25 5 || fail "the correct side was not shown at 1 s a picture"
  xdotool key Left
  "$x_prober" changed "$win_x" "$win_y" 48 8 5 || fail "no picture after the one whose side was shown"
  sleep 0.2
  xdotool keydown Right
  for changes in 1 2 3; do seen=$(wait_for_next_picture "$seen"); done
  xdotool keyup Right
  xdotool type --delay 100 'amp2dfgt'
  sleep 2
  [[ -z $(find_window '^Tavrel$') ]] || fail "a plain letter brought a message: $(message_text)"
  [[ $(child_text "$main_title" 432 472) == "&Arrêter l'exercice" ]] ||
    fail "plain letters stopped the exercise: the start button reads '$(child_text "$main_title" 432 472)'"
  local lasted=$(((${EPOCHREALTIME/./} - ${began/./}) / 1000))
  click_control $cmdOnOff
  wait_for_text "$main_title" 432 472 "&Démarrer l'exercice" "start button's caption after the second stop"
  wait_for_saved 2
  saved=$(tail -n 1 "$history_folder/resultats.csv" 2>/dev/null | tr -d '\r')
  echo "1 s a picture, $lasted ms: $saved"
  [[ $(cut -d';' -f3-5 <<<"$saved") == 'mains;1;1000' && $(cut -d';' -f8 <<<"$saved") == 1 ]] ||
    fail "a key held across three pictures did not give one answer: $saved"
  local pictures
  pictures=$(cut -d';' -f7 <<<"$saved")
  ((pictures * 1000 >= lasted * 4 / 5)) || fail "$pictures pictures in $lasted ms at 1 s a picture"

  # Every picture of it in reponses.csv, tied to its line by the identity:
  # the key pressed once the side showed, left out, and right after it the
  # picture answered droite.
  mapfile -t lines < <(tr -d '\r' <"$answers_file" | grep ";${saved##*;}\$")
  ((${#lines[@]} == pictures)) || fail "reponses.csv holds ${#lines[@]} lines for $pictures pictures"
  local answered late
  answered=$(printf '%s\n' "${lines[@]}" | awk -F';' '$8 != ""')
  late=$(printf '%s\n' "${lines[@]}" | awk -F';' '$11 != ""')
  [[ $late =~ ^[^\;]*\;\;([0-9]+)\;mains\;mainDG(facile)?\;[0-9]+\;(gauche|droite)\;\;\;\;gauche\;[89][0-9][0-9]\;réponse\ déjà\ affichée\; ]] ||
    fail "not one key left out, pressed once the side was shown: $late"
  local late_order=${BASH_REMATCH[1]}
  [[ $answered =~ ^[^\;]*\;\;$((late_order + 1))\;mains\;mainDG(facile)?\;[0-9]+\;(gauche\;droite\;0|droite\;droite\;1)\;[0-9]+\;\;\;\; ]] ||
    fail "the picture after the key left out is not the one answered droite: $answered"
  (($(cut -d';' -f10 <<<"$answered") >= 150)) || fail "the held key answered too soon: $answered"

  # F2: the results window shows that exercise's figures per side, read
  # from its labels; then it is closed again.
  xdotool windowfocus --sync "$main" key F2
  local results figures held_row=Gauche right=0
  results=$(wait_for_window '^Résultats — Tavrel$' "results window")
  [[ $(cut -d';' -f7 <<<"$answered") == droite ]] && held_row=Droite right=100
  figures=$(inspect window 'Résultats — Tavrel' | awk -F'\t' '$1 == "child" && $2 == "Static" { print $9 }' |
    awk '/^(Gauche|Droite|Les deux)$/ { row = $0; n = 0; next } row != "" && n < 3 { printf "%s\t%s\n", row, $0; n++ }')
  echo "per side:"$'\n'"$figures"
  grep -qx "Les deux"$'\t'"1 sur $pictures" <<<"$figures" && grep -qx "$held_row"$'\t'"$right %" <<<"$figures" &&
    grep -qx "$held_row"$'\t'"1 sur [0-9]*" <<<"$figures" ||
    fail "the results window does not show the held key's answer on the $held_row side"
  xdotool windowfocus --sync "$results" key alt+F4
  wait_for_window_gone '^Résultats — Tavrel$' "the results window"

  # No body part: the refusal.
  click_control $optMain
  click_control $cmdOnOff
  wait_for_window '^Tavrel$' "refusal message" >/dev/null
  [[ $(message_text) == "choisissez les options mains,pieds,visage ou patient, puis choisissez les options identifier D G ou Imaginer faire le mouvement ou Faire le mouvement, merci " ]] ||
    fail "the refusal message reads '$(message_text)'"
  xdotool windowfocus --sync "$(find_window '^Tavrel$')" key Return
  wait_for_window_gone '^Tavrel$' "the refusal message"
  wait_for_text "$main_title" 432 472 "&Débuter l'exercice" "start button's caption after the refusal"

  quit_with_cmdExit
}

scenario_without_a_disc() {
  mkdir -p "$tmp/no-marker"
  ln -sfn "$tmp/no-marker" "$links/${cd_drive,,}:"
  ln -sfn "$demo_disc" "$links/${hard_drive,,}:"
  start_program
  wait_for_window '^Tavrel$' "drive question" >/dev/null
  local cds
  cds=$(printf '%s\n' "$empty_drive" "$cd_drive" | sort | tr '\n' ' ')
  local prompt="Veuillez indiquer la lettre qui désigne votre lecteur CD. Ce pourrait être ${cds}  .Tapez une seule lettre."
  [[ $(message_text) == "$prompt" ]] || fail "the drive question reads '$(message_text)', not '$prompt'"
  answer_box "$(find_window '^Tavrel$')" "$hard_drive"
  wait_for_window "^$main_title\$" "main window" >/dev/null
  sleep 1
  main_window_origin
  expect_first_picture_from_mainDGfacile
  quit_with_cmdExit
}

start_display 1024x768
scenario_with_the_disc
echo "PASS: with the disc in $cd_drive:"
scenario_without_a_disc
echo "PASS: without a disc, $hard_drive: typed"
