#!/usr/bin/env bash
# Whole-program tests: the real program on a virtual X server (Xvfb), used
# with real input events (xdotool) as a person would use it.
#
#   whole_program_test.sh CASE RUN DISC_FOLDER DISC_IMAGE READ_MARK
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
readonly run disc image read_mark
readonly here=$(cd "$(dirname "$0")" && pwd)
readonly main_title='^Clinique Antidouleur de Valbrune$'
readonly box_title='^Tavrel$'
readonly wait_seconds=20
# Well under the test's CTest timeout, so that the cleanup always runs.
readonly time_limit=150

# The refusal case reads the window through the accessibility bus: it runs
# on a session bus of its own, with Qt's accessibility switched on.
if [[ $case_name == refusal && ${TAVREL_TEST_OWN_BUS:-} != 1 ]]; then
  TAVREL_TEST_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi

tmp=$(mktemp -d)
mount_point=''
source "$here/common.sh"
start_watchdog

cleanup() {
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

start_program() {
  (cd "$tmp" && exec "$run") >"$tmp/run.log" 2>&1 &
  run_pid=$!
}

# The window's client area on the screen; no window manager runs, so the
# window has no frame.
window_origin() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  win_x=$X win_y=$Y
}

expect_first_picture_from_mainDGfacile() {
  local before after
  before=$(picture_on_screen)
  [[ $before == none ]] || fail "a picture ($before) is on screen before the start"
  click_control $cmdOnOff
  after=$(wait_for_picture)
  [[ $after =~ ^mainDGfacile\ ([0-9]+)$ ]] ||
    fail "after the start the screen shows '$after', not a picture of mainDGfacile"
  echo "shown: $after"
}

case_mounted() {
  [[ -f $image ]] || fail "no disc image at $image"
  command -v fuseiso >/dev/null || skip "fuseiso is not installed"
  [[ -e /dev/fuse ]] || skip "no /dev/fuse: disc images cannot be mounted here"
  mount_point=$tmp/cdrom
  mkdir "$mount_point"
  fuseiso "$image" "$mount_point" 2>"$tmp/fuseiso.log" ||
    { mount_point=''; skip "fuseiso cannot mount here: $(cat "$tmp/fuseiso.log")"; }
  # The image keeps every name of the disc, long and mixed-case.
  diff <(cd "$disc" && find . | sort) <(cd "$mount_point" && find . | sort) >"$tmp/names.diff" ||
    fail "the mounted image does not hold the disc's names: $(cat "$tmp/names.diff")"

  start_display
  start_program
  local first
  first=$(wait_for_window "$main_title|$box_title" "window")
  [[ -z $(find_window "$box_title") ]] || fail "the drive question was asked although the disc image is mounted"
  window_origin "$first"
  expect_first_picture_from_mainDGfacile
  quit_with_cmdExit
}

case_folder() {
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
  answer_box "$(find_window "$box_title")" "$disc"
  local main
  main=$(wait_for_window "$main_title" "main window")
  window_origin "$main"
  expect_first_picture_from_mainDGfacile
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
  *) fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
