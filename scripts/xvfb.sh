#!/usr/bin/env bash
# xvfb.sh start|stop STATE_DIR [WINEPREFIX...]: start starts a headless X
# server when there is no display (and records it in STATE_DIR/display), then
# boots the given prefixes; stop ends the given prefixes' Wine processes, then
# the server it started.
set -u
. "$(dirname "$0")/lib.sh"
action=$1 state=$2
shift 2
# A prefix of an architecture this machine cannot execute: nothing to start
# or stop (exit 77, CTest's skip here).
for prefix in "$@"; do
    ombrix_skip_unless_runnable "$prefix"
done
mkdir -p "$state"

# Starts a prefix's Wine server for good and its services (explorer, the
# device and plug-and-play services) with no terminal or pipe attached.
# Otherwise the first test program starts them, they inherit its output
# pipe, and CTest counts that test as running until the very end.
# A prefix this machine cannot execute (or that was never made) is skipped.
boot_prefixes() {
    for prefix in "$@"; do
        [ -f "$prefix/.ombrix-ready" ] || continue
        if [ "$(ombrix_prefix_arch "$prefix")" = win32 ]; then
            ombrix_load_machine "$(dirname "$prefix")"
            [ -z "$OMBRIX_I686_NOT_RUN" ] || continue
        fi
        WINEPREFIX=$prefix ombrix_on_platform "$prefix" wineserver -p </dev/null >/dev/null 2>&1
        WINEDEBUG=-all timeout -k 5 60 bash -c '. "$1"; ombrix_wine "$2" cmd /c exit' _ \
            "$ombrix_root/scripts/lib.sh" "$prefix" </dev/null >/dev/null 2>&1
    done
    return 0
}

case $action in
start)
    rm -f "$state/display" "$state/xvfb.pid"
    if [ -n "${DISPLAY:-}" ]; then
        boot_prefixes "$@"
        exit 0
    fi
    for n in $(seq 90 140); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        pid=$!
        for _ in $(seq 100); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        # Two rigs starting at once may pick the same number: the server
        # whose pid is in the lock file won it; a loser is ended and the
        # next number tried.
        if [ -e "/tmp/.X11-unix/X$n" ] &&
           [ "$(tr -d ' \n' < "/tmp/.X$n-lock" 2>/dev/null)" = "$pid" ]; then
            echo "$pid" > "$state/xvfb.pid"
            echo ":$n" > "$state/display"
            DISPLAY=":$n" boot_prefixes "$@"
            exit 0
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    echo "xvfb.sh: could not start Xvfb" >&2
    exit 1
    ;;
stop)
    for prefix in "$@"; do
        WINEPREFIX=$prefix ombrix_on_platform "$prefix" wineserver -k 2>/dev/null
        WINEPREFIX=$prefix ombrix_on_platform "$prefix" wineserver -w 2>/dev/null
    done
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null
        rm -f "$state/xvfb.pid" "$state/display"
    fi
    exit 0
    ;;
esac
