#!/usr/bin/env bash
# Sets up the second platform: Wine 10.0 from Debian 13, in a root of its own
# (debootstrap from the host's Debian mirror, verified by the keyring Debian
# 12 has; packages through apt inside it), bound to the host's /tmp, home and
# trees, with a Wine 10 prefix per architecture this machine runs
# (build/pfx64-wine10, build/pfx32-wine10). Where it cannot be made, the
# reason goes to build/wine10.why and machine.env records the lane as not
# run; the setup itself does not fail for it. OMBRIX_NO_WINE10=1 skips it.
# Safe to run again: every step is skipped when its result is already there.
#   setup-wine10.sh --remove   unmounts the binds and deletes the root (never
#                              delete it by hand while /tmp and the trees are
#                              bound into it: the deletion would reach them)
set -uo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
build=$ombrix_build
target=$ombrix_wine10_root
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

if [ "${1:-}" = --remove ]; then
    # The deepest mounts first; then nothing of the host is left inside.
    mount | awk -v root="$target" '$3 == root || index($3, root "/") == 1 { print $3 }' | sort -r |
        while read -r m; do $sudo umount "$m" || exit 1; done || exit 1
    if mount | awk -v root="$target" 'index($3, root "/") == 1 { found = 1 } END { exit !found }'; then
        echo "setup-wine10: something is still mounted below $target; not deleting it" >&2
        exit 1
    fi
    $sudo rm -rf --one-file-system "$target"
    rm -f "$build/wine10.why"
    echo "setup-wine10: removed $target"
    exit 0
fi
rm -f "$build/wine10.why"

# Records why the lane cannot run, and stops.
give_up() {
    echo "setup-wine10: Wine 10 will not run: $1" >&2
    mkdir -p "$build"
    echo "$1" > "$build/wine10.why"
    ombrix_record_machine
    exit 0
}

if [ "${OMBRIX_NO_WINE10:-0}" = 1 ]; then
    ombrix_record_machine
    echo "setup-wine10: skipped (OMBRIX_NO_WINE10=1)"
    exit 0
fi
. "$build/machine.env"

if [ ! -f "$target/.ombrix-ready" ]; then
    started=$SECONDS
    free_kb=$(df -Pk "$(dirname "$target")" 2>/dev/null | awk 'NR == 2 { print $4 }')
    [ -n "$free_kb" ] || free_kb=$(df -Pk / | awk 'NR == 2 { print $4 }')
    # 3.8 GB with the package cache, before it is cleaned; prefixes add 2.6 GB.
    [ "$free_kb" -ge $((8 * 1024 * 1024)) ] || give_up "only $((free_kb / 1024)) MB free for its root; it needs 8 GB"
    if ! command -v debootstrap >/dev/null; then
        log=$(mktemp)
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get -y -qq --no-install-recommends install debootstrap \
            >"$log" 2>&1 || give_up "debootstrap could not be installed: $(grep -E '^E:' "$log" | head -2 | tr '\n' ' ')"
        rm -f "$log"
    fi
    # The host's own Debian mirror, else Debian's.
    mirror=$(grep -rhs -E '^(URIs:|deb) ' /etc/apt/sources.list /etc/apt/sources.list.d/ |
        grep -oE 'https?://[^ ]*/debian/?( |$)' | head -1 | tr -d ' ')
    mirror=${mirror:-http://deb.debian.org/debian}
    echo "setup-wine10: making a Debian 13 root at $target from $mirror"
    $sudo mkdir -p "$target"
    log=$(mktemp)
    if ! $sudo debootstrap --variant=minbase --include=ca-certificates \
            --keyring=/usr/share/keyrings/debian-archive-keyring.gpg trixie "$target" "$mirror" >"$log" 2>&1; then
        reason="debootstrap failed: $(grep -E '^(E|W):' "$log" | tail -2 | tr '\n' ' ')"
        rm -f "$log"
        give_up "$reason"
    fi
    rm -f "$log"
    # No service starts inside.
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$target/usr/sbin/policy-rc.d" >/dev/null
    $sudo chmod +x "$target/usr/sbin/policy-rc.d"
    why=$(ombrix_wine10_mount) || give_up "$why"
    inside() {
        $sudo chroot "$target" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
            DEBIAN_FRONTEND=noninteractive "$@"
    }
    packages=(wine wine64 fonts-vlgothic libgl1 libglx-mesa0 libgl1-mesa-dri
        gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
        gstreamer1.0-plugins-ugly gstreamer1.0-libav)
    if [ "$OMBRIX_I686_RUNS" != no ]; then
        inside dpkg --add-architecture i386
        packages+=(wine32:i386 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
            gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 gstreamer1.0-plugins-bad:i386
            gstreamer1.0-plugins-ugly:i386 gstreamer1.0-libav:i386)
    fi
    log=$(mktemp)
    if ! inside apt-get update -qq >"$log" 2>&1 ||
       ! inside apt-get -y -qq --no-install-recommends install "${packages[@]}" >>"$log" 2>&1; then
        reason="its packages could not be installed: $(grep -E '^E:' "$log" | head -3 | tr '\n' ' ')"
        rm -f "$log"
        give_up "$reason"
    fi
    rm -f "$log"
    inside apt-get clean
    $sudo touch "$target/.ombrix-ready"
    echo "setup-wine10: Debian 13 root with $(inside /usr/lib/wine/wine64 --version 2>/dev/null) ready in $((SECONDS - started)) s"
fi

ombrix_record_machine
. "$build/machine.env"
why=$(ombrix_wine10_mount) || give_up "$why"
"$root/scripts/wine-prefix.sh" "$build/pfx64-wine10" win64 || give_up "its win64 prefix could not be made"
if [ "$OMBRIX_I686_RUNS" != no ]; then
    "$root/scripts/wine-prefix.sh" "$build/pfx32-wine10" win32 || give_up "its win32 prefix could not be made"
fi
echo "setup-wine10: Wine 10 ready ($(ombrix_in_wine10 /usr/lib/wine/wine64 --version 2>/dev/null))"
