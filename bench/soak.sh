#!/usr/bin/env bash
# Soak benchmark: 500 single writes and 100 read-alls against tacho-sim in one run of the real
# program under Wine, then a search over 42 ports with no device. Prints the figures.
#   SOAK_WRITES, SOAK_READS change the counts; LORVAN_BUILD_ROOT puts the build elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# One virtual display for the whole run, Wine's services started on it too.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash "$0" "$@"
fi
builds=$(realpath -m "${LORVAN_BUILD_ROOT:-build}")
source cmake/wine-env.sh
b="$builds/win$LORVAN_WINE_BITS"
cmake --preset "win$LORVAN_WINE_BITS" -B "$b" -DLORVAN_TESTS=ON >/dev/null
cmake --build "$b" --target lorvan_setup lorvan_soak tacho-sim-host >/dev/null
"$WINESERVER" -p </dev/null >/dev/null 2>&1
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
"$LORVAN_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true

sim="$b/host/tacho-sim" state="$b/sim" rc=0
run() {  # run <name> <soak args> -- <sim ports...>
  local name=$1 args=()
  shift
  while [ "$1" != -- ]; do args+=("$1"); shift; done
  shift
  bash cmake/tacho-sim.sh start "$sim" "$state" "$name" wine "$@" >/dev/null
  LORVAN_SIM_LOG="$state/$name.log" bash cmake/wine-run.sh "$b/tests/e2e/lorvan_soak.exe" \
    "${args[@]}" || rc=1
  bash cmake/tacho-sim.sh stop "$state" "$name" >/dev/null
}
run soak ops "$b/lorvan_setup.exe" "${SOAK_WRITES:-500}" "${SOAK_READS:-100}" -- COM1
silent=()
for n in $(seq 1 42); do silent+=("COM$n=silent"); done
run soak-search search "$b/lorvan_setup.exe" -- "${silent[@]}"
exit $rc
