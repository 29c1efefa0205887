#!/usr/bin/python3
"""Checks the player's pictures of the sample clip.

check-frame.py grab BMP SECONDS [FPS]
    BMP must be exactly one frame of the sample clip (frame i: R=0x40,
    G=255-i, B=i; a 4x4 red mark bottom-left and a blue one bottom-right),
    and i must be the frame at position SECONDS (the player seeks the paused
    graph there before it grabs).
check-frame.py frame BMP
    BMP must be exactly one frame of the sample clip, any one.
check-frame.py window IMAGE [CLIPS]
    IMAGE (the player window) must show the video (most of its upper part
    in the clip's colours) and a status line with text below it. With CLIPS
    2 (--second) the first clip's part is the left two thirds, where most
    samples must be video, and the second's the right third, where a third
    must be (its clip is fitted there with bars above and below).
"""
import sys

from PIL import Image

STATUS_HEIGHT = 44
TOLERANCE = 0


def fail(message):
    print("check-frame: " + message)
    sys.exit(1)


def check_grab(path, seconds, fps):
    image = Image.open(path)
    if image.mode != "RGB":
        fail("%s is %s, not 24-bit RGB" % (path, image.mode))
    width, height = image.size
    pixels = image.load()
    r, g, b = pixels[width // 2, height // 2]
    if r != 0x40 or g != 255 - b:
        fail("%s: the centre pixel %s is no frame colour" % (path, (r, g, b)))
    index = b
    for y in range(height):
        for x in range(width):
            bottom = y >= height - 4
            if bottom and x < 4:
                want = (255, 0, 0)
            elif bottom and x >= width - 4:
                want = (0, 0, 255)
            else:
                want = (0x40, 255 - index, index)
            if pixels[x, y] != want:
                fail("%s: pixel (%d, %d) is %s, frame %d has %s there" % (path, x, y, pixels[x, y], index, want))
    if seconds is None:
        print("check-frame: %s is frame %d of %dx%d, exact" % (path, index, width, height))
        return
    expected = int(seconds * fps)
    if abs(index - expected) > TOLERANCE:
        fail("%s holds frame %d, but the frame at %.3f s is %d" % (path, index, seconds, expected))
    print("check-frame: %s is frame %d of %dx%d, exact; %.3f s is frame %d" % (path, index, width, height, seconds,
                                                                             expected))


def check_window(path, clips):
    image = Image.open(path).convert("RGB")
    width, height = image.size
    if height <= STATUS_HEIGHT + 16:
        fail("%s is only %dx%d" % (path, width, height))
    pixels = image.load()
    first = width if clips == 1 else width * 2 // 3
    parts = [(0, first, 2)] + ([(first, width, 3)] if clips == 2 else [])
    shown = []
    for clip, (left, right, share) in enumerate(parts, 1):
        video = sum(1 for y in range(0, height - STATUS_HEIGHT, 4) for x in range(left, right, 4)
                    if pixels[x, y][0] == 0x40 and pixels[x, y][1] + pixels[x, y][2] == 255)
        samples = len(range(0, height - STATUS_HEIGHT, 4)) * len(range(left, right, 4))
        if video < samples // share:
            fail("%s: clip %d shows in only %d of %d samples" % (path, clip, video, samples))
        shown.append("%d of %d samples" % (video, samples))
    lines = []
    for top in (height - STATUS_HEIGHT, height - STATUS_HEIGHT // 2):
        lit = sum(1 for y in range(top, top + STATUS_HEIGHT // 2) for x in range(width)
                  if sum(pixels[x, y]) > 500)
        lines.append(lit)
    if min(lines) < 50:
        fail("%s: the status line's two lines have %s light pixels" % (path, lines))
    print("check-frame: %s shows the video (%s) and two lines of status text" % (path, "; ".join(shown)))


def main(args):
    if len(args) >= 3 and args[0] == "grab":
        check_grab(args[1], float(args[2]), int(args[3]) if len(args) > 3 else 25)
    elif len(args) == 2 and args[0] == "frame":
        check_grab(args[1], None, 25)
    elif len(args) in (2, 3) and args[0] == "window" and args[2:] in ([], ["1"], ["2"]):
        check_window(args[1], int(args[2]) if len(args) > 2 else 1)
    else:
        fail("usage: check-frame.py grab BMP SECONDS [FPS] | frame BMP | window IMAGE [1|2]")


main(sys.argv[1:])
