unit uSqlBuilder;

{ Small fluent builder for the SELECT statements of the list screens.
  Table and column names come from code, values always go into parameters. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections;

type
  TSqlBuilder = class
  private
    FTable: string;
    FColumns: TStringList;
    FWhere: TStringList;
    FOrderBy: string;
    FLimit: Integer;
  public
    constructor Create(const ATable: string);
    destructor Destroy; override;
    class function From(const ATable: string): TSqlBuilder;
    function Select(const AColumns: array of string): TSqlBuilder;
    function Where(const ACondition: string): TSqlBuilder;
    function OrderBy(const AColumn: string; ADescending: Boolean = False): TSqlBuilder;
    function Limit(ARows: Integer): TSqlBuilder;
    function Build: string;
  end;

function CustomerListSql(const ACity: string; AOnlyActive: Boolean): string;
function OrderListSql(AStatusFilter: Boolean; AMaxRows: Integer): string;
function CountSql(const ATable, ACondition: string): string;

implementation

constructor TSqlBuilder.Create(const ATable: string);
begin
  inherited Create;
  FTable := ATable;
  FColumns := TStringList.Create;
  FWhere := TStringList.Create;
end;

destructor TSqlBuilder.Destroy;
begin
  FWhere.Free;
  FColumns.Free;
  inherited;
end;

class function TSqlBuilder.From(const ATable: string): TSqlBuilder;
begin
  Result := TSqlBuilder.Create(ATable);
end;

function TSqlBuilder.Select(const AColumns: array of string): TSqlBuilder;
var
  Column: string;
begin
  for Column in AColumns do
    FColumns.Add(Column);
  Result := Self;
end;

function TSqlBuilder.Where(const ACondition: string): TSqlBuilder;
begin
  FWhere.Add('(' + ACondition + ')');
  Result := Self;
end;

function TSqlBuilder.OrderBy(const AColumn: string; ADescending: Boolean): TSqlBuilder;
const
  Directions: array[Boolean] of string = ('asc', 'desc');
begin
  FOrderBy := AColumn + ' ' + Directions[ADescending];
  Result := Self;
end;

function TSqlBuilder.Limit(ARows: Integer): TSqlBuilder;
begin
  FLimit := ARows;
  Result := Self;
end;

function TSqlBuilder.Build: string;
var
  I: Integer;
begin
  if FColumns.Count = 0 then
    Result := 'select *'
  else
  begin
    Result := 'select ' + FColumns[0];
    for I := 1 to FColumns.Count - 1 do
      Result := Result + ', ' + FColumns[I];
  end;
  Result := Result + ' from ' + FTable;
  for I := 0 to FWhere.Count - 1 do
    if I = 0 then
      Result := Result + ' where ' + FWhere[I]
    else
      Result := Result + ' and ' + FWhere[I];
  if FOrderBy <> '' then
    Result := Result + ' order by ' + FOrderBy;
  if FLimit > 0 then
    Result := Result + Format(' fetch first %d rows only', [FLimit]);
end;

function CustomerListSql(const ACity: string; AOnlyActive: Boolean): string;
var
  Builder: TSqlBuilder;
begin
  Builder := TSqlBuilder.Create('customers');
  try
    Builder.Select(['customer_id', 'name', 'city']);
    if ACity <> '' then
      Builder.Where('city = :city');
    if AOnlyActive then
      Builder.Where('active = 1');
    Result := Builder.OrderBy('name').Build;
  finally
    Builder.Free;
  end;
end;

function OrderListSql(AStatusFilter: Boolean; AMaxRows: Integer): string;
var
  Builder: TSqlBuilder;
begin
  Builder := TSqlBuilder.Create('orders');
  Builder.Select(['order_id', 'customer_id', 'status', 'total_amount']);
  if AStatusFilter then
    Builder.Where('status = :status');
  if AMaxRows <= 0 then
    Exit(Builder.OrderBy('created_at', True).Build);
  Builder.Limit(AMaxRows);
  Result := Builder.OrderBy('created_at', True).Build;
end;

function CountSql(const ATable, ACondition: string): string;
begin
  with TSqlBuilder.From(ATable) do
  try
    Select(['count(*)']);
    if ACondition <> '' then
      Where(ACondition);
    Result := Build;
  finally
    Free;
  end;
end;

end.
