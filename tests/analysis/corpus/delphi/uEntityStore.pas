unit uEntityStore;

interface

uses
  System.SysUtils, System.Classes, System.Rtti, System.Generics.Collections,
  System.Generics.Defaults, Data.DB;

type
  TEntity = class
  public
    Id: Int64;
    Version: Integer;
    procedure LoadFrom(ADataSet: TDataSet); virtual; abstract;
  end;

  TEntityClass = class of TEntity;

  TEntityStore<T: TEntity, constructor> = class
  private
    FItems: TObjectDictionary<Int64, T>;
    FDeleted: TList<Int64>;
    FComparer: IComparer<T>;
  public
    constructor Create;
    destructor Destroy; override;
    function Load(ADataSet: TDataSet): Integer;
    function Get(AId: Int64): T;
    function Detach(AId: Int64): T;
    function Sorted: TList<T>;
    procedure Delete(AId: Int64);
    function Clone(AId: Int64): T;
  end;

  TStoreRegistry = class
  private
    class var FStores: TDictionary<TEntityClass, TObject>;
  public
    class procedure Register(AClass: TEntityClass; AStore: TObject);
    class procedure ReleaseAll;
  end;

implementation

constructor TEntityStore<T>.Create;
begin
  inherited Create;
  FItems := TObjectDictionary<Int64, T>.Create([doOwnsValues]);
  FDeleted := TList<Int64>.Create;
  FComparer := TComparer<T>.Construct(
    function(const L, R: T): Integer
    begin
      Result := TComparer<Int64>.Default.Compare(L.Id, R.Id);
    end);
end;

destructor TEntityStore<T>.Destroy;
begin
  FDeleted.Free;
  FItems.Free;
  inherited;
end;

function TEntityStore<T>.Load(ADataSet: TDataSet): Integer;
var
  Item: T;
begin
  Result := 0;
  ADataSet.First;
  while not ADataSet.Eof do
  begin
    Item := T.Create;
    Item.LoadFrom(ADataSet);
    FItems.AddOrSetValue(Item.Id, Item);
    Inc(Result);
    ADataSet.Next;
  end;
end;

function TEntityStore<T>.Get(AId: Int64): T;
begin
  if not FItems.TryGetValue(AId, Result) then
    Result := nil;
end;

function TEntityStore<T>.Detach(AId: Int64): T;
var
  Pair: TPair<Int64, T>;
begin
  Pair := FItems.ExtractPair(AId);
  Result := Pair.Value;
end;

function TEntityStore<T>.Sorted: TList<T>;
var
  List: TList<T>;
begin
  List := TList<T>.Create(FComparer);
  List.AddRange(FItems.Values);
  List.Sort;
  Exit(List);
end;

procedure TEntityStore<T>.Delete(AId: Int64);
var
  Old: T;
begin
  Old := Detach(AId);
  if Old <> nil then
  begin
    FDeleted.Add(AId);
    Old.Free;
  end;
end;

function TEntityStore<T>.Clone(AId: Int64): T;
var
  Source, Copy: T;
  Context: TRttiContext;
  Field: TRttiField;
begin
  Source := Get(AId);
  if Source = nil then
    raise EArgumentOutOfRangeException.CreateFmt('No entity %d', [AId]);
  Copy := T.Create;
  Result := Copy;
  for Field in Context.GetType(T).GetFields do
    Field.SetValue(TObject(Copy), Field.GetValue(TObject(Source)));
  Copy.Id := 0;
end;

class procedure TStoreRegistry.Register(AClass: TEntityClass; AStore: TObject);
var
  Replaced: TObject;
begin
  if FStores = nil then
    FStores := TDictionary<TEntityClass, TObject>.Create;
  if FStores.TryGetValue(AClass, Replaced) then
    Replaced.Free;
  FStores.AddOrSetValue(AClass, AStore);
end;

class procedure TStoreRegistry.ReleaseAll;
var
  Store: TObject;
  Temp: TDictionary<TEntityClass, TObject>;
begin
  if FStores = nil then
    Exit;
  Temp := FStores;
  FStores := nil;
  try
    for Store in Temp.Values do
      Store.Free;
  finally
    Temp.Free;
  end;
end;

end.
