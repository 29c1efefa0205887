#!/usr/bin/env bash
# The main job: sets up the machine, builds the library and the sample player
# (i686), and runs the player for a few seconds on its built-in sample clip
# under Wine with a virtual display. It leaves in out/ a frame grabbed at
# 1.22 s (grab.bmp, checked to be exactly that frame of the clip) and a picture
# of the player window (window.png), and prints their paths.
#   scripts/main-job.sh [player options...]   (they replace the defaults)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" i686
prefix=$root/build/pfx32
state=$root/build/i686/display
out=$root/out
mkdir -p "$out"
rm -f "$out/grab.bmp" "$out/window.bmp" "$out/window.png"
# The Windows name of a Unix path (drive Z: is the Unix root in every prefix;
# no Wine process is started for it before the display is set).
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
if [ $# -gt 0 ]; then
    args=("$@")
else
    args=(--seconds 4.5 --grab-at 1.22 "$(winpath "$out/grab.bmp")" --screenshot "$(winpath "$out/window.bmp")")
fi
# One DirectShow user at a time on this machine (Wine was seen to hang when
# two processes held DirectShow objects at once).
exec 9>/tmp/ombrix-directshow.lock
flock 9
"$root/scripts/xvfb.sh" start "$state" "$prefix"
trap '"$root/scripts/xvfb.sh" stop "$state" "$prefix"' EXIT
set +e
"$root/scripts/wine-run.sh" "$prefix" 60 "$state" "$root/build/i686/bin/ombrix-play.exe" "${args[@]}" |
    tee "$out/player.txt"
rc=${PIPESTATUS[0]}
set -e
[ $# -gt 0 ] && exit "$rc"
if [ "$rc" -ne 0 ]; then
    echo "main-job: ombrix-play exited with $rc" >&2
    exit "$rc"
fi
at=$(sed -n 's/^grab: grabbed .* at \([0-9.]*\) s .*/\1/p' "$out/player.txt")
/usr/bin/python3 "$root/scripts/check-frame.py" grab "$out/grab.bmp" "${at:?no grab line in the player output}"
/usr/bin/python3 "$root/scripts/check-frame.py" window "$out/window.bmp"
/usr/bin/python3 -c 'import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])' \
    "$out/window.bmp" "$out/window.png"
rm -f "$out/window.bmp"
echo "main-job: grabbed frame  $out/grab.bmp"
echo "main-job: player window  $out/window.png"
