#!/usr/bin/env bash
# check-dll.sh OBJDUMP DLL DEF: the DLL exports every name of the .def file
# undecorated, exports nothing else, exports each alias line of the .def file
# ("NAME = OTHER") at OTHER's address, and imports only system DLLs (never
# Media Foundation, which is bound at run time).
set -u
objdump=$1 dll=$2 def=$3
dump=$("$objdump" -p "$dll") || exit 1
status=0
# The .def's export lines, with "NAME = OTHER" reduced to its exported NAME.
entries=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | sed 's/;.*//')
expected=$(printf '%s\n' "$entries" | sed 's/=.*//' | awk '{print $1}' | grep -v '^$' | sort)
actual=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/^[ \t]*\[/{print $NF;next} t&&NF==0{t=0}' | sort)
if [ "$expected" != "$actual" ]; then
    echo "export names differ from the .def file:"
    diff <(echo "$expected") <(echo "$actual")
    status=1
fi

# The address an export name resolves to: the name table gives its index in
# the export address table, which gives its RVA.
address_of() {
    printf '%s\n' "$dump" | awk -v want="$1" '
        /^Export Address Table/ {e=1; next}
        e && /^[ \t]*\[/ {gsub(/[][]/, " "); rva[$1] = $4; next}
        e && NF==0 {e=0}
        /\[Ordinal\/Name Pointer\] Table/ {n=1; next}
        n && /^[ \t]*\[/ {name=$NF; gsub(/[][]/, " "); if (name == want) print rva[$1]; next}
        n && NF==0 {n=0}'
}
aliases=$(printf '%s\n' "$entries" | sed -n 's/^[ \t]*\([A-Za-z_][A-Za-z0-9_]*\)[ \t]*=[ \t]*\([A-Za-z_][A-Za-z0-9_]*\).*/\1 \2/p')
while read -r alias target; do
    [ -n "$alias" ] || continue
    a=$(address_of "$alias") b=$(address_of "$target")
    if [ -z "$a" ] || [ "$a" != "$b" ]; then
        echo "$alias is not exported at the address of $target (${a:-none} vs ${b:-none})"
        status=1
    else
        echo "$alias and $target share the export address $a"
    fi
done <<< "$aliases"
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
