unit uSettingsDlg;

interface

uses
  System.SysUtils, System.Types, System.UITypes, System.Classes, System.IniFiles,
  System.IOUtils, FMX.Types, FMX.Controls, FMX.Forms, FMX.Graphics, FMX.Dialogs,
  FMX.StdCtrls, FMX.Edit, FMX.Layouts, FMX.Objects, FMX.ListBox, FMX.Ani,
  FMX.Controls.Presentation
  {$IFDEF MSWINDOWS}, System.Win.Registry, Winapi.Windows{$ENDIF};

type
  TSettings = record
    UserName: string;
    ServerUrl: string;
    Port: Integer;
    DarkTheme: Boolean;
    Language: string;
    class function Defaults: TSettings; static;
  end;

  TfrmSettings = class(TForm)
    Layout1: TLayout;
    lblUser: TLabel;
    edtUser: TEdit;
    lblServer: TLabel;
    edtServer: TEdit;
    edtPort: TEdit;
    swDark: TSwitch;
    cbLanguage: TComboBox;
    btnOK: TButton;
    btnCancel: TButton;
    rctPreview: TRectangle;
    procedure FormCreate(Sender: TObject);
    procedure FormClose(Sender: TObject; var Action: TCloseAction);
    procedure btnOKClick(Sender: TObject);
    procedure swDarkSwitch(Sender: TObject);
    procedure edtPortValidate(Sender: TObject; var Text: string);
  private
    FSettings: TSettings;
    FBadge: TCircle;
    procedure ApplyToControls;
    procedure ReadFromControls;
    procedure FillLanguages;
    procedure ShowBadge(ACount: Integer);
    procedure RenderPreview;
  public
    class function Execute(var ASettings: TSettings): Boolean;
  end;

function SettingsFileName: string;
procedure LoadSettings(var ASettings: TSettings);
procedure SaveSettings(const ASettings: TSettings);
function ReadLegacyPort: Integer;

implementation

{$R *.fmx}

const
  SSection = 'General';

class function TSettings.Defaults: TSettings;
begin
  Result.UserName := '';
  Result.ServerUrl := 'https://localhost';
  Result.Port := 8443;
  Result.DarkTheme := False;
  Result.Language := 'en';
end;

function SettingsFileName: string;
begin
  Result := TPath.Combine(TPath.GetHomePath, 'Ferro' + PathDelim + 'settings.ini');
end;

procedure LoadSettings(var ASettings: TSettings);
var
  Ini: TCustomIniFile;
begin
  ASettings := TSettings.Defaults;
{$IFDEF MSWINDOWS}
  if not FileExists(SettingsFileName) then
    Ini := TRegistryIniFile.Create('Software\Ferro')
  else
{$ENDIF}
    Ini := TMemIniFile.Create(SettingsFileName, TEncoding.UTF8);
  try
    ASettings.UserName := Ini.ReadString(SSection, 'User', ASettings.UserName);
    ASettings.ServerUrl := Ini.ReadString(SSection, 'Server', ASettings.ServerUrl);
    ASettings.Port := Ini.ReadInteger(SSection, 'Port', ASettings.Port);
    ASettings.DarkTheme := Ini.ReadBool(SSection, 'Dark', ASettings.DarkTheme);
    ASettings.Language := Ini.ReadString(SSection, 'Language', ASettings.Language);
  finally
    Ini.Free;
  end;
end;

procedure SaveSettings(const ASettings: TSettings);
var
  Ini: TMemIniFile;
begin
  ForceDirectories(ExtractFilePath(SettingsFileName));
  Ini := TMemIniFile.Create(SettingsFileName, TEncoding.UTF8);
  try
    Ini.WriteString(SSection, 'User', ASettings.UserName);
    Ini.WriteString(SSection, 'Server', ASettings.ServerUrl);
    Ini.WriteInteger(SSection, 'Port', ASettings.Port);
    Ini.WriteBool(SSection, 'Dark', ASettings.DarkTheme);
    Ini.WriteString(SSection, 'Language', ASettings.Language);
    Ini.UpdateFile;
  finally
    Ini.Free;
  end;
end;

function ReadLegacyPort: Integer;
var
  Ini: TIniFile;
begin
  Result := 0;
  Ini := TIniFile.Create(ChangeFileExt(ParamStr(0), '.ini'));
  if Ini.SectionExists('Connection') then
    Result := Ini.ReadInteger('Connection', 'Port', 0);
end;

{ TfrmSettings }

class function TfrmSettings.Execute(var ASettings: TSettings): Boolean;
var
  Frm: TfrmSettings;
begin
  Frm := TfrmSettings.Create(nil);
  try
    Frm.FSettings := ASettings;
    Frm.ApplyToControls;
    Result := Frm.ShowModal = mrOk;
    if Result then
    begin
      Frm.ReadFromControls;
      ASettings := Frm.FSettings;
    end;
  finally
    Frm.Free;
  end;
end;

procedure TfrmSettings.FormCreate(Sender: TObject);
var
  Ani: TFloatAnimation;
begin
  FillLanguages;
  Ani := TFloatAnimation.Create(Self);
  Ani.Parent := rctPreview;
  Ani.PropertyName := 'Opacity';
  Ani.StartValue := 0.3;
  Ani.StopValue := 1;
  Ani.Duration := 0.4;
  Ani.Trigger := 'IsMouseOver=true';
  Ani.TriggerInverse := 'IsMouseOver=false';
end;

procedure TfrmSettings.FormClose(Sender: TObject; var Action: TCloseAction);
begin
  // modal use frees the form in Execute; a modeless one frees itself
  if not (TFmxFormState.Modal in FormState) then
    Action := TCloseAction.caFree;
end;

procedure TfrmSettings.FillLanguages;
var
  Item: TListBoxItem;
  Code: string;
begin
  cbLanguage.BeginUpdate;
  try
    cbLanguage.Clear;
    for Code in TArray<string>.Create('en', 'de', 'fr', 'nl') do
    begin
      Item := TListBoxItem.Create(cbLanguage);
      Item.Text := Code;
      Item.TagString := Code;
      cbLanguage.AddObject(Item);
    end;
  finally
    cbLanguage.EndUpdate;
  end;
end;

procedure TfrmSettings.ApplyToControls;
begin
  edtUser.Text := FSettings.UserName;
  edtServer.Text := FSettings.ServerUrl;
  edtPort.Text := FSettings.Port.ToString;
  swDark.IsChecked := FSettings.DarkTheme;
  cbLanguage.ItemIndex := cbLanguage.Items.IndexOf(FSettings.Language);
  RenderPreview;
end;

procedure TfrmSettings.ReadFromControls;
begin
  FSettings.UserName := Trim(edtUser.Text);
  FSettings.ServerUrl := Trim(edtServer.Text);
  FSettings.Port := StrToIntDef(edtPort.Text, 8443);
  FSettings.DarkTheme := swDark.IsChecked;
  if cbLanguage.Selected <> nil then
    FSettings.Language := cbLanguage.Selected.TagString;
end;

procedure TfrmSettings.btnOKClick(Sender: TObject);
begin
  if Trim(edtServer.Text) = '' then
  begin
    ShowMessage('Please enter a server; "begin" is not a valid host name.');
    ModalResult := mrNone;
    Exit;
  end;
  ModalResult := mrOk;
end;

procedure TfrmSettings.swDarkSwitch(Sender: TObject);
begin
  RenderPreview;
  ShowBadge(Ord(swDark.IsChecked));
end;

procedure TfrmSettings.edtPortValidate(Sender: TObject; var Text: string);
var
  Port: Integer;
begin
  if not TryStrToInt(Text, Port) or (Port < 1) or (Port > 65535) then
    Text := '8443';
end;

procedure TfrmSettings.ShowBadge(ACount: Integer);
begin
  if FBadge = nil then
  begin
    FBadge := TCircle.Create(Self);
    FBadge.Parent := btnOK;
    FBadge.Width := 12;
    FBadge.Height := 12;
    FBadge.Align := TAlignLayout.Right;
    FBadge.HitTest := False;
  end;
  FBadge.Visible := ACount > 0;
end;

procedure TfrmSettings.RenderPreview;
var
  Bmp: TBitmap;
  R: TRectF;
begin
  Bmp := TBitmap.Create(Round(rctPreview.Width), Round(rctPreview.Height));
  try
    R := TRectF.Create(0, 0, Bmp.Width, Bmp.Height);
    if Bmp.Canvas.BeginScene then
    try
      if swDark.IsChecked then
        Bmp.Canvas.Fill.Color := TAlphaColors.Black
      else
        Bmp.Canvas.Fill.Color := TAlphaColors.White;
      Bmp.Canvas.FillRect(R, 0, 0, AllCorners, 1);
      Bmp.Canvas.Fill.Color := TAlphaColors.Gray;
      Bmp.Canvas.FillText(R, 'Preview', False, 1, [], TTextAlign.Center);
    finally
      Bmp.Canvas.EndScene;
    end;
    rctPreview.Fill.Kind := TBrushKind.Bitmap;
    rctPreview.Fill.Bitmap.Bitmap.Assign(Bmp);
  finally
    Bmp.Free;
  end;
end;

end.
