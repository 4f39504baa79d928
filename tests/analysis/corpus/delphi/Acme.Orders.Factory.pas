unit Acme.Orders.Factory;

{ Order creation. The exception types carry details the way the C#
  version did (an inner list of messages). }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections;

type
  EOrderError = class(Exception)
  private
    FDetails: TStringList;
  public
    constructor Create(const AMsg: string; ADetails: TStrings);
    destructor Destroy; override;
    property Details: TStringList read FDetails;
  end;

  EOrderNotFound = class(EOrderError);

  TOrderLine = class
  public
    Sku: string;
    Qty: Integer;
    Price: Currency;
    constructor Create(const ASku: string; AQty: Integer; APrice: Currency);
  end;

  TOrder = class
  private
    FId: Integer;
    FCustomer: string;
    FLines: TObjectList<TOrderLine>;
  public
    constructor Create(AId: Integer);
    destructor Destroy; override;
    procedure AddLine(const ASku: string; AQty: Integer; APrice: Currency);
    function Total: Currency;
    procedure Validate;
    property Id: Integer read FId;
    property Customer: string read FCustomer write FCustomer;
    property Lines: TObjectList<TOrderLine> read FLines;
  end;

  TOrderRepository = class
  private
    FOrders: TObjectDictionary<Integer, TOrder>;
    FNextId: Integer;
  public
    constructor Create;
    destructor Destroy; override;
    function Find(AId: Integer): TOrder;
    function FindOrCreate(AId: Integer): TOrder;
    function NewOrder(const ACustomer: string): TOrder;
    procedure Archive(AId: Integer);
    procedure PrintSummary(AId: Integer);
  end;

implementation

{ EOrderError }

constructor EOrderError.Create(const AMsg: string; ADetails: TStrings);
begin
  inherited Create(AMsg);
  FDetails := TStringList.Create;
  if ADetails <> nil then
    FDetails.Assign(ADetails);
end;

destructor EOrderError.Destroy;
begin
  inherited;
  FDetails.Free;
end;

{ TOrderLine }

constructor TOrderLine.Create(const ASku: string; AQty: Integer; APrice: Currency);
begin
  inherited Create;
  Sku := ASku;
  Qty := AQty;
  Price := APrice;
end;

{ TOrder }

constructor TOrder.Create(AId: Integer);
begin
  inherited Create;
  FId := AId;
  FLines := TObjectList<TOrderLine>.Create;
end;

destructor TOrder.Destroy;
begin
  FLines.Free;
  inherited;
end;

procedure TOrder.AddLine(const ASku: string; AQty: Integer; APrice: Currency);
begin
  FLines.Add(TOrderLine.Create(ASku, AQty, APrice));
end;

function TOrder.Total: Currency;
var
  Line: TOrderLine;
begin
  Result := 0;
  for Line in FLines do
    Result := Result + Line.Qty * Line.Price;
end;

procedure TOrder.Validate;
var
  Problems: TStringList;
  Line: TOrderLine;
begin
  Problems := TStringList.Create;
  if FCustomer = '' then
    Problems.Add('Customer missing');
  for Line in FLines do
    if Line.Qty <= 0 then
      Problems.Add(Format('Line %s: quantity %d', [Line.Sku, Line.Qty]));
  if Problems.Count > 0 then
    raise EOrderError.CreateFmt('Order %d invalid: %s', [FId, Problems.CommaText]);
end;

{ TOrderRepository }

constructor TOrderRepository.Create;
begin
  inherited;
  FOrders := TObjectDictionary<Integer, TOrder>.Create([doOwnsValues]);
  FNextId := 1;
end;

destructor TOrderRepository.Destroy;
begin
  FOrders.Free;
  inherited Destroy;
end;

function TOrderRepository.Find(AId: Integer): TOrder;
var
  Msg: TStringList;
begin
  if not FOrders.TryGetValue(AId, Result) then
  begin
    Msg := TStringList.Create;
    try
      Msg.Add('id=' + IntToStr(AId));
      Msg.Add('known=' + IntToStr(FOrders.Count));
      raise EOrderNotFound.Create('Order not found', Msg);
    finally
      Msg.Free;
    end;
  end;
end;

function TOrderRepository.FindOrCreate(AId: Integer): TOrder;
var
  Order: TOrder;
begin
  // exceptions as flow control, as in the original service
  try
    Order := Find(AId);
  except
    on E: EOrderNotFound do
    begin
      Order := TOrder.Create(AId);
      FOrders.Add(AId, Order);
    end;
  end;
  Result := Order;
end;

function TOrderRepository.NewOrder(const ACustomer: string): TOrder;
var
  Order: TOrder;
begin
  Order := TOrder.Create(FNextId);
  try
    Order.Customer := ACustomer;
    Order.Validate;
  except
    on E: Exception do
    begin
      Order.Free;
      raise;
    end;
  end;
  FOrders.Add(Order.Id, Order);
  Inc(FNextId);
  Result := Order;
end;

procedure TOrderRepository.Archive(AId: Integer);
var
  Order, Copy: TOrder;
  Line: TOrderLine;
begin
  Order := Find(AId);
  Copy := TOrder.Create(-AId);
  with Copy do
  begin
    Customer := Order.Customer;
    for Line in Order.Lines do
      AddLine(Line.Sku, Line.Qty, Line.Price);
    Writeln(Format('Archived order %d, total %m', [AId, Total]));
    Free;
  end;
  FOrders.Remove(AId);
end;

procedure TOrderRepository.PrintSummary(AId: Integer);
var
  Order: TOrder;
  Report: TStringList;
begin
  Order := Find(AId);
  Report := TStringList.Create;
  try
    Report.Add('Order ' + IntToStr(Order.Id));
    Report.Add('Customer ' + Order.Customer);
    Report.Add('Total ' + CurrToStr(Order.Total));
    with TStringList.Create do
    try
      Text := Report.Text;
      SaveToFile(Format('order_%d.txt', [AId]));
    finally
      Free;
    end;
  finally
    Report.Free;
  end;
end;

end.
