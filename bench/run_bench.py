#!/usr/bin/env python3
"""Runs every workload against its peer in the same run and prints a table of median ratios.

Usage: run_bench.py CLI CORPUS OUTDIR [--runs N] [--sources MIB] [--big MIB] [--only GROUP,...]
  CORPUS holds what gen_corpus.py wrote (src-MIB/, walk/, big-MIB/big.txt).
  Groups: walk plain case regex big delphi oracle precise replace json journal.
Writes OUTDIR/performance.md (the table) and OUTDIR/performance.svg (a plot of the wall ratios).

Each workload runs ferrolin and its peers alternately, RUNS times each, after one untimed run
that fills the page cache; the ratio is ferrolin's median over the peer's median, on wall time
(the targets) and on CPU time (user + system of the process and its threads). Every command
writes to a real file: GNU grep stops at its first match when it writes to /dev/null.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

RARE_TERM = "checksum mismatch"
COMMON_TERM = "balance"
REGEXES = [r"\bFItems\b", r"^\s*end;", r"v_[a-z]+ NUMBER", r"(begin|end)\b", r"[0-9]{3,}",
           r"Inc\(.*?\)", r"(\w+) := \1", r"[A-Z][a-z]+Count"]
GROUPS = "walk plain case regex big delphi oracle precise replace json journal".split()

args = None
rows = []


def out_file(name):
    return os.path.join(args.out, name)


def run_once(cmd, setup=None, env=None):
    """Wall seconds, CPU seconds and peak resident MiB of one run of cmd (after setup, which is
    not timed)."""
    if setup:
        setup()
    with open(out_file("last-output.txt"), "wb") as sink, \
            open(out_file("last-errors.txt"), "w+b") as errors:
        start = time.perf_counter()
        proc = subprocess.Popen(cmd, stdout=sink, stderr=errors, env=env)
        _, status, usage = os.wait4(proc.pid, 0)
        elapsed = time.perf_counter() - start
        proc.returncode = os.waitstatus_to_exitcode(status)
        errors.seek(0)
        err = errors.read(300).decode(errors="replace").strip()
    code = proc.returncode
    if code not in (0, 1):
        raise RuntimeError("%s exited with %d: %s" % (" ".join(cmd), code, err))
    return elapsed, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0


class Command:
    def __init__(self, name, cmd, env=None):
        self.name, self.cmd, self.env = name, cmd, env
        self.walls, self.cpus, self.peak = [], [], 0.0

    def wall(self):
        return statistics.median(self.walls)

    def cpu(self):
        return statistics.median(self.cpus)


def measure(commands, setup=None):
    """Runs the commands alternately, the order turned round every run so that none always
    comes first after another's run."""
    run_once(commands[-1].cmd, setup, commands[-1].env)
    for i in range(args.runs):
        for c in (commands if i % 2 == 0 else commands[::-1]):
            w, cpu, m = run_once(c.cmd, setup, c.env)
            c.walls.append(w)
            c.cpus.append(cpu)
            c.peak = max(c.peak, m)


def add_row(name, ours, peer, target):
    wall, cpu = ours.wall() / peer.wall(), ours.cpu() / max(peer.cpu(), 1e-3)
    rows.append(dict(name=name, ours=ours.wall(), peer_name=peer.name, peer=peer.wall(),
                     wall=wall, cpu=cpu, target=target))
    print("%-34s ferrolin %7.3fs  %-26s %7.3fs  wall %5.2f  cpu %5.2f  (target %s)" %
          (name, ours.wall(), peer.name, peer.wall(), wall, cpu, target), flush=True)


def skip_row(name, peer_name, target, why):
    rows.append(dict(name=name, peer_name=peer_name, target=target, skipped=why))
    print("%-34s skipped: %s" % (name, why), flush=True)


def compare(name, ours, peers, setup=None):
    """One ferrolin command against one or more peers, all in the same alternation; a row per
    peer. peers: (row name or None, peer name, command, target)."""
    mine = Command("ferrolin", ours)
    others = [Command(p[1], p[2]) for p in peers]
    try:
        measure([mine] + others, setup)
    except (RuntimeError, FileNotFoundError) as err:
        for p in peers:
            skip_row(p[0] or name, p[1], p[3], str(err))
        return None
    for p, other in zip(peers, others):
        add_row(p[0] or name, mine, other, p[3])
    return mine


def cli_accepts(action_args):
    """Whether ferrolin-cli knows the options of action_args (run over a one-file tree)."""
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, "a.txt"), "w") as f:
            f.write("balance\n")
        proc = subprocess.run([args.cli] + action_args(tmp), capture_output=True)
        return b"unknown option" not in proc.stderr


def threads_option():
    """ferrolin's thread option and the count to give every peer that takes one: the cores when
    ferrolin runs threads, else 1."""
    if cli_accepts(lambda d: ["search", "--dir", d, "--mask", "*", "--term", "x",
                              "--threads", "1"]):
        n = os.cpu_count() or 1
        return ["--threads", str(n)], n
    return [], 1


def bench_walk():
    walk = os.path.join(args.corpus, "walk")
    compare("file walk (200,000 files)", [args.cli, "list", "--dir", walk, "--type", "*.*"],
            [(None, "find -type f", ["find", walk, "-type", "f"], "1.5x")])


def bench_plain(src):
    search = [args.cli, "search", "--dir", src, "--mask", "*.*", "--case-sensitive"]
    topt, n = threads_option()
    for label, term in (("rare", RARE_TERM), ("common", COMMON_TERM)):
        compare("plain search, %s term" % label, search + ["--term", term] + topt,
                [(None, "grep -r -c -F", ["grep", "-r", "-c", "-F", term, src], "0.8x"),
                 ("plain search, %s term, vs rg" % label, "rg -j%d -c -F" % n,
                  ["rg", "-j%d" % n, "-c", "-F", term, src], "1.5x")])


def bench_case(src):
    compare("case-insensitive search",
            [args.cli, "search", "--dir", src, "--mask", "*.*", "--term", COMMON_TERM.upper()],
            [(None, "grep -r -c -i -F",
              ["grep", "-r", "-c", "-i", "-F", COMMON_TERM.upper(), src], "1.0x")])


def grep_accepts(expr):
    proc = subprocess.run(["grep", "-c", "-E", expr], input=b"x\n", capture_output=True)
    return proc.returncode in (0, 1)


def bench_regex(src):
    search = [args.cli, "search", "--dir", src, "--mask", "*.*", "--regex", "--case-sensitive"]
    grep_ratios = []
    for expr in REGEXES:
        peers = [("regex %s" % expr, "pcre2grep --no-jit -r -c",
                  ["pcre2grep", "--no-jit", "-r", "-c", expr, src], "0.8x")]
        if grep_accepts(expr):
            peers.append(("regex %s vs grep" % expr, "grep -r -c -E",
                          ["grep", "-r", "-c", "-E", expr, src], "-"))
        before = len(rows)
        compare("regex %s" % expr, search + ["--term", expr], peers)
        grep_ratios += [r for r in rows[before:] if r["peer_name"] == "grep -r -c -E"
                        and "wall" in r]
    # The target against grep is on the median of the expressions.
    if grep_ratios:
        rows.append(dict(name="regex, median of %d vs grep" % len(grep_ratios),
                         peer_name="grep -r -c -E", target="1.5x", summary=True,
                         wall=statistics.median(r["wall"] for r in grep_ratios),
                         cpu=statistics.median(r["cpu"] for r in grep_ratios)))
        print("%-34s wall %5.2f  cpu %5.2f  (target 1.5x)" %
              (rows[-1]["name"], rows[-1]["wall"], rows[-1]["cpu"]), flush=True)


def bench_big():
    big_dir = os.path.join(args.corpus, "big-%d" % args.big)
    big = os.path.join(big_dir, "big.txt")
    if not os.path.exists(big):
        skip_row("big file", "grep", "1.5x", "no %s" % big)
        return
    size = round(os.path.getsize(big) / (1 << 20))
    search = [args.cli, "search", "--dir", big_dir, "--mask", "big.txt"]
    mine = compare("one %d MiB file, plain" % size,
                   search + ["--term", "NoSuchText", "--case-sensitive"],
                   [(None, "grep -c -F", ["grep", "-c", "-F", "NoSuchText", big], "1.5x")])
    compare("one %d MiB file, case-insensitive" % size, search + ["--term", "nosuchtext"],
            [(None, "grep -c -i -F", ["grep", "-c", "-i", "-F", "nosuchtext", big], "1.5x")])
    if mine:
        rows.append(dict(name="peak memory, %d MiB file" % size, memory=True, ours=mine.peak,
                         peer_name="file size (MiB)", peer=size, wall=mine.peak / size,
                         target="1.25x"))
        print("%-34s peak %7.0f MiB for a %.0f MiB file  ratio %5.2f  (target 1.25x)" %
              (rows[-1]["name"], mine.peak, size, mine.peak / size), flush=True)


GREP_WORDS = ["grep", "-r", "-c", "-i", "-w", "-E", "begin|end"]


def bench_delphi(src):
    delphi = os.path.join(src, "delphi")
    compare("Delphi check, all options",
            [args.cli, "delphi-check", "--dir", delphi, "--mask", "*.pas", "--create-destroy",
             "--setabort-setcomplete", "--no-try-except", "--inherited"],
            [(None, "grep -r -c -i -w -E begin|end", GREP_WORDS + [delphi], "2x")])


def bench_oracle(src):
    plsql = os.path.join(src, "plsql")
    compare("Oracle check", [args.cli, "oracle-check", "--dir", plsql, "--mask", "*.pck"],
            [(None, "grep -r -c -i -w -E begin|end", GREP_WORDS + [plsql], "-")])


def bench_precise(src):
    """The precise rules' cost: each check with them against the same check without them."""
    delphi, plsql = os.path.join(src, "delphi"), os.path.join(src, "plsql")
    checks = [("Delphi check, precise rules", [args.cli, "delphi-check", "--dir", delphi, "--mask",
               "*.pas", "--create-destroy", "--setabort-setcomplete", "--no-try-except",
               "--inherited"], ["--local-leak", "--unprotected-free", "--destructor-inherited"]),
              ("Oracle check, precise rules", [args.cli, "oracle-check", "--dir", plsql, "--mask",
               "*.pck", "--open-fetch-close"], ["--cursor-not-closed",
                                                "--cursor-open-on-exception"])]
    for name, base, precise in checks:
        if not cli_accepts(lambda d: base[:2] + ["--dir", d, "--mask", "*"] + precise):
            skip_row(name, "the same, classic rules only", "1.3x", "ferrolin-cli has no " + precise[0])
            continue
        compare(name, base + precise, [(None, "the same, classic rules only", base, "1.3x")])


def replace_args(work):
    return [args.cli, "replace", "--dir", work, "--mask", "*.txt", "--term", "WARN",
            "--replacement", "WARNING", "--case-sensitive"]


def fresh_copy(src, dst):
    def setup():
        shutil.rmtree(dst, ignore_errors=True)
        shutil.copytree(src, dst)
    return setup


def bench_replace(src):
    work = out_file("replace-work")
    compare("replace", replace_args(work),
            [(None, "sed -i", ["sh", "-c", "find '%s' -name '*.txt' -exec sed -i s/WARN/WARNING/g {} +"
                               % work], "-")], setup=fresh_copy(os.path.join(src, "text"), work))
    shutil.rmtree(work, ignore_errors=True)


def bench_json(src):
    name, peer, target = "search --format json", "the same, text output", "1.3x"
    if not cli_accepts(lambda d: ["search", "--dir", d, "--mask", "*", "--term", "x",
                                  "--format", "json"]):
        skip_row(name, peer, target, "ferrolin-cli has no --format")
        return
    search = [args.cli, "search", "--dir", src, "--mask", "*.*", "--term", COMMON_TERM,
              "--case-sensitive"]
    compare(name, search + ["--format", "json"], [(None, peer, search, target)])


# What turns the replace journal off for this comparison only.
JOURNAL_OFF = "FERROLIN_JOURNAL=off"


def journal_written(state):
    runs = os.path.join(state, "ferrolin", "runs")
    return os.path.isdir(runs) and bool(os.listdir(runs))


def journal_off_switch():
    """The switch that keeps replace from writing its journal, or None with the reason."""
    with tempfile.TemporaryDirectory() as tmp:
        tree, state = os.path.join(tmp, "tree"), os.path.join(tmp, "state")
        os.makedirs(tree)

        def writes_journal(env_extra):
            with open(os.path.join(tree, "a.txt"), "w") as f:
                f.write("WARN\n")
            shutil.rmtree(state, ignore_errors=True)
            os.makedirs(state)
            env = dict(os.environ, XDG_STATE_HOME=state, **env_extra)
            proc = subprocess.run(replace_args(tree), capture_output=True, env=env)
            return proc.returncode == 0 and journal_written(state)

        if not writes_journal({}):
            return None, "replace writes no journal"
        k, v = JOURNAL_OFF.split("=", 1)
        if writes_journal({k: v}):
            return None, JOURNAL_OFF + " does not turn the journal off"
        return JOURNAL_OFF, None


def bench_journal(src):
    name, peer, target = "replace, journal cost", "replace without journal", "1.5x"
    switch, why = journal_off_switch()
    if not switch:
        skip_row(name, peer, target, why)
        return
    work, state = out_file("journal-work"), out_file("journal-state")
    env = dict(os.environ, XDG_STATE_HOME=state)
    k, v = switch.split("=", 1)
    off_cmd, off_env = replace_args(work), dict(env, **{k: v})
    copy = fresh_copy(os.path.join(src, "text"), work)

    def setup():
        copy()
        shutil.rmtree(state, ignore_errors=True)

    mine, other = Command("ferrolin", replace_args(work), env), Command(peer, off_cmd, off_env)
    try:
        measure([mine, other], setup)
        add_row(name, mine, other, target)
    except (RuntimeError, FileNotFoundError) as err:
        skip_row(name, peer, target, str(err))
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(state, ignore_errors=True)


def main():
    global args
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("cli")
    p.add_argument("corpus")
    p.add_argument("out")
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--sources", type=int, default=300, help="MiB of the source tree")
    p.add_argument("--big", type=int, default=1024, help="MiB of the big file")
    p.add_argument("--only", default=",".join(GROUPS))
    args = p.parse_args()
    os.makedirs(args.out, exist_ok=True)
    src = os.path.join(args.corpus, "src-%d" % args.sources)
    load_before = os.getloadavg()
    wanted = args.only.split(",")
    for g in wanted:
        if g not in GROUPS:
            sys.exit("unknown group %s (groups: %s)" % (g, " ".join(GROUPS)))
    steps = {"walk": bench_walk, "plain": lambda: bench_plain(src),
             "case": lambda: bench_case(src), "regex": lambda: bench_regex(src),
             "big": bench_big, "delphi": lambda: bench_delphi(src),
             "oracle": lambda: bench_oracle(src), "precise": lambda: bench_precise(src),
             "replace": lambda: bench_replace(src),
             "json": lambda: bench_json(src), "journal": lambda: bench_journal(src)}
    for g in GROUPS:
        if g in wanted:
            steps[g]()
    write_report(load_before, os.getloadavg())


def write_report(load_before, load_after):
    lines = ["| workload | ferrolin (wall) | peer | peer (wall) | ratio (wall) | ratio (CPU) | target |",
             "|---|---:|---|---:|---:|---:|---:|"]
    for r in rows:
        name, peer = r["name"].replace("|", "\\|"), r["peer_name"].replace("|", "\\|")
        if "skipped" in r:
            lines.append("| %s | | %s | | skipped: %s | | %s |" % (name, peer, r["skipped"],
                                                                  r["target"]))
        elif r.get("memory"):
            lines.append("| %s | %.0f MiB | %s | %.0f MiB | %.2f | | %s |" %
                         (name, r["ours"], peer, r["peer"], r["wall"], r["target"]))
        elif r.get("summary"):
            lines.append("| %s | | %s | | %.2f | %.2f | %s |" %
                         (name, peer, r["wall"], r["cpu"], r["target"]))
        else:
            lines.append("| %s | %.3f s | %s | %.3f s | %.2f | %.2f | %s |" %
                         (name, r["ours"], peer, r["peer"], r["wall"], r["cpu"], r["target"]))
    lines.append("")
    lines.append("Median of %d run(s) each on %d cores; load average %.1f before, %.1f after." %
                 (args.runs, os.cpu_count() or 1, load_before[0], load_after[0]))
    with open(out_file("performance.md"), "w") as f:
        f.write("\n".join(lines) + "\n")
    write_plot()
    print("\n".join(lines))


def write_plot():
    measured = [r for r in rows if "wall" in r]
    if not measured:
        return
    width, bar_h, left = 820, 22, 300
    height = 40 + bar_h * len(measured)
    top = max([r["wall"] for r in measured] + [2.0])
    scale = (width - left - 60) / top
    svg = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" font-family="sans-serif" '
           'font-size="12">' % (width, height),
           '<rect width="100%" height="100%" fill="white"/>',
           '<text x="10" y="18" font-weight="bold">ferrolin wall time / peer wall time; memory / '
           'file size (lower is better; dashed: target)</text>']
    for i, r in enumerate(measured):
        y, ratio, target = 30 + i * bar_h, r["wall"], r["target"]
        ok = target == "-" or ratio <= float(target.rstrip("x"))
        svg.append('<text x="%d" y="%d" text-anchor="end">%s</text>' %
                   (left - 8, y + 15, r["name"].replace("&", "&amp;").replace("<", "&lt;")))
        svg.append('<rect x="%d" y="%d" width="%.1f" height="%d" fill="%s"/>' %
                   (left, y + 3, ratio * scale, bar_h - 6, "#4a7" if ok else "#c54"))
        svg.append('<text x="%.1f" y="%d">%.2f</text>' % (left + ratio * scale + 4, y + 15, ratio))
        if target != "-":
            tx = left + float(target.rstrip("x")) * scale
            svg.append('<line x1="%.1f" y1="%d" x2="%.1f" y2="%d" stroke="black" '
                       'stroke-dasharray="3,2"/>' % (tx, y + 1, tx, y + bar_h - 1))
    svg.append("</svg>")
    with open(out_file("performance.svg"), "w") as f:
        f.write("\n".join(svg) + "\n")


if __name__ == "__main__":
    main()
