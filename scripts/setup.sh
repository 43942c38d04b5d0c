#!/usr/bin/env bash
# Installs everything the build, the player and the tests need from Debian's packages.
# Idempotent: packages already present are not touched, and apt is not even asked then.
set -euo pipefail

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

packages=(
  cmake make git
  g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  googletest
  wine wine32:i386 fonts-wine
  xvfb x11-utils x11-xserver-utils xdotool imagemagick
  ffmpeg sox
  pulseaudio pulseaudio-utils
  libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-bad:i386 gstreamer1.0-plugins-ugly:i386 gstreamer1.0-libav:i386
  clang-format python3 tesseract-ocr tesseract-ocr-eng
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do
  # Packages for all architectures answer only to their bare name; i386 ones to name:i386.
  dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"
