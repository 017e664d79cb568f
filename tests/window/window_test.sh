#!/usr/bin/env bash
# Starts the real tallyrally in a real X window (Xvfb with openbox), presses real keys with
# xdotool, screenshots the window and compares it pixel by pixel with the play tool's screenshot of
# the same moment, checks the saved files and the exit status. Usage: window_test.sh BIN_DIR
# Exit status: 0 passed, 1 failed, 77 skipped (no Xvfb or another X tool missing).
#
# The functions named wt_* are the harness; the walks at the end use them. The game runs in real
# time, so screens are compared only while they stand still.
set -u
bin="$(cd "${1:?usage: window_test.sh BIN_DIR}" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
note() { echo "window: $*"; }

# ---------------------------------------------------------------------------------------------
# The harness.

wt_xvfb_pid=""
wt_wm_pid=""
wt_game_pid=""
wt_game_status=""
wt_window=""
wt_window_time=""  # seconds since the epoch when the game's window was found

# Skips the whole test (status 77) when a tool it needs is not installed.
wt_require_tools() {
  local missing=()
  for tool in Xvfb openbox xdotool import compare; do
    command -v "$tool" > /dev/null 2>&1 || missing+=("$tool")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "SKIPPED: the real-window test needs ${missing[*]} (scripts/deps.sh installs xvfb, openbox, xdotool, imagemagick)"
    exit 77
  fi
  for program in tallyrally tallyrally-play tally-assets; do
    [ -x "$bin/$program" ] || { echo "FAIL: $bin/$program is not built"; exit 1; }
  done
}

# Starts Xvfb on a display number it finds free itself (-displayfd) with a 1280 x 720 x 24 screen,
# which the game's full-screen window fills exactly. Sets DISPLAY.
wt_start_x() {
  local numberFile="$work/display"
  : > "$numberFile"
  Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp 3> "$numberFile" > "$work/xvfb.log" 2>&1 &
  wt_xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$numberFile" ] && break
    kill -0 "$wt_xvfb_pid" 2> /dev/null || break
    sleep 0.1
  done
  [ -s "$numberFile" ] || { echo "FAIL: Xvfb did not start: $(cat "$work/xvfb.log")"; return 1; }
  export DISPLAY=":$(head -n1 "$numberFile")"
  note "Xvfb on $DISPLAY"
}

# Starts openbox, the window manager that places the full-screen window and turns Alt+F4 into the
# window's close request.
wt_start_wm() {
  HOME="$work" openbox > "$work/openbox.log" 2>&1 &
  wt_wm_pid=$!
  sleep 1
  kill -0 "$wt_wm_pid" 2> /dev/null || { echo "FAIL: openbox did not start: $(cat "$work/openbox.log")"; return 1; }
}

# Starts the game in the game folder DIR, on the X display, without a sound card.
wt_start_game() {
  local dir="$1"
  (cd "$dir" && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy exec "$bin/tallyrally") > "$work/game.log" 2>&1 &
  wt_game_pid=$!
  wt_game_status=""
}

# The size of window $1 as WIDTHxHEIGHT, or nothing when it is gone.
wt_window_size() {
  xdotool getwindowgeometry "$1" 2> /dev/null | tr -d ' ' | sed -n 's/^Geometry://p'
}

# Waits up to 30 s for the game's window to settle at 1280 x 720 (SDL may replace its first window
# while it looks for a renderer, so the same window must be found twice in a row), then gives it
# the focus.
wt_wait_window() {
  local seen="" found size=""
  wt_window=""
  for _ in $(seq 150); do
    found="$(xdotool search --onlyvisible --name '^Tally Rally$' 2> /dev/null | tail -n1)"
    size=""
    [ -n "$found" ] && size="$(wt_window_size "$found")"
    if [ -n "$found" ] && [ "$found" = "$seen" ] && [ "$size" = "1280x720" ]; then
      wt_window="$found"
      break
    fi
    seen="$found"
    kill -0 "$wt_game_pid" 2> /dev/null || break
    sleep 0.2
  done
  if [ -z "$wt_window" ]; then
    fail "no 1280 x 720 game window (last seen: '$seen' of '$size'): $(tail -5 "$work/game.log")"
    return 1
  fi
  wt_window_time="$(date +%s.%N)"
  xdotool windowactivate --sync "$wt_window" > /dev/null 2>&1 || xdotool windowfocus --sync "$wt_window" 2> /dev/null
}

# Sleeps until SECONDS (a real) have passed since the window was found.
wt_wait_until() {
  local left
  left="$(awk -v start="$wt_window_time" -v at="$1" -v now="$(date +%s.%N)" 'BEGIN { d = start + at - now; print (d > 0 ? d : 0) }')"
  sleep "$left"
}

# Presses keys one after another with real key events (xdotool key names: Return, Escape, Left,
# Right, Up, Down, Delete, BackSpace, space, a, x, KP_Add ...), DELAY ms apart.
wt_keys() {
  local delay="$1"
  shift
  xdotool key --delay "$delay" "$@"
}

# Types text as real key presses.
wt_type() { xdotool type --delay 120 "$1"; }

# Holds a key down for SECONDS.
wt_hold() {
  xdotool keydown "$1"
  sleep "$2"
  xdotool keyup "$1"
}

# Screenshot of the whole X screen, which the game's window covers, as a PNG.
wt_shot() { import -window root "$1"; }

# Runs the play tool on the script text SCRIPT with the game folder DIR, its shots going to SHOTS.
wt_play() {
  local dir="$1" shots="$2" script="$3"
  mkdir -p "$shots"
  printf '%s\n' "$script" > "$shots/script.txt"
  "$bin/tallyrally-play" --dir "$dir" --shots "$shots" "$shots/script.txt" > "$shots/play.log" 2>&1 ||
    fail "the play tool failed: $(tail -3 "$shots/play.log")"
}

# Prints the number of pixels that differ between two pictures (ImageMagick's absolute error).
wt_differing_pixels() {
  local out
  out="$(compare -metric AE "$1" "$2" null: 2>&1)"
  case "$out" in
    ''|*[!0-9.e+]*) echo "error: $out" ;;
    *) echo "$out" ;;
  esac
}

# Fails unless the real window's screenshot REAL and the play tool's SHOT are the same pixels.
wt_expect_same_screen() {
  local real="$1" shot="$2" what="$3" differing
  [ -s "$real" ] || { fail "$what: no screenshot of the window"; return; }
  [ -s "$shot" ] || { fail "$what: no play tool screenshot"; return; }
  differing="$(wt_differing_pixels "$real" "$shot")"
  if [ "$differing" = "0" ]; then
    note "$what: the window shows the play tool's screen exactly"
  else
    fail "$what: $differing pixels differ from the play tool's screen ($real, $shot)"
    compare "$real" "$shot" "$work/diff-${what// /-}.png" > /dev/null 2>&1
  fi
}

# Asks the game to close as the window's close button does (Alt+F4 through openbox), waits up to
# SECONDS for it to end and keeps its exit status in wt_game_status.
wt_close_game() {
  local seconds="${1:-15}"
  xdotool windowactivate --sync "$wt_window" > /dev/null 2>&1
  xdotool key alt+F4
  wt_wait_game_exit "$seconds"
}

# Waits up to SECONDS for the game to end by itself and keeps its exit status in wt_game_status;
# a game still running then is stopped and counts as a failure.
wt_wait_game_exit() {
  local seconds="$1"
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$wt_game_pid" 2> /dev/null || break
    sleep 0.1
  done
  if kill -0 "$wt_game_pid" 2> /dev/null; then
    fail "the game did not end within $seconds s"
    kill -TERM "$wt_game_pid" 2> /dev/null
  fi
  wait "$wt_game_pid"
  wt_game_status=$?
  wt_game_pid=""
}

# Stops whatever of the game, openbox and Xvfb this script started and is still running.
wt_stop_all() {
  for pid in "$wt_game_pid" "$wt_wm_pid" "$wt_xvfb_pid"; do
    [ -n "$pid" ] && kill -TERM "$pid" 2> /dev/null
  done
  for pid in "$wt_game_pid" "$wt_wm_pid" "$wt_xvfb_pid"; do
    [ -n "$pid" ] && wait "$pid" 2> /dev/null
  done
  wt_game_pid=""
  wt_wm_pid=""
  wt_xvfb_pid=""
}

# A fresh game folder with every picture and sound, and no saved data.
wt_make_game_folder() {
  local dir="$1"
  mkdir -p "$dir"
  "$bin/tally-assets" "$dir" > "$work/assets.log" 2>&1 || { fail "tally-assets failed"; return 1; }
}

# ---------------------------------------------------------------------------------------------
# The walks.

# What works today: the splash while its picture stands still, then the screen after it, each
# compared with the play tool's screenshot of the same moment; then the close request, which must
# end the game with status 0 and leave no saved data behind (nothing was changed).
walk_splash_and_close() {
  local game="$work/splash-game"
  wt_make_game_folder "$game" || return
  # The splash picture stands still from about 3.2 s to 7 s; a key then ends the splash. The
  # window is found a little after the splash starts, or before it: the moments below keep about a
  # second from either end.
  wt_play "$game" "$work/play-splash" "wait 4500
shot splash.png
key Space
wait 1500
shot after-splash.png
quit"
  wt_start_game "$game"
  wt_wait_window || return
  wt_wait_until 4.5
  wt_shot "$work/window-splash.png"
  wt_wait_until 5.0
  wt_keys 0 space
  wt_wait_until 6.5
  wt_shot "$work/window-after-splash.png"
  wt_expect_same_screen "$work/window-splash.png" "$work/play-splash/splash.png" "splash"
  wt_expect_same_screen "$work/window-after-splash.png" "$work/play-splash/after-splash.png" "after the splash"
  wt_close_game 15
  [ "$wt_game_status" = "0" ] || fail "the game ended with status $wt_game_status after the close request: $(tail -20 "$work/game.log")"
  [ ! -e "$game/classrooms" ] || fail "looking around saved something: $(find "$game/classrooms" | head)"
}

# NEXT STEP, not run yet (set TALLY_WINDOW_WHOLE_ROAD=1 to run it while writing it): the whole
# road through the real window, once the classroom and player menus and the race have landed.
# Each step's keys follow the screens as they are specified; the steps marked TO WRITE need the
# screens of the accounts and race work to be checked against, and until then the walk fails
# rather than pretend. Every step that saves is followed by a check of the file it writes.
walk_whole_road() {
  local game="$work/road-game"
  wt_make_game_folder "$game" || return
  wt_start_game "$game"
  wt_wait_window || return
  wt_wait_until 1.0
  wt_keys 0 space                                   # skip the splash
  sleep 1
  # Classroom menu, a fresh tree: "Default" (row 0), "Add Class" (row 1), "Quit" (row 2).
  wt_keys 150 Down Return                           # Add Class
  wt_type "4b"; wt_keys 150 Return                  # the name
  wt_type "pw"; wt_keys 150 Return                  # the password: the class is added
  sleep 0.5
  grep -q '4b' "$game/classrooms/classrooms" 2> /dev/null || fail "road: classroom 4b not saved"
  [ -d "$game/classrooms/room2" ] || fail "road: no room directory for 4b"
  wt_keys 150 Return; wt_type "pw"; wt_keys 150 Return   # enter 4b with its password
  # TO WRITE: the player menu: add a player (name, password), choose "Singleplayer"; check
  # classrooms/room2/players.
  fail "road: the player menu step is not written yet"; return
  # Track menu: the next season and a longer race, then on to the lessons.
  wt_keys 150 Right Down Right Return               # Winter, 3000 m
  # Lesson menu: the next car, Subtract "From 20", then the race.
  wt_keys 150 Right Down Right Down Right Return
  # TO WRITE: the race: let the countdown run, hold Escape to abandon it (wt_hold Escape 3), see
  # the results (screenshot compared with the play tool's), a key back to the lesson menu,
  # Escape back up to the classroom menu, "Quit" with Enter; then:
  #   wt_wait_game_exit 10; [ "$wt_game_status" = 0 ] || fail ...
  # and check the player file (the car chosen) and the board of the abandoned race.
}

# ---------------------------------------------------------------------------------------------

wt_require_tools
work="$(mktemp -d)"
trap 'wt_stop_all; rm -rf "$work"' EXIT
export SDL_AUDIODRIVER=dummy
# Under the sanitizers, leaks of the system's desktop bus library (reached once an X display is
# set) are not the game's.
export LSAN_OPTIONS="suppressions=$here/lsan_suppressions.txt${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

if wt_start_x && wt_start_wm; then
  walk_splash_and_close
  if [ "${TALLY_WINDOW_WHOLE_ROAD:-0}" = "1" ]; then
    wt_stop_all
    wt_start_x && wt_start_wm && walk_whole_road
  else
    note "NOT RUN: the whole road (classrooms to race and back), a next step that waits for the menus and the race"
  fi
else
  failures=$((failures + 1))
fi
if [ "$failures" -gt 0 ] && [ -n "${TALLY_WINDOW_KEEP:-}" ]; then
  mkdir -p "$TALLY_WINDOW_KEEP" && cp "$work"/*.png "$work"/*.log "$TALLY_WINDOW_KEEP"/ 2> /dev/null
  note "pictures and logs kept in $TALLY_WINDOW_KEEP"
fi

[ "$failures" -eq 0 ] && echo "all real-window checks passed"
exit $((failures > 0))
