#!/usr/bin/env bash
# The source checks over generated trees of Delphi units and PL/SQL packages (MIB each, default
# 220): `ferrolin-cli delphi-check` with all four checks and `ferrolin-cli oracle-check`, each
# against `grep -r -c -i -w -E 'begin|end'` over the same tree, in the same run, with hyperfine.
# Prints the mean CPU time (user + system, as hyperfine reports it; the machine is shared, so the
# ratio is taken on it) and the median wall time, and their ratios. Target: within 4x of grep.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/analysis-rel}
work=${WORK:-/tmp/ferrolin-bench-analysis}
mib=${MIB:-220}
runs=${RUNS:-5}

for tool in hyperfine jq grep; do
  if ! command -v "$tool" >/dev/null; then
    apt-get update -q >/dev/null && apt-get install -y -q "$tool" >/dev/null
  fi
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERROLIN_TESTS=OFF \
  -DFERROLIN_WINDOW=OFF >/dev/null
cmake --build "$build" --target ferrolin-cli -j 2 >/dev/null
cli=$build/src/cli/ferrolin-cli

if [ ! -f "$work/.analysis-$mib" ]; then
  rm -rf "$work"
  mkdir -p "$work"
  python3 "$root/bench/bench_analysis_gen.py" "$work" "$mib"
  touch "$work/.analysis-$mib"
fi
# Warm the page cache so that every tool reads from memory.
find "$work/delphi" "$work/plsql" -type f -exec cat {} + >/dev/null

# compare LABEL TREE OURS...: ferrolin's command against grep on TREE, alternating runs. Output
# goes through a pipe: GNU grep stops at the first match when it writes to /dev/null.
compare() {
  local label=$1 tree=$2
  shift 2
  local json
  json=$(mktemp)
  hyperfine --output=pipe -N -w 1 -r "$runs" --export-json "$json" \
    -n ferrolin "$(printf '%q ' "$@")" \
    -n grep "grep -r -c -i -w -E begin|end $tree" >/dev/null
  jq -r --arg title "$label" '
    def median: sort | if length % 2 == 1 then .[length / 2 | floor]
                        else (.[length / 2 - 1] + .[length / 2]) / 2 end;
    (.results[0] | {c: (.user + .system), w: (.times | median)}) as $f |
    (.results[1] | {c: (.user + .system), w: (.times | median)}) as $g |
    "\($title): cpu ferrolin \($f.c * 1000 | round) ms, grep \($g.c * 1000 | round) ms, ratio \($f.c / $g.c * 100 | round / 100)" +
    " | wall ferrolin \($f.w * 1000 | round) ms, grep \($g.w * 1000 | round) ms, ratio \($f.w / $g.w * 100 | round / 100)"
  ' "$json"
  rm -f "$json"
}

for lang in delphi plsql; do
  printf '%s: %d MB in %d files\n' "$lang" $(($(du -sb "$work/$lang" | cut -f1) / 1000000)) \
    "$(find "$work/$lang" -type f | wc -l)"
done
compare "delphi-check, all four checks" "$work/delphi" "$cli" delphi-check --dir "$work/delphi" \
  --mask '*' --create-destroy --setabort-setcomplete --no-try-except --inherited
compare "oracle-check" "$work/plsql" "$cli" oracle-check --dir "$work/plsql" --mask '*'
