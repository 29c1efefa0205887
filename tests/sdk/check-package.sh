#!/usr/bin/env bash
# check-package.sh BUILD_DIR WORK_DIR CC OBJDUMP: makes this build's SDK zip
# and checks it: every file is there, the MSVC-style import library names each
# export of the .def file (66) with the decoration of its architecture, and a
# program linked against it imports the undecorated names from ombrix.dll.
set -u
build=$1 work=$2 cc=$3 objdump=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
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
            doc/reference.md README.md; do
    grep -qx "$name/$file" <<< "$listing" || bad "$name.zip lacks $file"
done
(cd "$work" && unzip -q "$zip") || { echo "FAIL: cannot unpack"; exit 1; }
cmp -s "$work/$name/include/ombrix.h" "$root/include/ombrix.h" || bad "the packaged header is not include/ombrix.h"
"$objdump" -f "$work/$name/bin/ombrix.dll" | grep -qE "file format pei-$( [ $arch = i686 ] && echo i386 || echo x86-64)" ||
    bad "the packaged DLL is not a $arch DLL"

exports=$(sed -n '/^EXPORTS/,$p' "$root/src/ombrix.def" | tail -n +2 | sed 's/;.*//' | sed 's/=.*//' | awk 'NF{print $1}')
count=$(echo "$exports" | wc -l)
[ "$count" -eq 66 ] || bad "the .def file lists $count exports, not 66"
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
[ $status -eq 0 ] && echo "PASS: package"
exit $status
