#!/usr/bin/env bash
# File walk: `ferrolin-cli list --type '*.*'` against `find -type f` over 200,000 files in 10,000
# directories, and the peak memory of loading a 1 GB text file. Prints median times and ratios.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/bench}
work=${WORK:-/tmp/ferrolin-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERROLIN_BENCH=ON \
  -DFERROLIN_TESTS=OFF -DFERROLIN_WINDOW=OFF >/dev/null
cmake --build "$build" --target ferrolin-cli bench_load >/dev/null
cli=$build/src/cli/ferrolin-cli
tree=$work/walk
if [ ! -f "$tree/.done" ]; then
  rm -rf "$tree"
  python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
for d in range(10000):
    p = os.path.join(root, "d%02d" % (d % 100), "s%04d" % d)
    os.makedirs(p, exist_ok=True)
    for f in range(20):
        with open(os.path.join(p, "f%02d.pas" % f), "w") as out:
            out.write("unit x;\n")
open(os.path.join(root, ".done"), "w").close()
PY
fi
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
timeit() { local s e; s=$(date +%s.%N); "$@" >/dev/null; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
ours=(); peer=(); peer_stat=()
for i in 1 2 3 4 5; do
  ours+=("$(timeit "$cli" list --dir "$tree" --type '*.*')")
  peer+=("$(timeit find "$tree" -type f)")
  # The file list keeps each file's size and attributes, so it reads every file's record; this
  # peer reads them too.
  peer_stat+=("$(timeit find "$tree" -type f -printf '%s %m %p\n')")
done
o=$(printf '%s\n' "${ours[@]}" | median); p=$(printf '%s\n' "${peer[@]}" | median)
ps=$(printf '%s\n' "${peer_stat[@]}" | median)
n=$("$cli" list --dir "$tree" --type '*.*' | wc -l)
printf 'walk   files=%d ferrolin=%.3fs find=%.3fs ratio=%.2f\n' "$n" "$o" "$p" "$(echo "$o / $p" | bc -l)"
printf 'walk   files=%d ferrolin=%.3fs find-with-records=%.3fs ratio=%.2f\n' "$n" "$o" "$ps" "$(echo "$o / $ps" | bc -l)"

big=$work/big.txt
if [ ! -f "$big" ]; then
  python3 - "$big" <<'PY'
import sys
line = b"    Result := SomeFunction(Argument, 42); // a typical line of code\r\n"
with open(sys.argv[1], "wb") as out:
    chunk = line * 16384
    for _ in range((1 << 30) // len(chunk)):
        out.write(chunk)
PY
fi
echo "load   $("$build/bench/bench_load" "$big")"
