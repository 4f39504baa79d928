unit uSettingsFormOwned;

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, System.IniFiles,
  Vcl.Controls, Vcl.Forms, Vcl.StdCtrls, Vcl.ExtCtrls, Vcl.Dialogs;

type
  TfrmSettings = class(TForm)
    edtServer: TEdit;
    edtPort: TEdit;
    chkAutoConnect: TCheckBox;
    cbTheme: TComboBox;
    edtLogFolder: TEdit;
    btnOk: TButton;
    btnCancel: TButton;
    btnBrowse: TButton;
    btnAbout: TButton;
    btnLog: TButton;
    procedure FormCreate(Sender: TObject);
    procedure FormClose(Sender: TObject; var Action: TCloseAction);
    procedure btnOkClick(Sender: TObject);
    procedure btnBrowseClick(Sender: TObject);
    procedure btnAboutClick(Sender: TObject);
    procedure btnLogClick(Sender: TObject);
  private
    FIniName: string;
    procedure LoadSettings;
    procedure SaveSettings;
  public
    class function Execute(const AIniName: string): Boolean;
  end;

  TfrmLogViewer = class(TForm)
  private
    FMemo: TMemo;
    FFolder: string;
    procedure ViewerClose(Sender: TObject; var Action: TCloseAction);
  public
    constructor CreateViewer(AOwner: TComponent);
    procedure LoadFrom(const AFolder: string);
  end;

  TfrmSplash = class(TForm)
  private
    FStatus: TLabel;
  public
    constructor CreateSplash(const AText: string);
  end;

procedure ShowSplashWhile(const AStatus: string; AWork: TProc);
procedure ShowLogViewer(const AFolder: string);

implementation

{$R *.dfm}

uses
  uAboutForm;

{ TfrmSettings }

class function TfrmSettings.Execute(const AIniName: string): Boolean;
var
  Dlg: TfrmSettings;
begin
  Dlg := TfrmSettings.Create(nil);
  try
    Dlg.FIniName := AIniName;
    Dlg.LoadSettings;
    Result := Dlg.ShowModal = mrOk;
  finally
    Dlg.Free;
  end;
end;

procedure TfrmSettings.FormCreate(Sender: TObject);
begin
  cbTheme.Items.Clear;
  cbTheme.Items.Add('Light');
  cbTheme.Items.Add('Dark');
  cbTheme.Items.Add('System');
  cbTheme.ItemIndex := 2;
end;

procedure TfrmSettings.FormClose(Sender: TObject; var Action: TCloseAction);
begin
  // shown modally from Execute, which frees it
  Action := caHide;
end;

procedure TfrmSettings.LoadSettings;
var
  Ini: TIniFile;
begin
  Ini := TIniFile.Create(FIniName);
  try
    edtServer.Text := Ini.ReadString('Connection', 'Server', 'localhost');
    edtPort.Text := IntToStr(Ini.ReadInteger('Connection', 'Port', 5432));
    chkAutoConnect.Checked := Ini.ReadBool('Connection', 'AutoConnect', False);
    cbTheme.ItemIndex := cbTheme.Items.IndexOf(Ini.ReadString('UI', 'Theme', 'System'));
    edtLogFolder.Text := Ini.ReadString('Log', 'Folder', '');
  finally
    Ini.Free;
  end;
end;

procedure TfrmSettings.SaveSettings;
var
  Ini: TIniFile;
begin
  Ini := TIniFile.Create(FIniName);
  Ini.WriteString('Connection', 'Server', edtServer.Text);
  Ini.WriteInteger('Connection', 'Port', StrToIntDef(edtPort.Text, 5432));
  Ini.WriteBool('Connection', 'AutoConnect', chkAutoConnect.Checked);
  Ini.WriteString('UI', 'Theme', cbTheme.Text);
  Ini.WriteString('Log', 'Folder', edtLogFolder.Text);
  Ini.UpdateFile;
  Ini.Free;
end;

procedure TfrmSettings.btnOkClick(Sender: TObject);
var
  Problems: TStringList;
begin
  Problems := TStringList.Create;
  try
    if Trim(edtServer.Text) = '' then
      Problems.Add('Server name is required');
    if StrToIntDef(edtPort.Text, -1) <= 0 then
      Problems.Add('Port must be a positive number');
    if (edtLogFolder.Text <> '') and not DirectoryExists(edtLogFolder.Text) then
      Problems.Add('Log folder does not exist');
    if Problems.Count > 0 then
    begin
      MessageDlg(Problems.Text, mtWarning, [mbOK], 0);
      Exit;
    end;
  finally
    Problems.DisposeOf;
  end;
  try
    SaveSettings;
  except
    on E: EIniFileException do
    begin
      MessageDlg('Settings could not be saved: ' + E.Message, mtError, [mbOK], 0);
      Exit;
    end;
  end;
  ModalResult := mrOk;
end;

procedure TfrmSettings.btnBrowseClick(Sender: TObject);
var
  Dlg: TFileOpenDialog;
begin
  Dlg := TFileOpenDialog.Create(nil);
  try
    Dlg.Options := Dlg.Options + [fdoPickFolders];
    Dlg.DefaultFolder := edtLogFolder.Text;
    if not Dlg.Execute then
      Exit;
    edtLogFolder.Text := Dlg.FileName;
  finally
    Dlg.Free;
  end;
end;

procedure TfrmSettings.btnAboutClick(Sender: TObject);
begin
  with TfrmAbout.Create(nil) do
  try
    ShowModal;
  finally
    Free;
  end;
end;

procedure TfrmSettings.btnLogClick(Sender: TObject);
begin
  ShowLogViewer(edtLogFolder.Text);
end;

{ TfrmLogViewer }

constructor TfrmLogViewer.CreateViewer(AOwner: TComponent);
begin
  inherited CreateNew(AOwner);
  Caption := 'Log viewer';
  Width := 640;
  Height := 480;
  FMemo := TMemo.Create(Self);
  FMemo.Parent := Self;
  FMemo.Align := alClient;
  FMemo.ReadOnly := True;
  FMemo.ScrollBars := ssBoth;
  OnClose := ViewerClose;
end;

procedure TfrmLogViewer.ViewerClose(Sender: TObject; var Action: TCloseAction);
begin
  Action := caFree;
end;

procedure TfrmLogViewer.LoadFrom(const AFolder: string);
var
  LogFile: string;
begin
  FFolder := IncludeTrailingPathDelimiter(AFolder);
  LogFile := FFolder + 'application.log';
  if FileExists(LogFile) then
    FMemo.Lines.LoadFromFile(LogFile)
  else
    FMemo.Lines.Text := 'No log file in ' + FFolder;
end;

{ TfrmSplash }

constructor TfrmSplash.CreateSplash(const AText: string);
begin
  inherited CreateNew(nil);
  BorderStyle := bsNone;
  Position := poScreenCenter;
  Width := 360;
  Height := 120;
  FStatus := TLabel.Create(Self);
  FStatus.Parent := Self;
  FStatus.Align := alClient;
  FStatus.Alignment := taCenter;
  FStatus.Layout := tlCenter;
  FStatus.Caption := AText;
end;

procedure ShowSplashWhile(const AStatus: string; AWork: TProc);
var
  Splash: TfrmSplash;
begin
  Splash := TfrmSplash.CreateSplash(AStatus);
  try
    Splash.Show;
    Splash.Update;
    AWork();
  finally
    Splash.Release;
  end;
end;

procedure ShowLogViewer(const AFolder: string);
var
  Viewer: TfrmLogViewer;
begin
  Viewer := TfrmLogViewer.CreateViewer(nil);
  Viewer.LoadFrom(AFolder);
  Viewer.Show;
end;

end.
