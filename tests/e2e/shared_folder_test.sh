#!/usr/bin/env bash
# A whole class on one shared folder, on the real game through the play tool: several copies at once
# on one game folder, as the PCs of a classroom on a network drive. Nothing a copy saves is lost to
# another copy's save, no race lands in another class's folder, a classroom added while another
# copy sits on the classroom menu stays, a lock entry left by a killed copy is taken over, and a
# copy whose classroom was deleted saves nothing and says so.
# ROUNDS=N repeats the crowd of eight N times (to run it ten times in a row once); COPIES=K makes the
# crowd K copies (to measure), CROWD_ONLY=1 runs the crowd alone.
set -u
bin="$1"
here="$(cd "$(dirname "$0")" && pwd)"
. "$here/shared_folder_lib.sh"

# 1. Eight copies at once on one classroom, five races each on the same lesson and distance; every
#    second one adds a pupil first. Every race and every pupil is kept.
copies=$(seq 1 "${COPIES:-8}")
crowd() {
  local g="$work/crowd$1" k
  newgame "$g"
  index "$g" Class
  for k in $copies; do
    {
      splash; printf 'key Enter\nwait 300\n'
      if [ $((k % 2)) -eq 0 ]; then add_pupil "Pupil$k"; else first_pupil; fi
      printf 'key Enter\nwait 300\n'  # "Singleplayer"
      to_lessons
      for r in 1 2 3 4 5; do one_race; done
      printf 'quit\n'
    } > "$g/pc$k.txt"
  done
  for k in $copies; do start "$g" "pc$k" "$g/pc$k.txt"; done
  wait
  local races=0 all=$((5 * ${COPIES:-8}))
  for k in $copies; do races=$((races + $(finished "$g/pc$k.trace"))); done
  [ "$races" -eq "$all" ] || fail "crowd $1: $races races finished, not $all"
  local kept; kept=$(head -1 "$g/classrooms/room1/$board" | tr -d " $CR")
  [ "$kept" = "$all" ] || fail "crowd $1: the board keeps ${kept:-no} races of $all"
  for k in $copies; do
    [ $((k % 2)) -eq 0 ] || continue
    grep -qx "Pupil$k$CR" "$g/classrooms/room1/players" || fail "crowd $1: Pupil$k was lost"
    [ "$(grep -lx "Pupil$k$CR" "$g/classrooms/room1/$board"record* | wc -l)" -eq 5 ] ||
      fail "crowd $1: Pupil$k does not have 5 races"
  done
  [ "$(head -1 "$g/classrooms/room1/players" | tr -d " $CR")" = $((1 + ${COPIES:-8} / 2)) ] || fail "crowd $1: pupils lost"
  well_formed "$g/classrooms"
  echo "crowd $1: $races races finished, ${kept:-0} kept, players: $(head -1 "$g/classrooms/room1/players" | tr -d " $CR")"
}
for round in $(seq 1 "${ROUNDS:-1}"); do crowd "$round"; done
if [ -n "${CROWD_ONLY:-}" ]; then
  [ "$failures" -eq 0 ] && echo "all crowd checks passed"
  exit $((failures > 0))
fi

# 2. Two copies race in classroom C while a third deletes classroom A (C's folder moves into A's
#    number), adds D and E and deletes them again between their races. Every race lands in C's folder.
g="$work/rooms"
newgame "$g"
index "$g" A B C
printf ' 1\r\na1\r\n\r\n 0\r\n 0\r\n' > "$g/classrooms/room1/players"
printf ' 1\r\nb1\r\n\r\n 0\r\n 0\r\n' > "$g/classrooms/room2/players"
printf ' 1\r\nc1\r\n\r\n 0\r\n 0\r\n' > "$g/classrooms/room3/players"
for k in 1 2; do
  {
    splash; printf 'key Down Down\nwait 100\nkey Enter\nwait 300\n'  # classroom C
    first_pupil; printf 'key Enter\nwait 300\n'; to_lessons
    printf 'mark in%d\n' "$k"
    for r in 1 2 3 4 5; do one_race; printf 'mark raced%d-%d\n' "$k" "$r"; done
    printf 'quit\n'
  } > "$g/racer$k.txt"
done
{
  splash
  printf 'await in1\nawait in2\nkey Delete\nwait 100\nkey Enter\nwait 300\n'  # A goes, C takes room 1
  for r in 1 2 3 4; do
    printf 'await raced1-%d\n' "$r"
    # Rows now: C, B, then the added ones; add D and E, delete D (E moves), delete E.
    printf 'key Down Down\nwait 100\nkey Enter\nwait 100\ntype D\nkey Enter\nwait 100\nkey Enter\nwait 300\n'
    printf 'key Down\nwait 100\nkey Enter\nwait 100\ntype E\nkey Enter\nwait 100\nkey Enter\nwait 300\n'
    printf 'key Up\nwait 100\nkey Delete\nwait 100\nkey Enter\nwait 300\n'
    printf 'key Delete\nwait 100\nkey Enter\nwait 300\nkey Up Up\nwait 100\n'
  done
  printf 'quit\n'
} > "$g/teacher.txt"
start "$g" racer1 "$g/racer1.txt"
start "$g" racer2 "$g/racer2.txt"
start "$g" teacher "$g/teacher.txt"
wait
races=$(( $(finished "$g/racer1.trace") + $(finished "$g/racer2.trace") ))
[ "$races" -eq 10 ] || fail "rooms: $races races finished, not 10: $(tail -2 "$g/racer1.err" "$g/teacher.err")"
[ "$(cat "$g/classrooms/classrooms")" = " 2${CR}"$'\n'"C${CR}"$'\n'"${CR}"$'\n'"B${CR}"$'\n'"${CR}" ] ||
  fail "rooms: the index is $(od -c "$g/classrooms/classrooms" | head -3)"
grep -qx "c1$CR" "$g/classrooms/room1/players" || fail "rooms: room 1 does not hold C's players"
grep -qx "b1$CR" "$g/classrooms/room2/players" || fail "rooms: room 2 does not hold B's players"
[ "$(head -1 "$g/classrooms/room1/$board" | tr -d " $CR")" = 10 ] || fail "rooms: C's board does not keep 10 races"
[ -e "$g/classrooms/room2/leaderboards" ] && fail "rooms: a race landed in B's folder"
[ -e "$g/classrooms/room3" ] && fail "rooms: a folder of a deleted classroom is left: $(find "$g/classrooms/room3")"
well_formed "$g/classrooms"

# 3. The index race: one copy sits on the classroom menu while another adds classroom 4b and races
#    in it; then the first adds 5c and races there. Both classrooms and their races are kept.
g="$work/index"
newgame "$g"
index "$g" First
{
  splash; printf 'mark waiting\nawait raced\n'
  printf 'key Down\nwait 100\nkey Enter\nwait 100\ntype 5c\nkey Enter\nwait 100\nkey Enter\nwait 300\n'
  printf 'key Enter\nwait 300\n'; add_pupil Fifth; printf 'key Enter\nwait 300\n'; to_lessons; one_race
  printf 'quit\n'
} > "$g/sitter.txt"
{
  splash; printf 'await waiting\n'
  printf 'key Down\nwait 100\nkey Enter\nwait 100\ntype 4b\nkey Enter\nwait 100\nkey Enter\nwait 300\n'
  printf 'key Enter\nwait 300\n'; add_pupil Fourth; printf 'key Enter\nwait 300\n'; to_lessons; one_race
  printf 'mark raced\nquit\n'
} > "$g/adder.txt"
start "$g" sitter "$g/sitter.txt"
start "$g" adder "$g/adder.txt"
wait
[ "$(cat "$g/classrooms/classrooms")" = " 3${CR}"$'\n'"First${CR}"$'\n'"${CR}"$'\n'"4b${CR}"$'\n'"${CR}"$'\n'"5c${CR}"$'\n'"${CR}" ] ||
  fail "index: the index is $(tr '\r\n' '|' < "$g/classrooms/classrooms")"
grep -qx "Fourth$CR" "$g/classrooms/room2/players" || fail "index: 4b's pupil is not in room 2"
grep -qx "Fifth$CR" "$g/classrooms/room3/players" || fail "index: 5c's pupil is not in room 3"
grep -qx "Fourth$CR" "$g/classrooms/room2/${board}record1" || fail "index: 4b's race is not in room 2"
grep -qx "Fifth$CR" "$g/classrooms/room3/${board}record1" || fail "index: 5c's race is not in room 3"
grep -q "Fourth" "$g/classrooms/room3/players" && fail "index: 5c took over 4b's pupils"
well_formed "$g/classrooms"

# 4. A lock entry left by a killed copy (older than the 30 s take-over age) does not stop a save;
#    the race is kept and the entry is gone.
g="$work/stale"
newgame "$g"
index "$g" Class
printf 'other-pc 4242 0 0\n' > "$g/classrooms/room1.lock"
touch -d '-1 minute' "$g/classrooms/room1.lock"
{ splash; printf 'key Enter\nwait 300\n'; first_pupil; printf 'key Enter\nwait 300\n'; to_lessons; one_race; printf 'quit\n'; } > "$g/one.txt"
start "$g" one "$g/one.txt"
wait
[ "$(head -1 "$g/classrooms/room1/$board" | tr -d " $CR")" = 1 ] || fail "stale: the race was not kept"
[ -e "$g/classrooms/room1.lock" ] && fail "stale: the stale lock is still there"

# 5. A copy playing in B while another deletes B: its race lands nowhere (A's folder, moved into
#    B's number, stays without races), and the class is told on the results screen.
g="$work/gone"
newgame "$g"
index "$g" A B
{
  splash; printf 'key Down\nwait 100\nkey Enter\nwait 300\n'; first_pupil; printf 'key Enter\nwait 300\n'; to_lessons
  printf 'mark in\nawait gone\n'; one_race; printf 'quit\n'
} > "$g/racer.txt"
{ splash; printf 'await in\nkey Down\nwait 100\nkey Delete\nwait 100\nkey Enter\nwait 300\nmark gone\nquit\n'; } > "$g/teacher.txt"
start "$g" racer "$g/racer.txt"
start "$g" teacher "$g/teacher.txt"
wait
[ "$(finished "$g/racer.trace")" -eq 1 ] || fail "gone: the race did not finish"
grep -qx "This class was deleted on another PC" "$g/racer.err" || fail "gone: the class was not told"
[ -z "$(find "$g/classrooms" -name 'distance*')" ] || fail "gone: the race landed in $(find "$g/classrooms" -name 'distance*')"

# 6. Durable saves: every rename that puts a saved file in place is followed by a flush of its
#    folder, so that a power cut right after a save keeps it (seen with strace, when there is one).
if command -v strace > /dev/null; then
  g="$work/durable"
  newgame "$g"
  index "$g" Class
  strace -f -qq -e trace=rename,openat,fsync -o "$g/calls" "$play" --dir "$g" --fps 20 "$work/stale/one.txt" \
    > /dev/null 2>&1
  python3 - "$g/calls" << 'EOF2' || fail "durable: a save's rename was not followed by a flush of its folder"
import re, sys
renames = flushed = 0
pending = {}  # pid -> the folder whose flush is due, then its descriptor
for line in open(sys.argv[1]):
    pid = line.split()[0]
    m = re.search(r'rename\("[^"]*", "([^"]*)"\)\s*= 0', line)
    if m:
        renames += 1
        pending[pid] = m.group(1).rsplit('/', 1)[0]
        continue
    m = re.search(r'openat\(AT_FDCWD, "([^"]*)", O_RDONLY[^)]*O_DIRECTORY\)\s*= (\d+)', line)
    if m and pending.get(pid) == m.group(1):
        pending[pid] = m.group(2)
        continue
    m = re.search(r'fsync\((\d+)\)\s*= 0', line)
    if m and pending.get(pid) == m.group(1):
        flushed += 1
        del pending[pid]
print(f"durable: {renames} renames, {flushed} folder flushes")
sys.exit(0 if renames > 0 and renames == flushed else 1)
EOF2
else
  echo "SKIP: no strace: the folder flush after a save is not checked"
fi

[ "$failures" -eq 0 ] && echo "all shared-folder checks passed"
exit $((failures > 0))
