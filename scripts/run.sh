#!/usr/bin/env bash
# Sets up what is missing, builds and starts VantrelDAQ.
#
# When no USB serial adapter is attached (no /dev/ttyUSB*, /dev/ttyACM*) and no
# COM override is configured, the bundled logger simulator is started on the
# COM port the program will open (the one in DAQSetup.cnf, else COM1), so a new
# user sees a real transfer: choose Data acquisition > Transfer. The simulator
# stops when the program ends. VANTREL_SIMULATOR=0 never starts it,
# VANTREL_SIMULATOR=1 always does; SIM_ARGS passes options to it
# (e.g. SIM_ARGS="--sample-time 2").
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target vantreldaq vantrel-logger-sim

APP=./build/src/platform/qt/vantreldaq
SIM=./build/tools/logger_sim/vantrel-logger-sim

# The port the program opens at start: DAQSetup.cnf's first u16, less a failed-open mark.
port=1
if [ -f DAQSetup.cnf ]; then
  v=$(od -An -tu2 -N2 --endian=little DAQSetup.cnf | tr -d ' ')
  [ -n "$v" ] && [ "$v" -gt 10 ] && v=$((v - 10))
  [ -n "$v" ] && [ "$v" -ge 1 ] && [ "$v" -le 8 ] && port=$v
fi

want_sim=${VANTREL_SIMULATOR:-auto}
if [ "$want_sim" = auto ]; then
  want_sim=1
  compgen -G "/dev/ttyUSB*" >/dev/null || compgen -G "/dev/ttyACM*" >/dev/null && want_sim=0
  env | grep -q '^VANTREL_COM[1-8]=' && want_sim=0
  conf=${XDG_CONFIG_HOME:-$HOME/.config}/vantreldaq/ports.conf
  [ -f "$conf" ] && grep -q '^[[:space:]]*COM[1-8][[:space:]]*=' "$conf" && want_sim=0
fi

if [ "$want_sim" = 1 ]; then
  out=$(mktemp /tmp/vantrel-sim.XXXXXX)
  # shellcheck disable=SC2086
  "$SIM" --com "$port" --no-register ${SIM_ARGS:-} >"$out" 2>&1 &
  sim_pid=$!
  trap 'kill $sim_pid 2>/dev/null || true; rm -f "$out"' EXIT
  for _ in $(seq 50); do grep -q '^export ' "$out" && break; sleep 0.1; done
  line=$(grep -m1 '^export ' "$out" || true)
  if [ -z "$line" ]; then
    echo "The logger simulator did not start:" >&2; cat "$out" >&2; exit 1
  fi
  eval "$line"
  echo "No logger attached: the logger simulator stands on COM$port (${line#export }). Use Data acquisition > Transfer."
  "$APP" "$@"
else
  exec "$APP" "$@"
fi
