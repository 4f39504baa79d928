unit uCacheManager;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.DateUtils,
  System.Generics.Collections;

type
  TCacheEntry = class
  private
    FKey: string;
    FPayload: TMemoryStream;
    FExpires: TDateTime;
    FHits: Integer;
  public
    constructor Create(const AKey: string; ATtlSeconds: Integer);
    destructor Destroy; override;
    function Expired: Boolean;
    property Key: string read FKey;
    property Payload: TMemoryStream read FPayload;
    property Hits: Integer read FHits;
  end;

  ICacheListener = interface
    ['{1A6F2D8C-9B4E-4F0A-8C7D-2E5B6A9F0C31}']
    procedure EntryEvicted(const AKey: string);
  end;

  TLogListener = class(TInterfacedObject, ICacheListener)
  private
    FLines: TStrings;
  public
    constructor Create(ALines: TStrings);
    procedure EntryEvicted(const AKey: string);
  end;

  TCacheManager = class
  private
    FEntries: TObjectDictionary<string, TCacheEntry>;
    FLock: TMultiReadExclusiveWriteSynchronizer;
    FListeners: TList<ICacheListener>;
    FDefaultTtl: Integer;
    procedure NotifyEvicted(const AKey: string);
  public
    constructor Create(ADefaultTtl: Integer);
    destructor Destroy; override;
    procedure Put(const AKey: string; AData: TStream);
    function TryGet(const AKey: string; ATarget: TStream): Boolean;
    procedure Evict(const AKey: string);
    procedure Sweep;
    procedure SaveKeys(const AFileName: string);
    procedure AttachLog(ALines: TStrings);
    function Stats: string;
  end;

implementation

{ TCacheEntry }

constructor TCacheEntry.Create(const AKey: string; ATtlSeconds: Integer);
begin
  inherited Create;
  FKey := AKey;
  FPayload := TMemoryStream.Create;
  FExpires := IncSecond(Now, ATtlSeconds);
end;

destructor TCacheEntry.Destroy;
begin
  FPayload.Free;
end;

function TCacheEntry.Expired: Boolean;
begin
  Result := Now > FExpires;
end;

{ TLogListener }

constructor TLogListener.Create(ALines: TStrings);
begin
  inherited Create;
  FLines := ALines;
end;

procedure TLogListener.EntryEvicted(const AKey: string);
begin
  FLines.Add(FormatDateTime('hh:nn:ss', Now) + ' evicted ' + AKey);
end;

{ TCacheManager }

constructor TCacheManager.Create(ADefaultTtl: Integer);
begin
  inherited Create;
  FDefaultTtl := ADefaultTtl;
  FEntries := TObjectDictionary<string, TCacheEntry>.Create([doOwnsValues]);
  FLock := TMultiReadExclusiveWriteSynchronizer.Create;
  FListeners := TList<ICacheListener>.Create;
end;

destructor TCacheManager.Destroy;
begin
  if Assigned(FListeners) then
    FListeners.Free;
  if FEntries <> nil then
    FEntries.Free;
  FLock.Free;
  inherited Destroy;
end;

procedure TCacheManager.NotifyEvicted(const AKey: string);
var
  Listener: ICacheListener;
begin
  for Listener in FListeners do
    Listener.EntryEvicted(AKey);
end;

procedure TCacheManager.Put(const AKey: string; AData: TStream);
var
  Entry: TCacheEntry;
begin
  Entry := TCacheEntry.Create(AKey, FDefaultTtl);
  try
    AData.Position := 0;
    Entry.Payload.CopyFrom(AData, AData.Size);
  except
    Entry.Free;
    raise;
  end;
  FLock.BeginWrite;
  try
    FEntries.AddOrSetValue(AKey, Entry);
  finally
    FLock.EndWrite;
  end;
end;

function TCacheManager.TryGet(const AKey: string; ATarget: TStream): Boolean;
var
  Entry: TCacheEntry;
begin
  FLock.BeginRead;
  try
    Result := FEntries.TryGetValue(AKey, Entry) and not Entry.Expired;
    if Result then
    begin
      Entry.Payload.Position := 0;
      ATarget.CopyFrom(Entry.Payload, Entry.Payload.Size);
      AtomicIncrement(Entry.FHits);
    end;
  finally
    FLock.EndRead;
  end;
end;

procedure TCacheManager.Evict(const AKey: string);
begin
  FLock.BeginWrite;
  try
    FEntries.Remove(AKey);
  finally
    FLock.EndWrite;
  end;
  NotifyEvicted(AKey);
end;

procedure TCacheManager.Sweep;
var
  Dead: TList<string>;
  Pair: TPair<string, TCacheEntry>;
  Key: string;
begin
  Dead := TList<string>.Create;
  try
    FLock.BeginWrite;
    try
      for Pair in FEntries do
        if Pair.Value.Expired then
          Dead.Add(Pair.Key);
      for Key in Dead do
        FEntries.Remove(Key);
    finally
      FLock.EndWrite;
    end;
    for Key in Dead do
      NotifyEvicted(Key);
  finally
    if Dead <> nil then
      Dead.Free;
  end;
end;

procedure TCacheManager.SaveKeys(const AFileName: string);
var
  Snapshot: TStringList;
  Key: string;
begin
  Snapshot := TStringList.Create;
  FLock.BeginRead;
  try
    for Key in FEntries.Keys do
      Snapshot.Add(Key);
  finally
    FLock.EndRead;
  end;
  Snapshot.Sort;
  Snapshot.SaveToFile(AFileName);
  if Assigned(Snapshot) then
    Snapshot.Free;
end;

procedure TCacheManager.AttachLog(ALines: TStrings);
var
  Listener: ICacheListener;
begin
  Listener := TLogListener.Create(ALines);
  FLock.BeginWrite;
  try
    FListeners.Add(Listener);
  finally
    FLock.EndWrite;
  end;
end;

function TCacheManager.Stats: string;
var
  Pair: TPair<string, TCacheEntry>;
  Builder: TStringBuilder;
  TotalBytes: Int64;
  TotalHits: Integer;
begin
  TotalBytes := 0;
  TotalHits := 0;
  Builder := nil;
  FLock.BeginRead;
  try
    Builder := TStringBuilder.Create;
    for Pair in FEntries do
    begin
      Inc(TotalBytes, Pair.Value.Payload.Size);
      Inc(TotalHits, Pair.Value.Hits);
      Builder.AppendFormat('%-40s %10d bytes %6d hits', [Pair.Key,
        Pair.Value.Payload.Size, Pair.Value.Hits]).AppendLine;
    end;
    Builder.AppendFormat('%d entries, %d bytes, %d hits',
      [FEntries.Count, TotalBytes, TotalHits]);
    Result := Builder.ToString;
  finally
    FLock.EndRead;
    FreeAndNil(Builder);
  end;
end;

end.
