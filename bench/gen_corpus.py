#!/usr/bin/env python3
"""Writes the deterministic benchmark corpus.

  src-MIB/delphi/   Delphi units (constructors, destructors, try blocks, COM+ routines, comments)
  src-MIB/plsql/    PL/SQL packages (cursors opened, fetched and closed in loops)
  src-MIB/text/     plain text and logs
  src-MIB/bin/      binary files (skipped by every action)
  walk/             200,000 small files in 10,000 directories
  big-MIB/big.txt   one text file of BIG_MIB (default 1 GiB), alone in its directory

Usage: gen_corpus.py DIR [SOURCE_MIB [BIG_MIB]]   (default 300 MiB of sources, 1024 MiB big file)
Everything comes from one seeded generator, so every run writes the same bytes. Every 97th text
file holds one line with RARE_TERM, the rare term of the search workloads.
"""
import os
import random
import shutil
import sys

RARE_TERM = "checksum mismatch"

WORDS = ("customer order invoice amount total count index value buffer stream item list "
         "record field table query cursor result status handle owner parent child node "
         "balance account ledger journal period rate price quantity").split()


def ident(rng, cap=True):
    w = rng.choice(WORDS) + rng.choice(WORDS).capitalize()
    return w.capitalize() if cap else w


def delphi_unit(rng, n):
    name = "Unit%05d" % n
    cls = "T" + ident(rng)
    out = [f"unit {name};", "", "interface", "", "uses", "  SysUtils, Classes;", "",
           "type", f"  {cls} = class(TObject)", "  private", "    FItems: TList;",
           "  public", "    constructor Create;", "    destructor Destroy; override;",
           "  end;", "", "implementation", "", "uses", "  Windows, ComObj;", "",
           "{ " + cls + " }", "",
           f"constructor {cls}.Create;", "begin", "  inherited Create;",
           "  FItems := TList.Create;", "end;", "",
           f"destructor {cls}.Destroy;", "begin", "  FItems.Free;", "  inherited;", "end;", ""]
    for r in range(rng.randint(12, 30)):
        routine = ident(rng)
        kind = rng.choice(["procedure", "function"])
        header = f"{kind} {cls}.{routine}(const A{r}: Integer)" + (": Integer;" if kind == "function" else ";")
        out += [header, "var", "  S: TStringList;", "  I: Integer;", "begin",
                "  // " + " ".join(rng.choice(WORDS) for _ in range(8)),
                "  S := TStringList.Create;", "  try"]
        for i in range(rng.randint(4, 14)):
            v = ident(rng, False)
            choice = rng.random()
            if choice < 0.25:
                out.append(f"    if {v} > {rng.randint(0, 999)} then begin")
                out.append(f"      S.Add('{v} = ' + IntToStr({rng.randint(0, 99)}));")
                out.append("    end;")
            elif choice < 0.45:
                out.append(f"    for I := 0 to {rng.randint(1, 50)} do")
                out.append(f"      Inc({v}, I * {rng.randint(2, 9)});")
            elif choice < 0.55:
                out.append("    { a block comment with begin and end words }")
            elif choice < 0.65:
                out.append("    case I of")
                out.append(f"      0: {v} := 1;")
                out.append("    end;")
            elif choice < 0.72:
                out.append("    SetComplete;")
            else:
                out.append(f"    {v} := {v} + {rng.randint(1, 1000)}; (* adjust *)")
        if kind == "function":
            out.append(f"    Result := {rng.randint(0, 9)};")
        out += ["  finally", "    S.Free;", "  end;", "end;", ""]
    out += ["end.", ""]
    return "\r\n".join(out)


def plsql_package(rng, n):
    pkg = "pkg_%s_%05d" % (rng.choice(WORDS), n)
    out = [f"CREATE OR REPLACE PACKAGE BODY {pkg} AS", ""]
    for r in range(rng.randint(10, 25)):
        proc = "p_%s_%s" % (rng.choice(WORDS), rng.choice(WORDS))
        cur = "c_%s" % rng.choice(WORDS)
        out += [f"  PROCEDURE {proc}(p_id IN NUMBER) IS",
                f"    CURSOR {cur} IS SELECT id, {rng.choice(WORDS)} FROM t_{rng.choice(WORDS)} WHERE id = p_id;",
                f"    v_{rng.choice(WORDS)} NUMBER := 0;", "  BEGIN",
                "    -- " + " ".join(rng.choice(WORDS) for _ in range(7)),
                f"    OPEN {cur};", "    LOOP",
                f"      FETCH {cur} INTO v_id, v_name;",
                f"      EXIT WHEN {cur}%NOTFOUND;"]
        for i in range(rng.randint(2, 8)):
            if rng.random() < 0.3:
                out += [f"      IF v_id > {rng.randint(1, 99)} THEN",
                        f"        UPDATE t_{rng.choice(WORDS)} SET amount = amount + {rng.randint(1, 9)} WHERE id = v_id;",
                        "      END IF;"]
            else:
                out.append(f"      v_total := v_total + {rng.randint(1, 500)};")
        out.append("    END LOOP;")
        if rng.random() < 0.9:
            out.append(f"    CLOSE {cur};")
        out += ["  EXCEPTION", "    WHEN OTHERS THEN", "      RAISE;", f"  END {proc};", ""]
    out += [f"END {pkg};", "/", ""]
    return "\n".join(out)


def text_file(rng, n):
    lines = []
    for i in range(rng.randint(200, 1200)):
        lines.append("%s %06d %s" % (rng.choice(["INFO", "WARN", "DEBUG", "ERROR"]), i,
                                      " ".join(rng.choice(WORDS) for _ in range(rng.randint(4, 14)))))
    return "\n".join(lines) + "\n"


def write_sources(root, mib, rng):
    budget = {"delphi": mib * 0.42, "plsql": mib * 0.40, "text": mib * 0.15, "bin": mib * 0.03}
    makers = {"delphi": (delphi_unit, ".pas"), "plsql": (plsql_package, ".pck"),
              "text": (text_file, ".txt")}
    for kind, share in budget.items():
        written, n = 0, 0
        while written < share * (1 << 20):
            d = os.path.join(root, kind, "dir%03d" % (n // 100))
            os.makedirs(d, exist_ok=True)
            if kind == "bin":
                data = bytes(rng.getrandbits(8) for _ in range(4096)) * rng.randint(16, 64)
                path = os.path.join(d, "blob%05d.dat" % n)
            else:
                maker, ext = makers[kind]
                data = maker(rng, n).encode()
                if kind == "text" and n % 97 == 0:
                    data += ("ERROR 999999 %s in segment %d\n" % (RARE_TERM, n)).encode()
                path = os.path.join(d, "%s%05d%s" % (kind, n, ext))
            with open(path, "wb") as out:
                out.write(data)
            written += len(data)
            n += 1


def write_walk(root):
    for d in range(10000):
        p = os.path.join(root, "d%02d" % (d % 100), "s%04d" % d)
        os.makedirs(p, exist_ok=True)
        for f in range(20):
            with open(os.path.join(p, "f%02d.pas" % f), "w") as out:
                out.write("unit x;\n")


def write_big(path, mib):
    line = b"    Result := SomeFunction(Argument, 42); // a typical line of code\r\n"
    chunk = line * 16384
    with open(path, "wb") as out:
        for _ in range((mib << 20) // len(chunk)):
            out.write(chunk)


def part(path, stamp, make):
    """Makes one part of the corpus unless its stamp says it is complete; a part left half-made
    by an interrupted run is made again."""
    if os.path.exists(stamp):
        return
    if os.path.isdir(path):
        shutil.rmtree(path)
    elif os.path.exists(path):
        os.remove(path)
    make()
    open(stamp, "w").close()


def main():
    root = sys.argv[1]
    mib = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    big_mib = int(sys.argv[3]) if len(sys.argv) > 3 else 1024
    os.makedirs(root, exist_ok=True)
    # Parts of several sizes live side by side, so the quick and the full run share one corpus.
    src = os.path.join(root, "src-%d" % mib)
    part(src, os.path.join(root, ".src-v2-%d" % mib),
         lambda: write_sources(src, mib, random.Random(20261207)))
    walk = os.path.join(root, "walk")
    part(walk, os.path.join(root, ".walk-v1"), lambda: write_walk(walk))
    big = os.path.join(root, "big-%d" % big_mib, "big.txt")
    part(os.path.dirname(big), os.path.join(root, ".big-v1-%d" % big_mib),
         lambda: (os.makedirs(os.path.dirname(big)), write_big(big, big_mib)))


if __name__ == "__main__":
    main()
