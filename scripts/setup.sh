#!/usr/bin/env bash
# Installs what the build and the tests need, once; does nothing when all is there. Wherever
# 32-bit programs can run, natively or on an emulated CPU, that includes 32-bit Wine, so that the
# shipped exe itself is tested. Where the kernel cannot run them, it registers Debian's qemu-i386
# for them in binfmt_misc, when that can be used.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/arch.sh
packages=(cmake g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 googletest xvfb xdotool
          imagemagick clang libclang-rt-14-dev)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
missing() {
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            echo "$package"
    done
}
updated=no
install() {
    local need
    need=$(missing "$@")
    [ -n "$need" ] || return 0
    echo "setup: installing" $need
    [ "$updated" = yes ] || { $sudo apt-get update -qq; updated=yes; }
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        $need >/dev/null
}

# The registration of the emulator for the first 20 bytes of a 32-bit x86 program, with the
# interpreter opened now (F), so that it serves in every mount namespace and chroot as well.
register_emulator() {
    [ -e "$BINFMT/status" ] || $sudo mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null ||
        return 1
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
if [ "$I386_MODE" = none ] && [ -d "$BINFMT" ]; then
    install qemu-user-static
    if register_emulator; then
        source scripts/arch.sh
        if [ "$I386_MODE" = emulated ]; then
            echo "setup: 32-bit programs now run on an emulated CPU (qemu-i386)"
        else
            echo "setup: qemu-i386 is registered, yet no 32-bit program runs even so"
        fi
    else
        echo "setup: binfmt_misc cannot be used here, so no 32-bit program can run"
    fi
fi

if [ "$I386_MODE" != none ]; then
    packages+=(wine32:i386 fonts-wine)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "setup: adding the i386 architecture for 32-bit Wine"
        $sudo dpkg --add-architecture i386
        updated=no  # the new architecture's packages are known only after the next refresh
    fi
fi
install "${packages[@]}"
