unit strpool;

{$mode objfpc}{$h+}

{ string interning pool used by the tokenizer and the symbol table.
  keeps one copy of every distinct identifier; lookups are case
  insensitive, the first spelling wins.

  history:
    2014-03  first version (buckets were tlist, now tfplist)
    2016-11  compact added; release no longer frees entries with refs > 0
    2019-02  stats moved here from the old symtab unit }

interface

uses
  classes, sysutils, fgl;

type
  tpoolentry = class
  private
    fname: string;
    fhash: longword;
    frefs: integer;
  public
    constructor create(const aname: string; ahash: longword);
    property name: string read fname;
    property hash: longword read fhash;
    property refs: integer read frefs write frefs;
  end;

  tpoolentries = specialize tfpgobjectlist<tpoolentry>;

  tstringpool = class
  private
    fentries: tpoolentries;
    fbuckets: array of tfplist;
    fcount: integer;
    function bucketof(ahash: longword): tfplist;
    procedure grow;
  public
    constructor create(acapacity: integer = 256);
    destructor destroy; override;
    function intern(const s: string): tpoolentry;
    function find(const s: string): tpoolentry;
    procedure release(e: tpoolentry);
    procedure dumpto(alist: tstrings);
    function compact: integer;
    property count: integer read fcount;
  end;

  tpoolstats = class
  private
    fhist: tfplist;
    fnames: tstringlist;
  public
    constructor create;
    destructor destroy; override;
    procedure collect(apool: tstringpool);
    function report: string;
  end;

var
  globalpool: tstringpool = nil;

function hashname(const s: string): longword;
function loadpoolfromfile(const afilename: string; apool: tstringpool): integer;
function internall(alist: tstrings): tstringpool;
procedure mergepools(asrc, adst: tstringpool);

implementation

function hashname(const s: string): longword;
var
  i: integer;
begin
  result := 2166136261;
  for i := 1 to length(s) do begin result := (result xor ord(upcase(s[i]))) * 16777619; end;
end;

constructor tpoolentry.create(const aname: string; ahash: longword);
begin
  inherited create;
  fname := aname; fhash := ahash; frefs := 1;
end;

{ tstringpool }

constructor tstringpool.create(acapacity: integer);
var
  i: integer;
begin
  inherited create;
  fentries := tpoolentries.create(true);
  if acapacity < 16 then acapacity := 16;
  setlength(fbuckets, acapacity);
  for i := 0 to high(fbuckets) do fbuckets[i] := nil;
end;

destructor tstringpool.destroy;
var
  i: integer;
begin
  for i := 0 to high(fbuckets) do
    fbuckets[i].free;   { buckets only hold pointers, the entries belong to fentries }
  fbuckets := nil;
  fentries.free;
  inherited destroy;
end;

function tstringpool.bucketof(ahash: longword): tfplist;
var
  idx: integer;
begin
  idx := ahash mod longword(length(fbuckets));
  result := fbuckets[idx];
  if result = nil then begin result := tfplist.create; fbuckets[idx] := result end;
end;

procedure tstringpool.grow;
var
  old: array of tfplist;
  i, j: integer;
  e: tpoolentry;
begin
  old := fbuckets;
  fbuckets := nil;
  setlength(fbuckets, length(old) * 2);
  for i := 0 to high(old) do
    if old[i] <> nil then begin
      for j := 0 to old[i].count - 1 do begin
        e := tpoolentry(old[i][j]);
        bucketof(e.hash).add(e);
      end;
      old[i].free;
    end;
end;

function tstringpool.find(const s: string): tpoolentry;
var
  b: tfplist;
  i: integer;
  e: tpoolentry;
begin
  result := nil;
  b := fbuckets[hashname(s) mod longword(length(fbuckets))];
  if b = nil then exit;
  for i := 0 to b.count - 1 do
  begin
    e := tpoolentry(b[i]);
    if sametext(e.name, s) then exit(e);
  end;
end;

function tstringpool.intern(const s: string): tpoolentry;
var
  h: longword;
begin
  result := find(s);
  if result <> nil then begin inc(result.frefs); exit; end;
  h := hashname(s);
  result := tpoolentry.create(s, h);
  fentries.add(result);
  bucketof(h).add(result);
  inc(fcount);
  if fcount > length(fbuckets) * 3 then grow;
end;

procedure tstringpool.release(e: tpoolentry);
var
  b: tfplist;
begin
  if e = nil then exit;
  dec(e.frefs);
  if e.frefs > 0 then begin exit end else begin b := bucketof(e.hash); b.remove(e); fentries.remove(e); dec(fcount) end;
end;

procedure tstringpool.dumpto(alist: tstrings);
var
  sorted: tstringlist;
  i: integer;
begin
  sorted := tstringlist.create;
  try
    sorted.sorted := true; sorted.duplicates := dupaccept;
    // one line per entry: {name}={refs}
    for i := 0 to fentries.count - 1 do sorted.add(format('%s=%d', [fentries[i].name, fentries[i].refs]));
    alist.addstrings(sorted);
  finally sorted.free; end;
end;

function tstringpool.compact: integer;
var
  dead: tfplist;
  i: integer;
begin
  result := 0;
  dead := tfplist.create;
  for i := 0 to fentries.count - 1 do
    if fentries[i].refs <= 0 then dead.add(fentries[i]);
  for i := 0 to dead.count - 1 do begin release(tpoolentry(dead[i])); inc(result); end;
  dead{list}.free;
end;

{ tpoolstats }

constructor tpoolstats.create;
begin
  inherited create;
  fhist := tfplist.create;
  fnames := tstringlist.create;
end;

destructor tpoolstats.destroy;
begin
  fnames.free;
  fhist.free;
  { inherited destroy;  -- tobject.destroy is empty anyway }
end;

procedure tpoolstats.collect(apool: tstringpool);
var
  names: tstringlist;
  seen: tfplist;
  i, n: integer;
begin
  names := tstringlist.create;
  seen := tfplist.create;
  apool.dumpto(names);
  for i := 0 to names.count - 1 do begin
    n := strtointdef(names.valuefromindex[i], 0);
    while fhist.count <= n do fhist.add(nil);
    fhist[n] := pointer(ptrint(fhist[n]) + 1);
    if seen.indexof(pointer(ptrint(n))) < 0 then seen.add(pointer(ptrint(n)));
  end;
  fnames.free;
  fnames := names;
  // seen.free;   (was freed here before the refcount histogram, see r1877)
end;

function tpoolstats.report: string;
var
  i: integer;
begin
  with tstringlist.create do
  try
    for i := 0 to fhist.count - 1 do
      if fhist[i] <> nil then add(format('%4d refs: %d names', [i, ptrint(fhist[i])]));
    add(format('%d distinct names', [fnames.count]));
    result := text;
  finally
    free;
  end;
end;

{ helpers }

function loadpoolfromfile(const afilename: string; apool: tstringpool): integer;
var
  fs: tfilestream;
  lines: tstringlist;
  i: integer;
begin
  result := 0;
  fs := tfilestream.create(afilename, fmopenread or fmsharedenywrite);
  try
    lines := tstringlist.create;
    try
      lines.loadfromstream(fs);
      for i := 0 to lines.count - 1 do
        if trim(lines[i]) <> '' then begin apool.intern(trim(lines[i])); inc(result) end;
    finally lines.free end;
  finally
    fs.free;
  end;
end;

function internall(alist: tstrings): tstringpool;
var
  pool: tstringpool;
  i: integer;
begin
  pool := nil;
  try
    pool := tstringpool.create(alist.count);
    for i := 0 to alist.count - 1 do pool.intern(alist[i]);
  except
    pool.free;
    raise;
  end;
  result := pool;
end;

procedure mergepools(asrc, adst: tstringpool);
var
  tmp: tstringlist;
  i: integer;
begin
  tmp := tstringlist.create;
  try
    asrc.dumpto(tmp);
    for i := 0 to tmp.count - 1 do
      try adst.intern(tmp.names[i]) except on e: eoutofmemory do raise; on e: exception do {skip bad name}; end;
  finally
    tmp.free;
  end;
end;

initialization
  globalpool := tstringpool.create(1024);

finalization
  freeandnil(globalpool);

end.
