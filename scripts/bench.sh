#!/usr/bin/env bash
# bench.sh [--smoke] [--only GROUP,...]: builds ombrix and its benchmark for
# the architecture this machine executes (i686 where it can, else x86_64),
# runs the benchmark under Wine with a headless display and the DirectShow
# lock, prints its table and writes build/bench/results.json.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
build=$ombrix_build

# The part that runs under the lock: display and prefix up, the program
# under its watchdog, display and prefix down.
if [ "${1:-}" = --locked-run ]; then
    shift
    prefix=$1 state=$2
    shift 2
    "$root/scripts/xvfb.sh" start "$state" "$prefix" || exit 1
    trap '"$root/scripts/xvfb.sh" stop "$state" "$prefix"' EXIT
    "$root/scripts/wine-run.sh" "$prefix" "${OMBRIX_BENCH_SECONDS:-1500}" "$state" "$@"
    exit
fi

"$root/scripts/setup.sh"
ombrix_load_machine
arch=x86_64 prefix=$build/pfx64
case " $OMBRIX_ARCHS_RUN " in
*" i686 "*) arch=i686 prefix=$build/pfx32 ;;
esac
"$root/scripts/build.sh" "$arch"

out=$build/bench
rm -rf "$out/media"
mkdir -p "$out/media"
rm -f "$out/results.json"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
echo "bench.sh: running the $arch benchmark under Wine (a few minutes)"
rc=0
ombrix_locked "$root/scripts/bench.sh" --locked-run "$prefix" "$out/display" \
    "$build/$arch/bin/ombrix-bench.exe" --media "$(winpath "$out/media")" \
    --out "$(winpath "$out/results.json")" "$@" || rc=$?
rm -rf "$out/media"
if [ "$rc" -ne 0 ]; then
    echo "bench.sh: the benchmark failed (exit $rc)" >&2
    exit "$rc"
fi
case " $* " in
*" --only "*) ;; # a part of the measures: nothing to check
*) python3 "$root/bench/check_results.py" "$out/results.json" ;;
esac
echo "bench.sh: results in $out/results.json"
