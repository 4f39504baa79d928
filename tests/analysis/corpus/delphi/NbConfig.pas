{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbConfig.pas - persistent settings: INI files everywhere, the registry on
  Windows, with a per-user configuration folder on POSIX systems

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbConfig;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  {$IFDEF MSWINDOWS}Windows, Registry, ShlObj,{$ENDIF}
  SysUtils, Classes, IniFiles, Generics.Collections;

type
  TNbConfigStore = (csIniFile, csRegistry);

  TNbConfigChangeEvent = procedure(Sender: TObject; const ASection, AKey: string) of object;

  TNbConfig = class(TComponent)
  private
    FAppName: string;
    FStore: TNbConfigStore;
    FCache: TDictionary<string, string>;
    FDirty: Boolean;
    FAutoSave: Boolean;
    FOnChange: TNbConfigChangeEvent;
    function CacheKey(const ASection, AKey: string): string;
    function GetFileName: string;
  protected
    procedure Loaded; override;
    procedure DoChange(const ASection, AKey: string); virtual;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    function ReadString(const ASection, AKey, ADefault: string): string;
    function ReadInteger(const ASection, AKey: string; ADefault: Integer): Integer;
    procedure WriteString(const ASection, AKey, AValue: string);
    procedure WriteInteger(const ASection, AKey: string; AValue: Integer);
    procedure Load;
    procedure Save;
    procedure ExportSection(const ASection: string; ADest: TStrings);
    procedure ImportFile(const AFileName: string);
    function SectionCount: Integer;
    class function ConfigFolder(const AAppName: string): string; static;
    property FileName: string read GetFileName;
    property Dirty: Boolean read FDirty;
  published
    property AppName: string read FAppName write FAppName;
    property AutoSave: Boolean read FAutoSave write FAutoSave default True;
    property Store: TNbConfigStore read FStore write FStore default csIniFile;
    property OnChange: TNbConfigChangeEvent read FOnChange write FOnChange;
  end;

implementation

const
  SectionSep = #1;

{$REGION 'TNbConfig'}

constructor TNbConfig.Create(AOwner: TComponent);
begin
  FAutoSave := True;
  FStore := csIniFile;
  inherited Create(AOwner);
  FCache := TDictionary<string, string>.Create;
  if FAppName = '' then
    FAppName := ChangeFileExt(ExtractFileName(ParamStr(0)), '');
end;

destructor TNbConfig.Destroy;
begin
  if FDirty and FAutoSave and not (csDesigning in ComponentState) then
    try
      Save;
    except
      { never raise from a destructor }
    end;
  FCache.Free;
  inherited Destroy;
end;

procedure TNbConfig.Loaded;
begin
  inherited Loaded;
  if not (csDesigning in ComponentState) then
    Load;
end;

class function TNbConfig.ConfigFolder(const AAppName: string): string;
{$IFDEF MSWINDOWS}
var
  Path: array[0..MAX_PATH] of Char;
{$ENDIF}
begin
  {$IFDEF MSWINDOWS}
  if SHGetFolderPath(0, CSIDL_APPDATA, 0, 0, Path) = S_OK then
    Result := IncludeTrailingPathDelimiter(Path) + AAppName
  else
    Result := ExtractFilePath(ParamStr(0));
  {$ENDIF}
  {$IFDEF POSIX}
  Result := GetEnvironmentVariable('XDG_CONFIG_HOME');
  if Result = '' then
    Result := IncludeTrailingPathDelimiter(GetEnvironmentVariable('HOME')) + '.config';
  Result := IncludeTrailingPathDelimiter(Result) + LowerCase(AAppName);
  {$ENDIF}
  ForceDirectories(Result);
end;

function TNbConfig.GetFileName: string;
begin
  Result := IncludeTrailingPathDelimiter(ConfigFolder(FAppName)) + FAppName + '.ini';
end;

function TNbConfig.CacheKey(const ASection, AKey: string): string;
begin
  Result := AnsiUpperCase(ASection) + SectionSep + AnsiUpperCase(AKey);
end;

procedure TNbConfig.DoChange(const ASection, AKey: string);
begin
  FDirty := True;
  if Assigned(FOnChange) then
    FOnChange(Self, ASection, AKey);
  if FAutoSave and not (csLoading in ComponentState) then
    Save;
end;

procedure TNbConfig.Load;
var
  Ini: TMemIniFile;
  Sections, Keys: TStringList;
  I, J: Integer;
  {$IFDEF MSWINDOWS}
  Reg: TRegistry;
  {$ENDIF}
begin
  FCache.Clear;
  {$IFDEF MSWINDOWS}
  if FStore = csRegistry then
  begin
    Reg := TRegistry.Create(KEY_READ);
    try
      Reg.RootKey := HKEY_CURRENT_USER;
      if Reg.OpenKeyReadOnly('Software\' + FAppName) then
      begin
        Keys := TStringList.Create;
        try
          Reg.GetValueNames(Keys);
          for J := 0 to Keys.Count - 1 do
            FCache.AddOrSetValue(CacheKey('', Keys[J]), Reg.ReadString(Keys[J]));
        finally
          Keys.Free;
        end;
      end;
    finally
      Reg.Free;
    end;
    FDirty := False;
    Exit;
  end;
  {$ENDIF}
  Ini := TMemIniFile.Create(GetFileName {$IFDEF UNICODE}, TEncoding.UTF8{$ENDIF});
  Sections := TStringList.Create;
  Keys := TStringList.Create;
  try
    Ini.ReadSections(Sections);
    for I := 0 to Sections.Count - 1 do
    begin
      Keys.Clear;
      Ini.ReadSection(Sections[I], Keys);
      for J := 0 to Keys.Count - 1 do
        FCache.AddOrSetValue(CacheKey(Sections[I], Keys[J]),
          Ini.ReadString(Sections[I], Keys[J], ''));
    end;
  finally
    Keys.Free;
    Sections.Free;
    Ini.Free;
  end;
  FDirty := False;
end;

procedure TNbConfig.Save;
var
  Ini: TMemIniFile;
  Pair: TPair<string, string>;

  procedure WriteEntry(const AKey, AValue: string);
  var
    P: Integer;
  begin
    P := Pos(SectionSep, AKey);
    Ini.WriteString(Copy(AKey, 1, P - 1), Copy(AKey, P + 1, MaxInt), AValue);
  end;

begin
  Ini := TMemIniFile.Create(GetFileName {$IFDEF UNICODE}, TEncoding.UTF8{$ENDIF});
  Ini.Clear;
  for Pair in FCache do
    WriteEntry(Pair.Key, Pair.Value);
  Ini.UpdateFile;
  Ini.Free;
  FDirty := False;
end;

function TNbConfig.ReadString(const ASection, AKey, ADefault: string): string;
begin
  if not FCache.TryGetValue(CacheKey(ASection, AKey), Result) then
    Result := ADefault;
end;

function TNbConfig.ReadInteger(const ASection, AKey: string; ADefault: Integer): Integer;
begin
  Result := StrToIntDef(ReadString(ASection, AKey, ''), ADefault);
end;

procedure TNbConfig.WriteString(const ASection, AKey, AValue: string);
var
  Old: string;
begin
  if FCache.TryGetValue(CacheKey(ASection, AKey), Old) and (Old = AValue) then
    Exit;
  FCache.AddOrSetValue(CacheKey(ASection, AKey), AValue);
  DoChange(ASection, AKey);
end;

procedure TNbConfig.WriteInteger(const ASection, AKey: string; AValue: Integer);
begin
  WriteString(ASection, AKey, IntToStr(AValue));
end;

procedure TNbConfig.ExportSection(const ASection: string; ADest: TStrings);
var
  Prefix: string;
  Pair: TPair<string, string>;
  Sorted: TStringList;
begin
  Prefix := AnsiUpperCase(ASection) + SectionSep;
  try
    Sorted := TStringList.Create;
    Sorted.Sorted := True;
    for Pair in FCache do
      if Copy(Pair.Key, 1, Length(Prefix)) = Prefix then
        Sorted.Values[Copy(Pair.Key, Length(Prefix) + 1, MaxInt)] := Pair.Value;
    ADest.AddStrings(Sorted);
  finally
    Sorted.Free;
  end;
end;

procedure TNbConfig.ImportFile(const AFileName: string);
var
  Lines: TStringList;
  I: Integer;
  Section, Line: string;
begin
  Lines := TStringList.Create;
  try
    Lines.LoadFromFile(AFileName);
    Section := '';
    for I := 0 to Lines.Count - 1 do
    begin
      Line := Trim(Lines[I]);
      if (Line = '') or (Line[1] = ';') then
        Continue;
      if (Line[1] = '[') and (Line[Length(Line)] = ']') then
        Section := Copy(Line, 2, Length(Line) - 2)
      else if Pos('=', Line) > 0 then
        with Lines do
          FCache.AddOrSetValue(CacheKey(Section, Names[I]), ValueFromIndex[I]);
    end;
  finally
    Lines.Free;
  end;
  DoChange('', '');
end;

function TNbConfig.SectionCount: Integer;
var
  Names: TStrings;
begin
  Result := 0;
  if not FileExists(GetFileName) then
    Exit;
  Names := TStringList.Create;
  try
    with TMemIniFile.Create(GetFileName) do
    try
      ReadSections(Names);
    finally
      Free;
    end;
    Result := Names.Count;
  finally
    Names.Free;
  end;
end;

{$ENDREGION}

end.
