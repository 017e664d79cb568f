#!/usr/bin/env bash
# A class at once: thirty pupils' devices through the classroom server, each adding their pupil,
# entering the classroom and storing five races on one board, while two desktop copies of the game
# (the play tool) race five times each on the same board of the same folder. Every race and every
# pupil is kept, every file is well formed, and the server's answer times are printed.
set -u
bin="$1"
play="$bin/tallyrally-play"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2> /dev/null && wait "$server_pid" 2> /dev/null
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
CR=$'\r'

"$bin/tally-assets" "$work/game" > /dev/null || { echo "asset generator failed"; exit 1; }
g="$work/game"
mkdir -p "$g/classrooms/room1"
printf ' 1\r\nClass\r\n\r\n' > "$g/classrooms/classrooms"

"$bin/tallyrally-server" --data "$g" --bind 127.0.0.1 --port 0 > "$work/server.out" 2> "$work/server.err" &
server_pid=$!
for _ in $(seq 1 100); do grep -q 'Pupils open' "$work/server.out" 2> /dev/null && break; sleep 0.1; done
port=$(sed -n 's|.*Pupils open http://[^:]*:\([0-9]*\)/.*|\1|p' "$work/server.out")
[ -n "$port" ] || { echo "the server did not start"; cat "$work/server.err"; exit 1; }

# Each desktop copy adds its pupil, reaches the lesson menu (Add, lesson 1, the shortest distance,
# the board the devices use), says so, and races five times once the devices have begun.
for k in 1 2; do
  {
    printf 'wait 500\nkey Enter\nwait 300\nkey Enter\nwait 300\n'
    printf 'key Down Down Down Down Down Down Down Down Down Down Down Down\nwait 100\nkey Up\nwait 100\n'
    printf 'key Enter\nwait 100\ntype Desk%d\nkey Enter\nwait 100\nkey Enter\nwait 300\nkey Enter\nwait 300\n' "$k"
    printf 'key Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\nwait 300\n'
    printf 'mark ready%d\nawait devices\n' "$k"
    for r in 1 2 3 4 5; do
      printf 'key Enter\nwait 5200\n'
      for i in $(seq 1 200); do printf 'solve 1\nwait 120\n'; done
      printf 'wait 3000\nkey Enter\nwait 300\n'
    done
    printf 'quit\n'
  } > "$work/pc$k.txt"
  "$play" --dir "$g" --fps 20 --trace "$work/pc$k.txt" > "$work/pc$k.trace" 2> "$work/pc$k.err" &
  desks="${desks:-} $!"
done
for _ in $(seq 1 600); do [ -f "$g/ready1" ] && [ -f "$g/ready2" ] && break; sleep 0.1; done
touch "$g/devices"
"$bin/tallyrally-class-load" "$port" Class 30 5 1500 | tee "$work/load.out" || fail "a device's request was refused"
for pid in $desks; do wait "$pid"; done
for k in 1 2; do
  wait_for=$(grep -c ' finish 1 ' "$work/pc$k.trace")
  [ "$wait_for" -eq 5 ] || fail "desktop copy $k finished $wait_for races, not 5"
done

board="$g/classrooms/room1/leaderboards/category1/lesson1/distance1"
kept=$(head -1 "$board" | tr -d " $CR")
[ "$kept" = 160 ] || fail "the board keeps ${kept:-no} races of 160"
players="$g/classrooms/room1/players"
[ "$(head -1 "$players" | tr -d " $CR")" = 33 ] || fail "the classroom has $(head -1 "$players" | tr -d " $CR") pupils, not Default, 2 desks and 30 devices"
for p in $(seq -f 'Pupil%02g' 1 30) Desk1 Desk2; do
  grep -qx "$p$CR" "$players" || fail "$p was lost"
  [ "$(grep -lx "$p$CR" "$board"record* | wc -l)" -eq 5 ] || fail "$p does not have 5 races"
done
# Every file whole: a player file its four lines per pupil, a board exactly its record files,
# each record its samples; no lock entry or temporary file left behind.
n=$(head -1 "$players" | tr -d " $CR")
[ "$(wc -l < "$players")" -eq $((1 + 4 * n)) ] || fail "$players is not whole"
[ "$(ls "$board"record* | wc -l)" -eq "$kept" ] || fail "the board counts $kept records, $(ls "$board"record* | wc -l) files"
for r in $(seq 1 "$kept"); do
  samples=$(head -1 "${board}record$r" | tr -d " $CR")
  [ "$(wc -l < "${board}record$r")" -eq $((6 + 2 * samples)) ] || fail "${board}record$r is not whole"
done
leftovers=$(find "$g/classrooms" -name '*.lock' -o -name '*.tmp*')
[ -z "$leftovers" ] || fail "lock or temporary files left: $leftovers"

[ "$failures" -eq 0 ] && echo "all $kept races kept; every file whole"
exit $((failures > 0))
