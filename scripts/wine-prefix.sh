#!/usr/bin/env bash
# Creates or stops the private Wine prefix (and the Xvfb display) that one test run uses.
#   wine-prefix.sh start BUILD_DIR   create the prefix once, start Xvfb on a free display
#   wine-prefix.sh stop BUILD_DIR    stop this prefix's wineserver and its Xvfb
# What Xvfb and wineboot say is kept in BUILD_DIR/wine-state and shown when the start fails.
set -euo pipefail
action=$1
build=$(cd "$2" && pwd)
export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
state="$build/wine-state"
wineserver=/usr/lib/wine/wineserver
mkdir -p "$state"

fail() {
    echo "wine-prefix: $1" >&2
    for log in "$state/xvfb.log" "$state/wineboot.log"; do
        [ -s "$log" ] && { echo "--- $log" >&2; tail -30 "$log" >&2; }
    done
    exit 1
}

# The pid file may outlive its Xvfb, and the number be taken by another process since.
own_xvfb_runs() {
    local pid
    pid=$(cat "$state/xvfb.pid" 2>/dev/null) || return 1
    [ -s "$state/xvfb.display" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ]
}

start_xvfb() {
    own_xvfb_runs && return
    local pipe="$state/xvfb.display"
    rm -f "$pipe"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$pipe" >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$pipe" ] && break
        # An Xvfb that has ended stays a zombie of this shell until it is waited for.
        ps -o stat= -p "$(cat "$state/xvfb.pid")" | grep -qv Z || fail "Xvfb ended at its start"
        sleep 0.1
    done
    [ -s "$pipe" ] || fail "Xvfb gave no display within 10 s"
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

make_prefix() {
    rm -rf "$WINEPREFIX"
    DISPLAY=":$(cat "$state/xvfb.display")" /usr/lib/wine/wine64 wineboot --init \
        >"$state/wineboot.log" 2>&1 || fail "wineboot --init failed"
    "$wineserver" -w || fail "the wineserver of the new prefix did not end"
    seal_prefix
    touch "$WINEPREFIX/.sealed"
}

case "$action" in
start)
    start_xvfb
    [ -f "$WINEPREFIX/.sealed" ] || make_prefix
    # The 32-bit Wine looks for its own fonts beside its data directory, where Debian has none,
    # and then draws the title-bar buttons as letters: it finds them in the prefix.
    cp -u /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    ;;
stop)
    "$wineserver" -k 2>/dev/null || true
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
