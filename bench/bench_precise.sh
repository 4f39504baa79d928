#!/bin/bash
# The cost of the precise checks over a small corpus of their own: the "precise" workload of
# run_bench.py (each check with and without its precise rules, wall and CPU time, median of RUNS
# alternating runs) over MIB of generated units and packages.
# Usage: bench/bench_precise.sh [MIB [RUNS]]   (BUILD: a release build dir, default build/rel)
set -euo pipefail
cd "$(dirname "$0")/.."
MIB=${1:-15}
RUNS=${2:-5}
BUILD=${BUILD:-build/rel}
CLI=$BUILD/src/cli/ferrolin-cli
CORPUS=${CORPUS:-/tmp/ferrolin-precise-$MIB}
if [ ! -x "$CLI" ]; then
  cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERROLIN_SANITIZE=OFF \
    -DFERROLIN_WINDOW=OFF -DFERROLIN_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j2 --target ferrolin-cli >/dev/null
fi
SRC=$CORPUS/src-$MIB
if [ ! -d "$SRC/plsql" ]; then
  python3 - "$SRC" "$MIB" <<'PY'
import os, random, sys
sys.path.insert(0, "bench")
import gen_corpus as g
rng = random.Random(7)
root, mib = sys.argv[1], float(sys.argv[2])
for kind, maker, ext in (("delphi", g.delphi_unit, ".pas"), ("plsql", g.plsql_package, ".pck")):
    written, n = 0, 0
    while written < mib * (1 << 20):
        d = os.path.join(root, kind, "dir%03d" % (n // 100))
        os.makedirs(d, exist_ok=True)
        data = maker(rng, n).encode()
        with open(os.path.join(d, "%s%05d%s" % (kind, n, ext)), "wb") as f:
            f.write(data)
        written += len(data)
        n += 1
PY
fi
python3 bench/run_bench.py "$CLI" "$CORPUS" "$CORPUS/out" --runs "$RUNS" --sources "$MIB" \
  --only precise
