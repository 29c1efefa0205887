#!/usr/bin/env bash
# test-drive.sh map|unmap PREFIX DIR: maps drive D: of a test prefix to DIR
# (the self-test plays a file at a fixed path on D:), or removes that mapping
# again. A D: that maps somewhere else is left alone.
set -u
. "$(dirname "$0")/lib.sh"
action=$1 prefix=$2 dir=$3
ombrix_skip_unless_runnable "$prefix"
# No prefix: this machine does not run its architecture, nor its tests.
[ -d "$prefix/dosdevices" ] || { echo "test-drive.sh: no prefix at $prefix; nothing to map"; exit 0; }
link=$prefix/dosdevices/d:
case $action in
map)
    mkdir -p "$dir/root"
    if [ -e "$link" ] || [ -L "$link" ]; then
        if [ "$(readlink "$link")" != "$dir" ]; then
            echo "test-drive.sh: $link already maps to $(readlink "$link")" >&2
            exit 1
        fi
        exit 0
    fi
    ln -s "$dir" "$link"
    ;;
unmap)
    if [ -L "$link" ] && [ "$(readlink "$link")" = "$dir" ]; then
        rm -f "$link"
    fi
    ;;
esac
exit 0
