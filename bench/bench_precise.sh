#!/bin/bash
# The cost of the precise checks: the Delphi and Oracle checks with and without their rules, over
# generated units and packages, CPU time (user + system) as the median of RUNS alternating runs.
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
if [ ! -d "$CORPUS/plsql" ]; then
  python3 - "$CORPUS" "$MIB" <<'PY'
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
python3 - "$CLI" "$CORPUS" "$RUNS" <<'PY'
import os, statistics, subprocess, sys
cli, corpus, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
classic = ["--create-destroy", "--setabort-setcomplete", "--no-try-except", "--inherited"]
pairs = [
    ("Delphi", [cli, "delphi-check", "--dir", f"{corpus}/delphi", "--mask", "*.pas"] + classic,
     ["--local-leak", "--unprotected-free", "--destructor-inherited"]),
    ("Oracle", [cli, "oracle-check", "--dir", f"{corpus}/plsql", "--mask", "*.pck"],
     ["--open-fetch-close", "--cursor-not-closed", "--cursor-open-on-exception"]),
]
def cpu(cmd):
    # Output to a real file, as a user's run would write it.
    with open(os.path.join(corpus, "out.txt"), "wb") as out:
        p = subprocess.Popen(cmd, stdout=out, stderr=subprocess.DEVNULL)
        _, status, ru = os.wait4(p.pid, 0)
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit(f"{' '.join(cmd)}: exit {code}")
    return ru.ru_utime + ru.ru_stime
for name, base, extra in pairs:
    full = base + extra
    cpu(base), cpu(full)  # fills the page cache
    a, b = [], []
    for r in range(runs):
        for cmd, into in ((base, a), (full, b)) if r % 2 == 0 else ((full, b), (base, a)):
            into.append(cpu(cmd))
    ma, mb = statistics.median(a), statistics.median(b)
    print(f"{name}: check {ma:.3f}s, with precise rules {mb:.3f}s CPU, "
          f"ratio {mb / ma:.3f} (+{(mb / ma - 1) * 100:.1f}%, limit +30%)")
PY
