#!/usr/bin/env bash
# Runs one end-to-end scenario: starts tacho-sim with the scenario's ports, runs the driver (and
# through it the program) under Wine, and stops the simulator however the driver ended.
#   run-scenario.sh <tacho-sim> <state-dir> <scenario> <driver.exe> <lorvan_setup.exe> <port>...
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
sim=$1 state=$2 scenario=$3 driver=$4 exe=$5
shift 5
name=e2e_$scenario
bash "$root/cmake/tacho-sim.sh" start "$sim" "$state" "$name" wine "$@" || exit 1
log=$state/$name.log
# A scenario can unplug the tachograph from a port: it writes the port's number into
# <log>.unplug, and the port's entry becomes a directory (an absent port).
ports=${LORVAN_PORTS_DIR:-}
if [ -z "$ports" ]; then
  ports=$(source "$root/cmake/wine-env.sh" >/dev/null 2>&1; echo "$LORVAN_PORTS_DIR")
fi
(
  while sleep 0.05; do
    if [ -f "$log.unplug" ]; then
      n=$(tr -dc 0-9 <"$log.unplug")
      rm -f "$ports/COM$n" && mkdir -p "$ports/COM$n"
      rm -f "$log.unplug"
    fi
  done
) &
watcher=$!
trap 'kill $watcher 2>/dev/null; bash "$root/cmake/tacho-sim.sh" stop "$state" "$name" >/dev/null' EXIT
LORVAN_SIM_LOG="$log" bash "$root/cmake/wine-run.sh" "$driver" "$scenario" "$exe"
