#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Orvalen need.
# Only missing packages are installed, so a second run costs a few dpkg queries.
set -euo pipefail

packages=(cmake g++ ninja-build pkg-config qt6-base-dev libgif-dev libgtest-dev libgmock-dev
          libbenchmark-dev fonts-liberation xvfb xdotool x11-utils imagemagick clang
          libclang-rt-14-dev librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream man-db)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
