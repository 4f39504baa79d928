unit uGenericCache;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, Math, fgl, Contnrs;

type
  TCacheEntry = class
  public
    Key: string;
    Hits: Integer;
    Stamp: TDateTime;
    constructor Create(const AKey: string);
  end;

  TCacheEntryList = specialize TFPGObjectList<TCacheEntry>;
  TIntList = specialize TFPGList<Integer>;

  { A bounded cache keyed by string. The index maps a key to its slot + 1
    (so that nil means "not present"). }
  generic TCache<T> = class
  private
    type
      TValueList = specialize TFPGList<T>;
  private
    FIndex: TFPHashList;
    FEntries: TCacheEntryList;
    FValues: TValueList;
    FCapacity: Integer;
    function GetItem(Index: Integer): T;
    procedure SetItem(Index: Integer; const AValue: T);
    function GetCount: Integer;
    procedure Reindex;
  public
    constructor Create(ACapacity: Integer);
    destructor Destroy; override;
    function Find(const AKey: string; out AValue: T): Boolean;
    procedure Put(const AKey: string; constref AValue: T);
    function HitCounts: TIntList;
    procedure Trim;
    property Items[Index: Integer]: T read GetItem write SetItem; default;
    property Count: Integer read GetCount;
    property Capacity: Integer read FCapacity;
  end;

  TStringCache = specialize TCache<string>;
  TIntCache = specialize TCache<Integer>;

function BuildWarmCache(const AKeys: array of string): TStringCache;
function SumOfHits(ACache: TStringCache): Integer;
function HitProfile(ACache: TStringCache; ATop: Integer): string;
function SquaresCache(N: Integer): TIntCache;

implementation

function CompareDesc(const A, B: Integer): Integer;
begin
  Result := B - A;
end;

{ TCacheEntry }

constructor TCacheEntry.Create(const AKey: string);
begin
  inherited Create;
  Key := AKey;
  Stamp := Now;
end;

{ TCache }

constructor TCache.Create(ACapacity: Integer);
begin
  inherited Create;
  FCapacity := Max(ACapacity, 2);
  FIndex := TFPHashList.Create;
  FEntries := TCacheEntryList.Create(True);
  FValues := TValueList.Create;
end;

destructor TCache.Destroy;
begin
  FValues.Free;
  FEntries.Free;
  FIndex.Free;
  inherited Destroy;
end;

function TCache.GetItem(Index: Integer): T;
begin
  Result := FValues[Index];
end;

procedure TCache.SetItem(Index: Integer; const AValue: T);
begin
  FValues[Index] := AValue;
end;

function TCache.GetCount: Integer;
begin
  Result := FValues.Count;
end;

procedure TCache.Reindex;
var
  I: Integer;
begin
  FIndex.Clear;
  for I := 0 to FEntries.Count - 1 do
    FIndex.Add(FEntries[I].Key, Pointer(PtrInt(I + 1)));
end;

function TCache.Find(const AKey: string; out AValue: T): Boolean;
var
  Slot: PtrInt;
  Entry: TCacheEntry;
begin
  Slot := PtrInt(FIndex.Find(AKey)) - 1;
  Result := Slot >= 0;
  if Result then
  begin
    Entry := FEntries[Slot];
    Inc(Entry.Hits);
    AValue := FValues[Slot];
  end
  else
    AValue := Default(T);
end;

procedure TCache.Put(const AKey: string; constref AValue: T);
var
  Slot: PtrInt;
  Entry: TCacheEntry;
begin
  Slot := PtrInt(FIndex.Find(AKey)) - 1;
  if Slot >= 0 then
  begin
    FValues[Slot] := AValue;
    Exit;
  end;
  if FValues.Count >= FCapacity then
    Trim;
  Entry := TCacheEntry.Create(AKey);
  FEntries.Add(Entry);
  FValues.Add(AValue);
  FIndex.Add(AKey, Pointer(PtrInt(FValues.Count)));
end;

function TCache.HitCounts: TIntList;
var
  I: Integer;
begin
  Result := TIntList.Create;
  for I := 0 to FEntries.Count - 1 do
    Result.Add(FEntries[I].Hits);
end;

procedure TCache.Trim;
var
  Keep: specialize TFPGList<Integer>;
  NewValues: TValueList;
  I, Half: Integer;
begin
  Half := FEntries.Count div 2;
  Keep := specialize TFPGList<Integer>.Create;
  try
    for I := Half to FEntries.Count - 1 do
      Keep.Add(I);
    NewValues := TValueList.Create;
    for I := 0 to Keep.Count - 1 do
      NewValues.Add(FValues[Keep[I]]);
    FValues.Free;
    FValues := NewValues;
    for I := Half - 1 downto 0 do
      FEntries.Delete(I);
    Reindex;
  finally
    Keep.Free;
  end;
end;

{ helpers }

function BuildWarmCache(const AKeys: array of string): TStringCache;
var
  I: Integer;
begin
  Result := TStringCache.Create(Length(AKeys) + 16);
  for I := Low(AKeys) to High(AKeys) do
    Result.Put(AKeys[I], UpperCase(AKeys[I]));
end;

function SumOfHits(ACache: TStringCache): Integer;
var
  Counts: TIntList;
  I: Integer;
begin
  Result := 0;
  Counts := ACache.HitCounts;
  try
    for I := 0 to Counts.Count - 1 do
      Inc(Result, Counts[I]);
  finally
    Counts.Free;
  end;
end;

function HitProfile(ACache: TStringCache; ATop: Integer): string;
var
  Order: TIntList;
  Seen: TIntList;
  I: Integer;
begin
  Result := '';
  Seen := specialize TFPGList<Integer>.Create;
  Order := ACache.HitCounts;
  try
    Order.Sort(@CompareDesc);
    for I := 0 to Min(ATop, Order.Count) - 1 do
      if Seen.IndexOf(Order[I]) < 0 then
      begin
        Seen.Add(Order[I]);
        if Result <> '' then
          Result := Result + ', ';
        Result := Result + IntToStr(Order[I]);
      end;
  finally
    Order.Free;
  end;
end;

function SquaresCache(N: Integer): TIntCache;
var
  Tmp: TIntCache;
  I, V: Integer;
begin
  Tmp := specialize TCache<Integer>.Create(N);
  for I := 1 to N do
  begin
    V := I * I;
    Tmp.Put(IntToStr(I), V);
  end;
  Result := Tmp;
end;

end.
