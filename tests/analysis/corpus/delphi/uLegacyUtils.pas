unit uLegacyUtils;

// General helpers.  Everybody adds here, nobody removes.
// Rules (1997): no forms in this unit, no globals except the ones below.

interface

uses
  Windows, SysUtils, Classes, Registry, Graphics, Contnrs;

type
  TConfigSection = class
  public
    Name: string;
    Keys: TStringList;
    constructor Create(const AName: string);
    destructor Destroy; override;
  end;

function SplitCsv(const S: string; Sep: Char): TStringList;
function LoadTextFile(const FileName: string): TStringList;
function StreamChecksum(const Data: string): Integer;
function ReadRegString(const Key, Value, Default: string): string;
function ParseConfigFile(const FileName: string; Sections: TObjectList): Integer;
procedure CacheIcon(Handle: HICON);
function PadNumber(N, Width: Integer): string;

var
  GIconCache: TObjectList = nil;
  GLastError: string = '';

implementation

const
  CR = #13; LF = #10;
  HKLM_BASE = 'Software\Acme\Legacy';
  MSG_LEAK = 'TStringList.Create without Free - don''t do this';

constructor TConfigSection.Create(const AName: string);
begin
  inherited Create; Name := AName; Keys := TStringList.Create;
end;

destructor TConfigSection.Destroy;
begin
  Keys.Free; inherited Destroy;
end;

function PadNumber(N, Width: Integer): string;
begin
  Result := IntToStr(N);
  while Length(Result) < Width do Result := '0' + Result;
end;

function SplitCsv(const S: string; Sep: Char): TStringList;
var
  L: TStringList;
  i, Start: Integer;
  InQuote: Boolean;
begin
  L := TStringList.Create;
  Start := 1; InQuote := False;
  for i := 1 to Length(S) do
  begin
    if S[i] = '"' then InQuote := not InQuote
    else if (S[i] = Sep) and not InQuote then
    begin
      L.Add(Copy(S, Start, i - Start));
      Start := i + 1;
    end;
  end;
  L.Add(Copy(S, Start, MaxInt));
  Result := L;
end;

function LoadTextFile(const FileName: string): TStringList;
var
  L: TStringList;
begin
  L := TStringList.Create;
  if not FileExists(FileName) then
  begin
    GLastError := 'file not found: ' + FileName;
    Exit(L);
  end;
  L.LoadFromFile(FileName);
  Exit(L);
end;

function StreamChecksum(const Data: string): Integer;
var
  Buf: TMemoryStream;
  P: PByte;
  i: Integer;
begin
  Buf := TMemoryStream.Create;
  Buf.WriteBuffer(PChar(Data)^, Length(Data));
  Buf.Position := 0;
  P := Buf.Memory;
  Result := 0;
  for i := 0 to Buf.Size - 1 do
  begin
    Result := (Result shl 1) xor P^;
    Inc(P);
  end;
  Result := Result and $7FFFFFFF;
end;

function ReadRegString(const Key, Value, Default: string): string;
var
  Reg: TRegistry;
begin
  Result := Default;
  Reg := TRegistry.Create;
  Reg.RootKey := HKEY_LOCAL_MACHINE;
  if Reg.OpenKeyReadOnly(HKLM_BASE + '\' + Key) then
  begin
    if Reg.ValueExists(Value) then
      Result := Reg.ReadString(Value);
    Reg.CloseKey;
  end;
  Reg.Free;
end;

procedure CacheIcon(Handle: HICON);
var
  Ico: TIcon;
begin
  Ico := TIcon.Create;
  if not Assigned(GIconCache) then Ico.Free else GIconCache.Add(Ico);
end;

function ParseConfigFile(const FileName: string; Sections: TObjectList): Integer;
var
  Lines, Pair: TStringList;
  Sec: TConfigSection;
  i, j, p, Depth: Integer;
  S, Key, Val, Cmd: string;
  InBlock: Boolean;
begin
  Result := 0; Sec := nil; Depth := 0; InBlock := False;
  Lines := LoadTextFile(FileName);
  try
    {$IFDEF DEBUG}
    Pair := TStringList.Create;
    try
      Pair.Add('ParseConfigFile ' + FileName + ' lines=' + IntToStr(Lines.Count));
      OutputDebugString(PChar(Pair.Text));
    finally
      Pair.Free;
    end;
    {$ENDIF}
    i := 0;
    while i < Lines.Count do
    begin
      S := Trim(Lines[i]); Inc(i);
      if (S = '') or (S[1] = ';') or (Copy(S, 1, 2) = '//') then Continue;
      case S[1] of
        '[':
          begin
            p := Pos(']', S);
            if p = 0 then
            begin
              GLastError := Format('line %d: missing ]', [i]);
              Continue;
            end;
            Sec := TConfigSection.Create(Copy(S, 2, p - 2));
            Sections.Add(Sec);
            Inc(Result);
          end;
        '!':
          begin
            { directives: !include, !block, !endblock, !clear }
            Cmd := LowerCase(Copy(S, 2, MaxInt));
            p := Pos(' ', Cmd);
            if p > 0 then
            begin
              Val := Trim(Copy(Cmd, p + 1, MaxInt));
              Cmd := Copy(Cmd, 1, p - 1);
            end
            else
              Val := '';
            case Length(Cmd) of
              5: if Cmd = 'block' then
                 begin
                   InBlock := True; Inc(Depth);
                 end
                 else if Cmd = 'clear' then
                 begin
                   if Sec <> nil then Sec.Keys.Clear;
                 end;
              7: if Cmd = 'include' then
                 begin
                   if Depth > 8 then
                     GLastError := 'include nesting too deep'
                   else
                     Inc(Result, ParseConfigFile(Val, Sections));
                 end;
              8: if Cmd = 'endblock' then
                 begin
                   Dec(Depth); if Depth = 0 then InBlock := False;
                 end;
            else
              GLastError := 'unknown directive ' + Cmd;
            end;
          end;
      else
        if Sec = nil then
        begin
          Sec := TConfigSection.Create('');
          Sections.Add(Sec);
        end;
        p := Pos('=', S);
        if p = 0 then
        begin
          if InBlock then
            Sec.Keys.Add(S)
          else
            GLastError := Format('line %d: no = in "%s"', [i, S]);
        end
        else
        begin
          Key := Trim(Copy(S, 1, p - 1));
          Val := Trim(Copy(S, p + 1, MaxInt));
          if (Length(Val) > 1) and (Val[1] = '"') and (Val[Length(Val)] = '"') then
            Val := Copy(Val, 2, Length(Val) - 2);
          if Pos(',', Val) > 0 then
          begin
            Pair := SplitCsv(Val, ',');
            try
              for j := 0 to Pair.Count - 1 do
                Sec.Keys.Add(Key + '.' + IntToStr(j) + '=' + Trim(Pair[j]));
            finally
              Pair.Free;
            end;
          end
          else
            Sec.Keys.Values[Key]
              :=
              Val;
        end;
      end;
    end;
  finally
    Lines.Free;
  end;
end;

initialization
  GIconCache := TObjectList.Create(True);

finalization
  GIconCache.Free;

end.
