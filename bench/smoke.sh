#!/usr/bin/env bash
# smoke.sh PREFIX STATE_DIR BENCH_EXE OUT_DIR: runs the benchmark once with
# tiny counts under Wine and checks that it wrote every metric as valid JSON.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1 state=$2 exe=$3 out=$4
rm -rf "$out"
mkdir -p "$out/media"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
"$root/scripts/wine-run.sh" "$prefix" 300 "$state" "$exe" --smoke --media "$(winpath "$out/media")" \
    --out "$(winpath "$out/results.json")"
rc=$?
[ "$rc" -eq 0 ] || exit "$rc"
rm -rf "$out/media"
python3 "$root/bench/check_results.py" "$out/results.json"
