#!/usr/bin/env bash
# The Windows build: cross-compiles with MinGW-w64 into build-win/ (or
# $BUILD_DIR), makes the installer and the portable zip there, and runs each
# test program under Wine, in a Wine prefix of its own that is removed at the
# end; last, the installer is installed and uninstalled silently in that prefix
# (scripts/test_windows_installer.sh). Prints "windows: N passed, M failed"
# last; scripts/test.sh adds those to its totals. Exit code 0 only when all
# passed.
#   JOBS=2   BUILD_DIR=build-win   KEEP_WINEPREFIX=1 (keep the prefix for a look)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build-win}
JOBS=${JOBS:-2}

for tool in x86_64-w64-mingw32-g++-posix wine wineboot wineserver; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh --tests" >&2; exit 1; }
done

echo "-- cross-build into $BUILD_DIR"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 -DVANTREL_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS"
# The installer and the portable zip of these programs, tested at the end.
cmake --build "$BUILD_DIR" -j "$JOBS" --target package_windows
BUILD_ABS=$(cd "$BUILD_DIR" && pwd)

# A private prefix; WINEDEBUG=-all keeps Wine's own chatter out of the logs.
# The English (US) user locale makes the regional date and time formats the
# tests see the same on every machine.
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/vantrel-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8
XVFB_PID=""
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  if [ "${KEEP_WINEPREFIX:-0}" = 1 ]; then echo "Wine prefix kept: $WINEPREFIX"; else rm -rf "$WINEPREFIX"; fi
}
trap cleanup EXIT
# The window program's test needs a display: a private Xvfb when there is none.
if [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "Xvfb is missing: run scripts/setup.sh --tests" >&2; exit 1; }
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { XVFB_DISPLAY=":$n"; break; }
  done
  Xvfb "$XVFB_DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=$XVFB_DISPLAY
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${XVFB_DISPLAY#:}" ] && break; sleep 0.1; done
  echo "-- Xvfb on $DISPLAY"
fi
echo "-- Wine prefix $WINEPREFIX"
wineboot -i >/dev/null 2>&1
# One server for all the runs below, so each program starts in a fraction of a second.
wineserver -p >/dev/null 2>&1 </dev/null &

PASSED=0
FAILED=0
SKIPPED=0
# Runs one test program (by name, with VAR=value settings for it in front)
# and adds its counts.
run_test() {
  local name=$1; shift
  local label=$name
  [ "$#" -eq 0 ] || label="$name ($*)"
  local log
  log=$(mktemp)
  local rc=0
  (cd "$BUILD_ABS" && env "$@" timeout 300 wine "./$name.exe" --gtest_color=no) >"$log" 2>&1 || rc=$?
  p=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -n 1)
  f=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n 1)
  s=$(sed -nE 's/^\[  SKIPPED \] ([0-9]+) tests?, listed below.*/\1/p' "$log" | tail -n 1)
  p=${p:-0}; f=${f:-0}; s=${s:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi  # crashed or hung before its summary
  PASSED=$((PASSED + p)); FAILED=$((FAILED + f)); SKIPPED=$((SKIPPED + s))
  if [ "$f" -eq 0 ]; then
    printf '%-44s %4d passed %3d skipped\n' "$label" "$p" "$s"
  else
    printf '%-44s %4d passed %3d FAILED (exit %d)\n' "$label" "$p" "$f" "$rc"
    grep -E -A12 'Failure|FAILED|exception' "$log" | head -n 60 || tail -n 30 "$log"
  fi
  rm -f "$log"
}
for exe in "$BUILD_DIR"/*_test.exe; do
  run_test "$(basename "$exe" .exe)"
done
# The regional formats once more under a German user.
run_test clock_win32_test LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8

# ---- end to end: vantreldaq-cli.exe against the Linux logger simulator --------
# The simulator stands on a pseudo-terminal; Wine's registry maps COM1 onto it.
# The Windows fetch must give the Linux fetch's recording: after both are
# stamped with the same start time, the files are identical byte for byte.
# The Linux build (scripts/test.sh made it) when there is one, else a small
# host build of just these two programs; either way brought up to date.
HOST_BUILD=${HOST_BUILD_DIR:-build}
if [ ! -f "$HOST_BUILD/build.ninja" ]; then
  HOST_BUILD=$BUILD_ABS/host
  echo "-- host build of the simulator and the Linux CLI in $HOST_BUILD"
  cmake -S . -B "$HOST_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTREL_GUI=OFF -DVANTREL_BENCH=OFF >/dev/null
fi
cmake --build "$HOST_BUILD" -j "$JOBS" --target vantrel-logger-sim vantreldaq-cli >/dev/null
SIM=$HOST_BUILD/tools/logger_sim/vantrel-logger-sim
LCLI=$HOST_BUILD/tools/cli/vantreldaq-cli
SIM=$(realpath "$SIM")
LCLI=$(realpath "$LCLI")
WCLI=$BUILD_ABS/vantreldaq-cli.exe
E2E=$(mktemp -d /tmp/vantrel-e2e.XXXXXX)
SIM_PID=""
stop_sim() {
  if [ -n "$SIM_PID" ]; then kill -CONT "$SIM_PID" 2>/dev/null || true; kill -INT "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true; fi
  SIM_PID=""
}
trap 'stop_sim; rm -rf "$E2E"; cleanup' EXIT

# Starts the simulator with the given options and maps COM1 onto its device.
start_sim() {
  stop_sim
  "$SIM" --no-register --pace fast "$@" >"$E2E/sim.out" 2>&1 &
  SIM_PID=$!
  local pts=""
  for _ in $(seq 50); do
    pts=$(sed -nE 's/^logger on (\/dev\/[^ ]+)$/\1/p' "$E2E/sim.out")
    [ -n "$pts" ] && break
    sleep 0.1
  done
  [ -n "$pts" ] || { echo "the simulator did not start:"; cat "$E2E/sim.out"; return 1; }
  wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$pts" /f >/dev/null 2>&1
  wineserver -k  # the port mapping is read when the server starts
  wineserver -p >/dev/null 2>&1 </dev/null &
  PTS=$pts
}

E2E_PASSED=0
E2E_FAILED=0
check() {  # name, then a command that must succeed
  local name=$1; shift
  if "$@" >/dev/null; then
    E2E_PASSED=$((E2E_PASSED + 1)); printf '%-60s ok\n' "$name"
  else
    E2E_FAILED=$((E2E_FAILED + 1)); printf '%-60s FAILED\n' "$name"
  fi
}
same_after_stamping() {  # two recordings, identical once stamped with one start time
  "$LCLI" settime "$1" --start "2026-03-01 08:00:00" -o "$E2E/a.udd" >/dev/null &&
    "$LCLI" settime "$2" --start "2026-03-01 08:00:00" -o "$E2E/b.udd" >/dev/null &&
    cmp "$E2E/a.udd" "$E2E/b.udd"
}
csv_body() { tail -n +3 "$1"; }  # the export without the title and the locale's start time
same_csv_body() { cmp <(csv_body "$1") <(csv_body "$2"); }

cd "$E2E"
FOLDER="Messungen März"
mkdir "$FOLDER"
echo "-- end to end over a Wine-mapped pseudo-terminal ($E2E)"
# No display, no window: the window program ends at once with code 0, having
# taken back what its start had begun (the port's threads), rather than abort.
check "vantreldaq.exe without a display ends with code 0" env -u DISPLAY timeout 60 wine "$BUILD_ABS/vantreldaq.exe"
start_sim --sample-time 10 --length 20000
check "Linux CLI fetch" env VANTREL_COM1="$PTS" "$LCLI" fetch --port 1 --span "10 minutes" --quiet -o linux.udd
check "Windows CLI fetch into \"$FOLDER\"" wine "$WCLI" fetch --port 1 --span "10 minutes" --quiet -o "$FOLDER\\win.udd"
check "both fetches give the same recording" same_after_stamping linux.udd "$FOLDER/win.udd"
check "Windows settime in \"$FOLDER\"" wine "$WCLI" settime "$FOLDER\\win.udd" --start "2026-03-01 08:00:00" -o "$FOLDER\\stamped.udd"
check "Windows settime gives the Linux file" cmp "$E2E/a.udd" "$FOLDER/stamped.udd"
"$LCLI" export "$E2E/a.udd" -o linux.csv >/dev/null
wine "$WCLI" export "$FOLDER\\stamped.udd" -o "$FOLDER\\win.csv" >/dev/null 2>&1 || true
check "Windows export: the same values, \\n line ends" same_csv_body linux.csv "$FOLDER/win.csv"
wine "$WCLI" info "$FOLDER\\stamped.udd" >info.txt 2>&1 || true
check "Windows info reads the file" grep -q "^Records: *6000" info.txt
# A USB adapter on COM12 (Wine maps it onto the same logger): COM1 keeps its
# number, COM12 is dealt to the first free one (which depends on the built-in
# ports Wine maps besides), and both names reach it.
wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$PTS" /f >/dev/null 2>&1
wineserver -k
wineserver -p >/dev/null 2>&1 </dev/null &
wine "$WCLI" ports >ports.txt 2>&1 || true
DEALT=$(sed -nE 's/^([1-8])  \\\\\.\\COM12 +present.*/\1/p' ports.txt)
check "Windows ports: COM1 keeps its number" grep -qE '^1  \\\\\.\\COM1 +present' ports.txt
check "Windows ports: COM12 is dealt to a free number below COM9 (COM${DEALT:-?})" test -n "$DEALT"
check "Windows CLI fetch over COM${DEALT:-?}, that is COM12" wine "$WCLI" fetch --port "${DEALT:-0}" --span "10 minutes" --quiet -o com12.udd
check "Windows CLI fetch with --port COM12" wine "$WCLI" fetch --port COM12 --span "10 minutes" --quiet -o com12b.udd
wine reg delete 'HKLM\Software\Wine\Ports' /v COM12 /f >/dev/null 2>&1
# The line hangs up mid-transfer: the samples that came are kept, as on Linux.
start_sim --sample-time 10 --length 20000 --hangup-after 3000
rc=0
timeout 60 wine "$WCLI" fetch --port 1 --span "10 minutes" --stall 2 --quiet -o hangup.udd >/dev/null 2>&1 || rc=$?
check "a hang-up mid-transfer ends with exit code 3" test "$rc" -eq 3
"$LCLI" info hangup.udd >info.txt 2>&1 || true
check "... keeping the 3000 samples that came" grep -q "^Records: *3000" info.txt
# The window program fetches, saves, exports and dumps through its dialogs.
start_sim --sample-time 10 --length 200000
run_test window_transfer_test VANTREL_TEST_LIVE_COM1=1
# Quitting mid-transfer asks first; on Yes the logger receives the abort.
start_sim --sample-time 10 --length 200000 --pace real
run_test window_transfer_test VANTREL_TEST_LIVE_COM1=1 VANTREL_TEST_LIVE_PACE=real \
  GTEST_FILTER=WindowTransfer.QuittingMidTransferAsksFirst
stop_sim
check "quitting mid-transfer: the logger received the abort" grep -q "aborts received 1," "$E2E/sim.out"
# The Win32 serial layer on a live port whose logger says nothing and, held
# still, reads nothing either: the line fills and a long write blocks.
start_sim --silent
kill -STOP "$SIM_PID"
run_test serial_win32_test VANTREL_TEST_LIVE_COM1=1
kill -CONT "$SIM_PID"
# A COM port with nothing behind it: a clear failure, never a hang.
stop_sim
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d /dev/null/none /f >/dev/null 2>&1
wineserver -k
rc=0
timeout 60 wine "$WCLI" fetch --port 1 --span "10 minutes" --quiet -o none.udd >/dev/null 2>&1 || rc=$?
check "a missing port fails with exit code 2" test "$rc" -eq 2
check "... and writes nothing" test ! -e none.udd

# The full store at the pseudo-terminal's pace: the figure for the issue.
# The first program after the server's restart also starts Wine's services:
# run one before the clock starts.
start_sim --sample-time 3
wine "$WCLI" --version >/dev/null
t2=$(date +%s.%N)
wine "$WCLI" --version >/dev/null
t3=$(date +%s.%N)
t0=$(date +%s.%N)
check "Windows fetch of 1,048,576 samples" wine "$WCLI" fetch --port 1 --span "12 hours" --quiet -o full-win.udd
t1=$(date +%s.%N)
check "Linux fetch of 1,048,576 samples" env VANTREL_COM1="$PTS" "$LCLI" fetch --port 1 --span "12 hours" --quiet -o full-linux.udd
check "the full recordings are the same" same_after_stamping full-linux.udd full-win.udd
stop_sim
awk -v t0="$t0" -v t1="$t1" -v t2="$t2" -v t3="$t3" 'BEGIN { f = t1 - t0; s = t3 - t2
  printf "full fetch under Wine: %.2f s for the whole program (its start alone: %.2f s), %.0f samples/s over the transfer, %.0fx the 1,440 samples/s line\n",
    f, s, 1048576 / (f - s), 1048576 / (f - s) / 1440 }'
# Printing through a real spooler (CUPS with cups-pdf behind Wine; root only).
# Last, so the printer it adds to the prefix is seen by no other run.
. "$ROOT/tests/win32/wine_spooler.sh"
cd "$ROOT"
PASSED=$((PASSED + E2E_PASSED))
FAILED=$((FAILED + E2E_FAILED))

# ---- the installer and the zip: silent install and uninstall in this prefix ----
log=$(mktemp)
bash scripts/test_windows_installer.sh "$BUILD_DIR" 2>&1 | tee "$log" || true
line=$(grep -E '^installer: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1 || true)
rm -f "$log"
if [ -n "$line" ]; then
  PASSED=$((PASSED + $(sed -E 's/^installer: ([0-9]+) passed.*/\1/' <<<"$line")))
  FAILED=$((FAILED + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")))
else
  FAILED=$((FAILED + 1)); echo "the installer test gave no summary"
fi

echo "windows: $PASSED passed, $FAILED failed ($SKIPPED skipped on Windows)"
[ "$FAILED" -eq 0 ]
