#!/usr/bin/env bash
# Makes again the compressed clips of the Media Foundation tests, kept in
# tests/clips (the tests and benchmarks read them from there, so no machine
# needs an encoder to test), with GStreamer's encoders inside the Wine 10
# root (Debian 13 has x264 and libav's AAC; the host's Debian 12 packages
# for Wine 8 have no H.264 encoder):
#   clip.mp4     64x48 H.264 (High) at 25 fps, 50 frames, with stereo AAC
#                at 44.1 kHz, 2 s. Frame i is one colour, R=0x40,
#                G=16*(i/16)+8, B=16*(i%16)+8: steps of 16 survive the
#                codec's rounding, so a grab still says its frame's number.
#   tone.m4a     AAC only, 2 s.
#   clip444.mp4  the same video in H.264 High 4:4:4, a profile the
#                platforms' decoders refuse.
# The encoders' output differs from version to version: commit new clips
# only with the tests' expectations checked on both platforms.
set -uo pipefail
. "$(dirname "$0")/lib.sh"
out=$ombrix_root/tests/clips
mkdir -p "$out"

not_made() {
    echo "make-clips: $1" >&2
    exit 1
}
[ -f "$ombrix_wine10_root/.ombrix-ready" ] || not_made "no Wine 10 root to encode them in"
if [ ! -x "$ombrix_wine10_root/usr/bin/gst-launch-1.0" ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo chroot "$ombrix_wine10_root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        DEBIAN_FRONTEND=noninteractive apt-get -y -qq --no-install-recommends install gstreamer1.0-tools \
        >/dev/null 2>&1 || not_made "gstreamer1.0-tools could not be installed in the Wine 10 root"
fi

work=$(mktemp -d /tmp/ombrix-clips.XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$work/frames.rgb" <<'PY'
import sys
width, height, frames = 64, 48, 50
with open(sys.argv[1], "wb") as f:
    for i in range(frames):
        f.write(bytes([0x40, 16 * (i // 16) + 8, 16 * (i % 16) + 8]) * (width * height))
PY
gst() { ombrix_in_wine10 gst-launch-1.0 -q "$@" >>"$work/log" 2>&1; }
frames="filesrc location=$work/frames.rgb ! rawvideoparse width=64 height=48 format=rgb framerate=25/1 ! videoconvert"
tone="audiotestsrc num-buffers=86 samplesperbuffer=1024 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! avenc_aac ! aacparse"
# shellcheck disable=SC2086
gst $frames ! video/x-raw,format=I420 ! x264enc key-int-max=25 bframes=0 ! h264parse ! mp4mux name=m \
    ! filesink location="$work/clip.mp4" $tone ! m. &&
    gst $tone ! mp4mux ! filesink location="$work/tone.m4a" &&
    gst $frames ! video/x-raw,format=Y444 ! x264enc bframes=0 ! h264parse ! mp4mux ! filesink location="$work/clip444.mp4" ||
    not_made "GStreamer could not encode them: $(tail -2 "$work/log" | tr '\n' ' ')"
mv "$work/clip.mp4" "$work/tone.m4a" "$work/clip444.mp4" "$out/"
echo "make-clips: clips ready in $out"
