#!/usr/bin/env bash
# Sets up the machine, builds the 32-bit library and runs the sample host on
# a generated clip under Wine with a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" i686
state=$root/build/i686/display
"$root/scripts/xvfb.sh" start "$state"
trap '"$root/scripts/xvfb.sh" stop "$state" "$root/build/pfx32"' EXIT
"$root/scripts/wine-run.sh" "$root/build/pfx32" 120 "$state" "$root/build/i686/bin/ombrix-probe.exe" "$@"
