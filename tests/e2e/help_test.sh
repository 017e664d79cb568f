#!/usr/bin/env bash
# The F1 help card in a race and on the results, driven through the play tool: the race stands still
# while the card shows (the same answers give the same race time, three seconds of card or not), and
# the results stay on screen under their card until a key after it.
set -u
bin="$1"
play="$bin/tallyrally-play"
work="$(mktemp -d)"
[ -n "${KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -x "$bin/tally-assets" ] || { echo "no asset generator"; exit 1; }
"$bin/tally-assets" "$work/art" > /dev/null || { echo "asset generator failed"; exit 1; }

# Splash, the Default classroom, Default as player 1, single player, 1500 m summer, Add lesson 1;
# then right answers every 250 ms, with the card up for three seconds after the twentieth when $1 is set.
race() {
  printf 'wait 500\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\nwait 300\nkey Enter\n'
  printf 'wait 300\nkey Enter\nwait 300\nkey Enter\nwait 5200\n'
  for i in $(seq 1 70); do
    printf 'solve 1\nwait 250\n'
    [ "$i" -eq 20 ] && [ -n "$1" ] && printf 'key F1\nwait 1500\nshot race-help.png\nwait 1500\nkey Space\n'
  done
  printf 'wait 4000\nshot results.png\n'
  [ -n "$1" ] && printf 'key F1\nwait 500\nshot results-help.png\nkey Enter\nwait 500\nshot results-after.png\n'
  printf 'key Enter\nwait 500\nquit\n'
}
for run in plain help; do
  rm -rf "$work/$run"
  cp -r "$work/art" "$work/$run"
  race "$([ "$run" = help ] && echo 1)" > "$work/$run.txt"
  "$play" --dir "$work/$run" --trace "$work/$run.txt" > "$work/$run.trace" 2> "$work/$run.err" ||
    fail "$run run gave status $?: $(tail -3 "$work/$run.err")"
done
plain="$(awk '$2 == "finish" { print $1, $5 }' "$work/plain.trace")"
help="$(awk '$2 == "finish" { print $1, $5 }' "$work/help.trace")"
[ -n "$plain" ] && [ -n "$help" ] || fail "no finish: plain '$plain', help '$help'"
# Race times within a frame of each other, while the finish itself came three seconds later.
python3 - "$plain" "$help" <<'PY' || fail "the race did not stand still under the card: plain $plain, help $help"
import sys
(at1, time1), (at2, time2) = (map(float, a.split()) for a in sys.argv[1:3])
assert abs(time1 - time2) <= 0.04, (time1, time2)
assert 2900 <= at2 - at1 <= 3100, (at1, at2)
PY
grep -q ' sound 0$' "$work/help.trace" || fail "no sounds traced"
cmp -s "$work/help/results.png" "$work/help/race-help.png" && fail "the race card looks like the results"
cmp -s "$work/help/results.png" "$work/help/results-help.png" && fail "F1 on the results showed no card"
cmp -s "$work/help/results.png" "$work/help/results-after.png" || fail "the results did not come back after their card"
# The key that closed the results' card did not leave them: the lesson menu comes after the last key.
last_key="$(awk '$2 == "key" { t = $1 } END { print t }' "$work/help.trace")"
lesson="$(awk '$2 == "screen" && $3 == 3 { t = $1 } END { print t }' "$work/help.trace")"
[ "$lesson" -ge "$last_key" ] || fail "the results were left at $lesson ms, before the last key at $last_key ms"

[ "$failures" -eq 0 ] && echo "all help card checks passed"
exit $((failures > 0))
