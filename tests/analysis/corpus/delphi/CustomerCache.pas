unit CustomerCache;

{ Customer balances kept in memory for the cashier screens.  Customers are
  stored in the Objects[] of a sorted string list keyed by name; the cache
  owns them and frees them by walking the list. }

interface

uses
  System.SysUtils, System.Classes, System.Math;

type
  TMoney = record
  private
    FCents: Int64;
  public
    constructor Create(ACents: Int64);
    class function Parse(const S: string): TMoney; static;
    class operator Add(const A, B: TMoney): TMoney;
    class operator Subtract(const A, B: TMoney): TMoney;
    class operator Multiply(const A: TMoney; Factor: Integer): TMoney;
    class operator GreaterThan(const A, B: TMoney): Boolean;
    class operator Equal(const A, B: TMoney): Boolean;
    class operator NotEqual(const A, B: TMoney): Boolean;
    class operator Implicit(const A: TMoney): string;
    function IsZero: Boolean;
    function ToString: string;
    property Cents: Int64 read FCents;
  end;

  TCustomer = class
  private
    FId: Integer;
    FName: string;
    FBalance: TMoney;
    FTags: TStringList;
  public
    constructor Create(AId: Integer; const AName: string);
    destructor Destroy; override;
    class function MakeFromCsv(const ALine: string): TCustomer;
    class function MakeGuest: TCustomer;
    procedure AssignCsv(const ALine: string);
    property Id: Integer read FId;
    property Name: string read FName;
    property Balance: TMoney read FBalance write FBalance;
    property Tags: TStringList read FTags;
  end;

  TCustomerCache = class
  private
    FItems: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Clear;
    function Add(ACustomer: TCustomer): TCustomer;
    function Find(const AName: string): TCustomer;
    function LoadFromFile(const AFileName: string): Integer;
    function MergeLine(const ALine: string): Boolean;
    function TotalBalance: TMoney;
    procedure RemoveZeroBalance;
    function Report: TStringList;
    procedure SaveReport(const AFileName: string);
  end;

implementation

{ TMoney }

constructor TMoney.Create(ACents: Int64);
begin
  FCents := ACents;
end;

class function TMoney.Parse(const S: string): TMoney;
var
  V: Currency;
begin
  V := StrToCurr(Trim(S), TFormatSettings.Invariant);
  Result := TMoney.Create(Round(V * 100));
end;

class operator TMoney.Add(const A, B: TMoney): TMoney;
begin
  Result.FCents := A.FCents + B.FCents;
end;

class operator TMoney.Subtract(const A, B: TMoney): TMoney;
begin
  Result.FCents := A.FCents - B.FCents;
end;

class operator TMoney.Multiply(const A: TMoney; Factor: Integer): TMoney;
begin
  Result.FCents := A.FCents * Factor;
end;

class operator TMoney.GreaterThan(const A, B: TMoney): Boolean;
begin
  Result := A.FCents > B.FCents;
end;

class operator TMoney.Equal(const A, B: TMoney): Boolean;
begin
  Result := A.FCents = B.FCents;
end;

class operator TMoney.NotEqual(const A, B: TMoney): Boolean;
begin
  Result := A.FCents <> B.FCents;
end;

class operator TMoney.Implicit(const A: TMoney): string;
begin
  Result := A.ToString;
end;

function TMoney.IsZero: Boolean;
begin
  Result := FCents = 0;
end;

function TMoney.ToString: string;
begin
  Result := Format('%d.%.2d', [FCents div 100, Abs(FCents mod 100)]);
  if (FCents < 0) and (FCents > -100) then
    Result := '-' + Result;
end;

{ TCustomer }

constructor TCustomer.Create(AId: Integer; const AName: string);
begin
  inherited Create;
  FId := AId;
  FName := AName;
  FBalance := TMoney.Create(0);
  FTags := TStringList.Create;
  FTags.Delimiter := ';';
  FTags.StrictDelimiter := True;
end;

destructor TCustomer.Destroy;
begin
  FTags.Free;
  inherited;
end;

class function TCustomer.MakeFromCsv(const ALine: string): TCustomer;
begin
  Result := TCustomer.Create(0, '');
  try
    Result.AssignCsv(ALine);
  except
    Result.Free;
    raise;
  end;
end;

class function TCustomer.MakeGuest: TCustomer;
begin
  Result := TCustomer.Create(-1, 'Guest');
  Result.Tags.Add('walk-in');
end;

procedure TCustomer.AssignCsv(const ALine: string);
var
  Parts: TStringList;
begin
  Parts := TStringList.Create;
  try
    Parts.StrictDelimiter := True;
    Parts.CommaText := ALine;
    if Parts.Count < 3 then
      raise EConvertError.CreateFmt('bad customer line: %s', [ALine]);
    FId := StrToInt(Parts[0]);
    FName := Parts[1];
    FBalance := TMoney.Parse(Parts[2]);
    if Parts.Count > 3 then
      FTags.DelimitedText := Parts[3];
  finally
    Parts.Free;
  end;
end;

{ TCustomerCache }

constructor TCustomerCache.Create;
begin
  inherited Create;
  FItems := TStringList.Create;
  FItems.Sorted := True;
  FItems.Duplicates := dupError;
  FItems.CaseSensitive := False;
end;

destructor TCustomerCache.Destroy;
begin
  Clear;
  FItems.Free;
  inherited Destroy;
end;

procedure TCustomerCache.Clear;
var
  I: Integer;
begin
  for I := 0 to FItems.Count - 1 do
    FItems.Objects[I].Free;
  FItems.Clear;
end;

function TCustomerCache.Add(ACustomer: TCustomer): TCustomer;
begin
  FItems.AddObject(ACustomer.Name, ACustomer);
  Result := ACustomer;
end;

function TCustomerCache.Find(const AName: string): TCustomer;
var
  Idx: Integer;
begin
  if FItems.Find(AName, Idx) then
    Result := TCustomer(FItems.Objects[Idx])
  else
    Result := nil;
end;

function TCustomerCache.LoadFromFile(const AFileName: string): Integer;
var
  Lines: TStringList;
  I: Integer;
  Cust: TCustomer;
begin
  Result := 0;
  Lines := TStringList.Create;
  try
    Lines.LoadFromFile(AFileName);
    if Lines.Count = 0 then
      Exit;
    for I := 1 to Lines.Count - 1 do      // line 0 is the header
    begin
      if Trim(Lines[I]) = '' then
        Continue;
      Cust := TCustomer.MakeFromCsv(Lines[I]);
      if Find(Cust.Name) <> nil then
      begin
        Cust.Free;
        Continue;
      end;
      Add(Cust);
      Inc(Result);
    end;
  finally
    Lines.Free;
  end;
end;

function TCustomerCache.MergeLine(const ALine: string): Boolean;
var
  Incoming: TCustomer;
  Existing: TCustomer;
begin
  Incoming := TCustomer.Create(0, '');
  Incoming.AssignCsv(ALine);
  Existing := Find(Incoming.Name);
  Result := Existing <> nil;
  if Result then
    Existing.Balance := Existing.Balance + Incoming.Balance;
  Incoming.Free;
end;

function TCustomerCache.TotalBalance: TMoney;
var
  I: Integer;
begin
  Result := TMoney.Create(0);
  for I := 0 to FItems.Count - 1 do
    Result := Result + TCustomer(FItems.Objects[I]).Balance;
end;

procedure TCustomerCache.RemoveZeroBalance;
var
  I: Integer;
  Obj: TObject;
begin
  for I := FItems.Count - 1 downto 0 do
  begin
    Obj := FItems.Objects[I];
    if TCustomer(Obj).Balance.IsZero then
    begin
      FItems.Delete(I);
      FreeAndNil(Obj);
    end;
  end;
end;

function TCustomerCache.Report: TStringList;
var
  I: Integer;
  Cust: TCustomer;
  Limit: TMoney;
begin
  Limit := TMoney.Create(-50000);
  Result := TStringList.Create;
  for I := 0 to FItems.Count - 1 do
  begin
    Cust := TCustomer(FItems.Objects[I]);
    if Limit > Cust.Balance then
      Result.Add(Format('%-30s %12s  OVER LIMIT', [Cust.Name, string(Cust.Balance)]))
    else
      Result.Add(Format('%-30s %12s', [Cust.Name, Cust.Balance.ToString]));
  end;
  Result.Add(Format('%-30s %12s', ['TOTAL', TotalBalance.ToString]));
end;

procedure TCustomerCache.SaveReport(const AFileName: string);
var
  R: TStringList;
begin
  R := Report;
  try
    R.SaveToFile(AFileName, TEncoding.UTF8);
  finally
    R.Free;
  end;
end;

end.
