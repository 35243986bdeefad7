#!/usr/bin/env bash
# Installs what VantrelDAQ needs on Debian 12: to build and run the Linux
# program (scripts/run.sh), or with --tests also what the tests, the sanitizer
# and fuzz builds and the Windows build need (scripts/test.sh,
# scripts/package_windows.sh). Safe to run again: apt-get skips what is
# already there.
#   scripts/setup.sh            build and run
#   scripts/setup.sh --tests    build, run and test, both platforms
set -euo pipefail

FOR_TESTS=0
[ "${1:-}" = "--tests" ] && FOR_TESTS=1

PKGS=(
  build-essential cmake ninja-build
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6opengl6-dev libgl-dev
  qt6-translations-l10n
  fonts-dejavu-core
)
if [ "$FOR_TESTS" = 1 ]; then
  PKGS+=(
    clang libclang-rt-14-dev
    xvfb x11-apps netpbm twm xfonts-base poppler-utils python3
    cups printer-driver-cups-pdf
    locales file dpkg-dev
    xdg-utils shared-mime-info desktop-file-utils
    # The Windows build: MinGW-w64 cross compiler, GoogleTest's sources, Wine,
    # NSIS for the installer.
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64 nsis
  )
fi

missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

[ "$FOR_TESTS" = 1 ] || exit 0

# The export and print tests check dates and times under a German, a US
# (12-hour) and a Finnish (dots between hours, minutes and seconds) locale.
for loc in de_DE en_US fi_FI; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO sed -i "s/^# *\(${loc}\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${loc}\.UTF-8 UTF-8" /etc/locale.gen || echo "${loc}.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    NEED_LOCALE_GEN=1
  fi
done
if [ -n "${NEED_LOCALE_GEN:-}" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO locale-gen
fi
