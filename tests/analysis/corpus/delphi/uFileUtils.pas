unit uFileUtils;

(*
  File and stream helpers.

  Convention used in this unit: whoever calls a function named Create...
  or Open... owns the stream it returns and must Free it; every other
  routine cleans up after itself.
*)

interface

uses
  System.SysUtils, System.Classes, System.IOUtils, System.NetEncoding,
  System.Hash, System.Generics.Collections, Winapi.ActiveX;

type
  TProgressProc = reference to procedure(ADone, ATotal: Int64; var ACancel: Boolean);

  TFileHeader = packed record
    Magic: array[0..3] of AnsiChar;
    Version: Word;
    Flags: Word;
    RecordCount: Cardinal;
  end;

  EFileFormatError = class(Exception);

  TFileCache = class
  private
    FStreams: TObjectDictionary<string, TMemoryStream>;
    FMaxBytes: Int64;
    FBytes: Int64;
  public
    constructor Create(AMaxBytes: Int64);
    destructor Destroy; override;
    function Get(const AFileName: string): TStream;
    procedure Clear;
  end;

function LoadTextFile(const AFileName: string; AEncoding: TEncoding = nil): string;
procedure SaveTextFile(const AFileName, AText: string);
procedure CopyFileChunked(const ASource, ADest: string; AProgress: TProgressProc);
function ReadHeader(const AFileName: string): TFileHeader;
function OpenForReading(const AFileName: string): TStream;
function FileToBase64(const AFileName: string): string;
function FileSha256(const AFileName: string): string;
procedure AppendLog(const AFileName, ALine: string);
procedure SaveStrings(AList: TStrings; const AFileName: string);
function StreamAsIStream(const AFileName: string): IStream;
function CountMatchingLines(const AFileName, ASubText: string): Integer;

implementation

const
  CopyChunk = 64 * 1024;
  HeaderMagic: array[0..3] of AnsiChar = ('F', 'R', 'O', '1');

function LoadTextFile(const AFileName: string; AEncoding: TEncoding): string;
var
  Lines: TStringList;
begin
  Lines := TStringList.Create;
  try
    if AEncoding = nil then
      Lines.LoadFromFile(AFileName)
    else
      Lines.LoadFromFile(AFileName, AEncoding);
    Result := Lines.Text;
  finally
    Lines.Free;
  end;
end;

procedure SaveTextFile(const AFileName, AText: string);
var
  Stream: TFileStream;
  Bytes: TBytes;
begin
  Bytes := TEncoding.UTF8.GetBytes(AText);
  Stream := TFileStream.Create(AFileName, fmCreate);
  try
    if Length(Bytes) > 0 then
      Stream.WriteBuffer(Bytes[0], Length(Bytes));
  finally
    Stream.Free;
  end;
end;

procedure CopyFileChunked(const ASource, ADest: string; AProgress: TProgressProc);
var
  Src, Dst: TFileStream;
  Buffer: TBytes;
  N: Integer;
  Cancel: Boolean;
begin
  SetLength(Buffer, CopyChunk);
  Cancel := False;
  Src := TFileStream.Create(ASource, fmOpenRead or fmShareDenyWrite);
  try
    Dst := TFileStream.Create(ADest, fmCreate);
    try
      repeat
        N := Src.Read(Buffer[0], CopyChunk);
        if N > 0 then
          Dst.WriteBuffer(Buffer[0], N);
        if Assigned(AProgress) then
          AProgress(Src.Position, Src.Size, Cancel);
      until (N = 0) or Cancel;
    finally
      Dst.Free;
    end;
    if Cancel then
      System.SysUtils.DeleteFile(ADest);
  finally
    Src.Free;
  end;
end;

function ReadHeader(const AFileName: string): TFileHeader;
var
  FS: TFileStream;
begin
  FS := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyNone);
  if FS.Size < SizeOf(TFileHeader) then
    raise EFileFormatError.CreateFmt('%s is too small', [AFileName]);
  FS.ReadBuffer(Result, SizeOf(Result));
  if not CompareMem(@Result.Magic, @HeaderMagic, SizeOf(HeaderMagic)) then
    raise EFileFormatError.CreateFmt('%s is not a data file', [AFileName]);
end;

function OpenForReading(const AFileName: string): TStream;
var
  Header: TFileHeader;
begin
  Result := TBufferedFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
  try
    Result.ReadBuffer(Header, SizeOf(Header));
    if Header.Version > 3 then
      raise EFileFormatError.Create('Unsupported version');
  except
    Result.Free;
    raise;
  end;
end;

function FileToBase64(const AFileName: string): string;
var
  Input: TFileStream;
  Output: TStringStream;
begin
  Input := nil;
  Output := nil;
  try
    Input := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
    Output := TStringStream.Create('', TEncoding.ASCII);
    TNetEncoding.Base64.Encode(Input, Output);
    Result := Output.DataString;
  finally
    Output.Free;
    Input.Free;
  end;
end;

function FileSha256(const AFileName: string): string;
var
  Stream: TFileStream;
begin
  Stream := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
  try
    Result := THashSHA2.GetHashString(Stream);
  except
    on E: Exception do
    begin
      Stream.Free;
      raise EFileFormatError.CreateFmt('Cannot hash %s: %s', [AFileName, E.Message]);
    end;
  end;
  Stream.Free;
end;

procedure AppendLog(const AFileName, ALine: string);
var
  Writer: TStreamWriter;
begin
  Writer := TStreamWriter.Create(AFileName, True, TEncoding.UTF8);
  Writer.WriteLine(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + ALine);
  Writer.Flush;
  Writer.Free;
end;

procedure SaveStrings(AList: TStrings; const AFileName: string);
var
  Stream: TFileStream;
  Writer: TStreamWriter;
  I: Integer;
begin
  Stream := TFileStream.Create(AFileName, fmCreate);
  try
    Writer := TStreamWriter.Create(Stream, TEncoding.UTF8);
    try
      for I := 0 to AList.Count - 1 do
        Writer.WriteLine(AList[I]);
    finally
      Writer.Free;
    end;
  finally
    Stream.Free;
  end;
end;

function StreamAsIStream(const AFileName: string): IStream;
var
  FS: TFileStream;
begin
  FS := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
  // soOwned: the adapter frees FS when the last IStream reference goes
  Result := TStreamAdapter.Create(FS, soOwned);
end;

function CountMatchingLines(const AFileName, ASubText: string): Integer;
var
  Reader: TStreamReader;
  Line: string;
begin
  Result := 0;
  Reader := TStreamReader.Create(AFileName, TEncoding.UTF8, True);
  try
    while not Reader.EndOfStream do
    begin
      Line := Reader.ReadLine;
      if Pos(ASubText, Line) > 0 then
        Inc(Result);
    end;
  finally
    Reader.Close;
    Reader.Free;
  end;
end;

{ TFileCache }

constructor TFileCache.Create(AMaxBytes: Int64);
begin
  inherited Create;
  FMaxBytes := AMaxBytes;
  FStreams := TObjectDictionary<string, TMemoryStream>.Create([doOwnsValues]);
end;

destructor TFileCache.Destroy;
begin
  FStreams.Free;
  inherited;
end;

function TFileCache.Get(const AFileName: string): TStream;
var
  Key: string;
  Mem: TMemoryStream;
begin
  Key := AnsiLowerCase(AFileName);
  if not FStreams.TryGetValue(Key, Mem) then
  begin
    Mem := TMemoryStream.Create;
    try
      Mem.LoadFromFile(AFileName);
    except
      Mem.Free;
      raise;
    end;
    if FBytes + Mem.Size > FMaxBytes then
      Clear;
    FStreams.Add(Key, Mem);
    Inc(FBytes, Mem.Size);
  end;
  Mem.Position := 0;
  Result := Mem;
end;

procedure TFileCache.Clear;
begin
  FStreams.Clear;
  FBytes := 0;
end;

end.
