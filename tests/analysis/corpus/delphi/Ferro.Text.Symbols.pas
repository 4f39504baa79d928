unit Ferro.Text.Symbols;

{ Symbol table guarded by a TLightweightMREW, a rate counter and a class
  helper that adds a few conveniences to TStrings. }

interface

uses
  System.SysUtils, System.Classes, System.StrUtils, System.Math,
  System.RegularExpressions, System.Diagnostics, System.SyncObjs,
  System.Generics.Collections;

type
  TStringsHelper = class helper for TStrings
  public
    function JoinWith(const Sep: string): string;
    function ContainsText(const Value: string): Boolean;
    procedure AddUnique(const Value: string);
    function CloneList: TStringList;
    procedure RemoveMatching(const Pattern: string);
    procedure AddTagged(const Name: string; Tag: Integer);
  end;

  TSymbolTable = class
  private
    FLock: TLightweightMREW;
    FNames: TDictionary<string, Integer>;
    FHistory: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    function Lookup(const Name: string; Default: Integer = -1): Integer;
    procedure Define(const Name: string; Value: Integer);
    function Dump: string;
    function ImportAssignments(const Text: string): Integer;
  end;

  TRateCounter = class
  private
    FHits: Integer;
    FWatch: TStopwatch;
    FLabel: string;
  public
    constructor Create(const ALabel: string);
    procedure Hit;
    function PerSecond: Double;
    function Report: string;
  end;

  TTagHolder = class
  public
    Tag: Integer;
    constructor Create(ATag: Integer);
  end;

implementation

{ TStringsHelper }

function TStringsHelper.JoinWith(const Sep: string): string;
begin
  var SB := TStringBuilder.Create;
  try
    for var I := 0 to Count - 1 do
    begin
      if I > 0 then
        SB.Append(Sep);
      SB.Append(Strings[I]);
    end;
    Result := SB.ToString;
  finally
    SB.Free;
  end;
end;

function TStringsHelper.ContainsText(const Value: string): Boolean;
begin
  for var S in Self do
    if SameText(S, Value) then
      Exit(True);
  Result := False;
end;

procedure TStringsHelper.AddUnique(const Value: string);
begin
  if not ContainsText(Value) then
    Add(Value);
end;

function TStringsHelper.CloneList: TStringList;
begin
  Result := TStringList.Create;
  Result.Assign(Self);
end;

procedure TStringsHelper.RemoveMatching(const Pattern: string);
begin
  var Re := TRegEx.Create(Pattern, [roIgnoreCase, roCompiled]);
  BeginUpdate;
  try
    for var I := Count - 1 downto 0 do
      if Re.IsMatch(Strings[I]) then
        Delete(I);
  finally
    EndUpdate;
  end;
end;

procedure TStringsHelper.AddTagged(const Name: string; Tag: Integer);
begin
  var Holder := TTagHolder.Create(Tag);
  AddObject(Name, Holder);
end;

{ TTagHolder }

constructor TTagHolder.Create(ATag: Integer);
begin
  inherited Create;
  Tag := ATag;
end;

{ TSymbolTable }

constructor TSymbolTable.Create;
begin
  inherited;
  FNames := TDictionary<string, Integer>.Create;
  FHistory := TStringList.Create;
end;

destructor TSymbolTable.Destroy;
begin
  try
    FNames.Free;
    inherited;
  finally
    FHistory.Free;
  end;
end;

function TSymbolTable.Lookup(const Name: string; Default: Integer): Integer;
begin
  FLock.BeginRead;
  try
    if not FNames.TryGetValue(Name.ToLower, Result) then
      Result := Default;
  finally
    FLock.EndRead;
  end;
end;

procedure TSymbolTable.Define(const Name: string; Value: Integer);
begin
  if not TRegEx.IsMatch(Name, '^[A-Za-z_][A-Za-z0-9_]*$') then
    raise EArgumentException.CreateFmt('"%s" is not a valid identifier', [Name]);
  FLock.BeginWrite;
  try
    var Old: Integer;
    var Existed := FNames.TryGetValue(Name.ToLower, Old);
    FNames.AddOrSetValue(Name.ToLower, Value);
    FHistory.Add(IfThen(Existed, Format('%s: %d -> %d', [Name, Old, Value]),
      Format('%s := %d', [Name, Value])));
  finally
    FLock.EndWrite;
  end;
end;

function TSymbolTable.Dump: string;
begin
  var Sorted := TStringList.Create;
  try
    FLock.BeginRead;
    try
      for var Pair in FNames do
        Sorted.Add(Format('%s=%d', [Pair.Key, Pair.Value]));
    finally
      FLock.EndRead;
    end;
    Sorted.Sort;
    Result := Sorted.JoinWith(sLineBreak);
  finally
    Sorted.Free;
  end;
end;

function TSymbolTable.ImportAssignments(const Text: string): Integer;
var
  Matches: TMatchCollection;
  Watch: TStopwatch;
begin
  Result := 0;
  Watch := TStopwatch.StartNew;
  Matches := TRegEx.Matches(Text, '(\w+)\s*=\s*(-?\d+)');
  for var M in Matches do
  begin
    try
      Define(M.Groups[1].Value, StrToInt(M.Groups[2].Value));
      Inc(Result);
    except
      on E: EArgumentException do
        FHistory.Add('skipped: ' + E.Message);
      on E: EConvertError do
        FHistory.Add('bad number: ' + M.Groups[2].Value);
    end;
  end;
  Watch.Stop;
  FHistory.Add(Format('imported %d in %d ms', [Result, Watch.ElapsedMilliseconds]));
end;

{ TRateCounter }

constructor TRateCounter.Create(const ALabel: string);
begin
  inherited Create;
  FLabel := ALabel;
  FWatch := TStopwatch.StartNew;
end;

procedure TRateCounter.Hit;
begin
  TMonitor.Enter(Self);
  try
    Inc(FHits);
  finally
    TMonitor.Exit(Self);
  end;
end;

function TRateCounter.PerSecond: Double;
begin
  var Seconds := FWatch.Elapsed.TotalSeconds;
  Result := IfThen(Seconds > 0, FHits / Seconds, 0.0);
end;

function TRateCounter.Report: string;
begin
  var Fields := TStringList.Create;
  Fields.Delimiter := ';';
  Fields.StrictDelimiter := True;
  Fields.Add('label=' + FLabel);
  Fields.Add('hits=' + FHits.ToString);
  Fields.Add('rate=' + FormatFloat('0.00', PerSecond));
  Fields.Add('state=' + IfThen(FWatch.IsRunning, 'running', 'stopped'));
  Result := Fields.DelimitedText;
end;

end.
