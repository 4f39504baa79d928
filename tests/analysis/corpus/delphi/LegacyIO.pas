unit LegacyIO;

{ Record file access for the old DOS data files (*.DAT, fixed 128-byte
  records).  Ported from the Turbo Pascal 7 version in 1998; most of it
  still reads like it.  The checksum must stay bit-identical to the one
  the DOS tools write, hence the assembler. }

{$A-}{$R-}{$Q-}

interface

uses
  Windows, SysUtils, Classes;

const
  RecSize = 128;

type
  TRecKind = (rkEmpty, rkCustomer, rkArticle, rkDeleted);
  TRecKinds = set of TRecKind;

  PDataRec = ^TDataRec;
  TDataRec = packed record
    Kind: Byte;
    case Byte of
      0: (Raw: array[1..RecSize - 1] of Char);
      1: (CustNo: LongInt;
          CustName: string[40];
          Balance: Comp);
      2: (ArtNo: LongInt;
          ArtText: string[60];
          Price: Comp;
          Stock: LongInt);
  end;

  TLegacyFile = class
  private
    FHandle: THandle;
    FBuffer: PChar;
    FBufSize: Integer;
    FRecCount: LongInt;
    FName: string;
  public
    constructor Create(const AName: string; AWrite: Boolean);
    destructor Destroy; override;
    function Read(Index: LongInt; var R: TDataRec): Boolean;
    procedure Write(Index: LongInt; const R: TDataRec);
    property RecCount: LongInt read FRecCount;
    property Name: string read FName;
  end;

  TLegacyReader = class
  private
    FFile: TLegacyFile;
    FPos: LongInt;
  public
    Kinds: TRecKinds;
    constructor Create(const AName: string);
    destructor Destroy; override;
    function Eof: Boolean;
    function ReadRec: TDataRec;
  end;

  TRecordWriter = class
  private
    FStream: TFileStream;
    FPending: TList;
  public
    constructor Create(const AName: string);
    destructor Destroy; override;
    procedure WriteRec(const R: TDataRec);
    procedure Flush;
  end;

function SwapLong(Value: LongInt): LongInt;
function Checksum(P: Pointer; Len: Integer): Word;
procedure CopyRecords(const SrcName, DstName: string; AKinds: TRecKinds);
function ExportCustomers(const AName: string; Dest: TStrings): Integer;
procedure ConvertFile(const SrcName, DstName: string);
function RepairFile(const AName: string; Log: TStrings): Integer;

implementation

function SwapLong(Value: LongInt): LongInt; assembler;
asm
  {$IFDEF CPUX64}
  MOV   EAX, ECX
  {$ENDIF}
  BSWAP EAX
end;

function Checksum(P: Pointer; Len: Integer): Word;
var
  Sum: Word;
  {$IFNDEF CPUX86}
  I: Integer;
  {$ENDIF}
begin
  Sum := 0;
  {$IFDEF CPUX86}
  asm
    PUSH  ESI
    MOV   ESI, P
    MOV   ECX, Len
    XOR   EAX, EAX
    XOR   EDX, EDX
    JECXZ @@End
  @@Loop:
    LODSB
    ADD   DX, AX
    ROL   DX, 1
    DEC   ECX
    JNZ   @@Loop
  @@End:
    MOV   Sum, DX
    POP   ESI
  end;
  {$ELSE}
  for I := 0 to Len - 1 do
  begin
    Sum := Sum + PByte(NativeUInt(P) + NativeUInt(I))^;
    Sum := (Sum shl 1) or (Sum shr 15);
  end;
  {$ENDIF}
  Result := Sum;
end;

{ TLegacyFile }

constructor TLegacyFile.Create(const AName: string; AWrite: Boolean);
const
  Access: array[Boolean] of DWORD = (GENERIC_READ, GENERIC_READ or GENERIC_WRITE);
  Disp: array[Boolean] of DWORD = (OPEN_EXISTING, OPEN_ALWAYS);
begin
  inherited Create;
  FName := AName;
  FHandle := CreateFile(PChar(AName), Access[AWrite], FILE_SHARE_READ, nil,
    Disp[AWrite], FILE_ATTRIBUTE_NORMAL, 0);
  if FHandle = INVALID_HANDLE_VALUE then
    RaiseLastOSError;
  FBufSize := RecSize;
  GetMem(FBuffer, FBufSize);
  FRecCount := GetFileSize(FHandle, nil) div RecSize;
end;

destructor TLegacyFile.Destroy;
begin
  if FHandle <> INVALID_HANDLE_VALUE then
    CloseHandle(FHandle);
  inherited Destroy;
  FreeMem(FBuffer, FBufSize);
end;

function TLegacyFile.Read(Index: LongInt; var R: TDataRec): Boolean;
var
  Got: DWORD;
begin
  Result := False;
  if (Index < 0) or (Index >= FRecCount) then Exit;
  SetFilePointer(FHandle, Index * RecSize, nil, FILE_BEGIN);
  if not ReadFile(FHandle, FBuffer^, RecSize, Got, nil) or (Got <> RecSize) then Exit;
  Move(FBuffer^, R, SizeOf(R));
  Result := True;
end;

procedure TLegacyFile.Write(Index: LongInt; const R: TDataRec);
var
  Put: DWORD;
begin
  FillChar(FBuffer^, FBufSize, 0);
  Move(R, FBuffer^, SizeOf(R));
  SetFilePointer(FHandle, Index * RecSize, nil, FILE_BEGIN);
  if not WriteFile(FHandle, FBuffer^, RecSize, Put, nil) then RaiseLastOSError;
  if Index >= FRecCount then FRecCount := Index + 1;
end;

{ TLegacyReader }

constructor TLegacyReader.Create(const AName: string);
begin
  inherited Create;
  FFile := TLegacyFile.Create(AName, False);
  Kinds := [rkCustomer, rkArticle];
end;

destructor TLegacyReader.Destroy;
begin
  FFile.Free;
  inherited;
end;

function TLegacyReader.Eof: Boolean;
begin
  Result := FPos >= FFile.RecCount;
end;

function TLegacyReader.ReadRec: TDataRec;
begin
  repeat
    if not FFile.Read(FPos, Result) then
      Result.Kind := Ord(rkEmpty);
    Inc(FPos);
  until Eof or (TRecKind(Result.Kind) in Kinds);
end;

{ TRecordWriter }

constructor TRecordWriter.Create(const AName: string);
begin
  inherited Create;
  FStream := TFileStream.Create(AName, fmCreate);
  FPending := TList.Create;
end;

destructor TRecordWriter.Destroy;
begin
  Flush;
  FPending.Free;
  FStream.Free;
  inherited Destroy;
end;

procedure TRecordWriter.WriteRec(const R: TDataRec);
var
  P: PDataRec;
begin
  New(P);
  P^ := R;
  FPending.Add(P);
  if FPending.Count >= 64 then Flush;
end;

procedure TRecordWriter.Flush;
var
  I: Integer;
  Pad: array[0..RecSize - 1] of Byte;
begin
  for I := 0 to FPending.Count - 1 do
  begin
    FillChar(Pad, SizeOf(Pad), 0);
    Move(PDataRec(FPending[I])^, Pad, SizeOf(TDataRec));
    FStream.WriteBuffer(Pad, RecSize);
    Dispose(PDataRec(FPending[I]));
  end;
  FPending.Clear;
end;

{ routines }

procedure CopyRecords(const SrcName, DstName: string; AKinds: TRecKinds);
var
  Src: TLegacyReader;
  Dst: TRecordWriter;
begin
  Src := TLegacyReader.Create(SrcName);
  Dst := TRecordWriter.Create(DstName);
  with Src, Dst do
  try
    Kinds := AKinds;
    while not Eof do
      WriteRec(ReadRec);
  finally
    Free;
  end;
end;

function ExportCustomers(const AName: string; Dest: TStrings): Integer;
var
  F: TLegacyFile;
  R: TDataRec;
  I: LongInt;
begin
  Result := 0;
  F := TLegacyFile.Create(AName, False);
  try
    for I := 0 to F.RecCount - 1 do
      if F.Read(I, R) then
        with R do
          case TRecKind(Kind) of
            rkCustomer:
              begin
                Dest.Add(Format('%d;%s;%.2f', [CustNo, CustName, Balance / 100]));
                Inc(Result);
              end;
            rkDeleted, rkEmpty: ;
          else
            begin
              Dest.Add(Format('# record %d: kind %d', [I, Kind]));
            end;
          end;
  finally
    F.Free;
  end;
end;

procedure ConvertFile(const SrcName, DstName: string);
label
  Done;
var
  Src: TLegacyFile;
  Lines: TStringList;
  R: TDataRec;
  I: LongInt;
begin
  Src := TLegacyFile.Create(SrcName, False);
  try
    Lines := TStringList.Create;
    if Src.RecCount = 0 then goto Done;
    for I := 0 to Src.RecCount - 1 do
    begin
      if not Src.Read(I, R) then goto Done;
      case TRecKind(R.Kind) of
        rkCustomer: Lines.Add('C;' + IntToStr(R.CustNo) + ';' + R.CustName);
        rkArticle:  Lines.Add('A;' + IntToStr(R.ArtNo) + ';' + R.ArtText);
      end;
    end;
    Lines.SaveToFile(DstName);
  Done:
    Lines.Free;
  finally
    Src.Free;
  end;
end;

function RepairFile(const AName: string; Log: TStrings): Integer;
label
  NextRec;
var
  R: TDataRec;
  I: LongInt;
  Sum: Word;
begin
  Result := 0;
  with TLegacyFile.Create(AName, True) do
  try
    I := 0;
    while I < RecCount do
    begin
      if not Read(I, R) then
      begin
        Log.Add(Format('%s: record %d unreadable', [Name, I]));
        goto NextRec;
      end;
      case TRecKind(R.Kind) of
        rkCustomer, rkArticle:
          begin
            Sum := Checksum(@R.Raw, SizeOf(R.Raw) - 2);
            if Sum <> PWord(@R.Raw[RecSize - 2])^ then
            begin
              try
                PWord(@R.Raw[RecSize - 2])^ := Sum;
                Write(I, R);
                Inc(Result);
              except
                on E: EOSError do
                  Log.Add(Format('%s: record %d not written: %s', [Name, I, E.Message]));
              end;
            end;
          end;
        rkDeleted: ;
      else
        begin
          R.Kind := Ord(rkDeleted);
          Write(I, R);
          Log.Add(Format('%s: record %d had kind %d, marked deleted', [Name, I, R.Kind]));
        end;
      end;
    NextRec:
      Inc(I);
    end;
  finally
    Free;
  end;
end;

end.
