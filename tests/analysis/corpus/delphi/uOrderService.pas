unit uOrderService;

interface

uses
  System.SysUtils, System.Classes, System.Math, System.Generics.Collections,
  System.Generics.Defaults;

type
  TOrderLine = class
  public
    Sku: string;
    Qty: Integer;
    Price: Currency;
    constructor Create(const ASku: string; AQty: Integer; APrice: Currency);
    function Total: Currency;
  end;

  TOrder = class
  private
    FNumber: string;
    FLines: TObjectList<TOrderLine>;
  public
    constructor Create(const ANumber: string);
    destructor Destroy; override;
    function AddLine(const ASku: string; AQty: Integer; APrice: Currency): TOrderLine;
    function Total: Currency;
    property Number: string read FNumber;
    property Lines: TObjectList<TOrderLine> read FLines;
  end;

  ITaxCalculator = interface
    ['{6F1F8E64-2A55-4C6B-9A0B-3D1E4C2B7A10}']
    function TaxFor(AAmount: Currency): Currency;
  end;

  TFlatTax = class(TInterfacedObject, ITaxCalculator)
  private
    FRate: Double;
  public
    constructor Create(ARate: Double);
    function TaxFor(AAmount: Currency): Currency;
  end;

  TOrderSlot = record
    Order: TOrder;
    Reserved: Boolean;
  end;

  TOrderService = class
  private
    FSlots: array of TOrderSlot;
    FRecent: array[0..9] of TOrder;
    FRecentPos: Integer;
    FArchive: TObjectList<TOrder>;
  public
    constructor Create(ACapacity: Integer);
    destructor Destroy; override;
    function OpenOrder(const ANumber: string): Integer;
    procedure ImportLines(ASlot: Integer; ASource: TStrings);
    function GrandTotal: Currency;
    function TaxReport: string;
    procedure ArchiveSlot(ASlot: Integer);
    procedure Grow(ANewCapacity: Integer);
    function TopSkus(ACount: Integer): TArray<string>;
  end;

implementation

{ TOrderLine }

constructor TOrderLine.Create(const ASku: string; AQty: Integer; APrice: Currency);
begin
  inherited Create;
  Sku := ASku;
  Qty := AQty;
  Price := APrice;
end;

function TOrderLine.Total: Currency;
begin
  Result := Qty * Price;
end;

{ TOrder }

constructor TOrder.Create(const ANumber: string);
begin
  inherited Create;
  FNumber := ANumber;
  FLines := TObjectList<TOrderLine>.Create(True);
end;

destructor TOrder.Destroy;
begin
  FLines.Free;
  inherited;
end;

function TOrder.AddLine(const ASku: string; AQty: Integer; APrice: Currency): TOrderLine;
begin
  Result := TOrderLine.Create(ASku, AQty, APrice);
  FLines.Add(Result);
end;

function TOrder.Total: Currency;
var
  Line: TOrderLine;
begin
  Result := 0;
  for Line in FLines do
    Result := Result + Line.Total;
end;

{ TFlatTax }

constructor TFlatTax.Create(ARate: Double);
begin
  inherited Create;
  FRate := ARate;
end;

function TFlatTax.TaxFor(AAmount: Currency): Currency;
begin
  Result := RoundTo(AAmount * FRate, -2);
end;

{ TOrderService }

constructor TOrderService.Create(ACapacity: Integer);
begin
  inherited Create;
  SetLength(FSlots, ACapacity);
  FArchive := TObjectList<TOrder>.Create(True);
end;

destructor TOrderService.Destroy;
var
  I: Integer;
begin
  for I := 0 to High(FSlots) do
    FSlots[I].Order.Free;
  for I := Low(FRecent) to High(FRecent) do
    FreeAndNil(FRecent[I]);
  FArchive.Free;
  inherited;
end;

function TOrderService.OpenOrder(const ANumber: string): Integer;
var
  I: Integer;
  Order: TOrder;
begin
  for I := 0 to High(FSlots) do
    if (FSlots[I].Order = nil) and not FSlots[I].Reserved then
    begin
      Order := TOrder.Create(ANumber);
      FSlots[I].Order := Order;
      Exit(I);
    end;
  Grow(Length(FSlots) * 2 + 1);
  Result := OpenOrder(ANumber);
end;

procedure TOrderService.Grow(ANewCapacity: Integer);
var
  Old, I: Integer;
begin
  Old := Length(FSlots);
  if ANewCapacity <= Old then
    Exit;
  SetLength(FSlots, ANewCapacity);
  for I := Old to ANewCapacity - 1 do
  begin
    FSlots[I].Order := nil;
    FSlots[I].Reserved := False;
  end;
end;

procedure TOrderService.ImportLines(ASlot: Integer; ASource: TStrings);
var
  Parsed: array of TOrderLine;
  Cols: TArray<string>;
  I, Count: Integer;
  Order: TOrder;
begin
  Order := FSlots[ASlot].Order;
  if Order = nil then
    raise EArgumentException.CreateFmt('Slot %d is empty', [ASlot]);
  SetLength(Parsed, ASource.Count);
  Count := 0;
  try
    for I := 0 to ASource.Count - 1 do
    begin
      Cols := ASource[I].Split([';']);
      if Length(Cols) < 3 then
        Continue;
      Parsed[Count] := TOrderLine.Create(Cols[0], StrToInt(Cols[1]), StrToCurr(Cols[2]));
      Inc(Count);
    end;
  except
    for I := 0 to Count - 1 do
      Parsed[I].Free;
    raise;
  end;
  for I := 0 to Count - 1 do
    Order.Lines.Add(Parsed[I]);
end;

function TOrderService.GrandTotal: Currency;
var
  I: Integer;
begin
  Result := 0;
  for I := 0 to High(FSlots) do
    if FSlots[I].Order <> nil then
      Result := Result + FSlots[I].Order.Total;
end;

function TOrderService.TaxReport: string;
var
  Calc: ITaxCalculator;
  Summary: TStringBuilder;
  I: Integer;
  Amount: Currency;
begin
  Calc := TFlatTax.Create(0.19);
  Summary := TStringBuilder.Create;
  try
    for I := 0 to High(FSlots) do
      if FSlots[I].Order <> nil then
      begin
        Amount := FSlots[I].Order.Total;
        Summary.AppendFormat('%s: %m + %m tax',
          [FSlots[I].Order.Number, Amount, Calc.TaxFor(Amount)]);
        Summary.AppendLine;
      end;
    Result := Summary.ToString;
  finally
    Summary.Free;
  end;
end;

procedure TOrderService.ArchiveSlot(ASlot: Integer);
var
  Order, Snapshot: TOrder;
  Line: TOrderLine;
begin
  Order := FSlots[ASlot].Order;
  if Order = nil then
    Exit;
  Snapshot := TOrder.Create(Order.Number);
  for Line in Order.Lines do
    Snapshot.AddLine(Line.Sku, Line.Qty, Line.Price);
  FRecent[FRecentPos].Free;
  FRecent[FRecentPos] := Snapshot;
  FRecentPos := (FRecentPos + 1) mod Length(FRecent);
  FSlots[ASlot].Order := nil;
  FArchive.Add(Order);
end;

function TOrderService.TopSkus(ACount: Integer): TArray<string>;
var
  Totals: TDictionary<string, Integer>;
  Pairs: TArray<TPair<string, Integer>>;
  I: Integer;
  Line: TOrderLine;
begin
  Totals := TDictionary<string, Integer>.Create;
  for I := 0 to High(FSlots) do
    if FSlots[I].Order <> nil then
      for Line in FSlots[I].Order.Lines do
        if Totals.ContainsKey(Line.Sku) then
          Totals[Line.Sku] := Totals[Line.Sku] + Line.Qty
        else
          Totals.Add(Line.Sku, Line.Qty);
  Pairs := Totals.ToArray;
  TArray.Sort<TPair<string, Integer>>(Pairs,
    TComparer<TPair<string, Integer>>.Construct(
      function(const L, R: TPair<string, Integer>): Integer
      begin
        Result := R.Value - L.Value;
      end));
  SetLength(Result, Min(ACount, Length(Pairs)));
  for I := 0 to High(Result) do
    Result[I] := Pairs[I].Key;
end;

end.
