unit uJobScheduler;

interface

uses
  System.SysUtils, System.Classes, System.Threading, System.SyncObjs,
  System.Generics.Collections, Vcl.ExtCtrls, uLogger;

type
  TJobProc = reference to procedure;

  TScheduledJob = class
  public
    Name: string;
    IntervalSec: Integer;
    NextRun: TDateTime;
    Running: Boolean;
    Proc: TJobProc;
  end;

  TJobScheduler = class(TComponent)
  private
    FTimer: TTimer;
    FJobs: TObjectList<TScheduledJob>;
    FLogger: ILogger;
    procedure TimerTick(Sender: TObject);
    procedure RunJob(AJob: TScheduledJob);
  public
    constructor Create(AOwner: TComponent; const ALogger: ILogger); reintroduce;
    destructor Destroy; override;
    procedure AddJob(const AName: string; AIntervalSec: Integer; const AProc: TJobProc);
    procedure RunNow(const AName: string);
  end;

implementation

uses
  System.DateUtils;

constructor TJobScheduler.Create(AOwner: TComponent; const ALogger: ILogger);
begin
  inherited Create(AOwner);
  FLogger := ALogger;
  FJobs := TObjectList<TScheduledJob>.Create;
  FTimer := TTimer.Create(Self);
  FTimer.Interval := 1000;
  FTimer.OnTimer := TimerTick;
end;

destructor TJobScheduler.Destroy;
begin
  FTimer.Enabled := False;
  FJobs.Free;
  inherited;
end;

procedure TJobScheduler.AddJob(const AName: string; AIntervalSec: Integer; const AProc: TJobProc);
var
  Job: TScheduledJob;
begin
  Job := TScheduledJob.Create;
  Job.Name := AName;
  Job.IntervalSec := AIntervalSec;
  Job.NextRun := IncSecond(Now, AIntervalSec);
  Job.Proc := AProc;
  FJobs.Add(Job);
end;

procedure TJobScheduler.RunJob(AJob: TScheduledJob);
begin
  AJob.Running := True;
  TTask.Run(
    procedure
    var
      Started: TDateTime;
      Log: TStringList;
    begin
      Started := Now;
      Log := TStringList.Create;
      try
        try
          AJob.Proc();
          Log.Add(Format('job %s done in %d ms', [AJob.Name, MilliSecondsBetween(Now, Started)]));
        except
          on E: Exception do
            Log.Add(Format('job %s failed: %s', [AJob.Name, E.Message]));
        end;
        FLogger.Log(llInfo, Log.Text.Trim);
      finally
        Log.Free;
        TThread.Queue(nil,
          procedure
          begin
            AJob.Running := False;
            AJob.NextRun := IncSecond(Now, AJob.IntervalSec);
          end);
      end;
    end);
end;

procedure TJobScheduler.TimerTick(Sender: TObject);
var
  Job: TScheduledJob;
begin
  for Job in FJobs do
    if not Job.Running and (Job.NextRun <= Now) then
      RunJob(Job);
end;

procedure TJobScheduler.RunNow(const AName: string);
var
  Job: TScheduledJob;
  Worker: TThread;
begin
  for Job in FJobs do
    if SameText(Job.Name, AName) and not Job.Running then
    begin
      Job.Running := True;
      Worker := TThread.CreateAnonymousThread(
        procedure
        begin
          try
            Job.Proc();
          finally
            Job.Running := False;
          end;
        end);
      Worker.Start;
      Exit;
    end;
  raise EArgumentException.CreateFmt('No idle job named %s', [AName]);
end;

end.
