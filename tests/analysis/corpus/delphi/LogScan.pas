program LogScan;

{$APPTYPE CONSOLE}

{ Scans web server access logs (combined format) and prints hit counters
  per status code and per path.

  usage: LogScan [-v] [-min N] [-o report.txt] [-match REGEX]... file...    }

uses
  System.SysUtils,
  System.Classes,
  System.StrUtils,
  System.Generics.Collections,
  System.Generics.Defaults,
  System.RegularExpressions;

type
  THitCounter = class
  private
    FCounts: TDictionary<string, Integer>;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Hit(const AKey: string);
    function Count(const AKey: string): Integer;
    procedure DumpTo(ALines: TStrings; AMin: Integer);
  end;

var
  InputFiles: TStringList;
  StatusCounter: THitCounter;
  PathCounter: THitCounter;
  Patterns: TList<TRegEx>;
  Verbose: Boolean = False;
  MinHits: Integer = 1;
  OutputName: string = '';
  TotalLines: Int64 = 0;
  BadLines: Integer = 0;

{ THitCounter }

constructor THitCounter.Create;
begin
  inherited Create;
  FCounts := TDictionary<string, Integer>.Create;
end;

destructor THitCounter.Destroy;
begin
  FCounts.Free;
  inherited Destroy;
end;

procedure THitCounter.Hit(const AKey: string);
var
  N: Integer;
begin
  if FCounts.TryGetValue(AKey, N) then
    FCounts[AKey] := N + 1
  else
    FCounts.Add(AKey, 1);
end;

function THitCounter.Count(const AKey: string): Integer;
begin
  if not FCounts.TryGetValue(AKey, Result) then
    Result := 0;
end;

procedure THitCounter.DumpTo(ALines: TStrings; AMin: Integer);
var
  Keys: TList<string>;
  Key: string;
begin
  Keys := TList<string>.Create(FCounts.Keys);
  try
    Keys.Sort(TComparer<string>.Construct(
      function(const L, R: string): Integer
      begin
        Result := FCounts[R] - FCounts[L];
        if Result = 0 then
          Result := CompareStr(L, R);
      end));
    for Key in Keys do
      if FCounts[Key] >= AMin then
        ALines.Add(Format('%8d  %s', [FCounts[Key], Key]));
  finally
    Keys.Free;
  end;
end;

{ command line }

procedure Usage;
begin
  Writeln('usage: LogScan [-v] [-min N] [-o report.txt] [-match REGEX]... file...');
  Abort;
end;

procedure ParseCommandLine;
var
  I: Integer;
  Arg: string;
begin
  I := 1;
  while I <= ParamCount do
  begin
    Arg := ParamStr(I);
    if SameText(Arg, '-v') then
      Verbose := True
    else if SameText(Arg, '-min') and (I < ParamCount) then
    begin
      Inc(I);
      MinHits := StrToIntDef(ParamStr(I), 1);
    end
    else if SameText(Arg, '-o') and (I < ParamCount) then
    begin
      Inc(I);
      OutputName := ParamStr(I);
    end
    else if SameText(Arg, '-match') and (I < ParamCount) then
    begin
      Inc(I);
      Patterns.Add(TRegEx.Create(ParamStr(I), [roIgnoreCase, roCompiled]));
    end
    else if StartsStr('-', Arg) then
      Usage
    else
      InputFiles.Add(Arg);
    Inc(I);
  end;
  if InputFiles.Count = 0 then
    Usage;
end;

function PathWanted(const APath: string): Boolean;
var
  Rx: TRegEx;
begin
  if Patterns.Count = 0 then
    Exit(True);
  for Rx in Patterns do
    if Rx.IsMatch(APath) then
      Exit(True);
  Result := False;
end;

{ scanning }

procedure ScanFile(const AFileName: string);
var
  Reader: TStreamReader;
  LineRx: TRegEx;
  M: TMatch;
  Line, Path: string;
  Fields: TStringList;
begin
  LineRx := TRegEx.Create('^(\S+) \S+ \S+ \[[^\]]+\] "(\S+) (\S+)[^"]*" (\d{3}) (\S+)');
  Reader := TStreamReader.Create(AFileName, TEncoding.UTF8);
  try
    Fields := TStringList.Create;
    Fields.Delimiter := '?';
    Fields.StrictDelimiter := True;
    while not Reader.EndOfStream do
    begin
      Line := Reader.ReadLine;
      Inc(TotalLines);
      M := LineRx.Match(Line);
      if not M.Success then
      begin
        Inc(BadLines);
        if Verbose then
          Writeln(ErrOutput, AFileName, ': cannot parse: ', Copy(Line, 1, 60));
        Continue;
      end;
      Fields.DelimitedText := M.Groups[3].Value;
      Path := Fields[0];
      if not PathWanted(Path) then
        Continue;
      StatusCounter.Hit(M.Groups[4].Value);
      PathCounter.Hit(Path);
    end;
  finally
    Reader.Free;
  end;
  if Verbose then
    Writeln(AFileName, ': done');
end;

procedure WriteSummary;
var
  Report: TStringList;
begin
  Report := TStringList.Create;
  Report.Add(Format('lines read: %d, unparsable: %d', [TotalLines, BadLines]));
  Report.Add('');
  Report.Add('== status ==');
  StatusCounter.DumpTo(Report, 1);
  Report.Add('');
  Report.Add('== paths ==');
  PathCounter.DumpTo(Report, MinHits);
  if OutputName <> '' then
    Report.SaveToFile(OutputName, TEncoding.UTF8)
  else
    Write(Report.Text);
  Report.Free;
end;

var
  FileName: string;

begin
  ExitCode := 0;
  try
    InputFiles := TStringList.Create;
    StatusCounter := THitCounter.Create;
    PathCounter := THitCounter.Create;
    Patterns := TList<TRegEx>.Create;
    try
      ParseCommandLine;
      for FileName in InputFiles do
      begin
        if not FileExists(FileName) then
        begin
          Writeln(ErrOutput, 'missing: ', FileName);
          ExitCode := 3;
          Continue;
        end;
        ScanFile(FileName);
      end;
      WriteSummary;
    finally
      Patterns.Free;
      PathCounter.Free;
      StatusCounter.Free;
      InputFiles.Free;
    end;
  except
    on EAbort do
      ExitCode := 2;
    on E: Exception do
    begin
      Writeln(ErrOutput, E.ClassName, ': ', E.Message);
      ExitCode := 1;
    end;
  end;
end.
