#!/usr/bin/env bash
# The whole road on the play tool: menus into a race solved to the finish and back out to Quit; the
# stored board and record; the same script twice; a second race against the first as a ghost; a
# two-player race abandoned by one player after the other finished.
set -u
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
play="$bin/tallyrally-play"
work="$(mktemp -d)"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
count() { python3 "$here/png_region.py" "$@"; }

[ -x "$bin/tally-assets" ] || { echo "no asset generator"; exit 1; }
"$bin/tally-assets" "$work/art" > /dev/null || { echo "asset generator failed"; exit 1; }
newgame() { rm -rf "$1"; cp -r "$work/art" "$1"; }

# Runs script $2 in game folder $1 with the trace in $1.trace; shots go into the folder.
run() {
  "$play" --dir "$1" --trace "$2" > "$1.trace" 2> "$1.err" || fail "$2 in $1 gave status $?: $(tail -3 "$1.err")"
}
screens() { awk '$2 == "screen" { printf "%s ", $3 }' "$1"; }
board=classrooms/room1/leaderboards/category1/lesson1/distance1

# Splash, the Default classroom, Default as player 1, single player, 1500 m summer, Add lesson 1.
menus_to_race() {
  printf 'wait 500\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\n'
  printf 'wait 300\nkey Enter\nwait 300\nkey Enter\nwait 5200\n'
}
# From the results: a key back to the lessons, Esc up to the classrooms, Quit.
back_out() {
  printf 'key Enter\nwait 300\nkey Esc\nwait 300\nkey Esc\nwait 300\nkey Esc\nwait 300\n'
  printf 'key Down Down\nwait 300\nkey Enter\nwait 500\n'
}

# 1. One player solves every problem to the finish; more answers than needed are typed, and the
#    ones after the finish must reach nothing.
{
  menus_to_race
  for i in $(seq 1 70); do
    printf 'solve 1\nwait 120\n'
    [ "$i" -eq 30 ] && printf 'shot mid.png\n'
  done
  printf 'wait 5000\nshot results.png\n'
  back_out
} > "$work/solo.txt"
for g in solo solo-again; do
  newgame "$work/$g"
  run "$work/$g" "$work/solo.txt"
done
g="$work/solo"
[ "$(screens "$g.trace")" = "1 2 3 4 3 2 1 0 5 " ] || fail "screens of the solo run: $(screens "$g.trace")"
finish="$(awk '$2 == "finish"' "$g.trace")"
echo "$finish" | grep -qE '^[0-9]+ finish 1 1 [0-9]+\.[0-9]{2}$' || fail "solo finish line: '$finish'"
[ "$(awk '$2 == "sound" && $3 == 7' "$g.trace" | wc -l)" -eq 5 ] || fail "countdown did not sound five times"
# Every answer judged between the start and the finish is one sample of the record.
start_ms="$(awk '$2 == "sound" && $3 == 7 { seen = 1; next } seen && $2 == "sound" && $3 == 0 { print $1; exit }' "$g.trace")"
finish_ms="$(echo "$finish" | awk '{ print $1 }')"
answers="$(awk -v s="$start_ms" -v f="$finish_ms" '$2 == "sound" && ($3 == 0 || $3 == 4) && $1 > s && $1 <= f' "$g.trace" | wc -l)"
[ -f "$g/$board" ] || fail "no board file"
[ "$(od -An -c "$g/$board" | tr -s ' ')" = " 1 \r \n \r \n" ] || fail "board file: $(od -An -c "$g/$board")"
record="$g/${board}record1"
[ -f "$record" ] || fail "no record file"
[ -e "$g/${board}record2" ] && fail "a second record was written"
python3 - "$record" "$answers" "$(echo "$finish" | awk '{ print $5 }')" <<'PY' || fail "record file does not hold the race"
import sys
data = open(sys.argv[1], "rb").read()
lines = data.split(b"\r\n")
assert data.endswith(b"\r\n") and b"\n" not in data.replace(b"\r\n", b""), "every line ends with CR LF"
count = int(lines[0])
assert count == int(sys.argv[2]), f"{count} samples, {sys.argv[2]} answers judged"
assert f"{float(lines[1]):.2f}" == sys.argv[3], f"time {lines[1]} against the finish {sys.argv[3]}"
assert float(lines[2]) > 0 and float(lines[3]) > 0, "speeds"
assert lines[4] == b"Default", lines[4]
PY
grep -q $'^Default\r$' "$g/classrooms/room1/players" || fail "players file lacks Default"
# The same script gives the same files and the same screens.
diff -r "$work/solo/classrooms" "$work/solo-again/classrooms" > /dev/null || fail "two solo runs stored different files"
for shot in mid results; do
  [ -s "$g/$shot.png" ] || fail "no $shot.png"
  cmp -s "$g/$shot.png" "$work/solo-again/$shot.png" || fail "$shot.png differs between two runs"
done

# Standings rows of the canvas, as screen rows (canvas row k covers 4k+1 to 4k+4).
place_band() { echo "0 $((4 * (10 * $1 + 2) + 1)) 400 $((4 * (10 * $1 + 9) + 5))"; }
own=500000  # the standings line of the player's own car

# 2. A second race on the same board: the player does not answer, the ghost of the first race
#    drives past the player's car and finishes; Escape then abandons the race.
cp -r "$work/solo" "$work/ghost"
{
  menus_to_race
  printf 'shot start.png\nwait 12000\nshot ghost.png\nhold Esc 1500\nwait 2500\nshot abandoned.png\n'
  back_out
} > "$work/ghost.txt"
g="$work/ghost"
run "$g" "$work/ghost.txt"
[ "$(screens "$g.trace")" = "1 2 3 4 3 2 1 0 5 " ] || fail "screens of the ghost run: $(screens "$g.trace")"
grep -q ' finish ' "$g.trace" && fail "the abandoned race reported a finish"
[ "$(count "$g/start.png" $(place_band 1) $own)" -gt 0 ] || fail "at the start the player's car is not second"
[ "$(count "$g/ghost.png" $(place_band 0) $own)" -eq 0 ] || fail "the player's car is still first"
[ "$(count "$g/ghost.png" $(place_band 2) $own)" -gt 0 ] || fail "the ghost did not pass the player's car"
cmp -s "$work/solo/$board" "$g/$board" || fail "the abandoned race changed the board"
[ -e "$g/${board}record2" ] && fail "the abandoned race left a record"
cmp -s "$work/solo/${board}record1" "$g/${board}record1" || fail "the stored race changed"

# 3. Two players: Bob is added in stage 1 and chosen; player 1 answers with the letter keys to the
#    finish, player 2 never answers and then holds Escape. Neither record stays.
cp -r "$work/solo" "$work/duo"
{
  printf 'wait 500\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\nwait 300\n'
  printf 'key Down\nwait 200\nkey Enter\nwait 200\ntype Bob\nkey Enter\nwait 200\nkey Enter\nwait 300\n'
  printf 'key Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\nwait 5200\n'
  for i in $(seq 1 70); do
    printf 'solve 1\nwait 120\n'
    [ "$i" -eq 20 ] && printf 'shot split.png\n'
  done
  printf 'wait 4000\nhold Esc 1500\nwait 2500\nshot duo-results.png\n'
  back_out
} > "$work/duo.txt"
g="$work/duo"
run "$g" "$work/duo.txt"
[ "$(screens "$g.trace")" = "1 2 3 4 3 2 1 0 5 " ] || fail "screens of the duo run: $(screens "$g.trace")"
grep -qE ' finish 1 1 ' "$g.trace" || fail "player 1 did not finish first"
grep -q ' finish 2 ' "$g.trace" && fail "player 2 finished without answering"
grep -q ' key Space$' "$g.trace" || fail "player 1 did not answer with the letter keys"
cmp -s "$work/solo/$board" "$g/$board" || fail "the duo race kept a record on the board"
[ -e "$g/${board}record2" ] && fail "the duo race left a record file"
grep -q $'^Bob\r$' "$g/classrooms/room1/players" || fail "Bob was not saved"
# The right half is the second player's view: its own car's standings line sits there.
[ "$(count "$g/split.png" 640 0 1280 120 $own)" -gt 0 ] || fail "no standings of player 2 in the right half"

[ "$failures" -eq 0 ] && echo "all road checks passed"
exit $((failures > 0))
