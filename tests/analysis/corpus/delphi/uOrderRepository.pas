unit uOrderRepository;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections,
  Data.DB, FireDAC.Comp.Client, uOrder;

type
  EOrderNotFound = class(Exception);

  TOrderRepository = class
  private
    FConnection: TFDConnection;
    function NewQuery(const ASql: string): TFDQuery;
    function ReadOrder(AQuery: TFDQuery): TOrder;
    function BuildFilter(const ACustomer, AStatus: string; AFrom, ATo: TDate): string;
  public
    constructor Create(AConnection: TFDConnection);
    function FindById(AId: Integer): TOrder;
    function FindByCustomer(const ACustomer: string): TObjectList<TOrder>;
    procedure LoadOpenOrders(AList: TObjectList<TOrder>);
    procedure Save(AOrder: TOrder);
    function Search(const ACustomer, AStatus: string; AFrom, ATo: TDate): TObjectList<TOrder>;
  end;

implementation

const
  SelectOrder = 'select id, customer, status, created_at, total from orders ';

constructor TOrderRepository.Create(AConnection: TFDConnection);
begin
  inherited Create;
  FConnection := AConnection;
end;

function TOrderRepository.NewQuery(const ASql: string): TFDQuery;
begin
  Result := TFDQuery.Create(nil);
  Result.Connection := FConnection;
  Result.SQL.Text := ASql;
end;

function TOrderRepository.ReadOrder(AQuery: TFDQuery): TOrder;
begin
  Result := TOrder.Create;
  Result.Id := AQuery.FieldByName('id').AsInteger;
  Result.Customer := AQuery.FieldByName('customer').AsString;
  Result.Status := AQuery.FieldByName('status').AsString;
  Result.CreatedAt := AQuery.FieldByName('created_at').AsDateTime;
  Result.Total := AQuery.FieldByName('total').AsCurrency;
end;

function TOrderRepository.FindById(AId: Integer): TOrder;
var
  Query: TFDQuery;
begin
  Query := NewQuery(SelectOrder + 'where id = :id');
  try
    Query.ParamByName('id').AsInteger := AId;
    Query.Open;
    if Query.IsEmpty then
      raise EOrderNotFound.CreateFmt('Order %d not found', [AId]);
    Result := ReadOrder(Query);
  finally
    Query.Free;
  end;
end;

function TOrderRepository.FindByCustomer(const ACustomer: string): TObjectList<TOrder>;
var
  Query: TFDQuery;
  Orders: TObjectList<TOrder>;
begin
  Orders := TObjectList<TOrder>.Create(True);
  try
    Query := NewQuery(SelectOrder + 'where customer = :customer order by created_at');
    try
      Query.ParamByName('customer').AsString := ACustomer;
      Query.Open;
      while not Query.Eof do
      begin
        Orders.Add(ReadOrder(Query));
        Query.Next;
      end;
    finally
      Query.Free;
    end;
  except
    Orders.Free;
    raise;
  end;
  Result := Orders;
end;

procedure TOrderRepository.LoadOpenOrders(AList: TObjectList<TOrder>);
var
  Query: TFDQuery;
  Order: TOrder;
begin
  Query := NewQuery(SelectOrder + 'where status = ''OPEN''');
  try
    Query.Open;
    while not Query.Eof do
    begin
      Order := TOrder.Create;
      Order.Id := Query.FieldByName('id').AsInteger;
      Order.Customer := Query.FieldByName('customer').AsString;
      Order.Status := 'OPEN';
      AList.Add(Order);
      Query.Next;
    end;
  finally
    Query.Free;
  end;
end;

procedure TOrderRepository.Save(AOrder: TOrder);
var
  Command: TFDCommand;
begin
  Command := TFDCommand.Create(nil);
  try
    Command.Connection := FConnection;
    if AOrder.Id = 0 then
      Command.CommandText.Text :=
        'insert into orders (customer, status, total) values (:customer, :status, :total)'
    else
      Command.CommandText.Text :=
        'update orders set customer = :customer, status = :status, total = :total where id = :id';
    Command.ParamByName('customer').AsString := AOrder.Customer;
    Command.ParamByName('status').AsString := AOrder.Status;
    Command.ParamByName('total').AsCurrency := AOrder.Total;
    if AOrder.Id <> 0 then
      Command.ParamByName('id').AsInteger := AOrder.Id;
    Command.Execute;
  finally
    Command.Free;
  end;
end;

function TOrderRepository.BuildFilter(const ACustomer, AStatus: string; AFrom, ATo: TDate): string;
var
  Conditions: TStringList;
begin
  Conditions := TStringList.Create;
  Conditions.Delimiter := ' ';
  Conditions.StrictDelimiter := True;
  if ACustomer <> '' then
    Conditions.Add('customer like :customer');
  if AStatus <> '' then
    Conditions.Add('status = :status');
  if AFrom > 0 then
    Conditions.Add('created_at >= :date_from');
  if ATo > 0 then
    Conditions.Add('created_at < :date_to');
  if Conditions.Count = 0 then
    Exit('');
  Result := 'where ' + StringReplace(Conditions.DelimitedText, ' ', ' and ', [rfReplaceAll]);
end;

function TOrderRepository.Search(const ACustomer, AStatus: string; AFrom, ATo: TDate): TObjectList<TOrder>;
var
  Query: TFDQuery;
begin
  Result := TObjectList<TOrder>.Create;
  Query := NewQuery(SelectOrder + BuildFilter(ACustomer, AStatus, AFrom, ATo));
  try
    if ACustomer <> '' then
      Query.ParamByName('customer').AsString := ACustomer + '%';
    if AStatus <> '' then
      Query.ParamByName('status').AsString := AStatus;
    if AFrom > 0 then
      Query.ParamByName('date_from').AsDate := AFrom;
    if ATo > 0 then
      Query.ParamByName('date_to').AsDate := ATo + 1;
    Query.Open;
    while not Query.Eof do
    begin
      Result.Add(ReadOrder(Query));
      Query.Next;
    end;
  finally
    Query.Free;
  end;
end;

end.
