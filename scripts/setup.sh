#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools on Debian 12, then
# prepares the Wine prefixes under the build tree: build/pfx64 always, and
# build/pfx32 where this machine can execute 32-bit x86 programs (found once by
# a probe and recorded in build/machine.env; OMBRIX_NO_32BIT=1 forces "cannot").
# Safe to run again: every step is skipped when its result is already there.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
build=$ombrix_build
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

ombrix_record_machine
. "$build/machine.env"
if [ -n "$OMBRIX_I686_NOT_RUN" ]; then
    echo "setup: i686 tests will not run: $OMBRIX_I686_NOT_RUN"
fi

packages_amd64=(cmake make ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 xvfb xauth
    doctest-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good zip
    libgl1 libglx-mesa0 libgl1-mesa-dri
    llvm unzip python3 python3-pil fonts-vlgothic)
packages_i386=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
    libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)
wanted=("${packages_amd64[@]}")
[ -n "$OMBRIX_I686_NOT_RUN" ] || wanted+=("${packages_i386[@]}")

missing=()
for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# The package mirror can serve a stale index for one suite (seen: Debian's
# i386 security index), and then amd64 libraries have security versions that
# their i386 twins lack. The install is retried once with the security suite
# pinned below the main suite, for that install only.
pin=/etc/apt/preferences.d/ombrix-security-pin
install_packages() {
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if [ -z "$OMBRIX_I686_NOT_RUN" ]; then
        dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    fi
    if ! $sudo apt-get update -qq; then
        echo "setup: apt-get update failed for some index; going on with what it fetched" >&2
    fi
    log=$(mktemp)
    if ! install_packages "${missing[@]}" >"$log" 2>&1; then
        echo "setup: the install failed; retrying once with the security suite pinned below the main suite" >&2
        printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' | $sudo tee "$pin" >/dev/null
        trap '$sudo rm -f "$pin"' EXIT
        rc=0
        install_packages "${missing[@]}" >"$log" 2>&1 || rc=$?
        $sudo rm -f "$pin"
        trap - EXIT
        if [ "$rc" -ne 0 ]; then
            echo "setup: could not install: ${missing[*]}" >&2
            echo "setup: apt-get said:" >&2
            grep -E '^(E:|W:| )' "$log" >&2 || tail -20 "$log" >&2
            rm -f "$log"
            exit 1
        fi
    fi
    rm -f "$log"
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
if [ -z "$OMBRIX_I686_NOT_RUN" ]; then
    "$root/scripts/wine-prefix.sh" "$build/pfx32" win32
fi
