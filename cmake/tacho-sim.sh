#!/usr/bin/env bash
# Starts or stops one tacho-sim for ctest (see cmake/TachoSim.cmake).
#   tacho-sim.sh start <sim> <state-dir> <name> <native|wine> <sim args...>
#   tacho-sim.sh stop <state-dir> <name>
# The ports folder is $LORVAN_PORTS_DIR; for Wine it is the folder the prefix maps (wine-env.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=$1
shift

stop_pid() {  # stops a simulator by its id, only if that id still is a simulator
  local pid=$1
  if [ -n "$pid" ] && grep -qa tacho-sim "/proc/$pid/cmdline" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || return 0
      sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
  fi
}

if [ "$action" = start ]; then
  sim=$1 state=$2 name=$3 side=$4
  shift 4
  if [ "$side" = wine ]; then
    source "$here/wine-env.sh"
  fi
  ports=${LORVAN_PORTS_DIR:?LORVAN_PORTS_DIR is not set}
  mkdir -p "$state" "$ports"
  # A simulator left over from an interrupted run would hold the ports: stop it first.
  stop_pid "$(cat "$ports/.sim.pid" 2>/dev/null || true)"
  log=$state/$name.log ready=$state/$name.ready
  rm -f "$log" "$ready"
  # Detached from ctest's pipes: ctest waits until every holder of a test's output has gone.
  setsid "$sim" --dir "$ports" --log "$log" --ready "$ready" "$@" \
    </dev/null >/dev/null 2>"$state/$name.err" &
  pid=$!
  echo "$pid" >"$state/$name.pid"
  echo "$pid" >"$ports/.sim.pid"
  ln -sfn "$log" "$ports/.sim.log"
  for _ in $(seq 1 200); do
    if [ -f "$ready" ]; then
      echo "tacho-sim $name (pid $pid) serves $ports: $*"
      exit 0
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "tacho-sim $name did not start:" >&2
      cat "$state/$name.err" >&2
      exit 1
    fi
    sleep 0.05
  done
  echo "tacho-sim $name: no ready marker after 10 s" >&2
  stop_pid "$pid"
  exit 1
elif [ "$action" = stop ]; then
  state=$1 name=$2
  pid=$(cat "$state/$name.pid" 2>/dev/null || true)
  stop_pid "$pid"
  rm -f "$state/$name.pid"
  echo "tacho-sim $name stopped; log: $state/$name.log"
else
  echo "usage: tacho-sim.sh start|stop ..." >&2
  exit 2
fi
