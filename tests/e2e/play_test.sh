#!/usr/bin/env bash
# Drives the game headless with the play tool: script errors, the splash timeline in screenshots,
# the sound trace and that the same script gives the same screens.
set -u
bin="$1"
play="$bin/tallyrally-play"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A bad script names its line and ends with status 2.
printf 'wait 10\n# comment\n\nkey Enter\nwait soon\n' > "$work/bad.txt"
"$play" "$work/bad.txt" 2> "$work/bad.err" > /dev/null
status=$?
[ "$status" -eq 2 ] || fail "bad script gave status $status"
grep -q ':5:' "$work/bad.err" || fail "bad script message does not name line 5: $(cat "$work/bad.err")"
printf 'key NoSuchKey\n' > "$work/bad2.txt"
"$play" "$work/bad2.txt" 2>/dev/null; [ $? -eq 2 ] || fail "unknown key accepted"

# The game folder: generated pictures and sounds when the generator is built, else none at all.
game="$work/game"
mkdir -p "$game"
if [ -x "$bin/tally-assets" ]; then
  "$bin/tally-assets" "$game" > /dev/null || fail "asset generator failed"
fi

cat > "$work/splash.txt" <<'SCRIPT'
wait 200
shot splash-0.2.png
wait 1800
shot splash-2.png
wait 3000
shot splash-5.png
wait 2400
shot splash-7.4.png
quit
SCRIPT
for run in a b; do
  mkdir -p "$work/$run"
  "$play" --dir "$game" --shots "$work/$run" --trace "$work/splash.txt" > "$work/$run.trace" 2> "$work/$run.err"
  status=$?
  [ "$status" -eq 0 ] || fail "splash run $run gave status $status: $(cat "$work/$run.err")"
  for t in 0.2 2 5 7.4; do
    f="$work/$run/splash-$t.png"
    [ -s "$f" ] || { fail "no screenshot $f"; continue; }
    [ "$(head -c 8 "$f" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$f is not a PNG"
    # Width and height from the IHDR chunk.
    size="$(od -An -tu1 -j16 -N8 "$f" | tr -s ' ' | sed 's/^ //')"
    [ "$size" = "0 0 5 0 0 0 2 208" ] || fail "$f is not 1280 x 720 ($size)"
  done
done
for t in 0.2 2 5 7.4; do
  cmp -s "$work/a/splash-$t.png" "$work/b/splash-$t.png" || fail "splash-$t.png differs between two runs"
done
cmp -s "$work/a/splash-0.2.png" "$work/a/splash-5.png" && fail "the splash did not change between 0.2 s and 5 s"
grep -qE '^[0-9]+ sound 1$' "$work/a.trace" || fail "trace lacks the splash sound: $(head -3 "$work/a.trace")"

# A script that just ends lets the program end with status 0; so does quit at once.
printf 'wait 100\n' > "$work/short.txt"
"$play" --dir "$game" "$work/short.txt" > /dev/null 2>&1 || fail "short script did not end with 0"
printf 'quit\n' > "$work/quit.txt"
"$play" --dir "$game" "$work/quit.txt" > /dev/null 2>&1 || fail "quit did not end with 0"

[ "$failures" -eq 0 ] && echo "all play tool checks passed"
exit $((failures > 0))
