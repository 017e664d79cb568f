#!/usr/bin/env bash
# From the splash through the classroom menu and the player menu to the track menu, with the play
# tool: the trace of screens and sounds, the saved classroom and player files, and that the same
# script gives the same screens twice.
set -u
bin="$1"
play="$bin/tallyrally-play"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

game="$work/game"
mkdir -p "$game"
if [ -x "$bin/tally-assets" ]; then
  "$bin/tally-assets" "$game" > /dev/null || fail "asset generator failed"
fi

# The Enter that ends the splash must not also choose the "Default" classroom under it.
cat > "$work/road.txt" <<'SCRIPT'
wait 500
key Enter
wait 500
shot classrooms.png
# Add Class: 4b with the password pw, typed twice.
key Down Enter
wait 100
type 4b
key Enter
wait 100
type pw
key Enter
wait 100
type pw
key Enter
wait 200
shot added.png
# Enter 4b: a wrong password first, then the right one.
key Enter
wait 100
type pq
key Enter
wait 200
key Enter
wait 100
type pw
key Enter
wait 300
shot players.png
# Add Ann with the password x, typed twice, then choose her: she is asked for it.
key Down Enter
wait 100
type Ann
key Enter
wait 100
type x
key Enter
wait 100
type x
key Enter
wait 200
key Enter
wait 100
type x
key Enter
wait 200
shot stage2.png
key Enter
wait 300
quit
SCRIPT

for run in a b; do
  rm -rf "$game/classrooms"
  mkdir -p "$work/$run"
  "$play" --dir "$game" --shots "$work/$run" --trace "$work/road.txt" > "$work/$run.trace" 2> "$work/$run.err"
  status=$?
  [ "$status" -eq 0 ] || fail "run $run gave status $status: $(cat "$work/$run.err")"
done
trace="$work/a.trace"
for shot in classrooms added players stage2; do
  [ -s "$work/a/$shot.png" ] || fail "no screenshot $shot.png"
  cmp -s "$work/a/$shot.png" "$work/b/$shot.png" || fail "$shot.png differs between two runs"
done
cmp -s "$work/a/classrooms.png" "$work/a/added.png" && fail "adding a classroom changed nothing on screen"

# Screens: the classroom menu is left only once, after the right password, then the track menu.
screens="$(grep -E '^[0-9]+ screen ' "$trace" | awk '{print $3}' | tr '\n' ' ')"
[ "$screens" = "1 2 " ] || fail "screens were '$screens', expected '1 2 '"
# The splash key was read by the splash alone: no sound between it and the first Down.
first_down="$(grep -m1 -E '^[0-9]+ key Down$' "$trace" | awk '{print $1}')"
splash_key="$(grep -m1 -E '^[0-9]+ key Enter$' "$trace" | awk '{print $1}')"
early="$(awk -v a="$splash_key" -v b="$first_down" '$2 == "sound" && $1 > a && $1 < b' "$trace")"
[ -z "$early" ] || fail "the key that ended the splash was acted on: $early"
# Sounds after the splash: Down, Enter (Add Class), Enter (4b), the refusal of the wrong password,
# Enter (4b again), Down, Enter (Add Player), Enter (Ann), Enter (Singleplayer).
sounds="$(grep -E '^[0-9]+ sound ' "$trace" | awk '{print $3}' | tr '\n' ' ')"
[ "$sounds" = "1 6 0 0 4 0 6 0 0 0 " ] || fail "sounds were '$sounds'"

expected_rooms="$(printf ' 2\r\nDefault\r\n\r\n4b\r\npw\r\n')"
[ "$(cat "$game/classrooms/classrooms")" = "$expected_rooms" ] || fail "classroom file: $(od -c "$game/classrooms/classrooms" | head)"
expected_players="$(printf ' 2\r\nDefault\r\n\r\n 0\r\n 0\r\nAnn\r\nx\r\n 0\r\n 0\r\n')"
[ "$(cat "$game/classrooms/room2/players")" = "$expected_players" ] || fail "player file: $(od -c "$game/classrooms/room2/players" | head)"

[ "$failures" -eq 0 ] && echo "all accounts road checks passed"
exit $((failures > 0))
