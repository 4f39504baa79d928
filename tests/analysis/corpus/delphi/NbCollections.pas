{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbCollections.pas - thread aware owned lists, keyed registries and a
  small intrusive queue used by the data and logging layers

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbCollections;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  SysUtils, Classes, SyncObjs,
  Generics.Defaults, Generics.Collections;

type
  TNbNamedItem = class
  private
    FName: string;
    FTag: NativeInt;
  public
    constructor Create(const AName: string; ATag: NativeInt = 0);
    property Name: string read FName;
    property Tag: NativeInt read FTag write FTag;
  end;

  TNbItemList = class(TObjectList<TNbNamedItem>)
  private
    FLock: TCriticalSection;
    FIndex: TDictionary<string, TNbNamedItem>;
    FSorted: Boolean;
  protected
    procedure Notify(const Item: TNbNamedItem; Action: TCollectionNotification); override;
  public
    constructor Create(AOwnsObjects: Boolean = True);
    destructor Destroy; override;
    function AddNamed(const AName: string; ATag: NativeInt = 0): TNbNamedItem;
    function Find(const AName: string): TNbNamedItem;
    function Extract(const Value: TNbNamedItem): TNbNamedItem; reintroduce;
    procedure Lock;
    procedure Unlock;
    property Sorted: Boolean read FSorted write FSorted;
  end;

  TNbRegistry = class
  private
    class var FDefault: TNbRegistry;
    FItems: TObjectDictionary<string, TNbNamedItem>;
    FAliases: TDictionary<string, string>;
  public
    class constructor CreateDefault;
    class destructor DestroyDefault;
    constructor Create;
    destructor Destroy; override;
    procedure RegisterItem(const AName: string; ATag: NativeInt);
    procedure RegisterAlias(const AAlias, AName: string);
    function Resolve(const AName: string): TNbNamedItem;
    function SnapshotNames: TStrings;
    class property Default: TNbRegistry read FDefault;
  end;

  PNbQueueNode = ^TNbQueueNode;
  TNbQueueNode = record
    Data: Pointer;
    Next: PNbQueueNode;
  end;

  TNbLinkedNode = class
  public
    Value: TObject;
    Next: TNbLinkedNode;
  end;

  TNbObjectQueue = class
  private
    FHead: TNbLinkedNode;
    FTail: TNbLinkedNode;
    FCount: Integer;
    FOwnsObjects: Boolean;
  public
    constructor Create(AOwnsObjects: Boolean);
    destructor Destroy; override;
    procedure Push(AValue: TObject);
    function Pop: TObject;
    procedure Clear;
    property Count: Integer read FCount;
  end;

  TNbSyncStringList = class(TStringList)
  private
    FLock: TCriticalSection;
  public
    constructor Create;
    destructor Destroy; override;
    function Add(const S: string): Integer; override;
    procedure Delete(Index: Integer); override;
    procedure Assign(Source: TPersistent); override;
  end;

implementation

{$REGION 'TNbNamedItem'}

constructor TNbNamedItem.Create(const AName: string; ATag: NativeInt);
begin
  inherited Create;
  FName := AName;
  FTag := ATag;
end;

{$ENDREGION}

{$REGION 'TNbItemList'}

constructor TNbItemList.Create(AOwnsObjects: Boolean);
begin
  inherited Create(AOwnsObjects);
  FLock := TCriticalSection.Create;
  FIndex := TDictionary<string, TNbNamedItem>.Create;
end;

destructor TNbItemList.Destroy;
begin
  Lock;
  try
    Clear;
  finally
    Unlock;
  end;
  inherited Destroy;
  FIndex.Free;
  FLock.Free;
end;

procedure TNbItemList.Notify(const Item: TNbNamedItem; Action: TCollectionNotification);
begin
  if Item <> nil then
    case Action of
      cnAdded:
        FIndex.AddOrSetValue(AnsiUpperCase(Item.Name), Item);
      cnRemoved, cnExtracted:
        FIndex.Remove(AnsiUpperCase(Item.Name));
    end;
  inherited Notify(Item, Action);
end;

function TNbItemList.AddNamed(const AName: string; ATag: NativeInt): TNbNamedItem;
var
  Item: TNbNamedItem;
begin
  Lock;
  try
    if FIndex.TryGetValue(AnsiUpperCase(AName), Result) then
      Exit;
    Item := TNbNamedItem.Create(AName, ATag);
    Add(Item);
    Result := Item;
  finally
    Unlock;
  end;
end;

function TNbItemList.Find(const AName: string): TNbNamedItem;
begin
  Lock;
  try
    if not FIndex.TryGetValue(AnsiUpperCase(AName), Result) then
      Result := nil;
  finally
    Unlock;
  end;
end;

function TNbItemList.Extract(const Value: TNbNamedItem): TNbNamedItem;
begin
  Lock;
  try
    Result := inherited Extract(Value);
  finally
    Unlock;
  end;
end;

procedure TNbItemList.Lock;
begin
  FLock.Acquire;
end;

procedure TNbItemList.Unlock;
begin
  FLock.Release;
end;

{$ENDREGION}

{$REGION 'TNbRegistry'}

class constructor TNbRegistry.CreateDefault;
begin
  FDefault := TNbRegistry.Create;
end;

class destructor TNbRegistry.DestroyDefault;
begin
  FreeAndNil(FDefault);
end;

constructor TNbRegistry.Create;
begin
  inherited Create;
  FItems := TObjectDictionary<string, TNbNamedItem>.Create([doOwnsValues]);
  FAliases := TDictionary<string, string>.Create;
end;

destructor TNbRegistry.Destroy;
begin
  TMonitor.Enter(Self);
  try
    FreeAndNil(FAliases);
    FreeAndNil(FItems);
  finally
    TMonitor.Exit(Self);
  end;
  inherited;
end;

procedure TNbRegistry.RegisterItem(const AName: string; ATag: NativeInt);
var
  Item: TNbNamedItem;
begin
  Item := TNbNamedItem.Create(AName, ATag);
  TMonitor.Enter(Self);
  try
    FItems.AddOrSetValue(AnsiUpperCase(AName), Item);
  finally
    TMonitor.Exit(Self);
  end;
end;

procedure TNbRegistry.RegisterAlias(const AAlias, AName: string);
begin
  TMonitor.Enter(Self);
  try
    FAliases.AddOrSetValue(AnsiUpperCase(AAlias), AnsiUpperCase(AName));
  finally
    TMonitor.Exit(Self);
  end;
end;

function TNbRegistry.Resolve(const AName: string): TNbNamedItem;
var
  Key, Target: string;
begin
  Key := AnsiUpperCase(AName);
  TMonitor.Enter(Self);
  try
    if FAliases.TryGetValue(Key, Target) then
      Key := Target;
    if not FItems.TryGetValue(Key, Result) then
      Result := nil;
  finally
    TMonitor.Exit(Self);
  end;
end;

function TNbRegistry.SnapshotNames: TStrings;
var
  Names: TStringList;
  Key: string;
begin
  Names := TStringList.Create;
  try
    Names.Sorted := True;
    Names.Duplicates := dupIgnore;
    TMonitor.Enter(Self);
    try
      for Key in FItems.Keys do
        Names.Add(FItems[Key].Name);
    finally
      TMonitor.Exit(Self);
    end;
  except
    Names.Free;
    raise;
  end;
  Result := Names;
end;

{$ENDREGION}

{$REGION 'TNbObjectQueue'}

constructor TNbObjectQueue.Create(AOwnsObjects: Boolean);
begin
  inherited Create;
  FOwnsObjects := AOwnsObjects;
end;

destructor TNbObjectQueue.Destroy;
begin
  if FOwnsObjects then
    Clear
  else
    while FHead <> nil do
      Pop;
  inherited Destroy;
end;

procedure TNbObjectQueue.Push(AValue: TObject);
var
  Node: TNbLinkedNode;
begin
  Node := TNbLinkedNode.Create;
  Node.Value := AValue;
  if FTail = nil then
    FHead := Node
  else
    FTail.Next := Node;
  FTail := Node;
  Inc(FCount);
end;

function TNbObjectQueue.Pop: TObject;
var
  Node: TNbLinkedNode;
begin
  Node := FHead;
  if Node = nil then
    Exit(nil);
  FHead := Node.Next;
  if FHead = nil then
    FTail := nil;
  Result := Node.Value;
  Node.Free;
  Dec(FCount);
end;

procedure TNbObjectQueue.Clear;
var
  Obj: TObject;
begin
  while FHead <> nil do
  begin
    Obj := Pop;
    if FOwnsObjects then
      Obj.Free;
  end;
end;

{$ENDREGION}

{$REGION 'TNbSyncStringList'}

constructor TNbSyncStringList.Create;
begin
  FLock := TCriticalSection.Create;
  inherited Create;
  OwnsObjects := False;
end;

destructor TNbSyncStringList.Destroy;
begin
  FLock.Acquire;
  try
    Clear;
  finally
    FLock.Release;
  end;
  FreeAndNil(FLock);
  inherited Destroy;
end;

function TNbSyncStringList.Add(const S: string): Integer;
begin
  FLock.Acquire;
  try
    Result := inherited Add(S);
  finally
    FLock.Release;
  end;
end;

procedure TNbSyncStringList.Delete(Index: Integer);
begin
  FLock.Acquire;
  try
    inherited Delete(Index);
  finally
    FLock.Release;
  end;
end;

procedure TNbSyncStringList.Assign(Source: TPersistent);
begin
  FLock.Acquire;
  try
    BeginUpdate;
    try
      inherited Assign(Source);
    finally
      EndUpdate;
    end;
  finally
    FLock.Release;
  end;
end;

{$ENDREGION}

end.
