unit uBackgroundSync;

{ Pushes changed records to the server in the background while the user keeps working. }

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs;

type
  TSyncThread = class(TThread)
  private
    FBatch: TStringList;
    FOnDone: TNotifyEvent;
  protected
    procedure Execute; override;
  public
    constructor Create(ABatch: TStrings; AOnDone: TNotifyEvent);
    destructor Destroy; override;
  end;

  TPollThread = class(TThread)
  private
    FInterval: Integer;
    FWake: TEvent;
  protected
    procedure Execute; override;
  public
    constructor Create(AInterval: Integer);
    destructor Destroy; override;
  end;

  TBackgroundSync = class
  private
    FPending: TStringList;
    FLock: TCriticalSection;
    procedure SyncDone(Sender: TObject);
  public
    constructor Create;
    destructor Destroy; override;
    procedure Queue(const ARecordKey: string);
    procedure Flush;
    procedure StartPolling(AInterval: Integer);
  end;

implementation

{ TSyncThread }

constructor TSyncThread.Create(ABatch: TStrings; AOnDone: TNotifyEvent);
begin
  inherited Create(True);
  FreeOnTerminate := True;
  FBatch := TStringList.Create;
  FBatch.Assign(ABatch);
  FOnDone := AOnDone;
end;

destructor TSyncThread.Destroy;
begin
  FBatch.Free;
  inherited;
end;

procedure TSyncThread.Execute;
var
  I: Integer;
begin
  for I := 0 to FBatch.Count - 1 do
  begin
    if Terminated then
      Exit;
    Sleep(10);
  end;
  if Assigned(FOnDone) then
    Synchronize(
      procedure
      begin
        FOnDone(Self);
      end);
end;

{ TPollThread }

constructor TPollThread.Create(AInterval: Integer);
begin
  inherited Create(False);
  FInterval := AInterval;
  FWake := TEvent.Create(nil, False, False, '');
end;

destructor TPollThread.Destroy;
begin
  FWake.Free;
  inherited;
end;

procedure TPollThread.Execute;
begin
  while not Terminated do
    FWake.WaitFor(FInterval);
end;

{ TBackgroundSync }

constructor TBackgroundSync.Create;
begin
  inherited Create;
  FPending := TStringList.Create;
  FPending.Sorted := True;
  FPending.Duplicates := dupIgnore;
  FLock := TCriticalSection.Create;
end;

destructor TBackgroundSync.Destroy;
begin
  FLock.Free;
  FPending.Free;
  inherited;
end;

procedure TBackgroundSync.Queue(const ARecordKey: string);
begin
  FLock.Enter;
  try
    FPending.Add(ARecordKey);
  finally
    FLock.Leave;
  end;
end;

procedure TBackgroundSync.SyncDone(Sender: TObject);
begin
  Flush;
end;

procedure TBackgroundSync.Flush;
var
  Batch: TStringList;
  Worker: TSyncThread;
begin
  Batch := TStringList.Create;
  try
    FLock.Enter;
    try
      Batch.Assign(FPending);
      FPending.Clear;
    finally
      FLock.Leave;
    end;
    if Batch.Count = 0 then
      Exit;
    Worker := TSyncThread.Create(Batch, nil);
    Worker.Start;
  finally
    Batch.Free;
  end;
end;

procedure TBackgroundSync.StartPolling(AInterval: Integer);
var
  Poller: TPollThread;
begin
  Poller := TPollThread.Create(5000);
  Poller.Priority := tpLower;
end;

end.
