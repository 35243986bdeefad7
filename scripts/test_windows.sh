#!/usr/bin/env bash
# The Windows build: cross-compiles with MinGW-w64 into build-win/ (or
# $BUILD_DIR) and runs each test program under Wine, in a Wine prefix of its
# own that is removed at the end. Prints "windows: N passed, M failed" last;
# scripts/test.sh adds those to its totals. Exit code 0 only when all passed.
#   JOBS=2   BUILD_DIR=build-win   KEEP_WINEPREFIX=1 (keep the prefix for a look)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build-win}
JOBS=${JOBS:-2}

for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 1; }
done

echo "-- cross-build into $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DVANTREL_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"

# A private prefix; WINEDEBUG=-all keeps Wine's own chatter out of the logs.
# The English (US) user locale makes the regional date and time formats the
# tests see the same on every machine.
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/vantrel-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ "${KEEP_WINEPREFIX:-0}" = 1 ]; then echo "Wine prefix kept: $WINEPREFIX"; else rm -rf "$WINEPREFIX"; fi
}
trap cleanup EXIT
echo "-- Wine prefix $WINEPREFIX"
wineboot -i >/dev/null 2>&1
# One server for all the runs below, so each program starts in a fraction of a second.
wineserver -p >/dev/null 2>&1 </dev/null &

PASSED=0
FAILED=0
SKIPPED=0
for exe in "$BUILD_DIR"/*_test.exe; do
  name=$(basename "$exe" .exe)
  log=$(mktemp)
  rc=0
  (cd "$BUILD_DIR" && timeout 300 wine "./$name.exe" --gtest_color=no) >"$log" 2>&1 || rc=$?
  p=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n 1)
  f=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n 1)
  s=$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n 1)
  p=${p:-0}; f=${f:-0}; s=${s:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi  # crashed or hung before its summary
  PASSED=$((PASSED + p)); FAILED=$((FAILED + f)); SKIPPED=$((SKIPPED + s))
  if [ "$f" -eq 0 ]; then
    printf '%-28s %4d passed %3d skipped\n' "$name" "$p" "$s"
  else
    printf '%-28s %4d passed %3d FAILED (exit %d)\n' "$name" "$p" "$f" "$rc"
    grep -E -A12 'Failure|FAILED|exception' "$log" | head -n 60 || tail -n 30 "$log"
  fi
  rm -f "$log"
done

echo "windows: $PASSED passed, $FAILED failed ($SKIPPED skipped on Windows)"
[ "$FAILED" -eq 0 ]
