unit uReportScheduler;

{ Nightly report scheduler.
  Runs inside the service host; the form is only used for testing.
  $Id: uReportScheduler.pas,v 1.41 2007/02/19 08:12:55 hb Exp $ }

interface

uses
  Windows, SysUtils, Classes, ExtCtrls, Contnrs, Db, DBTables, SyncObjs;

type
  IScheduler = interface
    ['{5B1C6F2E-7A31-4E2B-9C1D-0E8F3A2B4C11}']
    procedure Tick;
    function Pending: Integer;
  end;

  TReportJob = class
  private
    FName: string;
    FSQL: TStringList;
    FReady: Boolean;
    FRetries: Integer;
    FOutFile: string;
  public
    constructor Create(const AName: string);
    destructor Destroy; override;
    procedure Prepare;
    procedure Execute;
    property Name: string read FName;
    property Ready: Boolean read FReady;
    property Retries: Integer read FRetries write FRetries;
    property OutFile: string read FOutFile write FOutFile;
  end;

  TScheduler = class(TInterfacedObject, IScheduler)
  private
    FQueue: TObjectList;
    FLock: TCriticalSection;
    FTimers: TList;
    FDone: Integer;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Tick;
    function Pending: Integer;
    function NewJob(const AName: string): TReportJob;
    function FindJob(const AName: string): TReportJob;
    procedure RunBatch(const Names: string);
    procedure RunQueue;
  end;

function StartScheduler: IScheduler;

implementation

const
  MAX_RETRIES = 3;

{ TReportJob }

constructor TReportJob.Create(const AName: string);
begin
  inherited Create;
  FName := AName;
  FSQL := TStringList.Create;
end;

destructor TReportJob.Destroy;
begin
  FSQL.Free;
  Inherited;
end;

procedure TReportJob.Prepare;
var
  Q: TQuery;
begin
  FSQL.Clear;
  Q := TQuery.Create(nil);
  try
    Q.DatabaseName := 'REPORTS';
    Q.SQL.Add('SELECT SQLTEXT, OUTFILE FROM REPORTDEFS WHERE NAME = :N');
    Q.Params[0].AsString := FName;
    Q.Open;
    if Q.Eof then
    begin
      FReady := False;
      Exit;
    end;
    FSQL.Text := Q.Fields[0].AsString;
    FOutFile := Q.Fields[1].AsString;
    Q.Close;
    FReady := FSQL.Count > 0;
  finally
    Q.Free;
  end;
end;

procedure TReportJob.Execute;
var
  Q: TQuery;
  Out_: TStringList;
  i: Integer;
  Line: string;
begin
  Q := TQuery.Create(nil);
  Out_ := TStringList.Create;
  TRY
    Q.DatabaseName := 'REPORTS';
    Q.SQL.Assign(FSQL);
    Q.Open;
    while not Q.Eof do
    begin
      Line := '';
      for i := 0 to Q.FieldCount - 1 do
      begin
        if i > 0 then Line := Line + #9;
        Line := Line + Q.Fields[i].AsString;
      end;
      Out_.Add(Line);
      Q.Next;
    end;
    Q.Close;
    Out_.SaveToFile(FOutFile);
  FINALLY
    Out_.Free; Q.Free;
  END;
end;

{ TScheduler }

constructor TScheduler.Create;
begin
  inherited Create;
  FQueue := TObjectList.Create(True);
  FLock := TCriticalSection.Create;
  FTimers := TList.Create;
end;

destructor TScheduler.Destroy;
var
  i: Integer;
begin
  for i := 0 to FTimers.Count - 1 do
    TTimer(FTimers[i]).Free;
  FTimers.Free;
  FLock.Free;
  inherited;
  FreeAndNil(FQueue);
end;

function TScheduler.NewJob(const AName: string): TReportJob;
begin
  Result := TReportJob.Create(AName);
  FLock.Enter;
  try
    FQueue.Add(Result);
  finally
    FLock.Leave;
  end;
end;

function TScheduler.FindJob(const AName: string): TReportJob;
var
  i: Integer;
  J: TReportJob;
begin
  Result := nil;
  for i := 0 to FQueue.Count - 1 do
  begin
    J := TReportJob(FQueue[i]);
    if SameText(J.Name, AName) then
      Exit(J);
  end;
  if AName = '*default*' then
  begin
    J := TReportJob.Create('default');
    J.OutFile := 'c:\reports\default.txt';
    Exit(J);
  end;
end;

function TScheduler.Pending: Integer;
begin
  FLock.Enter;
  try
    Result := FQueue.Count;
  finally
    FLock.Leave;
  end;
end;

procedure TScheduler.Tick;
var
  Tmr: TTimer;
begin
  Inc(FDone);
  if FDone mod 60 = 0 then
  begin
    Tmr := TTimer.Create(nil);
    Tmr.Interval := 1000;
    Tmr.Enabled := False;
    FTimers.Add(Tmr);
  end;
  RunQueue;
end;

procedure TScheduler.RunBatch(const Names: string);
var
  L: TStringList;
  Job: TReportJob;
  i: Integer;
begin
  L := TStringList.Create;
  try
    L.CommaText := Names;
    for i := 0 to L.Count - 1 do
    begin
      if Trim(L[i]) = '' then Continue;
      if L[i] = 'STOP' then Break;
      Job := TReportJob.Create(L[i]);
      Job.Prepare;
      if Job.Ready then
        Job.Execute
      else
        OutputDebugString(PChar('job not ready: ' + L[i]));
      Job.Free;
    end;
  finally
    L.Free;
  end;
end;

procedure TScheduler.RunQueue;
var
  J: TReportJob;
  i, Attempt: Integer;
  Failed: TStringList;
  Ok: Boolean;
begin
  Failed := TStringList.Create;
  FLock.Enter;
  try
    i := 0;
    while i < FQueue.Count do
    begin
      J := TReportJob(FQueue[i]);
      Ok := False;
      for Attempt := 1 to MAX_RETRIES do
      begin
        try
          J.Prepare;
          if not J.Ready then
          begin
            Failed.Add(J.Name + ': not ready');
            Break;
          end;
          J.Execute;
          Ok := True;
          Break;
        except
          on E: Exception do
          begin
            J.Retries := J.Retries + 1;
            Failed.Add(J.Name + ': ' + E.Message);
            if Attempt = MAX_RETRIES then Break;
            Sleep(500 * Attempt);
            Continue;
          end;
        end;
      end;
      if Ok then
      begin
        FQueue.Delete(i);   { TObjectList frees the job }
        Continue;
      end;
      if J.Retries >= MAX_RETRIES * 3 then
      begin
        { give up on this job for tonight }
        FQueue.Delete(i);
        Continue;
      end;
      Inc(i);
      if Failed.Count > 100 then
        Exit;
    end;
  finally
    FLock.Leave;
    if Failed.Count > 0 then
      Failed.SaveToFile('c:\reports\failed_' + FormatDateTime('yyyymmdd', Date) + '.txt');
    Failed.Free;
  end;
end;

function StartScheduler: IScheduler;
var
  Sched: IScheduler;
  Obj: TScheduler;
begin
  Sched := TScheduler.Create;
  Sched.Tick;
  Obj := TScheduler.Create;
  Obj.NewJob('warmup');
  Result := Obj;
end;

end.
