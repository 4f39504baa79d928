unit uLegacyParser;

{ Tokenizer for the old *.cfg script files.
  Originally written for Delphi 5; kept compiling with FPC and with
  current Delphi.  Do not "modernise" the buffer code, the DOS tools
  still read the same binary token dump. }

{$IFDEF FPC}
  {$MODE DELPHI}
  {$ASMMODE INTEL}
{$ENDIF}

interface

uses
  SysUtils, Classes;

const
  tkNone    = 0;
  tkIdent   = 1;
  tkNumber  = 2;
  tkString  = 3;
  tkSymbol  = 4;
  tkFloat   = 5;

type
  PTokenRec = ^TTokenRec;
  TTokenRec = packed record
    Kind: Byte;
    Line: Word;
    Len: Word;
    case Integer of
      0: (IntVal: Longint);
      1: (FloatVal: Double);
      2: (Chars: array[0..7] of AnsiChar);
  end;

  PCharBuffer = ^TCharBuffer;
  TCharBuffer = object
    Data: PAnsiChar;
    Size: Integer;
    Pos: Integer;
    constructor Init(ASize: Integer);
    destructor Done; virtual;
    function Eof: Boolean;
    function NextChar: AnsiChar;
    function PeekChar: AnsiChar;
  end;

  PLineBuffer = ^TLineBuffer;
  TLineBuffer = object(TCharBuffer)
    LineNo: Integer;
    constructor Init(ASize: Integer);
    destructor Done; virtual;
    function NextChar: AnsiChar;
  end;

  TTokenizer = class
  private
    FBuf: TLineBuffer;
    FToken: TTokenRec;
    FText: AnsiString;
    FCount: Integer;
    function SkipBlanks: Boolean;
  public
    constructor Create;
    destructor Destroy; override;
    procedure SetSource(const S: AnsiString);
    procedure LoadFromFile(const FileName: string);
    function Next: Boolean;
    function TokenText: string;
    property Token: TTokenRec read FToken;
    property Count: Integer read FCount;
  end;

function SwapEndian32(Value: Longint): Longint;
function CountTokens(const S: AnsiString): Integer;
procedure DumpTokens(const S: AnsiString; Dest: TStrings);
function SafeStrToInt(const S: string): Integer;
procedure WriteTokenDump(const S: AnsiString; const FileName: string);

implementation

{ TCharBuffer }

constructor TCharBuffer.Init(ASize: Integer);
begin
  Size := ASize;
  Pos := 0;
  GetMem(Data, ASize + 1);
  FillChar(Data^, ASize + 1, 0);
end;

destructor TCharBuffer.Done;
begin
  if Data <> nil then
    FreeMem(Data, Size + 1);
  Data := nil;
end;

function TCharBuffer.Eof: Boolean;
begin
  Eof := Pos >= Size;
end;

function TCharBuffer.NextChar: AnsiChar;
begin
  if Pos >= Size then
  begin
    NextChar := #0;
    Exit;
  end;
  NextChar := Data[Pos];
  Inc(Pos);
end;

function TCharBuffer.PeekChar: AnsiChar;
begin
  if Pos < Size then
    PeekChar := Data[Pos]
  else
    PeekChar := #0;
end;

{ TLineBuffer }

constructor TLineBuffer.Init(ASize: Integer);
begin
  inherited Init(ASize);
  LineNo := 1;
end;

destructor TLineBuffer.Done;
begin
  inherited Done;
end;

function TLineBuffer.NextChar: AnsiChar;
var
  C: AnsiChar;
begin
  C := inherited NextChar;
  if C = #10 then
    Inc(LineNo);
  NextChar := C;
end;

{ TTokenizer }

constructor TTokenizer.Create;
begin
  inherited Create;
  FBuf.Init(0);
end;

destructor TTokenizer.Destroy;
begin
  FBuf.Done;
  inherited Destroy;
end;

procedure TTokenizer.SetSource(const S: AnsiString);
begin
  FBuf.Done;
  FBuf.Init(Length(S));
  if Length(S) > 0 then
    Move(S[1], FBuf.Data^, Length(S));
  FCount := 0;
end;

procedure TTokenizer.LoadFromFile(const FileName: string);
var
  Lines: TStrings;
begin
{$IFDEF UNICODE}
  Lines := TStringList.Create;
  Lines.DefaultEncoding := TEncoding.ANSI;
{$ELSE}
  Lines := TStringList.Create;
{$ENDIF}
  try
    Lines.LoadFromFile(FileName);
    SetSource(AnsiString(Lines.Text));
  finally
    Lines.Free;
  end;
end;

function TTokenizer.SkipBlanks: Boolean;
label
  Again;
var
  C: AnsiChar;
begin
Again:
  while (FBuf.PeekChar in [#1..' ']) do
    FBuf.NextChar;
  if FBuf.PeekChar = '#' then
  begin
    { comment up to the end of the line }
    repeat
      C := FBuf.NextChar;
    until (C = #10) or (C = #0);
    goto Again;
  end;
  Result := not FBuf.Eof;
end;

function TTokenizer.Next: Boolean;
var
  C: AnsiChar;
begin
  Result := False;
  FText := '';
  FillChar(FToken, SizeOf(FToken), 0);
  if not SkipBlanks then
    Exit;
  C := FBuf.PeekChar;
  with FToken do
  begin
    Line := FBuf.LineNo;
    case C of
      'A'..'Z', 'a'..'z', '_':
        begin
          Kind := tkIdent;
          while FBuf.PeekChar in ['A'..'Z', 'a'..'z', '_', '0'..'9'] do
            FText := FText + FBuf.NextChar;
        end;
      '0'..'9':
        begin
          Kind := tkNumber;
          while FBuf.PeekChar in ['0'..'9'] do
            FText := FText + FBuf.NextChar;
          IntVal := StrToIntDef(string(FText), 0);
        end;
      '''':
        begin
          Kind := tkString;
          FBuf.NextChar;
          while not (FBuf.PeekChar in ['''', #0]) do
            FText := FText + FBuf.NextChar;
          FBuf.NextChar;
        end;
    else
      Kind := tkSymbol;
      FText := FBuf.NextChar;
    end;
    Len := Length(FText);
    if Len <= SizeOf(Chars) then
      Move(PAnsiChar(FText)^, Chars, Len);
  end;
  Inc(FCount);
  Result := True;
end;

function TTokenizer.TokenText: string;
begin
  Result := string(FText);
end;

{ routines }

function SwapEndian32(Value: Longint): Longint;
{$IFDEF PUREPASCAL}
begin
  Result := Swap(Value shr 16) or (Longint(Swap(Value and $FFFF)) shl 16);
end;
{$ELSE}
asm
  {$IFDEF CPUX64}
  MOV     EAX, ECX
  {$ENDIF}
  BSWAP   EAX
end;
{$ENDIF}

function CountTokens(const S: AnsiString): Integer;
var
  Tok: TTokenizer;
begin
  Tok := TTokenizer.Create;
  Tok.SetSource(S);
  Result := 0;
  while Tok.Next do
    Inc(Result);
  Tok.Free;
end;

procedure DumpTokens(const S: AnsiString; Dest: TStrings);
var
  Tok: TTokenizer;
begin
  if Dest = nil then Exit;
  Tok := TTokenizer.Create;
  with Tok do
  begin
    SetSource(S);
    while Next do
      Dest.Add(Format('%4d  %d  %s', [Token.Line, Token.Kind, TokenText]));
  end;
end;

function SafeStrToInt(const S: string): Integer;
begin
  try Result := StrToInt(Trim(S)); except Result := 0; end;
end;

procedure WriteTokenDump(const S: AnsiString; const FileName: string);
var
  Tok: TTokenizer;
  F: file of TTokenRec;
  P: PLineBuffer;
  Rec: TTokenRec;
begin
  New(P, Init(16));
  try
    Tok := TTokenizer.Create;
    try
      Tok.SetSource(S);
      AssignFile(F, FileName);
      Rewrite(F);
      try
        while Tok.Next do
        begin
          Rec := Tok.Token;
          Rec.IntVal := SwapEndian32(Rec.IntVal);
          Write(F, Rec);
        end;
      finally
        CloseFile(F);
      end;
    finally
      Tok.Free;
    end;
  finally
    Dispose(P, Done);
  end;
end;

end.
