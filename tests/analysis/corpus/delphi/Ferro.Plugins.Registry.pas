unit Ferro.Plugins.Registry;

{ Plugin registry. Ownership rules:
  - FPlugins (TObjectList, OwnsObjects = True) owns every plugin;
  - FInfo (TDictionary<string, TObject>) does NOT own its values, the
    destructor frees them by hand;
  - FCache (TObjectDictionary, doOwnsValues) owns its string lists. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections,
  System.Generics.Defaults;

type
  TPlugin = class
  public
    Name: string;
    Version: Integer;
    Enabled: Boolean;
    constructor Create; virtual;
  end;

  TPluginClass = class of TPlugin;

  TExportPlugin = class(TPlugin)
  public
    Target: string;
    constructor Create; override;
  end;

  TPluginInfo = class
  public
    Loaded: TDateTime;
    Source: string;
  end;

  TFactory = class
  public
    class function Make<T: class, constructor>: T; static;
    class function MakePlugin<T: TPlugin, constructor>(const AName: string; AVersion: Integer): T; static;
  end;

  TPluginRegistry = class
  private
    FPlugins: TObjectList<TPlugin>;
    FInfo: TDictionary<string, TObject>;
    FCache: TObjectDictionary<string, TStringList>;
    FAliases: TDictionary<string, string>;
  public
    constructor Create;
    destructor Destroy; override;
    procedure RegisterPlugin(Plugin: TPlugin; const Source: string);
    function Find(const Name: string): TPlugin;
    procedure Cache(const Key: string; const Values: array of string);
    function Snapshot: TArray<string>;
    procedure Prune(MinVersion: Integer);
    function GroupByVersion: string;
    procedure LoadDefaults;
    procedure AddAlias(const Alias, Name: string);
  end;

implementation

{ TPlugin }

constructor TPlugin.Create;
begin
  inherited Create;
  Enabled := True;
end;

{ TExportPlugin }

constructor TExportPlugin.Create;
begin
  inherited;
  Target := 'csv';
end;

{ TFactory }

class function TFactory.Make<T>: T;
begin
  Result := T.Create;
end;

class function TFactory.MakePlugin<T>(const AName: string; AVersion: Integer): T;
begin
  Result := T.Create;
  Result.Name := AName;
  Result.Version := AVersion;
end;

{ TPluginRegistry }

constructor TPluginRegistry.Create;
begin
  inherited;
  FPlugins := TObjectList<TPlugin>.Create(True);
  FInfo := TDictionary<string, TObject>.Create(TIStringComparer.Ordinal);
  FCache := TObjectDictionary<string, TStringList>.Create([doOwnsValues]);
  FAliases := TDictionary<string, string>.Create;
end;

destructor TPluginRegistry.Destroy;
begin
  for var Value in FInfo.Values do
    Value.Free;
  FInfo.Free;
  FCache.Free;
  FAliases.Free;
  FPlugins.Free;
  inherited;
end;

procedure TPluginRegistry.RegisterPlugin(Plugin: TPlugin; const Source: string);
begin
  if Find(Plugin.Name) <> nil then
    raise EListError.CreateFmt('Plugin "%s" is already registered', [Plugin.Name]);
  FPlugins.Add(Plugin);
  var Info := TPluginInfo.Create;
  Info.Loaded := Now;
  Info.Source := Source;
  FInfo.Add(Plugin.Name, Info);
end;

function TPluginRegistry.Find(const Name: string): TPlugin;
var
  RealName: string;
begin
  if not FAliases.TryGetValue(Name, RealName) then
    RealName := Name;
  for var P in FPlugins do
    if SameText(P.Name, RealName) then
      Exit(P);
  Result := nil;
end;

procedure TPluginRegistry.AddAlias(const Alias, Name: string);
begin
  FAliases.AddOrSetValue(Alias, Name);
end;

procedure TPluginRegistry.Cache(const Key: string; const Values: array of string);
begin
  var Items := TStringList.Create;
  Items.AddStrings(Values);
  FCache.AddOrSetValue(Key, Items);
end;

function TPluginRegistry.Snapshot: TArray<string>;
var
  Names: TStringList;
begin
  Names := nil;
  try
    Names := TStringList.Create;
    Names.Sorted := True;
    for var Key in FInfo.Keys do
      Names.Add(Key);
    Result := Names.ToStringArray;
  finally
    Names.Free;
  end;
end;

procedure TPluginRegistry.Prune(MinVersion: Integer);
var
  Doomed: TList<TPlugin>;
begin
  Doomed := TList<TPlugin>.Create;
  for var P in FPlugins do
    if P.Version < MinVersion then
      Doomed.Add(P);
  for var P in Doomed do
  begin
    var Info: TObject;
    if FInfo.TryGetValue(P.Name, Info) then
    begin
      FInfo.Remove(P.Name);
      Info.Free;
    end;
    FCache.Remove(P.Name);
    FPlugins.Remove(P);
  end;
  Doomed.Free;
end;

function TPluginRegistry.GroupByVersion: string;
begin
  var Groups := TObjectDictionary<Integer, TList<string>>.Create([doOwnsValues]);
  try
    for var P in FPlugins do
    begin
      var Bucket: TList<string>;
      if not Groups.TryGetValue(P.Version, Bucket) then
      begin
        Bucket := TList<string>.Create;
        Groups.Add(P.Version, Bucket);
      end;
      Bucket.Add(P.Name);
    end;
    var Keys := Groups.Keys.ToArray;
    TArray.Sort<Integer>(Keys);
    var Builder := TStringBuilder.Create;
    try
      for var K in Keys do
        Builder.AppendFormat('v%d: %s', [K, string.Join(', ', Groups[K].ToArray)]).AppendLine;
      Result := Builder.ToString;
    finally
      Builder.Free;
    end;
  finally
    Groups.Free;
  end;
end;

procedure TPluginRegistry.LoadDefaults;
begin
  var Basic := TFactory.MakePlugin<TPlugin>('basic', 1);
  RegisterPlugin(Basic, 'builtin');

  var Exporter := TExportPlugin.Create;
  try
    Exporter.Name := 'export';
    Exporter.Version := 3;
    RegisterPlugin(Exporter, 'builtin');
  except
    Exporter.Free;
    raise;
  end;

  var Scratch := TFactory.Make<TStringList>;
  Scratch.CommaText := 'basic,export';
  for var Name in Scratch do
    AddAlias(Name.ToUpper, Name);

  for var Cls in TArray<TPluginClass>.Create(TPlugin, TExportPlugin) do
  begin
    var Extra := Cls.Create;
    Extra.Name := Cls.ClassName + '_default';
    Extra.Enabled := False;
    RegisterPlugin(Extra, 'defaults');
  end;
end;

end.
