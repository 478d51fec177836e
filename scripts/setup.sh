#!/usr/bin/env bash
# Installs what the build and the tests need, once; does nothing when all is there. Where the
# kernel runs 32-bit code, that includes 32-bit Wine, so that the shipped exe itself is tested.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/arch.sh
packages=(cmake g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 googletest xvfb xdotool
          imagemagick clang libclang-rt-14-dev)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if kernel_runs_32bit; then
    packages+=(wine32:i386 fonts-wine)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "setup: adding the i386 architecture for 32-bit Wine"
        $sudo dpkg --add-architecture i386
    fi
fi
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
