unit uInvoiceList;

{ Invoice list of the old accounting screens. Written for Delphi 7 and kept
  that way: records in a TList, Contnrs instead of generics. }

interface

uses
  Windows, SysUtils, Classes, Contnrs, DB, ADODB, Forms, Controls;

type
  PInvoiceRec = ^TInvoiceRec;
  TInvoiceRec = record
    InvoiceNo: string[12];
    Customer: string[60];
    Amount: Currency;
    Paid: Boolean;
  end;

  TInvoiceGroup = class
  public
    Customer: string;
    Invoices: TList;
    Total: Currency;
    constructor Create(const ACustomer: string);
    destructor Destroy; override;
  end;

  TInvoiceList = class
  private
    FItems: TList;
    FGroups: TObjectList;
    function GetItem(Index: Integer): PInvoiceRec;
    function GetCount: Integer;
    procedure ClearItems;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Load(AConnection: TADOConnection; AOnlyOpen: Boolean);
    procedure Group;
    function TotalOpen: Currency;
    property Items[Index: Integer]: PInvoiceRec read GetItem; default;
    property Count: Integer read GetCount;
    property Groups: TObjectList read FGroups;
  end;

implementation

constructor TInvoiceGroup.Create(const ACustomer: string);
begin
  inherited Create;
  Customer := ACustomer;
  Invoices := TList.Create;
end;

destructor TInvoiceGroup.Destroy;
begin
  Invoices.Free;
  inherited Destroy;
end;

constructor TInvoiceList.Create;
begin
  inherited Create;
  FItems := TList.Create;
  FGroups := TObjectList.Create(True);
end;

destructor TInvoiceList.Destroy;
begin
  ClearItems;
  FItems.Free;
  FGroups.Free;
  inherited Destroy;
end;

procedure TInvoiceList.ClearItems;
var
  I: Integer;
begin
  for I := 0 to FItems.Count - 1 do
    Dispose(PInvoiceRec(FItems[I]));
  FItems.Clear;
  FGroups.Clear;
end;

function TInvoiceList.GetItem(Index: Integer): PInvoiceRec;
begin
  Result := PInvoiceRec(FItems[Index]);
end;

function TInvoiceList.GetCount: Integer;
begin
  Result := FItems.Count;
end;

procedure TInvoiceList.Load(AConnection: TADOConnection; AOnlyOpen: Boolean);
var
  Query: TADOQuery;
  Rec: PInvoiceRec;
  OldCursor: TCursor;
begin
  ClearItems;
  OldCursor := Screen.Cursor;
  Screen.Cursor := crHourGlass;
  Query := TADOQuery.Create(nil);
  try
    Query.Connection := AConnection;
    Query.SQL.Add('SELECT invoice_no, customer, amount, paid FROM invoices');
    if AOnlyOpen then
      Query.SQL.Add('WHERE paid = 0');
    Query.SQL.Add('ORDER BY customer, invoice_no');
    with Query do
    begin
      Open;
      while not Eof do
      begin
        New(Rec);
        Rec^.InvoiceNo := FieldByName('invoice_no').AsString;
        Rec^.Customer := FieldByName('customer').AsString;
        Rec^.Amount := FieldByName('amount').AsCurrency;
        Rec^.Paid := FieldByName('paid').AsBoolean;
        FItems.Add(Rec);
        Next;
      end;
      Close;
    end;
  finally
    Query.Free;
    Screen.Cursor := OldCursor;
  end;
end;

procedure TInvoiceList.Group;
var
  I: Integer;
  Rec: PInvoiceRec;
  Current: TInvoiceGroup;
begin
  FGroups.Clear;
  Current := nil;
  for I := 0 to FItems.Count - 1 do
  begin
    Rec := FItems[I];
    if (Current = nil) or (Current.Customer <> Rec^.Customer) then
    begin
      Current := TInvoiceGroup.Create(Rec^.Customer);
      FGroups.Add(Current);
    end;
    Current.Invoices.Add(Rec);
    if not Rec^.Paid then
      Current.Total := Current.Total + Rec^.Amount;
  end;
end;

function TInvoiceList.TotalOpen: Currency;
var
  I: Integer;
begin
  Result := 0;
  for I := 0 to FItems.Count - 1 do
    with PInvoiceRec(FItems[I])^ do
      if not Paid then
        Result := Result + Amount;
end;

end.
