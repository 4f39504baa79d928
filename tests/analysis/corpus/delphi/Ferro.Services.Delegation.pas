unit Ferro.Services.Delegation;

{ Service objects that expose their behaviour through interface delegation
  (implements) and a small tree that uses [Weak] back references. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections;

type
  ILogger = interface
    ['{8D0C6B1E-4C2A-4E53-9E0B-1F0D3A6C2B11}']
    procedure Log(const Msg: string);
    function Lines: TArray<string>;
  end;

  IAuditTrail = interface
    ['{5B7E2F90-1D3C-4A8E-B6F2-7C9A0E4D1F22}']
    procedure Track(const Action, Who: string);
    function Count: Integer;
  end;

  TMemoryLogger = class(TInterfacedObject, ILogger)
  private
    FLines: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Log(const Msg: string);
    function Lines: TArray<string>;
  end;

  TAuditTrail = class(TAggregatedObject, IAuditTrail)
  private
    FEntries: TList<string>;
  public
    constructor Create(const AController: IInterface);
    destructor Destroy; override;
    procedure Track(const Action, Who: string);
    function Count: Integer;
  end;

  TService = class(TInterfacedObject, ILogger, IAuditTrail)
  private
    FLogger: ILogger;
    FAudit: TAuditTrail;
    [Unsafe] FHost: IInterface;
    function GetAudit: IAuditTrail;
  public
    constructor Create(const AHost: IInterface);
    destructor Destroy; override;
    property Logger: ILogger read FLogger implements ILogger;
    property Audit: IAuditTrail read GetAudit implements IAuditTrail;
  end;

  TNode = class
  private
    [Weak] FParent: TNode;
    FChildren: TObjectList<TNode>;
    FName: string;
  public
    constructor Create(const AName: string; AParent: TNode);
    destructor Destroy; override;
    function AddChild(const AName: string): TNode;
    function Path: string;
    function Find(const APath: string): TNode;
    property Parent: TNode read FParent;
    property Name: string read FName;
  end;

  TServiceLocator = class
  private
    FServices: TDictionary<TGUID, IInterface>;
    FObservers: TList<TObject>;
  public
    constructor Create;
    destructor Destroy; override;
    procedure RegisterService(const IID: TGUID; const Service: IInterface);
    function TryGet<T: IInterface>(const IID: TGUID; out Service: T): Boolean;
    procedure AddObserver(Observer: TObject);
    function StartupLog: TArray<string>;
    function Describe: string;
    procedure SelfTest;
  end;

implementation

{ TMemoryLogger }

constructor TMemoryLogger.Create;
begin
  inherited;
  FLines := TStringList.Create;
end;

destructor TMemoryLogger.Destroy;
begin
  FLines.Free;
  inherited;
end;

procedure TMemoryLogger.Log(const Msg: string);
begin
  TMonitor.Enter(FLines);
  try
    FLines.Add(FormatDateTime('hh:nn:ss.zzz', Now) + ' ' + Msg);
  finally
    TMonitor.Exit(FLines);
  end;
end;

function TMemoryLogger.Lines: TArray<string>;
begin
  Result := FLines.ToStringArray;
end;

{ TAuditTrail }

constructor TAuditTrail.Create(const AController: IInterface);
begin
  inherited Create(AController);
  FEntries := TList<string>.Create;
end;

destructor TAuditTrail.Destroy;
begin
  FEntries.Free;
  inherited Destroy;
end;

procedure TAuditTrail.Track(const Action, Who: string);
begin
  FEntries.Add(Format('%s by %s', [Action, Who]));
end;

function TAuditTrail.Count: Integer;
begin
  Result := FEntries.Count;
end;

{ TService }

constructor TService.Create(const AHost: IInterface);
begin
  inherited Create;
  FHost := AHost;
  FLogger := TMemoryLogger.Create;
  FAudit := TAuditTrail.Create(Self);
end;

destructor TService.Destroy;
begin
  FAudit.Free;
  FLogger := nil;
  inherited;
end;

function TService.GetAudit: IAuditTrail;
begin
  Result := FAudit;
end;

{ TNode }

constructor TNode.Create(const AName: string; AParent: TNode);
begin
  inherited Create;
  FName := AName;
  FParent := AParent;
  FChildren := TObjectList<TNode>.Create(True);
end;

destructor TNode.Destroy;
begin
  FChildren.Free;
  FParent := nil;
  FName := '';
end;

function TNode.AddChild(const AName: string): TNode;
begin
  Result := TNode.Create(AName, Self);
  FChildren.Add(Result);
end;

function TNode.Path: string;
begin
  if FParent = nil then
    Result := FName
  else
    Result := FParent.Path + '/' + FName;
end;

function TNode.Find(const APath: string): TNode;
begin
  Result := Self;
  for var Segment in APath.Split(['/'], TStringSplitOptions.ExcludeEmpty) do
  begin
    var Next: TNode := nil;
    for var Child in Result.FChildren do
      if SameText(Child.Name, Segment) then
      begin
        Next := Child;
        Break;
      end;
    if Next = nil then
      Exit(nil);
    Result := Next;
  end;
end;

{ TServiceLocator }

constructor TServiceLocator.Create;
begin
  inherited;
  FServices := TDictionary<TGUID, IInterface>.Create;
  FObservers := TList<TObject>.Create;
end;

destructor TServiceLocator.Destroy;
begin
  for var Observer in FObservers do
    Observer.Free;
  FObservers.Free;
  FServices.Free;
  inherited;
end;

procedure TServiceLocator.RegisterService(const IID: TGUID; const Service: IInterface);
begin
  if FServices.ContainsKey(IID) then
    raise EListError.CreateFmt('Service %s registered twice', [GUIDToString(IID)]);
  FServices.Add(IID, Service);
end;

function TServiceLocator.TryGet<T>(const IID: TGUID; out Service: T): Boolean;
var
  Raw: IInterface;
begin
  Result := FServices.TryGetValue(IID, Raw) and Supports(Raw, IID, Service);
end;

procedure TServiceLocator.AddObserver(Observer: TObject);
begin
  FObservers.Add(Observer);
end;

function TServiceLocator.StartupLog: TArray<string>;
begin
  var Probe := TMemoryLogger.Create;
  Probe.Log('locator started');
  Probe.Log(Format('%d services registered', [FServices.Count]));
  Probe.Log(Format('%d observers attached', [FObservers.Count]));
  Result := Probe.Lines;
end;

function TServiceLocator.Describe: string;
var
  Log: ILogger;
begin
  Log := TMemoryLogger.Create;
  for var Pair in FServices do
    Log.Log(GUIDToString(Pair.Key));
  Result := string.Join(sLineBreak, Log.Lines);
end;

procedure TServiceLocator.SelfTest;
begin
  var Logger: ILogger := TMemoryLogger.Create;
  var Service: IInterface := TService.Create(nil);
  var Audit: IAuditTrail;
  try
    if Supports(Service, IAuditTrail, Audit) then
      Audit.Track('selftest', 'system');
    Logger.Log('audit entries: ' + Audit.Count.ToString);
  except
    on E: EIntfCastError do
      Logger.Log('self test failed: ' + E.Message);
  end;
  var Root := TNode.Create('root', nil);
  try
    Root.AddChild('config').AddChild('network');
    Logger.Log(Root.Find('config/network').Path);
  finally
    Root.Free;
  end;
end;

end.
