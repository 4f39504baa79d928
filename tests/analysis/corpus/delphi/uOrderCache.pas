unit uOrderCache;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Generics.Collections,
  System.Generics.Defaults, uOrder, uOrderRepository;

type
  TOrderCache = class
  private
    FOrders: TObjectDictionary<Integer, TOrder>;
    FRecent: TList<Integer>;
    FLock: TCriticalSection;
    FRepository: TOrderRepository;
    FCapacity: Integer;
    procedure Touch(AId: Integer);
    procedure EvictOldest;
  public
    constructor Create(ARepository: TOrderRepository; ACapacity: Integer = 500);
    destructor Destroy; override;
    function Get(AId: Integer): TOrder;
    procedure Invalidate(AId: Integer);
    function Snapshot: TArray<TOrder>;
    function SortedByTotal: TList<TOrder>;
  end;

implementation

constructor TOrderCache.Create(ARepository: TOrderRepository; ACapacity: Integer);
begin
  inherited Create;
  FRepository := ARepository;
  FCapacity := ACapacity;
  FOrders := TObjectDictionary<Integer, TOrder>.Create([doOwnsValues], ACapacity);
  FRecent := TList<Integer>.Create;
  FLock := TCriticalSection.Create;
end;

destructor TOrderCache.Destroy;
begin
  FLock.Acquire;
  try
    FOrders.Clear;
  finally
    FLock.Release;
  end;
  inherited;
  FreeAndNil(FOrders);
  FreeAndNil(FRecent);
  FreeAndNil(FLock);
end;

procedure TOrderCache.Touch(AId: Integer);
begin
  FRecent.Remove(AId);
  FRecent.Add(AId);
end;

procedure TOrderCache.EvictOldest;
begin
  if FRecent.Count = 0 then
    Exit;
  FOrders.Remove(FRecent[0]);
  FRecent.Delete(0);
end;

function TOrderCache.Get(AId: Integer): TOrder;
var
  Order: TOrder;
begin
  FLock.Acquire;
  try
    if not FOrders.TryGetValue(AId, Result) then
    begin
      Order := FRepository.FindById(AId);
      if FOrders.Count >= FCapacity then
        EvictOldest;
      FOrders.Add(AId, Order);
      Result := Order;
    end;
    Touch(AId);
  finally
    FLock.Release;
  end;
end;

procedure TOrderCache.Invalidate(AId: Integer);
begin
  FLock.Acquire;
  try
    FOrders.Remove(AId);
    FRecent.Remove(AId);
  finally
    FLock.Release;
  end;
end;

function TOrderCache.Snapshot: TArray<TOrder>;
var
  Copy: TOrder;
  Source: TOrder;
  Copies: TList<TOrder>;
begin
  Copies := TList<TOrder>.Create;
  try
    FLock.Acquire;
    try
      for Source in FOrders.Values do
      begin
        Copy := TOrder.Create;
        Copy.Assign(Source);
        Copies.Add(Copy);
      end;
    finally
      FLock.Release;
    end;
    Result := Copies.ToArray;
  finally
    Copies.Free;
  end;
end;

function TOrderCache.SortedByTotal: TList<TOrder>;
var
  Sorted: TList<TOrder>;
begin
  Sorted := TList<TOrder>.Create(TComparer<TOrder>.Construct(
    function(const L, R: TOrder): Integer
    begin
      if L.Total < R.Total then
        Result := -1
      else if L.Total > R.Total then
        Result := 1
      else
        Result := 0;
    end));
  FLock.Acquire;
  try
    Sorted.AddRange(FOrders.Values);
  finally
    FLock.Release;
  end;
  Sorted.Sort;
  Result := Sorted;
end;

end.
