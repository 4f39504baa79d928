unit uSchemaMigrations;

{ Applies the numbered schema scripts that are linked into the executable as
  resources (MIGRATION_001, MIGRATION_002, ...). Each script runs in its own
  transaction; the version table says which ones ran. }

interface

uses
  System.SysUtils, System.Classes, System.Types, FireDAC.Comp.Client, FireDAC.Comp.Script,
  FireDAC.Stan.Intf, uLogger;

type
  EMigrationFailed = class(Exception);

  TSchemaMigrator = class
  private
    FConnection: TFDConnection;
    FLogger: ILogger;
    function CurrentVersion: Integer;
    function ScriptText(AVersion: Integer): string;
    procedure EnsureVersionTable;
    procedure Apply(AVersion: Integer; const AText: string);
  public
    constructor Create(AConnection: TFDConnection; const ALogger: ILogger);
    function Migrate: Integer;
  end;

implementation

const
  CreateVersionTable =
    'declare' + sLineBreak +
    '  table_exists exception;' + sLineBreak +
    '  pragma exception_init(table_exists, -955);' + sLineBreak +
    'begin' + sLineBreak +
    '  execute immediate ''create table schema_version (version number primary key, applied_at date)'';' + sLineBreak +
    'exception' + sLineBreak +
    '  when table_exists then null;' + sLineBreak +
    'end;';

constructor TSchemaMigrator.Create(AConnection: TFDConnection; const ALogger: ILogger);
begin
  inherited Create;
  FConnection := AConnection;
  FLogger := ALogger;
end;

procedure TSchemaMigrator.EnsureVersionTable;
begin
  FConnection.ExecSQL(CreateVersionTable);
end;

function TSchemaMigrator.CurrentVersion: Integer;
begin
  Result := FConnection.ExecSQLScalar('select nvl(max(version), 0) from schema_version');
end;

function TSchemaMigrator.ScriptText(AVersion: Integer): string;
var
  Resource: TResourceStream;
  Reader: TStreamReader;
begin
  Result := '';
  if FindResource(HInstance, PChar(Format('MIGRATION_%.3d', [AVersion])), RT_RCDATA) = 0 then
    Exit;
  Resource := TResourceStream.Create(HInstance, Format('MIGRATION_%.3d', [AVersion]), RT_RCDATA);
  try
    Reader := TStreamReader.Create(Resource, TEncoding.UTF8);
    try
      Result := Reader.ReadToEnd;
    finally
      Reader.Free;
    end;
  finally
    Resource.Free;
  end;
end;

procedure TSchemaMigrator.Apply(AVersion: Integer; const AText: string);
var
  Script: TFDScript;
begin
  Script := TFDScript.Create(nil);
  try
    Script.Connection := FConnection;
    Script.ScriptOptions.CommandSeparator := '/';
    Script.SQLScripts.Add.SQL.Text := AText;
    FConnection.StartTransaction;
    try
      if not Script.ValidateAll then
        raise EMigrationFailed.CreateFmt('Script %d does not parse', [AVersion]);
      Script.ExecuteAll;
      if Script.TotalErrors > 0 then
        raise EMigrationFailed.CreateFmt('Script %d: %d statements failed', [AVersion, Script.TotalErrors]);
      FConnection.ExecSQL('insert into schema_version (version, applied_at) values (:v, sysdate)', [AVersion]);
      FConnection.Commit;
    except
      FConnection.Rollback;
      raise;
    end;
  finally
    Script.Free;
  end;
end;

function TSchemaMigrator.Migrate: Integer;
var
  Version: Integer;
  Text: string;
begin
  Result := 0;
  EnsureVersionTable;
  Version := CurrentVersion + 1;
  Text := ScriptText(Version);
  while Text <> '' do
  begin
    FLogger.Log(llInfo, Format('applying schema script %d', [Version]));
    try
      Apply(Version, Text);
    except
      on E: Exception do
        raise EMigrationFailed.CreateFmt('Schema script %d failed: %s', [Version, E.Message]);
    end;
    Inc(Result);
    Inc(Version);
    Text := ScriptText(Version);
  end;
end;

end.
