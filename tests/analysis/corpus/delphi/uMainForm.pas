unit uMainForm;

interface

uses
  Winapi.Windows, Winapi.Messages, Winapi.ShellAPI, System.SysUtils, System.Classes, System.Actions,
  System.IniFiles, Vcl.Controls, Vcl.Forms, Vcl.Menus, Vcl.ComCtrls, Vcl.ActnList,
  Vcl.ToolWin, Vcl.Dialogs;

type
  TMainForm = class(TForm)
    mnuMain: TMainMenu;
    mnuFile: TMenuItem;
    mnuRecent: TMenuItem;
    mnuExit: TMenuItem;
    tbrMain: TToolBar;
    sbrMain: TStatusBar;
    procedure FormCreate(Sender: TObject);
    procedure FormClose(Sender: TObject; var Action: TCloseAction);
    procedure mnuExitClick(Sender: TObject);
  private
    FRecentFiles: TStringList;
    FActions: TActionList;
    function IniFileName: string;
    procedure LoadRecentFiles;
    procedure SaveRecentFiles;
    procedure RebuildRecentMenu;
    procedure RecentClick(Sender: TObject);
    procedure AddToolButton(AAction: TAction);
    function NewAction(const ACaption: string; AShortCut: TShortCut; AHandler: TNotifyEvent): TAction;
    procedure CustomersExecute(Sender: TObject);
    procedure OrdersExecute(Sender: TObject);
  public
    destructor Destroy; override;
    procedure OpenDocument(const AFileName: string);
  end;

var
  MainForm: TMainForm;
  MainFormClosed: Boolean;

implementation

{$R *.dfm}

uses
  uSplashForm, uCustomerForm, uOrderListForm;

procedure TMainForm.FormCreate(Sender: TObject);
var
  Splash: TSplashForm;
begin
  Splash := TSplashForm.Create(Application);
  Splash.Show;
  Splash.Update;
  FRecentFiles := TStringList.Create;
  FActions := TActionList.Create(Self);
  AddToolButton(NewAction('&Customers', ShortCut(Ord('K'), [ssCtrl]), CustomersExecute));
  AddToolButton(NewAction('&Orders', ShortCut(Ord('O'), [ssCtrl]), OrdersExecute));
  LoadRecentFiles;
  RebuildRecentMenu;
  Splash.Release;
end;

destructor TMainForm.Destroy;
begin
  FRecentFiles.Free;
  inherited;
  MainFormClosed := True;
end;

function TMainForm.IniFileName: string;
begin
  Result := ChangeFileExt(Application.ExeName, '.ini');
end;

function TMainForm.NewAction(const ACaption: string; AShortCut: TShortCut;
  AHandler: TNotifyEvent): TAction;
begin
  Result := TAction.Create(FActions);
  Result.ActionList := FActions;
  Result.Caption := ACaption;
  Result.ShortCut := AShortCut;
  Result.OnExecute := AHandler;
end;

procedure TMainForm.AddToolButton(AAction: TAction);
var
  Button: TToolButton;
begin
  Button := TToolButton.Create(tbrMain);
  Button.Parent := tbrMain;
  Button.Action := AAction;
  Button.ShowHint := True;
end;

procedure TMainForm.LoadRecentFiles;
var
  Ini: TIniFile;
begin
  Ini := TIniFile.Create(IniFileName);
  try
    Ini.ReadSectionValues('Recent', FRecentFiles);
  finally
    Ini.Free;
  end;
end;

procedure TMainForm.SaveRecentFiles;
var
  Ini: TIniFile;
  I: Integer;
begin
  Ini := TIniFile.Create(IniFileName);
  try
    Ini.EraseSection('Recent');
    for I := 0 to FRecentFiles.Count - 1 do
      Ini.WriteString('Recent', FRecentFiles.Names[I], FRecentFiles.ValueFromIndex[I]);
  finally
    Ini.Free;
  end;
end;

procedure TMainForm.RebuildRecentMenu;
var
  I: Integer;
  Item: TMenuItem;
begin
  mnuRecent.Clear;
  for I := 0 to FRecentFiles.Count - 1 do
  begin
    Item := TMenuItem.Create(mnuRecent);
    Item.Caption := Format('&%d %s', [I + 1, FRecentFiles.ValueFromIndex[I]]);
    Item.Tag := I;
    Item.OnClick := RecentClick;
    mnuRecent.Add(Item);
  end;
  mnuRecent.Enabled := FRecentFiles.Count > 0;
end;

procedure TMainForm.RecentClick(Sender: TObject);
begin
  OpenDocument(FRecentFiles.ValueFromIndex[TMenuItem(Sender).Tag]);
end;

procedure TMainForm.OpenDocument(const AFileName: string);
begin
  try
    ShellExecute(Handle, 'open', PChar(AFileName), nil, nil, SW_SHOWNORMAL);
    FRecentFiles.Insert(0, IntToStr(FRecentFiles.Count) + '=' + AFileName);
    while FRecentFiles.Count > 8 do
      FRecentFiles.Delete(FRecentFiles.Count - 1);
    RebuildRecentMenu;
  except
    on E: EOSError do
      MessageDlg(Format('%s could not be opened: %s', [AFileName, E.Message]), mtError, [mbOK], 0);
  end;
end;

procedure TMainForm.CustomersExecute(Sender: TObject);
begin
  if CustomerForm = nil then
    Application.CreateForm(TCustomerForm, CustomerForm);
  CustomerForm.Show;
end;

procedure TMainForm.OrdersExecute(Sender: TObject);
var
  Form: TOrderListForm;
begin
  Form := TOrderListForm.Create(Self);
  Form.Show;
end;

procedure TMainForm.FormClose(Sender: TObject; var Action: TCloseAction);
begin
  SaveRecentFiles;
end;

procedure TMainForm.mnuExitClick(Sender: TObject);
begin
  Close;
end;

end.
