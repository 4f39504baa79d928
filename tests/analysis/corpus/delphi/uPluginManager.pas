unit uPluginManager;

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, System.Generics.Collections;

type
  IPluginHost = interface
    ['{1E6B2F3A-7C40-4D95-B8A1-0F2C9E6D3A57}']
    procedure RegisterMenuItem(const ACaption: string; AHandler: TNotifyEvent);
    function MainWindow: HWND;
  end;

  IPlugin = interface
    ['{C3A9D0E4-28F1-4B7C-95E6-4D1A8B0F7C29}']
    function Name: string;
    function Version: string;
    procedure Initialize(const AHost: IPluginHost);
    procedure Finalize;
  end;

  TPluginFactory = function: IPlugin; stdcall;

  TPluginInfo = class
  public
    FileName: string;
    Handle: HMODULE;
    Plugin: IPlugin;
  end;

  TPluginManager = class
  private
    FHost: IPluginHost;
    FPlugins: TStringList;
    function LoadOne(const AFileName: string): TPluginInfo;
    procedure UnloadOne(AInfo: TPluginInfo);
  public
    constructor Create(const AHost: IPluginHost);
    destructor Destroy; override;
    procedure LoadFolder(const AFolder: string);
    procedure UnloadAll;
    function Describe: string;
  end;

implementation

uses
  System.IOUtils;

constructor TPluginManager.Create(const AHost: IPluginHost);
begin
  inherited Create;
  FHost := AHost;
  FPlugins := TStringList.Create;
  FPlugins.Sorted := True;
end;

destructor TPluginManager.Destroy;
begin
  try
    UnloadAll;
  finally
    FPlugins.Free;
    inherited Destroy;
  end;
end;

function TPluginManager.LoadOne(const AFileName: string): TPluginInfo;
var
  Handle: HMODULE;
  Factory: TPluginFactory;
  Plugin: IPlugin;
begin
  Result := nil;
  Handle := SafeLoadLibrary(AFileName);
  if Handle = 0 then
    Exit;
  @Factory := GetProcAddress(Handle, 'CreatePlugin');
  if not Assigned(Factory) then
  begin
    FreeLibrary(Handle);
    Exit;
  end;
  Plugin := Factory();
  Plugin.Initialize(FHost);
  Result := TPluginInfo.Create;
  Result.FileName := AFileName;
  Result.Handle := Handle;
  Result.Plugin := Plugin;
end;

procedure TPluginManager.UnloadOne(AInfo: TPluginInfo);
begin
  try
    AInfo.Plugin.Finalize;
  except
    on E: Exception do
      OutputDebugString(PChar(Format('plugin %s did not finalize: %s', [AInfo.FileName, E.Message])));
  end;
  AInfo.Plugin := nil;
  FreeLibrary(AInfo.Handle);
  AInfo.Free;
end;

procedure TPluginManager.LoadFolder(const AFolder: string);
var
  FileName: string;
  Info: TPluginInfo;
begin
  for FileName in TDirectory.GetFiles(AFolder, '*.bpl') do
  begin
    Info := LoadOne(FileName);
    if Info <> nil then
      FPlugins.AddObject(Info.Plugin.Name, Info);
  end;
end;

procedure TPluginManager.UnloadAll;
var
  I: Integer;
begin
  for I := FPlugins.Count - 1 downto 0 do
    UnloadOne(TPluginInfo(FPlugins.Objects[I]));
  FPlugins.Clear;
end;

function TPluginManager.Describe: string;
var
  Lines: TStringList;
  I: Integer;
begin
  Lines := TStringList.Create;
  try
    for I := 0 to FPlugins.Count - 1 do
      Lines.Add(Format('%s %s (%s)', [FPlugins[I], TPluginInfo(FPlugins.Objects[I]).Plugin.Version,
        ExtractFileName(TPluginInfo(FPlugins.Objects[I]).FileName)]));
    Result := Lines.Text;
  finally
    Lines.Free;
  end;
end;

end.
