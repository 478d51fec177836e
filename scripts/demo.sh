#!/usr/bin/env bash
# Builds everything, installs a demo Vantrel into a private Wine prefix (build/demo), and lets
# the uninstaller remove it: Enter is pressed on each of its three pages as a user would. The
# pages appear on your display when DISPLAY is set, otherwise on an Xvfb of the demo's own.
# At the end it lists what was removed and what stayed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/build.sh
source scripts/arch.sh

build="$root/build/demo"
mkdir -p "$build"
export WINEPREFIX="$build/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=/usr/lib/wine/wineserver
drive="$WINEPREFIX/drive_c"
shipped="$root/build/windows-x86/uninstall.exe"
# The shipped 32-bit exe itself under 32-bit Wine, wherever 32-bit code runs, natively or on an
# emulated CPU (whose slower starts stretch the waits below by WAIT_FACTOR); where none can run,
# the 64-bit build of the same sources under wine64.
if [ "$WINDOWS_ARCH" = x86 ]; then
    wine=/usr/lib/wine/wine program=$shipped
    machine_software='Software\Wow6432Node'  # where a 32-bit program's HKLM\Software lies
else
    wine=/usr/lib/wine/wine64 program="$root/build/windows-x64/uninstall.exe"
    machine_software=Software
fi

# Whatever happens, the prefix's wineserver (and with it every program of the prefix) and the
# demo's Xvfb stop.
finish() {
    "$root/scripts/wine-prefix.sh" stop "$build" >/dev/null 2>&1 || true
}
trap finish EXIT
trap 'exit 130' INT TERM

echo "demo: preparing a private Wine prefix in build/demo (the first time takes a minute)"
"$root/scripts/wine-prefix.sh" start "$build"
own_display=":$(cat "$build/wine-state/xvfb.display")"
display=$own_display
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    display=$DISPLAY
fi

# The demo installation -------------------------------------------------------------------

install='C:\Program Files\Vantrel'
start_menu='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Vantrel'
documents='C:\users\Public\Documents\Vantrel'
desktop_link='C:\users\Public\Desktop\Vantrel.lnk'

linux_path() {  # C:\a\b -> the file inside the prefix
    local rest=${1#C:\\}
    printf '%s/%s' "$drive" "${rest//\\//}"
}

put_file() {  # Windows path, content
    local path
    path=$(linux_path "$1")
    mkdir -p "$(dirname "$path")"
    printf '%s\r\n' "$2" >"$path"
}

make_installation() {
    rm -rf "$(linux_path "$install")" "$(linux_path "$start_menu")" "$(linux_path "$documents")" \
        "$(linux_path "$desktop_link")"
    find "$drive/users" -iname uninstallvx.exe -delete

    put_file "$install\\Vantrel.exe" "MZ (demo program)"
    put_file "$install\\readme.txt" "Vantrel 2.4.1"
    put_file "$install\\Data\\settings.ini" "[view]"
    mkdir -p "$(linux_path "$install\\Plugins")"
    put_file "$install\\Samples\\intro.vtl" "sample"
    put_file "$install\\Samples\\Charts\\bars.vtl" "sample"
    put_file "$install\\Samples\\Charts\\Old\\pie.vtl" "sample"
    put_file "$install\\Samples\\Maps\\world.vtl" "sample"
    cp "$program" "$(linux_path "$install\\uninstall.exe")"
    put_file "$desktop_link" "L (demo shortcut)"
    put_file "$start_menu\\Vantrel.lnk" "L (demo shortcut)"
    put_file "$start_menu\\Vantrel Help.lnk" "L (demo shortcut)"
    # Made by the user after installing: not in the log, so it and its folder stay.
    put_file "$documents\\project1.vtl" "the user's own work"

    # REGEDIT4 text: the first three sections clear what an earlier demo left behind. The
    # Recent key stands for one the program made later; it is not in the log, so the key
    # above it cannot go.
    cat >"$drive/demo-registry.reg" <<'EOF'
REGEDIT4

[-HKEY_LOCAL_MACHINE\Software\Kestova]
[-HKEY_CURRENT_USER\Software\Kestova]
[-HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel]

[HKEY_LOCAL_MACHINE\Software\Kestova\Vantrel]
"InstallDir"="C:\\Program Files\\Vantrel"
"Version"="2.4.1"

[HKEY_CURRENT_USER\Software\Kestova\Vantrel]
"Language"="en"

[HKEY_CURRENT_USER\Software\Kestova\Vantrel\Settings]
"Zoom"="100"

[HKEY_CURRENT_USER\Software\Kestova\Vantrel\Recent]
"File1"="C:\\users\\Public\\Documents\\Vantrel\\project1.vtl"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel]
"DisplayName"="Kestova Vantrel"
EOF
    echo '"UninstallString"="C:\\Program Files\\Vantrel\\uninstall.exe' \
        'C:\\Program Files\\Vantrel\\install.log"' >>"$drive/demo-registry.reg"
    (cd "$drive" && DISPLAY=$own_display "$wine" regedit /S 'C:\demo-registry.reg')
    "$wineserver" -w

    # The install log, with Windows line ends; the uninstaller reads it whole before it
    # removes anything, so it may list itself. The program's own file and the folder that
    # holds it are left to the helper copy that runs after the wizard has ended.
    printf '%s\r\n' \
        "file:$install\\Vantrel.exe" \
        "file:$install\\readme.txt" \
        "file:$install\\Data\\settings.ini" \
        "dirw:$install\\Samples" \
        "file:$install\\install.log" \
        "file:$install\\uninstall.exe" \
        "dir:$install\\Plugins" \
        "dir:$install\\Data" \
        "dir:$install" \
        "link:$desktop_link" \
        "link:$start_menu\\Vantrel.lnk" \
        "link:$start_menu\\Vantrel Help.lnk" \
        "dir:$start_menu" \
        "dir:$documents" \
        'key:HKLM\Software\Kestova\Vantrel\InstallDir' \
        'key:HKLM\Software\Kestova\Vantrel\Version' \
        'key:HKLM\Software\Kestova\Vantrel\' \
        'key:HKLM\Software\Kestova\' \
        'key:HKCU\Software\Kestova\Vantrel\Settings\' \
        'key:HKCU\Software\Kestova\Vantrel\Language' \
        'key:HKCU\Software\Kestova\Vantrel\' \
        'key:HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel\' \
        >"$(linux_path "$install\\install.log")"
}

# Driving the wizard ----------------------------------------------------------------------

# The removal page's bar, empty (white) or done (in colour), is larger than anything white or in
# colour on the other pages.
bar_pixels() {
    convert "$build/look.ppm" -format %c histogram:info: | awk -F '[(,)]' '
        { max = $2; min = $2
          if ($3 > max) max = $3; if ($4 > max) max = $4
          if ($3 < min) min = $3; if ($4 < min) min = $4
          if (min == 255 || max - min > 40) pixels += $1 }
        END { print pixels + 0 }'
}

# A page counts as shown once the window holds more than its plain background, looks
# different from the page before, and stays the same over two looks. While the log is being
# processed, the removal page shows its bar and may stay the same for a while: the demo presses
# nothing there and waits for the completion page.
window_picture() {
    DISPLAY=$display import -silent -window "$1" "ppm:$build/look.ppm" 2>/dev/null || return 1
    local colours
    colours=$(convert "$build/look.ppm" -format '%k' info: 2>/dev/null) || return 1
    [ "$colours" -gt 2 ] || return 1
    [ "$(bar_pixels)" -lt 1000 ] || return 1
    md5sum <"$build/look.ppm" | cut -c1-32
}

wait_for_page() {  # window, picture of the page before; prints the new page's picture
    local window=$1 before=$2 last="" now
    for _ in $(seq $((150 * WAIT_FACTOR))); do
        if now=$(window_picture "$window") && [ "$now" != "$before" ]; then
            if [ "$now" = "$last" ]; then
                echo "$now"
                return 0
            fi
            last=$now
        fi
        sleep 0.2
    done
    return 1
}

press_return() {
    DISPLAY=$display xdotool windowfocus "$1" >/dev/null 2>&1 || true
    DISPLAY=$display xdotool key --window "$1" Return >/dev/null 2>&1
}

run_wizard() {
    local pid window="" picture="" page code=0
    # Started from inside the prefix: Wine cannot reach the Linux working directory.
    (cd "$drive" &&
        DISPLAY=$display exec "$wine" "$install\\uninstall.exe" "$install\\install.log") &
    pid=$!
    for _ in $(seq $((150 * WAIT_FACTOR))); do
        window=$(DISPLAY=$display xdotool search --all --pid "$pid" --name '^Uninstall$' \
                 2>/dev/null | head -1) && [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || { echo "demo: the uninstaller's window did not appear" >&2; return 1; }

    for page in introduction confirmation completion; do
        picture=$(wait_for_page "$window" "$picture") ||
            { echo "demo: the $page page did not appear" >&2; return 1; }
        cp "$build/look.ppm" "$build/look-$page.ppm"
        echo "demo: $page page shown, pressing Enter"
        press_return "$window"
    done
    wait "$pid" || code=$?
    echo "demo: the uninstaller ended with exit code $code"
    for page in introduction confirmation completion; do
        convert "$build/look-$page.ppm" "$build/page-$page.png" && rm -f "$build/look-$page.ppm"
    done
    rm -f "$build/look.ppm"
}

# The report ------------------------------------------------------------------------------

# Wine keeps HKEY_LOCAL_MACHINE in system.reg and HKEY_CURRENT_USER in user.reg, with key
# names relative to the root and backslashes doubled; it writes them when its server stops. A
# key without values of its own appears only as the start of the names of its subkeys.
registry_has() {  # root file, key, value name or "" for the key itself
    SECTION="[${2//\\/\\\\}]" VALUE="$3" awk '
        BEGIN { section = tolower(ENVIRON["SECTION"])
                value = tolower("\"" ENVIRON["VALUE"] "\"=") }
        ENVIRON["VALUE"] == "" &&
            index(tolower($0), substr(section, 1, length(section) - 1) "\\\\") == 1 { found = 1 }
        index(tolower($0), section) == 1 { inside = 1; if (ENVIRON["VALUE"] == "") found = 1; next }
        /^\[/ { inside = 0 }
        inside && index(tolower($0), value) == 1 { found = 1 }
        END { exit !found }' "$WINEPREFIX/$1"
}

removed=()
stayed=()
note() {  # description, then the command that tells whether it is still there
    if "${@:2}"; then stayed+=("$1"); else removed+=("$1"); fi
}
exists() { [ -e "$(linux_path "$1")" ]; }

report() {
    local path
    for path in "$install\\Vantrel.exe" "$install\\readme.txt" "$install\\Data\\settings.ini" \
                "$install\\Data" "$install\\Plugins" "$install\\Samples" "$install\\install.log" \
                "$install\\uninstall.exe" "$install" "$desktop_link" "$start_menu\\Vantrel.lnk" \
                "$start_menu\\Vantrel Help.lnk" "$start_menu" "$documents\\project1.vtl" \
                "$documents"; do
        note "$path" exists "$path"
    done
    local machine="$machine_software"'\Kestova\Vantrel' user='Software\Kestova\Vantrel'
    note 'HKLM\Software\Kestova\Vantrel  InstallDir' registry_has system.reg "$machine" InstallDir
    note 'HKLM\Software\Kestova\Vantrel  Version' registry_has system.reg "$machine" Version
    note 'HKLM\Software\Kestova\Vantrel' registry_has system.reg "$machine" ''
    note 'HKLM\Software\Kestova' registry_has system.reg "$machine_software"'\Kestova' ''
    note 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel' registry_has \
        system.reg "$machine_software"'\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel' ''
    note 'HKCU\Software\Kestova\Vantrel\Settings' registry_has user.reg "$user"'\Settings' ''
    note 'HKCU\Software\Kestova\Vantrel  Language' registry_has user.reg "$user" Language
    note 'HKCU\Software\Kestova\Vantrel\Recent' registry_has user.reg "$user"'\Recent' ''
    note 'HKCU\Software\Kestova\Vantrel' registry_has user.reg "$user" ''
    if [ -n "$(find "$drive/users" -iname uninstallvx.exe)" ]; then
        stayed+=('the helper copy uninstallvx.exe in the temporary folder')
    fi

    echo
    echo "Removed:"
    printf '  %s\n' "${removed[@]}"
    echo "Stayed:"
    [ ${#stayed[@]} -eq 0 ] || printf '  %s\n' "${stayed[@]}"
    echo "  (the user's project file and the Recent key were never in the install log; the"
    echo "   folder and the key that hold them are therefore not empty and stay)"
    echo
    echo "Pictures of the three pages: build/demo/page-*.png"
    echo "The shipped program: $shipped ($(stat -c %s "$shipped") bytes, 32-bit)"
}

echo "demo: installing a demo Vantrel in the prefix"
make_installation

echo "demo: running ${program#"$root/"} ($ARCH_REASON)"
if [ "$display" = "$own_display" ]; then
    echo "demo: no usable DISPLAY, the pages appear on the demo's own Xvfb ($display)"
else
    echo "demo: the pages appear on your display ($display)"
fi
run_wizard

# The helper copy waits a second, removes the program's file and folder, and ends; the
# wineserver stops a few seconds after the last program of the prefix.
echo "demo: waiting for the helper copy to finish"
timeout $((60 * WAIT_FACTOR)) "$wineserver" -w ||
    echo "demo: programs still ran in the prefix after $((60 * WAIT_FACTOR)) s; stopping them" >&2
report
