unit uImportJob;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.IOUtils;

type
  TImportRecord = class
  public
    LineNo: Integer;
    Fields: TArray<string>;
  end;

  TImportResult = class
  private
    FRecords: TObjectList<TImportRecord>;
    FErrors: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    property Records: TObjectList<TImportRecord> read FRecords;
    property Errors: TStringList read FErrors;
  end;

  TImportJob = class
  private
    FFileName: string;
    FSeparator: Char;
    FEncoding: TEncoding;
    function OpenSource: TStream;
    function ParseLine(const ALine: string; ALineNo: Integer): TImportRecord;
  public
    constructor Create(const AFileName: string; ASeparator: Char = ';');
    destructor Destroy; override;
    function Run: TImportResult;
    procedure MakeErrorList(out AList: TStrings);
    procedure CountLines(var ACount: Integer);
    function Preview(AMaxLines: Integer): string;
    procedure CopyToBackup(const AFolder: string);
    function DetectSeparator: Char;
    procedure WriteRejects(AResult: TImportResult);
  end;

function RunImport(const AFileName: string): TImportResult;

implementation

{ TImportResult }

constructor TImportResult.Create;
begin
  inherited Create;
  FRecords := TObjectList<TImportRecord>.Create;
  FErrors := TStringList.Create;
end;

destructor TImportResult.Destroy;
begin
  FErrors.Free;
  FRecords.Free;
  inherited;
end;

{ TImportJob }

constructor TImportJob.Create(const AFileName: string; ASeparator: Char);
begin
  inherited Create;
  FFileName := AFileName;
  FSeparator := ASeparator;
  FEncoding := TUTF8Encoding.Create(False);
end;

destructor TImportJob.Destroy;
begin
  FEncoding.Free;
  inherited;
end;

function TImportJob.OpenSource: TStream;
begin
  if not FileExists(FFileName) then
    raise EFileNotFoundException.CreateFmt('Import file %s not found', [FFileName]);
  Result := TFileStream.Create(FFileName, fmOpenRead or fmShareDenyWrite);
end;

function TImportJob.ParseLine(const ALine: string; ALineNo: Integer): TImportRecord;
var
  Rec: TImportRecord;
begin
  Rec := TImportRecord.Create;
  Rec.LineNo := ALineNo;
  Rec.Fields := ALine.Split([FSeparator]);
  Result := Rec;
end;

function TImportJob.Run: TImportResult;
var
  Stream: TStream;
  Reader: TStreamReader;
  Line: string;
  LineNo: Integer;
begin
  Result := TImportResult.Create;
  try
    Stream := OpenSource;
    try
      Reader := TStreamReader.Create(Stream, FEncoding);
      try
        LineNo := 0;
        while not Reader.EndOfStream do
        begin
          Line := Reader.ReadLine;
          Inc(LineNo);
          if Line.Trim = '' then
            Continue;
          try
            Result.Records.Add(ParseLine(Line, LineNo));
          except
            on E: Exception do
              Result.Errors.Add(Format('%d: %s', [LineNo, E.Message]));
          end;
        end;
      finally
        Reader.Free;
      end;
    finally
      Stream.Free;
    end;
  except
    FreeAndNil(Result);
    raise;
  end;
end;

procedure TImportJob.MakeErrorList(out AList: TStrings);
begin
  AList := TStringList.Create;
  AList.Add('Import errors for ' + ExtractFileName(FFileName));
end;

procedure TImportJob.CountLines(var ACount: Integer);
var
  Lines: TStringList;
begin
  Lines := TStringList.Create;
  try
    Lines.LoadFromFile(FFileName, FEncoding);
    ACount := Lines.Count;
  finally
    Lines.Free;
  end;
end;

function TImportJob.Preview(AMaxLines: Integer): string;
var
  Stream: TFileStream;
  Reader: TStreamReader;
  Count: Integer;
begin
  Result := '';
  Stream := TFileStream.Create(FFileName, fmOpenRead or fmShareDenyNone);
  try
    Reader := TStreamReader.Create(Stream, FEncoding);
    Count := 0;
    while (Count < AMaxLines) and not Reader.EndOfStream do
    begin
      Result := Result + Reader.ReadLine + sLineBreak;
      Inc(Count);
    end;
  finally
    Stream.Free;
  end;
end;

procedure TImportJob.CopyToBackup(const AFolder: string);
var
  Source, Target: TFileStream;
  BackupName: string;
begin
  BackupName := TPath.Combine(AFolder, ExtractFileName(FFileName) + '.bak');
  Source := TFileStream.Create(FFileName, fmOpenRead or fmShareDenyWrite);
  if Source.Size = 0 then
    Exit;
  Target := TFileStream.Create(BackupName, fmCreate);
  try
    Target.CopyFrom(Source, 0);
  finally
    Target.Free;
  end;
  Source.Free;
end;

function TImportJob.DetectSeparator: Char;
var
  First: string;
  Candidate: Char;
  Best, Hits: Integer;
begin
  with TStreamReader.Create(FFileName, FEncoding) do
  try
    First := ReadLine;
  finally
    Free;
  end;
  Result := FSeparator;
  Best := 0;
  for Candidate in [';', ',', #9, '|'] do
  begin
    Hits := Length(First) - Length(StringReplace(First, Candidate, '', [rfReplaceAll]));
    if Hits > Best then
    begin
      Best := Hits;
      Result := Candidate;
    end;
  end;
end;

procedure TImportJob.WriteRejects(AResult: TImportResult);
var
  Errors: TStrings;
  Name: string;
begin
  if AResult.Errors.Count = 0 then
    Exit;
  MakeErrorList(Errors);
  try
    Errors.AddStrings(AResult.Errors);
    Name := ChangeFileExt(FFileName, '.rejects.txt');
    Errors.SaveToFile(Name);
  finally
    Errors.Free;
  end;
end;

function RunImport(const AFileName: string): TImportResult;
var
  Job: TImportJob;
begin
  Job := TImportJob.Create(AFileName);
  try
    if Job.DetectSeparator <> ';' then
      Job.FSeparator := Job.DetectSeparator;
    Result := Job.Run;
    Job.WriteRejects(Result);
  finally
    Job.Free;
  end;
end;

end.
