#!/usr/bin/env bash
# Measures entering a classroom, the loader of today and the one before it, first on the local disk
# and then with every file-system call slowed to 1 ms as on a network drive (bench/slowfs_shim.c
# preloaded). BUILD_DIR is a build without sanitizers (the shim cannot go under AddressSanitizer),
# Release for figures worth quoting. Fails when the shim slowed nothing or a loader lost records.
set -euo pipefail
build="${1:?usage: bench/loading.sh BUILD_DIR}"
bench="$build/bin/bench_loading_bench"
shim="$build/bin/libslowfs_shim.so"
if nm -D "$bench" 2>/dev/null | grep -q __asan_init; then
    echo "loading.sh: $bench is built with AddressSanitizer; use a build without it" >&2
    exit 2
fi
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
echo "== local disk"
"$bench" --benchmark_format=console --benchmark_out="$out/local.json" --benchmark_out_format=json
echo "== every file-system call 1 ms (LD_PRELOAD=$shim)"
SLOWFS_DELAY_US=1000 LD_PRELOAD="$shim" "$bench" --benchmark_format=console \
    --benchmark_out="$out/slow.json" --benchmark_out_format=json
# Both runs must have loaded every record, and the slowed one must really have slowed calls.
python3 - "$out/local.json" "$out/slow.json" <<'PY'
import json, sys
local, slow = (json.load(open(f))["benchmarks"] for f in sys.argv[1:])
ok = True
for run in local + slow:
    if run.get("error_occurred") or run.get("records") != 3000:
        print("FAIL:", run["name"], "did not load 3000 records"); ok = False
for run in slow:
    if run.get("slowed_calls", 0) < 100:
        print("FAIL: the shim slowed no calls in", run["name"]); ok = False
ms = lambda runs, name: next(r["real_time"] for r in runs if r["name"].split("/")[0] == name)
for label, runs in (("local disk", local), ("1 ms a call", slow)):
    before, now = ms(runs, "BM_EnterClassroomBefore"), ms(runs, "BM_EnterClassroom")
    print(f"{label:12}: before {before:9.1f} ms, now {now:9.1f} ms ({now / before:.2f} x)")
sys.exit(0 if ok else 1)
PY
