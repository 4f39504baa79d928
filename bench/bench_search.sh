#!/usr/bin/env bash
# Search over a generated source tree of about 220 MB: `ferrolin-cli search` against GNU grep
# (plain, and ignoring case) and pcre2grep without JIT (regular expressions), in the same run.
# Prints median CPU and wall times of five runs, the ratios, and ferrolin's peak memory next to the largest
# file's size (memory must follow the largest file, not the tree).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build/search-rel}
work=${WORK:-/tmp/ferrolin-bench-search}
mib=${MIB:-220}
runs=${RUNS:-5}

for tool in grep pcre2grep; do
  if ! command -v "$tool" >/dev/null; then
    apt-get update -q >/dev/null && apt-get install -y -q pcre2-utils grep >/dev/null
  fi
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFERROLIN_TESTS=OFF \
  -DFERROLIN_WINDOW=OFF >/dev/null
cmake --build "$build" --target ferrolin-cli -j 2 >/dev/null
cli=$build/src/cli/ferrolin-cli

tree=$work/src
if [ ! -f "$work/.search-$mib" ]; then
  rm -rf "$work"
  mkdir -p "$work"
  python3 - "$root/bench" "$work" "$mib" <<'PY'
import random, sys
sys.path.insert(0, sys.argv[1])
import gen_corpus
gen_corpus.write_sources(sys.argv[2], int(sys.argv[3]), random.Random(20261207))
PY
  touch "$work/.search-$mib"
fi
size=$(du -sb "$tree" | cut -f1)
largest=$(find "$tree" -type f -printf '%s\n' | sort -n | tail -1)
# Warm the page cache so that every tool reads from memory.
cat $(find "$tree" -type f) >/dev/null

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
# Prints the wall time and the CPU time (user + system) of one run of a command. The machine is
# shared, so the ratio is taken on CPU time, which other work on it does not inflate.
measure() {
  python3 -c '
import resource, subprocess, sys, time
t = time.monotonic()
subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
w = time.monotonic() - t
r = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%.4f %.4f" % (w, r.ru_utime + r.ru_stime))' "$@"
}
# compare LABEL OURS... -- PEER...: runs ours and the peer alternately and prints the medians and
# their ratios.
compare() {
  local label=$1
  shift
  local -a ours=() peer=() wa=() ca=() wb=() cb=()
  while [ "$1" != "--" ]; do
    ours+=("$1")
    shift
  done
  shift
  peer=("$@")
  local r m
  for ((r = 0; r < runs; r++)); do
    read -r -a m <<<"$(measure "${ours[@]}")"
    wa+=("${m[0]}")
    ca+=("${m[1]}")
    read -r -a m <<<"$(measure "${peer[@]}")"
    wb+=("${m[0]}")
    cb+=("${m[1]}")
  done
  local oc pc ow pw
  oc=$(printf '%s\n' "${ca[@]}" | median)
  pc=$(printf '%s\n' "${cb[@]}" | median)
  ow=$(printf '%s\n' "${wa[@]}" | median)
  pw=$(printf '%s\n' "${wb[@]}" | median)
  printf '%-40s cpu: ferrolin %6.3fs %-9s %6.3fs ratio %5.2f | wall: %6.3fs %6.3fs ratio %5.2f\n' \
    "$label" "$oc" "${peer[0]}" "$pc" "$(echo "$oc / $pc" | bc -l)" "$ow" "$pw" \
    "$(echo "$ow / $pw" | bc -l)"
}

set_args=(--dir "$tree" --mask '*')
printf 'tree: %s, %d MB in %d files, largest file %d bytes\n' "$tree" $((size / 1000000)) \
  "$(find "$tree" -type f | wc -l)" "$largest"

compare "plain SetComplete" "$cli" search "${set_args[@]}" --term SetComplete --case-sensitive \
  -- grep -r -c -F SetComplete "$tree"
compare "plain, ignoring case, setcomplete" "$cli" search "${set_args[@]}" --term setcomplete \
  -- grep -r -c -i -F setcomplete "$tree"
compare "plain, rare term" "$cli" search "${set_args[@]}" --term 'ledgerJournal := 7' \
  --case-sensitive -- grep -r -c -F 'ledgerJournal := 7' "$tree"

# Realistic expressions, each in the syntax both engines read alike.
exprs=('FETCH\s+c_\w+' '\bInc\(\w+, I \* [5-9]\)' ':= \d+; \(\* adjust' '^\s*end;$'
  '[A-Z][a-z]+Count\b' 'WHERE id = v_id;')
ours_terms=()
peer_terms=()
for e in "${exprs[@]}"; do
  compare "regex $e" "$cli" search "${set_args[@]}" --regex --case-sensitive --term "$e" \
    -- pcre2grep --no-jit -r -c "$e" "$tree"
  ours_terms+=(--term "$e")
  peer_terms+=(-e "$e")
done
# All expressions in one call: ferrolin applies each term over each file in turn, pcre2grep
# tries them per line.
compare "regex, all ${#exprs[@]} in one call" "$cli" search "${set_args[@]}" --regex \
  --case-sensitive "${ours_terms[@]}" -- pcre2grep --no-jit -r -c "${peer_terms[@]}" "$tree"

rss=$( { /usr/bin/time -f '%M' "$cli" search "${set_args[@]}" --term SetComplete >/dev/null; } 2>&1 | tail -1)
printf 'memory: ferrolin peak %d KB, largest file %d KB, tree %d KB\n' "$rss" $((largest / 1024)) \
  $((size / 1024))
