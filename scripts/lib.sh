# Shared by the rig's scripts (sourced, never run): where the build tree is,
# which architectures this machine can execute, and how to start Wine for a
# prefix without the `wine` wrapper's guess.
#
# The answer "can this machine execute 32-bit x86 programs" is found once by
# setup.sh and recorded in BUILD/machine.env, next to the Wine prefixes, where
# every script and every CTest entry reads it. OMBRIX_NO_32BIT=1 forces the
# answer "cannot", to exercise the 64-bit-only path on any machine.

ombrix_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# An absolute path for a user-given one (relative paths mean nothing inside
# Wine, whose current directory is not ours).
ombrix_absolute() {
    case $1 in
    /*) printf '%s\n' "$1" ;;
    '') echo "ombrix: an empty path was given" >&2; return 1 ;;
    *) printf '%s\n' "$PWD/$1" ;;
    esac
}

ombrix_build=$(ombrix_absolute "${OMBRIX_BUILD:-$ombrix_root/build}") || exit 2
export OMBRIX_BUILD=$ombrix_build

ombrix_wine64=/usr/lib/wine/wine64
ombrix_wine32=/usr/lib/wine/wine

# Executes a 96-byte static i386 program (exit(42) through int 0x80) that
# needs no i386 package. Prints the reason when 32-bit programs cannot run,
# nothing when they can.
ombrix_probe_i386() {
    if [ "${OMBRIX_NO_32BIT:-0}" = 1 ]; then
        echo "OMBRIX_NO_32BIT=1 asks for the 64-bit-only path"
        return
    fi
    # qemu-user registered for i386 runs the probe, but far too slowly for
    # Wine (wineboot alone ran past 5 minutes under it).
    local f
    for f in /proc/sys/fs/binfmt_misc/qemu-i386 /proc/sys/fs/binfmt_misc/qemu-i486; do
        if [ -f "$f" ] && grep -qx enabled "$f"; then
            echo "32-bit programs run here only under qemu-user emulation, too slow for Wine"
            return
        fi
    done
    local probe out rc
    mkdir -p "$ombrix_build"
    probe=$(mktemp "$ombrix_build/probe-i386.XXXXXX")
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' > "$probe"
    chmod +x "$probe"
    # Through bash's exec, not timeout's execvp: execvp hands a file the
    # kernel refuses to /bin/sh as a script.
    out=$(timeout -k 2 10 bash -c 'exec "$1"' _ "$probe" 2>&1)
    rc=$?
    rm -f "$probe"
    case $rc in
    42) ;;
    *) if [ "$rc" -eq 126 ] && [[ $out == *"Exec format error"* ]]; then
           echo "this machine cannot execute 32-bit x86 programs (Exec format error)"
           return
       fi
       echo "this machine cannot execute 32-bit x86 programs (a static i386 probe ended with $rc${out:+: ${out//$'\n'/; }})" ;;
    esac
}

# Probes and records the answer in BUILD/machine.env.
ombrix_record_machine() {
    local reason
    reason=$(ombrix_probe_i386)
    mkdir -p "$ombrix_build"
    {
        echo "# Written by scripts/setup.sh: which architectures this machine executes."
        if [ -z "$reason" ]; then
            echo "OMBRIX_ARCHS_RUN='i686 x86_64'"
        else
            echo "OMBRIX_ARCHS_RUN='x86_64'"
        fi
        printf 'OMBRIX_I686_NOT_RUN=%q\n' "$reason"
    } > "$ombrix_build/machine.env.new"
    mv "$ombrix_build/machine.env.new" "$ombrix_build/machine.env"
}

# Reads the record of the build tree DIR (default: ours), probing first when
# there is none. Sets OMBRIX_ARCHS_RUN and OMBRIX_I686_NOT_RUN.
ombrix_load_machine() {
    local dir=${1:-$ombrix_build}
    if [ ! -f "$dir/machine.env" ]; then
        local ombrix_build=$dir
        ombrix_record_machine
    fi
    # shellcheck disable=SC1091
    . "$dir/machine.env"
}

# The Wine architecture of a prefix (win32 or win64), from the marker that
# wine-prefix.sh writes, else from the registry Wine wrote, else from the
# rig's names (pfx32, pfx64) for a prefix not made yet.
ombrix_prefix_arch() {
    local prefix=$1
    if [ -f "$prefix/.ombrix-arch" ]; then
        cat "$prefix/.ombrix-arch"
    elif grep -qs '^#arch=win32' "$prefix/system.reg"; then
        echo win32
    elif [ -f "$prefix/system.reg" ]; then
        echo win64
    else
        case $prefix in
        *32) echo win32 ;;
        *) echo win64 ;;
        esac
    fi
}

# Exits with 77 (CTest's skip code here) and the reason when this machine
# cannot execute the architecture of PREFIX; returns otherwise.
ombrix_skip_unless_runnable() {
    local prefix=$1
    [ "$(ombrix_prefix_arch "$prefix")" = win32 ] || return 0
    ombrix_load_machine "$(dirname "$prefix")"
    [ -n "$OMBRIX_I686_NOT_RUN" ] || return 0
    echo "not run: $OMBRIX_I686_NOT_RUN"
    exit 77
}

# The loader for a Wine architecture. The 64-bit loader is always called
# directly: Debian's `wine` wrapper picks the 32-bit loader whenever wine32 is
# installed, and that fails for every prefix on a machine without 32-bit
# execution.
ombrix_wine_loader() {
    case $1 in
    win64) echo "$ombrix_wine64" ;;
    *) echo "$ombrix_wine32" ;;
    esac
}

# Runs a Wine program (Windows or Unix path, or a builtin such as wineboot) in
# PREFIX: ombrix_wine PREFIX PROGRAM [ARGS...]
ombrix_wine() {
    local prefix loader
    prefix=$(ombrix_absolute "$1") || return 2
    shift
    loader=$(ombrix_wine_loader "$(ombrix_prefix_arch "$prefix")")
    WINEPREFIX=$prefix WINELOADER=$loader WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="} \
        "$loader" "$@"
}

# The machine-wide lock of DirectShow users (Wine was seen to hang when two
# processes held DirectShow objects at once, even in different prefixes).
ombrix_lock=/tmp/ombrix-directshow.lock
# How long a run waits for another run's lock before it gives up.
ombrix_lock_wait=${OMBRIX_LOCK_WAIT:-1800}

# Runs COMMAND holding the lock. The lock's descriptor is closed for the
# command (flock -o), so nothing the command leaves behind (a persistent
# wineserver, a debugger) can hold the lock after this run.
ombrix_locked() {
    local rc=0
    flock -o -w "$ombrix_lock_wait" -E 75 "$ombrix_lock" "$@" || rc=$?
    if [ "$rc" -eq 75 ]; then
        echo "ombrix: another run held $ombrix_lock for over ${ombrix_lock_wait}s (OMBRIX_LOCK_WAIT); 'fuser -v $ombrix_lock' shows who; giving up" >&2
    fi
    return "$rc"
}
