#!/usr/bin/env bash
# Builds the Debian package, checks what it declares, installs it with apt-get,
# starts the installed programs for a moment, and removes the package again.
#
#   scripts/test_package.sh                 Release build in build-package/
#   BUILD_DIR=build scripts/test_package.sh reuse a configured build folder
#
# Installing needs root: as another user the package is built and checked, and
# the install steps are skipped (exit 0). A vantreldaq package that is already
# installed is left alone: the script then stops before installing.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

step() { printf '\n=== %s\n' "$*"; }
fail() { echo "test_package: FAILED: $*" >&2; exit 1; }

BUILD_DIR=${BUILD_DIR:-build-package}
JOBS=$(nproc)

step "build the programs in $BUILD_DIR"
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  # Only the installed programs are built: the install step must not build
  # every test and benchmark first.
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_BENCH=OFF \
        -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
else
  cmake -S . -B "$BUILD_DIR" >/dev/null   # picks up files added since (man page, icons)
fi
cmake --build "$BUILD_DIR" -j "$JOBS" --target vantreldaq vantreldaq-cli vantrel-logger-sim

step "package"
rm -f "$BUILD_DIR"/vantreldaq_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
DEB=$(ls "$BUILD_DIR"/vantreldaq_*.deb 2>/dev/null | head -n 1)
[ -n "$DEB" ] || fail "cpack made no vantreldaq_*.deb"
echo "$DEB"

step "what the package declares"
dpkg-deb -I "$DEB"
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
[ -n "$DEPENDS" ] || fail "the package declares no dependencies"
for lib in libc6 libstdc++6 libqt6widgets6 libqt6printsupport6 fonts-dejavu-core qt6-translations-l10n; do
  grep -q "$lib" <<<"$DEPENDS" || fail "Depends lacks $lib: $DEPENDS"
done
CONTENTS=$(dpkg-deb -c "$DEB")
for f in ./usr/bin/vantreldaq ./usr/bin/vantreldaq-cli ./usr/bin/vantrel-logger-sim \
         ./usr/share/applications/vantreldaq.desktop ./usr/share/man/man1/vantreldaq-cli.1 \
         ./usr/share/icons/hicolor/16x16/apps/vantreldaq.png ./usr/share/icons/hicolor/128x128/apps/vantreldaq.png \
         ./usr/share/mime/packages/vantreldaq.xml; do
  grep -q " $f\$" <<<"$CONTENTS" || fail "the package lacks $f"
done
echo "dependencies and files: ok"

if [ "$(id -u)" -ne 0 ]; then
  echo "test_package: not root, so the package is not installed; skipping the install test"
  exit 0
fi
if dpkg-query -W -f='${Status}' vantreldaq 2>/dev/null | grep -q "install ok installed"; then
  echo "test_package: a vantreldaq package is installed already; leaving it alone and skipping the install test"
  exit 0
fi

WORK=$(mktemp -d /tmp/vantrel-package.XXXXXX)
SIM_PID=""
cleanup() {
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null && wait "$SIM_PID" 2>/dev/null
  if dpkg-query -W -f='${Status}' vantreldaq 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y --purge vantreldaq >/dev/null
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

step "install"
cp "$DEB" "$WORK/"
(cd "$WORK" && DEBIAN_FRONTEND=noninteractive apt-get install -y "./$(basename "$DEB")")
for p in vantreldaq vantreldaq-cli vantrel-logger-sim; do
  [ "$(command -v $p)" = "/usr/bin/$p" ] || fail "$p is not installed in /usr/bin"
  if ldd "/usr/bin/$p" | grep -q "not found"; then
    ldd "/usr/bin/$p" >&2
    fail "$p misses a library"
  fi
done

# No COM number may reach a real port of this machine, and the programs' files
# land in the scratch folder.
for n in 1 2 3 4 5 6 7 8; do export VANTREL_COM$n=none; done
export XDG_CONFIG_HOME=$WORK/config
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$WORK"

step "start the installed window program offscreen for a moment"
set +e
QT_QPA_PLATFORM=offscreen timeout 5 vantreldaq >"$WORK/gui.log" 2>&1
rc=$?
set -e
# 124: still running when the time was up, which is what a healthy window does.
if [ "$rc" -ne 0 ] && [ "$rc" -ne 124 ]; then
  cat "$WORK/gui.log" >&2
  fail "vantreldaq ended with $rc"
fi
echo "vantreldaq ran (exit $rc)"

step "recording files open with the installed program"
MIME=application/x-vantreldaq-recording
grep -q "^MimeType=.*$MIME;" /usr/share/applications/vantreldaq.desktop || fail "the desktop entry names no $MIME"
grep -q "^Exec=vantreldaq .*%f$" /usr/share/applications/vantreldaq.desktop || fail "the desktop entry passes no file"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate /usr/share/applications/vantreldaq.desktop || fail "desktop-file-validate"
fi
# The package triggers of shared-mime-info and desktop-file-utils have run.
grep -q "$MIME" /usr/share/mime/globs2 || fail "the MIME database does not know *.udd"
DEFAULT=$(XDG_DATA_DIRS=/usr/share XDG_CURRENT_DESKTOP= xdg-mime query default "$MIME")
[ "$DEFAULT" = "vantreldaq.desktop" ] || fail "xdg-mime query default $MIME gives '$DEFAULT'"
echo "xdg-mime query default $MIME: $DEFAULT"

step "the installed command line against the installed simulator"
vantreldaq-cli --help >/dev/null || fail "vantreldaq-cli --help"
man -w vantreldaq-cli >/dev/null 2>&1 || echo "(man is not installed here; the page is in the package)"
vantrel-logger-sim --no-register --pace fast --sample-time 10 --length 100000 >"$WORK/sim.log" 2>&1 &
SIM_PID=$!
for _ in $(seq 50); do grep -q "^export VANTREL_COM1=" "$WORK/sim.log" && break; sleep 0.1; done
DEVICE=$(sed -n 's/^export VANTREL_COM1=//p' "$WORK/sim.log")
[ -n "$DEVICE" ] || fail "the simulator did not start: $(cat "$WORK/sim.log")"
VANTREL_COM1=$DEVICE vantreldaq-cli fetch --port 1 --span "1 hour" -o "$WORK/site.udd" --quiet
vantreldaq-cli info "$WORK/site.udd" | grep -q "^Records:       36000$" || fail "info on the fetched file"
vantreldaq-cli settime "$WORK/site.udd" --end "2026-03-01 18:00:00" >/dev/null
vantreldaq-cli export "$WORK/site.udd" -o "$WORK/site.csv"
[ "$(wc -l <"$WORK/site.csv")" -eq 36004 ] || fail "export line count"
echo "fetch, info, settime, export: ok"

step "the installed window program opens a recording named on its command line"
set +e
QT_QPA_PLATFORM=offscreen timeout 5 vantreldaq "$WORK/site.udd" >"$WORK/gui-file.log" 2>&1
rc=$?
set -e
[ "$rc" -eq 124 ] || { cat "$WORK/gui-file.log" >&2; fail "vantreldaq FILE.udd ended with $rc"; }
echo "vantreldaq site.udd ran (exit $rc)"

step "remove"
cd "$ROOT"
kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null || true
SIM_PID=""
DEBIAN_FRONTEND=noninteractive apt-get remove -y --purge vantreldaq >/dev/null
[ ! -e /usr/bin/vantreldaq-cli ] || fail "vantreldaq-cli is still there after removal"

step "package test passed"
