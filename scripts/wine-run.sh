#!/usr/bin/env bash
# Runs one Windows test program under Wine (the prefix's platform) with a
# watchdog:
#   wine-run.sh PREFIX SECONDS STATE_DIR program.exe [args...]
# STATE_DIR holds the display that xvfb.sh started, if the rig started one.
# Where this machine cannot execute the prefix's architecture, the program is
# not run: the reason is printed and the exit code is 77, which CTest reports
# as a skip. Where it runs emulated, SECONDS grow by the lane's time scale.
set -u
. "$(dirname "$0")/lib.sh"
prefix=$(ombrix_absolute "$1") || exit 2
seconds=$2 state=$3
shift 3
ombrix_skip_unless_runnable "$prefix"
seconds=$(ombrix_scaled_seconds "$prefix" "$seconds")
arch=$(ombrix_prefix_arch "$prefix")
if [ ! -f "$prefix/.ombrix-ready" ]; then
    echo "wine-run.sh: no Wine prefix at $prefix (scripts/setup.sh makes it)" >&2
    exit 2
fi
loader=$(ombrix_wine_loader "$arch")
export WINEPREFIX=$prefix WINELOADER=$loader WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ] && [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
fi
# The watchdog ends only the process group of this program (timeout's own),
# never the prefix's server: unit tests run beside it in the same prefix.
# winealsa's MIDI probe prints one line per process when there is no sequencer.
timeout -k 5 "$seconds" bash -c '. "$1"; shift; ombrix_on_platform "$@"' _ "$ombrix_root/scripts/lib.sh" \
    "$prefix" "$loader" "$@" 2> >(grep -v -E '^ALSA lib|GStreamer-CRITICAL|^$' >&2)
rc=$?
if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "watchdog: $(basename "$1") did not finish within ${seconds}s" >&2
fi
exit "$rc"
