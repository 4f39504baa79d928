unit uStockCollections;

interface

uses
  System.SysUtils, System.Classes, System.Types, System.Generics.Defaults,
  System.Generics.Collections;

const
  DefaultChunkSize = 64 * 1024;

type
  TBin = class
  public
    Code: string;
    Capacity: Integer;
    constructor Create(const ACode: string; ACapacity: Integer);
  end;

  TStockItem = class
  private
    FSku: string;
    FQty: Integer;
    FBin: string;
    FHistory: TList<TPoint>;
  public
    constructor Create(const ASku: string; AQty: Integer);
    destructor Destroy; override;
    procedure Book(ADelta: Integer);
    property Sku: string read FSku;
    property Qty: Integer read FQty;
    property Bin: string read FBin write FBin;
    property History: TList<TPoint> read FHistory;
  end;

  TChunkBuffer = class
  private
    FData: TBytes;
    FSizeHint: Integer;
  public
    constructor Create(ASize: Integer);
    procedure Append(const ABytes: TBytes);
  end;

  TStockBook = class
  private
    FItems: TObjectList<TStockItem>;
    FBySku: TDictionary<string, TStockItem>;
    FBins: TObjectDictionary<string, TBin>;
    FMoves: TList<TPair<string, Integer>>;
  public
    constructor Create;
    destructor Destroy; override;
    function Add(const ASku: string; AQty: Integer): TStockItem;
    function Take(const ASku: string): TStockItem;
    function LowStock(AThreshold: Integer): TList<TStockItem>;
    function SnapshotQuantities: TArray<TPair<string, Integer>>;
    function DuplicateBins: TArray<string>;
    procedure PrintByQuantity(ALines: TStrings);
    function TotalsPerBin: TDictionary<string, Integer>;
    procedure Rebalance;
    function GroupByBin: TObjectDictionary<string, TObjectList<TStockItem>>;
    function ExportChunks: TArray<TBytes>;
    procedure AddBin(const ACode: string; ACapacity: Integer);
  end;

implementation

{ TBin }

constructor TBin.Create(const ACode: string; ACapacity: Integer);
begin
  inherited Create;
  Code := ACode;
  Capacity := ACapacity;
end;

{ TStockItem }

constructor TStockItem.Create(const ASku: string; AQty: Integer);
begin
  inherited Create;
  FSku := ASku;
  FQty := AQty;
  FHistory := TList<TPoint>.Create;
end;

destructor TStockItem.Destroy;
begin
  FreeAndNil(FHistory);
  inherited;
end;

procedure TStockItem.Book(ADelta: Integer);
begin
  Inc(FQty, ADelta);
  FHistory.Add(Point(FHistory.Count, FQty));
end;

{ TChunkBuffer }

constructor TChunkBuffer.Create(ASize: Integer);
begin
  inherited Create;
  FData := nil;
  FSizeHint := ASize;
end;

procedure TChunkBuffer.Append(const ABytes: TBytes);
begin
  FData := FData + ABytes;
end;

{ TStockBook }

constructor TStockBook.Create;
begin
  inherited Create;
  FItems := TObjectList<TStockItem>.Create(True);
  FBySku := TDictionary<string, TStockItem>.Create;
  FBins := TObjectDictionary<string, TBin>.Create([doOwnsValues]);
  FMoves := TList<TPair<string, Integer>>.Create;
end;

destructor TStockBook.Destroy;
begin
  FMoves.Free;
  FBins.Free;
  FBySku.Free;
  FItems.Free;
  inherited Destroy;
end;

function TStockBook.Add(const ASku: string; AQty: Integer): TStockItem;
var
  Item: TStockItem;
begin
  if FBySku.TryGetValue(ASku, Result) then
  begin
    Result.Book(AQty);
    Exit;
  end;
  Item := TStockItem.Create(ASku, AQty);
  FItems.Add(Item);
  FBySku.Add(ASku, Item);
  Result := Item;
end;

function TStockBook.Take(const ASku: string): TStockItem;
begin
  Result := nil;
  if FBySku.TryGetValue(ASku, Result) then
  begin
    FBySku.Remove(ASku);
    Result := FItems.Extract(Result);
  end;
end;

function TStockBook.LowStock(AThreshold: Integer): TList<TStockItem>;
var
  Item: TStockItem;
begin
  Result := TList<TStockItem>.Create;
  for Item in FItems do
    if Item.Qty < AThreshold then
      Result.Add(Item);
end;

function TStockBook.SnapshotQuantities: TArray<TPair<string, Integer>>;
var
  Pairs: TList<TPair<string, Integer>>;
  Item: TStockItem;
begin
  Pairs := TList<TPair<string, Integer>>.Create;
  try
    for Item in FItems do
      Pairs.Add(TPair<string, Integer>.Create(Item.Sku, Item.Qty));
    Result := Pairs.ToArray;
  finally
    Pairs.Free;
  end;
end;

function TStockBook.DuplicateBins: TArray<string>;
var
  Seen: TDictionary<string, Boolean>;
  Dupes: TList<string>;
  Item: TStockItem;
begin
  Seen := TDictionary<string, Boolean>.Create;
  Dupes := TList<string>.Create;
  try
    for Item in FItems do
    begin
      if Item.Bin = '' then
        Continue;
      if Seen.ContainsKey(Item.Bin) then
      begin
        if not Dupes.Contains(Item.Bin) then
          Dupes.Add(Item.Bin);
      end
      else
        Seen.Add(Item.Bin, True);
    end;
    Result := Dupes.ToArray;
  finally
    Dupes.Free;
  end;
end;

procedure TStockBook.PrintByQuantity(ALines: TStrings);
begin
  var Sorted := TList<TStockItem>.Create(FItems);
  Sorted.Sort(TComparer<TStockItem>.Construct(
    function(const L, R: TStockItem): Integer
    begin
      Result := R.Qty - L.Qty;
    end));
  ALines.BeginUpdate;
  try
    ALines.Clear;
    for var Item in Sorted do
      ALines.Add(Format('%-12s %6d %s', [Item.Sku, Item.Qty, Item.Bin]));
  finally
    ALines.EndUpdate;
  end;
end;

function TStockBook.TotalsPerBin: TDictionary<string, Integer>;
var
  Totals: TDictionary<string, Integer>;
  Item: TStockItem;
  Sum: Integer;
begin
  Totals := TDictionary<string, Integer>.Create;
  try
    for Item in FItems do
    begin
      if not Totals.TryGetValue(Item.Bin, Sum) then
        Sum := 0;
      Totals.AddOrSetValue(Item.Bin, Sum + Item.Qty);
    end;
  except
    Totals.Free;
    raise;
  end;
  Result := Totals;
end;

procedure TStockBook.Rebalance;
var
  Moves: TDictionary<string, Integer>;
  Item: TStockItem;
  Bin: TBin;
  Pair: TPair<string, Integer>;
begin
  Moves := TDictionary<string, Integer>.Create;
  for Item in FItems do
    if FBins.TryGetValue(Item.Bin, Bin) and (Item.Qty > Bin.Capacity) then
      Moves.Add(Item.Sku, Item.Qty - Bin.Capacity);
  for Pair in Moves do
  begin
    FMoves.Add(Pair);
    FBySku[Pair.Key].Book(-Pair.Value);
  end;
  Moves.Free;
end;

function TStockBook.GroupByBin: TObjectDictionary<string, TObjectList<TStockItem>>;
var
  Group: TObjectList<TStockItem>;
  Item: TStockItem;
begin
  Result := TObjectDictionary<string, TObjectList<TStockItem>>.Create([doOwnsValues]);
  for Item in FItems do
  begin
    if not Result.TryGetValue(Item.Bin, Group) then
    begin
      Group := TObjectList<TStockItem>.Create(False);
      Result.Add(Item.Bin, Group);
    end;
    Group.Add(Item);
  end;
end;

function TStockBook.ExportChunks: TArray<TBytes>;
var
  Chunks: TList<TBytes>;
  Buffer: TChunkBuffer;
  Item: TStockItem;
begin
  Chunks := TList<TBytes>.Create;
  try
    Buffer := TChunkBuffer.Create(DefaultChunkSize);
    try
      for Item in FItems do
      begin
        Buffer.Append(TEncoding.UTF8.GetBytes(Item.Sku + #9 + IntToStr(Item.Qty) + #10));
        if Length(Buffer.FData) >= Buffer.FSizeHint then
        begin
          Chunks.Add(Buffer.FData);
          SetLength(Buffer.FData, 0);
        end;
      end;
      Chunks.Add(Buffer.FData);
    finally
      Buffer.Free;
    end;
    Result := Chunks.ToArray;
  finally
    Chunks.Free;
  end;
end;

procedure TStockBook.AddBin(const ACode: string; ACapacity: Integer);
var
  Bin: TBin;
begin
  Bin := TBin.Create(ACode, ACapacity);
  if not FBins.TryAdd(ACode, Bin) then
    Bin.Free;
end;

end.
