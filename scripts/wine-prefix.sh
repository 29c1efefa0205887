#!/usr/bin/env bash
# Creates one quiet Wine prefix: wine-prefix.sh DIR win32|win64
set -euo pipefail
dir=$1 arch=$2
[ -f "$dir/.ombrix-ready" ] && exit 0
mkdir -p "$dir"
export WINEPREFIX=$dir WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
echo "setup: creating Wine prefix $dir ($arch)"
wineboot -i >/dev/null 2>&1
# A crash must end the process instead of waiting for a click in winedbg's dialog.
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
touch "$dir/.ombrix-ready"
