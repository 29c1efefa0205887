#!/usr/bin/env bash
# The main job: sets up the machine, builds the library and the sample player,
# and runs the player for a few seconds on its built-in sample clip, twice at
# once (players 0 and 1, the second in the right third of the window), under
# Wine with a virtual display. It leaves in out/ a frame of the first clip
# grabbed at 1.22 s (grab.bmp, checked to be exactly that frame of the clip)
# and a picture of the player window (window.png, checked to show both clips),
# and prints their paths.
#   scripts/main-job.sh [player options...]   (they replace the defaults)
# The player runs as i686 where this machine executes 32-bit programs,
# natively or emulated, else as x86_64; the job says which, and how.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
"$root/scripts/setup.sh"
. "$ombrix_build/machine.env"
if [ -z "$OMBRIX_I686_NOT_RUN" ]; then
    arch=i686 prefix=$ombrix_build/pfx32
    echo "main-job: running the i686 player ($OMBRIX_I686_HOW)"
else
    arch=x86_64 prefix=$ombrix_build/pfx64
    echo "main-job: running the x86_64 player; i686 cannot run: $OMBRIX_I686_NOT_RUN"
fi
OMBRIX_TARGETS="ombrix ombrix-play" "$root/scripts/build.sh" "$arch"
state=$ombrix_build/$arch/display
out=$root/out
mkdir -p "$out"
rm -f "$out/grab.bmp" "$out/window.bmp" "$out/window.png"
# The Windows name of a Unix path (drive Z: is the Unix root in every prefix;
# no Wine process is started for it before the display is set).
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
if [ $# -gt 0 ]; then
    args=("$@")
else
    args=(--seconds 4.5 --second --grab-at 1.22 "$(winpath "$out/grab.bmp")" --screenshot "$(winpath "$out/window.bmp")")
fi
# One DirectShow user at a time on this machine (Wine was seen to hang when
# two processes held DirectShow objects at once): the display, the prefix's
# server and the player run under the lock, which none of them inherits.
set +e
ombrix_locked "$root/scripts/main-run.sh" "$prefix" "$state" "$ombrix_build/$arch/bin/ombrix-play.exe" \
    "${args[@]}" | tee "$out/player.txt"
rc=${PIPESTATUS[0]}
set -e
[ $# -gt 0 ] && exit "$rc"
if [ "$rc" -ne 0 ]; then
    echo "main-job: ombrix-play exited with $rc" >&2
    exit "$rc"
fi
at=$(sed -n 's/^grab: grabbed .* at \([0-9.]*\) s .*/\1/p' "$out/player.txt")
/usr/bin/python3 "$root/scripts/check-frame.py" grab "$out/grab.bmp" "${at:?no grab line in the player output}"
/usr/bin/python3 "$root/scripts/check-frame.py" window "$out/window.bmp" 2
/usr/bin/python3 -c 'import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])' \
    "$out/window.bmp" "$out/window.png"
rm -f "$out/window.bmp"
echo "main-job: ran the $(ombrix_how_ran "$arch" | sed 's/ ran / player /')"
echo "main-job: grabbed frame  $out/grab.bmp"
echo "main-job: player window  $out/window.png"
