#!/usr/bin/env bash
# build.sh ARCH...: configures and builds the given architectures (i686,
# x86_64) under build/ARCH: everything, or only the targets OMBRIX_TARGETS
# names (the main job builds the library and the sample player alone). A
# failed configure, compile or link fails the command with the tools' own
# messages.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root
for arch in "$@"; do
    dir=$ombrix_build/$arch
    if [ ! -f "$dir/build.ninja" ]; then
        if ! out=$(cmake -S "$root" -B "$dir" -G Ninja \
                -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" 2>&1); then
            printf '%s\n' "$out" >&2
            echo "build.sh: configuring $arch failed" >&2
            exit 1
        fi
    fi
    # Ninja's progress lines are dropped; everything else (warnings, errors) shows.
    rc=0
    targets=()
    for t in ${OMBRIX_TARGETS:-}; do targets+=(--target "$t"); done
    cmake --build "$dir" "${targets[@]}" -- -j2 2>&1 | { grep -v -E '^\[[0-9]+/[0-9]+\] ' || true; } || rc=$?
    if [ "$rc" -ne 0 ]; then
        echo "build.sh: building $arch failed (exit $rc)" >&2
        exit 1
    fi
done
