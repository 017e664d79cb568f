#!/usr/bin/env bash
# Saving when the classroom folder is in trouble, on the real game through the play tool: a board
# with a gap of missing record files keeps every intact record through a race's save; on a full disk
# and in a read-only folder the saved files stay whole, and the class is told on the screen and once
# on standard error. The full and read-only folders are small tmpfs mounts (root only).
set -u
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
play="$bin/tallyrally-play"
work="$(mktemp -d)"
mounts=()
cleanup() {
  for m in "${mounts[@]}"; do umount "$m" 2> /dev/null; done
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
count() { python3 "$here/../road/png_region.py" "$@"; }

[ -x "$bin/tally-assets" ] || { echo "no asset generator"; exit 1; }
"$bin/tally-assets" "$work/art" > /dev/null || { echo "asset generator failed"; exit 1; }
newgame() { rm -rf "$1"; cp -r "$work/art" "$1"; }
run() {
  "$play" --dir "$1" --trace "$2" > "$1.trace" 2> "$1.err" || fail "$2 in $1 gave status $?: $(tail -3 "$1.err")"
}
board=classrooms/room1/leaderboards/category1/lesson1/distance1

# Default classroom and player, one player, the first track and distance, Add lesson 1; $1 wrong
# answers at the start (each one more sample in the record), then every problem solved to the
# finish; the results, then a key back to the lesson menu and out to Quit.
race_script() {
  printf 'wait 500\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\n'
  printf 'wait 300\nkey Enter\nwait 300\nkey Enter\nwait 5200\n'
  for i in $(seq 1 "$1"); do printf 'miss 1\nwait 40\n'; done
  for i in $(seq 1 70); do printf 'solve 1\nwait 120\n'; done
  printf 'wait 5000\nshot results.png\nkey Enter\nwait 300\nshot lessons.png\n'
  printf 'key Esc\nwait 300\nkey Esc\nwait 300\nkey Esc\nwait 300\nkey Down Down\nwait 300\nkey Enter\nwait 500\n'
}
race_script 0 > "$work/race.txt"
race_script 200 > "$work/long-race.txt"  # a record file of more than one 4 KiB page

# Pixels of the notice line's paper at the foot of the screen in shot $1.
notice_pixels() { count "$1" 0 664 1280 720 fff4c8; }
# Checks that run $1 told the class words $2: on the screen after the save (the results or the lesson
# menu that follows them) and exactly once on standard error.
expect_told() {
  local g="$1" words="$2"
  [ "$(grep -c "^$words\$" "$g.err")" -eq 1 ] || fail "$(basename "$g"): '$words' not once on stderr: $(cat "$g.err")"
  [ "$(notice_pixels "$g/results.png")" -gt 2000 ] || [ "$(notice_pixels "$g/lessons.png")" -gt 2000 ] ||
    fail "$(basename "$g"): no notice line on the screen after the save"
}

# 0. A first race on a fresh folder: the stored board the other runs start from.
seed="$work/seed"
newgame "$seed"
run "$seed" "$work/race.txt"
[ "$(od -An -c "$seed/$board" | tr -s ' ')" = " 1 \r \n \r \n" ] || fail "seed board: $(od -An -c "$seed/$board")"
grep -q "Could not save" "$seed.err" && fail "the seed run reported trouble: $(cat "$seed.err")"
[ "$(notice_pixels "$seed/lessons.png")" -eq 0 ] || fail "a notice showed after a save that succeeded"

# 1. A board counting 100 races whose record files 11 to 80 are gone: the race's save adds record 101
#    and writes nothing over records 81 to 100, nor an empty record in the gap.
g="$work/gap"
newgame "$g"
cp -r "$seed/classrooms" "$g/"
printf ' 100\r\n\r\n' > "$g/$board"
for n in $(seq 1 10) $(seq 81 100); do
  sed "s/^Default\r\$/Pupil $n\r/" "$seed/${board}record1" > "$g/${board}record$n"
done
mkdir -p "$work/gap-before"
cp "$g/${board}record"* "$work/gap-before/"
run "$g" "$work/race.txt"
[ "$(od -An -c "$g/$board" | tr -s ' ')" = " 1 0 1 \r \n \r \n" ] || fail "gap board: $(od -An -c "$g/$board")"
for n in 1 10 81 90 100; do
  cmp -s "$work/gap-before/distance1record$n" "$g/${board}record$n" || fail "gap: record $n changed"
done
[ -e "$g/${board}record11" ] && fail "gap: an empty record was written into the gap"
grep -q $'^Default\r$' "$g/${board}record101" || fail "gap: the race was not stored as record 101"
grep -q "Could not save" "$g.err" && fail "gap: trouble reported: $(cat "$g.err")"

# 2 and 3. The seed's classrooms on a small tmpfs, then filled up, or made read-only: the race
#    cannot be stored, the files stay as they were, and the class is told why.
tmpfs_classrooms() {  # $1 game folder; copies the seed's classrooms onto a 1 MiB tmpfs there
  mkdir -p "$1/classrooms"
  mount -t tmpfs -o size=1m tmpfs "$1/classrooms" 2> /dev/null || return 1
  mounts+=("$1/classrooms")
  cp -r "$seed/classrooms/." "$1/classrooms/"
}
g="$work/full"
newgame "$g"
if tmpfs_classrooms "$g"; then
  # Room for the small board file but not for the race's record: only the record's write fails.
  dd if=/dev/zero of="$g/classrooms/filler" bs=4k 2> /dev/null
  truncate -s -4096 "$g/classrooms/filler"
  run "$g" "$work/long-race.txt"
  rm -f "$g/classrooms/filler"
  grep -q ' finish ' "$g.trace" || fail "full: the race did not finish"
  # The board still counts the one stored race: no empty race appears after a restart.
  diff -r "$seed/classrooms" "$g/classrooms" > /dev/null || fail "full: the saved files changed"
  expect_told "$g" "Could not save: the disk is full"

  g="$work/readonly"
  newgame "$g"
  tmpfs_classrooms "$g" && mount -o remount,ro "$g/classrooms" || fail "cannot make the tmpfs read-only"
  run "$g" "$work/race.txt"
  diff -r "$seed/classrooms" "$g/classrooms" > /dev/null || fail "read-only: the saved files changed"
  expect_told "$g" "Could not save: the folder is read-only"
else
  echo "SKIP: cannot mount a tmpfs here (not root?): no full-disk or read-only run"
fi

[ "$failures" -eq 0 ] && echo "all save checks passed"
exit $((failures > 0))
