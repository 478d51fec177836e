#!/usr/bin/env bash
# Installs what the build and the tests need, once; does nothing when all is there.
set -euo pipefail
packages=(cmake g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 googletest xvfb xdotool
          imagemagick clang libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi
