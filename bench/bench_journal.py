#!/usr/bin/env python3
"""What the undo journal costs: the same replace with the journal and without it, in one run.

Usage: bench_journal.py CLI [FILES] [KIB] [RUNS]
Makes FILES text files of about KIB KiB each (default 2000 x 40 KiB) under a temporary folder,
every one holding the term, then times `ferrolin-cli replace` over a fresh copy per run, with the
journal (state in the temporary folder) and with FERROLIN_JOURNAL=off. Prints the medians of CPU
(user + system) and wall seconds and their ratios, journal over none.
"""
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

CLI = sys.argv[1]
FILES = int(sys.argv[2]) if len(sys.argv) > 2 else 2000
KIB = int(sys.argv[3]) if len(sys.argv) > 3 else 40
RUNS = int(sys.argv[4]) if len(sys.argv) > 4 else 3

WORDS = ["alpha", "balance", "count", "delta", "items", "value", "record", "result", "begin",
         "end", "procedure", "WARN", "error", "total", "index", "buffer"]


def make_corpus(root):
    rnd = random.Random(14)
    for i in range(FILES):
        sub = os.path.join(root, "d%03d" % (i % 100))
        os.makedirs(sub, exist_ok=True)
        lines, size = [], 0
        while size < KIB * 1024:
            line = " ".join(rnd.choice(WORDS) for _ in range(rnd.randint(4, 14)))
            lines.append(line)
            size += len(line) + 1
        with open(os.path.join(sub, "f%05d.txt" % i), "w") as f:
            f.write("\n".join(lines) + "\n")


def run(src, work, state, journal):
    shutil.rmtree(work, ignore_errors=True)
    shutil.copytree(src, work)
    shutil.rmtree(state, ignore_errors=True)
    env = dict(os.environ, XDG_STATE_HOME=state)
    if not journal:
        env["FERROLIN_JOURNAL"] = "off"
    cmd = [CLI, "replace", "--dir", work, "--mask", "*.txt", "--term", "WARN", "--replacement",
           "WARNING", "--case-sensitive"]
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise RuntimeError("replace failed")
    return usage.ru_utime + usage.ru_stime, wall


def main():
    base = tempfile.mkdtemp(prefix="ferrolin-bench-journal-", dir=os.environ.get("BENCH_DIR"))
    try:
        src, work, state = (os.path.join(base, n) for n in ("src", "work", "state"))
        make_corpus(src)
        with_j, without = [], []
        for _ in range(RUNS):  # interleaved, so that a busy moment hits both alike
            without.append(run(src, work, state, False))
            with_j.append(run(src, work, state, True))
        cpu_j, wall_j = (statistics.median(x) for x in zip(*with_j))
        cpu_n, wall_n = (statistics.median(x) for x in zip(*without))
        print("corpus: %d files, %d KiB each; median of %d runs" % (FILES, KIB, RUNS))
        print("%-22s %10s %10s" % ("replace", "CPU s", "wall s"))
        print("%-22s %10.3f %10.3f" % ("without journal", cpu_n, wall_n))
        print("%-22s %10.3f %10.3f" % ("with journal", cpu_j, wall_j))
        print("%-22s %10.2f %10.2f" % ("ratio", cpu_j / cpu_n, wall_j / wall_n))
    finally:
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    main()
