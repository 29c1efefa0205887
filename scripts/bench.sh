#!/usr/bin/env bash
# bench.sh [--smoke]: builds ombrix and its benchmark for
# the architecture this machine executes (i686 where it can, else x86_64),
# runs the benchmark under Wine with a headless display and the DirectShow
# lock, prints its table and writes build/bench/results.json. The Media
# Foundation source's measures run on Wine 10, whose source reader reads the
# MP4 of tests/clips (Wine 8's reads none); without Wine 10 they are
# not measured.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
build=$ombrix_build
# Groups of measures (each in its own process) and their watchdogs in seconds.
groups="open_close:400 calls:200 grab:200 first_frame:300 loop_gap:300 memory:600"

# The part that runs under the lock: display and prefix up, the program
# under its watchdog once per group of measures, display and prefix down.
# Wine's renderers keep state across the graphs of one process (a teardown
# was seen to hang after many graphs), so each group of measures gets a fresh
# process, and a group whose process does not finish is run once more.
if [ "${1:-}" = --locked-run ]; then
    shift
    prefix=$1 state=$2 exe=$3 media=$4 out=$5 prefix10=$6 clips=$7
    shift 7
    winpath() { printf 'Z:%s' "${1//\//\\}"; }
    if [ -f "$prefix10/.ombrix-ready" ] && [ -f "$clips/clip.mp4" ]; then
        "$root/scripts/xvfb.sh" start "$state-wine10" "$prefix10" || exit 1
        rc=0
        "$root/scripts/wine-run.sh" "$prefix10" 300 "$state-wine10" "$exe" --only media_foundation \
            --clips "$(winpath "$clips")" --media "$(winpath "$media")" \
            --out "$(winpath "$out/part-media_foundation.json")" "$@" || rc=$?
        "$root/scripts/xvfb.sh" stop "$state-wine10" "$prefix10"
        [ "$rc" -eq 0 ] || echo "bench.sh: the media_foundation measures ended with $rc" >&2
    else
        echo "bench.sh: media_foundation not measured (no Wine 10 prefix or no clips)" >&2
    fi
    "$root/scripts/xvfb.sh" start "$state" "$prefix" || exit 1
    trap '"$root/scripts/xvfb.sh" stop "$state" "$prefix"' EXIT
    for group in $groups; do
        seconds=${group#*:} group=${group%%:*}
        for attempt in 1 2; do
            rm -f "$out/part-$group.json"
            rc=0
            "$root/scripts/wine-run.sh" "$prefix" "$seconds" "$state" "$exe" --only "$group" \
                --media "$(winpath "$media")" --out "$(winpath "$out/part-$group.json")" "$@" || rc=$?
            [ "$rc" -eq 0 ] && break
            echo "bench.sh: the $group measures ended with $rc (attempt $attempt)" >&2
            [ "$attempt" -eq 2 ] && exit "$rc"
        done
    done
    exit 0
fi

"$root/scripts/setup.sh"
ombrix_load_machine
# An emulated lane gives no figures: i686 is measured only where it runs natively.
arch=x86_64 prefix=$build/pfx64
[ "$OMBRIX_I686_RUNS" = native ] && arch=i686 prefix=$build/pfx32
prefix10=$prefix-wine10
"$root/scripts/build.sh" "$arch"

out=$build/bench
rm -rf "$out/media"
mkdir -p "$out/media"
rm -f "$out/results.json" "$out"/part-*.json
echo "bench.sh: running the $arch benchmark under Wine (a few minutes)"
rc=0
ombrix_locked "$root/scripts/bench.sh" --locked-run "$prefix" "$out/display" \
    "$build/$arch/bin/ombrix-bench.exe" "$out/media" "$out" "$prefix10" "$root/tests/clips" "$@" || rc=$?
rm -rf "$out/media"
if [ "$rc" -ne 0 ]; then
    echo "bench.sh: the benchmark failed (exit $rc)" >&2
    exit "$rc"
fi
python3 "$root/bench/check_results.py" --merge "$out/results.json" "$out"/part-*.json
echo "bench.sh: results in $out/results.json"
