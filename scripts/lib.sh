# Shared by the rig's scripts (sourced, never run): where the build tree is,
# which architectures this machine can execute, and how to start Wine for a
# prefix without the `wine` wrapper's guess.
#
# The answer "how does this machine execute 32-bit x86 programs" (natively,
# emulated by QEMU's user mode, or not at all) is found once by setup.sh and
# recorded in BUILD/machine.env, next to the Wine prefixes, where every script
# and every CTest entry reads it. OMBRIX_NO_32BIT=1 forces "not at all", to
# exercise the 64-bit-only path on any machine; OMBRIX_EMULATE_32BIT=1 makes
# the setup register the emulator even where the machine runs 32-bit code.

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

# The binfmt_misc registration that hands i386 programs to QEMU's user-mode
# emulator, and the emulator itself: the static qemu-i386 of Debian's
# qemu-user (10.0 from the backports suite; Debian 12's own 7.2 cannot start
# Wine: it treats MAP_FIXED_NOREPLACE as a hint and every Wine process dies
# with "failed to map the shared user data").
ombrix_binfmt=/proc/sys/fs/binfmt_misc
ombrix_qemu=/usr/bin/qemu-i386
ombrix_qemu_min_major=10
# The magic and mask of a 32-bit x86 executable or shared object.
ombrix_i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
ombrix_i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# The interpreter of an enabled binfmt_misc entry for i386 programs made by
# QEMU (whatever the entry is called), or nothing.
ombrix_qemu_registered() {
    local f
    for f in "$ombrix_binfmt"/*; do
        case ${f##*/} in register | status) continue ;; esac
        [ -f "$f" ] && grep -qx enabled "$f" || continue
        sed -n 's/^interpreter //p' "$f" | grep -E 'qemu-i[34]86' && return 0
    done
    return 1
}

# The version of a QEMU user-mode emulator ("10.0.2"), or nothing.
ombrix_qemu_version() {
    "$1" --version 2>/dev/null | sed -n '1s/^qemu-i[0-9]86 version \([0-9][0-9.]*\).*/\1/p'
}

# Whether a QEMU version (as ombrix_qemu_version prints it) runs Wine: older
# majors treat MAP_FIXED_NOREPLACE as a hint and every Wine process dies.
ombrix_qemu_new_enough() {
    [ -n "$1" ] && [ "${1%%.*}" -ge "$ombrix_qemu_min_major" ]
}

# Executes a 96-byte static i386 program (exit(42) through int 0x80) that
# needs no i386 package. Prints nothing when it runs, else why not.
ombrix_run_i386_probe() {
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
    126) if [[ $out == *"Exec format error"* ]]; then
             echo "this machine cannot execute 32-bit x86 programs (Exec format error)"
         else
             echo "a static i386 probe could not be executed (${out//$'\n'/; })"
         fi ;;
    *) echo "a static i386 probe ended with $rc${out:+: ${out//$'\n'/; }}" ;;
    esac
}

# Finds out how this machine executes i686 programs. Sets
#   ombrix_i686_runs   native, emulated or no
#   ombrix_i686_how    how they run (or, for no, why not)
ombrix_probe_i686() {
    ombrix_i686_runs=no
    if [ "${OMBRIX_NO_32BIT:-0}" = 1 ]; then
        ombrix_i686_how="OMBRIX_NO_32BIT=1 asks for the 64-bit-only path"
        return
    fi
    local qemu version why
    # A registration takes precedence over the kernel's own loader, so with
    # one in place every i386 program runs emulated, even where the machine
    # could execute it.
    if qemu=$(ombrix_qemu_registered); then
        version=$(ombrix_qemu_version "$qemu")
        if ! ombrix_qemu_new_enough "$version"; then
            ombrix_i686_how="i386 programs are handed to $qemu (QEMU ${version:-of unknown version}), and Wine needs QEMU $ombrix_qemu_min_major or later"
            return
        fi
        if why=$(ombrix_run_i386_probe) && [ -z "$why" ]; then
            ombrix_i686_runs=emulated
            ombrix_i686_how="emulated by QEMU $version user mode ($qemu)"
        else
            ombrix_i686_how="i386 programs are handed to $qemu, which did not run them: $why"
        fi
        return
    fi
    why=$(ombrix_run_i386_probe)
    if [ -z "$why" ]; then
        ombrix_i686_runs=native
        ombrix_i686_how="natively"
    else
        ombrix_i686_how=$why
    fi
}

# The factor by which the rig's time limits grow for i686 tests: emulation
# runs the whole suite in about 1.6 times the native time, single programs
# (process start-up above all) up to 2.6 times.
ombrix_time_scale() {
    case $1 in
    emulated) echo 3 ;;
    *) echo 1 ;;
    esac
}

# Writes BUILD/machine.env from the probe's answer, or from RUNS and HOW when
# given (the setup records there that the 32-bit packages could not be had).
ombrix_record_machine() {
    if [ $# -eq 2 ]; then
        ombrix_i686_runs=$1 ombrix_i686_how=$2
    else
        ombrix_probe_i686
    fi
    mkdir -p "$ombrix_build"
    {
        echo "# Written by scripts/setup.sh: which architectures this machine executes, and how."
        printf 'OMBRIX_I686_RUNS=%q\n' "$ombrix_i686_runs"
        if [ "$ombrix_i686_runs" = no ]; then
            echo "OMBRIX_ARCHS_RUN='x86_64'"
            echo "OMBRIX_I686_HOW='not run'"
            printf 'OMBRIX_I686_NOT_RUN=%q\n' "$ombrix_i686_how"
        else
            echo "OMBRIX_ARCHS_RUN='i686 x86_64'"
            printf 'OMBRIX_I686_HOW=%q\n' "$ombrix_i686_how"
            echo "OMBRIX_I686_NOT_RUN=''"
        fi
        echo "OMBRIX_I686_TIME_SCALE=$(ombrix_time_scale "$ombrix_i686_runs")"
        ombrix_probe_wine10
        printf 'OMBRIX_WINE10_ROOT=%q\n' "$ombrix_wine10_root"
        printf 'OMBRIX_WINE10_NOT_RUN=%q\n' "$ombrix_wine10_not_run"
    } > "$ombrix_build/machine.env.new"
    # Rewritten only when the answer changed: the i686 build reconfigures
    # when the record does.
    if cmp -s "$ombrix_build/machine.env.new" "$ombrix_build/machine.env"; then
        rm -f "$ombrix_build/machine.env.new"
    else
        mv "$ombrix_build/machine.env.new" "$ombrix_build/machine.env"
    fi
}

# Reads the record of the build tree DIR (default: ours), probing first when
# there is none. Sets OMBRIX_ARCHS_RUN, OMBRIX_I686_RUNS, OMBRIX_I686_HOW,
# OMBRIX_I686_NOT_RUN and OMBRIX_I686_TIME_SCALE.
ombrix_load_machine() {
    local dir=${1:-$ombrix_build}
    if [ ! -f "$dir/machine.env" ]; then
        local ombrix_build=$dir
        ombrix_record_machine
    fi
    # shellcheck disable=SC1091
    . "$dir/machine.env"
}

# One line for an architecture: "i686 ran emulated by QEMU 10.0.2 ..." or
# "i686 not run: <reason>". With "platforms" as second word, it also says on
# which Wine it ran: Wine 8 always, Wine 10 where its root is (for an
# emulated i686, a subset of its entries: tests/CMakeLists.txt names it).
ombrix_how_ran() {
    local on=""
    if [ "${2:-}" = platforms ]; then
        if [ -n "${OMBRIX_WINE10_NOT_RUN:-}" ]; then
            on=" on Wine 8.0 (Wine 10.0 not run: $OMBRIX_WINE10_NOT_RUN)"
        elif [ "$1" = i686 ] && [ "${OMBRIX_I686_RUNS:-}" = emulated ]; then
            on=" on Wine 8.0 and on Wine 10.0 (there a representative subset, emulation being slow)"
        else
            on=" on Wine 8.0 and on Wine 10.0"
        fi
    fi
    case $1 in
    x86_64) echo "x86_64 ran natively$on" ;;
    i686) if [ -n "$OMBRIX_I686_NOT_RUN" ]; then
              echo "i686 built and checked statically, its Wine tests not run: $OMBRIX_I686_NOT_RUN"
          else
              echo "i686 ran $OMBRIX_I686_HOW$on"
          fi ;;
    esac
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
        case ${prefix##*/} in
        *32 | *32-*) echo win32 ;;
        *) echo win64 ;;
        esac
    fi
}

# Exits with 77 (CTest's skip code here) and the reason when this machine
# cannot execute the architecture of PREFIX, or has no Wine 10 for a Wine 10
# prefix; returns otherwise.
ombrix_skip_unless_runnable() {
    local prefix=$1
    ombrix_load_machine "$(dirname "$prefix")"
    if [ "$(ombrix_prefix_platform "$prefix")" = wine10 ] && [ -n "$OMBRIX_WINE10_NOT_RUN" ]; then
        echo "not run: Wine 10: $OMBRIX_WINE10_NOT_RUN"
        exit 77
    fi
    [ "$(ombrix_prefix_arch "$prefix")" = win32 ] || return 0
    [ -n "$OMBRIX_I686_NOT_RUN" ] || return 0
    echo "not run: $OMBRIX_I686_NOT_RUN"
    exit 77
}

# SECONDS scaled for the architecture of PREFIX: the one place where a time
# limit of the rig grows for an emulated lane (CTest's own limits read the
# same factor from machine.env, in tests/CMakeLists.txt).
ombrix_scaled_seconds() {
    local prefix=$1 seconds=$2
    [ "$(ombrix_prefix_arch "$prefix")" = win32 ] || { echo "$seconds"; return; }
    ombrix_load_machine "$(dirname "$prefix")"
    echo $((seconds * ${OMBRIX_I686_TIME_SCALE:-1}))
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
# PREFIX, with the prefix's platform: ombrix_wine PREFIX PROGRAM [ARGS...]
ombrix_wine() {
    local prefix loader
    prefix=$(ombrix_absolute "$1") || return 2
    shift
    loader=$(ombrix_wine_loader "$(ombrix_prefix_arch "$prefix")")
    WINEPREFIX=$prefix WINELOADER=$loader WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="} \
        ombrix_on_platform "$prefix" "$loader" "$@"
}

# ---- The platforms ------------------------------------------------------------
# Wine 8.0 is the host's own (Debian 12). Wine 10.0 (Debian 13) lives in a
# root of its own that scripts/setup-wine10.sh makes with debootstrap; the
# same build trees, prefixes, display sockets and lock are seen inside it
# through bind mounts, so a Wine 10 run differs only in the Wine it starts.
# A prefix belongs to Wine 10 when its name ends in -wine10.
ombrix_wine10_root=${OMBRIX_WINE10_ROOT:-/var/lib/ombrix/wine10}

ombrix_prefix_platform() {
    case ${1##*/} in
    *-wine10) echo wine10 ;;
    *) echo wine8 ;;
    esac
}

# The directories bound into the Wine 10 root, in mount order: the system's
# (/dev before its sub-mounts), /tmp, the home (ALSA's null device is
# configured there) and the source and build trees.
ombrix_wine10_binds() {
    printf '%s\n' /proc /sys /dev /dev/pts /dev/shm /tmp "$HOME" "$ombrix_root" "$ombrix_build"
}

# Binds what runs in the Wine 10 root needs into it; what is bound already
# (or lies inside a bound directory) is left as it is. Prints why not on
# failure.
ombrix_wine10_mount() {
    local root=$ombrix_wine10_root dir out
    # Whether DIR is bound into the root, and to the DIR that exists now.
    ombrix_bound_now() {
        mountpoint -q "$root$1" && [ "$(stat -c %d:%i "$1")" = "$(stat -c %d:%i "$root$1")" ]
    }
    (
        flock 9
        while read -r dir; do
            [ -d "$dir" ] || continue
            ombrix_bound_now "$dir" && continue
            if mountpoint -q "$root$dir"; then
                # Bound for an earlier tree of the same name that was
                # deleted since (a CI checkout made again at the same path):
                # the root would still show the old, empty directory.
                if ! out=$(${ombrix_sudo} umount -l "$root$dir" 2>&1); then
                    echo "a stale bind at $root$dir could not be removed: $out"
                    exit 1
                fi
            fi
            # A tree inside a tree bound already is seen through that bind
            # (the system's directories are bound one by one: a bind does
            # not carry the mounts below it).
            local bound=0 other
            case $dir in /proc | /sys | /dev | /dev/* | /tmp) ;; *)
                while read -r other; do
                    case $other in /proc | /sys | /dev | /dev/* | /tmp) continue ;; esac
                    [ "$other" != "$dir" ] && [[ $dir == "$other"/* ]] && ombrix_bound_now "$other" && bound=1
                done < <(ombrix_wine10_binds) ;;
            esac
            [ "$bound" = 1 ] && continue
            mkdir -p "$root$dir"
            if ! out=$(${ombrix_sudo} mount --bind "$dir" "$root$dir" 2>&1); then
                echo "$dir could not be bound into $root: $out"
                exit 1
            fi
        done < <(ombrix_wine10_binds)
    ) 9>"/tmp/ombrix-wine10-mount.lock"
}

ombrix_sudo=""
[ "$(id -u)" -eq 0 ] || ombrix_sudo="sudo --preserve-env"

# Runs COMMAND in the Wine 10 root, as this user, with this environment
# (its PATH is the root's own) and in this directory (chroot leaves it for
# the root's /; every directory a test works in is bound).
ombrix_in_wine10() {
    local why
    why=$(ombrix_wine10_mount) || { echo "ombrix: $why" >&2; return 2; }
    ${ombrix_sudo} chroot --userspec="$(id -u):$(id -g)" "$ombrix_wine10_root" \
        /usr/bin/env --chdir="$PWD" PATH=/usr/local/bin:/usr/bin:/bin "$@"
}

# Runs COMMAND with the platform of PREFIX: ombrix_on_platform PREFIX COMMAND...
ombrix_on_platform() {
    local prefix=$1
    shift
    if [ "$(ombrix_prefix_platform "$prefix")" = wine10 ]; then
        ombrix_in_wine10 "$@"
    else
        "$@"
    fi
}

# Whether Wine 10 can run here. Sets ombrix_wine10_not_run to nothing, or to
# why not.
ombrix_probe_wine10() {
    ombrix_wine10_not_run=""
    if [ "${OMBRIX_NO_WINE10:-0}" = 1 ]; then
        ombrix_wine10_not_run="OMBRIX_NO_WINE10=1 asks for Wine 8 only"
    elif [ -f "$ombrix_build/wine10.why" ]; then
        ombrix_wine10_not_run=$(cat "$ombrix_build/wine10.why")
    elif [ ! -f "$ombrix_wine10_root/.ombrix-ready" ]; then
        ombrix_wine10_not_run="no Wine 10 root at $ombrix_wine10_root (scripts/setup-wine10.sh makes it)"
    fi
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
