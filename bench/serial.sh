#!/usr/bin/env bash
# The serial exchange benchmark: builds it (Release, no sanitizers) natively and for Wine, runs
# each against tacho-sim (COM1 tachograph, COM2 silent) and prints the figures.
# LORVAN_BENCH_BUILD names the build folders (default build/bench -> build/bench-native, -win64).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${LORVAN_BENCH_BUILD:-build/bench}
sim_args=(COM1 COM2=silent)

echo "== native (POSIX backend)"
cmake --preset native -B "$out-native" -DCMAKE_BUILD_TYPE=Release -DLORVAN_SANITIZE=OFF \
  -DLORVAN_TESTS=OFF >/dev/null
ninja -C "$out-native" -j2 lorvan_serial lorvan_toolkit_headless tacho-sim >/dev/null
g++ -std=c++20 -O2 -I. bench/serial_bench.cpp "$out-native/serial/liblorvan_serial.a" \
  "$out-native/toolkit/liblorvan_toolkit_headless.a" "$out-native/toolkit/liblorvan_toolkit.a" \
  -o "$out-native/serial_bench"
export LORVAN_PORTS_DIR=$PWD/$out-native/ports
bash cmake/tacho-sim.sh start "$out-native/tools/tacho-sim/tacho-sim" "$out-native/sim" bench \
  native --known 1-2 "${sim_args[@]}" >/dev/null
trap 'bash cmake/tacho-sim.sh stop "$out-native/sim" bench >/dev/null' EXIT
"$out-native/serial_bench"
bash cmake/tacho-sim.sh stop "$out-native/sim" bench >/dev/null
trap - EXIT
unset LORVAN_PORTS_DIR

echo "== Wine (Win32 backend, x86_64 build under wine64)"
cmake --preset win64 -B "$out-win64" -DLORVAN_TESTS=OFF >/dev/null
ninja -C "$out-win64" -j2 lorvan_serial lorvan_toolkit_headless >/dev/null
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -I. -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN \
  -DNOMINMAX bench/serial_bench.cpp "$out-win64/serial/liblorvan_serial.a" \
  "$out-win64/toolkit/liblorvan_toolkit_headless.a" "$out-win64/toolkit/liblorvan_toolkit.a" \
  -static -o "$out-win64/serial_bench.exe"
export LORVAN_WINEPREFIX=${LORVAN_WINEPREFIX:-$PWD/$out-win64/wineprefix}
source cmake/wine-env.sh
# A wineserver and Wine's services started first and detached, so that none of them writes into
# the figures or holds this script's output.
"$WINESERVER" </dev/null >/dev/null 2>&1
"$LORVAN_WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
bash cmake/tacho-sim.sh start "$out-native/tools/tacho-sim/tacho-sim" "$out-win64/sim" bench \
  wine --known 1-42 "${sim_args[@]}" >/dev/null
trap 'bash cmake/tacho-sim.sh stop "$out-win64/sim" bench >/dev/null' EXIT
"$LORVAN_WINE" "$out-win64/serial_bench.exe" </dev/null 2>/dev/null
