#!/usr/bin/env bash
# A denial-of-service run, bounded in time, against the real server on 127.0.0.1 over a fresh
# folder and a site with a game-sized data file: prints another pupil's answer times through it and
# the server's peak memory; fails only on a plain fault (see tests/server/siege.cpp).
set -u
bin="$1"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2> /dev/null && wait "$server_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/game" "$work/site"
echo '<p>the game</p>' > "$work/site/index.html"
head -c 2000000 /dev/zero | tr '\0' 'd' > "$work/site/tallyrally.data"
"$bin/tallyrally-server" --data "$work/game" --site "$work/site" --bind 127.0.0.1 --port 0 \
  > "$work/server.out" 2> "$work/server.err" &
server_pid=$!
for _ in $(seq 1 100); do grep -q 'Pupils open' "$work/server.out" 2> /dev/null && break; sleep 0.1; done
port=$(sed -n 's|.*Pupils open http://[^:]*:\([0-9]*\)/.*|\1|p' "$work/server.out")
[ -n "$port" ] || { echo "the server did not start"; cat "$work/server.err"; exit 1; }
ulimit -n 4096 2> /dev/null || true
"$bin/tallyrally-siege" "$port" "$server_pid" 2000000
status=$?
# Stopped here rather than on exit, so that what it said on the way out (a sanitizer's report) shows.
kill "$server_pid" && wait "$server_pid"
server_status=$?
server_pid=""
if [ -s "$work/server.err" ]; then echo "the server said:"; head -50 "$work/server.err"; fi
[ "$server_status" -eq 0 ] || { echo "FAIL: the server ended with $server_status"; exit 1; }
exit "$status"
