unit ImportBatch;

{ Nightly import of partner price files into the staging database. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.IOUtils,
  ImportTypes;   // TImportConnection, TImportReader, TImportRecord, TRejectLog

type
  TImportWorker = class
  private
    FFileName: string;
    FRows: Integer;
  public
    constructor Create(const AFileName: string);
    property FileName: string read FFileName;
    property Rows: Integer read FRows write FRows;
  end;

  TImportJob = class
  private
    FTarget: string;
    FArchiveDir: string;
    FWorkers: TList<TImportWorker>;
    FLog: TStrings;
    function ArchiveName(const AFileName: string): string;
    procedure Note(const AText: string); overload;
    procedure Note(const AFmt: string; const AArgs: array of const); overload;
  public
    constructor Create(const ATarget, AArchiveDir: string; ALog: TStrings);
    destructor Destroy; override;
    function Run(const AFileName: string): Integer;
    function PeekHeader(const AFileName: string): string;
    procedure CompareFiles(const ALeft, ARight: string);
    procedure ArchiveFile(const AFileName: string);
    procedure ImportFolder(const AFolder: string);
    procedure RemapCodes(const AMapFile, ASource, ADest: string);
    procedure ClearWorkers;
  end;

procedure FreeObjects(const A: array of TObject);

implementation

procedure FreeObjects(const A: array of TObject);
var
  I: Integer;
begin
  for I := High(A) downto Low(A) do
    A[I].Free;
end;

{ TImportWorker }

constructor TImportWorker.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
end;

{ TImportJob }

constructor TImportJob.Create(const ATarget, AArchiveDir: string; ALog: TStrings);
begin
  inherited Create;
  FTarget := ATarget;
  FArchiveDir := AArchiveDir;
  FLog := ALog;
  FWorkers := TList<TImportWorker>.Create;
end;

destructor TImportJob.Destroy;
begin
  ClearWorkers;
  FWorkers.Free;
  inherited Destroy;
end;

procedure TImportJob.Note(const AText: string);
begin
  if FLog <> nil then
    FLog.Add(FormatDateTime('hh:nn:ss ', Now) + AText);
end;

procedure TImportJob.Note(const AFmt: string; const AArgs: array of const);
begin
  Note(Format(AFmt, AArgs));
end;

function TImportJob.ArchiveName(const AFileName: string): string;
begin
  Result := TPath.Combine(FArchiveDir,
    FormatDateTime('yyyymmdd_', Date) + ExtractFileName(AFileName));
end;

function TImportJob.Run(const AFileName: string): Integer;
var
  Conn: TImportConnection;
  Reader: TImportReader;
  Rejects: TRejectLog;
  Rec: TImportRecord;
begin
  Result := 0;
  Conn := TImportConnection.Create(FTarget);
  try
    Conn.Open;
    Reader := TImportReader.Create(AFileName);
    try
      Rejects := TRejectLog.Create(ChangeFileExt(AFileName, '.rej'));
      try
        Conn.StartTransaction;
        try
          while Reader.Next(Rec) do
          begin
            if not Rec.IsValid then
            begin
              Rejects.Add(Rec, 'invalid');
              Continue;
            end;
            Conn.Insert(Rec);
            Inc(Result);
          end;
          Conn.Commit;
        except
          Conn.Rollback;
          raise;
        end;
        Note('%s: %d rows, %d rejected', [AFileName, Result, Rejects.Count]);
      finally
        Rejects.Free;
      end;
    finally
      Reader.Free;
    end;
  finally
    Conn.Free;
  end;
end;

function TImportJob.PeekHeader(const AFileName: string): string;
var
  Reader: TImportReader;
  Rec: TImportRecord;
begin
  Result := '';
  Reader := TImportReader.Create(AFileName);
  try
    if not Reader.Next(Rec) then
      Exit;
    if Rec.Key = '' then
      Exit('?');
    Result := Rec.Key;
  finally
    Reader.Free;
  end;
end;

procedure TImportJob.CompareFiles(const ALeft, ARight: string);
var
  A, B: TStringList;
  Diff: TStringList;
  I: Integer;
begin
  A := nil;
  B := nil;
  Diff := nil;
  try
    A := TStringList.Create;
    B := TStringList.Create;
    Diff := TStringList.Create;
    A.LoadFromFile(ALeft);
    B.LoadFromFile(ARight);
    A.Sort;
    B.Sort;
    for I := 0 to A.Count - 1 do
      if B.IndexOf(A[I]) < 0 then
        Diff.Add('- ' + A[I]);
    for I := 0 to B.Count - 1 do
      if A.IndexOf(B[I]) < 0 then
        Diff.Add('+ ' + B[I]);
    if Diff.Count > 0 then
      Diff.SaveToFile(ChangeFileExt(ARight, '.diff'));
    Note('%s vs %s: %d differences', [ALeft, ARight, Diff.Count]);
  finally
    Diff.Free;
    B.Free;
    A.Free;
  end;
end;

procedure TImportJob.ArchiveFile(const AFileName: string);
var
  Src, Dst: TFileStream;
begin
  ForceDirectories(FArchiveDir);
  Src := nil;
  try
    Src := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
    Dst := TFileStream.Create(ArchiveName(AFileName), fmCreate);
    Dst.CopyFrom(Src, 0);
    Note('archived %s (%d bytes)', [AFileName, Dst.Size]);
  finally
    Dst.Free;
    Src.Free;
  end;
end;

procedure TImportJob.ImportFolder(const AFolder: string);
var
  Files: TArray<string>;
  Name: string;
  Worker: TImportWorker;
  Reader: TImportReader;
  Rec: TImportRecord;
begin
  ClearWorkers;
  Files := TDirectory.GetFiles(AFolder, '*.csv');
  for Name in Files do
  begin
    Worker := TImportWorker.Create(Name);
    FWorkers.Add(Worker);
    Reader := TImportReader.Create(Name);
    try
      while Reader.Next(Rec) do
        Worker.Rows := Worker.Rows + 1;
    finally
      FreeAndNil(Reader);
    end;
  end;
  for Worker in FWorkers do
    if Worker.Rows > 0 then
    begin
      Run(Worker.FileName);
      ArchiveFile(Worker.FileName);
    end;
end;

procedure TImportJob.RemapCodes(const AMapFile, ASource, ADest: string);
var
  Map: TStringList;
  Src, Dst: TStringList;
  I: Integer;
  Code: string;
begin
  Map := nil;
  Src := nil;
  Dst := nil;
  try
    Map := TStringList.Create;
    Src := TStringList.Create;
    Dst := TStringList.Create;
    Map.NameValueSeparator := '=';
    Map.LoadFromFile(AMapFile);
    Src.LoadFromFile(ASource);
    for I := 0 to Src.Count - 1 do
    begin
      Code := Src.Names[I];
      if Map.IndexOfName(Code) >= 0 then
        Dst.Add(Map.Values[Code] + '=' + Src.ValueFromIndex[I])
      else
        Dst.Add(Src[I]);
    end;
    Dst.SaveToFile(ADest);
  finally
    FreeObjects([Dst, Src, Map]);
  end;
end;

procedure TImportJob.ClearWorkers;
var
  I: Integer;
  W: TImportWorker;
begin
  for I := FWorkers.Count - 1 downto 0 do
  begin
    W := FWorkers[I];
    FWorkers.Delete(I);
    FreeAndNil(W);
  end;
end;

end.
