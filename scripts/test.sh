#!/usr/bin/env bash
# Sets up the machine, builds both architectures and runs every test under
# Wine in one CTest run. Where this machine cannot execute 32-bit programs,
# the i686 build is still made and checked statically (exports, imports, the
# .def, the SDK package), and its Wine tests are reported as not run. The last
# line says which architectures ran.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
build=$ombrix_build
"$root/scripts/setup.sh"
"$root/scripts/build.sh" i686 x86_64
. "$build/machine.env"
printf 'subdirs("i686" "x86_64")\n' > "$build/CTestTestfile.cmake"
cd "$build"
# One suite at a time per machine: Wine was seen to hang when two processes
# held DirectShow objects at once, even in different prefixes.
rc=0
ombrix_locked ctest --output-on-failure -j2 "$@" || rc=$?
if [ -z "$OMBRIX_I686_NOT_RUN" ]; then
    echo "test.sh: architectures run: i686 and x86_64"
else
    echo "test.sh: architectures run: x86_64 only; i686 built and checked statically, its Wine tests not run: $OMBRIX_I686_NOT_RUN"
fi
exit "$rc"
