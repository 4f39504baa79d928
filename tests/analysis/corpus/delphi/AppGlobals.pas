unit AppGlobals;

{ Process-wide singletons: settings, audit trail, service registry and the
  list of temp files to remove at shutdown.  They are created in the
  initialization section and torn down in reverse order in finalization. }

interface

uses
  System.SysUtils, System.Classes, System.IniFiles, System.SyncObjs,
  System.Generics.Collections, System.IOUtils;

type
  TAppSettings = class
  private
    FValues: TStringList;
    FFileName: string;
    FLoaded: Boolean;
    FModified: Boolean;
    FLock: TCriticalSection;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Load;
    procedure Save;
    function ReadString(const AKey, ADefault: string): string;
    procedure WriteString(const AKey, AValue: string);
    function ReadInteger(const AKey: string; ADefault: Integer): Integer;
    property FileName: string read FFileName;
  end;

  TAuditTrail = class
  private
    FEntries: TStringList;
    FLock: TCriticalSection;
    FLogFile: string;
  public
    constructor Create(const ALogFile: string);
    destructor Destroy; override;
    procedure Add(const AWho, AWhat: string);
    procedure Flush;
    function Snapshot: string;
  end;

function Settings: TAppSettings;
function Audit: TAuditTrail;
procedure RegisterService(const AName: string; AService: TObject);
function Service(const AName: string): TObject;
function NewTempFile(const APrefix: string): string;

var
  AppStartedAt: TDateTime;

implementation

var
  GSettings: TAppSettings = nil;
  GAudit: TAuditTrail = nil;
  GServices: TObjectDictionary<string, TObject> = nil;
  GTempFiles: TStringList = nil;

{ TAppSettings }

constructor TAppSettings.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
  FLock := TCriticalSection.Create;
  FValues := TStringList.Create;
  FValues.CaseSensitive := False;
end;

destructor TAppSettings.Destroy;
begin
  if FModified then
    Save;
  FValues.Free;
  inherited;
  FLock.Free;
end;

procedure TAppSettings.Load;
var
  Ini: TMemIniFile;
begin
  FLock.Enter;
  try
    FValues.Clear;
    if FileExists(FFileName) then
    begin
      Ini := TMemIniFile.Create(FFileName);
      try
        Ini.ReadSectionValues('app', FValues);
      finally
        Ini.Free;
      end;
    end;
    FLoaded := True;
    FModified := False;
  finally
    FLock.Leave;
  end;
end;

procedure TAppSettings.Save;
var
  Ini: TMemIniFile;
  I: Integer;
begin
  FLock.Enter;
  try
    Ini := TMemIniFile.Create(FFileName);
    try
      Ini.EraseSection('app');
      for I := 0 to FValues.Count - 1 do
        Ini.WriteString('app', FValues.Names[I], FValues.ValueFromIndex[I]);
      Ini.UpdateFile;
    finally
      Ini.Free;
    end;
    FModified := False;
  finally
    FLock.Leave;
  end;
end;

function TAppSettings.ReadString(const AKey, ADefault: string): string;
var
  Idx: Integer;
begin
  FLock.Enter;
  try
    if not FLoaded then
      Load;
    Idx := FValues.IndexOfName(AKey);
    if Idx < 0 then
      Result := ADefault
    else
      Result := FValues.ValueFromIndex[Idx];
  finally
    FLock.Leave;
  end;
end;

procedure TAppSettings.WriteString(const AKey, AValue: string);
begin
  FLock.Enter;
  try
    if FValues.Values[AKey] <> AValue then
    begin
      FValues.Values[AKey] := AValue;
      FModified := True;
    end;
  finally
    FLock.Leave;
  end;
end;

function TAppSettings.ReadInteger(const AKey: string; ADefault: Integer): Integer;
begin
  Result := StrToIntDef(ReadString(AKey, ''), ADefault);
end;

{ TAuditTrail }

constructor TAuditTrail.Create(const ALogFile: string);
begin
  inherited Create;
  FLogFile := ALogFile;
  FEntries := TStringList.Create;
  FLock := TCriticalSection.Create;
end;

destructor TAuditTrail.Destroy;
begin
  Flush;
  FLock.Free;
  FEntries.Free;
  inherited Destroy;
end;

procedure TAuditTrail.Add(const AWho, AWhat: string);
begin
  FLock.Acquire;
  try
    FEntries.Add(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + #9 + AWho + #9 + AWhat);
    if FEntries.Count >= 200 then
      Flush;
  finally
    FLock.Release;
  end;
end;

procedure TAuditTrail.Flush;
begin
  FLock.Acquire;
  try
    if FEntries.Count = 0 then
      Exit;
    TFile.AppendAllText(FLogFile, FEntries.Text, TEncoding.UTF8);
    FEntries.Clear;
  finally
    FLock.Release;
  end;
end;

function TAuditTrail.Snapshot: string;
var
  Tmp: TStringList;
begin
  Tmp := TStringList.Create;
  FLock.Acquire;
  try
    Tmp.Assign(FEntries);
  finally
    FLock.Release;
  end;
  Tmp.Sort;
  Result := Tmp.Text;
end;

{ globals }

function Settings: TAppSettings;
begin
  Result := GSettings;
end;

function Audit: TAuditTrail;
begin
  Result := GAudit;
end;

procedure RegisterService(const AName: string; AService: TObject);
begin
  GServices.AddOrSetValue(AName, AService);
end;

function Service(const AName: string): TObject;
begin
  if not GServices.TryGetValue(AName, Result) then
    raise EListError.CreateFmt('service "%s" is not registered', [AName]);
end;

function NewTempFile(const APrefix: string): string;
begin
  Result := TPath.Combine(TPath.GetTempPath, APrefix + TPath.GetGUIDFileName + '.tmp');
  GTempFiles.Add(Result);
end;

procedure DeleteTempFiles;
var
  I: Integer;
begin
  for I := GTempFiles.Count - 1 downto 0 do
  begin
    try
      if FileExists(GTempFiles[I]) then
        DeleteFile(GTempFiles[I]);
    except
      // shutting down: a locked temp file is not worth an error dialog
    end;
    GTempFiles.Delete(I);
  end;
end;

initialization
  AppStartedAt := Now;
  GSettings := TAppSettings.Create(ChangeFileExt(ParamStr(0), '.ini'));
  GAudit := TAuditTrail.Create(ChangeFileExt(ParamStr(0), '.audit.log'));
  GServices := TObjectDictionary<string, TObject>.Create([doOwnsValues]);
  GTempFiles := TStringList.Create;

finalization
  DeleteTempFiles;
  FreeAndNil(GTempFiles);
  FreeAndNil(GServices);
  GAudit.Free;
  GSettings.Free;

end.
