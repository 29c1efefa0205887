#!/usr/bin/env bash
# Sets up the machine, builds both architectures and runs every test under
# Wine in one CTest run: on Wine 8.0 (the host's) and, for every end-to-end
# entry, on Wine 10.0 (a Debian 13 root made by scripts/setup-wine10.sh).
# i686 runs natively, or emulated by QEMU's user mode where the kernel
# refuses 32-bit programs; where neither works, the i686
# build is still made and checked statically (exports, imports, the .def, the
# SDK package), and its Wine tests are reported as not run. The last line
# says, for each architecture, how it ran and on which platforms.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
build=$ombrix_build
"$root/scripts/setup.sh"
# The second platform (Wine 10 in a Debian 13 root) is made while the build
# runs: one waits on the network and the disk, the other on the processors.
log=$build/setup-wine10.log
"$root/scripts/setup-wine10.sh" > "$log" 2>&1 &
wine10=$!
rc=0
"$root/scripts/build.sh" i686 x86_64 || rc=$?
wait "$wine10" || true
cat "$log"
[ "$rc" -eq 0 ] || exit "$rc"
. "$build/machine.env"
printf 'subdirs("i686" "x86_64")\n' > "$build/CTestTestfile.cmake"
cd "$build"
# One suite at a time per machine: Wine was seen to hang when two processes
# held DirectShow objects at once, even in different prefixes.
rc=0
ombrix_locked ctest --output-on-failure -j2 "$@" || rc=$?
echo "test.sh: $(ombrix_how_ran i686 platforms); $(ombrix_how_ran x86_64 platforms)"
exit "$rc"
