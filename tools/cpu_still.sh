#!/usr/bin/env bash
# Measures how much processor the real game uses while it shows a still screen, as on a classroom PC
# without a graphics driver: the game runs under Xvfb (SDL then renders with Mesa's software OpenGL)
# in a fresh game folder, and its processor time is read from /proc over a few seconds.
#
# Usage: tools/cpu_still.sh [BUILD_DIR]     (default: build; a Release build gives the honest figure)
# Environment: SETTLE seconds to wait before measuring (default 9: the splash is over by then),
#              MEASURE seconds to measure (default 5), ROUNDS measurements in a row (default 1),
#              THREADS=1 to list every thread's share as well (the renderer's threads, the mixer).
# Prints the share of one core used by the whole process and by its main (drawing) thread alone.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build}" && pwd)"
settle="${SETTLE:-9}"
measure="${MEASURE:-5}"
rounds="${ROUNDS:-1}"
for program in "$build/bin/tallyrally" "$build/bin/tally-assets"; do
  [ -x "$program" ] || { echo "missing $program: build the targets tallyrally and tally-assets" >&2; exit 2; }
done
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (Debian package xvfb)" >&2; exit 2; }

folder="$(mktemp -d)"
xvfb=""
game=""
cleanup() {
  [ -n "$game" ] && kill "$game" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$folder"
}
trap cleanup EXIT

"$build/bin/tally-assets" "$folder" >/dev/null

# A display number nobody uses.
display=$((100 + RANDOM % 400))
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# No sound card is needed to measure the picture; the mixer still runs on SDL's silent device.
(cd "$folder" && DISPLAY=":$display" SDL_AUDIODRIVER=dummy exec "$build/bin/tallyrally" >/dev/null 2>&1) &
game=$!
sleep "$settle"

ticks=$(getconf CLK_TCK)
# Processor ticks (user + system) of a /proc stat file; the command name may hold blanks, so count
# the fields after its closing parenthesis.
cpuTicks() { sed 's/.*) //' "$1" | awk '{print $12 + $13}'; }

for round in $(seq "$rounds"); do
  [ -e "/proc/$game/stat" ] || { echo "the game is not running" >&2; exit 1; }
  start=$(date +%s.%N)
  wholeBefore=$(cpuTicks "/proc/$game/stat")
  mainBefore=$(cpuTicks "/proc/$game/task/$game/stat")
  declare -A threadBefore=()
  for task in /proc/$game/task/*; do threadBefore[$task]=$(cpuTicks "$task/stat"); done
  sleep "$measure"
  wholeAfter=$(cpuTicks "/proc/$game/stat")
  mainAfter=$(cpuTicks "/proc/$game/task/$game/stat")
  end=$(date +%s.%N)
  awk -v r="$round" -v w=$((wholeAfter - wholeBefore)) -v m=$((mainAfter - mainBefore)) -v t="$ticks" \
      -v s="$start" -v e="$end" \
      'BEGIN { d = e - s; printf "round %d: %.1f s, whole process %.1f%% of a core, main thread %.1f%%\n", r, d, 100 * w / t / d, 100 * m / t / d }'
  if [ -n "${THREADS:-}" ]; then
    for task in "${!threadBefore[@]}"; do
      [ -e "$task/stat" ] || continue
      awk -v n="$(cat "$task/comm")" -v k=$(($(cpuTicks "$task/stat") - threadBefore[$task])) -v t="$ticks" \
          -v s="$start" -v e="$end" 'BEGIN { printf "  thread %-16s %5.1f%%\n", n, 100 * k / t / (e - s) }'
    done
  fi
done
