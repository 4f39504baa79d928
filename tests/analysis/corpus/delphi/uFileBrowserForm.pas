unit uFileBrowserForm;

{
  Main window of the source browser.

  History:
    2019-03-02  JB  first version
    2021-11-17  MK  filter buttons are now created at run time; they are
                    owned by the form, so there is no need to Free them.
}

interface

uses
  Winapi.Windows, Winapi.Messages, System.SysUtils, System.Variants, System.Classes,
  System.IOUtils, System.Diagnostics, Vcl.Graphics, Vcl.Controls, Vcl.Forms,
  Vcl.Dialogs, Vcl.StdCtrls, Vcl.ExtCtrls, Vcl.ComCtrls, Vcl.Menus, Vcl.ActnList,
  System.Actions, Vcl.Clipbrd;

type
  TfrmMain = class(TForm)
    pnlTop: TPanel;
    pnlButtons: TPanel;
    memLog: TMemo;
    lvFiles: TListView;
    StatusBar1: TStatusBar;
    MainMenu1: TMainMenu;
    mnuFile: TMenuItem;
    mnuOpen: TMenuItem;
    mnuExit: TMenuItem;
    ActionList1: TActionList;
    actOpen: TAction;
    actAbout: TAction;
    actCopyLog: TAction;
    OpenDialog1: TOpenDialog;
    edtFolder: TEdit;
    btnScan: TButton;
    procedure FormCreate(Sender: TObject);
    procedure FormDestroy(Sender: TObject);
    procedure FormCloseQuery(Sender: TObject; var CanClose: Boolean);
    procedure actOpenExecute(Sender: TObject);
    procedure actAboutExecute(Sender: TObject);
    procedure actCopyLogExecute(Sender: TObject);
    procedure btnScanClick(Sender: TObject);
    procedure lvFilesDblClick(Sender: TObject);
    procedure mnuExitClick(Sender: TObject);
  private
    FRecentFiles: TStringList;
    FFilterButtons: TList;
    FCurrentFilter: string;
    FModified: Boolean;
    procedure BuildFilterButtons;
    procedure BuildStatusHint;
    procedure FilterButtonClick(Sender: TObject);
    procedure LoadFileList(const ADir: string);
    procedure AddLog(const AMsg: string);
    function CountLines(const AFileName: string): Integer;
    procedure ShowFileProperties(const AFileName: string);
  public
    procedure OpenFile(const AFileName: string);
  end;

var
  frmMain: TfrmMain;

implementation

{$R *.dfm}

uses
  uFileProps, uAbout;

const
  SRecentFile = 'recent.txt';
  FilterCaptions: array[0..3] of string = ('All', '*.pas', '*.dfm', '*.dpr');

procedure TfrmMain.FormCreate(Sender: TObject);
begin
  FRecentFiles := TStringList.Create;
  FRecentFiles.Duplicates := dupIgnore;
  FFilterButtons := TList.Create;
  FCurrentFilter := '*.*';
  if FileExists(SRecentFile) then
    FRecentFiles.LoadFromFile(SRecentFile);
  BuildFilterButtons;
  BuildStatusHint;
  AddLog('Ready');
end;

procedure TfrmMain.FormDestroy(Sender: TObject);
begin
  try
    FRecentFiles.SaveToFile(SRecentFile);
  except
    on E: EFCreateError do
      OutputDebugString(PChar('Could not save recent files: ' + E.Message));
  end;
  // the buttons are owned by the form; only the list that points to them goes
  FFilterButtons.Free;
  FreeAndNil(FRecentFiles);
end;

procedure TfrmMain.FormCloseQuery(Sender: TObject; var CanClose: Boolean);
begin
  if not FModified then
    Exit;
  case MessageDlg('The log has not been saved. Free the window anyway?',
    mtConfirmation, [mbYes, mbNo, mbCancel], 0) of
    mrYes:
      CanClose := True;
    mrNo:
      begin
        actCopyLog.Execute;
        CanClose := True;
      end;
  else
    CanClose := False;
  end;
end;

procedure TfrmMain.BuildFilterButtons;
var
  I: Integer;
  Btn: TButton;
begin
  for I := Low(FilterCaptions) to High(FilterCaptions) do
  begin
    Btn := TButton.Create(Self);
    Btn.Parent := pnlButtons;
    Btn.Caption := FilterCaptions[I];
    Btn.Tag := I;
    Btn.Align := alLeft;
    Btn.Width := 64;
    Btn.OnClick := FilterButtonClick;
    FFilterButtons.Add(Btn);
  end;
end;

procedure TfrmMain.BuildStatusHint;
var
  Lbl: TLabel;
begin
  { No owner: the panel is the parent and destroys its child controls. }
  Lbl := TLabel.Create(nil);
  Lbl.Parent := pnlTop;
  Lbl.Align := alRight;
  Lbl.Caption := 'Double-click a file to open it';
  Lbl.Font.Color := clGrayText;
end;

procedure TfrmMain.FilterButtonClick(Sender: TObject);
begin
  if Sender is TButton then
  begin
    if TButton(Sender).Tag = 0 then
      FCurrentFilter := '*.*'
    else
      FCurrentFilter := FilterCaptions[TButton(Sender).Tag];
    LoadFileList(edtFolder.Text);
  end;
end;

procedure TfrmMain.LoadFileList(const ADir: string);
var
  Files: TArray<string>;
  FileName: string;
  Item: TListItem;
  SW: TStopwatch;
begin
  if not TDirectory.Exists(ADir) then
  begin
    AddLog(Format('Folder "%s" does not exist', [ADir]));
    Exit;
  end;
  SW := TStopwatch.StartNew;
  Files := TDirectory.GetFiles(ADir, FCurrentFilter, TSearchOption.soAllDirectories);
  lvFiles.Items.BeginUpdate;
  try
    lvFiles.Items.Clear;
    for FileName in Files do
    begin
      Item := lvFiles.Items.Add;
      Item.Caption := ExtractFileName(FileName);
      Item.SubItems.Add(ExtractFilePath(FileName));
      Item.SubItems.Add(IntToStr(CountLines(FileName)));
    end;
  finally
    lvFiles.Items.EndUpdate;
  end;
  StatusBar1.SimpleText := Format('%d files in %d ms',
    [Length(Files), SW.ElapsedMilliseconds]);
end;

procedure TfrmMain.AddLog(const AMsg: string);
begin
  memLog.Lines.Add(FormatDateTime('hh:nn:ss', Now) + '  ' + AMsg);
  FModified := True;
end;

function TfrmMain.CountLines(const AFileName: string): Integer;
var
  Lines: TStringList;
begin
  Lines := TStringList.Create;
  Lines.LoadFromFile(AFileName);
  Result := Lines.Count;
end;

procedure TfrmMain.ShowFileProperties(const AFileName: string);
var
  Dlg: TfrmFileProps;
begin
  Dlg := TfrmFileProps.Create(nil);
  Dlg.FileName := AFileName;
  Dlg.ShowModal;
  Dlg.Free;
end;

procedure TfrmMain.OpenFile(const AFileName: string);
begin
  try
    memLog.Lines.LoadFromFile(AFileName);
    FRecentFiles.Add(AFileName);
    Caption := 'Source browser - ' + ExtractFileName(AFileName);
    FModified := False;
  except
    on E: EFOpenError do
    begin
      AddLog('Cannot open ' + AFileName + ': ' + E.Message);
      raise;
    end;
  end;
end;

procedure TfrmMain.actOpenExecute(Sender: TObject);
begin
  if OpenDialog1.Execute then
    OpenFile(OpenDialog1.FileName);
end;

procedure TfrmMain.actAboutExecute(Sender: TObject);
begin
  with TfrmAbout.Create(nil) do
  try
    lblVersion.Caption := 'begin/end matcher 1.4';
    ShowModal;
  finally
    Free;
  end;
end;

procedure TfrmMain.actCopyLogExecute(Sender: TObject);
var
  SL: TStringList;
  I: Integer;
begin
  SL := TStringList.Create;
  try
    SL.Assign(memLog.Lines);
    for I := SL.Count - 1 downto 0 do
      if Trim(SL[I]) = '' then
        SL.Delete(I);
    Clipboard.AsText := SL.Text;
    FModified := False;
  finally
    SL.Free;
  end;
end;

procedure TfrmMain.btnScanClick(Sender: TObject);
begin
  LoadFileList(IncludeTrailingPathDelimiter(edtFolder.Text));
end;

procedure TfrmMain.lvFilesDblClick(Sender: TObject);
begin
  if lvFiles.Selected = nil then
    Exit;
  if GetKeyState(VK_SHIFT) < 0 then
    ShowFileProperties(lvFiles.Selected.SubItems[0] + lvFiles.Selected.Caption)
  else
    OpenFile(lvFiles.Selected.SubItems[0] + lvFiles.Selected.Caption);
end;

procedure TfrmMain.mnuExitClick(Sender: TObject);
begin
  Close;
end;

end.
