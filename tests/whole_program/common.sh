# Shared by the whole-program tests (sourced): a virtual X server, a
# watchdog, waiting for the program's windows, clicks on the controls, the
# picture on screen. The sourcing script sets tmp (its scratch folder),
# wait_seconds, time_limit and read_mark (the demo disc's mark reader)
# first; it keeps the program's process id in run_pid and the window's
# client area origin on the screen in win_x and win_y.

readonly skipped=77
# An exercise's identity in the history files.
readonly uuid='[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}'
xvfb_pid='' run_pid='' watchdog_pid=''

# Ends the test if it has not ended by itself within time_limit seconds. The
# watchdog's sleep goes when the watchdog goes, so that nothing keeps the
# test's output open after the end.
start_watchdog() {
  (
    trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
    sleep "$time_limit" &
    sleeper=$!
    wait "$sleeper"
    echo "FAIL: no end within $time_limit seconds" >&2
    kill -TERM $$
  ) &
  watchdog_pid=$!
}

# Ends the watchdog, the program and the X server, whatever state they are in.
stop_processes() {
  local pid
  [[ -z $watchdog_pid ]] || kill "$watchdog_pid" 2>/dev/null || true
  for pid in $run_pid $xvfb_pid; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
      kill -9 "$pid" 2>/dev/null || true
    fi
  done
}

fail() {
  echo "FAIL: $*" >&2
  if [[ -s $tmp/run.log ]]; then
    echo "--- program output:" >&2
    cat "$tmp/run.log" >&2
  fi
  exit 1
}

skip() {
  echo "SKIPPED: $*"
  exit "$skipped"
}

program_alive() { [[ -n $run_pid ]] && kill -0 "$run_pid" 2>/dev/null; }

# The id of the first visible window whose title matches, or nothing.
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true; }

# Waits for a window whose title matches; prints its id.
wait_for_window() {
  local title=$1 what=$2 id limit=$((SECONDS + wait_seconds))
  while ((SECONDS < limit)); do
    id=$(find_window "$title")
    if [[ -n $id ]]; then
      echo "$id"
      return
    fi
    program_alive || fail "the program ended while waiting for $what"
    sleep 0.2
  done
  fail "no $what within $wait_seconds seconds"
}

wait_for_window_gone() {
  local title=$1 what=$2 limit=$((SECONDS + wait_seconds))
  while [[ -n $(find_window "$title") ]]; do
    ((SECONDS < limit)) || fail "$what still open after $wait_seconds seconds"
    sleep 0.2
  done
}

# A virtual X server of the size given (1024x768 by default), as DISPLAY.
start_display() {
  # -noreset: a program started right after the last one ended must not meet
  # the server while it starts again.
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -nolisten tcp -noreset 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
  xvfb_pid=$!
  local limit=$((SECONDS + wait_seconds))
  until [[ -s $tmp/display ]]; do
    kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
    ((SECONDS < limit)) || fail "Xvfb gave no display number"
    sleep 0.1
  done
  export DISPLAY=":$(head -n 1 "$tmp/display")"
}

# Clicks the middle of a control placed in twips as in the control table:
# left, top, width, height; 15 twips make one pixel.
click_control() {
  local x=$((win_x + ($1 + $3 / 2) / 15)) y=$((win_y + ($2 + $4 / 2) / 15)) X Y SCREEN WINDOW
  # A move to where the pointer already is would wait for ever for its end.
  eval "$(xdotool getmouselocation --shell)"
  if ((X != x || Y != y)); then xdotool mousemove --sync "$x" "$y"; fi
  xdotool click 1
}
readonly optMain='5880 0 855 375'
readonly cmdOnOff='6480 7080 4815 855'
readonly cmdExit='4200 7320 2175 615'

# The set and number of the demo picture on screen ("mainDGfacile 7"), or
# "none".
picture_on_screen() {
  import -window root "$tmp/screen.png"
  "$read_mark" "$tmp/screen.png" "$win_x" "$win_y" || true
}

wait_for_picture() {
  local seen limit=$((SECONDS + wait_seconds))
  while ((SECONDS < limit)); do
    seen=$(picture_on_screen)
    if [[ $seen != none ]]; then
      echo "$seen"
      return
    fi
    program_alive || fail "the program ended while waiting for a picture"
    sleep 0.3
  done
  echo none
}

# Waits for a picture other than the one given; prints it.
wait_for_next_picture() {
  local seen limit=$((SECONDS + wait_seconds))
  while ((SECONDS < limit)); do
    seen=$(picture_on_screen)
    if [[ $seen != none && $seen != "$1" ]]; then
      echo "$seen"
      return
    fi
    program_alive || fail "the program ended while waiting for a picture"
    sleep 0.1
  done
  fail "no new picture within $wait_seconds seconds"
}

# Types the text into the window that has the keyboard focus, then Enter.
answer_box() {
  xdotool windowfocus --sync "$1"
  xdotool type --delay 15 -- "$2"
  xdotool key Return
}

# A click on the start button, with no picture on screen before it, brings a
# picture of :\mainDGfacile\.
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

# The quit button ends the program at once, with status 0 when the test
# started it itself (not through the system's shell, which does not wait).
quit_with_cmdExit() {
  click_control $cmdExit
  local limit=$((SECONDS + wait_seconds))
  while program_alive; do
    ((SECONDS < limit)) || fail "the program still runs $wait_seconds seconds after the click on cmdExit"
    sleep 0.1
  done
  local status=0
  if [[ " $(jobs -p | tr '\n' ' ') " == *" $run_pid "* ]]; then wait "$run_pid" || status=$?; fi
  run_pid=''
  [[ $status -eq 0 ]] || fail "the program ended with status $status after the click on cmdExit"
}
