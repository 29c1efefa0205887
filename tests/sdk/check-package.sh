#!/usr/bin/env bash
# check-package.sh BUILD_DIR WORK_DIR CC OBJDUMP PREFIX STATE_DIR: makes this
# build's SDK zip and checks it: every file is there, the MSVC-style import
# library names each export of the .def file (70) with the decoration of its
# architecture, a program linked against it imports the undecorated names
# from ombrix.dll, and a CMake consumer finds the package where it was
# unpacked, builds against ombrix::ombrix and runs under Wine (in PREFIX,
# where this machine runs its architecture), a consumer asking for the
# previous minor release of the same major version finds it too, while a
# consumer of the other architecture, a newer release or another major
# version is turned away.
set -u
build=$1 work=$2 cc=$3 objdump=$4 wine_prefix=$5 state=$6
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/lib.sh"
status=0
bad() { echo "FAIL: $*"; status=1; }
rm -rf "$work" && mkdir -p "$work"
zip=$("$root/scripts/package.sh" --zip "$build" "$work") || { echo "FAIL: package.sh failed"; exit 1; }
echo "package: $zip"
name=$(basename "$zip" .zip)
case $name in
*-win32) arch=i686 ;;
*-win64) arch=x86_64 ;;
*) echo "FAIL: unexpected package name $name"; exit 1 ;;
esac
grep -q "^arch=$arch$" "$build/sdk-files.txt" || bad "$name made from a build for another architecture"

listing=$(unzip -Z1 "$zip")
for file in bin/ombrix.dll bin/ombrix-play.exe include/ombrix.h lib/ombrix.def lib/libombrix.dll.a lib/ombrix.lib \
            lib/cmake/ombrix/ombrixConfig.cmake lib/cmake/ombrix/ombrixConfigVersion.cmake \
            doc/reference.md README.md CHANGELOG.md; do
    grep -qx "$name/$file" <<< "$listing" || bad "$name.zip lacks $file"
done
(cd "$work" && unzip -q "$zip") || { echo "FAIL: cannot unpack"; exit 1; }
cmp -s "$work/$name/include/ombrix.h" "$root/include/ombrix.h" || bad "the packaged header is not include/ombrix.h"
"$objdump" -f "$work/$name/bin/ombrix.dll" | grep -qE "file format pei-$( [ $arch = i686 ] && echo i386 || echo x86-64)" ||
    bad "the packaged DLL is not a $arch DLL"

exports=$(sed -n '/^EXPORTS/,$p' "$root/src/ombrix.def" | tail -n +2 | sed 's/;.*//' | sed 's/=.*//' | awk 'NF{print $1}')
count=$(echo "$exports" | wc -l)
[ "$count" -eq 70 ] || bad "the .def file lists $count exports, not 70"
symbols=$(llvm-nm "$work/$name/lib/ombrix.lib" 2>/dev/null)
prefix=$([ $arch = i686 ] && echo _ || echo "")
missing=0
for e in $exports; do
    grep -qE "^[0-9a-f ]+ T ${prefix}$e$" <<< "$symbols" || { bad "ombrix.lib has no ${prefix}$e"; missing=$((missing + 1)); }
    grep -qE "^[0-9a-f ]+ T __imp_${prefix}$e$" <<< "$symbols" || { bad "ombrix.lib has no __imp_${prefix}$e"; missing=$((missing + 1)); }
done
echo "ombrix.lib: $((count * 2 - missing)) of $((count * 2)) symbols (${prefix}NAME and __imp_${prefix}NAME)"

# A program linked against the MSVC-style library must import the names the
# DLL exports (undecorated, from ombrix.dll).
cat > "$work/host.c" <<'HOST'
#include "ombrix.h"
int main(void) { return omb_Version() == 101 && omb_Open(0, 0, 0, 0, 0) < 0 && GetDSFilterNameNext() >= 0 ? 0 : 1; }
HOST
if "$cc" -o "$work/host.exe" "$work/host.c" -I"$work/$name/include" "$work/$name/lib/ombrix.lib" 2>"$work/link.txt"; then
    imports=$("$objdump" -p "$work/host.exe")
    for e in omb_Version omb_Open GetDSFilterNameNext; do
        grep -qE "^\s+[0-9a-f]+\s+[0-9]+\s+$e$" <<< "$imports" || bad "a program linked with ombrix.lib does not import $e"
    done
    grep -q "DLL Name: ombrix.dll" <<< "$imports" || bad "a program linked with ombrix.lib does not import ombrix.dll"
else
    cat "$work/link.txt"
    bad "a program does not link against ombrix.lib"
fi

# A CMake consumer of the unpacked package, configured with the toolchain of
# each row's architecture: the version it asks for, its own arguments, and
# the import library it must get (under the package), or "refused" with the
# line CMake gives for the package it turned away. No MSVC is at hand: the
# msvc row sets MSVC itself, which is all the package asks of its consumer.
pkg=$work/$name
version=${name#ombrix-} && version=${version%-win*}
bits=$([ $arch = i686 ] && echo 32 || echo 64)
other=$([ $arch = i686 ] && echo x86_64 || echo i686)
mkdir -p "$work/consumer"
cat > "$work/consumer/CMakeLists.txt" <<'CONSUMER'
cmake_minimum_required(VERSION 3.24)
project(consumer C)
find_package(ombrix ${WANTED} REQUIRED)
foreach(property IMPORTED_LOCATION IMPORTED_IMPLIB INTERFACE_INCLUDE_DIRECTORIES)
  get_target_property(value ombrix::ombrix ${property})
  message(STATUS "ombrix::ombrix ${property}=${value}")
endforeach()
add_executable(consumer consumer.c)
target_link_libraries(consumer PRIVATE ombrix::ombrix)
target_link_options(consumer PRIVATE -static-libgcc)
add_custom_command(TARGET consumer POST_BUILD
                   COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ombrix::ombrix> $<TARGET_FILE_DIR:consumer>)
CONSUMER
cat > "$work/consumer/consumer.c" <<'CONSUMER'
#include <stdio.h>
#include "ombrix.h"
int main(void) { printf("omb_Version %d\n", omb_Version()); return 0; }
CONSUMER
considered="$pkg/lib/cmake/ombrix/ombrixConfig.cmake, version: $version"
while IFS='|' read -r label consumer_arch wanted args expect; do
    # shellcheck disable=SC2086 # args: none or one -D option
    out=$(cmake -S "$work/consumer" -B "$work/consumer-$label" -G Ninja \
              -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$consumer_arch.cmake" \
              -DCMAKE_PREFIX_PATH="$pkg" -DWANTED="$wanted" $args 2>&1)
    rc=$?
    what="consumer $label ($consumer_arch, ombrix $wanted)"
    case $expect in
    refused:*)
        if [ $rc -ne 0 ] && sed 's/^ *//' <<< "$out" | grep -qxF -- "${expect#refused:}"; then
            echo "$what: refused, '${expect#refused:}'"
        else
            echo "$out"
            bad "$what was not refused with '${expect#refused:}'"
        fi
        continue ;;
    esac
    [ $rc -eq 0 ] || { echo "$out"; bad "$what did not configure"; continue; }
    before=$status
    for property in IMPORTED_LOCATION=bin/ombrix.dll IMPORTED_IMPLIB=$expect INTERFACE_INCLUDE_DIRECTORIES=include; do
        grep -qxF -- "-- ombrix::ombrix ${property%%=*}=$pkg/${property#*=}" <<< "$out" ||
            bad "$what: ${property%%=*} is not the unpacked $pkg/${property#*=}"
        [ -e "$pkg/${property#*=}" ] || bad "$what: the package has no ${property#*=}"
    done
    [ $status -ne $before ] || echo "$what: ombrix::ombrix from the unpacked package, import library $expect"
done <<ROWS
mingw|$arch|1.1||lib/libombrix.dll.a
msvc|$arch|1.1|-DMSVC=ON|lib/ombrix.lib
older|$arch|1.0||lib/libombrix.dll.a
newer|$arch|1.2||refused:$considered
major2|$arch|2.0||refused:$considered
other|$other|1.1||refused:$considered (${bits}bit)
ROWS

# The MinGW consumer builds, gets the DLL beside it and calls it.
if ! cmake --build "$work/consumer-mingw" > "$work/consumer-build.txt" 2>&1; then
    cat "$work/consumer-build.txt"
    bad "the CMake consumer does not build against ombrix::ombrix"
elif [ ! -f "$work/consumer-mingw/ombrix.dll" ]; then
    bad "the DLL of ombrix::ombrix was not copied beside the consumer"
else
    ran=$("$root/scripts/wine-run.sh" "$wine_prefix" 60 "$state" "$work/consumer-mingw/consumer.exe" 2>&1)
    case $? in
    0) [ "$(tr -d '\r' <<< "$ran")" = "omb_Version 101" ] || bad "the CMake consumer printed '$ran', not 'omb_Version 101'"
       echo "consumer ran: $ran" ;;
    77) echo "consumer built, not run: ${ran#not run: }" ;;
    *) echo "$ran"; bad "the CMake consumer did not run" ;;
    esac
fi
[ $status -eq 0 ] && echo "PASS: package"
exit $status
