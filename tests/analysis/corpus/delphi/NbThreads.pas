{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbThreads.pas - background workers, a tiny task queue and helpers to run
  code on a worker and return to the main thread

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbThreads;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  {$IFDEF MSWINDOWS}Windows,{$ENDIF}
  {$IFDEF POSIX}Posix.Pthread, Posix.Sched,{$ENDIF}
  SysUtils, Classes, SyncObjs, Generics.Collections;

type
  TNbTaskProc = reference to procedure;
  TNbErrorEvent = procedure(Sender: TObject; E: Exception) of object;

  TNbTaskQueue = class
  private
    FTasks: TQueue<TNbTaskProc>;
    FSignal: TEvent;
    FClosed: Boolean;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Enqueue(const ATask: TNbTaskProc);
    function Dequeue(out ATask: TNbTaskProc; ATimeout: Cardinal): Boolean;
    procedure Close;
    property Closed: Boolean read FClosed;
  end;

  TNbWorkerThread = class(TThread)
  private
    FQueue: TNbTaskQueue;
    FOwnsQueue: Boolean;
    FProcessed: Integer;
    FOnError: TNbErrorEvent;
    FLastError: string;
    procedure SyncError;
  protected
    procedure Execute; override;
    procedure TerminatedSet; {$IF CompilerVersion >= 25}override;{$IFEND}
  public
    constructor Create(AQueue: TNbTaskQueue; AOwnsQueue: Boolean = False);
    destructor Destroy; override;
    property Processed: Integer read FProcessed;
    property OnError: TNbErrorEvent read FOnError write FOnError;
  end;

  TNbWorkerPool = class
  private
    FQueue: TNbTaskQueue;
    FWorkers: TObjectList<TNbWorkerThread>;
    FLock: TCriticalSection;
    FActive: Boolean;
    procedure WorkerError(Sender: TObject; E: Exception);
  public
    constructor Create(AWorkerCount: Integer);
    destructor Destroy; override;
    procedure Run(const ATask: TNbTaskProc);
    procedure Shutdown;
    class function CpuCount: Integer; static;
    class procedure RunDetached(const ATask: TNbTaskProc); static;
    class procedure RunAndNotify(const ATask: TNbTaskProc; ADone: TNotifyEvent); static;
  end;

implementation

{$REGION 'TNbTaskQueue'}

constructor TNbTaskQueue.Create;
begin
  inherited Create;
  FTasks := TQueue<TNbTaskProc>.Create;
  FSignal := TEvent.Create(nil, False, False, '');
end;

destructor TNbTaskQueue.Destroy;
begin
  Close;
  TMonitor.Enter(Self);
  try
    FTasks.Clear;
  finally
    TMonitor.Exit(Self);
  end;
  FreeAndNil(FTasks);
  FreeAndNil(FSignal);
  inherited Destroy;
end;

procedure TNbTaskQueue.Enqueue(const ATask: TNbTaskProc);
begin
  TMonitor.Enter(Self);
  try
    if FClosed then
      raise EInvalidOperation.Create('Task queue is closed');
    FTasks.Enqueue(ATask);
  finally
    TMonitor.Exit(Self);
  end;
  FSignal.SetEvent;
end;

function TNbTaskQueue.Dequeue(out ATask: TNbTaskProc; ATimeout: Cardinal): Boolean;
begin
  Result := False;
  ATask := nil;
  if FSignal.WaitFor(ATimeout) <> wrSignaled then
    Exit;
  TMonitor.Enter(Self);
  try
    if FTasks.Count > 0 then
    begin
      ATask := FTasks.Dequeue;
      Result := True;
    end;
    if (FTasks.Count > 0) or FClosed then
      FSignal.SetEvent;
  finally
    TMonitor.Exit(Self);
  end;
end;

procedure TNbTaskQueue.Close;
begin
  TMonitor.Enter(Self);
  try
    FClosed := True;
  finally
    TMonitor.Exit(Self);
  end;
  FSignal.SetEvent;
end;

{$ENDREGION}

{$REGION 'TNbWorkerThread'}

constructor TNbWorkerThread.Create(AQueue: TNbTaskQueue; AOwnsQueue: Boolean);
begin
  FQueue := AQueue;
  FOwnsQueue := AOwnsQueue;
  inherited Create(False);
  {$IFDEF MSWINDOWS}
  Priority := tpLower;
  {$ENDIF}
end;

destructor TNbWorkerThread.Destroy;
begin
  if not Terminated then
  begin
    Terminate;
    WaitFor;
  end;
  if FOwnsQueue then
    FreeAndNil(FQueue);
end;

procedure TNbWorkerThread.TerminatedSet;
begin
  {$IF CompilerVersion >= 25}
  inherited TerminatedSet;
  {$IFEND}
  if (FQueue <> nil) and not FOwnsQueue then
    FQueue.FSignal.SetEvent;
end;

procedure TNbWorkerThread.Execute;
var
  Task: TNbTaskProc;
begin
  {$IFDEF POSIX}
  NameThreadForDebugging('NbWorker');
  {$ENDIF}
  while not Terminated do
  begin
    if not FQueue.Dequeue(Task, 250) then
    begin
      if FQueue.Closed then
        Break;
      Continue;
    end;
    if Terminated then
      Break;
    try
      Task();
      Inc(FProcessed);
    except
      on E: Exception do
      begin
        FLastError := E.ClassName + ': ' + E.Message;
        if Assigned(FOnError) then
          Synchronize(SyncError);
      end;
    end;
    Task := nil;
  end;
end;

procedure TNbWorkerThread.SyncError;
var
  E: Exception;
begin
  E := Exception.Create(FLastError);
  try
    FOnError(Self, E);
  finally
    E.Free;
  end;
end;

{$ENDREGION}

{$REGION 'TNbWorkerPool'}

constructor TNbWorkerPool.Create(AWorkerCount: Integer);
var
  I: Integer;
  Worker: TNbWorkerThread;
begin
  inherited Create;
  FLock := TCriticalSection.Create;
  FQueue := TNbTaskQueue.Create;
  FWorkers := TObjectList<TNbWorkerThread>.Create(True);
  if AWorkerCount <= 0 then
    AWorkerCount := CpuCount;
  for I := 1 to AWorkerCount do
  begin
    Worker := TNbWorkerThread.Create(FQueue);
    Worker.OnError := WorkerError;
    FWorkers.Add(Worker);
  end;
  FActive := True;
end;

destructor TNbWorkerPool.Destroy;
begin
  Shutdown;
  FreeAndNil(FWorkers);
  FreeAndNil(FQueue);
  FreeAndNil(FLock);
  inherited;
end;

procedure TNbWorkerPool.Run(const ATask: TNbTaskProc);
begin
  FLock.Acquire;
  try
    if not FActive then
      raise EInvalidOperation.Create('Worker pool has been shut down') at ReturnAddress;
  finally
    FLock.Release;
  end;
  FQueue.Enqueue(ATask);
end;

procedure TNbWorkerPool.Shutdown;
var
  Worker: TNbWorkerThread;
begin
  FLock.Acquire;
  try
    if not FActive then
      Exit;
    FActive := False;
  finally
    FLock.Release;
  end;
  FQueue.Close;
  for Worker in FWorkers do
    Worker.Terminate;
  for Worker in FWorkers do
    Worker.WaitFor;
end;

procedure TNbWorkerPool.WorkerError(Sender: TObject; E: Exception);
begin
  {$IFDEF MSWINDOWS}
  OutputDebugString(PChar('NbWorkerPool: ' + E.Message));
  {$ELSE}
  Writeln(ErrOutput, 'NbWorkerPool: ', E.Message);
  {$ENDIF}
end;

class function TNbWorkerPool.CpuCount: Integer;
begin
  {$IF CompilerVersion >= 23}
  Result := TThread.ProcessorCount;
  {$ELSE}
  Result := 2;
  {$IFEND}
  if Result < 1 then
    Result := 1;
end;

class procedure TNbWorkerPool.RunDetached(const ATask: TNbTaskProc);
var
  Thread: TThread;
begin
  Thread := TThread.CreateAnonymousThread(
    procedure
    begin
      ATask();
    end);
  Thread.FreeOnTerminate := True;
  Thread.Start;
end;

class procedure TNbWorkerPool.RunAndNotify(const ATask: TNbTaskProc; ADone: TNotifyEvent);
var
  Worker: TNbWorkerThread;
  Queue: TNbTaskQueue;
begin
  Queue := TNbTaskQueue.Create;
  Queue.Enqueue(ATask);
  Queue.Close;
  Worker := TNbWorkerThread.Create(Queue, True);
  Worker.FreeOnTerminate := True;
  Worker.OnTerminate := ADone;
end;

{$ENDREGION}

end.
