unit Ferro.App.Settings;

{ Persistent application settings (INI based) with an auto-save trigger
  component and change notifications. }

interface

uses
  System.SysUtils, System.Classes, System.IniFiles, System.IOUtils,
  System.Generics.Collections;

type
  ESettingsError = class(Exception);

  TSettingChange = record
    Section: string;
    Key: string;
    OldValue: string;
    NewValue: string;
  end;

  TAutoSaveTrigger = class(TComponent)
  private
    FInterval: Integer;
    FOnFire: TNotifyEvent;
  public
    constructor Create(AOwner: TComponent); override;
    procedure Fire;
    property Interval: Integer read FInterval write FInterval;
    property OnFire: TNotifyEvent read FOnFire write FOnFire;
  end;

  TSettingsStore = class(TComponent)
  private
    FFileName: string;
    FValues: TMemIniFile;
    FChanges: TList<TSettingChange>;
    FListeners: TList<TProc<TSettingChange>>;
    FDirty: Boolean;
    procedure Notify(const Change: TSettingChange);
    procedure AutoSave(Sender: TObject);
  public
    constructor Create(AOwner: TComponent; const AFileName: string); reintroduce;
    destructor Destroy; override;
    function ReadString(const Section, Key: string; const Default: string = ''): string;
    procedure WriteString(const Section, Key, Value: string);
    function ReadInt(const Section, Key: string; Default: Integer = 0): Integer;
    procedure Save;
    procedure SaveWithBackup;
    procedure ImportFromText(const FileName: string);
    function ExportSection(const Section: string): TStringList;
    function SectionNames: TArray<string>;
    procedure EnableAutoSave(IntervalMs: Integer);
    procedure Listen(const Listener: TProc<TSettingChange>);
    procedure Validate;
  end;

implementation

{ TAutoSaveTrigger }

constructor TAutoSaveTrigger.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FInterval := 30000;
end;

procedure TAutoSaveTrigger.Fire;
begin
  if Assigned(FOnFire) then
    FOnFire(Self);
end;

{ TSettingsStore }

constructor TSettingsStore.Create(AOwner: TComponent; const AFileName: string);
begin
  if AFileName.Trim.IsEmpty then
    raise ESettingsError.Create('A settings file name is required');
  inherited Create(AOwner);
  FFileName := AFileName;
  FValues := TMemIniFile.Create(AFileName, TEncoding.UTF8);
  FChanges := TList<TSettingChange>.Create;
  FListeners := TList<TProc<TSettingChange>>.Create;
end;

destructor TSettingsStore.Destroy;
begin
  if FDirty then
  try
    Save;
  except
    on E: EFCreateError do
      ; // nothing sensible to do while shutting down
  end;
  FListeners.Free;
  FChanges.Free;
  FValues.Free;
  inherited Destroy;
  // owned components (the auto-save trigger) are gone now
end;

procedure TSettingsStore.Notify(const Change: TSettingChange);
begin
  FChanges.Add(Change);
  for var Listener in FListeners do
    Listener(Change);
end;

procedure TSettingsStore.AutoSave(Sender: TObject);
begin
  if FDirty then
    Save;
end;

function TSettingsStore.ReadString(const Section, Key, Default: string): string;
begin
  Result := FValues.ReadString(Section, Key, Default);
end;

function TSettingsStore.ReadInt(const Section, Key: string; Default: Integer): Integer;
begin
  var Raw := FValues.ReadString(Section, Key, '');
  if Raw = '' then
    Exit(Default);
  if not TryStrToInt(Raw, Result) then
    raise ESettingsError.CreateFmt('[%s] %s: "%s" is not a number', [Section, Key, Raw]);
end;

procedure TSettingsStore.WriteString(const Section, Key, Value: string);
begin
  var Change: TSettingChange;
  Change.Section := Section;
  Change.Key := Key;
  Change.OldValue := FValues.ReadString(Section, Key, '');
  Change.NewValue := Value;
  if Change.OldValue = Change.NewValue then
    Exit;
  FValues.WriteString(Section, Key, Value);
  FDirty := True;
  Notify(Change);
end;

procedure TSettingsStore.Save;
begin
  FValues.UpdateFile;
  FDirty := False;
end;

procedure TSettingsStore.SaveWithBackup;
begin
  if TFile.Exists(FFileName) then
  begin
    var Backup := TMemIniFile.Create(FFileName + '.bak', TEncoding.UTF8);
    Backup.Clear;
    var Sections := TStringList.Create;
    try
      FValues.ReadSections(Sections);
      for var Section in Sections do
      begin
        var Pairs := TStringList.Create;
        try
          FValues.ReadSectionValues(Section, Pairs);
          for var I := 0 to Pairs.Count - 1 do
            Backup.WriteString(Section, Pairs.Names[I], Pairs.ValueFromIndex[I]);
        finally
          Pairs.Free;
        end;
      end;
    finally
      Sections.Free;
    end;
    Backup.WriteString('meta', 'saved', DateTimeToStr(Now));
    Backup.UpdateFile;
  end;
  Save;
end;

procedure TSettingsStore.ImportFromText(const FileName: string);
var
  Lines: TStringList;
begin
  Lines := TStringList.Create;
  try
    Lines.LoadFromFile(FileName, TEncoding.UTF8);
  except
    Lines.Free;
    raise;
  end;
  var Section := 'general';
  for var Line in Lines do
  begin
    var Text := Line.Trim;
    if Text.IsEmpty or Text.StartsWith(';') then
      Continue;
    if Text.StartsWith('[') and Text.EndsWith(']') then
      Section := Text.Substring(1, Text.Length - 2)
    else if Text.Contains('=') then
      WriteString(Section, Text.Split(['='])[0].Trim, Text.Split(['='], 2)[1].Trim)
    else
      raise ESettingsError.CreateFmt('%s: cannot parse "%s"', [FileName, Text]);
  end;
  Lines.Free;
end;

function TSettingsStore.ExportSection(const Section: string): TStringList;
begin
  var Values := TStringList.Create;
  try
    FValues.ReadSectionValues(Section, Values);
    if Values.Count = 0 then
      raise ESettingsError.CreateFmt('Section [%s] is empty', [Section]);
  except
    Values.Free;
    raise;
  end;
  Exit(Values);
end;

function TSettingsStore.SectionNames: TArray<string>;
var
  Names: TStringList;
begin
  Names := TStringList.Create;
  try
    FValues.ReadSections(Names);
    Result := Names.ToStringArray;
  finally
    if Assigned(Names) then
      Names.Free;
  end;
end;

procedure TSettingsStore.EnableAutoSave(IntervalMs: Integer);
begin
  var Trigger := TAutoSaveTrigger.Create(Self);
  Trigger.Interval := IntervalMs;
  Trigger.OnFire := AutoSave;
end;

procedure TSettingsStore.Listen(const Listener: TProc<TSettingChange>);
begin
  FListeners.Add(Listener);
end;

procedure TSettingsStore.Validate;
var
  Problems: TStringList;
begin
  Problems := TStringList.Create;
  try
    for var Section in SectionNames do
    begin
      var Keys := TStringList.Create;
      try
        FValues.ReadSection(Section, Keys);
        for var I := 0 to Keys.Count - 1 do
          if Keys[I].Contains(' ') then
            Problems.Add(Format('[%s] %s: key contains blanks', [Section, Keys[I]]));
      finally
        Keys.Free;
      end;
    end;
    if Problems.Count > 0 then
      raise ESettingsError.Create(Problems.Text);
  finally
    Problems.Free;
  end;
end;

end.
