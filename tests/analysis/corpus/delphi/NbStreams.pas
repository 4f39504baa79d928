{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbStreams.pas - stream helpers: text detection, chunked copy, binary
  record reading and big-endian helpers shared by the persistence layer

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbStreams;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  {$IFDEF MSWINDOWS}Windows,{$ENDIF}
  {$IFDEF POSIX}Posix.Unistd,{$ENDIF}
  SysUtils, Classes;

type
  ENbStreamError = class(Exception);

  TNbRecordHeader = packed record
    Magic: Cardinal;
    Version: Word;
    Flags: Word;
    Count: Integer;
  end;

  TNbChunkEvent = procedure(Sender: TObject; BytesDone, BytesTotal: Int64;
    var Cancel: Boolean) of object;

  TNbStreamTools = class
  public
    class function SwapEndian32(Value: Cardinal): Cardinal; static;
    class function DetectEncoding(Stream: TStream): TEncoding; static;
    class function LoadText(const FileName: string): string; static;
    class function LoadLines(Stream: TStream; Utf8: Boolean): TStrings; static;
    class function CountLines(Stream: TStream): Integer; static;
    class function ReadHeader(Stream: TStream): TNbRecordHeader; static;
    class function ReadNames(Stream: TStream): TArray<string>; static;
    class function CopyChunked(Source, Dest: TStream; ChunkSize: Integer;
      OnChunk: TNbChunkEvent): Int64; static;
    class function ToHex(Stream: TStream; MaxBytes: Integer = 64): string; static;
    class function OpenShared(const FileName: string): TStream; static;
    class function CloneToMemory(Source: TStream): TMemoryStream; static;
  end;

const
  NbRecordMagic = $4E424D31; // 'NBM1'

implementation

resourcestring
  SBadMagic = 'Invalid record stream: magic %.8x, expected %.8x';
  SStreamTooShort = 'Stream too short (%d bytes) for a record header';

{$REGION 'Endian helpers'}

class function TNbStreamTools.SwapEndian32(Value: Cardinal): Cardinal;
{$IFDEF CPUX86}
asm
  BSWAP EAX
end;
{$ELSE}
begin
  Result := ((Value and $000000FF) shl 24) or
            ((Value and $0000FF00) shl 8) or
            ((Value and $00FF0000) shr 8) or
            ((Value and $FF000000) shr 24);
end;
{$ENDIF}

{$ENDREGION}

{$REGION 'Text'}

class function TNbStreamTools.DetectEncoding(Stream: TStream): TEncoding;
var
  Preamble: TBytes;
  Start: Int64;
  Size: Integer;
begin
  Result := nil;
  Start := Stream.Position;
  SetLength(Preamble, 4);
  Size := Stream.Read(Preamble[0], Length(Preamble));
  SetLength(Preamble, Size);
  Stream.Position := Start;
  Size := TEncoding.GetBufferEncoding(Preamble, Result);
  Stream.Seek(Size, soCurrent);
  if Result = nil then
    Result := TEncoding.Default;
end;

class function TNbStreamTools.LoadText(const FileName: string): string;
var
  Stream: TFileStream;
  Reader: TStreamReader;
begin
  Stream := TFileStream.Create(FileName, fmOpenRead or fmShareDenyWrite);
  try
    Reader := TStreamReader.Create(Stream, TEncoding.UTF8, True);
    try
      Result := Reader.ReadToEnd;
    finally
      Reader.Free;
    end;
  finally
    Stream.Free;
  end;
end;

class function TNbStreamTools.LoadLines(Stream: TStream; Utf8: Boolean): TStrings;
var
  Reader: TStreamReader;
  Lines: TStringList;
begin
  if Utf8 then
    Reader := TStreamReader.Create(Stream, TEncoding.UTF8)
  else
    Reader := TStreamReader.Create(Stream, DetectEncoding(Stream));
  try
    Lines := TStringList.Create;
    try
      while not Reader.EndOfStream do
        Lines.Add(Reader.ReadLine);
    except
      Lines.Free;
      raise;
    end;
  finally
    Reader.Free;
  end;
  Result := Lines;
end;

class function TNbStreamTools.CountLines(Stream: TStream): Integer;
var
  Reader: TStreamReader;
  Line: string;
begin
  Result := 0;
  Reader := TStreamReader.Create(Stream, TEncoding.UTF8);
  while not Reader.EndOfStream do
  begin
    Line := Reader.ReadLine;
    if Trim(Line) <> '' then
      Inc(Result);
  end;
end;

{$ENDREGION}

{$REGION 'Binary'}

class function TNbStreamTools.ReadHeader(Stream: TStream): TNbRecordHeader;
var
  Reader: TBinaryReader;
begin
  if Stream.Size - Stream.Position < SizeOf(TNbRecordHeader) then
    raise ENbStreamError.CreateResFmt(@SStreamTooShort, [Stream.Size - Stream.Position]);
  Reader := TBinaryReader.Create(Stream, TEncoding.UTF8, False);
  Result.Magic := Reader.ReadCardinal;
  if Result.Magic <> NbRecordMagic then
    raise ENbStreamError.CreateResFmt(@SBadMagic, [Result.Magic, NbRecordMagic]);
  Result.Version := Reader.ReadWord;
  Result.Flags := Reader.ReadWord;
  Result.Count := Reader.ReadInteger;
  Reader.Free;
end;

class function TNbStreamTools.ReadNames(Stream: TStream): TArray<string>;
var
  Reader: TBinaryReader;
  Header: TNbRecordHeader;
  I: Integer;
begin
  Header := ReadHeader(Stream);
  SetLength(Result, Header.Count);
  Reader := nil;
  try
    Reader := TBinaryReader.Create(Stream, TEncoding.UTF8, False);
    for I := 0 to Header.Count - 1 do
      Result[I] := Reader.ReadString;
  finally
    Reader.Free;
  end;
end;

class function TNbStreamTools.CopyChunked(Source, Dest: TStream; ChunkSize: Integer;
  OnChunk: TNbChunkEvent): Int64;
var
  Buffer: TBytes;
  Total: Int64;
  Cancel: Boolean;

  function NextChunk: Integer;
  begin
    Result := ChunkSize;
    if Source.Position + Result > Total then
      Result := Total - Source.Position;
  end;

var
  N: Integer;
label
  Done;
begin
  Result := 0;
  if ChunkSize <= 0 then
    ChunkSize := 64 * 1024;
  Total := Source.Size;
  SetLength(Buffer, ChunkSize);
  Cancel := False;
  while Source.Position < Total do
  begin
    N := Source.Read(Buffer[0], NextChunk);
    if N <= 0 then
      goto Done;
    Dest.WriteBuffer(Buffer[0], N);
    Inc(Result, N);
    if Assigned(OnChunk) then
    begin
      OnChunk(nil, Result, Total, Cancel);
      if Cancel then
        goto Done;
    end;
  end;
Done:
  {$IFDEF POSIX}
  if Dest is THandleStream then
    fsync(THandleStream(Dest).Handle);
  {$ENDIF}
  {$IFDEF MSWINDOWS}
  if Dest is THandleStream then
    FlushFileBuffers(THandleStream(Dest).Handle);
  {$ENDIF}
end;

class function TNbStreamTools.ToHex(Stream: TStream; MaxBytes: Integer): string;
var
  Builder: TStringBuilder;
  B: Byte;
  I: Integer;
begin
  Builder := TStringBuilder.Create(MaxBytes * 3);
  try
    I := 0;
    while (I < MaxBytes) and (Stream.Read(B, 1) = 1) do
    begin
      if I > 0 then
        Builder.Append(' ');
      Builder.Append(IntToHex(B, 2));
      Inc(I);
    end;
    Result := Builder.ToString;
  finally
    Builder.Free;
  end;
end;

class function TNbStreamTools.OpenShared(const FileName: string): TStream;
var
  Stream: TFileStream;
begin
  {$IFDEF MSWINDOWS}
  Stream := TFileStream.Create(FileName, fmOpenRead or fmShareDenyNone);
  {$ELSE}
  Stream := TFileStream.Create(FileName, fmOpenRead);
  {$ENDIF}
  Exit(Stream);
end;

class function TNbStreamTools.CloneToMemory(Source: TStream): TMemoryStream;
begin
  Result := TMemoryStream.Create;
  try
    Source.Position := 0;
    Result.CopyFrom(Source, Source.Size);
    Result.Position := 0;
  except
    FreeAndNil(Result);
    raise;
  end;
end;

{$ENDREGION}

end.
