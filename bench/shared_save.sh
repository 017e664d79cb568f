#!/usr/bin/env bash
# Measures the shared folder at a school's scale (bench/shared_save_bench.cpp): a race's save onto a
# board of 300 races, entering that classroom and a save of 25,000 players, on the local disk and
# with every file-system call slowed to 1 and to 5 ms as on a network drive (bench/slowfs_shim.c
# preloaded). BUILD_DIR is a build without sanitizers (the shim cannot go under AddressSanitizer),
# Release for figures worth quoting. DELAYS_US="0 1000 5000" chooses the delays. Fails when a run
# lost a race or a player, or the shim slowed nothing.
set -euo pipefail
build="${1:?usage: bench/shared_save.sh BUILD_DIR}"
bench="$build/bin/bench_shared_save_bench"
shim="$build/bin/libslowfs_shim.so"
if nm -D "$bench" 2>/dev/null | grep -q __asan_init; then
    echo "shared_save.sh: $bench is built with AddressSanitizer; use a build without it" >&2
    exit 2
fi
[ -f "$shim" ] || { echo "shared_save.sh: no $shim" >&2; exit 2; }
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
delays="${DELAYS_US:-0 1000 5000}"
for us in $delays; do
    if [ "$us" -eq 0 ]; then
        echo "== local disk"
        "$bench" --benchmark_format=console --benchmark_out="$out/$us.json" --benchmark_out_format=json
    else
        echo "== every file-system call $((us / 1000)).$(printf '%03d' $((us % 1000))) ms (LD_PRELOAD=$shim)"
        SLOWFS_DELAY_US="$us" LD_PRELOAD="$shim" "$bench" --benchmark_format=console \
            --benchmark_out="$out/$us.json" --benchmark_out_format=json
    fi
done
python3 - "$out" $delays <<'PY'
import json, sys
folder, delays = sys.argv[1], [int(d) for d in sys.argv[2:]]
ok = True
names = ("BM_SaveRaceOnFullBoard", "BM_EnterFullClassroom", "BM_SavePlayersOf25000")
labels = ("save a race, 300-race board", "enter that classroom", "save 25,000 players")
table = {}
for us in delays:
    for run in json.load(open(f"{folder}/{us}.json"))["benchmarks"]:
        name = run["name"].split("/")[0]
        if run.get("error_occurred"):
            print(f"FAIL: {name} at {us} us a call: {run.get('error_message')}"); ok = False; continue
        if us and name != "BM_SavePlayersOf25000" and run.get("slowed_calls", 0) < 1:
            print(f"FAIL: the shim slowed no calls in {name} at {us} us"); ok = False
        table[(name, us)] = (run["real_time"], run.get("slowed_calls"))
print()
print(f"{'':30}" + "".join(f"{f'{us / 1000:g} ms a call':>22}" for us in delays))
for name, label in zip(names, labels):
    cells = []
    for us in delays:
        t, calls = table.get((name, us), (None, None))
        cell = "failed" if t is None else f"{t:9.1f} ms" + (f" ({calls:.0f} calls)" if us and calls else "")
        cells.append(f"{cell:>22}")
    print(f"{label:30}" + "".join(cells))
sys.exit(0 if ok else 1)
PY
