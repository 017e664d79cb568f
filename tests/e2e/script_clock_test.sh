#!/usr/bin/env bash
# The play tool keeps a script clock: the same script gives the same key times at 30 and at 240
# frames per second, within one frame of the slower rate, however many waits it strings together.
set -u
bin="$1"
play="$bin/tallyrally-play"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Past the splash into the classroom menu, then forty short steps up and down its rows.
{
  printf 'wait 500\nkey Enter\n'
  for i in $(seq 1 20); do printf 'wait 250\nkey Down\nwait 250\nkey Up\n'; done
  printf 'wait 250\nquit\n'
} > "$work/steps.txt"
for fps in 30 240; do
  "$play" --dir "$work" --fps "$fps" --trace "$work/steps.txt" > "$work/$fps.trace" 2> "$work/$fps.err" ||
    fail "run at $fps fps gave status $?: $(cat "$work/$fps.err")"
  awk '$2 == "key" { print $1 }' "$work/$fps.trace" > "$work/$fps.keys"
done
[ "$(wc -l < "$work/30.keys")" -eq 41 ] || fail "expected 41 keys at 30 fps, got $(wc -l < "$work/30.keys")"
paste "$work/30.keys" "$work/240.keys" | awk '
  { d = $1 - $2; if (d < 0) d = -d; if (d > 34) { print "key " NR ": " $1 " ms at 30 fps, " $2 " ms at 240 fps"; bad = 1 } }
  END { exit bad }' || fail "key times drift apart with the frame rate"
# The last key is read within a frame of the time the script gives it (500 + 40 x 250 ms).
last="$(tail -1 "$work/30.keys")"
[ "$last" -ge 10500 ] && [ "$last" -le 10535 ] || fail "the last key came at $last ms, not about 10500"

[ "$failures" -eq 0 ] && echo "all script clock checks passed"
exit $((failures > 0))
