#!/usr/bin/env bash
# Creates or stops the private Wine prefix (and the Xvfb display) that one test run uses.
#   wine-prefix.sh start BUILD_DIR   create the prefix once, start Xvfb on a free display
#   wine-prefix.sh stop BUILD_DIR    stop this prefix's wineserver and its Xvfb
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
state="$build/wine-state"
mkdir -p "$state"

start_xvfb() {
    if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
        return
    fi
    local pipe="$state/xvfb.display"
    rm -f "$pipe"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$pipe" >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$pipe" ] && break
        sleep 0.1
    done
    [ -s "$pipe" ] || { echo "Xvfb did not start" >&2; exit 1; }
}

# The program under test deletes trees: nothing in the prefix may lead outside it. Drop the
# drive that maps the whole Linux file system, and make the profile folders that Wine links to
# the Linux home into plain folders.
seal_prefix() {
    rm -f "$WINEPREFIX/dosdevices/z:"
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm -f "$link"
            mkdir -p "$link"
        fi
    done
}

case "$action" in
start)
    start_xvfb
    if [ ! -f "$WINEPREFIX/.sealed" ]; then
        rm -rf "$WINEPREFIX"
        DISPLAY=":$(cat "$state/xvfb.display")" /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
        /usr/lib/wine/wineserver -w
        seal_prefix
        touch "$WINEPREFIX/.sealed"
    fi
    # The 32-bit Wine looks for its own fonts beside its data directory, where Debian has none,
    # and then draws the title-bar buttons as letters: it finds them in the prefix.
    cp -u /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    ;;
stop)
    /usr/lib/wine/wineserver -k 2>/dev/null || true
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/xvfb.display"
    fi
    ;;
*)
    echo "usage: $0 start|stop BUILD_DIR" >&2
    exit 2
    ;;
esac
