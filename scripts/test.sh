#!/usr/bin/env bash
# Sets up the machine, builds both architectures and runs every test under
# Wine in one CTest run (its summary is the last thing printed).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" i686 x86_64
printf 'subdirs("i686" "x86_64")\n' > "$root/build/CTestTestfile.cmake"
cd "$root/build"
# One suite at a time per machine: Wine was seen to hang when two processes
# held DirectShow objects at once, even in different prefixes.
exec flock /tmp/ombrix-directshow.lock ctest --output-on-failure -j2 "$@"
