unit uOrderStore;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, Data.DB,
{$IFDEF USE_BDE}
  Bde.DBTables,
{$ELSE}
  FireDAC.Comp.Client, FireDAC.Stan.Param, FireDAC.DApt,
{$ENDIF}
  System.Variants;

type
  TOrderStatus = (osNew, osPaid, osShipped, osCancelled);

  TOrder = class
  public
    ID: Integer;
    CustomerID: Integer;
    OrderDate: TDateTime;
    Status: TOrderStatus;
    Total: Currency;
    Notes: TStringList;
    constructor Create;
    destructor Destroy; override;
  end;

  TOrderRepository = class(TComponent)
  private
{$IFDEF USE_BDE}
    FDatabaseName: string;
{$ELSE}
    FConnection: TFDConnection;
{$ENDIF}
    FInsertQuery: TDataSet;
    FStatusQuery: TDataSet;
    function CreateQuery(AOwner: TComponent; const ASQL: string): TDataSet;
    procedure SetParam(ADataSet: TDataSet; const AName: string; const AValue: Variant);
    procedure ExecQuery(ADataSet: TDataSet);
    function ReadOrder(ADataSet: TDataSet): TOrder;
  public
{$IFDEF USE_BDE}
    constructor Create(AOwner: TComponent; const ADatabaseName: string); reintroduce;
{$ELSE}
    constructor Create(AOwner: TComponent; AConnection: TFDConnection); reintroduce;
{$ENDIF}
    destructor Destroy; override;
    function GetOrders(ACustomerID: Integer): TObjectList<TOrder>;
    function GetOrder(AID: Integer): TOrder;
    procedure Insert(AOrder: TOrder);
    procedure SetStatus(AID: Integer; AStatus: TOrderStatus);
    procedure DeleteOrder(AID: Integer);
    procedure CopyOrders(AFromCustomer, AToCustomer: Integer);
    function CountByStatus(AStatus: TOrderStatus): Integer;
    procedure MarkAllShipped(ADataSet: TDataSet);
  end;

implementation

const
  SelectOrderSQL =
    'select id, customer_id, order_date, status, total, notes ' +
    '  from orders ';

{ TOrder }

constructor TOrder.Create;
begin
  inherited;
  Notes := TStringList.Create;
end;

destructor TOrder.Destroy;
begin
  Notes.Free;
  inherited;
end;

{ TOrderRepository }

{$IFDEF USE_BDE}
constructor TOrderRepository.Create(AOwner: TComponent; const ADatabaseName: string);
begin
  inherited Create(AOwner);
  FDatabaseName := ADatabaseName;
  FInsertQuery := CreateQuery(nil,
    'insert into orders (id, customer_id, order_date, status, total) ' +
    'values (:id, :customer_id, :order_date, :status, :total)');
  FStatusQuery := CreateQuery(Self, 'update orders set status = :status where id = :id');
end;
{$ELSE}
constructor TOrderRepository.Create(AOwner: TComponent; AConnection: TFDConnection);
begin
  inherited Create(AOwner);
  FConnection := AConnection;
  FInsertQuery := CreateQuery(nil,
    'insert into orders (id, customer_id, order_date, status, total) ' +
    'values (:id, :customer_id, :order_date, :status, :total)');
  FStatusQuery := CreateQuery(Self, 'update orders set status = :status where id = :id');
end;
{$ENDIF}

destructor TOrderRepository.Destroy;
begin
  // FStatusQuery is owned by Self and goes with inherited Destroy
  FreeAndNil(FInsertQuery);
  inherited Destroy;
end;

function TOrderRepository.CreateQuery(AOwner: TComponent; const ASQL: string): TDataSet;
{$IFDEF USE_BDE}
var
  Q: TQuery;
begin
  Q := TQuery.Create(AOwner);
  Q.DatabaseName := FDatabaseName;
  Q.SQL.Text := ASQL;
  Result := Q;
end;
{$ELSE}
var
  Q: TFDQuery;
begin
  Q := TFDQuery.Create(AOwner);
  Q.Connection := FConnection;
  Q.SQL.Text := ASQL;
  Result := Q;
end;
{$ENDIF}

procedure TOrderRepository.SetParam(ADataSet: TDataSet; const AName: string;
  const AValue: Variant);
begin
{$IFDEF USE_BDE}
  (ADataSet as TQuery).ParamByName(AName).Value := AValue;
{$ELSE}
  (ADataSet as TFDQuery).ParamByName(AName).Value := AValue;
{$ENDIF}
end;

procedure TOrderRepository.ExecQuery(ADataSet: TDataSet);
begin
{$IFDEF USE_BDE}
  (ADataSet as TQuery).ExecSQL;
{$ELSE}
  (ADataSet as TFDQuery).ExecSQL;
{$ENDIF}
end;

function TOrderRepository.ReadOrder(ADataSet: TDataSet): TOrder;
begin
  Result := TOrder.Create;
  Result.ID := ADataSet.FieldByName('ID').AsInteger;
  Result.CustomerID := ADataSet.FieldByName('CUSTOMER_ID').AsInteger;
  Result.OrderDate := ADataSet.FieldByName('ORDER_DATE').AsDateTime;
  Result.Status := TOrderStatus(ADataSet.FieldByName('STATUS').AsInteger);
  Result.Total := ADataSet.FieldByName('TOTAL').AsCurrency;
  Result.Notes.Text := ADataSet.FieldByName('NOTES').AsString;
end;

function TOrderRepository.GetOrders(ACustomerID: Integer): TObjectList<TOrder>;
var
  Q: TDataSet;
begin
  Result := TObjectList<TOrder>.Create(True);
  try
    Q := CreateQuery(nil, SelectOrderSQL + 'where customer_id = :cid order by order_date');
    try
      SetParam(Q, 'cid', ACustomerID);
      Q.Open;
      while not Q.Eof do
      begin
        Result.Add(ReadOrder(Q));
        Q.Next;
      end;
    finally
      Q.Free;
    end;
  except
    Result.Free;
    raise;
  end;
end;

function TOrderRepository.GetOrder(AID: Integer): TOrder;
var
  Q: TDataSet;
begin
  Result := nil;
  Q := CreateQuery(nil, SelectOrderSQL + 'where id = :id');
  try
    SetParam(Q, 'id', AID);
    Q.Open;
    if not Q.IsEmpty then
      Result := ReadOrder(Q);
  finally
    Q.Free;
  end;
end;

procedure TOrderRepository.Insert(AOrder: TOrder);
begin
  SetParam(FInsertQuery, 'id', AOrder.ID);
  SetParam(FInsertQuery, 'customer_id', AOrder.CustomerID);
  SetParam(FInsertQuery, 'order_date', AOrder.OrderDate);
  SetParam(FInsertQuery, 'status', Ord(AOrder.Status));
  SetParam(FInsertQuery, 'total', AOrder.Total);
  ExecQuery(FInsertQuery);
end;

procedure TOrderRepository.SetStatus(AID: Integer; AStatus: TOrderStatus);
begin
  SetParam(FStatusQuery, 'id', AID);
  SetParam(FStatusQuery, 'status', Ord(AStatus));
  ExecQuery(FStatusQuery);
end;

procedure TOrderRepository.DeleteOrder(AID: Integer);
{$IFDEF USE_BDE}
var
  Q: TQuery;
begin
  Q := TQuery.Create(nil);
  Q.DatabaseName := FDatabaseName;
{$ELSE}
var
  Q: TFDQuery;
begin
  Q := TFDQuery.Create(nil);
  Q.Connection := FConnection;
{$ENDIF}
  Q.SQL.Text := 'delete from orders where id = :id';
  Q.ParamByName('id').AsInteger := AID;
  Q.ExecSQL;
  Q.Free;
end;

procedure TOrderRepository.CopyOrders(AFromCustomer, AToCustomer: Integer);
var
  Orders: TObjectList<TOrder>;
  Order: TOrder;
begin
  Orders := GetOrders(AFromCustomer);
  try
    for Order in Orders do
    begin
      Order.CustomerID := AToCustomer;
      Order.ID := -Order.ID;
      Insert(Order);
    end;
  finally
    Orders.Free;
  end;
end;

function TOrderRepository.CountByStatus(AStatus: TOrderStatus): Integer;
{$IFNDEF USE_BDE}
var
  Q: TFDQuery;
{$ENDIF}
begin
{$IFDEF USE_BDE}
  with TQuery.Create(nil) do
  try
    DatabaseName := FDatabaseName;
    SQL.Text := 'select count(*) from orders where status = :status';
    ParamByName('status').AsInteger := Ord(AStatus);
    Open;
    Result := Fields[0].AsInteger;
  finally
    Free;
  end;
{$ELSE}
  Q := TFDQuery.Create(Self);
  Q.Connection := FConnection;
  Q.Open('select count(*) from orders where status = :status', [Ord(AStatus)]);
  Result := Q.Fields[0].AsInteger;
{$ENDIF}
end;

procedure TOrderRepository.MarkAllShipped(ADataSet: TDataSet);
var
  BM: TBookmark;
begin
  ADataSet.DisableControls;
  BM := ADataSet.GetBookmark;
  try
    ADataSet.First;
    while not ADataSet.Eof do
    begin
      if ADataSet.FieldByName('STATUS').AsInteger = Ord(osPaid) then
      begin
        ADataSet.Edit;
        ADataSet.FieldByName('STATUS').AsInteger := Ord(osShipped);
        ADataSet.Post;
      end;
      ADataSet.Next;
    end;
    if ADataSet.BookmarkValid(BM) then
      ADataSet.GotoBookmark(BM);
  finally
    ADataSet.FreeBookmark(BM);
    ADataSet.EnableControls;
  end;
end;

end.
