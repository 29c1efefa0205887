#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools on Debian 12, then
# prepares the 32- and 64-bit Wine prefixes under the build tree.
# Safe to run again: every step is skipped when its result is already there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${OMBRIX_BUILD:-$root/build}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

packages_amd64=(cmake make ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 xvfb xauth
    doctest-dev gstreamer1.0-plugins-base gstreamer1.0-plugins-good zip
    libgl1 libglx-mesa0 libgl1-mesa-dri
    llvm unzip python3 python3-pil fonts-vlgothic)
packages_i386=(wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
    libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386)

missing=()
for p in "${packages_amd64[@]}" "${packages_i386[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# DirectSound needs an audio device; ALSA's null PCM gives it one without sound hardware.
if ! grep -qs 'type null' "$HOME/.asoundrc"; then
    printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$HOME/.asoundrc"
fi

"$root/scripts/wine-prefix.sh" "$build/pfx32" win32
"$root/scripts/wine-prefix.sh" "$build/pfx64" win64
