unit Ferro.IO.TextTools;

{ File and text helpers: builders, readers/writers and zip archives. }

interface

uses
  System.SysUtils, System.Classes, System.IOUtils, System.Zip,
  System.Generics.Collections;

type
  TCsvRow = TArray<string>;

  TLineStats = record
    Lines: Integer;
    Blank: Integer;
    Longest: Integer;
  end;

function JoinLines(const Items: TArray<string>; const Prefix: string = ''): string;
function CountMatches(const FileName, Needle: string; Limit: Integer = 0): Integer;
procedure WriteCsv(const FileName: string; const Rows: TList<TCsvRow>);
function ReadCsv(const FileName: string): TList<TCsvRow>;
procedure ZipFolder(const Folder, ZipName: string);
function ReadZipEntry(const ZipName, Entry: string): string;
function OpenLog(const FileName: string): TStreamWriter;
function FirstLine(const FileName: string): string;
function Checksum(const FileName: string): Cardinal;
function Stats(const FileName: string): TLineStats;
function QuoteCsv(const Value: string): string;

implementation

function QuoteCsv(const Value: string): string;
begin
  if Value.IndexOfAny([',', '"', #13, #10]) < 0 then
    Exit(Value);
  Result := '"' + Value.Replace('"', '""') + '"';
end;

function JoinLines(const Items: TArray<string>; const Prefix: string): string;
begin
  var Builder := TStringBuilder.Create(256);
  try
    if Length(Items) = 0 then
      Exit('');
    for var I := Low(Items) to High(Items) do
    begin
      if I > Low(Items) then
        Builder.AppendLine;
      Builder.Append(Prefix).Append(Items[I]);
    end;
    Exit(Builder.ToString);
  finally
    Builder.Free;
  end;
end;

function CountMatches(const FileName, Needle: string; Limit: Integer): Integer;
var
  Reader: TStreamReader;
  Count: Integer;
begin
  Count := 0;
  Reader := TStreamReader.Create(FileName, TEncoding.UTF8, True);
  try
    while not Reader.EndOfStream do
    begin
      if Reader.ReadLine.Contains(Needle) then
      begin
        Inc(Count);
        if (Limit > 0) and (Count >= Limit) then
          Exit(Count);
      end;
    end;
    Result := Count;
  finally
    Reader.Free;
  end;
end;

procedure WriteCsv(const FileName: string; const Rows: TList<TCsvRow>);
begin
  var Writer := TStreamWriter.Create(FileName, False, TEncoding.UTF8);
  try
    var Line := TStringBuilder.Create;
    try
      for var Row in Rows do
      begin
        Line.Clear;
        for var C := 0 to High(Row) do
        begin
          if C > 0 then
            Line.Append(',');
          Line.Append(QuoteCsv(Row[C]));
        end;
        Writer.WriteLine(Line.ToString);
      end;
    finally
      Line.Free;
    end;
  finally
    Writer.Free;
  end;
end;

function ReadCsv(const FileName: string): TList<TCsvRow>;
begin
  Result := TList<TCsvRow>.Create;
  try
    var Reader := TStreamReader.Create(FileName, TEncoding.UTF8);
    try
      while not Reader.EndOfStream do
      begin
        var Text := Reader.ReadLine;
        if Text.Trim.IsEmpty then
          Continue;
        Result.Add(Text.Split([','], '"'));
      end;
    finally
      Reader.Free;
    end;
  except
    on E: EEncodingError do
    begin
      Result.Free;
      raise Exception.CreateFmt('%s is not valid UTF-8: %s', [FileName, E.Message]);
    end;
  end;
end;

procedure ZipFolder(const Folder, ZipName: string);
var
  Zip: TZipFile;
begin
  if not TDirectory.Exists(Folder) then
    raise EDirectoryNotFoundException.CreateFmt('Folder %s does not exist', [Folder]);
  Zip := TZipFile.Create;
  try
    Zip.Open(ZipName, zmWrite);
    for var FileName in TDirectory.GetFiles(Folder, '*', TSearchOption.soAllDirectories) do
      Zip.Add(FileName, ExtractRelativePath(IncludeTrailingPathDelimiter(Folder), FileName));
    Zip.Close;
  finally
    Zip.Free;
  end;
end;

function ReadZipEntry(const ZipName, Entry: string): string;
begin
  var Zip := TZipFile.Create;
  try
    Zip.Open(ZipName, zmRead);
    if Zip.IndexOf(Entry) < 0 then
      Exit('');
    var Bytes: TBytes;
    Zip.Read(Entry, Bytes);
    Result := TEncoding.UTF8.GetString(Bytes);
  finally
    Zip.Free;
  end;
end;

function OpenLog(const FileName: string): TStreamWriter;
begin
  var Stream := TFileStream.Create(FileName, fmCreate or fmShareDenyWrite);
  try
    var Writer := TStreamWriter.Create(Stream, TEncoding.UTF8);
    Writer.OwnStream;
    Writer.AutoFlush := True;
    Writer.WriteLine('-- log opened ' + DateTimeToStr(Now));
    Exit(Writer);
  except
    Stream.Free;
    raise;
  end;
end;

function FirstLine(const FileName: string): string;
begin
  if not TFile.Exists(FileName) then
    raise EFileNotFoundException.CreateFmt('%s not found', [FileName]);
  var Reader := TStreamReader.Create(FileName, TEncoding.UTF8);
  if Reader.EndOfStream then
    Result := ''
  else
    Result := Reader.ReadLine.Trim;
end;

function Checksum(const FileName: string): Cardinal;
var
  Stream: TFileStream;
  Buffer: array[0..4095] of Byte;
begin
  Result := 0;
  try
    Stream := TFileStream.Create(FileName, fmOpenRead or fmShareDenyWrite);
    var Got := Stream.Read(Buffer, SizeOf(Buffer));
    while Got > 0 do
    begin
      for var I := 0 to Got - 1 do
        Result := ((Result shl 5) or (Result shr 27)) xor Buffer[I];
      Got := Stream.Read(Buffer, SizeOf(Buffer));
    end;
  finally
    Stream.Free;
  end;
end;

function Stats(const FileName: string): TLineStats;
begin
  Result := Default(TLineStats);
  var Lines := TFile.ReadAllLines(FileName);
  for var L in Lines do
  begin
    Inc(Result.Lines);
    if L.Trim = '' then
      Inc(Result.Blank);
    if L.Length > Result.Longest then
      Result.Longest := L.Length;
  end;
end;

end.
