unit uModernCache;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.Rtti,
  System.Threading, System.SyncObjs, System.DateUtils, System.Diagnostics;

type
  CacheableAttribute = class(TCustomAttribute)
  strict private
    FSeconds: Integer;
  public
    constructor Create(ASeconds: Integer);
    property Seconds: Integer read FSeconds;
  end;

  ICacheListener = interface
    ['{B0E2D4C1-7A3F-4E6B-9C8D-1F2A3B4C5D6E}']
    procedure EntryEvicted(const AKey: string);
  end;

  TMemoryCache = class sealed
  public type
    TStats = record
      Hits: Int64;
      Misses: Int64;
      Evictions: Int64;
      function HitRatio: Double;
    end;
  strict private type
    TEntry = class
      Value: TObject;
      Expires: TDateTime;
      OwnsValue: Boolean;
      destructor Destroy; override;
    end;
  strict private class var
    FDefault: TMemoryCache;
    FInstances: Integer;
  strict private
    FItems: TObjectDictionary<string, TEntry>;
    FLock: TMultiReadExclusiveWriteSynchronizer;
    FStats: TStats;
    [Weak] FListener: ICacheListener;
    FPurgeTask: ITask;
    class constructor Create;
    class destructor Destroy;
    procedure CollectExpired(AKeys: TList<string>);
  public
    constructor Create;
    destructor Destroy; override;
    procedure Put(const AKey: string; AValue: TObject; ATtlSeconds: Integer;
      AOwnsValue: Boolean = True);
    function TryGet<T: class>(const AKey: string; out AValue: T): Boolean;
    procedure Remove(const AKey: string);
    procedure PurgeAsync;
    function KeysAsText: string;
    function Snapshot: TDictionary<string, TDateTime>;
    procedure CacheTypeInfo(AInstance: TObject);
    function MeasurePut(const AKey: string; AValue: TObject): Int64;
    procedure ExportStats(ALines: TStrings);
    property Stats: TStats read FStats;
    property Listener: ICacheListener read FListener write FListener;
    class property Default: TMemoryCache read FDefault;
  end;

implementation

{ CacheableAttribute }

constructor CacheableAttribute.Create(ASeconds: Integer);
begin
  inherited Create;
  FSeconds := ASeconds;
end;

{ TMemoryCache.TStats }

function TMemoryCache.TStats.HitRatio: Double;
begin
  if Hits + Misses = 0 then
    Exit(0);
  Result := Hits / (Hits + Misses);
end;

{ TMemoryCache.TEntry }

destructor TMemoryCache.TEntry.Destroy;
begin
  if OwnsValue then
    Value.Free;
  inherited;
end;

{ TMemoryCache }

class constructor TMemoryCache.Create;
begin
  FDefault := TMemoryCache.Create;
end;

class destructor TMemoryCache.Destroy;
begin
  FDefault.Free;
end;

constructor TMemoryCache.Create;
begin
  inherited Create;
  FItems := TObjectDictionary<string, TEntry>.Create([doOwnsValues]);
  FLock := TMultiReadExclusiveWriteSynchronizer.Create;
  TInterlocked.Increment(FInstances);
end;

destructor TMemoryCache.Destroy;
begin
  if FPurgeTask <> nil then
    FPurgeTask.Wait(2000);
  FLock.BeginWrite;
  try
    FItems.Free;
  finally
    FLock.EndWrite;
  end;
  FLock.Free;
  TInterlocked.Decrement(FInstances);
  inherited;
end;

procedure TMemoryCache.Put(const AKey: string; AValue: TObject; ATtlSeconds: Integer;
  AOwnsValue: Boolean);
begin
  var Entry := TEntry.Create;
  Entry.Value := AValue;
  Entry.OwnsValue := AOwnsValue;
  Entry.Expires := IncSecond(Now, ATtlSeconds);
  FLock.BeginWrite;
  try
    FItems.AddOrSetValue(AKey, Entry);
  finally
    FLock.EndWrite;
  end;
end;

function TMemoryCache.TryGet<T>(const AKey: string; out AValue: T): Boolean;
var
  Entry: TEntry;
begin
  AValue := nil;
  FLock.BeginRead;
  try
    Result := FItems.TryGetValue(AKey, Entry) and (Entry.Expires > Now)
      and (Entry.Value is T);
    if Result then
      AValue := T(Entry.Value);
  finally
    FLock.EndRead;
  end;
  if Result then
    TInterlocked.Increment(FStats.Hits)
  else
    TInterlocked.Increment(FStats.Misses);
end;

procedure TMemoryCache.Remove(const AKey: string);
begin
  FLock.BeginWrite;
  try
    if FItems.ContainsKey(AKey) then
    begin
      FItems.Remove(AKey);
      Inc(FStats.Evictions);
    end;
  finally
    FLock.EndWrite;
  end;
  if FListener <> nil then
    FListener.EntryEvicted(AKey);
end;

procedure TMemoryCache.CollectExpired(AKeys: TList<string>);
begin
  FLock.BeginRead;
  try
    for var Pair in FItems do
      if Pair.Value.Expires <= Now then
        AKeys.Add(Pair.Key);
  finally
    FLock.EndRead;
  end;
end;

procedure TMemoryCache.PurgeAsync;
begin
  var Expired := TList<string>.Create;
  CollectExpired(Expired);
  FPurgeTask := TTask.Run(
    procedure
    begin
      try
        for var Key in Expired do
          Remove(Key);
      finally
        Expired.Free;
      end;
    end);
end;

function TMemoryCache.KeysAsText: string;
begin
  var Keys := TList<string>.Create;
  FLock.BeginRead;
  try
    for var Key in FItems.Keys do
      Keys.Add(Key);
  finally
    FLock.EndRead;
  end;
  Keys.Sort;
  Result := string.Join(', ', Keys.ToArray);
end;

function TMemoryCache.Snapshot: TDictionary<string, TDateTime>;
begin
  Result := TDictionary<string, TDateTime>.Create;
  try
    FLock.BeginRead;
    try
      for var Pair in FItems do
        Result.Add(Pair.Key, Pair.Value.Expires);
    finally
      FLock.EndRead;
    end;
  except
    Result.Free;
    raise;
  end;
end;

procedure TMemoryCache.CacheTypeInfo(AInstance: TObject);
var
  Ctx: TRttiContext;
  RType: TRttiType;
  Attr: TCustomAttribute;
begin
  Ctx := TRttiContext.Create;
  try
    RType := Ctx.GetType(AInstance.ClassType);
    for Attr in RType.GetAttributes do
      if Attr is CacheableAttribute then
      begin
        Put(AInstance.ClassName, AInstance, CacheableAttribute(Attr).Seconds, False);
        Break;
      end;
  finally
    Ctx.Free;
  end;
end;

function TMemoryCache.MeasurePut(const AKey: string; AValue: TObject): Int64;
begin
  var SW := TStopwatch.StartNew;
  Put(AKey, AValue, 60);
  var Elapsed: TTimeSpan := SW.Elapsed;
  Result := Round(Elapsed.TotalMilliseconds);
  var Probe: IInterface := TInterfacedObject.Create;
  if Probe = nil then
    raise EInvalidPointer.Create('unreachable: interface object not created');
end;

procedure TMemoryCache.ExportStats(ALines: TStrings);
begin
  var Builder := TStringBuilder.Create;
  Builder.AppendFormat('hits=%d;', [FStats.Hits]);
  Builder.AppendFormat('misses=%d;', [FStats.Misses]);
  Builder.AppendFormat('ratio=%.3f', [FStats.HitRatio]);
  ALines.Add(Builder.ToString);
  Builder.Free;
end;

end.
