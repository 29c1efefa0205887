#!/usr/bin/env bash
# Builds both architectures and makes the SDK packages
#   dist/ombrix-VERSION-win32.zip and dist/ombrix-VERSION-win64.zip
# holding the DLL, the header, the .def file, a MinGW and an MSVC-style import
# library, a CMake package (find_package(ombrix)), the sample player, the
# export reference and the changelog.
#
#   scripts/package.sh                        set up, build, package both
#   scripts/package.sh --zip BUILD_DIR OUT    package one built tree into OUT
set -euo pipefail
. "$(dirname "$0")/lib.sh"
root=$ombrix_root

# One package from one build tree (its sdk-files.txt says where the files are).
make_zip() {
    local build=$1 out=$2 arch version dll mingw_implib player cmake_version machine platform strip
    eval "$(grep -E '^(arch|version|dll|mingw_implib|player|cmake_version)=' "$build/sdk-files.txt")"
    case $arch in
    i686) machine=i386 platform=win32 strip=i686-w64-mingw32-strip ;;
    x86_64) machine=i386:x86-64 platform=win64 strip=x86_64-w64-mingw32-strip ;;
    *) echo "package.sh: unknown architecture $arch" >&2; return 1 ;;
    esac
    local name=ombrix-$version-$platform
    local stage
    stage=$(mktemp -d)
    mkdir -p "$stage/$name/bin" "$stage/$name/include" "$stage/$name/lib/cmake/ombrix" "$stage/$name/doc"
    cp "$dll" "$player" "$stage/$name/bin/"
    # The build keeps debug information for Wine's backtraces; the package
    # does not need it.
    "$strip" --strip-debug "$stage/$name/bin/"*
    cp "$root/include/ombrix.h" "$stage/$name/include/"
    cp "$root/src/ombrix.def" "$mingw_implib" "$stage/$name/lib/"
    # The MSVC-style import library, from the .def file's export names (an
    # alias "A = B" is imported as A: the DLL exports both names).
    sed -E 's/^([[:space:]]*[A-Za-z_][A-Za-z0-9_]*)[[:space:]]*=.*/\1/' "$root/src/ombrix.def" > "$stage/imports.def"
    llvm-dlltool -m "$machine" -D ombrix.dll -d "$stage/imports.def" -l "$stage/$name/lib/ombrix.lib"
    # The CMake package: the target, and the version file that knows this
    # build's architecture.
    cp "$root/cmake/ombrixConfig.cmake" "$cmake_version" "$stage/$name/lib/cmake/ombrix/"
    python3 "$root/tools/reference/reference.py" "$root/include/ombrix.h" > "$stage/$name/doc/reference.md"
    cp "$root/README.md" "$root/CHANGELOG.md" "$stage/$name/"
    mkdir -p "$out"
    rm -f "$out/$name.zip"
    (cd "$stage" && zip -qr -X "$out/$name.zip" "$name")
    rm -rf "$stage"
    echo "$out/$name.zip"
}

if [ "${1:-}" = "--zip" ]; then
    out=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
    make_zip "$2" "$out"
    exit
fi
"$root/scripts/setup.sh"
"$root/scripts/build.sh" i686 x86_64
for arch in i686 x86_64; do
    make_zip "$ombrix_build/$arch" "$root/dist"
done
