#!/usr/bin/env bash
# Installs everything the builds, tests and the run command need on Debian 12.
# Idempotent: when every package is present and the locale exists it only checks.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xauth x11-apps x11-utils xdotool imagemagick locales
  fonts-ipafont-gothic fonts-ipafont-mincho zip unzip
  xwallpaper gsettings-desktop-schemas libglib2.0-bin xfconf libxfconf-0-3 dbus dbus-daemon
  sway swaybg grim
  lintian mandoc dpkg-dev fakeroot
)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine must see a Japanese locale, or its ANSI code page silently becomes 1252.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "setup: generating ja_JP.UTF-8"
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
# sway refuses to run as root: the tests start a headless one as this ordinary user.
if [ "$(id -u)" = 0 ] && ! id plrsway >/dev/null 2>&1; then
  echo "setup: adding the user plrsway for the headless sway test"
  useradd --system --no-create-home --shell /usr/sbin/nologin plrsway
fi
echo "setup: ok"
