#!/usr/bin/env python3
"""Runs every workload against its peer in the same run and prints a table of median ratios.

Usage: run_bench.py CLI CORPUS OUTDIR [RUNS]
Writes OUTDIR/performance.md (the table) and OUTDIR/performance.svg (a plot of the ratios).
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

CLI, CORPUS, OUT = sys.argv[1], sys.argv[2], sys.argv[3]
RUNS = int(sys.argv[4]) if len(sys.argv) > 4 else 5
SRC = os.path.join(CORPUS, "src")
DEVNULL = subprocess.DEVNULL


def run_once(cmd, setup=None):
    """Seconds and peak resident MiB of one run of cmd (after setup, which is not timed)."""
    if setup:
        setup()
    # Output goes to a real file: GNU grep stops at its first match when it sees /dev/null.
    with open(os.path.join(OUT, "last-output.txt"), "wb") as sink:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, stdout=sink, stderr=DEVNULL)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        raise RuntimeError("%s exited with %d" % (" ".join(cmd), code))
    return elapsed, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0


def median_time(cmd, setup=None):
    """Median CPU seconds (user + system: the shared machine makes wall time noisy), median wall
    seconds, and the peak resident MiB of the runs."""
    walls, cpus, peak = [], [], 0.0
    for _ in range(RUNS):
        w, c, m = run_once(cmd, setup)
        walls.append(w)
        cpus.append(c)
        peak = max(peak, m)
    return statistics.median(cpus), statistics.median(walls), peak


def copy_tree(src, dst):
    def setup():
        shutil.rmtree(dst, ignore_errors=True)
        shutil.copytree(src, dst)
    return setup


rows = []


def compare(name, ours, peer_name, peer, target, setup=None):
    """Times ours and peer alternately within the same run; ratio = ours / peer."""
    try:
        o, ow, om = median_time(ours, setup)
        p, pw, _ = median_time(peer, setup)
        rows.append((name, o, peer_name, p, o / p, target, ow / pw))
        print("%-28s ferrolin %7.3fs  %-22s %7.3fs  ratio %5.2f (wall %5.2f)  (target %s)" %
              (name, o, peer_name, p, o / p, ow / pw, target), flush=True)
    except (RuntimeError, FileNotFoundError) as err:
        rows.append((name, None, peer_name, None, None, target, None))
        print("%-28s not measured: %s" % (name, err), flush=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    walk = os.path.join(CORPUS, "walk")
    compare("file walk (200,000 files)", [CLI, "list", "--dir", walk, "--type", "*.*"],
            "find -type f", ["find", walk, "-type", "f"], "2x")
    compare("file walk, records read", [CLI, "list", "--dir", walk, "--type", "*.*"],
            "find -printf %s %m", ["find", walk, "-type", "f", "-printf", "%s %m %p\n"], "2x")

    search = [CLI, "search", "--dir", SRC, "--mask", "*.*"]
    compare("plain search", search + ["--term", "balance", "--case-sensitive"],
            "grep -r -c -F", ["grep", "-r", "-c", "-F", "balance", SRC], "2x")
    compare("plain search vs ripgrep", search + ["--term", "balance", "--case-sensitive"],
            "rg -j1 -c -F", ["rg", "-j1", "-c", "-F", "balance", SRC], "-")
    compare("case-insensitive search", search + ["--term", "BALANCE"],
            "grep -r -c -i -F", ["grep", "-r", "-c", "-i", "-F", "BALANCE", SRC], "2x")
    for expr in [r"\bFItems\b", r"^\s*end;", r"v_[a-z]+ NUMBER", r"(begin|end)\b",
                 r"[0-9]{3,}", r"Inc\(.*?\)", r"(\w+) := \1", r"[A-Z][a-z]+Count"]:
        compare("regex %s" % expr, search + ["--regex", "--case-sensitive", "--term", expr],
                "pcre2grep --no-jit", ["pcre2grep", "--no-jit", "-r", "-c", expr, SRC], "2x")

    text = os.path.join(SRC, "text")
    work = os.path.join(CORPUS, "replace-work")
    compare("replace", [CLI, "replace", "--dir", work, "--mask", "*.txt", "--term", "WARN",
                        "--replacement", "WARNING", "--case-sensitive"],
            "sed -i", ["sh", "-c", "find '%s' -name '*.txt' -exec sed -i s/WARN/WARNING/g {} +" % work],
            "-", setup=copy_tree(text, work))
    shutil.rmtree(work, ignore_errors=True)

    delphi, plsql = os.path.join(SRC, "delphi"), os.path.join(SRC, "plsql")
    grep_words = ["grep", "-r", "-c", "-i", "-w", "-E", "begin|end"]
    compare("Delphi checks (all four)",
            [CLI, "delphi-check", "--dir", delphi, "--mask", "*.pas", "--create-destroy",
             "--setabort-setcomplete", "--no-try-except", "--inherited"],
            "grep -c -i -w begin|end", grep_words + [delphi], "4x")
    compare("Oracle check", [CLI, "oracle-check", "--dir", plsql, "--mask", "*.pck"],
            "grep -c -i -w begin|end", grep_words + [plsql], "4x")

    big_dir = os.path.join(CORPUS, "bigdir")
    os.makedirs(big_dir, exist_ok=True)
    big = os.path.join(big_dir, "big.txt")
    if not os.path.exists(big):
        os.link(os.path.join(CORPUS, "big.txt"), big)
    try:
        _, _, peak = run_once([CLI, "search", "--dir", big_dir, "--mask", "big.txt",
                            "--term", "NoSuchText", "--case-sensitive"])
        size = os.path.getsize(big) / (1 << 20)
        rows.append(("peak memory, 1 GiB file", peak, "file size (MiB)", size, peak / size,
                     "2.5x", None))
        print("%-28s peak %7.0f MiB for a %.0f MiB file  ratio %5.2f  (target 2.5x)" %
              ("peak memory, 1 GiB file", peak, size, peak / size))
    except RuntimeError as err:
        print("peak memory not measured: %s" % err)
    write_report()


def write_report():
    lines = ["| workload | ferrolin (CPU) | peer | peer (CPU) | ratio | ratio (wall) | target |",
             "|---|---:|---|---:|---:|---:|---:|"]
    for name, o, peer_name, p, ratio, target, wall in rows:
        name, peer_name = name.replace("|", "\\|"), peer_name.replace("|", "\\|")
        if ratio is None:
            lines.append("| %s | n/a | %s | n/a | n/a | n/a | %s |" % (name, peer_name, target))
        elif wall is None:
            lines.append("| %s | %.0f MiB | %s | %.0f MiB | %.2f | | %s |" %
                         (name, o, peer_name, p, ratio, target))
        else:
            lines.append("| %s | %.3f s | %s | %.3f s | %.2f | %.2f | %s |" %
                         (name, o, peer_name, p, ratio, wall, target))
    with open(os.path.join(OUT, "performance.md"), "w") as f:
        f.write("\n".join(lines) + "\n")
    measured = [(r[0], r[4], r[5]) for r in rows if r[4] is not None]
    # The plot shows the CPU-time ratios; peak memory is a ratio to the file's size.
    width, bar_h, left = 760, 22, 250
    height = 40 + bar_h * len(measured)
    top = max([m[1] for m in measured] + [4.0])
    scale = (width - left - 60) / top
    svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" font-family="sans-serif" '
           'font-size="12">' % (width, height),
           '<rect width="100%" height="100%" fill="white"/>',
           '<text x="10" y="18" font-weight="bold">ferrolin CPU time / peer CPU time; memory / file size (lower is better)</text>']
    for i, (name, ratio, target) in enumerate(measured):
        y = 30 + i * bar_h
        colour = "#4a7" if target in ("-",) or ratio <= float(target.rstrip("x")) else "#c54"
        svg.append('<text x="%d" y="%d" text-anchor="end">%s</text>' %
                   (left - 8, y + 15, name.replace("&", "&amp;").replace("<", "&lt;")))
        svg.append('<rect x="%d" y="%d" width="%.1f" height="%d" fill="%s"/>' %
                   (left, y + 3, ratio * scale, bar_h - 6, colour))
        svg.append('<text x="%.1f" y="%d">%.2f</text>' % (left + ratio * scale + 4, y + 15, ratio))
        if target != "-":
            tx = left + float(target.rstrip("x")) * scale
            svg.append('<line x1="%.1f" y1="%d" x2="%.1f" y2="%d" stroke="black" '
                       'stroke-dasharray="3,2"/>' % (tx, y + 1, tx, y + bar_h - 1))
    svg.append("</svg>")
    with open(os.path.join(OUT, "performance.svg"), "w") as f:
        f.write("\n".join(svg) + "\n")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
