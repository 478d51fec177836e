#!/usr/bin/env bash
# Installs what the build and the tests need, from a bare Debian machine in one run; does nothing
# when all is there. Wherever 32-bit programs can run, natively or on an emulated CPU, that
# includes 32-bit Wine, so that the shipped exe itself is tested. In this order (the last lines
# of this file):
#   1. where no 32-bit program runs, but binfmt_misc can be used: Debian's qemu-i386 installed
#      and registered there for them, so that they run on an emulated CPU;
#   2. wherever 32-bit programs run: the i386 architecture added, for 32-bit Wine;
#   3. whatever is missing installed, from package lists refreshed after the last change to the
#      architectures: lists fetched before i386 was added know no i386 package.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/arch.sh
packages=(cmake make procps g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 googletest xvfb
          xdotool imagemagick clang libclang-rt-14-dev)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

missing() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            echo "$package"
    done
}
lists=stale  # nothing is known of this run's package lists until it refreshes them
install() {
    local need
    need=$(missing "$@")
    [ -n "$need" ] || return 0
    echo "setup: installing" $need
    [ "$lists" = fresh ] || { $sudo apt-get update -qq; lists=fresh; }
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        $need >/dev/null
}
add_i386_architecture() {
    dpkg --print-foreign-architectures | grep -qx i386 && return
    echo "setup: adding the i386 architecture for 32-bit Wine"
    $sudo dpkg --add-architecture i386
    lists=stale
}

binfmt_usable() {
    [ -e "$BINFMT/status" ] || $sudo mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null
}
# The registration of the emulator for the first 20 bytes of a 32-bit x86 program, with the
# interpreter opened now (F), so that it serves in every mount namespace and chroot as well.
register_emulator() {
    if [ -e "$BINFMT/qemu-i386" ]; then
        echo 1 | $sudo tee "$BINFMT/qemu-i386" >/dev/null
    else
        local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff'
        mask+='\xfe\xff\xff\xff'
        echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
            $sudo tee "$BINFMT/register" >/dev/null
    fi
}

if [ "$I386_MODE" = none ]; then
    if binfmt_usable; then
        install qemu-user-static
        register_emulator || true  # the kernel's refusal is shown, and told apart just below
        source scripts/arch.sh
        if [ "$I386_MODE" = emulated ]; then
            echo "setup: 32-bit programs now run on an emulated CPU (qemu-i386)"
        else
            echo "setup: binfmt_misc took no working qemu-i386, so no 32-bit program can run"
        fi
    else
        echo "setup: binfmt_misc cannot be used here, so no 32-bit program can run"
    fi
fi
if [ "$I386_MODE" != none ]; then
    add_i386_architecture
    packages+=(wine32:i386 fonts-wine)
fi
install "${packages[@]}"
