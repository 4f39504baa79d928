unit uPeriodClose;

{ Month-end / year-end period close.
  Steps run in order; each step logs into the close protocol which is stored
  with the period (table PERIOD_CLOSE_LOG). A failed step rolls back its own
  transaction only; the close can be resumed from that step. }

interface

uses
  SysUtils, Classes, Contnrs, SyncObjs, DB, ADODB, uLedgerTypes, uBalanceSets;

type
  ECloseError = class(Exception);

  TCloseStepKind = (csAccruals, csDepreciation, csFxRevaluation, csBalanceCarry, csLock);

  TCloseStep = class
  private
    FKind: TCloseStepKind;
    FLock: TCriticalSection;
    FResources: TStringList;
    FDone: Boolean;
  public
    constructor Create(AKind: TCloseStepKind);
    destructor Destroy; override;
    property Kind: TCloseStepKind read FKind;
    property Done: Boolean read FDone write FDone;
  end;

  TCloseReport = class
  private
    FBuffer: TMemoryStream;
    FLines: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Add(const S: string);
    procedure SaveTo(AConnection: TADOConnection; APeriod: Integer);
  end;

  TPeriodCloser = class
  private
    FConnection: TADOConnection;
    FPeriod: Integer;
    FSteps: TObjectList;
    FLog: TCloseReport;
    FItems: TList;
    procedure RunAccruals;
    procedure RunFxRevaluation;
    procedure RunBalanceCarry;
    procedure LockPeriod;
    procedure Log(const AMsg: string); overload;
    procedure Log(const AFmt: string; const AArgs: array of const); overload;
  public
    constructor Create(AConnection: TADOConnection; APeriod: Integer);
    destructor Destroy; override;
    function Run(AFromStep: TCloseStepKind = csAccruals): Boolean;
    function OpenDifferences: Integer;
  end;

implementation

uses
  uAccrualCalc, uFxRates;

const
  StepNames: array[TCloseStepKind] of string =
    ('accruals', 'depreciation', 'fx revaluation', 'balance carry-forward', 'lock period');

{ TCloseStep }

constructor TCloseStep.Create(AKind: TCloseStepKind);
begin
  inherited Create;
  FKind := AKind;
  FLock := TCriticalSection.Create;
  FResources := TStringList.Create;
end;

destructor TCloseStep.Destroy;
begin
  FLock.Acquire;
  try
    FResources.Free;
    inherited;
  finally
    FLock.Release;
  end;
end;

{ TCloseReport }

constructor TCloseReport.Create;
begin
  inherited Create;
  FBuffer := TMemoryStream.Create;
  FLines := TStringList.Create;
end;

destructor TCloseReport.Destroy;
begin
  FLines.Free;
  try
    inherited Destroy;
  finally
    FBuffer.Free;
  end;
end;

procedure TCloseReport.Add(const S: string);
begin
  FLines.Add(FormatDateTime('hh:nn:ss', Now) + '  ' + S);
end;

procedure TCloseReport.SaveTo(AConnection: TADOConnection; APeriod: Integer);
var
  Cmd: TADOCommand;
begin
  FBuffer.Clear;
  FLines.SaveToStream(FBuffer);
  FBuffer.Position := 0;
  Cmd := nil;
  try
    Cmd := TADOCommand.Create(nil);
    Cmd.Connection := AConnection;
    Cmd.CommandText := 'INSERT INTO PERIOD_CLOSE_LOG (PERIOD, STAMP, PROTOCOL) VALUES (:P, :S, :L)';
    Cmd.Parameters[0].Value := APeriod;
    Cmd.Parameters[1].Value := Now;
    Cmd.Parameters[2].LoadFromStream(FBuffer, ftBlob);
    Cmd.Execute;
  finally
    Cmd.Free;
  end;
end;

{ TPeriodCloser }

constructor TPeriodCloser.Create(AConnection: TADOConnection; APeriod: Integer);
var
  K: TCloseStepKind;
begin
  inherited Create;
  FConnection := AConnection;
  FPeriod := APeriod;
  FSteps := TObjectList.Create(True);
  for K := Low(TCloseStepKind) to High(TCloseStepKind) do
    FSteps.Add(TCloseStep.Create(K));
  FLog := TCloseReport.Create;
  FItems := TList.Create;
end;

destructor TPeriodCloser.Destroy;
begin
  if Assigned(FLog) then
    FLog.Free;
  FreeAndNil(FItems);
  FSteps.Free;
  inherited;
end;

procedure TPeriodCloser.Log(const AMsg: string);
begin
  FLog.Add(AMsg);
end;

procedure TPeriodCloser.Log(const AFmt: string; const AArgs: array of const);
begin
  FLog.Add(Format(AFmt, AArgs));
end;

procedure TPeriodCloser.RunAccruals;
begin
  with TAccrualCalc.Create(FConnection, FPeriod) do
  try
    IncludeDeferred := True;
    Calculate;
    Log('accruals: %d bookings, %m', [BookingCount, Total]);
    PostBookings;
  finally
    Free;
  end;
end;

procedure TPeriodCloser.RunFxRevaluation;
var
  Rates: TFxRateTable;
  Open: TBalanceSet;
  i: Integer;
begin
  Rates := TFxRateTable.Create(FConnection);
  try
    Rates.LoadForDate(PeriodEnd(FPeriod));
    Open := TBalanceSet.Create;
    try
      Open.LoadForeignCurrency(FConnection, FPeriod);
      for i := 0 to Open.Count - 1 do
        if Rates.HasRate(Open[i].Currency) then
          Open[i].Revalue(Rates.RateOf(Open[i].Currency))
        else
          Log('no rate for %s on account %s', [Open[i].Currency, Open[i].AccountNo]);
      Open.PostDifferences(FConnection, 'FX revaluation ' + IntToStr(FPeriod));
    finally
      Open.Free;
    end;
  finally
    Rates.Free;
  end;
end;

procedure TPeriodCloser.RunBalanceCarry;
var
  Src, Dst: TBalanceSet;
begin
  Src := TBalanceSet.Create;
  try
    Src.LoadClosing(FConnection, FPeriod);
    Dst := TBalanceSet.Create;
    with Src, Dst do
    try
      CopyFrom(Src);
      ResetRevenueAccounts;
      SaveOpening(FConnection, FPeriod + 1);
    finally
      Free;
    end;
  finally
    Src.Free;
  end;
end;

procedure TPeriodCloser.LockPeriod;
var
  Cmd: TADOCommand;
begin
  Cmd := TADOCommand.Create(nil);
  try
    Cmd.Connection := FConnection;
    Cmd.CommandText := 'UPDATE PERIOD SET LOCKED = 1, LOCKED_AT = :D WHERE PERIOD = :P';
    Cmd.Parameters[0].Value := Now;
    Cmd.Parameters[1].Value := FPeriod;
    Cmd.Execute;
  finally
    Cmd.Free;
  end;
end;

function TPeriodCloser.Run(AFromStep: TCloseStepKind): Boolean;
var
  i: Integer;
  Step: TCloseStep;
begin
  Result := True;
  for i := Ord(AFromStep) to FSteps.Count - 1 do
  begin
    Step := TCloseStep(FSteps[i]);
    Log('step %s started', [StepNames[Step.Kind]]);
    FConnection.BeginTrans;
    try
      case Step.Kind of
        csAccruals: RunAccruals;
        csDepreciation: ; // done by the asset module since 2011
        csFxRevaluation: RunFxRevaluation;
        csBalanceCarry: RunBalanceCarry;
        csLock: LockPeriod;
      end;
      FConnection.CommitTrans;
      Step.Done := True;
      Log('step %s done', [StepNames[Step.Kind]]);
    except
      on E: Exception do
      begin
        FConnection.RollbackTrans;
        Log('step %s failed: %s', [StepNames[Step.Kind], E.Message]);
        Result := False;
        Break;
      end;
    end;
  end;
  FLog.SaveTo(FConnection, FPeriod);
end;

function TPeriodCloser.OpenDifferences: Integer;
var
  List: TStringList;

  function CountSuspense: Integer;
  var
    List: TStringList;
    Q: TADOQuery;
  begin
    List := TStringList.Create;
    Q := TADOQuery.Create(nil);
    try
      Q.Connection := FConnection;
      Q.SQL.Text := 'SELECT ACCOUNT_NO FROM SUSPENSE WHERE PERIOD = ' + IntToStr(FPeriod);
      Q.Open;
      while not Q.Eof do
      begin
        List.Add(Q.Fields[0].AsString);
        Q.Next;
      end;
      Result := List.Count;
    finally
      Q.Free;
    end;
  end;

begin
  List := TStringList.Create;
  try
    List.Sorted := True;
    List.Duplicates := dupIgnore;
    dmBalances.DifferenceAccounts(FPeriod, List);
    Result := List.Count + CountSuspense;
    if Result > 0 then
      Log('%d open differences, first: %s', [Result, List[0]]);
  finally
    List.Free;
  end;
end;

end.
