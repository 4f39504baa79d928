#!/usr/bin/env python3
"""Times ferrolin-cli's output formats against its text output over the same search.

Usage: bench_formats.py CLI DIR [SOURCE_MIB] [RUNS]
Writes the benchmark corpus's sources (gen_corpus.write_sources, same seed) under DIR once, then
searches them for the common term of the search benchmark in every format, alternating the
formats run by run, and prints each one's median CPU time and its ratio to text.
"""
import os
import random
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_corpus  # noqa: E402

CLI, ROOT = sys.argv[1], sys.argv[2]
MIB = int(sys.argv[3]) if len(sys.argv) > 3 else 100
RUNS = int(sys.argv[4]) if len(sys.argv) > 4 else 5
FORMATS = ("text", "grep", "json", "sarif")


def cpu_seconds(cmd, sink):
    with open(sink, "wb") as out:
        proc = subprocess.Popen(cmd, stdout=out, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("%s failed" % " ".join(cmd))
    return usage.ru_utime + usage.ru_stime


def main():
    stamp = os.path.join(ROOT, ".sources-%d" % MIB)
    if not os.path.exists(stamp):
        os.makedirs(ROOT, exist_ok=True)
        gen_corpus.write_sources(ROOT, MIB, random.Random(20261207))
        open(stamp, "w").close()
    search = [CLI, "search", "--dir", os.path.join(ROOT, "src"), "--mask", "*.*",
              "--term", "balance", "--case-sensitive"]
    times = {f: [] for f in FORMATS}
    sink = os.path.join(ROOT, "last-output")
    for _ in range(RUNS):
        for f in FORMATS:
            times[f].append(cpu_seconds(search + ["--format", f], sink))
    text = statistics.median(times["text"])
    for f in FORMATS:
        t = statistics.median(times[f])
        print("%-6s %7.3f s CPU  ratio to text %5.2f%s" %
              (f, t, t / text, "  (target 1.3)" if f == "json" else ""))


if __name__ == "__main__":
    main()
