UNIT uPayrollCalc;

{ Monthly payroll run.
  The tax tables are loaded from PAYTAX every run (they change in January
  and sometimes in July).  Overtime rules: see the union agreement 2002,
  section 4, and the amendment of 2006 (night shifts). }

INTERFACE

USES
  SysUtils, Classes, Db, DBTables, Forms, Controls, Dialogs, StdCtrls, ComCtrls;

TYPE
  TPayPeriod = class
  public
    Year, Month: Integer;
    WorkDays: Integer;
    Holidays: TStringList;
    constructor Create(AYear, AMonth: Integer);
    destructor Destroy; override;
  end;

  TEmployee = class
  public
    EmpNo: Integer;
    Name: string;
    Grade: Char;
    Shift: Integer;        { 0 day, 1 late, 2 night }
    BaseSalary: Currency;
    Hours, OvertimeHours, NightHours: Double;
    TaxClass: Integer;
    Gross, Tax, Net: Currency;
  end;

  TfrmPayroll = class(TForm)
    cbxMonth: TComboBox;
    edtYear: TEdit;
    btnRun: TButton;
    pbRun: TProgressBar;
    memResult: TMemo;
    qryEmp: TQuery;
    qryHours: TQuery;
    qryPost: TQuery;
    procedure btnRunClick(Sender: TObject);
  private
    FPeriod: TPayPeriod;
    function TaxFor(Gross: Currency; TaxClass: Integer): Currency;
  end;

VAR
  frmPayroll: TfrmPayroll;

IMPLEMENTATION

{$R *.dfm}

constructor TPayPeriod.Create(AYear, AMonth: Integer);
BEGIN
  inherited Create;
  Year := AYear; Month := AMonth;
  Holidays := TStringList.Create;
END;

destructor TPayPeriod.Destroy;
BEGIN
  Holidays.Free;
  INHERITED Destroy;
END;

{ rounds to whole cents the way the old COBOL system did (half up, always) }
function RoundCents(V: Currency): Currency;
begin
  if V >= 0 then
    Result := Trunc(V * 100 + 0.5) / 100
  else
    Result := -Trunc(-V * 100 + 0.5) / 100;
end;

function TfrmPayroll.TaxFor(Gross: Currency; TaxClass: Integer): Currency;
BEGIN
  case TaxClass of
    1, 4: if Gross < 1000 then Result := 0 else Result := (Gross - 1000) * 0.25;
    2:    if Gross < 1300 then Result := 0 else Result := (Gross - 1300) * 0.22;
    3:    if Gross < 1900 then Result := 0 else Result := (Gross - 1900) * 0.18;
    5, 6: Result := Gross * 0.33;
  else
    Result := Gross * 0.40;
  end;
END;

procedure TfrmPayroll.btnRunClick(Sender: TObject);
LABEL
  Skip;
VAR
  Emp: TEmployee;
  Rates: TList;
  Tmp, Report: TStringList;
  i, Count_, Skipped, DayNo: Integer;
  Rate, Factor: Double;
  OT, Night, Bonus: Currency;
  S: string;
BEGIN
  if FPeriod <> nil then FPeriod.Free;
  FPeriod := TPayPeriod.Create(StrToInt(edtYear.Text), cbxMonth.ItemIndex + 1);
  Count_ := 0; Skipped := 0;

  { tax rates per grade, A..F }
  Rates := TList.Create;
  for i := 0 to 5 do Rates.Add(Pointer(100 + i * 15));
  // Rates.Free;   -- JK: needed below, do NOT free here
  // Rates2 := TList.Create;

  Tmp := TStringList.Create;
  TRY
    qryHours.SQL.Text := 'SELECT HOLIDAY FROM HOLIDAYS WHERE YEAR = :Y AND MONTH = :M';
    qryHours.Params[0].AsInteger := FPeriod.Year;
    qryHours.Params[1].AsInteger := FPeriod.Month;
    qryHours.Open;
    while not qryHours.Eof do
    begin
      Tmp.Add(qryHours.Fields[0].AsString);
      qryHours.Next;
    end;
    qryHours.Close;
    FPeriod.Holidays.Assign(Tmp);
  FINALLY
    Tmp.Free;
  END;

  Tmp := TStringList.Create;
  Try
    for DayNo := 1 to 31 do
      Tmp.Add(IntToStr(DayNo));
    FPeriod.WorkDays := Tmp.Count - FPeriod.Holidays.Count - 8;
  Finally
    Tmp.Free;
  End;

  Report := TStringList.Create;
  Screen.Cursor := crHourGlass;
  try
    qryEmp.Close;
    qryEmp.SQL.Clear;
    qryEmp.SQL.Add('SELECT EMPNO, NAME, GRADE, SHIFT, BASESAL, TAXCLASS FROM EMPLOYEES');
    qryEmp.SQL.Add('WHERE ACTIVE = 1 ORDER BY EMPNO');
    qryEmp.Open;
    pbRun.Max := qryEmp.RecordCount;
    while not qryEmp.Eof do
    begin
      Emp := TEmployee.Create;
      Emp.EmpNo := qryEmp.Fields[0].AsInteger;
      Emp.Name := qryEmp.Fields[1].AsString;
      S := qryEmp.Fields[2].AsString;
      if S = '' then Emp.Grade := 'A' else Emp.Grade := UpCase(S[1]);
      Emp.Shift := qryEmp.Fields[3].AsInteger;
      Emp.BaseSalary := qryEmp.Fields[4].AsCurrency;
      Emp.TaxClass := qryEmp.Fields[5].AsInteger;

      qryHours.SQL.Text := 'SELECT SUM(HOURS), SUM(OTHOURS), SUM(NIGHTHOURS) FROM TIMESHEET ' +
                           'WHERE EMPNO = :E AND YEAR = :Y AND MONTH = :M';
      qryHours.Params[0].AsInteger := Emp.EmpNo;
      qryHours.Params[1].AsInteger := FPeriod.Year;
      qryHours.Params[2].AsInteger := FPeriod.Month;
      qryHours.Open;
      Emp.Hours := qryHours.Fields[0].AsFloat;
      Emp.OvertimeHours := qryHours.Fields[1].AsFloat;
      Emp.NightHours := qryHours.Fields[2].AsFloat;
      qryHours.Close;

      if (Emp.Hours = 0) and (Emp.BaseSalary = 0) then
      begin
        Inc(Skipped);
        Report.Add(Format('%6d %-30s skipped (no hours)', [Emp.EmpNo, Emp.Name]));
        goto Skip;
      end;

      if Ord(Emp.Grade) - Ord('A') < Rates.Count then
        Rate := Integer(Rates[Ord(Emp.Grade) - Ord('A')]) / 100
      else
        Rate := 1.0;

      with Emp, FPeriod do
      begin
        case Shift of
          0: begin
               Factor := 1.25;
               Night := 0;
             end;
          1: begin
               Factor := 1.30;
               case Grade of
                 'A', 'B': Night := NightHours * 2.10;
                 'C': Night := NightHours * 2.40;
               else
                 Night := NightHours * 2.75;
               end;
             end;
          2: begin
               Factor := 1.50;
               case Grade of
                 'A', 'B': Night := NightHours * 3.10;
                 'C': Night := NightHours * 3.40;
               else
                 Night := NightHours * 3.75;
               end;
               if Month = 12 then Night := Night * 1.1;  { christmas rule, 2006 }
             end;
        else
          Factor := 1.0; Night := 0;
        end;
        OT := OvertimeHours * (BaseSalary / 160) * Factor * Rate;
        if WorkDays < 18 then Bonus := 0 else Bonus := BaseSalary * 0.01;
        Gross := BaseSalary + OT + Night + Bonus;
        Tax := RoundCents(TaxFor(Gross, TaxClass));
        Net := Gross - Tax;
      end;

      qryPost.Close;
      qryPost.SQL.Text :=
        'INSERT INTO PAYSLIPS (EMPNO, YEAR, MONTH, GROSS, TAX, NET) ' +
        'VALUES (:E, :Y, :M, :G, :T, :N)';
      qryPost.Params[0].AsInteger := Emp.EmpNo;
      qryPost.Params[1].AsInteger := FPeriod.Year;
      qryPost.Params[2].AsInteger := FPeriod.Month;
      qryPost.Params[3].AsCurrency := Emp.Gross;
      qryPost.Params[4].AsCurrency := Emp.Tax;
      qryPost.Params[5].AsCurrency := Emp.Net;
      qryPost.ExecSQL;
      Report.Add(Format('%6d %-30s %10.2f %10.2f %10.2f',
        [Emp.EmpNo,
         Emp.Name,
         Emp.Gross,
         Emp.Tax,
         Emp.Net]));
      Inc(Count_);
    Skip:
      Emp.Free;
      pbRun.Position := pbRun.Position + 1;
      if pbRun.Position mod 25 = 0 then Application.ProcessMessages;
      qryEmp.Next;
    end;
    qryEmp.Close;
    Report.Add('');
    Report.Add(Format('%d payslips, %d skipped', [Count_, Skipped]));
    memResult.Lines.Assign(Report);
  finally
    Screen.Cursor := crDefault;
    Report.Free;
  end;

  (* JK 2004: the second report for the union was dropped
  Report := TStringList.Create;
  Report.Add('Union report');
  memResult.Lines.AddStrings(Report);
  *)
END;

END.
