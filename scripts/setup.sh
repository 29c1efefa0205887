#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools on Debian 12, then
# prepares the Wine prefixes under the build tree: build/pfx64 always, and
# build/pfx32 where this machine runs 32-bit x86 programs, natively or
# emulated by QEMU's user mode, which the setup installs and registers where
# the kernel refuses them. How i686 runs is recorded in build/machine.env
# (OMBRIX_NO_32BIT=1 forces "not at all"; OMBRIX_EMULATE_32BIT=1 sets up the
# emulator even where the machine runs 32-bit code itself).
# Safe to run again: every step is skipped when its result is already there.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
build=$ombrix_build
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

apt_quiet() {
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get -y -qq --no-install-recommends "$@"
}
# apt's own reason from a log: its error lines, else the log's end.
apt_reason() {
    grep -E '^E:' "$1" | head -3 | tr '\n' ' ' | sed 's/ $//' | grep . || tail -3 "$1" | tr '\n' ' '
}
# Runs apt-get update; a failing index (seen: a mirror serving a stale i386
# security index) does not stop the setup, whose installs say what is missing.
apt_update() {
    if ! $sudo apt-get update -qq; then
        echo "setup: apt-get update failed for some index; going on with what it fetched" >&2
    fi
}

# QEMU's user-mode emulator for i386 programs, for a machine whose kernel
# refuses them: Debian 12 backports' qemu-user (its static qemu-i386),
# registered with binfmt_misc with the fix-binary flag so that every process
# Wine starts finds it. Prints why not when it cannot be had.
backports=/etc/apt/sources.list.d/ombrix-backports.sources
setup_emulation() {
    local version log
    version=$(ombrix_qemu_version "$ombrix_qemu")
    if ! ombrix_qemu_new_enough "$version"; then
        if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
            echo "setup: adding Debian 12's backports suite for QEMU's user-mode emulator" >&2
            printf 'Types: deb\nURIs: http://deb.debian.org/debian\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
                | $sudo tee "$backports" >/dev/null
        fi
        apt_update >&2
        log=$(mktemp)
        echo "setup: installing qemu-user from bookworm-backports" >&2
        if ! apt_quiet install -t bookworm-backports qemu-user >"$log" 2>&1; then
            echo "QEMU's user-mode emulator could not be installed: $(apt_reason "$log")"
            rm -f "$log"
            return
        fi
        rm -f "$log"
        version=$(ombrix_qemu_version "$ombrix_qemu")
        if ! ombrix_qemu_new_enough "$version"; then
            echo "the installed QEMU (${version:-no version}) is older than $ombrix_qemu_min_major, which Wine needs"
            return
        fi
    fi
    if [ ! -e "$ombrix_binfmt/register" ]; then
        local out
        if ! out=$($sudo mount -t binfmt_misc binfmt_misc "$ombrix_binfmt" 2>&1); then
            echo "binfmt_misc cannot be mounted here, so no emulator can be registered (${out//$'\n'/; })"
            return
        fi
    fi
    # An older emulator registered under the usual name makes way for ours.
    if [ -e "$ombrix_binfmt/qemu-i386" ]; then
        echo -1 | $sudo tee "$ombrix_binfmt/qemu-i386" >/dev/null 2>&1 || true
    fi
    if ! printf ':qemu-i386:M::%s:%s:%s:F' "$ombrix_i386_magic" "$ombrix_i386_mask" "$ombrix_qemu" \
            | $sudo tee "$ombrix_binfmt/register" >/dev/null 2>&1; then
        echo "QEMU $version could not be registered with binfmt_misc for i386 programs"
        return
    fi
    echo "setup: registered QEMU $version's qemu-i386 for i386 programs" >&2
}

ombrix_record_machine
. "$build/machine.env"
if [ "${OMBRIX_NO_32BIT:-0}" != 1 ]; then
    if { [ "$OMBRIX_I686_RUNS" = no ] && [[ $OMBRIX_I686_NOT_RUN == *"Exec format error"* ]]; } ||
       { [ "${OMBRIX_EMULATE_32BIT:-0}" = 1 ] && [ "$OMBRIX_I686_RUNS" != emulated ]; }; then
        echo "setup: i386 programs do not run natively here (or emulation was asked for); setting up QEMU's user-mode emulator"
        why=$(setup_emulation)
        if [ -n "$why" ]; then
            ombrix_record_machine no "$why"
        else
            ombrix_record_machine
        fi
        . "$build/machine.env"
    fi
fi
case $OMBRIX_I686_RUNS in
no) echo "setup: i686 tests will not run: $OMBRIX_I686_NOT_RUN" ;;
*) echo "setup: i686 runs $OMBRIX_I686_HOW" ;;
esac

packages_amd64=(cmake make ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 xvfb xauth
    doctest-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good zip
    libgl1 libglx-mesa0 libgl1-mesa-dri
    llvm unzip python3 python3-pil fonts-vlgothic)
packages_i386=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
    libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}
updated=0
update_once() {
    [ "$updated" = 1 ] || apt_update
    updated=1
}

# The 64-bit side must install; without it nothing builds or runs.
mapfile -t missing < <(missing_of "${packages_amd64[@]}")
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    update_once
    log=$(mktemp)
    if ! apt_quiet install "${missing[@]}" >"$log" 2>&1; then
        echo "setup: could not install: ${missing[*]}" >&2
        echo "setup: apt-get said:" >&2
        grep -E '^(E:|W:| )' "$log" >&2 || tail -20 "$log" >&2
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
fi

# The 32-bit side, where i686 runs. The package mirror can serve a stale
# index for one suite (seen: Debian's i386 security index, "File has
# unexpected size"), and then the amd64 libraries have security versions that
# their i386 twins lack ("held broken packages"). Two more tries follow, each
# with indexes apt verified against their signed release files: the security
# suite from its own host (security.debian.org) instead of the mirror, then
# the security suite pinned below the main suite. When neither helps, i686 is
# recorded as not run with apt's reason, and the 64-bit side goes on.
security=/etc/apt/sources.list.d/ombrix-security-origin.sources
pin=/etc/apt/preferences.d/ombrix-security-pin
cleanup_apt() {
    $sudo rm -f "$pin"
    if [ -f "$security" ]; then
        $sudo rm -f "$security"
        $sudo apt-get update -qq >/dev/null 2>&1 || true
    fi
}
if [ "$OMBRIX_I686_RUNS" != no ]; then
    mapfile -t missing < <(missing_of "${packages_i386[@]}")
    if [ ${#missing[@]} -gt 0 ]; then
        echo "setup: installing ${missing[*]}"
        dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
        updated=0
        update_once
        log=$(mktemp)
        if ! apt_quiet install "${missing[@]}" >"$log" 2>&1; then
            echo "setup: the 32-bit install failed ($(apt_reason "$log")); retrying with the security suite from security.debian.org" >&2
            trap cleanup_apt EXIT
            printf 'Types: deb\nURIs: http://security.debian.org/debian-security\nSuites: bookworm-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
                | $sudo tee "$security" >/dev/null
            apt_update
            rc=0
            apt_quiet install "${missing[@]}" >"$log" 2>&1 || rc=$?
            if [ "$rc" -ne 0 ]; then
                echo "setup: retrying once more with the security suite pinned below the main suite" >&2
                printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' | $sudo tee "$pin" >/dev/null
                rc=0
                apt_quiet install "${missing[@]}" >"$log" 2>&1 || rc=$?
            fi
            cleanup_apt
            trap - EXIT
            if [ "$rc" -ne 0 ]; then
                reason="the 32-bit packages (${missing[*]}) could not be installed: $(apt_reason "$log")"
                echo "setup: $reason" >&2
                ombrix_record_machine no "$reason"
                . "$build/machine.env"
            fi
        fi
        rm -f "$log"
    fi
fi

# DirectSound needs an audio device; ALSA's null PCM gives it one without
# sound hardware. A user's own default device is left alone.
if ! grep -qsE '^[[:space:]]*pcm\.!?default' "$HOME/.asoundrc"; then
    if [ -f "$HOME/.asoundrc" ]; then
        echo "setup: adding ALSA's null device as the default to $HOME/.asoundrc"
    fi
    printf '# Added by ombrix setup: a null default device for DirectSound under Wine.\npcm.!default { type null }\nctl.!default { type hw card 0 }\n' >> "$HOME/.asoundrc"
fi

"$root/scripts/wine-prefix.sh" "$build/pfx64" win64
if [ "$OMBRIX_I686_RUNS" != no ]; then
    "$root/scripts/wine-prefix.sh" "$build/pfx32" win32
fi
