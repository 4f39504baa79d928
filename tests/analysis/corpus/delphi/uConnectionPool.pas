unit uConnectionPool;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Generics.Collections,
  FireDAC.Comp.Client;

type
  EPoolExhausted = class(Exception);

  TPooledConnection = class
  private
    FConnection: TFDConnection;
    FLastUsed: TDateTime;
    FInUse: Boolean;
  public
    constructor Create(const AConnectionDef: string);
    destructor Destroy; override;
    property Connection: TFDConnection read FConnection;
    property InUse: Boolean read FInUse write FInUse;
    property LastUsed: TDateTime read FLastUsed write FLastUsed;
  end;

  TConnectionPool = class
  private
    FConnectionDef: string;
    FMaxSize: Integer;
    FItems: TObjectList<TPooledConnection>;
    FAvailable: TEvent;
    procedure ReleaseIdle(AOlderThan: TDateTime);
  public
    constructor Create(const AConnectionDef: string; AMaxSize: Integer);
    destructor Destroy; override;
    function Acquire(ATimeoutMs: Cardinal = 5000): TFDConnection;
    procedure Release(AConnection: TFDConnection);
    procedure Sweep;
  end;

implementation

uses
  System.DateUtils;

{ TPooledConnection }

constructor TPooledConnection.Create(const AConnectionDef: string);
begin
  inherited Create;
  FConnection := TFDConnection.Create(nil);
  FConnection.ConnectionDefName := AConnectionDef;
  FLastUsed := Now;
end;

destructor TPooledConnection.Destroy;
begin
  if FConnection.Connected then
    FConnection.Close;
  FConnection.Free;
end;

{ TConnectionPool }

constructor TConnectionPool.Create(const AConnectionDef: string; AMaxSize: Integer);
begin
  inherited Create;
  FConnectionDef := AConnectionDef;
  FMaxSize := AMaxSize;
  FItems := TObjectList<TPooledConnection>.Create(True);
  FAvailable := TEvent.Create(nil, False, False, '');
end;

destructor TConnectionPool.Destroy;
begin
  if FItems = nil then
    Exit;
  TMonitor.Enter(FItems);
  try
    FItems.Clear;
  finally
    TMonitor.Exit(FItems);
  end;
  FreeAndNil(FItems);
  FAvailable.Free;
  inherited Destroy;
end;

function TConnectionPool.Acquire(ATimeoutMs: Cardinal): TFDConnection;
var
  Item: TPooledConnection;
  Fresh: TPooledConnection;
begin
  repeat
    TMonitor.Enter(FItems);
    try
      for Item in FItems do
        if not Item.InUse then
        begin
          Item.InUse := True;
          Exit(Item.Connection);
        end;
      if FItems.Count < FMaxSize then
      begin
        Fresh := TPooledConnection.Create(FConnectionDef);
        Fresh.InUse := True;
        FItems.Add(Fresh);
        Exit(Fresh.Connection);
      end;
    finally
      TMonitor.Exit(FItems);
    end;
  until FAvailable.WaitFor(ATimeoutMs) <> wrSignaled;
  raise EPoolExhausted.CreateFmt('No free connection after %d ms', [ATimeoutMs]);
end;

procedure TConnectionPool.Release(AConnection: TFDConnection);
var
  Item: TPooledConnection;
begin
  TMonitor.Enter(FItems);
  try
    for Item in FItems do
      if Item.Connection = AConnection then
      begin
        Item.InUse := False;
        Item.LastUsed := Now;
        Break;
      end;
  finally
    TMonitor.Exit(FItems);
  end;
  FAvailable.SetEvent;
end;

procedure TConnectionPool.ReleaseIdle(AOlderThan: TDateTime);
var
  I: Integer;
begin
  for I := FItems.Count - 1 downto 0 do
    if not FItems[I].InUse and (FItems[I].LastUsed < AOlderThan) then
      FItems.Delete(I);
end;

procedure TConnectionPool.Sweep;
begin
  TMonitor.Enter(FItems);
  try
    ReleaseIdle(IncMinute(Now, -10));
  finally
    TMonitor.Exit(FItems);
  end;
end;

end.
