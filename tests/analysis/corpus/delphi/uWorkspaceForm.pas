unit uWorkspaceForm;

interface

uses
  Winapi.Windows, Winapi.Messages, System.SysUtils, System.Classes,
  System.Generics.Collections, Vcl.Graphics, Vcl.Controls, Vcl.Forms,
  Vcl.Dialogs, Vcl.ComCtrls, Vcl.ExtCtrls, Vcl.Menus, Vcl.StdCtrls,
  uCustomerFrame, uToolFrame, uAboutBox, uAddressDlg, uDocChild, uPreviewForm,
  uReports;

type
  TfrmWorkspace = class(TForm)
    pcMain: TPageControl;
    pnlTools: TPanel;
    imgThumb: TImage;
    sbMain: TStatusBar;
    procedure FormCreate(Sender: TObject);
    procedure FormClose(Sender: TObject; var Action: TCloseAction);
  private
    FFrames: TObjectList<TToolFrame>;
    FTimers: TObjectList<TTimer>;
    FReport: TReportDefinition;
    FPopup: TPopupMenu;
    procedure TimerTick(Sender: TObject);
    procedure PopupClick(Sender: TObject);
  public
    destructor Destroy; override;
    procedure AddCustomerTab(ACustomerId: Integer; const ACaption: string);
    procedure ShowAbout;
    procedure EditAddress(AAddressId: Integer);
    procedure OpenDocument(const AFileName: string);
    function PickColor(ADefault: TColor): TColor;
    procedure PrintPreview;
    procedure AddTool(const AName: string);
    procedure DockTool(const AName: string);
    procedure StartAutoSave(AIntervalMs: Cardinal);
    procedure BuildPopup(const ACommands: array of string);
    procedure CaptureThumbnail;
    procedure ShowSplash;
    procedure OpenReports;
    function AskForName(const APrompt: string; out AName: string): Boolean;
  end;

var
  frmWorkspace: TfrmWorkspace;

implementation

{$R *.dfm}

uses
  uSplash;

procedure TfrmWorkspace.FormCreate(Sender: TObject);
begin
  FFrames := TObjectList<TToolFrame>.Create(False);
  FTimers := TObjectList<TTimer>.Create(True);
  FReport := TReportDefinition.Create;
end;

procedure TfrmWorkspace.FormClose(Sender: TObject; var Action: TCloseAction);
begin
  FTimers.Clear;
  Action := caFree;
end;

destructor TfrmWorkspace.Destroy;
begin
  {$IFDEF DEBUG}
  OutputDebugString(PChar('Workspace closed with ' + IntToStr(FFrames.Count) + ' tools'));
  {$ENDIF}
  FFrames.Free;
  FTimers.Free;
  FReport.Free;
  inherited;
end;

procedure TfrmWorkspace.TimerTick(Sender: TObject);
begin
  sbMain.SimpleText := 'Saved at ' + TimeToStr(Now);
end;

procedure TfrmWorkspace.PopupClick(Sender: TObject);
begin
  sbMain.SimpleText := (Sender as TMenuItem).Caption;
end;

procedure TfrmWorkspace.AddCustomerTab(ACustomerId: Integer; const ACaption: string);
var
  Tab: TTabSheet;
  Frame: TCustomerFrame;
begin
  Tab := TTabSheet.Create(pcMain);
  Tab.PageControl := pcMain;
  Tab.Caption := ACaption;
  Frame := TCustomerFrame.Create(Tab);
  Frame.Name := 'frmCustomer' + IntToStr(ACustomerId);
  Frame.Parent := Tab;
  Frame.Align := alClient;
  Frame.LoadCustomer(ACustomerId);
  pcMain.ActivePage := Tab;
end;

procedure TfrmWorkspace.ShowAbout;
begin
  with TAboutBox.Create(nil) do
  try
    lblVersion.Caption := 'Version ' + GetFileVersionString(ParamStr(0));
    ShowModal;
  finally
    Free;
  end;
end;

procedure TfrmWorkspace.EditAddress(AAddressId: Integer);
var
  Dlg: TAddressDlg;
begin
  Dlg := TAddressDlg.Create(Self);
  try
    Dlg.AddressId := AAddressId;
    if Dlg.ShowModal = mrOk then
      sbMain.SimpleText := 'Address ' + IntToStr(AAddressId) + ' saved';
  finally
    Dlg.Release;
  end;
end;

procedure TfrmWorkspace.OpenDocument(const AFileName: string);
var
  Child: TDocChild;
begin
  Child := TDocChild.Create(Application);
  Child.Caption := ExtractFileName(AFileName);
  Child.LoadFrom(AFileName);
  Child.Show;
end;

function TfrmWorkspace.PickColor(ADefault: TColor): TColor;
var
  Dlg: TColorDialog;
begin
  Dlg := TColorDialog.Create(nil);
  Dlg.Color := ADefault;
  Dlg.Options := [cdFullOpen, cdAnyColor];
  if Dlg.Execute(Handle) then
    Result := Dlg.Color
  else
    Result := ADefault;
end;

procedure TfrmWorkspace.PrintPreview;
var
  Preview: TPreviewForm;
begin
  Preview := TPreviewForm.Create(nil);
  Preview.Report := FReport;
  Preview.Caption := 'Preview - ' + FReport.Title;
  Preview.ShowModal;
  Preview.Free;
end;

procedure TfrmWorkspace.AddTool(const AName: string);
var
  Frame: TToolFrame;
begin
  Frame := TToolFrame.Create(nil);
  try
    Frame.Name := AName;
    Frame.Parent := pnlTools;
    Frame.Align := alTop;
  except
    Frame.Free;
    raise;
  end;
  FFrames.Add(Frame);
end;

procedure TfrmWorkspace.DockTool(const AName: string);
var
  Frame: TToolFrame;
begin
  Frame := TToolFrame.Create(pnlTools);
  Frame.Name := AName + 'Docked';
  Frame.Parent := pnlTools;
  Frame.Align := alBottom;
end;

procedure TfrmWorkspace.StartAutoSave(AIntervalMs: Cardinal);
var
  Timer: TTimer;
begin
  Timer := TTimer.Create(nil);
  Timer.Interval := AIntervalMs;
  Timer.OnTimer := TimerTick;
  FTimers.Add(Timer);
  Timer.Enabled := True;
end;

procedure TfrmWorkspace.BuildPopup(const ACommands: array of string);
var
  Item: TMenuItem;
  Cmd: string;
begin
  if FPopup = nil then
    FPopup := TPopupMenu.Create(Self);
  FPopup.Items.Clear;
  for Cmd in ACommands do
  begin
    Item := TMenuItem.Create(FPopup);
    Item.Caption := Cmd;
    Item.OnClick := PopupClick;
    FPopup.Items.Add(Item);
  end;
  PopupMenu := FPopup;
end;

procedure TfrmWorkspace.CaptureThumbnail;
var
  Bmp: Vcl.Graphics.TBitmap;
  Thumb: Vcl.Graphics.TBitmap;
begin
  Bmp := Vcl.Graphics.TBitmap.Create;
  Bmp.SetSize(ClientWidth, ClientHeight);
  PaintTo(Bmp.Canvas.Handle, 0, 0);
  Thumb := Vcl.Graphics.TBitmap.Create;
  try
    Thumb.SetSize(ClientWidth div 4, ClientHeight div 4);
    Thumb.Canvas.StretchDraw(Rect(0, 0, Thumb.Width, Thumb.Height), Bmp);
    imgThumb.Picture.Assign(Thumb);
  finally
    Thumb.Free;
  end;
  Bmp.Free;
end;

procedure TfrmWorkspace.ShowSplash;
var
  Splash: TfrmSplash;
  StartedAt: Cardinal;
begin
  Splash := TfrmSplash.Create(nil);
  try
    Splash.Show;
    Splash.Update;
    StartedAt := GetTickCount;
    while GetTickCount - StartedAt < 1500 do
      Application.ProcessMessages;
  finally
    Splash.Free;
  end;
end;

procedure TfrmWorkspace.OpenReports;
begin
  if frmReports = nil then
    Application.CreateForm(TfrmReports, frmReports);
  frmReports.Show;
end;

function TfrmWorkspace.AskForName(const APrompt: string; out AName: string): Boolean;
var
  Form: TForm;
  Edit: TEdit;
  Btn: TButton;
begin
  Form := TForm.CreateNew(nil);
  try
    Form.Caption := APrompt;
    Form.Position := poOwnerFormCenter;
    Form.ClientWidth := 300;
    Form.ClientHeight := 90;
    Edit := TEdit.Create(Form);
    Edit.Parent := Form;
    Edit.SetBounds(8, 8, 284, 24);
    Btn := TButton.Create(Form);
    Btn.Parent := Form;
    Btn.Caption := 'OK';
    Btn.ModalResult := mrOk;
    Btn.Default := True;
    Btn.SetBounds(216, 52, 75, 25);
    Result := Form.ShowModal = mrOk;
    if Result then
      AName := Trim(Edit.Text);
  finally
    Form.Free;
  end;
end;

end.
