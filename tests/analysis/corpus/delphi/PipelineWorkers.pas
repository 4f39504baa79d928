unit PipelineWorkers;

{ Multi-stage worker pipeline used by the import service.

  Each stage is a thread that pops work items from its input queue, runs
  ProcessItem and pushes the item on to the output queue (the last stage has
  none and frees the item once the main thread has been told about it). }

interface

uses
  Windows, SysUtils, Classes, SyncObjs, Generics.Collections;

type
  TWorkItem = class
  public
    Id: Integer;
    Payload: string;
    Output: string;
    Failed: Boolean;
    ErrorText: string;
  end;

  TWorkItemEvent = procedure(Sender: TObject; Item: TWorkItem) of object;

  TLockedList<T: class> = class
  private
    FLock: TCriticalSection;
    FItems: TObjectList<T>;
  public
    constructor Create;
    destructor Destroy; override;
    procedure AddRange(const AItems: array of T);
  end;

  TWorkQueue = class
  private
    FLock: TCriticalSection;
    FItems: TObjectQueue<TWorkItem>;
    FSignal: TEvent;
    FClosed: Boolean;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Push(Item: TWorkItem);
    function Pop(Timeout: Cardinal; out Item: TWorkItem): Boolean;
    procedure Close;
    function Count: Integer;
    property Closed: Boolean read FClosed;
  end;

  TPipelineStage = class(TThread)
  private
    FName: string;
    FInput: TWorkQueue;
    FOutput: TWorkQueue;
    FProcessed: Integer;
    FStats: TStringList;
    FOnItemDone: TWorkItemEvent;
    procedure NotifyDone(Item: TWorkItem);
  protected
    procedure Execute; override;
    procedure ProcessItem(Item: TWorkItem); virtual;
  public
    constructor Create(const AName: string; AInput, AOutput: TWorkQueue);
    destructor Destroy; override;
    property Processed: Integer read FProcessed;
    property OnItemDone: TWorkItemEvent read FOnItemDone write FOnItemDone;
  end;

  TLogFlushThread = class(TThread)
  private
    FFileName: string;
    FLines: TStringList;
  protected
    procedure Execute; override;
  public
    constructor Create(const AFileName: string; ALines: TStrings);
    destructor Destroy; override;
  end;

  TPipeline = class(TComponent)
  private
    FQueues: TObjectList<TWorkQueue>;
    FStages: TObjectList<TPipelineStage>;
    FLog: TStringList;
    FLogLock: TCriticalSection;
    FHistory: TLockedList<TWorkItem>;
    FOnItemDone: TWorkItemEvent;
    procedure StageItemDone(Sender: TObject; Item: TWorkItem);
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure Build(const StageNames: array of string);
    procedure Start;
    procedure Stop;
    procedure Submit(AId: Integer; const APayload: string);
    procedure RecordPair(AId: Integer; const AHeader, ABody: string);
    procedure FlushLog(const AFileName: string);
    procedure WaitForDrain(TimeoutMs: Cardinal);
    function RunSingle(const APayload: string): string;
    property OnItemDone: TWorkItemEvent read FOnItemDone write FOnItemDone;
  end;

implementation

{ TLockedList<T> }

constructor TLockedList<T>.Create;
begin
  inherited Create;
  FLock := TCriticalSection.Create;
  FItems := TObjectList<T>.Create(True);
end;

destructor TLockedList<T>.Destroy;
begin
  FLock.Enter;
  try
    FItems.Free;
  finally
    FLock.Leave;
  end;
  FLock.Free;
  inherited Destroy;
end;

procedure TLockedList<T>.AddRange(const AItems: array of T);
begin
  FLock.Enter;
  try
    FItems.AddRange(AItems);
  finally
    FLock.Leave;
  end;
end;

{ TWorkQueue }

constructor TWorkQueue.Create;
begin
  inherited Create;
  FLock := TCriticalSection.Create;
  FItems := TObjectQueue<TWorkItem>.Create(False);
  FSignal := TEvent.Create(nil, False, False, '');
end;

destructor TWorkQueue.Destroy;
begin
  Close;
  FLock.Enter;
  try
    while FItems.Count > 0 do
      FItems.Dequeue.Free;
  finally
    FLock.Leave;
  end;
  FItems.Free;
  FSignal.Free;
  FLock.Free;
  inherited;
end;

procedure TWorkQueue.Push(Item: TWorkItem);
begin
  FLock.Enter;
  try
    if FClosed then
      raise EInvalidOperation.Create('Queue is closed');
    FItems.Enqueue(Item);
  finally
    FLock.Leave;
  end;
  FSignal.SetEvent;
end;

function TWorkQueue.Pop(Timeout: Cardinal; out Item: TWorkItem): Boolean;
begin
  Item := nil;
  Result := False;
  repeat
    FLock.Enter;
    try
      if FItems.Count > 0 then
      begin
        Item := FItems.Dequeue;
        Result := True;
        Exit;
      end;
      if FClosed then
        Exit;
    finally
      FLock.Leave;
    end;
  until FSignal.WaitFor(Timeout) <> wrSignaled;
end;

procedure TWorkQueue.Close;
begin
  FLock.Enter;
  try
    FClosed := True;
  finally
    FLock.Leave;
  end;
  FSignal.SetEvent;
end;

function TWorkQueue.Count: Integer;
begin
  FLock.Enter;
  try
    Result := FItems.Count;
  finally
    FLock.Leave;
  end;
end;

{ TPipelineStage }

constructor TPipelineStage.Create(const AName: string; AInput, AOutput: TWorkQueue);
begin
  inherited Create(True);
  FName := AName;
  FInput := AInput;
  FOutput := AOutput;
  FStats := TStringList.Create;
end;

destructor TPipelineStage.Destroy;
begin
  if not Terminated then
  begin
    Terminate;
    FInput.Close;
    WaitFor;
  end;
  FStats.Free;
end;

procedure TPipelineStage.ProcessItem(Item: TWorkItem);
var
  Builder: TStringBuilder;
begin
  Builder := TStringBuilder.Create(Length(Item.Payload) + 16);
  try
    Builder.Append(FName).Append(':').Append(Trim(Item.Payload));
    Item.Output := Builder.ToString;
  finally
    Builder.Free;
  end;
end;

procedure TPipelineStage.NotifyDone(Item: TWorkItem);
var
  Handler: TWorkItemEvent;
  Last: Boolean;
begin
  Handler := FOnItemDone;
  Last := FOutput = nil;
  TThread.Queue(nil,
    procedure
    begin
      try
        if Assigned(Handler) then
          Handler(Self, Item);
      finally
        if Last then
          Item.Free;
      end;
    end);
end;

procedure TPipelineStage.Execute;
var
  Item: TWorkItem;
begin
  NameThreadForDebugging(FName);
  while not Terminated do
  begin
    if not FInput.Pop(250, Item) then
    begin
      if FInput.Closed then
        Break;
      Continue;
    end;
    try
      ProcessItem(Item);
    except
      on E: Exception do
      begin
        Item.Failed := True;
        Item.ErrorText := E.ClassName + ': ' + E.Message;
      end;
    end;
    Inc(FProcessed);
    FStats.Values['processed'] := IntToStr(FProcessed);
    if (FOutput <> nil) and not Item.Failed then
      FOutput.Push(Item)
    else
      NotifyDone(Item);
  end;
  if FOutput <> nil then
    FOutput.Close;
end;

{ TLogFlushThread }

constructor TLogFlushThread.Create(const AFileName: string; ALines: TStrings);
begin
  inherited Create(True);
  FreeOnTerminate := True;
  FFileName := AFileName;
  FLines := TStringList.Create;
  FLines.Assign(ALines);
end;

destructor TLogFlushThread.Destroy;
begin
  FLines.Free;
  inherited Destroy;
end;

procedure TLogFlushThread.Execute;
var
  Writer: TStreamWriter;
  I: Integer;
begin
  Writer := TStreamWriter.Create(FFileName, True, TEncoding.UTF8);
  try
    for I := 0 to FLines.Count - 1 do
      Writer.WriteLine(FLines[I]);
  finally
    Writer.Free;
  end;
end;

{ TPipeline }

constructor TPipeline.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FQueues := TObjectList<TWorkQueue>.Create(True);
  FStages := TObjectList<TPipelineStage>.Create(True);
  FLog := TStringList.Create;
  FLogLock := TCriticalSection.Create;
  FHistory := TLockedList<TWorkItem>.Create;
end;

destructor TPipeline.Destroy;
begin
  try
    Stop;
  finally
    FStages.Free;
    FQueues.Free;
    FLog.Free;
    FLogLock.Free;
    FHistory.Free;
    inherited Destroy;
  end;
end;

procedure TPipeline.Build(const StageNames: array of string);
var
  I: Integer;
  Input, Output: TWorkQueue;
  Stage: TPipelineStage;
begin
  Stop;
  FStages.Clear;
  FQueues.Clear;
  Input := TWorkQueue.Create;
  FQueues.Add(Input);
  for I := Low(StageNames) to High(StageNames) do
  begin
    if I < High(StageNames) then
    begin
      Output := TWorkQueue.Create;
      FQueues.Add(Output);
    end
    else
      Output := nil;
    Stage := TPipelineStage.Create(StageNames[I], Input, Output);
    Stage.OnItemDone := StageItemDone;
    FStages.Add(Stage);
    Input := Output;
  end;
end;

procedure TPipeline.Start;
var
  Stage: TPipelineStage;
begin
  for Stage in FStages do
    Stage.Start;
end;

procedure TPipeline.Stop;
begin
  if FQueues.Count > 0 then
    FQueues[0].Close;
  FStages.Clear;
end;

procedure TPipeline.Submit(AId: Integer; const APayload: string);
var
  Item: TWorkItem;
begin
  if FQueues.Count = 0 then
    raise EInvalidOperation.Create('Pipeline has not been built');
  Item := TWorkItem.Create;
  Item.Id := AId;
  Item.Payload := APayload;
  try
    FQueues[0].Push(Item);
  except
    Item.Free;
    raise;
  end;
end;

procedure TPipeline.RecordPair(AId: Integer; const AHeader, ABody: string);
var
  Head, Body: TWorkItem;
begin
  Head := TWorkItem.Create;
  Head.Id := AId;
  Head.Payload := AHeader;
  Body := TWorkItem.Create;
  Body.Id := AId;
  Body.Payload := ABody;
  FHistory.AddRange([Head, Body]);
end;

procedure TPipeline.StageItemDone(Sender: TObject; Item: TWorkItem);
begin
  FLogLock.Enter;
  try
    if Item.Failed then
      FLog.Add(Format('%d failed: %s', [Item.Id, Item.ErrorText]))
    else
      FLog.Add(Format('%d ok: %s', [Item.Id, Item.Output]));
  finally
    FLogLock.Leave;
  end;
  if Assigned(FOnItemDone) then
    FOnItemDone(Self, Item);
end;

procedure TPipeline.FlushLog(const AFileName: string);
var
  Snapshot: TStringList;
  Flusher: TLogFlushThread;
begin
  Snapshot := TStringList.Create;
  FLogLock.Enter;
  try
    Snapshot.Assign(FLog);
    FLog.Clear;
  finally
    FLogLock.Leave;
  end;
  Flusher := TLogFlushThread.Create(AFileName, Snapshot);
  Flusher.Priority := tpLower;
  Flusher.Start;
  TThread.Queue(nil,
    procedure
    begin
      Snapshot.Free;
    end);
end;

procedure TPipeline.WaitForDrain(TimeoutMs: Cardinal);
var
  Done: TEvent;
  Last: TWorkQueue;
begin
  if FQueues.Count = 0 then
    Exit;
  Last := FQueues[FQueues.Count - 1];
  Done := TEvent.Create(nil, True, False, '');
  TThread.CreateAnonymousThread(
    procedure
    begin
      while Last.Count > 0 do
        Sleep(20);
      Done.SetEvent;
    end).Start;
  if Done.WaitFor(TimeoutMs) <> wrSignaled then
    raise ETimeoutError.Create('Pipeline did not drain in time');
end;

function TPipeline.RunSingle(const APayload: string): string;
var
  Input: TWorkQueue;
  Stage: TPipelineStage;
  Item: TWorkItem;
begin
  Input := TWorkQueue.Create;
  try
    Stage := TPipelineStage.Create('single', Input, nil);
    Item := TWorkItem.Create;
    Item.Payload := APayload;
    Input.Push(Item);
    Input.Close;
    Stage.Start;
    Stage.WaitFor;
    Result := Item.Output;
    Stage.Free;
  finally
    Input.Free;
  end;
end;

end.
