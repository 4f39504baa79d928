unit Ferro.Tasks.Runner;

{ Background work helpers built on the Parallel Programming Library. }

interface

uses
  System.SysUtils, System.Classes, System.IOUtils, System.Threading,
  System.SyncObjs, System.Diagnostics, System.Generics.Collections;

type
  TProgressEvent = reference to procedure(Done, Total: Integer);

  TProgressSnapshot = class
  public
    Done: Integer;
    Total: Integer;
    constructor Create(ADone, ATotal: Integer);
  end;

  TBatchRunner = class
  private
    FLock: TCriticalSection;
    FResults: TList<Integer>;
    FOnProgress: TProgressEvent;
    FCancelled: Boolean;
    procedure ReportProgress(Done, Total: Integer);
  public
    constructor Create;
    destructor Destroy; override;
    function SumSquaresParallel(Count: Integer): Int64;
    procedure ProcessFilesAsync(const Files: TArray<string>; const OnDone: TProc<TStrings>);
    procedure LoadInBackground(const FileName: string; Target: TStrings);
    function RunAndWait(const Work: TFunc<Integer>): Integer;
    procedure AppendLogWaiting(const Text: string);
    procedure CollectWordCounts(const Lines: TArray<string>);
    procedure Cancel;
    property OnProgress: TProgressEvent read FOnProgress write FOnProgress;
    property Results: TList<Integer> read FResults;
  end;

  TWorkerPool = class
  private
    FName: string;
    FPool: TThreadPool;
  public
    constructor Create(const AName: string; MaxWorkers: Integer);
    destructor Destroy; override;
    procedure RunAll(const Jobs: TArray<TProc>);
    function MapStrings(const Items: TArray<string>; const Fn: TFunc<string, string>): TArray<string>;
    procedure ParallelDump(const Items: TArray<string>; const FileName: string);
  end;

implementation

{ TProgressSnapshot }

constructor TProgressSnapshot.Create(ADone, ATotal: Integer);
begin
  inherited Create;
  Done := ADone;
  Total := ATotal;
end;

{ TBatchRunner }

constructor TBatchRunner.Create;
begin
  inherited;
  FLock := TCriticalSection.Create;
  FResults := TList<Integer>.Create;
end;

destructor TBatchRunner.Destroy;
begin
  Cancel;
  FResults.Free;
  FLock.Free;
  inherited;
end;

procedure TBatchRunner.Cancel;
begin
  FCancelled := True;
end;

procedure TBatchRunner.ReportProgress(Done, Total: Integer);
begin
  if not Assigned(FOnProgress) then
    Exit;
  var Snapshot := TProgressSnapshot.Create(Done, Total);
  TThread.Queue(nil,
    procedure
    begin
      try
        FOnProgress(Snapshot.Done, Snapshot.Total);
      finally
        Snapshot.Free;
      end;
    end);
end;

function TBatchRunner.SumSquaresParallel(Count: Integer): Int64;
var
  Total: Int64;
begin
  Total := 0;
  var Watch := TStopwatch.StartNew;
  TParallel.For(1, Count,
    procedure(I: Integer)
    begin
      TInterlocked.Add(Total, Int64(I) * I);
    end);
  Watch.Stop;
  ReportProgress(Count, Count);
  Result := Total;
end;

procedure TBatchRunner.ProcessFilesAsync(const Files: TArray<string>; const OnDone: TProc<TStrings>);
begin
  TTask.Run(
    procedure
    begin
      var Collected := TStringList.Create;
      try
        for var FileName in Files do
        begin
          if FCancelled then
            Break;
          Collected.Add(FileName + '=' + TFile.GetSize(FileName).ToString);
        end;
      except
        on E: EInOutError do
          Collected.Add('error=' + E.Message);
      end;
      TThread.Queue(nil,
        procedure
        begin
          try
            OnDone(Collected);
          finally
            Collected.Free;
          end;
        end);
    end);
end;

procedure TBatchRunner.LoadInBackground(const FileName: string; Target: TStrings);
begin
  TThread.CreateAnonymousThread(
    procedure
    var
      Buffer: TStringList;
    begin
      Buffer := TStringList.Create;
      try
        Buffer.LoadFromFile(FileName, TEncoding.UTF8);
        TThread.Synchronize(nil,
          procedure
          begin
            Target.Assign(Buffer);
          end);
      finally
        Buffer.Free;
      end;
    end).Start;
end;

function TBatchRunner.RunAndWait(const Work: TFunc<Integer>): Integer;
begin
  var Future: IFuture<Integer> := TTask.Future<Integer>(Work);
  Result := Future.Value;
  FLock.Enter;
  try
    FResults.Add(Result);
  finally
    FLock.Leave;
  end;
end;

procedure TBatchRunner.AppendLogWaiting(const Text: string);
begin
  var Done := TEvent.Create(nil, True, False, '');
  TThread.CreateAnonymousThread(
    procedure
    begin
      TFile.AppendAllText('runner.log', Text + sLineBreak);
      Done.SetEvent;
    end).Start;
  if Done.WaitFor(2000) <> wrSignaled then
    raise Exception.CreateFmt('log writer did not finish within %d ms', [2000]);
end;

procedure TBatchRunner.CollectWordCounts(const Lines: TArray<string>);
begin
  var Counts := TDictionary<string, Integer>.Create;
  try
    TParallel.For(0, High(Lines),
      procedure(Index: Integer)
      begin
        for var W in Lines[Index].Split([' ', #9], TStringSplitOptions.ExcludeEmpty) do
        begin
          TMonitor.Enter(Counts);
          try
            var N: Integer;
            if Counts.TryGetValue(W.ToLower, N) then
              Counts[W.ToLower] := N + 1
            else
              Counts.Add(W.ToLower, 1);
          finally
            TMonitor.Exit(Counts);
          end;
        end;
      end);
    FLock.Enter;
    try
      for var Pair in Counts do
        FResults.Add(Pair.Value);
    finally
      FLock.Leave;
    end;
  finally
    Counts.Free;
  end;
end;

{ TWorkerPool }

constructor TWorkerPool.Create(const AName: string; MaxWorkers: Integer);
begin
  inherited Create;
  FName := AName;
  FPool := TThreadPool.Create;
  FPool.SetMaxWorkerThreads(MaxWorkers);
end;

destructor TWorkerPool.Destroy;
begin
  FPool.Free;
  inherited;
end;

procedure TWorkerPool.RunAll(const Jobs: TArray<TProc>);
var
  Tasks: TList<ITask>;
begin
  Tasks := TList<ITask>.Create;
  for var Job in Jobs do
    Tasks.Add(TTask.Run(Job, FPool));
  TTask.WaitForAll(Tasks.ToArray);
  Tasks.Free;
end;

function TWorkerPool.MapStrings(const Items: TArray<string>; const Fn: TFunc<string, string>): TArray<string>;
var
  Output: TArray<string>;
begin
  SetLength(Output, Length(Items));
  TParallel.For(0, High(Items),
    procedure(I: Integer)
    begin
      Output[I] := Fn(Items[I]);
    end, FPool);
  Result := Output;
end;

procedure TWorkerPool.ParallelDump(const Items: TArray<string>; const FileName: string);
begin
  var Sink := TStringList.Create;
  var Guard := TObject.Create;
  try
    TParallel.For(0, High(Items),
      procedure(I: Integer)
      begin
        TMonitor.Enter(Guard);
        try
          Sink.Add(Format('%s: %s', [FName, Items[I]]));
        finally
          TMonitor.Exit(Guard);
        end;
      end, FPool);
    Sink.SaveToFile(FileName);
  finally
    Guard.Free;
    Sink.Free;
  end;
end;

end.
