#!/usr/bin/env bash
# The window's file list (200,000 entries) and results tree (1,000,000 entry nodes): fill,
# expand and scroll in shown views, against Qt's own item models in the same run.
# BUILD (default build/window-rel) is a Release tree of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD:-$root/build/window-rel}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERROLIN_TESTS=OFF \
  -DFERROLIN_BENCH=ON >/dev/null
cmake --build "$build" -j 2 --target bench_window
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/bench/bench_window"
