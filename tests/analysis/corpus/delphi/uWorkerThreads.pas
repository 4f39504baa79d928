unit uWorkerThreads;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Generics.Collections,
  System.Hash, System.Diagnostics;

type
  TJobProc = reference to procedure;

  TQueueWorker = class(TThread)
  private
    FJobs: TQueue<TJobProc>;
    FLock: TCriticalSection;
    FWakeUp: TEvent;
    FProcessed: Integer;
    FLastError: string;
    function NextJob(out AJob: TJobProc): Boolean;
  protected
    procedure Execute; override;
    procedure TerminatedSet; override;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Enqueue(const AJob: TJobProc);
    property Processed: Integer read FProcessed;
    property LastError: string read FLastError;
  end;

  TPingThread = class(TThread)
  private
    FHost: string;
    FMillis: Int64;
  protected
    procedure Execute; override;
  public
    constructor Create(const AHost: string);
    property Host: string read FHost;
    property Millis: Int64 read FMillis;
  end;

  TChecksumThread = class(TThread)
  private
    FFileName: string;
    FChecksum: string;
    FDone: TEvent;
  protected
    procedure Execute; override;
  public
    constructor Create(const AFileName: string; ADone: TEvent = nil);
    property Checksum: string read FChecksum;
  end;

  TWorkerPool = class
  private
    FWorkers: TObjectList<TQueueWorker>;
    FNext: Integer;
  public
    constructor Create(ACount: Integer);
    destructor Destroy; override;
    procedure Submit(const AJob: TJobProc);
    function TotalProcessed: Integer;
  end;

procedure StartPing(const AHost: string; AOnDone: TNotifyEvent);
function ChecksumInBackground(const AFileName: string): string;
function ChecksumWithTimeout(const AFileName: string; ATimeoutMs: Cardinal): string;
function HashFilesParallel(const AFiles: TArray<string>): TArray<string>;
procedure RunDetached(const AProc: TProc);
procedure NotifyMainThread(const AText: string; ATarget: TStrings);

implementation

{ TQueueWorker }

constructor TQueueWorker.Create;
begin
  FJobs := TQueue<TJobProc>.Create;
  FLock := TCriticalSection.Create;
  FWakeUp := TEvent.Create(nil, False, False, '');
  inherited Create(False);
  NameThreadForDebugging('QueueWorker');
end;

destructor TQueueWorker.Destroy;
begin
  Terminate;
  if Started then
    WaitFor;
  FWakeUp.Free;
  FLock.Free;
  FJobs.Free;
  inherited Destroy;
end;

procedure TQueueWorker.TerminatedSet;
begin
  inherited;
  FWakeUp.SetEvent;
end;

procedure TQueueWorker.Enqueue(const AJob: TJobProc);
begin
  FLock.Enter;
  try
    FJobs.Enqueue(AJob);
  finally
    FLock.Leave;
  end;
  FWakeUp.SetEvent;
end;

function TQueueWorker.NextJob(out AJob: TJobProc): Boolean;
begin
  FLock.Acquire;
  try
    Result := FJobs.Count > 0;
    if Result then
      AJob := FJobs.Dequeue;
  finally
    FLock.Release;
  end;
end;

procedure TQueueWorker.Execute;
var
  Job: TJobProc;
begin
  while not Terminated do
  begin
    if not NextJob(Job) then
    begin
      FWakeUp.WaitFor(1000);
      Continue;
    end;
    try
      Job();
      TInterlocked.Increment(FProcessed);
    except
      on E: Exception do
        FLastError := E.ClassName + ': ' + E.Message;
    end;
    Job := nil;
  end;
end;

{ TPingThread }

constructor TPingThread.Create(const AHost: string);
begin
  inherited Create(False);
  // nobody keeps a reference to a ping thread for long
  FreeOnTerminate := True;
  FHost := AHost;
end;

procedure TPingThread.Execute;
var
  SW: TStopwatch;
begin
  SW := TStopwatch.StartNew;
  Sleep(10 + Random(50)); // real ICMP code lives in uNetTools
  FMillis := SW.ElapsedMilliseconds;
end;

{ TChecksumThread }

constructor TChecksumThread.Create(const AFileName: string; ADone: TEvent);
begin
  FFileName := AFileName;
  FDone := ADone; // not owned
  inherited Create(False);
end;

procedure TChecksumThread.Execute;
begin
  try
    try
      FChecksum := THashMD5.GetHashStringFromFile(FFileName);
    except
      on E: Exception do
        FChecksum := '';
    end;
  finally
    if FDone <> nil then
      FDone.SetEvent;
  end;
end;

{ TWorkerPool }

constructor TWorkerPool.Create(ACount: Integer);
var
  I: Integer;
  Worker: TQueueWorker;
begin
  inherited Create;
  FWorkers := TObjectList<TQueueWorker>.Create(True);
  for I := 1 to ACount do
  begin
    Worker := TQueueWorker.Create;
    FWorkers.Add(Worker);
  end;
end;

destructor TWorkerPool.Destroy;
var
  Worker: TQueueWorker;
begin
  for Worker in FWorkers do
    Worker.Terminate;
  FWorkers.Free;
  inherited;
end;

procedure TWorkerPool.Submit(const AJob: TJobProc);
begin
  FWorkers[FNext].Enqueue(AJob);
  FNext := (FNext + 1) mod FWorkers.Count;
end;

function TWorkerPool.TotalProcessed: Integer;
var
  Worker: TQueueWorker;
begin
  Result := 0;
  for Worker in FWorkers do
    Inc(Result, Worker.Processed);
end;

{ routines }

procedure StartPing(const AHost: string; AOnDone: TNotifyEvent);
var
  Ping: TPingThread;
begin
  Ping := TPingThread.Create(AHost);
  Ping.OnTerminate := AOnDone;
end;

function ChecksumInBackground(const AFileName: string): string;
var
  Worker: TChecksumThread;
begin
  Worker := TChecksumThread.Create(AFileName);
  Worker.WaitFor;
  Result := Worker.Checksum;
end;

function ChecksumWithTimeout(const AFileName: string; ATimeoutMs: Cardinal): string;
var
  Worker: TChecksumThread;
  Done: TEvent;
begin
  Result := '';
  Done := TEvent.Create(nil, True, False, '');
  try
    Worker := TChecksumThread.Create(AFileName, Done);
    try
      if Done.WaitFor(ATimeoutMs) = wrSignaled then
        Result := Worker.Checksum
      else
        Worker.Terminate;
    finally
      // TThread.Destroy waits for Execute to return, so Done is still alive
      Worker.Free;
    end;
  finally
    Done.Free;
  end;
end;

function HashFilesParallel(const AFiles: TArray<string>): TArray<string>;
var
  Threads: TObjectList<TChecksumThread>;
  I: Integer;
begin
  Threads := TObjectList<TChecksumThread>.Create(True);
  for I := 0 to High(AFiles) do
    Threads.Add(TChecksumThread.Create(AFiles[I]));
  SetLength(Result, Length(AFiles));
  for I := 0 to Threads.Count - 1 do
  begin
    Threads[I].WaitFor;
    Result[I] := Threads[I].Checksum;
  end;
  Threads.Free;
end;

procedure RunDetached(const AProc: TProc);
var
  T: TThread;
begin
  T := TThread.CreateAnonymousThread(AProc);
  T.FreeOnTerminate := True;
  T.Start;
end;

procedure NotifyMainThread(const AText: string; ATarget: TStrings);
begin
  TThread.Queue(nil,
    procedure
    begin
      ATarget.Add(AText);
    end);
end;

end.
