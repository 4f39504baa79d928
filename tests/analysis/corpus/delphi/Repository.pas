unit Repository;

{ Generic in-memory repositories with an optional file-backed variant.
  Entities are created through the parameterless constructor constraint. }

interface

uses
  System.SysUtils, System.Classes, System.IOUtils,
  System.Generics.Collections, System.Generics.Defaults;

type
  TEntity = class
  private
    FId: Integer;
    FDirty: Boolean;
  public
    constructor Create; virtual;
    procedure LoadFrom(AValues: TStrings); virtual; abstract;
    procedure SaveTo(AValues: TStrings); virtual; abstract;
    property Id: Integer read FId write FId;
    property Dirty: Boolean read FDirty write FDirty;
  end;

  TEntityClass = class of TEntity;

  TEntityRegistry = class
  private
    class var FClasses: TDictionary<string, TEntityClass>;
  public
    class constructor Create;
    class destructor Destroy;
    class procedure Register(AClass: TEntityClass);
    class function Lookup(const AName: string): TEntityClass;
  end;

  TRepository<T: class, constructor> = class
  private
    FItems: TObjectDictionary<Integer, T>;
    FNextId: Integer;
    FOnChange: TNotifyEvent;
  protected
    procedure Changed;
    procedure Store(AId: Integer; AItem: T);
  public
    constructor Create;
    destructor Destroy; override;
    function New(out AId: Integer): T;
    function Get(AId: Integer): T;
    function TryGet(AId: Integer; out AItem: T): Boolean;
    procedure Delete(AId: Integer);
    function Count: Integer;
    function EntityName: string;
    function Where(const APred: TPredicate<T>): TList<T>;
    property OnChange: TNotifyEvent read FOnChange write FOnChange;
  end;

  TFileRepository<T: TEntity, constructor> = class(TRepository<T>)
  private
    FDir: string;
    FBuffer: TStringList;
    FAutoFlush: Boolean;
    function FileNameFor(AId: Integer): string;
  public
    constructor Create(const ADir: string);
    destructor Destroy; override;
    function Load(AId: Integer): T;
    procedure Save(AItem: T);
    procedure FlushAll;
    property AutoFlush: Boolean read FAutoFlush write FAutoFlush;
  end;

implementation

{ TEntity }

constructor TEntity.Create;
begin
  inherited Create;
  FDirty := True;
end;

{ TEntityRegistry }

class constructor TEntityRegistry.Create;
begin
  FClasses := TDictionary<string, TEntityClass>.Create;
end;

class destructor TEntityRegistry.Destroy;
begin
  FClasses.Free;
end;

class procedure TEntityRegistry.Register(AClass: TEntityClass);
begin
  FClasses.AddOrSetValue(AClass.ClassName, AClass);
end;

class function TEntityRegistry.Lookup(const AName: string): TEntityClass;
begin
  if not FClasses.TryGetValue(AName, Result) then
    Result := nil;
end;

{ TRepository<T> }

constructor TRepository<T>.Create;
begin
  inherited Create;
  FItems := TObjectDictionary<Integer, T>.Create([doOwnsValues]);
  FNextId := 1;
end;

destructor TRepository<T>.Destroy;
begin
  FOnChange := nil;
  FItems.Free;
  inherited;
end;

procedure TRepository<T>.Changed;
begin
  if Assigned(FOnChange) then
    FOnChange(Self);
end;

procedure TRepository<T>.Store(AId: Integer; AItem: T);
begin
  FItems.AddOrSetValue(AId, AItem);
  if AId >= FNextId then
    FNextId := AId + 1;
  Changed;
end;

function TRepository<T>.New(out AId: Integer): T;
begin
  AId := FNextId;
  Result := T.Create;
  Store(AId, Result);
end;

function TRepository<T>.Get(AId: Integer): T;
begin
  if not FItems.TryGetValue(AId, Result) then
    raise EListError.CreateFmt('%s %d not found', [EntityName, AId]);
end;

function TRepository<T>.TryGet(AId: Integer; out AItem: T): Boolean;
begin
  Result := FItems.TryGetValue(AId, AItem);
end;

procedure TRepository<T>.Delete(AId: Integer);
begin
  if FItems.ContainsKey(AId) then
  begin
    FItems.Remove(AId);             // doOwnsValues: the item is freed here
    Changed;
  end;
end;

function TRepository<T>.Count: Integer;
begin
  Result := FItems.Count;
end;

function TRepository<T>.EntityName: string;
var
  Probe: T;
begin
  Probe := T.Create;
  Result := Probe.ClassName;
  if Result.StartsWith('T') then
    Result := Result.Substring(1);
end;

function TRepository<T>.Where(const APred: TPredicate<T>): TList<T>;
var
  Item: T;
begin
  Result := TList<T>.Create;
  try
    for Item in FItems.Values do
      if APred(Item) then
        Result.Add(Item);
  except
    Result.Free;
    raise;
  end;
end;

{ TFileRepository<T> }

constructor TFileRepository<T>.Create(const ADir: string);
begin
  inherited Create;
  FDir := ADir;
  FBuffer := TStringList.Create;
  ForceDirectories(FDir);
end;

destructor TFileRepository<T>.Destroy;
begin
  if FAutoFlush then
    FlushAll;
  FBuffer.Free;
end;

function TFileRepository<T>.FileNameFor(AId: Integer): string;
begin
  Result := TPath.Combine(FDir, Format('%s_%d.txt', [EntityName, AId]));
end;

function TFileRepository<T>.Load(AId: Integer): T;
var
  Item: T;
begin
  if TryGet(AId, Result) then
    Exit;
  FBuffer.Clear;
  FBuffer.LoadFromFile(FileNameFor(AId));
  Item := T.Create;
  try
    Item.LoadFrom(FBuffer);
    Item.Id := AId;
    Item.Dirty := False;
  except
    Item.Free;
    raise;
  end;
  Store(AId, Item);
  Result := Item;
end;

procedure TFileRepository<T>.Save(AItem: T);
var
  Values: TStringList;
begin
  Values := TStringList.Create;
  try
    AItem.SaveTo(Values);
    Values.SaveToFile(FileNameFor(AItem.Id), TEncoding.UTF8);
    AItem.Dirty := False;
  finally
    Values.Free;
  end;
end;

procedure TFileRepository<T>.FlushAll;
var
  Pair: TPair<Integer, T>;
begin
  for Pair in FItems do
    if Pair.Value.Dirty then
      Save(Pair.Value);
end;

end.
