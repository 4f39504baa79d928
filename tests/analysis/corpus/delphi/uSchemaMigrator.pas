unit uSchemaMigrator;

{ Applies versioned migration files to a database.

  File names:  V0007__add_invoice_index.sql   plain SQL, one batch
               V0008__split_addresses.script  several statements, ';' + line break
               V0009__countries.csv           rows for the table named after the file
               U0008.sql                      undo script of V0008

  Applied versions are kept in SCHEMA_HISTORY with the checksum of the file. }

interface

uses
  System.SysUtils, System.Classes, System.IOUtils, System.Hash,
  System.Generics.Collections, Data.DB, FireDAC.Comp.Client, FireDAC.Stan.Param;

type
  EMigrationError = class(Exception);

  TMigrationKind = (mkSql, mkScript, mkData);

  TMigrationStep = class
  protected
    FVersion: Integer;
    FFileName: string;
  public
    constructor Create(AVersion: Integer; const AFileName: string); virtual;
    procedure Apply(Connection: TFDConnection); virtual; abstract;
    property Version: Integer read FVersion;
    property FileName: string read FFileName;
  end;

  TSqlStep = class(TMigrationStep)
  public
    procedure Apply(Connection: TFDConnection); override;
  end;

  TScriptStep = class(TMigrationStep)
  private
    FStatements: TStringList;
  public
    constructor Create(AVersion: Integer; const AFileName: string); override;
    destructor Destroy; override;
    procedure Apply(Connection: TFDConnection); override;
  end;

  TDataStep = class(TMigrationStep)
  public
    procedure Apply(Connection: TFDConnection); override;
  end;

  TMigrationRecord = record
    Version: Integer;
    Checksum: string;
    AppliedAt: TDateTime;
  end;

  TSchemaMigrator = class
  private
    FConnection: TFDConnection;
    FDirectory: string;
    FLog: TProc<string>;
    FApplied: TList<TMigrationRecord>;
    procedure EnsureHistoryTable;
    procedure LoadHistory;
    function KindOf(const FileName: string): TMigrationKind;
    function FileChecksum(const FileName: string): string;
    function FileForVersion(Version: Integer): string;
    procedure RecordStep(const Step: TMigrationStep; const Checksum: string);
  public
    constructor Create(AConnection: TFDConnection; const ADirectory: string;
      const ALog: TProc<string>);
    destructor Destroy; override;
    function PendingFiles: TStringList;
    function Migrate(TargetVersion: Integer = MaxInt): Integer;
    procedure VerifyChecksums;
    procedure Rollback(ToVersion: Integer);
    procedure AcquireLock(Wait: Boolean);
    property Directory: string read FDirectory;
  end;

implementation

{ TMigrationStep }

constructor TMigrationStep.Create(AVersion: Integer; const AFileName: string);
begin
  inherited Create;
  FVersion := AVersion;
  FFileName := AFileName;
end;

{ TSqlStep }

procedure TSqlStep.Apply(Connection: TFDConnection);
begin
  Connection.ExecSQL(TFile.ReadAllText(FFileName, TEncoding.UTF8));
end;

{ TScriptStep }

constructor TScriptStep.Create(AVersion: Integer; const AFileName: string);
begin
  inherited Create(AVersion, AFileName);
  FStatements := TStringList.Create;
  FStatements.LineBreak := ';' + sLineBreak;
end;

destructor TScriptStep.Destroy;
begin
  FStatements.Free;
  inherited Destroy;
end;

procedure TScriptStep.Apply(Connection: TFDConnection);
var
  Statement: string;
  Query: TFDQuery;
  Index: Integer;
begin
  FStatements.Text := TFile.ReadAllText(FFileName, TEncoding.UTF8);
  Index := 0;
  while Index < FStatements.Count do
  begin
    Statement := FStatements[Index].Trim;
    Inc(Index);
    if (Statement = '') or Statement.StartsWith('--') then
      Continue;
    Query := TFDQuery.Create(nil);
    try
      Query.Connection := Connection;
      Query.SQL.Text := Statement;
      Query.ExecSQL;
    finally
      Query.Free;
    end;
  end;
end;

{ TDataStep }

procedure TDataStep.Apply(Connection: TFDConnection);
var
  Reader: TStreamReader;
  Header, Fields: TArray<string>;
  Insert: TFDQuery;
  I: Integer;
  Line: string;
begin
  Reader := TStreamReader.Create(FFileName, TEncoding.UTF8);
  try
    Header := Reader.ReadLine.Split([';']);
    Insert := TFDQuery.Create(nil);
    try
      Insert.Connection := Connection;
      Insert.SQL.Text := Format('insert into %s (%s) values (:%s)',
        [TPath.GetFileNameWithoutExtension(FFileName).Substring(7),
         string.Join(',', Header), string.Join(',:', Header)]);
      while not Reader.EndOfStream do
      begin
        Line := Reader.ReadLine;
        if Line = '' then
          Continue;
        Fields := Line.Split([';']);
        for I := 0 to High(Header) do
          Insert.Params[I].AsString := Fields[I];
        Insert.ExecSQL;
      end;
    finally
      Insert.Free;
    end;
  finally
    Reader.Free;
  end;
end;

{ TSchemaMigrator }

constructor TSchemaMigrator.Create(AConnection: TFDConnection;
  const ADirectory: string; const ALog: TProc<string>);
begin
  inherited Create;
  FConnection := AConnection;
  FDirectory := ADirectory;
  FLog := ALog;
  FApplied := TList<TMigrationRecord>.Create;
end;

destructor TSchemaMigrator.Destroy;
begin
  try
    FApplied.Free;
  finally
    inherited Destroy;
  end;
end;

procedure TSchemaMigrator.EnsureHistoryTable;
var
  Query: TFDQuery;
begin
  Query := TFDQuery.Create(nil);
  with Query do
  try
    Connection := FConnection;
    SQL.Text := 'create table if not exists schema_history (' +
      'version integer primary key, checksum varchar(64) not null, ' +
      'applied_at timestamp not null)';
    ExecSQL;
  finally
    Free;
  end;
end;

procedure TSchemaMigrator.LoadHistory;
var
  Query: TFDQuery;
  Rec: TMigrationRecord;
begin
  FApplied.Clear;
  Query := TFDQuery.Create(nil);
  try
    Query.Connection := FConnection;
    Query.Open('select version, checksum, applied_at from schema_history order by version');
    while not Query.Eof do
    begin
      Rec.Version := Query.Fields[0].AsInteger;
      Rec.Checksum := Query.Fields[1].AsString;
      Rec.AppliedAt := Query.Fields[2].AsDateTime;
      FApplied.Add(Rec);
      Query.Next;
    end;
  finally
    Query.Free;
  end;
end;

function TSchemaMigrator.KindOf(const FileName: string): TMigrationKind;
var
  Ext: string;
begin
  Ext := LowerCase(TPath.GetExtension(FileName));
  if Ext = '.script' then
    Result := mkScript
  else if Ext = '.csv' then
    Result := mkData
  else
    Result := mkSql;
end;

function TSchemaMigrator.FileChecksum(const FileName: string): string;
begin
  Result := THashSHA2.GetHashStringFromFile(FileName);
end;

function TSchemaMigrator.FileForVersion(Version: Integer): string;
var
  Found: TArray<string>;
begin
  Found := TDirectory.GetFiles(FDirectory, Format('V%.4d__*.*', [Version]));
  if Length(Found) = 1 then
    Result := Found[0]
  else
    Result := '';
end;

procedure TSchemaMigrator.RecordStep(const Step: TMigrationStep; const Checksum: string);
var
  Query: TFDQuery;
begin
  Query := TFDQuery.Create(nil);
  try
    Query.Connection := FConnection;
    Query.SQL.Text := 'insert into schema_history (version, checksum, applied_at) ' +
      'values (:version, :checksum, :applied_at)';
    Query.ParamByName('version').AsInteger := Step.Version;
    Query.ParamByName('checksum').AsString := Checksum;
    Query.ParamByName('applied_at').AsDateTime := Now;
    Query.ExecSQL;
  finally
    Query.Free;
  end;
end;

function TSchemaMigrator.PendingFiles: TStringList;
var
  Name: string;
  Version: Integer;
  Known: TDictionary<Integer, Boolean>;
  Rec: TMigrationRecord;
begin
  Known := TDictionary<Integer, Boolean>.Create;
  Result := TStringList.Create;
  try
    for Rec in FApplied do
      Known.Add(Rec.Version, True);
    for Name in TDirectory.GetFiles(FDirectory, 'V*__*.*') do
      if TryStrToInt(Copy(TPath.GetFileName(Name), 2, 4), Version) and
        not Known.ContainsKey(Version) then
        Result.AddObject(Name, TObject(Version));
    Result.Sort;
  finally
    Known.Free;
  end;
end;

function TSchemaMigrator.Migrate(TargetVersion: Integer): Integer;
var
  Files: TStringList;
  Step: TMigrationStep;
  I, Version: Integer;
  Checksum: string;
begin
  Result := 0;
  EnsureHistoryTable;
  LoadHistory;
  Files := PendingFiles;
  try
    for I := 0 to Files.Count - 1 do
    begin
      Version := Integer(Files.Objects[I]);
      if Version > TargetVersion then
        Break;
      case KindOf(Files[I]) of
        mkSql:
          Step := TSqlStep.Create(Version, Files[I]);
        mkScript:
          Step := TScriptStep.Create(Version, Files[I]);
      else
        Step := TDataStep.Create(Version, Files[I]);
      end;
      try
        Checksum := FileChecksum(Files[I]);
        FLog(Format('applying V%d (%s)', [Version, TPath.GetFileName(Files[I])]));
        FConnection.StartTransaction;
        try
          Step.Apply(FConnection);
          RecordStep(Step, Checksum);
          FConnection.Commit;
        except
          on E: Exception do
          begin
            FConnection.Rollback;
            FLog(Format('V%d failed: %s', [Version, E.Message]));
            raise;
          end;
        end;
        Inc(Result);
      finally
        Step.Free;
      end;
    end;
  finally
    Files.Free;
  end;
end;

procedure TSchemaMigrator.VerifyChecksums;

  function Describe(const Rec: TMigrationRecord): string;
  var
    Parts: TStringList;
  begin
    Parts := TStringList.Create;
    try
      Parts.Add('V' + IntToStr(Rec.Version));
      Parts.Add(Rec.Checksum);
      Parts.Add(DateTimeToStr(Rec.AppliedAt));
      Result := Parts.CommaText;
    finally
      Parts.Free;
    end;
  end;

var
  Rec: TMigrationRecord;
  Mismatches: TStringList;
  FileName: string;
begin
  LoadHistory;
  Mismatches := TStringList.Create;
  for Rec in FApplied do
  begin
    FileName := FileForVersion(Rec.Version);
    if (FileName <> '') and not SameText(FileChecksum(FileName), Rec.Checksum) then
      Mismatches.Add(Describe(Rec));
  end;
  if Mismatches.Count > 0 then
    raise EMigrationError.CreateFmt('%d applied migrations were changed:%s%s',
      [Mismatches.Count, sLineBreak, Mismatches.Text]);
  Mismatches.Free;
  FLog('all checksums match');
end;

procedure TSchemaMigrator.Rollback(ToVersion: Integer);
var
  Undo: TStringList;
  I: Integer;
  UndoFile: string;
begin
  LoadHistory;
  Undo := nil;
  try
    for I := FApplied.Count - 1 downto 0 do
    begin
      if FApplied[I].Version <= ToVersion then
        Break;
      UndoFile := TPath.Combine(FDirectory, Format('U%.4d.sql', [FApplied[I].Version]));
      if not TFile.Exists(UndoFile) then
        raise EMigrationError.CreateFmt('no undo script for V%d', [FApplied[I].Version]);
      Undo := TStringList.Create;
      Undo.LoadFromFile(UndoFile);
      FLog(Format('undoing V%d', [FApplied[I].Version]));
      FConnection.ExecSQL(Undo.Text);
      FConnection.ExecSQL('delete from schema_history where version = ' +
        IntToStr(FApplied[I].Version));
    end;
  finally
    Undo.Free;
  end;
  LoadHistory;
end;

procedure TSchemaMigrator.AcquireLock(Wait: Boolean);
const
  LockSql = 'do $$ begin perform pg_advisory_lock(72817); end $$;';
  TryLockSql = 'select pg_try_advisory_lock(72817)';
var
  query: TFDQuery;
begin
  if Wait then
  begin
    FConnection.ExecSQL(LockSql);
    Exit;
  end;
  query := TFDQuery.Create(nil);
  try
    Query.Connection := FConnection;
    Query.Open(TryLockSql);
    if not Query.Fields[0].AsBoolean then
      raise EMigrationError.Create('another migration is running; try again later');
  finally
    QUERY.Free;
  end;
end;

end.
