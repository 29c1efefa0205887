#!/usr/bin/env bash
# Sets up the machine, builds both architectures and runs every test under
# Wine in one CTest run (its summary is the last thing printed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" i686 x86_64
printf 'subdirs("i686" "x86_64")\n' > "$root/build/CTestTestfile.cmake"
cd "$root/build"
exec ctest --output-on-failure -j2 "$@"
