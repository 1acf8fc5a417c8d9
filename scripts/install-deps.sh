#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, test and run.
# Only what is missing is installed, and the package lists are refreshed only then.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6opengl6-dev
  libgl-dev
  p7zip-full ffmpeg xvfb
  libmtp-dev libplist-dev libsqlite3-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  python3-dbusmock dbus
  ccache
  libtag1-dev libical-dev python3-vobject zlib1g-dev
  libssl-dev
  libimobiledevice-utils
  desktop-file-utils appstream lintian dpkg-dev file fakeroot librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
