#!/usr/bin/env bash
# main-run.sh PREFIX STATE_DIR PLAYER [args...]: the main job's run of the
# player, between starting and stopping the display and the prefix (called
# by main-job.sh under the DirectShow lock).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=$1 state=$2 player=$3
shift 3
"$root/scripts/xvfb.sh" start "$state" "$prefix" || exit 1
trap '"$root/scripts/xvfb.sh" stop "$state" "$prefix"' EXIT
"$root/scripts/wine-run.sh" "$prefix" 60 "$state" "$player" "$@"
