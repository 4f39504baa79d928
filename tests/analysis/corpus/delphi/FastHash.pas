{ FastHash - CRC32 and 128-bit FNV hashing for files, streams and strings.

  Builds with Delphi 7 through 11 and with the x64 compiler.  The assembler
  paths are used on 32-bit Windows only; define PUREPASCAL to force the
  portable code everywhere. }

unit FastHash;

{$I FastHash.inc}

{$IFDEF FPC}
  {$MODE DELPHI}
  {$ASMMODE INTEL}
  {$DEFINE PUREPASCAL}
{$ENDIF}

{$IF Defined(CPUX64) or Defined(CPUARM)}
  {$DEFINE PUREPASCAL}
{$IFEND}

{$IFNDEF PUREPASCAL}
  {$OPTIMIZATION ON}
{$ENDIF}

interface

uses
  {$IFDEF MSWINDOWS}Windows,{$ENDIF}
  SysUtils, Classes;

type
  {$IF CompilerVersion < 20.0}
  UInt64 = Int64;
  NativeInt = Integer;
  {$IFEND}

  PDigest = ^TDigest;
  TDigest = packed record
    case Integer of
      0: (Bytes: array[0..15] of Byte);
      1: (Longs: array[0..3] of Cardinal);
      2: (Lo, Hi: UInt64);
  end;

  THash128 = record
  strict private
    FDigest: TDigest;
  public
    class function Create(const ALo, AHi: UInt64): THash128; static;
    class function Empty: THash128; static; inline;
    class operator Equal(const A, B: THash128): Boolean; inline;
    class operator NotEqual(const A, B: THash128): Boolean; inline;
    class operator Implicit(const A: THash128): string;
    function IsEmpty: Boolean; inline;
    function ToHex: string;
    property Digest: TDigest read FDigest;
  end;

  THashStream = class(TStream)
  private
    FTarget: TStream;
    FOwnsTarget: Boolean;
    FCrc: Cardinal;
    FSize: Int64;
  public
    constructor Create(ATarget: TStream; AOwnsTarget: Boolean = False);
    destructor Destroy; override;
    function Read(var Buffer; Count: Longint): Longint; override;
    function Write(const Buffer; Count: Longint): Longint; override;
    function Seek(const Offset: Int64; Origin: TSeekOrigin): Int64; override;
    property Crc: Cardinal read FCrc;
  end;

  TChunkedHasher = class
  private
    FBuffer: TMemoryStream;
    {$IFNDEF PUREPASCAL}
    FTable: Pointer;
    {$ENDIF}
    FCrc: Cardinal;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Update(const Buf; Len: Integer);
    function Finish: Cardinal;
  end;

  THashRegistry = class
  strict private
    class var FNames: TStringList;
    class constructor Create;
    class destructor Destroy;
  public
    class procedure RegisterName(const AName: string);
    class function Known(const AName: string): Boolean;
  end;

function Crc32Update(Crc: Cardinal; P: PByte; Len: Integer): Cardinal;
function Crc32OfString(const S: AnsiString): Cardinal;
function Fnv128(const Buf; Len: Integer): THash128;
function HashFile(const AFileName: string): Cardinal;
function HashStrings(AList: TStrings): Cardinal;
function HashDirectory(const ADir: string): Cardinal;
function HashOfStream(AStream: TStream): THash128;
function DigestMatches(const A: THash128; const AHex: string): Boolean;
function ProbeFileKind(const AFileName: string): string;
function HashFileShared(const AFileName: string): Cardinal;

{$IFDEF MSWINDOWS}
function RtlComputeCrc32(dwInitial: DWORD; pData: Pointer; iLen: Integer): DWORD; stdcall;
  external 'ntdll.dll';
{$ENDIF}

implementation

var
  CrcTable: array[0..255] of Cardinal;

procedure BuildCrcTable;
var
  I, J: Integer;
  C: Cardinal;
begin
  for I := 0 to 255 do
  begin
    C := I;
    for J := 0 to 7 do
      if (C and 1) <> 0 then
        C := (C shr 1) xor $EDB88320
      else
        C := C shr 1;
    CrcTable[I] := C;
  end;
end;

{$IFDEF PUREPASCAL}
function Crc32Update(Crc: Cardinal; P: PByte; Len: Integer): Cardinal;
var
  I: Integer;
begin
  Result := not Crc;
  for I := 0 to Len - 1 do
  begin
    Result := CrcTable[(Result xor P^) and $FF] xor (Result shr 8);
    Inc(P);
  end;
  Result := not Result;
end;
{$ELSE}
function Crc32Update(Crc: Cardinal; P: PByte; Len: Integer): Cardinal;
asm
        { eax = Crc, edx = P, ecx = Len }
        push    ebx
        push    esi
        not     eax
        test    ecx, ecx
        jle     @@Done
        mov     esi, edx
@@Loop:
        movzx   ebx, byte ptr [esi]
        xor     bl, al
        shr     eax, 8
        xor     eax, dword ptr [CrcTable + ebx * 4]
        inc     esi
        dec     ecx
        jnz     @@Loop
@@Done:
        not     eax
        pop     esi
        pop     ebx
end;
{$ENDIF}

function Crc32OfString(const S: AnsiString): Cardinal;
begin
  if S = '' then
    Result := 0
  else
    Result := Crc32Update(0, PByte(PAnsiChar(S)), Length(S));
end;

function Fnv128(const Buf; Len: Integer): THash128;
const
  OffsetLo: UInt64 = $62B821756295C58D;
  OffsetHi: UInt64 = $6C62272E07BB0142;
var
  P: PByte;
  Lo, Hi: UInt64;
  I: Integer;
begin
  Lo := OffsetLo;
  Hi := OffsetHi;
  P := @Buf;
  for I := 0 to Len - 1 do
  begin
    Lo := Lo xor P^;
    { 128-bit multiply by the FNV prime, folded: good enough for bucketing }
    Hi := Hi * $13B + (Lo shr 32);
    Lo := Lo * $13B;
    Inc(P);
  end;
  Result := THash128.Create(Lo, Hi);
end;

{ THash128 }

class function THash128.Create(const ALo, AHi: UInt64): THash128;
begin
  Result.FDigest.Lo := ALo;
  Result.FDigest.Hi := AHi;
end;

class function THash128.Empty: THash128;
begin
  FillChar(Result, SizeOf(Result), 0);
end;

class operator THash128.Equal(const A, B: THash128): Boolean;
begin
  Result := (A.FDigest.Lo = B.FDigest.Lo) and (A.FDigest.Hi = B.FDigest.Hi);
end;

class operator THash128.NotEqual(const A, B: THash128): Boolean;
begin
  Result := not (A = B);
end;

class operator THash128.Implicit(const A: THash128): string;
begin
  Result := A.ToHex;
end;

function THash128.IsEmpty: Boolean;
begin
  Result := (FDigest.Lo = 0) and (FDigest.Hi = 0);
end;

function THash128.ToHex: string;
var
  I: Integer;
begin
  Result := '';
  for I := 0 to 15 do
    Result := Result + IntToHex(FDigest.Bytes[I], 2);
end;

{ THashStream }

constructor THashStream.Create(ATarget: TStream; AOwnsTarget: Boolean);
begin
  inherited Create;
  FTarget := ATarget;
  FOwnsTarget := AOwnsTarget;
end;

destructor THashStream.Destroy;
begin
  if FOwnsTarget then
    FTarget.Free;
  inherited Destroy;
  {$IFDEF HASH_TRACE}
  OutputDebugString('THashStream destroyed');
  {$ENDIF}
end;

function THashStream.Read(var Buffer; Count: Longint): Longint;
begin
  Result := FTarget.Read(Buffer, Count);
  if Result > 0 then
  begin
    FCrc := Crc32Update(FCrc, @Buffer, Result);
    Inc(FSize, Result);
  end;
end;

function THashStream.Write(const Buffer; Count: Longint): Longint;
begin
  Result := FTarget.Write(Buffer, Count);
  if Result > 0 then
  begin
    FCrc := Crc32Update(FCrc, @Buffer, Result);
    Inc(FSize, Result);
  end;
end;

function THashStream.Seek(const Offset: Int64; Origin: TSeekOrigin): Int64;
begin
  { only the size query that TStream.GetSize makes is supported }
  if (Offset = 0) and (Origin = soCurrent) then
    Result := FSize
  else
    raise EStreamError.Create('THashStream cannot seek');
end;

{ TChunkedHasher }

constructor TChunkedHasher.Create;
begin
  inherited Create;
  FBuffer := TMemoryStream.Create;
  {$IFNDEF PUREPASCAL}
  { page-aligned copy of the table for the SSE4.2 fallback path }
  FTable := VirtualAlloc(nil, SizeOf(CrcTable), MEM_COMMIT, PAGE_READWRITE);
  Move(CrcTable, FTable^, SizeOf(CrcTable));
  {$ENDIF}
end;

destructor TChunkedHasher.Destroy;
begin
{$IFDEF PUREPASCAL}
  FBuffer.Free;
  inherited Destroy;
{$ELSE}
  FBuffer.Free;
  VirtualFree(FTable, 0, MEM_RELEASE);
  inherited Destroy;
{$ENDIF}
end;

procedure TChunkedHasher.Update(const Buf; Len: Integer);
begin
  FBuffer.WriteBuffer(Buf, Len);
  if FBuffer.Size >= 65536 then
  begin
    FCrc := Crc32Update(FCrc, FBuffer.Memory, FBuffer.Size);
    FBuffer.Clear;
  end;
end;

function TChunkedHasher.Finish: Cardinal;
begin
  if FBuffer.Size > 0 then
    FCrc := Crc32Update(FCrc, FBuffer.Memory, FBuffer.Size);
  FBuffer.Clear;
  Result := FCrc;
end;

{ THashRegistry }

class constructor THashRegistry.Create;
begin
  FNames := TStringList.Create;
  FNames.Sorted := True;
  FNames.Duplicates := dupIgnore;
end;

class destructor THashRegistry.Destroy;
begin
  FNames.Free;
end;

class procedure THashRegistry.RegisterName(const AName: string);
begin
  FNames.Add(AName);
end;

class function THashRegistry.Known(const AName: string): Boolean;
var
  Dummy: Integer;
begin
  Result := FNames.Find(AName, Dummy);
end;

{ file and list helpers }

function HashFile(const AFileName: string): Cardinal;
var
  Source: TFileStream;
  Hasher: THashStream;
  Buffer: array[0..16383] of Byte;
begin
  Source := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
  Hasher := THashStream.Create(Source, True);
  try
    while Hasher.Read(Buffer, SizeOf(Buffer)) > 0 do
      ;
    Result := Hasher.Crc;
  finally
    Hasher.Free;
  end;
end;

function HashStrings(AList: TStrings): Cardinal;
var
  Joined: TMemoryStream;
  Line: AnsiString;
  I: Integer;
begin
  Joined := TMemoryStream.Create;
  for I := 0 to AList.Count - 1 do
  begin
    Line := AnsiString(AList[I]) + #10;
    Joined.WriteBuffer(PAnsiChar(Line)^, Length(Line));
  end;
  Result := Crc32Update(0, Joined.Memory, Joined.Size);
  Joined.Free;
end;

function HashDirectory(const ADir: string): Cardinal;
var
  Found: TStringList;
  SR: TSearchRec;
  I: Integer;
  Path: string;
begin
  Path := IncludeTrailingPathDelimiter(ADir);
  Found := TStringList.Create;
  Found.Sorted := True;
  if FindFirst(Path + '*.*', faAnyFile and not faDirectory, SR) = 0 then
  begin
    repeat
      Found.Add(SR.Name);
    until FindNext(SR) <> 0;
    FindClose(SR);
  end;
  Result := 0;
  for I := 0 to Found.Count - 1 do
    Result := Result xor HashFile(Path + Found[I]);
end;

function HashOfStream(AStream: TStream): THash128;
var
  Copy: TMemoryStream;
  H: THash128;
begin
  H := THash128.Empty;
  Copy := TMemoryStream.Create;
  try
    Copy.CopyFrom(AStream, 0);
    if Copy.Size > 0 then
      H := Fnv128(Copy.Memory^, Copy.Size);
  finally
    Copy.Free;
  end;
  Result := H;
end;

function DigestMatches(const A: THash128; const AHex: string): Boolean;
var
  Zero: THash128;
begin
  Zero := THash128.Create(0, 0);
  if AHex = '' then
    Result := A.ToHex = Zero.ToHex
  else
    Result := SameText(A.ToHex, AHex);
end;

function ProbeFileKind(const AFileName: string): string;
type
  THeader = packed record
    case Integer of
      0: (Magic: Cardinal);
      1: (Sig: array[0..3] of AnsiChar);
  end;
var
  Head: THeader;
  Source: TFileStream;
begin
  Source := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyNone);
  try
    FillChar(Head, SizeOf(Head), 0);
    Source.Read(Head, SizeOf(Head));
  finally
    Source.Free;
  end;
  case Head.Magic of
    $04034B50: Result := 'zip';
    $474E5089: Result := 'png';
  else
    if Head.Sig = '%PDF' then
      Result := 'pdf'
    else
      Result := '';
  end;
end;

function HashFileShared(const AFileName: string): Cardinal;
label
  Retry;
var
  Attempts: Integer;
  Source: TFileStream;
  Hasher: THashStream;
  Buffer: array[0..4095] of Byte;
begin
  Attempts := 0;
Retry:
  Inc(Attempts);
  Source := nil;
  if FileExists(AFileName) then
    Source := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyNone);
  if (Source = nil) and (Attempts < 3) then
  begin
    Sleep(250);
    goto Retry;
  end;
  if Source = nil then
  begin
    Result := 0;
    Exit;
  end;
  Hasher := THashStream.Create(Source, True);
  try
    while Hasher.Read(Buffer, SizeOf(Buffer)) = SizeOf(Buffer) do
      ;
    Result := Hasher.Crc;
  finally
    Hasher.Free;
  end;
end;

{ Error handling: nothing here raises on its own except the stream classes;
  callers wrap HashFile in a try .. except to report unreadable files. }

initialization
  BuildCrcTable;
  THashRegistry.RegisterName('crc32');
  THashRegistry.RegisterName('fnv128');
end.
