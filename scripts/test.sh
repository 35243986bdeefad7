#!/usr/bin/env bash
# Sets up what is missing, builds and runs every test: the normal build, the
# whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, the unit tests
# (threaded link tests included) under ThreadSanitizer, and each fuzz target for
# a bounded time.
#   FUZZ_SECONDS=30 (per target)   SKIP_SANITIZERS=1 (quick local run)
#   SKIP_WINDOWS=1 (no cross-built Windows programs and Wine run)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

bash scripts/setup.sh --tests

JOBS=$(nproc)
FUZZ_SECONDS=${FUZZ_SECONDS:-30}
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/vantrel-xdg.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"

step() { printf '\n=== %s\n' "$*"; }

# Runs ctest in a build folder and adds its counts to the totals printed at the end.
PASSED=0
FAILED=0
run_ctest() {
  local dir=$1; shift
  local log
  log=$(mktemp)
  local rc=0
  (cd "$dir" && ctest --output-on-failure -j "$JOBS" "$@") 2>&1 | tee "$log" || rc=$?
  local line total failed
  line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  rm -f "$log"
  [ -n "$line" ] || { echo "ctest in $dir gave no summary" >&2; exit 1; }
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  failed=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  PASSED=$((PASSED + total - failed))
  FAILED=$((FAILED + failed))
  [ "$rc" -eq 0 ] && [ "$failed" -eq 0 ] || { echo "$PASSED passed, $FAILED failed"; exit 1; }
}

step "build (g++, warnings as errors)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTREL_WERROR=ON >/dev/null
cmake --build build -j "$JOBS"
step "tests"
run_ctest build

step "printing through a real spooler (CUPS + cups-pdf; skipped without root)"
bash scripts/test_spooler.sh build

step "Debian package: build, install, start, remove (skipped without root)"
BUILD_DIR=build bash scripts/test_package.sh

if [ "${SKIP_WINDOWS:-0}" != 1 ]; then
  step "Windows build (MinGW-w64) and its tests under Wine"
  log=$(mktemp)
  rc=0
  JOBS="$JOBS" bash scripts/test_windows.sh 2>&1 | tee "$log" || rc=$?
  line=$(grep -E '^windows: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1 || true)
  rm -f "$log"
  if [ -n "$line" ]; then
    PASSED=$((PASSED + $(sed -E 's/^windows: ([0-9]+) passed.*/\1/' <<<"$line")))
    FAILED=$((FAILED + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")))
  fi
  [ "$rc" -eq 0 ] && [ -n "$line" ] || { echo "$PASSED passed, $FAILED failed"; exit 1; }
fi

if [ "${SKIP_SANITIZERS:-0}" != 1 ]; then
  step "build with ASan + UBSan (clang)"
  CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DVANTREL_SANITIZE=ON -DVANTREL_BENCH=OFF -DVANTREL_WERROR=ON >/dev/null
  cmake --build build-asan -j "$JOBS"
  step "tests under ASan + UBSan"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-asan

  step "build with TSan (clang), unit tests only"
  CC=clang CXX=clang++ cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DVANTREL_TSAN=ON -DVANTREL_GUI=OFF -DVANTREL_BENCH=OFF -DVANTREL_WERROR=ON >/dev/null
  cmake --build build-tsan -j "$JOBS"
  step "unit tests under TSan"
  TSAN_OPTIONS=halt_on_error=1 run_ctest build-tsan -L unit

  step "fuzz targets, ${FUZZ_SECONDS}s each"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVANTREL_FUZZ=ON -DVANTREL_SANITIZE=ON -DVANTREL_GUI=OFF -DVANTREL_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$JOBS"
  for f in build-fuzz/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    name=$(basename "$f")
    corpus="$ROOT/build-fuzz/corpus-$name"
    mkdir -p "$corpus"
    seeds="$ROOT/fuzz/seeds/$name"
    [ -d "$seeds" ] || seeds=""
    echo "-- $name"
    "$f" -max_total_time="$FUZZ_SECONDS" -print_final_stats=0 "$corpus" $seeds 2>&1 | tail -n 3
  done
fi

step "all tests passed"
echo "$PASSED passed, $FAILED failed"
