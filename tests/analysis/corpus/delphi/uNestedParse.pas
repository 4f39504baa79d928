unit uNestedParse;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, StrUtils;

type
  EParseError = class(Exception);

  { Reads an ini-like text:
      [section]
      key = value     ; comment
    Every section becomes a sorted TStringList kept in FSections.Objects. }
  TIniLikeParser = class
  private
    FSections: TStringList;
    FErrors: TStringList;
    FStrict: Boolean;
    procedure ClearSections;
  public
    constructor Create(AStrict: Boolean = False);
    destructor Destroy; override;
    procedure Parse(const AText: string);
    function SectionNames: string;
    function Lookup(const ASection, AKey: string): string;
    function CountTokens(const AText: string): Integer;
    function KeysOf(const ASection: string): string;
    property Errors: TStringList read FErrors;
  end;

function QuoteValue(const S: string): string;

implementation

function QuoteValue(const S: string): string;
begin
  // 'it''s' and 'it'#39's' are the same literal
  Result := #39 + StringReplace(S, #39, #39#39, [rfReplaceAll]) + #39;
end;

{ TIniLikeParser }

constructor TIniLikeParser.Create(AStrict: Boolean);
begin
  inherited Create;
  FStrict := AStrict;
  FSections := TStringList.Create;
  FSections.Sorted := True;
  FSections.CaseSensitive := False;
  FErrors := TStringList.Create;
end;

destructor TIniLikeParser.Destroy;

  procedure DropAll;
  var
    I: Integer;
  begin
    for I := 0 to FSections.Count - 1 do
      FSections.Objects[I].Free;
  end;

begin
  DropAll;
  FSections.Free;
  FErrors.Free;
  inherited Destroy;
end;

procedure TIniLikeParser.ClearSections;
var
  I: Integer;
begin
  for I := 0 to FSections.Count - 1 do
    FSections.Objects[I].Free;
  FSections.Clear;
end;

procedure TIniLikeParser.Parse(const AText: string);
var
  Lines: TStringList;
  Current: TStringList;
  LineNo: Integer;

  procedure Error(const Msg: string);
  begin
    if FStrict then
      raise EParseError.CreateFmt('line %d: %s', [LineNo, Msg]);
    FErrors.Add(Format('line %d: %s', [LineNo, Msg]));
  end;

  procedure StartSection(const AName: string);
  var
    Lines: TStringList; // shadows the outer Lines on purpose
    Idx: Integer;
  begin
    if FSections.Find(AName, Idx) then
    begin
      Current := TStringList(FSections.Objects[Idx]);
      Exit;
    end;
    Lines := TStringList.Create;
    Lines.Sorted := True;
    Lines.Duplicates := dupIgnore;
    FSections.AddObject(AName, Lines);
    Current := Lines;
  end;

  procedure AddPair(const S: string);
  var
    P: Integer;
    Key, Value: string;
  begin
    P := Pos('=', S);
    if P = 0 then
    begin
      Error('missing ''=''');
      Exit;
    end;
    Key := Trim(Copy(S, 1, P - 1));
    Value := Trim(Copy(S, P + 1, MaxInt));
    P := Pos(';', Value);
    if P > 0 then
      Value := TrimRight(Copy(Value, 1, P - 1));
    if Current = nil then
      StartSection('');
    Current.Values[Key] := Value;
  end;

var
  S: string;
begin
  ClearSections;
  FErrors.Clear;
  Current := nil;
  Lines := TStringList.Create;
  try
    Lines.Text := AText;
    for LineNo := 1 to Lines.Count do
    begin
      S := Trim(Lines[LineNo - 1]);
      if (S = '') or (S[1] = ';') or (S[1] = '#') then
        Continue;
      if S[1] = '[' then
      begin
        if S[Length(S)] <> ']' then
          Error('unterminated section header')
        else
          StartSection(Trim(Copy(S, 2, Length(S) - 2)));
      end
      else
        AddPair(S);
    end;
  finally
    Lines.Free;
  end;
end;

function TIniLikeParser.SectionNames: string;
var
  I: Integer;
begin
  Result := '';
  for I := 0 to FSections.Count - 1 do
    Result := Result + IfThen(I > 0, ', ') + QuoteValue(FSections[I]);
end;

function TIniLikeParser.Lookup(const ASection, AKey: string): string;
var
  Idx: Integer;
  Section, Keys: TStringList;
begin
  Result := '';
  if not FSections.Find(ASection, Idx) then
    Exit;
  Section := TStringList(FSections.Objects[Idx]);
  Keys := TStringList.Create;
  Keys.CaseSensitive := False;
  Keys.Text := Section.Text;
  Result := Keys.Values[AKey];
  Keys.Free;
end;

function TIniLikeParser.CountTokens(const AText: string): Integer;

  function CountWords(const S: string): Integer;
  var
    Words: TStringList;
  begin
    Words := TStringList.Create;
    Words.Delimiter := ' ';
    Words.StrictDelimiter := False;
    Words.DelimitedText := S;
    Result := Words.Count;
  end;

  function CountSymbols(const S: string): Integer;
  var
    I: Integer;
  begin
    Result := 0;
    for I := 1 to Length(S) do
      if S[I] in ['=', ';', '[', ']'] then
        Inc(Result);
  end;

var
  Buf: TStringList;
  I: Integer;

  procedure Done;
  begin
    Buf.Free;
  end;

begin
  Result := 0;
  Buf := TStringList.Create;
  try
    Buf.Text := AText;
    for I := 0 to Buf.Count - 1 do
      Inc(Result, CountWords(Buf[I]) + CountSymbols(Buf[I]));
  finally
    Done;
  end;
end;

function TIniLikeParser.KeysOf(const ASection: string): string;
var
  Idx, I: Integer;
  Section: TStringList;
begin
  Result := '';
  if not FSections.Find(ASection, Idx) then
    raise EParseError.CreateFmt('no section %s', [QuoteValue(ASection)]);
  Section := TStringList(FSections.Objects[Idx]);
  for I := 0 to Section.Count - 1 do
  begin
    if I > 0 then
      Result := Result + ',';
    Result := Result + Section.Names[I];
  end;
end;

end.
