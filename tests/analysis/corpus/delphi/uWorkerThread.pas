unit uWorkerThread;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Generics.Collections;

type
  TJob = class
  private
    FId: Integer;
    FPayload: TStringList;
  public
    constructor Create(AId: Integer);
    destructor Destroy; override;
    property Id: Integer read FId;
    property Payload: TStringList read FPayload;
  end;

  TStatusMessage = class
  public
    Text: string;
    Progress: Integer;
    constructor Create(const AText: string; AProgress: Integer);
  end;

  TStatusEvent = procedure(AMessage: TStatusMessage) of object;

  TJobWorker = class(TThread)
  private
    FQueue: TQueue<TJob>;
    FLock: TCriticalSection;
    FWakeUp: TEvent;
    FOnStatus: TStatusEvent;
    function NextJob: TJob;
    procedure ProcessJob(AJob: TJob);
    procedure PostStatus(const AText: string; AProgress: Integer);
  protected
    procedure Execute; override;
    procedure TerminatedSet; override;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Enqueue(AJob: TJob);
    procedure EnqueueText(AId: Integer; const AText: string);
    property OnStatus: TStatusEvent read FOnStatus write FOnStatus;
  end;

  TJobDispatcher = class
  private
    FWorkers: TObjectList<TJobWorker>;
    FLock: TCriticalSection;
    FNextId: Integer;
    FLog: TStrings;
  public
    constructor Create(AWorkerCount: Integer; ALog: TStrings);
    destructor Destroy; override;
    procedure Submit(const ALines: array of string);
    procedure SubmitBatch(ASource: TStrings);
    procedure StopAll;
  end;

implementation

{ TJob }

constructor TJob.Create(AId: Integer);
begin
  inherited Create;
  FId := AId;
  FPayload := TStringList.Create;
end;

destructor TJob.Destroy;
begin
  FPayload.Free;
  inherited;
end;

{ TStatusMessage }

constructor TStatusMessage.Create(const AText: string; AProgress: Integer);
begin
  inherited Create;
  Text := AText;
  Progress := AProgress;
end;

{ TJobWorker }

constructor TJobWorker.Create;
begin
  // everything Execute touches must exist before the thread can start
  FQueue := TQueue<TJob>.Create;
  FLock := TCriticalSection.Create;
  FWakeUp := TEvent.Create(nil, False, False, '');
  inherited Create(False);
end;

destructor TJobWorker.Destroy;
begin
  Terminate;
  FWakeUp.SetEvent;
  WaitFor;
  while FQueue.Count > 0 do
    FQueue.Dequeue.Free;
  FQueue.Free;
  FWakeUp.Free;
  FLock.Free;
  inherited;
end;

procedure TJobWorker.TerminatedSet;
begin
  inherited;
  FWakeUp.SetEvent;
end;

procedure TJobWorker.Execute;
var
  Job: TJob;
begin
  NameThreadForDebugging('JobWorker');
  while not Terminated do
  begin
    Job := NextJob;
    if Job = nil then
    begin
      FWakeUp.WaitFor(250);
      Continue;
    end;
    try
      try
        ProcessJob(Job);
      except
        on E: Exception do
          PostStatus(Format('Job %d failed: %s', [Job.Id, E.Message]), -1);
      end;
    finally
      Job.Free;
    end;
  end;
end;

function TJobWorker.NextJob: TJob;
begin
  FLock.Acquire;
  try
    if FQueue.Count = 0 then
      Exit(nil);
    Result := FQueue.Dequeue;
  finally
    FLock.Release;
  end;
end;

procedure TJobWorker.ProcessJob(AJob: TJob);
var
  I: Integer;
  Words: TStringList;
begin
  Words := TStringList.Create;
  try
    Words.Delimiter := ' ';
    for I := 0 to AJob.Payload.Count - 1 do
    begin
      Words.DelimitedText := AJob.Payload[I];
      PostStatus(Format('Job %d line %d: %d words', [AJob.Id, I, Words.Count]),
        (I + 1) * 100 div AJob.Payload.Count);
      if Terminated then
        Exit;
    end;
  finally
    Words.Free;
  end;
end;

procedure TJobWorker.PostStatus(const AText: string; AProgress: Integer);
var
  Msg: TStatusMessage;
begin
  if not Assigned(FOnStatus) then
    Exit;
  Msg := TStatusMessage.Create(AText, AProgress);
  TThread.Queue(nil,
    procedure
    begin
      try
        if Assigned(FOnStatus) then
          FOnStatus(Msg);
      finally
        Msg.Free;
      end;
    end);
end;

procedure TJobWorker.Enqueue(AJob: TJob);
begin
  FLock.Acquire;
  try
    FQueue.Enqueue(AJob);
  finally
    FLock.Release;
  end;
  FWakeUp.SetEvent;
end;

procedure TJobWorker.EnqueueText(AId: Integer; const AText: string);
var
  Job: TJob;
begin
  Job := TJob.Create(AId);
  Job.Payload.Text := AText;
  Enqueue(Job);
end;

{ TJobDispatcher }

constructor TJobDispatcher.Create(AWorkerCount: Integer; ALog: TStrings);
var
  I: Integer;
  Worker: TJobWorker;
begin
  inherited Create;
  FLog := ALog;
  FLock := TCriticalSection.Create;
  FWorkers := TObjectList<TJobWorker>.Create(True);
  for I := 1 to AWorkerCount do
  begin
    Worker := TJobWorker.Create;
    FWorkers.Add(Worker);
  end;
end;

destructor TJobDispatcher.Destroy;
begin
  StopAll;
  try
    inherited Destroy;
  finally
    FWorkers.Free;
    FLock.Free;
  end;
end;

procedure TJobDispatcher.Submit(const ALines: array of string);
var
  Job: TJob;
  Line: string;
  Target: TJobWorker;
begin
  FLock.Acquire;
  try
    Inc(FNextId);
    Job := TJob.Create(FNextId);
    for Line in ALines do
      Job.Payload.Add(Line);
    Target := FWorkers[FNextId mod FWorkers.Count];
  finally
    FLock.Release;
  end;
  Target.Enqueue(Job);
end;

procedure TJobDispatcher.SubmitBatch(ASource: TStrings);
var
  Chunk: TStringList;
  Pending: TList<Integer>;
  I: Integer;
begin
  Pending := TList<Integer>.Create;
  Chunk := TStringList.Create;
  try
    for I := 0 to ASource.Count - 1 do
    begin
      Chunk.Add(ASource[I]);
      if (Chunk.Count = 50) or (I = ASource.Count - 1) then
      begin
        Submit(Chunk.ToStringArray);
        Pending.Add(FNextId);
        Chunk.Clear;
      end;
    end;
    FLog.Add(Format('%d jobs submitted', [Pending.Count]));
  finally
    Chunk.Free;
  end;
end;

procedure TJobDispatcher.StopAll;
var
  Worker: TJobWorker;
begin
  for Worker in FWorkers do
    Worker.Terminate;
  for Worker in FWorkers do
    Worker.WaitFor;
end;

end.
