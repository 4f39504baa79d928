unit uStringUtils;

(* String helpers shared by the import and export code.
   Nothing here raises on bad input: callers try the conversion and
   get a default back, except where the routine says otherwise. *)

interface

uses
  System.SysUtils, System.Classes, System.StrUtils;

type
  TStringsHelper = class helper for TStrings
  public
    function JoinWith(const ASeparator: string): string;
    procedure SplitInto(const AText: string; ADelimiter: Char);
    function IndexOfValue(const AValue: string): Integer;
  end;

function SplitCsvLine(const ALine: string; ADelimiter: Char = ';'): TStringList;
function WrapText(const AText: string; AWidth: Integer): string;
function CountWords(const AText: string): Integer;
function SafeStrToInt(const AText: string; ADefault: Integer = 0): Integer;
function NormaliseLineBreaks(const AText: string): string;

implementation

{ TStringsHelper }

function TStringsHelper.JoinWith(const ASeparator: string): string;
var
  I: Integer;
begin
  Result := '';
  for I := 0 to Count - 1 do
  begin
    if I > 0 then
      Result := Result + ASeparator;
    Result := Result + Strings[I];
  end;
end;

procedure TStringsHelper.SplitInto(const AText: string; ADelimiter: Char);
begin
  BeginUpdate;
  Clear;
  Delimiter := ADelimiter;
  StrictDelimiter := True;
  DelimitedText := AText;
  EndUpdate;
end;

function TStringsHelper.IndexOfValue(const AValue: string): Integer;
var
  I: Integer;
begin
  for I := 0 to Count - 1 do
    if SameText(ValueFromIndex[I], AValue) then
      Exit(I);
  Result := -1;
end;

function SplitCsvLine(const ALine: string; ADelimiter: Char): TStringList;
var
  Field: string;
  InQuotes: Boolean;
  C: Char;

  procedure EndField;
  begin
    Result.Add(Field);
    Field := '';
  end;

begin
  Result := TStringList.Create;
  Field := '';
  InQuotes := False;
  for C in ALine do
    if C = '"' then
      InQuotes := not InQuotes
    else if (C = ADelimiter) and not InQuotes then
      EndField
    else
      Field := Field + C;
  EndField;
end;

function WrapText(const AText: string; AWidth: Integer): string;
var
  Words: TStringList;
  Line: string;

  procedure FlushLine;
  begin
    if Line <> '' then
    begin
      if Result <> '' then
        Result := Result + sLineBreak;
      Result := Result + Line;
      Line := '';
    end;
  end;

var
  I: Integer;
begin
  Result := '';
  Line := '';
  Words := TStringList.Create;
  with Words do
  begin
    SplitInto(AText, ' ');
    for I := 0 to Count - 1 do
    begin
      if Length(Line) + Length(Strings[I]) + 1 > AWidth then
        FlushLine;
      Line := IfThen(Line = '', Strings[I], Line + ' ' + Strings[I]);
    end;
    Free;
  end;
  FlushLine;
end;

function CountWords(const AText: string): Integer;
var
  InWord: Boolean;
  C: Char;
begin
  // "begin", "end" and "try" in the text are words like any other.
  Result := 0;
  InWord := False;
  for C in AText do
    if C.IsWhiteSpace then
      InWord := False
    else if not InWord then
    begin
      InWord := True;
      Inc(Result);
    end;
end;

function SafeStrToInt(const AText: string; ADefault: Integer): Integer;
begin
  if not TryStrToInt(Trim(AText), Result) then
    Result := ADefault;
end;

function NormaliseLineBreaks(const AText: string): string;
begin
  Result := StringReplace(AText, #13#10, #10, [rfReplaceAll]);
  Result := StringReplace(Result, #13, #10, [rfReplaceAll]);
  Result := StringReplace(Result, #10, sLineBreak, [rfReplaceAll]);
end;

end.
