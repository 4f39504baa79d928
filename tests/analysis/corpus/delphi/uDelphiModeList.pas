unit uDelphiModeList;

{$IFDEF FPC}
  {$mode delphi}{$H+}
{$ENDIF}

interface

uses
  Classes, SysUtils, Contnrs{$IFDEF FPC}, fgl{$ELSE}, Generics.Collections{$ENDIF};

type
  EOrderError = class(Exception);

  TOrderLine = class
  private
    FSku: string;
    FQty: Integer;
    FPrice: Currency;
  public
    constructor Create(const ASku: string; AQty: Integer; APrice: Currency);
    function Amount: Currency;
    property Sku: string read FSku;
    property Qty: Integer read FQty write FQty;
    property Price: Currency read FPrice;
  end;

  {$IFDEF FPC}
  TOrderLines = TFPGObjectList<TOrderLine>;
  {$ELSE}
  TOrderLines = TObjectList<TOrderLine>;
  {$ENDIF}

  TOrder = class
  private
    FLines: TOrderLines;
    FNotes: TObjectList;
    FId: Integer;
    FCustomer: string;
    function GetLine(Index: Integer): TOrderLine;
    function GetTotal: Currency;
    function GetCount: Integer;
  public
    constructor Create(AId: Integer; const ACustomer: string);
    destructor Destroy; override;
    function AddLine(const ASku: string; AQty: Integer; APrice: Currency): TOrderLine;
    procedure RemoveSku(const ASku: string);
    function Clone: TOrder;
    function ToText: string;
    property Lines[Index: Integer]: TOrderLine read GetLine; default;
    property Count: Integer read GetCount;
    property Total: Currency read GetTotal;
    property Id: Integer read FId;
    property Customer: string read FCustomer;
  end;

  TOrderBook = class(TComponent)
  private
    FOrders: TObjectList;
    FByCustomer: TStringList;
    FNextId: Integer;
    FOnChange: TNotifyEvent;
    function GetOrder(Index: Integer): TOrder;
  protected
    procedure Changed; virtual;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    function NewOrder(const ACustomer: string): TOrder;
    function FindByCustomer(const ACustomer: string): TOrder;
    procedure LoadFromCsv(const AFileName: string);
    function GrandTotal: Currency;
    property Orders[Index: Integer]: TOrder read GetOrder; default;
    property OnChange: TNotifyEvent read FOnChange write FOnChange;
  end;

implementation

function CompareByTotal(Item1, Item2: Pointer): Integer;
begin
  Result := Ord(TOrder(Item1).Total > TOrder(Item2).Total) -
    Ord(TOrder(Item1).Total < TOrder(Item2).Total);
end;

{ TOrderLine }

constructor TOrderLine.Create(const ASku: string; AQty: Integer; APrice: Currency);
begin
  inherited Create;
  FSku := ASku;
  FQty := AQty;
  FPrice := APrice;
end;

function TOrderLine.Amount: Currency;
begin
  Result := FQty * FPrice;
end;

{ TOrder }

constructor TOrder.Create(AId: Integer; const ACustomer: string);
begin
  inherited Create;
  FId := AId;
  FCustomer := ACustomer;
  FLines := TOrderLines.Create(True);
  FNotes := TObjectList.Create(True);
end;

destructor TOrder.Destroy;
begin
  FNotes.Free;
  FLines.Free;
  inherited;
end;

function TOrder.GetLine(Index: Integer): TOrderLine;
begin
  Result := FLines[Index];
end;

function TOrder.GetCount: Integer;
begin
  Result := FLines.Count;
end;

function TOrder.GetTotal: Currency;
var
  I: Integer;
begin
  Result := 0;
  for I := 0 to FLines.Count - 1 do
    Result := Result + FLines[I].Amount;
end;

function TOrder.AddLine(const ASku: string; AQty: Integer; APrice: Currency): TOrderLine;
begin
  if AQty <= 0 then
    raise EOrderError.CreateFmt('Quantity for ''%s'' must be positive, got %d', [ASku, AQty]);
  Result := TOrderLine.Create(ASku, AQty, APrice);
  FLines.Add(Result);
end;

procedure TOrder.RemoveSku(const ASku: string);
var
  I: Integer;
begin
  for I := FLines.Count - 1 downto 0 do
    if SameText(FLines[I].Sku, ASku) then
      FLines.Delete(I);
end;

function TOrder.Clone: TOrder;
var
  I: Integer;
  Copy: TOrder;
begin
  Copy := TOrder.Create(FId, FCustomer);
  for I := 0 to FLines.Count - 1 do
    Copy.AddLine(FLines[I].Sku, FLines[I].Qty, FLines[I].Price);
  Result := Copy;
end;

function TOrder.ToText: string;
var
  I: Integer;
begin
  Result := Format('Order #%d for %s'#39's account', [FId, FCustomer]) + LineEnding;
  for I := 0 to FLines.Count - 1 do
    Result := Result + Format('  %-12s %4d x %10.2m', [FLines[I].Sku, FLines[I].Qty, FLines[I].Price]) + LineEnding;
  Result := Result + Format('  total %m', [GetTotal]);
end;

{ TOrderBook }

constructor TOrderBook.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FOrders := TObjectList.Create(True);
  FByCustomer := TStringList.Create;
  FByCustomer.Sorted := True;
  FByCustomer.Duplicates := dupAccept;
  FNextId := 1;
end;

destructor TOrderBook.Destroy;
begin
  FOnChange := nil;
  FByCustomer.Free;
  FOrders.Free;
end;

function TOrderBook.GetOrder(Index: Integer): TOrder;
begin
  Result := TOrder(FOrders[Index]);
end;

procedure TOrderBook.Changed;
begin
  if Assigned(FOnChange) then
    FOnChange(Self);
end;

function TOrderBook.NewOrder(const ACustomer: string): TOrder;
begin
  Result := TOrder.Create(FNextId, ACustomer);
  Inc(FNextId);
  FOrders.Add(Result);
  FByCustomer.AddObject(ACustomer, Result);
  Changed;
end;

function TOrderBook.FindByCustomer(const ACustomer: string): TOrder;
var
  Idx: Integer;
begin
  if FByCustomer.Find(ACustomer, Idx) then
    Exit(TOrder(FByCustomer.Objects[Idx]));
  Result := nil;
end;

procedure TOrderBook.LoadFromCsv(const AFileName: string);
var
  Rows, Cells: TStringList;
  I: Integer;
  Order: TOrder;
begin
  Rows := TStringList.Create;
  Cells := TStringList.Create;
  try
    Rows.LoadFromFile(AFileName);
    Cells.StrictDelimiter := True;
    for I := 1 to Rows.Count - 1 do   // row 0 is the header
    begin
      Cells.CommaText := Rows[I];
      if Cells.Count < 4 then
        Continue;
      Order := FindByCustomer(Cells[0]);
      if Order = nil then
        Order := NewOrder(Cells[0]);
      try
        Order.AddLine(Cells[1], StrToInt(Cells[2]), StrToCurr(Cells[3]));
      except
        on E: EConvertError do
          raise EOrderError.CreateFmt('%s, row %d: %s', [AFileName, I + 1, E.Message]);
      end;
    end;
  finally
    Cells.Free;
    Rows.Free;
  end;
  FOrders.Sort(CompareByTotal);
end;

function TOrderBook.GrandTotal: Currency;
var
  I: Integer;
begin
  Result := 0;
  for I := 0 to FOrders.Count - 1 do
    Result := Result + TOrder(FOrders[I]).Total;
end;

end.
