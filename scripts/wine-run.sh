#!/usr/bin/env bash
# Runs one Windows test program under Wine with a watchdog:
#   wine-run.sh PREFIX SECONDS STATE_DIR program.exe [args...]
# STATE_DIR holds the display that xvfb.sh started, if the rig started one.
set -u
prefix=$1 seconds=$2 state=$3
shift 3
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ] && [ -f "$state/display" ]; then
    DISPLAY=$(cat "$state/display")
    export DISPLAY
fi
# winealsa's MIDI probe prints one line per process when there is no sequencer.
timeout -k 5 "$seconds" wine "$@" 2> >(grep -v -E '^ALSA lib|GStreamer-CRITICAL|^$' >&2)
rc=$?
if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "watchdog: $(basename "$1") did not finish within ${seconds}s" >&2
    wineserver -k 2>/dev/null
fi
exit "$rc"
