#!/usr/bin/env python3
"""Deterministic Delphi units and PL/SQL packages for bench_analysis.sh.

Usage: bench_analysis_gen.py OUT_DIR MIB
Writes OUT_DIR/delphi/*.pas and OUT_DIR/plsql/*.pkb, each tree at least MIB mebibytes, in
subdirectories of 200 files. The code is what the checks read in practice: classes with
constructors and destructors, COM+ transaction methods, try/finally and try/except, WITH ... DO,
FreeAndNil, CASE statements, nested routines, comments of every kind, strings with doubled quotes;
cursors in loops, IF and CASE statements, exception handlers, anonymous blocks. A share of the
routines leave something unbalanced, so every check has findings to report.
"""
import os
import random
import sys

WORDS = ["Order", "Ledger", "Invoice", "Customer", "Stock", "Journal", "Batch", "Report",
         "Account", "Payment", "Shipment", "Supplier", "Contract", "Price", "Tax", "Route"]
TYPES = ["TList", "TStringList", "TObjectList", "TMemoryStream", "TQuery", "TTimer",
         "THashedStringList", "TBits"]


def delphi_method(rng, cls, meth, fields):
    """One method of the implementation part, as a list of lines."""
    f = rng.choice(fields)
    t = rng.choice(TYPES)
    kind = rng.randrange(7)
    out = [f"procedure {cls}.{meth}(const AId: Integer);"]
    if kind == 0:  # COM+ transaction method
        out += ["var", f"  Query: TQuery;", "begin", f"  Query := TQuery.Create(nil);", "  try",
                f"    Query.SQL.Text := 'update {meth.lower()} set state = ''done'' where id = ' + IntToStr(AId);",
                "    Query.ExecSQL;", "    SetComplete;", "  except",
                "    on E: Exception do", "    begin", "      SetAbort;"]
        if rng.random() < 0.7:
            out += ["      raise;"]
        out += ["    end;", "  end;"]
        if rng.random() < 0.8:
            out += ["  Query.Free;"]
        out += ["end;"]
    elif kind == 1:  # loop with a CASE statement
        out += ["var", "  I: Integer;", "begin", f"  for I := 0 to {f}.Count - 1 do",
                "  begin", f"    case I mod 3 of",
                "      0: Inc(FTotal, I);  // running total",
                "      1: begin", "           Dec(FTotal);", "         end;",
                "    else", "      FTotal := FTotal * 2; { doubled }", "    end;", "  end;",
                "end;"]
    elif kind == 2:  # temporary list with WITH ... DO
        out += ["begin", "  with TStringList.Create do", "  try",
                f"    Add('{meth}: ' + IntToStr(AId));",
                "    Sorted := True;", f"    SaveToFile('{meth.lower()}.txt');", "  finally",
                "    Free;", "  end;", "end;"]
    elif kind == 3:  # creations and destructions, some unbalanced
        out += ["var", "  Tmp: TObject;", "begin", f"  Tmp := {t}.Create;",
                "  try", f"    Process(Tmp, AId);", "  finally"]
        out += ["    FreeAndNil(Tmp);" if rng.random() < 0.9 else "    Log('kept');"]
        out += ["  end;", "end;"]
    elif kind == 4:  # comments and strings holding keywords
        out += ["begin", "  (* begin and end in an old note",
                "     try this { nested } later *)",
                f"  FCaption := 'It''s {meth}; begin end';",
                "  // X := TList.Create;", "  { Y.Free; }",
                f"  if AId > 0 then FCaption := FCaption + ' (' + IntToStr(AId) + ')';",
                "end;"]
    elif kind == 5:  # overridden method around its ancestor
        out += ["begin", "  BeginUpdate;"]
        out += ["  inherited;"] if rng.random() < 0.5 else []
        out += ["  try", f"    Refresh{meth}(AId);", "  finally", "    EndUpdate;", "  end;"]
        out += ["  inherited;"] if rng.random() < 0.5 else []
        out += ["end;"]
    else:  # nested routine
        out += ["var", "  Total: Integer;", "", "  procedure AddOne(N: Integer);", "  begin",
                "    Total := Total + N;", "  end;", "", "begin", "  Total := 0;",
                "  AddOne(AId);", "  AddOne(AId * 2);", "  FTotal := Total;", "end;"]
    return out


def delphi_unit(rng, idx, target):
    name = f"uGen{idx:05d}"
    lines = [f"unit {name};", "", "{ Generated unit for the analysis benchmark. }", "",
             "interface", "", "uses", "  Classes, SysUtils, ComObj, Contnrs, DB;", "", "type"]
    impl = ["", "implementation", "", "uses", "  Windows, Math;", ""]
    size = 0
    c = 0
    while size < target:
        cls = f"T{rng.choice(WORDS)}{rng.choice(WORDS)}{c}"
        fields = [f"F{rng.choice(WORDS)}{k}" for k in range(rng.randrange(2, 5))]
        methods = [f"{rng.choice(['Load', 'Save', 'Check', 'Post', 'Find', 'Update'])}"
                   f"{rng.choice(WORDS)}{m}" for m in range(rng.randrange(6, 14))]
        lines += [f"  {cls} = class(TComponent)", "  private"]
        lines += [f"    {f}: {rng.choice(TYPES)};" for f in fields]
        lines += ["    FTotal: Integer;", "    FCaption: string;", "  public",
                  "    constructor Create(AOwner: TComponent); override;",
                  "    destructor Destroy; override;"]
        lines += [f"    procedure {m}(const AId: Integer);" for m in methods]
        lines += ["  end;", ""]
        impl += [f"{{ {cls} }}", "", f"constructor {cls}.Create(AOwner: TComponent);", "begin",
                 "  inherited Create(AOwner);"]
        for f in fields:
            owner = "(Self)" if rng.random() < 0.2 else ""
            impl += [f"  {f} := {rng.choice(TYPES)}.Create{owner};"]
        impl += ["end;", "", f"destructor {cls}.Destroy;", "begin"]
        for f in fields:
            r = rng.random()
            impl += [f"  FreeAndNil({f});" if r < 0.5 else f"  {f}.Free;" if r < 0.95 else ""]
        impl += ["  inherited Destroy;", "end;", ""]
        for m in methods:
            impl += delphi_method(rng, cls, m, fields) + [""]
        size = sum(len(l) + 2 for l in lines) + sum(len(l) + 2 for l in impl)
        c += 1
    return "\r\n".join(lines + impl + ["initialization", "  RegisterClasses([]);", "end.", ""])


def plsql_routine(rng, idx):
    cur = f"c_{rng.choice(WORDS).lower()}_{idx}"
    kind = rng.randrange(5)
    name = f"{rng.choice(['load', 'post', 'check', 'purge'])}_{rng.choice(WORDS).lower()}_{idx}"
    out = [f"  -- {name}: generated", f"  PROCEDURE {name}(p_id IN NUMBER) IS",
           f"    CURSOR {cur} IS", f"      SELECT id, amount FROM ledger WHERE batch_id = p_id;",
           "    v_id NUMBER;", "    v_amount NUMBER;", "  BEGIN"]
    if kind == 0:  # the usual loop
        out += [f"    OPEN {cur};", "    LOOP", f"      FETCH {cur} INTO v_id, v_amount;",
                f"      EXIT WHEN {cur}%NOTFOUND;", "      IF v_amount < 0 THEN",
                "        dbms_output.put_line('negative; END IF; close it');",
                "      ELSIF v_amount = 0 THEN", "        NULL;", "      END IF;", "    END LOOP;"]
        out += [f"    CLOSE {cur};"] if rng.random() < 0.85 else []
    elif kind == 1:  # CASE statement and exception handler
        out += [f"    OPEN {cur};", f"    FETCH {cur} INTO v_id, v_amount;",
                "    CASE", "      WHEN v_amount > 1000 THEN", "        v_amount := 1000;",
                "      ELSE", "        v_amount := v_amount + 1;", "    END CASE;",
                f"    CLOSE {cur};", "  EXCEPTION", "    WHEN OTHERS THEN"]
        out += [f"      IF {cur}%ISOPEN THEN", f"        CLOSE {cur};", "      END IF;"]
        out += ["      RAISE;"]
    elif kind == 2:  # only opened
        out += [f"    OPEN {cur};", "    /* fetched elsewhere:", f"       FETCH {cur} INTO v_id; */"]
    elif kind == 3:  # FOR loop over a query
        out += ["    FOR r IN (SELECT id FROM ledger WHERE id = p_id) LOOP",
                "      UPDATE ledger SET state = 'done''s' WHERE id = r.id;", "    END LOOP;",
                "    COMMIT;"]
    else:  # nested block
        out += ["    BEGIN", f"      OPEN {cur};", f"      FETCH {cur} INTO v_id, v_amount;",
                f"      CLOSE {cur};", "    EXCEPTION", "      WHEN NO_DATA_FOUND THEN NULL;",
                "    END;"]
    out += [f"  END {name};", ""]
    return out


def plsql_package(rng, idx, target):
    name = f"gen_pkg_{idx:05d}"
    lines = [f"CREATE OR REPLACE PACKAGE BODY {name} AS", "",
             "  /* Generated package body for the analysis benchmark.", "     Cursors: open, fetch, close. */", ""]
    size = 0
    r = 0
    while size < target:
        block = plsql_routine(rng, r)
        lines += block
        size += sum(len(l) + 1 for l in block)
        r += 1
    lines += [f"END {name};", "/", "", "BEGIN", f"  {name}.load_order_0(1);", "END;", "/", ""]
    return "\n".join(lines)


def write_tree(root, mib, make, ext, rng):
    total = 0
    idx = 0
    goal = mib * 1024 * 1024
    while total < goal:
        sub = os.path.join(root, f"d{idx // 200:03d}")
        os.makedirs(sub, exist_ok=True)
        text = make(rng, idx, rng.randrange(20000, 70000))
        with open(os.path.join(sub, f"f{idx:05d}.{ext}"), "w", newline="") as f:
            f.write(text)
        total += len(text)
        idx += 1
    return total, idx


def main():
    out, mib = sys.argv[1], int(sys.argv[2])
    d = write_tree(os.path.join(out, "delphi"), mib, delphi_unit, "pas", random.Random(20261207))
    p = write_tree(os.path.join(out, "plsql"), mib, plsql_package, "pkb", random.Random(7021))
    print(f"delphi: {d[0]} bytes in {d[1]} files; plsql: {p[0]} bytes in {p[1]} files")


if __name__ == "__main__":
    main()
