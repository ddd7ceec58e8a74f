#!/usr/bin/env bash
# Whole-program tests: the real program on a virtual X server (Xvfb), used
# with real input events (xdotool) as a person would use it.
#
#   whole_program_test.sh CASE RUN DISC_FOLDER DISC_IMAGE READ_MARK [PATIENT_TOOL]
#
# CASE is one of:
#   mounted  The demo disc image is mounted as a disc (fuseiso): no question
#            is asked; a click on the start button brings a picture of
#            :\mainDGfacile\; a click on cmdExit ends the program at once,
#            with status 0.
#   folder   No disc is mounted: the drive question comes; the disc's folder
#            typed in, and Enter, make the pictures load from that folder.
#   refusal  No body part checked, then start: the refusal message comes;
#            once it is closed the start button reads "&Débuter l'exercice".
#   argument The disc's folder given as the program's argument: no question
#            is asked, whatever disc is mounted; a click on the start button
#            brings a picture of :\mainDGfacile\ from that folder.
#   alive    On the mounted disc image, an exercise in phase 1 answered with
#            the arrow keys, each answer's side known from the picture on
#            screen, one key pressed as soon as the correct side shows (kept
#            with its mark, no answer), the next picture answered; the pace
#            changed, the next picture begins an exercise of its own. During
#            a feedback wait of 9.8 s the window answers every
#            liveness ping of the window manager (X_PROBER, the prober given
#            in the environment) within 100 ms, paints what a window laid
#            over it uncovered within 100 ms, and a click on the start button
#            made then stops the exercise after the wait, once; the stop
#            saves one line, checked, in the history file, and one line per
#            picture, checked, in reponses.csv; F2 shows the figures per side
#            that reponses.csv gives (read through the accessibility bus,
#            closed as a window manager closes it). A key pressed once the
#            correct side shows and held across three pictures answers
#            nothing. Then the disc stalls (its fuseiso process stopped): the
#            window stays alive and shows no stale picture, and the pictures
#            come back once the disc answers again; only the pictures that
#            reached the screen count.
#            With "Patient" ticked, a disc that answers 1.5 s after the start
#            is not refused, and the patient's pictures show; SIGTERM then
#            ends the program with status 0, the exercise saved. Last the
#            program starts while the disc stalls: the drive question comes
#            all the same.
#   patient  PATIENT_TOOL (tavrel-patient) makes the patient's easy phase-1
#            set from three photographs of known colours in a copy of the
#            disc's folder; that folder typed at the drive question,
#            "Patient" checked and start clicked, one of the three
#            photographs is on screen.
#
# The picture on screen is recognised by the mark in its top left corner
# (READ_MARK reads it from a screenshot); the caption and the message are
# read through the accessibility bus. Each case ends every process it started
# and unmounts what it mounted, whatever happens. Exit status 77 means
# skipped: FUSE is missing, or a CD-ROM holding the marker is mounted already
# so that the question cannot come.

set -euo pipefail

readonly case_name=$1
run=$(realpath -m "$2") disc=$(realpath -m "$3") image=$(realpath -m "$4") read_mark=$(realpath -m "$5")
patient_tool=${6:+$(realpath -m "$6")}
readonly run disc image read_mark patient_tool
readonly here=$(cd "$(dirname "$0")" && pwd)
readonly main_title='^Clinique Antidouleur de Valbrune$'
readonly box_title='^Tavrel$'
readonly wait_seconds=20
# Well under the test's CTest timeout, so that the cleanup always runs.
readonly time_limit=150

# The refusal case reads the window through the accessibility bus: it runs
# on a session bus of its own, with Qt's accessibility switched on.
if [[ $case_name =~ ^(refusal|alive)$ && ${TAVREL_TEST_OWN_BUS:-} != 1 ]]; then
  TAVREL_TEST_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

tmp=$(mktemp -d)
mount_point='' fuseiso_pid=''
source "$here/common.sh"
start_watchdog

cleanup() {
  # A program waiting on a stopped disc ends only once the disc answers.
  [[ -z $fuseiso_pid ]] || kill -CONT "$fuseiso_pid" 2>/dev/null || true
  stop_processes
  if [[ -n $mount_point ]] && mountpoint -q "$mount_point"; then
    fusermount -u "$mount_point" 2>/dev/null || fusermount -uz "$mount_point" 2>/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# CD-ROMs (and mounted disc images) that hold the marker bravo.bmp at their
# root, as the program's start-up scan would find them.
marker_discs() {
  local device place type rest
  while read -r device place type rest; do
    case $type in
      iso9660 | udf | fuse.fuseiso)
        place=$(printf '%b' "$place") # the mount table writes a blank as \040
        if ls -- "$place" 2>/dev/null | grep -qix 'bravo.bmp'; then echo "$place"; fi
        ;;
    esac
  done </proc/mounts
}

# Sends the signal to the program, which must end within the time allowed,
# with status 0.
end_with_signal() {
  local signal=$1 what=$2 status=0 limit=$((SECONDS + wait_seconds))
  kill -"$signal" "$run_pid"
  while program_alive; do
    ((SECONDS < limit)) || fail "the program still runs $wait_seconds seconds after $what"
    sleep 0.1
  done
  wait "$run_pid" || status=$?
  run_pid=''
  ((status == 0)) || fail "the program ended with status $status after $what"
}

# Starts the program with the arguments given.
start_program() {
  (cd "$tmp" && exec "$run" "$@") >"$tmp/run.log" 2>&1 &
  run_pid=$!
}

# The window's client area on the screen; no window manager runs, so the
# window has no frame.
window_origin() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  win_x=$X win_y=$Y
}

readonly optPatient='8640 0 1095 375'
readonly OptNormal='10080 1560 1215 375'
readonly OptExtreme='10080 2520 1215 375'
readonly OptTresDiff='10080 2160 1215 375'
readonly opt10sec='10200 3240 1095 375'

# Starts the program with the arguments given: it opens its window without
# the drive question (which the reason given rules out), shows a picture of
# :\mainDGfacile\ after a click on the start button, and ends on cmdExit.
run_without_question() {
  local reason=$1 first
  shift
  start_display
  start_program "$@"
  first=$(wait_for_window "$main_title|$box_title" "window")
  [[ -z $(find_window "$box_title") ]] || fail "the drive question was asked although $reason"
  window_origin "$first"
  expect_first_picture_from_mainDGfacile
  quit_with_cmdExit
}

# Mounts the demo disc's image as a disc at $mount_point, with fuseiso.
mount_image() {
  [[ -f $image ]] || fail "no disc image at $image"
  command -v fuseiso >/dev/null || skip "fuseiso is not installed"
  [[ -e /dev/fuse ]] || skip "no /dev/fuse: disc images cannot be mounted here"
  mount_point=$tmp/cdrom
  mkdir "$mount_point"
  fuseiso "$image" "$mount_point" 2>"$tmp/fuseiso.log" ||
    { mount_point=''; skip "fuseiso cannot mount here: $(cat "$tmp/fuseiso.log")"; }
}

case_mounted() {
  mount_image
  # The image keeps every name of the disc, long and mixed-case.
  diff <(cd "$disc" && find . | sort) <(cd "$mount_point" && find . | sort) >"$tmp/names.diff" ||
    fail "the mounted image does not hold the disc's names: $(cat "$tmp/names.diff")"

  run_without_question "the disc image is mounted"
}

case_alive() {
  [[ -x ${X_PROBER:-} ]] || fail "no prober given in X_PROBER"
  mount_image
  fuseiso_pid=$(pgrep -n -f "fuseiso $image $mount_point") || fail "no fuseiso process for the image"
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XDG_DATA_HOME=$tmp/data
  readonly history=$tmp/data/tavrel/resultats.csv
  start_display
  /usr/bin/python3 "$here/accessible.py" ready
  start_program
  local main
  main=$(wait_for_window "$main_title|$box_title" "window")
  [[ -z $(find_window "$box_title") ]] || fail "the drive question was asked although the disc image is mounted"
  window_origin "$main"

  # Phase 1 at the normal pace: a picture every 3 s. Three right answers,
  # then a wrong one, each given while its picture is on screen, as a
  # person does, some time after it appeared.
  click_control $cmdOnOff
  local seen='' number key answers=0 numbers=() keys=()
  while ((answers < 4)); do
    seen=$(wait_for_next_picture "$seen")
    number=${seen##* }
    if (((number > 10) == (answers < 3))); then key=Right; else key=Left; fi
    sleep 0.2
    xdotool key "$key"
    answers=$((answers + 1))
    numbers+=("$number") keys+=("$key")
  done
  # The fifth picture: a key pressed as soon as « La réponse correcte était »
  # shows its side, 2.8 s after the picture, answers nothing, neither this
  # picture nor the next; the sixth picture is answered right.
  seen=$(wait_for_next_picture "$seen")
  numbers+=("${seen##* }") keys+=(Left)
  "$X_PROBER" changed $((win_x + 2400 / 15)) $((win_y + 6600 / 15)) 73 25 5 ||
    fail "the correct side was not displayed within 5 s of the picture"
  xdotool key Left
  seen=$(wait_for_next_picture "$seen")
  number=${seen##* }
  if ((number > 10)); then key=Right; else key=Left; fi
  sleep 0.2
  xdotool key "$key"
  numbers+=("$number") keys+=("$key")

  # At 10 s a picture, the answer comes after a wait of 9.8 s.
  click_control $opt10sec
  seen=$(wait_for_next_picture "$seen")
  "$X_PROBER" ping "$main" 7 >"$tmp/ping.log" 2>&1 &
  local prober=$!
  sleep 1
  "$X_PROBER" cover "$win_x" "$win_y" 400 300 300
  # A window that waits out the 9.8 s without its event loop would leave
  # the hole for seconds; a busy machine may take a few hundred ms.
  local repainted=no tries
  for tries in {1..10}; do
    sleep 0.1
    if [[ $(picture_on_screen) == "$seen" ]]; then repainted=yes; break; fi
  done
  [[ $repainted == yes ]] || fail "the picture was not painted again within a second of being uncovered"
  click_control $cmdOnOff
  sleep 1
  [[ ! -e $history ]] || fail "the click on the start button was handled during the wait"
  wait "$prober" || fail "liveness pings during the wait: $(cat "$tmp/ping.log")"
  echo "during the wait: $(cat "$tmp/ping.log")"
  wait_until_accessible buttons "the exercise stopped once, after the wait" "Démarrer l'exercice"$'\t'"Alt+D"
  [[ -f $history ]] || fail "no history file at $history"
  [[ $(stat -c %a "$history") == 600 && $(stat -c %a "$(dirname "$history")") == 700 ]] ||
    fail "the history is readable by others"
  local lines
  mapfile -t lines < <(tr -d '\r' <"$history")
  [[ ${#lines[@]} -eq 2 ]] || fail "the history holds ${#lines[@]} lines, not a header and one line"
  echo "saved: ${lines[1]}"
  # The exercise at 3 s a picture; the one picture at 10 s, the pace
  # changed, made an exercise of its own, without keys, not saved.
  [[ ${lines[1]} =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}\;\;mains\;1\;3000\;1\;[67]\;5\;4\;[0-9]+\;[0-9]+\;$uuid$ ]] ||
    fail "the saved line is not that of the exercise: ${lines[1]}"
  check_answer_lines "${lines[1]%%;*}" "$(cut -d';' -f7 <<<"${lines[1]}")"
  check_side_figures

  # A key pressed once the correct side shows, at 1 s a picture, and held
  # down across three pictures (the first comes at the pace of the last
  # exercise): one press, which answers nothing, however often the keyboard
  # repeats it.
  click_control $OptTresDiff
  click_control $cmdOnOff
  seen=$(wait_for_next_picture "$seen")
  "$X_PROBER" changed $((win_x + 2400 / 15)) $((win_y + 6600 / 15)) 73 25 5 ||
    fail "the correct side was not displayed at 1 s a picture"
  xdotool keydown Right
  local changes
  for changes in 1 2 3; do seen=$(wait_for_next_picture "$seen"); done
  xdotool keyup Right
  click_control $cmdOnOff
  wait_until_accessible buttons "the stop of the exercise with a held key" "Démarrer l'exercice"$'\t'"Alt+D"
  mapfile -t lines < <(tr -d '\r' <"$history")
  echo "held key: ${lines[-1]}"
  [[ ${#lines[@]} -eq 3 && $(cut -d';' -f4,5,8 <<<"${lines[-1]}") == '1;1000;0' ]] ||
    fail "a key held from the correct side across three pictures answered: ${lines[-1]}"
  local held
  held=$(grep -c ';droite;[0-9]*;réponse déjà affichée;' "$tmp/data/tavrel/reponses.csv" || true)
  ((held == 1)) || fail "reponses.csv holds $held keys pressed once the side was shown, not 1"

  # The disc stalls in the middle of an exercise at 500 ms a picture. The
  # new exercise's first picture comes at the pace of the last one. The
  # pictures its ticks could not show while the disc stalled never reached
  # the screen and are not counted; once the disc answers again they come
  # at the pace, and count.
  click_control $OptExtreme
  click_control $cmdOnOff
  seen=$(wait_for_next_picture "$seen")
  local began=$EPOCHREALTIME
  kill -STOP "$fuseiso_pid"
  "$X_PROBER" ping "$main" 3 >"$tmp/ping.log" 2>&1 || fail "liveness pings while the disc stalls: $(cat "$tmp/ping.log")"
  [[ $(picture_on_screen) == none ]] || fail "a picture stays on screen while the disc stalls"
  kill -CONT "$fuseiso_pid"
  local answering=$EPOCHREALTIME
  seen=$(wait_for_next_picture '')
  echo "the disc answers again: $seen"
  sleep 0.2
  xdotool key Right
  sleep 2
  click_control $cmdOnOff
  local stalled=$(((${answering/./} - ${began/./}) / 1000)) after=$(((${EPOCHREALTIME/./} - ${answering/./}) / 1000))
  wait_until_accessible buttons "the stop of the exercise" "Démarrer l'exercice"$'\t'"Alt+D"
  mapfile -t lines < <(tr -d '\r' <"$history")
  local pictures
  pictures=$(cut -d';' -f7 <<<"${lines[-1]}")
  echo "the disc stalled $stalled ms; $after ms after it answered again; $pictures pictures on screen"
  # Besides those after: one or two before the stall, and the one that was
  # waiting for the disc when it answered.
  ((pictures >= after / 500 - 1 && pictures <= after / 500 + 4)) ||
    fail "not the pictures that reached the screen at the pace: ${lines[-1]}"

  # A slow disc: with "Patient" ticked, at the normal pace, the patient's
  # set answers 1.5 s after the click on the start button. It is not
  # refused as empty, and the patient's pictures show.
  kill -STOP "$fuseiso_pid"
  click_control $optPatient
  click_control $OptNormal
  click_control $cmdOnOff
  sleep 1.5
  kill -CONT "$fuseiso_pid"
  seen=$(wait_for_next_picture '')
  [[ -z $(find_window "$box_title") ]] || fail "a slow disc was refused: $(/usr/bin/python3 "$here/accessible.py" dialog-texts "$run_pid")"
  [[ $seen =~ ^PatientDG ]] || fail "after a slow disc the screen shows '$seen', not the patient's picture"
  echo "after a slow disc: $seen"

  # The system stops the program (SIGTERM) during this exercise: the
  # exercise is saved before the program goes.
  local before=${#lines[@]}
  sleep 0.2
  xdotool key Left
  sleep 0.2
  end_with_signal TERM "SIGTERM"
  mapfile -t lines < <(tr -d '\r' <"$history")
  echo "stopped by SIGTERM: ${lines[-1]}"
  [[ ${#lines[@]} -eq $((before + 1)) && $(cut -d';' -f3,8 <<<"${lines[-1]}") == 'patient;1' ]] ||
    fail "the exercise under way was not saved when the program was stopped: ${lines[-1]}"

  # Started while the disc stalls: the drive does not answer, and the
  # question comes within the probe's limit.
  kill -STOP "$fuseiso_pid"
  start_program
  wait_for_window "$box_title" "drive question" >/dev/null
  kill -CONT "$fuseiso_pid"
}

# The lines of reponses.csv of the first exercise of the alive case, one per
# picture: the four answered (numbers and keys known), the fifth with its key
# left out, pressed once the side was shown, the sixth answered, then the
# unanswered.
check_answer_lines() {
  local date=$1 pictures=$2 answers_file=$tmp/data/tavrel/reponses.csv lines i fields side answer
  [[ $(stat -c %a "$answers_file") == 600 ]] || fail "reponses.csv is readable by others"
  mapfile -t lines < <(tr -d '\r' <"$answers_file")
  [[ ${lines[0]} == $'\xEF\xBB\xBF'"date;patient;ordre;partie;jeu;image;côté;réponse;juste;temps_ms;touche_écartée;écartée_ms;motif;exercice" ]] ||
    fail "reponses.csv's header: ${lines[0]}"
  ((${#lines[@]} == pictures + 1)) || fail "reponses.csv holds ${#lines[@]} lines for $pictures pictures"
  for ((i = 1; i <= pictures; i++)); do
    IFS=';' read -r -a fields <<<"${lines[i]};"
    [[ ${fields[0]} == "$date" && -z ${fields[1]} && ${fields[2]} == "$i" && ${fields[3]} == mains &&
      ${fields[4]} == mainDG* && ${fields[13]} =~ ^$uuid$ ]] || fail "answer line $i is not that of the exercise: ${lines[i]}"
    side=gauche answer=gauche
    ((i <= ${#numbers[@]})) && ((numbers[i - 1] > 10)) && side=droite
    ((i <= ${#keys[@]})) && [[ ${keys[i - 1]} == Right ]] && answer=droite
    if ((i == 5)); then
      [[ ${fields[5]} == "${numbers[i - 1]}" && -z ${fields[7]}${fields[8]}${fields[9]} && ${fields[10]} == gauche &&
        ${fields[11]} =~ ^2[89][0-9][0-9]$ && ${fields[12]} == "réponse déjà affichée" ]] ||
        fail "answer line $i is not picture ${numbers[i - 1]} with a key left out 2.8 s to 3 s after it: ${lines[i]}"
    elif ((i <= 6)); then
      [[ ${fields[5]} == "${numbers[i - 1]}" && ${fields[6]} == "$side" && ${fields[7]} == "$answer" &&
        ${fields[8]} == $((i == 4 ? 0 : 1)) && ${fields[9]} =~ ^[0-9]+$ && ${fields[9]} -ge 150 &&
        -z ${fields[10]}${fields[11]}${fields[12]} ]] ||
        fail "answer line $i is not picture ${numbers[i - 1]} answered $answer: ${lines[i]}"
    else
      [[ -z ${fields[7]}${fields[8]}${fields[9]}${fields[10]} ]] || fail "answer line $i has an answer: ${lines[i]}"
    fi
  done
  echo "reponses.csv: ${#lines[@]} lines as the exercise went"
}

# F2: the results window shows the first exercise's figures per side, read
# through the accessibility bus and compared with what reponses.csv holds.
check_side_figures() {
  xdotool key F2
  local results expected
  results=$(wait_for_window '^Résultats — Tavrel$' "results window")
  expected=$(tr -d '\r' <"$tmp/data/tavrel/reponses.csv" | /usr/bin/python3 -c '
import statistics, sys
rows = [l.split(";") for l in sys.stdin.read().splitlines()[1:]]
for name, side in (("Gauche", "gauche"), ("Droite", "droite"), ("Les deux", None)):
    shown = [r for r in rows if side in (None, r[6])]
    answered = [r for r in shown if r[7]]
    correct = "%d %%" % round(100 * sum(r[8] == "1" for r in answered) / len(answered)) if answered else "—"
    median = "%d ms" % int(statistics.median(int(r[9]) for r in answered) + 0.5) if answered else "—"
    print(f"{name}\t{len(answered)} sur {len(shown)}\t{correct}\t{median}")')
  wait_until_accessible sides "the figures per side" "$(head -n 1 <<<"$expected")"
  local shown
  shown=$(/usr/bin/python3 "$here/accessible.py" sides "$run_pid")
  [[ $shown == "$expected" ]] || fail "the results window shows per side:"$'\n'"$shown"$'\n'"not:"$'\n'"$expected"
  grep -qx $'Les deux\t5 sur [67]\t80 %\t[0-9]* ms' <<<"$shown" || fail "both sides: $shown"
  echo "per side:"$'\n'"$shown"
  "$X_PROBER" close "$results"
  wait_for_window_gone '^Résultats — Tavrel$' "the results window"
}

# Answers the drive question that comes when no disc is mounted with the
# folder, and finds the main window.
answer_drive_question_with() {
  local found
  found=$(marker_discs)
  [[ -z $found ]] || skip "a CD-ROM holding bravo.bmp is mounted ($found): the drive question would not come"

  start_display
  start_program
  wait_for_window "$main_title|$box_title" "window" >/dev/null
  if [[ -z $(find_window "$box_title") ]]; then
    found=$(marker_discs)
    [[ -z $found ]] || skip "a CD-ROM holding bravo.bmp was mounted meanwhile ($found)"
    fail "no drive question although no disc is mounted"
  fi
  answer_box "$(find_window "$box_title")" "$1"
  local main
  main=$(wait_for_window "$main_title" "main window")
  window_origin "$main"
}

case_folder() {
  answer_drive_question_with "$disc"
  expect_first_picture_from_mainDGfacile
  quit_with_cmdExit
}

# The disc's folder on the command line, and two computers, the clinic's and
# the patient's: each a run with its own private folder and computer name and
# the same results folder (--resultats), their clocks frozen on the same
# second (libfaketime), each saving an exercise answered by a key, the
# clinic's right, the home's wrong. The home's reponses-MAISON.csv cannot be
# written at its save (a folder in its place): the exercise's line reaches
# resultats-MAISON.csv and its pictures wait in the journal; the box that
# says so is open when Ctrl+C (SIGINT) comes, and the program ends cleanly,
# status 0. Once the file can be written, the next start writes the
# pictures. Both files of both computers are then checked line by line, each
# exercise once, tied by its identity, and the rows of the report written
# without a window give each exercise its own figures.
case_argument() {
  local shared="$tmp/dossier partagé" computer first seen number key faketime
  faketime=$(find /usr/lib -name libfaketime.so.1 2>/dev/null | head -n 1)
  [[ -n $faketime ]] || fail "libfaketime is not installed (Debian package faketime)"
  mkdir "$shared" "$shared/reponses-MAISON.csv"
  start_display
  for computer in CABINET MAISON; do
    mkdir -p "$tmp/data-$computer/tavrel"
    printf 'Zoé Lefèvre\n' >"$tmp/data-$computer/tavrel/patient.txt"
    XDG_DATA_HOME=$tmp/data-$computer TAVREL_ORDINATEUR=$computer LD_PRELOAD=$faketime \
      FAKETIME='2026-12-07 23:24:55' DONT_FAKE_MONOTONIC=1 start_program --resultats "$shared" "$disc"
    first=$(wait_for_window "$main_title|$box_title" "window")
    [[ -z $(find_window "$box_title") ]] || fail "the drive question was asked although the disc's folder was given"
    window_origin "$first"
    click_control $cmdOnOff
    seen=$(wait_for_picture)
    [[ $seen =~ ^mainDGfacile\ ([0-9]+)$ ]] || fail "after the start the screen shows '$seen'"
    number=${seen##* }
    local correct=1
    [[ $computer == CABINET ]] || correct=0
    if (((number > 10) == correct)); then key=Right; else key=Left; fi
    eval "number_$computer=$number"
    sleep 0.2
    xdotool key "$key"
    sleep 0.3
    if [[ $computer == CABINET ]]; then
      quit_with_cmdExit
      continue
    fi
    # Stopped: the exercise is saved, and the box says that its pictures
    # wait. Ctrl+C while it is open ends the program after saving.
    click_control $cmdOnOff
    wait_for_window "$box_title" "the message that reponses-MAISON.csv cannot be written" >/dev/null
    end_with_signal INT "Ctrl+C with a box open"
    [[ $(ls "$tmp/data-MAISON/tavrel/journal" | wc -l) -eq 1 ]] || fail "the journal does not keep the exercise's pictures"
  done
  [[ $(grep -c . "$shared/resultats-MAISON.csv") -eq 2 ]] || fail "resultats-MAISON.csv: $(cat "$shared/resultats-MAISON.csv")"

  # The file can be written again: the next start writes what waited.
  rmdir "$shared/reponses-MAISON.csv"
  XDG_DATA_HOME=$tmp/data-MAISON TAVREL_ORDINATEUR=MAISON start_program --resultats "$shared" "$disc"
  window_origin "$(wait_for_window "$main_title" "window")"
  quit_with_cmdExit
  [[ -z $(ls "$tmp/data-MAISON/tavrel/journal") ]] || fail "the journal still holds the exercise"

  local ids=()
  for computer in CABINET MAISON; do
    local lines answers fields
    mapfile -t lines < <(tr -d '\r' <"$shared/resultats-$computer.csv")
    [[ ${#lines[@]} -eq 2 && ${lines[1]} =~ ^2026-12-07T23:24:55\;Zoé\ Lefèvre\;mains\;.*\;1\;1\;[01]\;[0-9]+\;[0-9]+\;($uuid)$ ]] ||
      fail "resultats-$computer.csv does not hold the exercise once: ${lines[*]}"
    ids+=("${BASH_REMATCH[1]}")
    local right=1
    [[ $computer == CABINET ]] || right=0
    [[ ${lines[1]} =~ \;1\;1\;$right\;[0-9]+\;[0-9]+\;$uuid$ ]] ||
      fail "resultats-$computer.csv: not the exercise's figures: ${lines[1]}"
    [[ $(stat -c %a "$shared/resultats-$computer.csv") == 600 ]] || fail "resultats-$computer.csv is readable by others"
    mapfile -t answers < <(tr -d '\r' <"$shared/reponses-$computer.csv")
    local i count=$((${#answers[@]} - 1))
    ((count >= 1)) || fail "reponses-$computer.csv holds no picture"
    for ((i = 1; i <= count; i++)); do
      IFS=';' read -r -a fields <<<"${answers[i]};"
      [[ ${fields[0]} == 2026-12-07T23:24:55 && ${fields[1]} == "Zoé Lefèvre" && ${fields[2]} == "$i" &&
        ${fields[13]} == "${ids[-1]}" ]] || fail "reponses-$computer.csv line $i is not its exercise's: ${answers[i]}"
    done
    number=number_$computer
    IFS=';' read -r -a fields <<<"${answers[1]};"
    [[ ${fields[5]} == "${!number}" && ${fields[8]} == $([[ $computer == CABINET ]] && echo 1 || echo 0) ]] ||
      fail "reponses-$computer.csv's first picture is not the one answered: ${answers[1]}"
    echo "$computer: $count pictures, exercise ${ids[-1]}"
  done
  [[ ${ids[0]} != "${ids[1]}" ]] || fail "the two computers' exercises have the same identity"
  [[ -z $(find "$tmp/data-CABINET" "$tmp/data-MAISON" -name 'resultats*.csv') ]] ||
    fail "a computer wrote its results into its private folder too"

  XDG_DATA_HOME=$tmp/data-CABINET TAVREL_ORDINATEUR=CABINET \
    "$run" --bilan "$tmp/bilan.html" --patient "Zoé Lefèvre" --resultats "$shared" >"$tmp/bilan.log" 2>&1 ||
    fail "--bilan failed: $(cat "$tmp/bilan.log")"
  grep -q "(2 exercices)" "$tmp/bilan.log" || fail "--bilan said: $(cat "$tmp/bilan.log")"
  grep -q "CABINET (cet ordinateur) : 1, MAISON : 1" "$tmp/bilan.html" ||
    fail "the report does not say that the exercises came from both computers"
  # Two rows of the same second, one 100 % and one 0 % on the side answered.
  local rows
  rows=$(grep -o '<tr><td>07/12/2026 23:24</td>.*</tr>' "$tmp/bilan.html" |
    sed -E 's/<[^>]*>/|/g; s/\|+/|/g' | cut -d'|' -f8-10 | sort)
  [[ $(wc -l <<<"$rows") -eq 2 && $rows == *"0 %"* && $rows == *"100 %"* ]] ||
    fail "the report's rows do not give each exercise its own figures: $rows"
  echo "report rows (all, left, right):"$'\n'"$rows"
}

# The colours of the patient's photographs, and the one on screen at three
# points of the top rows of the picture, or "none".
readonly patient_colours=('200 40 40' '40 160 60' '50 70 210')
patient_photograph_on_screen() {
  import -window root "$tmp/screen.png"
  local x pixels=() colour channel
  for x in 4 24 44; do
    # "0,0: (200,40,40)  #C82828  srgb(200,40,40)"
    pixels+=("$(convert "$tmp/screen.png" -crop "1x1+$((win_x + x))+$((win_y + 4))" -depth 8 txt:- |
      grep -o '([0-9]*,[0-9]*,[0-9]*' | head -n 1 | tr '(,' '  ')")
  done
  for colour in "${patient_colours[@]}"; do
    local expected=($colour) matches=1 pixel
    for pixel in "${pixels[@]}"; do
      local seen=($pixel)
      [[ ${#seen[@]} -eq 3 ]] || { matches=0; break; }
      for channel in 0 1 2; do
        local difference=$((seen[channel] - expected[channel]))
        ((difference <= 30 && difference >= -30)) || matches=0
      done
    done
    if ((matches)); then
      echo "$colour"
      return
    fi
  done
  echo none
}

case_patient() {
  [[ -x $patient_tool ]] || fail "no tavrel-patient at '$patient_tool'"
  local copy=$tmp/disque-du-patient i photographs=()
  cp -r "$disc" "$copy"
  for i in 0 1 2; do
    convert -size 1200x900 "xc:rgb(${patient_colours[i]// /,})" "$tmp/photo$i.jpg"
    photographs+=("$tmp/photo$i.jpg")
  done
  # the demo disc's own patient set is replaced
  "$patient_tool" --disc "$copy" --set PatientDGfacile --remplacer "${photographs[@]}" >"$tmp/patient.log" 2>&1 ||
    fail "tavrel-patient failed: $(cat "$tmp/patient.log")"

  answer_drive_question_with "$copy"
  click_control $optPatient
  [[ $(patient_photograph_on_screen) == none ]] || fail "a photograph of the patient is on screen before the start"
  click_control $cmdOnOff
  local seen limit=$((SECONDS + wait_seconds))
  while [[ $(patient_photograph_on_screen) == none ]]; do
    program_alive || fail "the program ended while waiting for the patient's photograph"
    ((SECONDS < limit)) || fail "no photograph of the patient on screen within $wait_seconds seconds"
    sleep 0.3
  done
  echo "shown: the photograph of colour $(patient_photograph_on_screen)"
  quit_with_cmdExit
}

# Asks the accessibility bus again and again until one line of its answer is
# the one expected.
wait_until_accessible() {
  local command=$1 what=$2 expected=$3 answer='' limit=$((SECONDS + wait_seconds))
  while ((SECONDS < limit)); do
    answer=$(/usr/bin/python3 "$here/accessible.py" "$command" "$run_pid" 2>/dev/null || true)
    grep -qxF -- "$expected" <<<"$answer" && return
    program_alive || fail "the program ended while waiting for $what"
    sleep 0.3
  done
  fail "no $what; the accessibility bus shows: $answer"
}

case_refusal() {
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  start_display
  /usr/bin/python3 "$here/accessible.py" ready
  start_program
  wait_for_window "$main_title|$box_title" "window" >/dev/null
  # Found or not, the disc plays no part here: answer the question if it comes.
  if [[ -n $(find_window "$box_title") ]]; then
    answer_box "$(find_window "$box_title")" "$disc"
  fi
  local main
  main=$(wait_for_window "$main_title" "main window")
  window_origin "$main"

  click_control $optMain
  click_control $cmdOnOff
  local box
  box=$(wait_for_window "$box_title" "refusal message")
  wait_until_accessible dialog-texts "the refusal message" \
    "choisissez les options mains,pieds,visage ou patient, puis choisissez les options identifier D G ou Imaginer faire le mouvement ou Faire le mouvement, merci "
  xdotool windowfocus --sync "$box" key Return
  wait_for_window_gone "$box_title" "the refusal message"
  # the caption without its "&", and the access key the "&" gives
  wait_until_accessible buttons "the start button's caption \"&Débuter l'exercice\"" "Débuter l'exercice"$'\t'"Alt+D"
  [[ $(picture_on_screen) == none ]] || fail "a picture was shown although no body part is checked"
  # The refusal stopped the exercise: the next ticks ask nothing more.
  sleep 2.5
  [[ -z $(find_window "$box_title") ]] || fail "the refusal message came again"
  quit_with_cmdExit
}

case $case_name in
  mounted) case_mounted ;;
  folder) case_folder ;;
  refusal) case_refusal ;;
  argument) case_argument ;;
  alive) case_alive ;;
  patient) case_patient ;;
  *) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
