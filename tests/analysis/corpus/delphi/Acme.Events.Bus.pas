unit Acme.Events.Bus;

{ Publish/subscribe bus. Handlers are anonymous methods; cleanup is
  registered with a scope guard, like a C++ RAII helper. }

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Generics.Collections;

type
  TEventHandler = reference to procedure(const ATopic, APayload: string);

  IScopeExit = interface
    ['{5D4C3B2A-1908-4F7E-A6D5-C4B3A2918070}']
  end;

  TScopeExit = class(TInterfacedObject, IScopeExit)
  private
    FProc: TProc;
  public
    constructor Create(const AProc: TProc);
    destructor Destroy; override;
  end;

  TSubscription = class
  private
    FTopic: string;
    FHandler: TEventHandler;
    FHits: Integer;
  public
    constructor Create(const ATopic: string; const AHandler: TEventHandler);
    destructor Destroy; override;
    property Topic: string read FTopic;
  end;

  TEventBus = class
  private
    FLock: TCriticalSection;
    FSubs: TObjectList<TSubscription>;
    FHistory: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    function Subscribe(const ATopic: string; const AHandler: TEventHandler): TSubscription;
    procedure Publish(const ATopic, APayload: string);
    procedure PublishBatch(ALines: TStrings);
    procedure ReplayHistory(const ATopic: string);
  end;

  TAuditTrail = class(TEventBus)
  private
    FFile: TStreamWriter;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
  end;

function OnScopeExit(const AProc: TProc): IScopeExit;
procedure BroadcastFile(ABus: TEventBus; const AFileName: string);

implementation

function OnScopeExit(const AProc: TProc): IScopeExit;
begin
  Result := TScopeExit.Create(AProc);
end;

{ TScopeExit }

constructor TScopeExit.Create(const AProc: TProc);
begin
  inherited Create;
  FProc := AProc;
end;

destructor TScopeExit.Destroy;
begin
  if Assigned(FProc) then
    FProc();
  inherited;
end;

{ TSubscription }

constructor TSubscription.Create(const ATopic: string; const AHandler: TEventHandler);
begin
  inherited Create;
  FTopic := ATopic;
  FHandler := AHandler;
end;

destructor TSubscription.Destroy;
begin
  FHandler := nil;
  FTopic := '';
end;

{ TEventBus }

constructor TEventBus.Create;
begin
  inherited;
  FLock := TCriticalSection.Create;
  FSubs := TObjectList<TSubscription>.Create;
  FHistory := TStringList.Create;
end;

destructor TEventBus.Destroy;
begin
  FLock.Enter;
  try
    FSubs.Free;
    FHistory.Free;
    inherited Destroy;
  finally
    FLock.Leave;
  end;
end;

function TEventBus.Subscribe(const ATopic: string; const AHandler: TEventHandler): TSubscription;
begin
  Result := TSubscription.Create(ATopic, AHandler);
  FLock.Enter;
  try
    FSubs.Add(Result);
  finally
    FLock.Leave;
  end;
end;

procedure TEventBus.Publish(const ATopic, APayload: string);
var
  Sub: TSubscription;
  Snapshot: TList<TSubscription>;
begin
  Snapshot := TList<TSubscription>.Create;
  FLock.Enter;
  try
    Snapshot.AddRange(FSubs);
    FHistory.Add(ATopic + '=' + APayload);
  finally
    FLock.Leave;
  end;
  try
    for Sub in Snapshot do
      if SameText(Sub.Topic, ATopic) then
      begin
        Inc(Sub.FHits);
        try
          Sub.FHandler(ATopic, APayload);
        except
          on E: Exception do
            FHistory.Add('!handler failed: ' + E.Message);
        end;
      end;
  finally
    Snapshot.Free;
  end;
end;

procedure TEventBus.PublishBatch(ALines: TStrings);
var
  Copy: TStringList;
  Guard: IScopeExit;
  I: Integer;
begin
  Copy := TStringList.Create;
  Guard := OnScopeExit(
    procedure
    begin
      Copy.Free;
    end);
  Copy.Assign(ALines);
  for I := 0 to Copy.Count - 1 do
    Publish(Copy.Names[I], Copy.ValueFromIndex[I]);
end;

procedure TEventBus.ReplayHistory(const ATopic: string);
var
  Lines: TStringList;
  I: Integer;
begin
  Lines := TStringList.Create;
  FLock.Enter;
  try
    Lines.Assign(FHistory);
  finally
    FLock.Leave;
  end;
  for I := 0 to Lines.Count - 1 do
    if Lines.Names[I] = ATopic then
      Publish(ATopic, Lines.ValueFromIndex[I]);
  Lines.Free;
end;

{ TAuditTrail }

constructor TAuditTrail.Create(const AFileName: string);
begin
  inherited Create;
  FFile := TStreamWriter.Create(AFileName, True);
  Subscribe('*',
    procedure(const ATopic, APayload: string)
    begin
      FFile.WriteLine(ATopic + ': ' + APayload);
    end);
end;

destructor TAuditTrail.Destroy;
begin
  try
    inherited Destroy;
  finally
    FFile.Free;
  end;
end;

procedure BroadcastFile(ABus: TEventBus; const AFileName: string);
var
  Lines: TStringList;
begin
  Lines := TStringList.Create;
  Lines.LoadFromFile(AFileName);
  TThread.CreateAnonymousThread(
    procedure
    begin
      try
        ABus.PublishBatch(Lines);
      finally
        Lines.Free;
      end;
    end).Start;
end;

end.
