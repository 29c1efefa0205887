#!/usr/bin/env bash
# check-dll.sh OBJDUMP DLL DEF: the DLL exports every name of the .def file
# undecorated, exports nothing else, and imports only system DLLs (never
# Media Foundation, which is bound at run time).
set -u
objdump=$1 dll=$2 def=$3
dump=$("$objdump" -p "$dll") || exit 1
status=0
expected=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk '{print $1}' | grep -v '^$' | sort)
actual=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[ \t]*\[/{print $NF;next} t&&NF==0{t=0}' | sort)
if [ "$expected" != "$actual" ]; then
    echo "export names differ from the .def file:"
    diff <(echo "$expected") <(echo "$actual")
    status=1
fi
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|OLE32|OLEAUT32|SHLWAPI|WINMM|msvcrt|api-ms-win-crt-[a-z0-9-]+)\.dll$'
imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/{print $3}')
for name in $imports; do
    if ! echo "$name" | grep -qiE "$allowed"; then
        echo "imports a non-system DLL: $name"
        status=1
    fi
done
if echo "$imports" | grep -qi '^mf'; then
    echo "imports Media Foundation at load time"
    status=1
fi
echo "exports: $(echo "$actual" | wc -l); imports: $(echo $imports)"
exit $status
