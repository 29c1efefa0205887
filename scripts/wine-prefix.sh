#!/usr/bin/env bash
# Creates one quiet Wine prefix: wine-prefix.sh DIR win32|win64 (a DIR whose
# name ends in -wine10 belongs to Wine 10: scripts/lib.sh)
set -euo pipefail
. "$(dirname "$0")/lib.sh"
dir=$(ombrix_absolute "$1")
arch=$2
[ -f "$dir/.ombrix-ready" ] && exit 0
mkdir -p "$dir"
echo "$arch" > "$dir/.ombrix-arch"
export WINEARCH=$arch WINEDEBUG=-all
echo "setup: creating Wine prefix $dir ($arch)"
if ! out=$(ombrix_wine "$dir" wineboot -i 2>&1 </dev/null); then
    echo "setup: wineboot failed for $dir ($arch) with $(ombrix_wine_loader "$arch"):" >&2
    printf '%s\n' "$out" | tail -20 >&2
    exit 1
fi
# A crash must end the process instead of waiting for a click in winedbg's dialog.
ombrix_wine "$dir" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1
# Every platform's prefix reports the same Windows (Wine 8's default; Wine
# 10's is Windows 10), so that the version tests read one answer.
ombrix_wine "$dir" winecfg /v win7 </dev/null >/dev/null 2>&1
WINEPREFIX=$dir ombrix_on_platform "$dir" wineserver -w
touch "$dir/.ombrix-ready"
