{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbInterfaces.pas - reference counted services, the service locator and
  the small observer protocol used between Nimbus components

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbInterfaces;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  SysUtils, Classes, SyncObjs, Generics.Collections;

type
  INbObserver = interface
    ['{6B0E2C51-3F0B-4C7A-9E0D-5A1B7C2D8E11}']
    procedure Changed(const ASubject: IInterface; AKind: Integer);
  end;

  INbSubject = interface
    ['{6B0E2C51-3F0B-4C7A-9E0D-5A1B7C2D8E12}']
    procedure Attach(const AObserver: INbObserver);
    procedure Detach(const AObserver: INbObserver);
    procedure Notify(AKind: Integer);
  end;

  INbNameList = interface
    ['{6B0E2C51-3F0B-4C7A-9E0D-5A1B7C2D8E13}']
    function Count: Integer;
    function Get(Index: Integer): string;
    procedure Add(const AName: string);
    function Joined(const ASeparator: string): string;
  end;

  TNbSubject = class(TInterfacedObject, INbSubject)
  private
    FObservers: TList<Pointer>;
    FLock: TCriticalSection;
    FNotifying: Integer;
  public
    constructor Create;
    destructor Destroy; override;
    procedure AfterConstruction; override;
    procedure BeforeDestruction; override;
    procedure Attach(const AObserver: INbObserver);
    procedure Detach(const AObserver: INbObserver);
    procedure Notify(AKind: Integer);
    class function New: INbSubject;
  end;

  TNbNameEnumerator = class
  private
    FList: TStrings;
    FIndex: Integer;
  public
    constructor Create(AList: TStrings);
    function MoveNext: Boolean;
    function Current: string;
  end;

  TNbNameList = class(TInterfacedObject, INbNameList)
  private
    FNames: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    function Count: Integer;
    function Get(Index: Integer): string;
    procedure Add(const AName: string);
    function Joined(const ASeparator: string): string;
    function LongestName: string;
    class function New(const ANames: array of string): INbNameList;
  end;

  { Aggregated object: delegates reference counting to its controller }
  TNbContainedObserver = class(TObject, IInterface, INbObserver)
  private
    {$IF CompilerVersion >= 31}[Weak]{$IFEND} FController: IInterface;
    FOnChanged: TNotifyEvent;
  protected
    function QueryInterface(const IID: TGUID; out Obj): HResult; stdcall;
    function _AddRef: Integer; stdcall;
    function _Release: Integer; stdcall;
  public
    constructor Create(const AController: IInterface);
    procedure Changed(const ASubject: IInterface; AKind: Integer);
    property OnChanged: TNotifyEvent read FOnChanged write FOnChanged;
  end;

  TNbServiceLocator = class
  private
    class var FServices: TDictionary<TGUID, IInterface>;
    class var FLock: TCriticalSection;
  public
    class procedure Initialize;
    class procedure Finalize;
    class procedure Register(const IID: TGUID; const AService: IInterface);
    class function TryResolve(const IID: TGUID; out AService): Boolean;
    class function DefaultNames: INbNameList;
  end;

implementation

{$REGION 'TNbSubject'}

constructor TNbSubject.Create;
begin
  inherited Create;
  FObservers := TList<Pointer>.Create;
  FLock := TCriticalSection.Create;
end;

destructor TNbSubject.Destroy;
begin
  FreeAndNil(FObservers);
  FreeAndNil(FLock);
  inherited Destroy;
end;

procedure TNbSubject.AfterConstruction;
begin
  inherited AfterConstruction;
  FObservers.Capacity := 4;
end;

procedure TNbSubject.BeforeDestruction;
begin
  if FNotifying > 0 then
    raise EInvalidOperation.Create('Subject destroyed while notifying');
  inherited BeforeDestruction;
end;

class function TNbSubject.New: INbSubject;
begin
  Result := TNbSubject.Create;
end;

procedure TNbSubject.Attach(const AObserver: INbObserver);
begin
  FLock.Acquire;
  try
    if FObservers.IndexOf(Pointer(AObserver)) < 0 then
      FObservers.Add(Pointer(AObserver));
  finally
    FLock.Release;
  end;
end;

procedure TNbSubject.Detach(const AObserver: INbObserver);
begin
  FLock.Acquire;
  try
    FObservers.Remove(Pointer(AObserver));
  finally
    FLock.Release;
  end;
end;

procedure TNbSubject.Notify(AKind: Integer);
var
  Snapshot: TArray<Pointer>;
  P: Pointer;
  Self_: IInterface;
begin
  FLock.Acquire;
  try
    Snapshot := FObservers.ToArray;
  finally
    FLock.Release;
  end;
  Self_ := Self;
  Inc(FNotifying);
  try
    for P in Snapshot do
      INbObserver(P).Changed(Self_, AKind);
  finally
    Dec(FNotifying);
  end;
end;

{$ENDREGION}

{$REGION 'TNbNameEnumerator'}

constructor TNbNameEnumerator.Create(AList: TStrings);
begin
  inherited Create;
  FList := AList;
  FIndex := -1;
end;

function TNbNameEnumerator.MoveNext: Boolean;
begin
  Inc(FIndex);
  Result := FIndex < FList.Count;
end;

function TNbNameEnumerator.Current: string;
begin
  Result := FList[FIndex];
end;

{$ENDREGION}

{$REGION 'TNbNameList'}

constructor TNbNameList.Create;
begin
  inherited Create;
  FNames := TStringList.Create;
  FNames.CaseSensitive := False;
end;

destructor TNbNameList.Destroy;
begin
  FNames.Free;
  inherited;
end;

class function TNbNameList.New(const ANames: array of string): INbNameList;
var
  List: TNbNameList;
  S: string;
begin
  List := TNbNameList.Create;
  Result := List;
  for S in ANames do
    List.Add(S);
end;

function TNbNameList.Count: Integer;
begin
  Result := FNames.Count;
end;

function TNbNameList.Get(Index: Integer): string;
begin
  Result := FNames[Index];
end;

procedure TNbNameList.Add(const AName: string);
begin
  if FNames.IndexOf(AName) < 0 then
    FNames.Add(AName);
end;

function TNbNameList.Joined(const ASeparator: string): string;
var
  Builder: TStringBuilder;
  I: Integer;
begin
  Builder := TStringBuilder.Create;
  try
    for I := 0 to FNames.Count - 1 do
    begin
      if I > 0 then
        Builder.Append(ASeparator);
      Builder.Append(FNames[I]);
    end;
    Result := Builder.ToString;
  finally
    Builder.Free;
  end;
end;

function TNbNameList.LongestName: string;
var
  Enum: TNbNameEnumerator;
begin
  Result := '';
  Enum := TNbNameEnumerator.Create(FNames);
  while Enum.MoveNext do
    if Length(Enum.Current) > Length(Result) then
      Result := Enum.Current;
end;

{$ENDREGION}

{$REGION 'TNbContainedObserver'}

constructor TNbContainedObserver.Create(const AController: IInterface);
begin
  inherited Create;
  FController := AController;
end;

function TNbContainedObserver.QueryInterface(const IID: TGUID; out Obj): HResult;
begin
  if GetInterface(IID, Obj) then
    Result := S_OK
  else
    Result := E_NOINTERFACE;
end;

function TNbContainedObserver._AddRef: Integer;
begin
  if FController <> nil then
    Result := FController._AddRef
  else
    Result := -1;
end;

function TNbContainedObserver._Release: Integer;
begin
  if FController <> nil then
    Result := FController._Release
  else
    Result := -1;
end;

procedure TNbContainedObserver.Changed(const ASubject: IInterface; AKind: Integer);
begin
  if Assigned(FOnChanged) then
    FOnChanged(Self);
end;

{$ENDREGION}

{$REGION 'TNbServiceLocator'}

class procedure TNbServiceLocator.Initialize;
begin
  FLock := TCriticalSection.Create;
  FServices := TDictionary<TGUID, IInterface>.Create;
end;

class procedure TNbServiceLocator.Finalize;
begin
  FreeAndNil(FServices);
  FreeAndNil(FLock);
end;

class procedure TNbServiceLocator.Register(const IID: TGUID; const AService: IInterface);
begin
  FLock.Enter;
  try
    FServices.AddOrSetValue(IID, AService);
  finally
    FLock.Leave;
  end;
end;

class function TNbServiceLocator.TryResolve(const IID: TGUID; out AService): Boolean;
var
  Service: IInterface;
begin
  FLock.Enter;
  try
    Result := FServices.TryGetValue(IID, Service) and Supports(Service, IID, AService);
  finally
    FLock.Leave;
  end;
end;

class function TNbServiceLocator.DefaultNames: INbNameList;
var
  Names: INbNameList;
begin
  if TryResolve(INbNameList, Result) then
    Exit;
  Names := TNbNameList.Create;
  Names.Add('default');
  Register(INbNameList, Names);
  Result := Names;
end;

{$ENDREGION}

initialization
  TNbServiceLocator.Initialize;

finalization
  TNbServiceLocator.Finalize;

end.
