#!/usr/bin/env bash
# player-run.sh CASE PREFIX STATE_DIR PLAYER WORK_DIR GAPS: runs the sample player
# under Wine (with the watchdog of wine-run.sh) in one unattended case:
#   missing  a file that does not exist: a message with omb_Open's code, exit 1
#   corrupt  a file of random bytes: the same
#   grab     the sample clip: a grabbed frame that is exactly the frame at its
#            time, and a window picture that shows the video and the status
#   second   the sample clip on two players at once (--second): the first
#            clip's grab is still exactly its frame, the window shows both
#            clips, and each clip's end comes back under its own player
#   keys     every key in mode 0, each answered on the console with its codes
#            (the platform's gaps among them as codes, never a crash or a
#            hang; GAPS is the program that prints the gap table's answers)
#   keys-vmr9  the keys that differ in VMR-9 mode (overlay, statistics, full
#            screen, grab without a connected grabber)
set -u
case_name=$1 prefix=$2 state=$3 player=$4 work=$5 gaps_program=${6:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lib.sh"
ombrix_skip_unless_runnable "$prefix"
run() { "$root/scripts/wine-run.sh" "$prefix" 60 "$state" "$player" "$@"; }
# The Windows name of a Unix path (drive Z: is the Unix root in every prefix;
# no Wine process is started for it before the display is set).
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
rm -rf "$work"
mkdir -p "$work"

expect_open_failure() {
    local file=$1 rc
    run "$(winpath "$file")" --seconds 5 >"$work/out.txt" 2>&1
    rc=$?
    # wine-run.sh filters the program's standard error through a process of
    # its own, which may write a moment after wine-run.sh ended.
    for _ in $(seq 30); do
        grep -q 'cannot open' "$work/out.txt" && break
        sleep 0.1
    done
    cat "$work/out.txt"
    if [ "$rc" -ne 1 ]; then
        echo "FAIL: exit code $rc, expected 1"
        exit 1
    fi
    if ! grep -qE 'cannot open ".*": omb_Open returned -[0-9]+ \(' "$work/out.txt"; then
        echo "FAIL: no message with omb_Open's code"
        exit 1
    fi
}

case $case_name in
missing)
    expect_open_failure "$work/no-such-clip.avi"
    grep -q "the file does not exist" "$work/out.txt" || { echo "FAIL: the message does not say the file is missing"; exit 1; }
    ;;
corrupt)
    head -c 65536 /dev/urandom > "$work/corrupt.avi"
    expect_open_failure "$work/corrupt.avi"
    ;;
grab | second)
    second=()
    [ "$case_name" = second ] && second=(--second)
    run --seconds 4.5 "${second[@]}" --grab-at 1.22 "$(winpath "$work/grab.bmp")" \
        --screenshot "$(winpath "$work/window.bmp")" >"$work/out.txt" 2>&1
    rc=$?
    cat "$work/out.txt"
    [ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc"; exit 1; }
    at=$(sed -n 's/^grab: grabbed .* at \([0-9.]*\) s .*/\1/p' "$work/out.txt")
    [ -n "$at" ] || { echo "FAIL: no grab line"; exit 1; }
    /usr/bin/python3 "$root/scripts/check-frame.py" grab "$work/grab.bmp" "$at" || exit 1
    /usr/bin/python3 "$root/scripts/check-frame.py" window "$work/window.bmp" $((${#second[@]} + 1)) || exit 1
    if [ "$case_name" = second ]; then
        # The 3 s clips end within the 4.5 s, and the worker repeats both.
        for line in "ombrix-play: opened .* as clip 2 \(player 1\), video 320x240, duration 0:03.0" "event 1: " \
                    "clip 2: event 1: "; do
            grep -qE "^$line" "$work/out.txt" || { echo "FAIL: no line \"$line\""; exit 1; }
        done
    fi
    ;;
keys | keys-vmr9)
    # Where the platform has a gap, the gap table gives the expected line.
    gaps=$("$root/scripts/wine-run.sh" "$prefix" 30 "$state" "$gaps_program" | tr -d '\r')
    [ -n "$gaps" ] || { echo "FAIL: no answers from the gap table ($gaps_program)"; exit 1; }
    has_gap() { grep -qx "$1=1" <<< "$gaps"; }
    if [ "$case_name" = keys ]; then
        keys="IOP.FFHHG+-^v<> " mode=0
        pages="P: omb_FillterProp = 0"
        # A renderer with pages would show its frame and wait for a user.
        has_gap NoPropertyPages || keys=${keys/P/} pages="I: "
        expected=("I: frame rate -2, sync offset -2, dev -2, drawn -2, dropped -2, jitter -2; [0-9]+ filters"
                  "O: omb_VMRMixImage = -2" "$pages" "\\.: omb_SetFrameStep\\(1\\) = "
                  "F: omb_FullScreen\\(1\\) = 0" "F: omb_FullScreen\\(0\\) = 0" "H: omb_SetHideCursor\\(0\\) = 0"
                  "G: grabbed grab-0001.bmp" "\\+: omb_SetSpeed2 = 0" "-: omb_SetSpeed2 = 0" "Up: omb_SetVolume = 0"
                  "Down: omb_SetVolume = 0" "Left: omb_SetSeek = 0" "Right: omb_SetSeek = 0" "Space: omb_Stop = 0")
    else
        keys="OIFG" mode=vmr9
        statistics="I: frame rate [0-9]+, "
        has_gap NoQualProp && statistics="I: frame rate -3, .* jitter -3"
        expected=("O: omb_VMRMixImage = " "$statistics" "F: omb_FullScreen\\(1\\) = 0" "G: ")
        # Where a playing VMR-9 takes the player down (the gap table), the
        # case cannot run: CTest reports it as not run, with the gap.
        if has_gap Vmr9PlaybackXError; then
            echo "not run: the platform's VMR-9 ends a playing player with an X error (gap Vmr9PlaybackXError)"
            exit 77
        fi
    fi
    # The keys come one every 0.25 s from 1 s on.
    seconds=$(awk -v n=${#keys} 'BEGIN { print 1.5 + n * 0.25 }')
    (cd "$work" && run --mode "$mode" --seconds "$seconds" --quiet --keys "$keys") >"$work/out.txt" 2>&1
    rc=$?
    grep -v '^  filter ' "$work/out.txt"
    [ "$rc" -eq 0 ] || { echo "FAIL: exit code $rc"; exit 1; }
    for line in "${expected[@]}"; do
        grep -qE "^$line" "$work/out.txt" || { echo "FAIL: no line \"$line\""; exit 1; }
    done
    if [ "$case_name" = keys ]; then
        /usr/bin/python3 "$root/scripts/check-frame.py" frame "$work/grab-0001.bmp" || exit 1
    fi
    ;;
*)
    echo "player-run.sh: unknown case $case_name"
    exit 2
    ;;
esac
echo "PASS: $case_name"
