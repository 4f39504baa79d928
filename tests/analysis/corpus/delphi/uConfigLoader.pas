unit uConfigLoader;

interface

uses
  System.SysUtils, System.Classes, System.IniFiles
  {$IFDEF MSWINDOWS}, Winapi.Windows, System.Win.Registry{$ENDIF};

type
  TConfig = record
    DatabaseName: string;
    ServerName: string;
    PollInterval: Integer;
    LogLevel: Integer;
    ExportFolder: string;
  end;

  TConfigLoader = class
  private
    FFileName: string;
    function DefaultConfig: TConfig;
    procedure ReadLegacySettings(var AConfig: TConfig);
  public
    constructor Create(const AFileName: string);
    function Load: TConfig;
    procedure Save(const AConfig: TConfig);
    procedure ImportSection(const ASource, ASection: string);
  end;

implementation

const
  SectionMain = 'Main';
  SectionDatabase = 'Database';

constructor TConfigLoader.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
end;

function TConfigLoader.DefaultConfig: TConfig;
begin
  Result.DatabaseName := 'SALES';
  Result.ServerName := 'localhost';
  Result.PollInterval := 30;
  Result.LogLevel := 1;
  Result.ExportFolder := '';
end;

procedure TConfigLoader.ReadLegacySettings(var AConfig: TConfig);
{$IFDEF MSWINDOWS}
var
  Reg: TRegistry;
begin
  Reg := TRegistry.Create(KEY_READ);
  try
    Reg.RootKey := HKEY_CURRENT_USER;
    if Reg.OpenKeyReadOnly('Software\Acme\Sales') then
    begin
      if Reg.ValueExists('Database') then
        AConfig.DatabaseName := Reg.ReadString('Database');
      if Reg.ValueExists('Server') then
        AConfig.ServerName := Reg.ReadString('Server');
    end;
  finally
    Reg.Free;
  end;
end;
{$ELSE}
begin
  { no registry outside Windows; the ini file is all there is }
end;
{$ENDIF}

function TConfigLoader.Load: TConfig;
var
  Ini: TMemIniFile;
begin
  Result := DefaultConfig;
  if not FileExists(FFileName) then
  begin
    ReadLegacySettings(Result);
    Exit;
  end;
  Ini := TMemIniFile.Create(FFileName, TEncoding.UTF8);
  try
    Result.DatabaseName := Ini.ReadString(SectionDatabase, 'Name', Result.DatabaseName);
    Result.ServerName := Ini.ReadString(SectionDatabase, 'Server', Result.ServerName);
    Result.PollInterval := Ini.ReadInteger(SectionMain, 'PollInterval', Result.PollInterval);
    Result.LogLevel := Ini.ReadInteger(SectionMain, 'LogLevel', Result.LogLevel);
    Result.ExportFolder := Ini.ReadString(SectionMain, 'ExportFolder', '');
  finally
    Ini.Free;
  end;
  try
    if Result.ExportFolder <> '' then
      ForceDirectories(Result.ExportFolder);
  except
    on E: EInOutError do
      Result.ExportFolder := '';
  end;
end;

procedure TConfigLoader.Save(const AConfig: TConfig);
var
  Ini: TMemIniFile;
begin
  Ini := TMemIniFile.Create(FFileName, TEncoding.UTF8);
  Ini.WriteString(SectionDatabase, 'Name', AConfig.DatabaseName);
  Ini.WriteString(SectionDatabase, 'Server', AConfig.ServerName);
  Ini.WriteInteger(SectionMain, 'PollInterval', AConfig.PollInterval);
  Ini.WriteInteger(SectionMain, 'LogLevel', AConfig.LogLevel);
  Ini.WriteString(SectionMain, 'ExportFolder', AConfig.ExportFolder);
  Ini.UpdateFile;
  Ini.Free;
end;

procedure TConfigLoader.ImportSection(const ASource, ASection: string);
var
  Source, Target: TMemIniFile;
  Keys: TStringList;
  Key: string;
begin
  Source := TMemIniFile.Create(ASource);
  Target := TMemIniFile.Create(FFileName);
  Keys := TStringList.Create;
  try
    Source.ReadSection(ASection, Keys);
    for Key in Keys do
      Target.WriteString(ASection, Key, Source.ReadString(ASection, Key, ''));
    Target.UpdateFile;
  finally
    Keys.Free;
    Target.Free;
    Source.Free;
  end;
end;

end.
