#!/usr/bin/env bash
# build.sh ARCH...: configures and builds the given architectures (i686,
# x86_64) under build/ARCH.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
for arch in "$@"; do
    if [ ! -f "$root/build/$arch/build.ninja" ]; then
        cmake -S "$root" -B "$root/build/$arch" -G Ninja \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch.cmake" >/dev/null
    fi
    cmake --build "$root/build/$arch" -- -j2 | grep -v -E '^\[[0-9]+/[0-9]+\] ' || true
    [ -f "$root/build/$arch/bin/ombrix.dll" ] || { echo "build.sh: $arch build failed" >&2; exit 1; }
done
