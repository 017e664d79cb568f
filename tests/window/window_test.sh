#!/usr/bin/env bash
# Starts the real tallyrally in a real X window (Xvfb with openbox), presses real keys with
# xdotool, screenshots the window and compares it pixel by pixel with the play tool's screenshot of
# the same screen, checks the saved files and the exit status: the splash and the close button, then
# the whole road from a new classroom through a race and back to "Quit".
# Usage: window_test.sh BIN_DIR. Exit status: 0 passed, 1 failed, 77 skipped (an X tool missing).
# With TALLY_WINDOW_KEEP=DIR the screenshots of both sides and the logs are kept in DIR.
#
# The functions named wt_* are the harness; the walks at the end use them. The game runs in real
# time, so screens are compared only while they stand still.
set -u
bin="$(cd "${1:?usage: window_test.sh BIN_DIR}" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
note() { echo "window [${SECONDS} s]: $*"; }

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
    found="$(xdotool search --onlyvisible --name '^Tally Rally' 2> /dev/null | tail -n1)"
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

# Takes a screenshot of the window to $work/window-NAME.png and succeeds when it is exactly the play
# tool's screenshot SHOT; otherwise keeps the number of differing pixels in wt_differing.
wt_differing=""
wt_shows_screen() {
  local real="$work/window-$2.png"
  wt_shot "$real" 2> /dev/null
  wt_differing="$(wt_differing_pixels "$real" "$1")"
  [ "$wt_differing" = "0" ]
}

# Polls the window until it shows exactly the play tool's screenshot SHOT, for up to SECONDS. The
# last screenshot stays in $work/window-NAME.png. Fails and returns 1 when the screen does not come,
# or when the game has ended.
wt_wait_for_screen() {
  local shot="$1" name="$2" seconds="${3:-20}" deadline
  [ -s "$shot" ] || { fail "$name: no play tool screenshot $shot"; return 1; }
  deadline=$((SECONDS + seconds))
  for (( ; ; )); do
    if wt_shows_screen "$shot" "$name"; then
      note "$name: the window shows the play tool's screen exactly"
      return 0
    fi
    if ! kill -0 "$wt_game_pid" 2> /dev/null; then
      fail "$name: the game ended instead: $(tail -20 "$work/game.log")"
      return 1
    fi
    [ "$SECONDS" -ge "$deadline" ] && break
    sleep 0.2
  done
  fail "$name: after $seconds s the window still differs from the play tool's screen in $wt_differing pixels ($work/window-$name.png, $shot)"
  compare "$work/window-$name.png" "$shot" "$work/diff-$name.png" > /dev/null 2>&1
  return 1
}

# Polls the window until it no longer shows the play tool's screenshot SHOT, for up to SECONDS.
wt_wait_for_other_screen() {
  local shot="$1" name="$2" seconds="${3:-20}" real="$work/window-$2.png" deadline
  deadline=$((SECONDS + seconds))
  for (( ; ; )); do
    wt_shot "$real" 2> /dev/null
    [ "$(wt_differing_pixels "$real" "$shot")" != "0" ] && return 0
    [ "$SECONDS" -ge "$deadline" ] && break
    sleep 0.1
  done
  fail "$name: after $seconds s the window still shows the screen before it"
  return 1
}

# Runs the command CHECK... until it succeeds, for up to SECONDS; returns 1 when it never does.
wt_wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# The entries of a saved list, one line each with its fields joined by '|': the classrooms file
# (NAME|PASSWORD, FIELDS 2) or a players file (NAME|PASSWORD|CAR|DRIVER, FIELDS 4). The files
# end their lines with CR LF and write numbers with a leading space.
wt_saved_entries() {
  local file="$1" fields="$2"
  [ -r "$file" ] || return 0
  tr -d '\r' < "$file" | awk -v n="$fields" '
    NR == 1 { next }
    { sub(/^ +/, ""); line = (((NR - 2) % n) == 0) ? $0 : line "|" $0 }
    ((NR - 1) % n) == 0 { print line }'
}

# Succeeds when the saved list FILE (FIELDS per entry) holds the entry ENTRY.
wt_has_entry() { wt_saved_entries "$1" "$2" | grep -qxF -- "$3"; }

# Lists the leaderboard files under the room directory ROOM (there are none before a race counts).
wt_board_files() { find "$1" -path '*leaderboards*' -type f 2> /dev/null; }

# A fresh game folder with every picture and sound, and no saved data. The pictures and sounds are
# made once and copied, which spares a loaded machine the time of making them again.
wt_make_game_folder() {
  local dir="$1" assets="$work/assets"
  if [ ! -d "$assets" ]; then
    "$bin/tally-assets" "$assets" > "$work/assets.log" 2>&1 || { fail "tally-assets failed"; rm -rf "$assets"; return 1; }
  fi
  cp -r "$assets" "$dir"
}

# ---------------------------------------------------------------------------------------------
# The walks.

# The splash and the close button: the splash while its picture stands still, then the screen
# after it, each compared with the play tool's screenshot of the same moment; then the close
# request, which must end the game with status 0 and leave no saved data behind (nothing changed).
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

# The whole road through the real window: a classroom with a password is added and entered, a
# player is added and races alone after a change of track, distance, car and lesson; the race is
# abandoned with Escape held down, the results are shown, and the way back leads up through every
# menu to "Quit". The play tool first walks the same keys and photographs every screen the road
# stands still on; each screen of the real window must match its photograph exactly before the next
# keys go, which also keeps a key from reaching a screen in the frame in which it ends (such a key
# is dropped). The saved files are checked along the way.
walk_whole_road() {
  local game="$work/road-game" play="$work/play-road"
  local room="$game/classrooms/room2"  # the second classroom after "Default"
  wt_make_game_folder "$work/road-play-game" || return
  wt_play "$work/road-play-game" "$play" "wait 1000
key Space
wait 500
shot classrooms.png
key Down Enter
wait 300
type 4b
key Enter
type pw
key Enter
type pw
key Enter
wait 500
shot class-added.png
key Enter
wait 300
type pw
key Enter
wait 500
shot players.png
key Down Enter
wait 300
type Ann
key Enter
wait 300
key Enter
wait 500
shot player-added.png
key Enter
wait 500
shot second-player.png
key Enter
wait 500
shot track.png
key Right Down Right
wait 500
shot track-changed.png
key Enter
wait 500
shot lesson.png
key Right Down Down Right
wait 500
shot lesson-changed.png
key Enter
wait 1000
hold Esc 2000
wait 1000
shot results.png
key Space
wait 500
shot lesson-again.png
key Esc
wait 500
shot track-again.png
key Esc
wait 500
shot players-again.png
key Esc
wait 500
shot classrooms-again.png
key Down Down
wait 500
shot quit-selected.png
key Enter
wait 1000"
  wt_make_game_folder "$game" || return
  wt_start_game "$game"
  wt_wait_window || return

  # The splash ends on any key. A key pressed before the game reads its keyboard may be lost, and
  # a space does nothing in the classroom menu, so the space is pressed again until the menu shows.
  local deadline=$((SECONDS + 20))
  until wt_shows_screen "$play/classrooms.png" classrooms || [ "$SECONDS" -ge "$deadline" ]; do
    wt_keys 0 space
    sleep 1
  done
  wt_wait_for_screen "$play/classrooms.png" classrooms 1 || return

  # Classroom menu of a fresh tree: "Default", "Add Class", "Quit". Add 4b with the password pw,
  # typed twice.
  wt_keys 150 Down Return
  wt_type "4b"
  wt_keys 150 Return
  wt_type "pw"
  wt_keys 150 Return
  wt_type "pw"
  wt_keys 150 Return
  wt_wait_for_screen "$play/class-added.png" class-added || return
  wt_wait_for 5 wt_has_entry "$game/classrooms/classrooms" 2 "4b|pw" ||
    { fail "road: the classrooms file does not list 4b with its password: $(wt_saved_entries "$game/classrooms/classrooms" 2)"; return; }
  [ -d "$room" ] || fail "road: no room directory for 4b"
  # Enter 4b: its password is asked for.
  wt_keys 150 Return
  wt_type "pw"
  wt_keys 150 Return
  wt_wait_for_screen "$play/players.png" players || return

  # Player menu of a fresh classroom: "Default", "Add Player", "Quit". Add Ann without a password.
  wt_keys 150 Down Return
  wt_type "Ann"
  wt_keys 150 Return Return  # the name, then an empty password
  wt_wait_for_screen "$play/player-added.png" player-added || return
  wt_wait_for 5 wt_has_entry "$room/players" 4 "Ann||0|0" ||
    { fail "road: the players file does not hold Ann: $(wt_saved_entries "$room/players" 4)"; return; }
  # Ann has no password and is taken at once; then she races alone.
  wt_keys 0 Return
  wt_wait_for_screen "$play/second-player.png" second-player || return
  wt_keys 0 Return
  wt_wait_for_screen "$play/track.png" track || return

  # Track menu: Winter and 3000 m.
  wt_keys 150 Right Down Right
  wt_wait_for_screen "$play/track-changed.png" track-changed || return
  wt_keys 0 Return
  wt_wait_for_screen "$play/lesson.png" lesson || return

  # Lesson menu: the next car, Add "Make 20", then the race.
  wt_keys 150 Right Down Down Right
  wt_wait_for_screen "$play/lesson-changed.png" lesson-changed || return
  wt_keys 0 Return
  wt_wait_for_other_screen "$play/lesson-changed.png" race || return
  # Escape is held down during the countdown; the results then stand until another key.
  wt_hold Escape 2
  wt_wait_for 5 wt_has_entry "$room/players" 4 "Ann||1|0" ||
    fail "road: leaving the lesson menu did not save Ann's new car: $(wt_saved_entries "$room/players" 4)"
  wt_wait_for_screen "$play/results.png" results || return
  sleep 0.5
  wt_wait_for_screen "$play/results.png" results-after-escape 1 || return  # the held key skipped nothing
  # The race is saved when it ends, before its results wait for a key: a PC switched off on the
  # results screen keeps it. The players file then holds both pupils, whatever the key does next.
  wt_has_entry "$room/players" 4 "Ann||1|0" ||
    fail "road: the players file was not written when the race ended: $(wt_saved_entries "$room/players" 4)"
  wt_keys 0 space
  wt_wait_for_screen "$play/lesson-again.png" lesson-again || return
  wt_has_entry "$room/players" 4 "Default||0|0" || fail "road: the players file lost Default after the race"
  [ -z "$(wt_board_files "$room")" ] || fail "road: the abandoned race wrote a board: $(wt_board_files "$room")"

  # Back up: lesson, track, player menu, classroom menu; then "Quit".
  wt_keys 0 Escape
  wt_wait_for_screen "$play/track-again.png" track-again || return
  wt_keys 0 Escape
  wt_wait_for_screen "$play/players-again.png" players-again || return
  wt_keys 0 Escape
  wt_wait_for_screen "$play/classrooms-again.png" classrooms-again || return
  wt_keys 150 Down Down
  wt_wait_for_screen "$play/quit-selected.png" quit-selected || return
  wt_keys 0 Return
  wt_wait_game_exit 15
  [ "$wt_game_status" = "0" ] || fail "road: the game ended with status $wt_game_status after Quit: $(tail -20 "$work/game.log")"

  # What stays on disk.
  wt_has_entry "$game/classrooms/classrooms" 2 "4b|pw" ||
    fail "road: after Quit the classrooms file lost 4b: $(wt_saved_entries "$game/classrooms/classrooms" 2)"
  wt_has_entry "$room/players" 4 "Ann||1|0" ||
    fail "road: after Quit the players file lost Ann's car: $(wt_saved_entries "$room/players" 4)"
  [ -z "$(wt_board_files "$game/classrooms")" ] || fail "road: boards were written: $(wt_board_files "$game/classrooms")"
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
  walk_whole_road
else
  failures=$((failures + 1))
fi
if [ -n "${TALLY_WINDOW_KEEP:-}" ]; then
  mkdir -p "$TALLY_WINDOW_KEEP" && cp "$work"/*.png "$work"/*.log "$TALLY_WINDOW_KEEP"/ 2> /dev/null
  cp -r "$work"/play-* "$TALLY_WINDOW_KEEP"/ 2> /dev/null
  note "pictures and logs kept in $TALLY_WINDOW_KEEP"
elif [ "$failures" -gt 0 ]; then
  note "run again with TALLY_WINDOW_KEEP=DIR to keep the screenshots and logs named above"
fi

[ "$failures" -eq 0 ] && echo "all real-window checks passed"
exit $((failures > 0))
