#!/usr/bin/env bash
# Installs what is missing, builds the tool and opens it under Wine against a simulated
# tachograph on COM3 (the other COM ports are absent). With no display it runs on a virtual one,
# saves a screenshot and says where. Press "Найти", then read and write the settings.
# LORVAN_BUILD_ROOT puts the build folders elsewhere than build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
builds=$(realpath -m "${LORVAN_BUILD_ROOT:-build}")
source cmake/wine-env.sh

cmake --preset win32 -B "$builds/win32" -DLORVAN_TESTS=OFF >/dev/null
cmake --build "$builds/win32"
exe="$builds/win32/lorvan_setup.exe"
out="$builds/win32"
if [ "$LORVAN_WINE_BITS" = 64 ]; then
  echo "run: this kernel cannot execute 32-bit code; opening the x86_64 build of the same sources"
  cmake --preset win64 -B "$builds/win64" -DLORVAN_TESTS=OFF >/dev/null
  cmake --build "$builds/win64"
  exe="$builds/win64/lorvan_setup.exe"
  out="$builds/win64"
fi

# The simulated tachograph: a Linux program, built with the host's compiler.
sim="$out/host/tacho-sim"
if [ ! -x "$sim" ] || [ tools/tacho-sim/main.cpp -nt "$sim" ]; then
  mkdir -p "$out/host"
  g++ -std=c++20 -O2 -o "$sim" tools/tacho-sim/main.cpp
fi
state="$out/sim"
bash cmake/tacho-sim.sh start "$sim" "$state" demo wine COM3
trap 'bash cmake/tacho-sim.sh stop "$state" demo >/dev/null' EXIT

if [ -n "${DISPLAY:-}" ]; then
  "$LORVAN_WINE" "$exe" || true
else
  shot="$out/run.png"
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c '
    "$1" "$2" & pid=$!
    sleep 8
    import -window root "$3" && echo "run: no display; screenshot of the tool saved at $3"
    "$WINESERVER" -k || true
    wait $pid || true' _ "$LORVAN_WINE" "$exe" "$shot"
fi
echo "run: the simulator's log (every frame on the line) is $state/demo.log"
