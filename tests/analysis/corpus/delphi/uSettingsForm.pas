unit uSettingsForm;

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, Vcl.Controls, Vcl.Forms,
  Vcl.StdCtrls, Vcl.ExtCtrls, Vcl.ComCtrls, Vcl.Dialogs, uAppSettings;

type
  TSettingsForm = class(TForm)
    pnlButtons: TPanel;
    btnOk: TButton;
    btnCancel: TButton;
    pgcSettings: TPageControl;
    procedure FormCreate(Sender: TObject);
    procedure btnOkClick(Sender: TObject);
  private
    FSettings: TAppSettings;
    FEditors: TStringList;
    function AddPage(const ACaption: string): TTabSheet;
    procedure AddEditor(APage: TTabSheet; const AKey, ACaption: string; ATop: Integer);
    procedure LoadValues;
  public
    destructor Destroy; override;
    class function Execute(ASettings: TAppSettings): Boolean;
  end;

procedure ShowAbout;

implementation

{$R *.dfm}

uses
  uAboutForm;

class function TSettingsForm.Execute(ASettings: TAppSettings): Boolean;
var
  Form: TSettingsForm;
begin
  Form := TSettingsForm.Create(Application);
  try
    Form.FSettings := ASettings;
    Form.LoadValues;
    Result := Form.ShowModal = mrOk;
  finally
    Form.Release;
  end;
end;

procedure TSettingsForm.FormCreate(Sender: TObject);
var
  Page: TTabSheet;
begin
  FEditors := TStringList.Create;
  Page := AddPage('Database');
  AddEditor(Page, 'Database.Name', 'Database name', 16);
  AddEditor(Page, 'Database.Server', 'Server', 48);
  Page := AddPage('Export');
  AddEditor(Page, 'Main.ExportFolder', 'Export folder', 16);
end;

destructor TSettingsForm.Destroy;
begin
  FEditors.Free;
  inherited;
end;

function TSettingsForm.AddPage(const ACaption: string): TTabSheet;
begin
  Result := TTabSheet.Create(pgcSettings);
  Result.PageControl := pgcSettings;
  Result.Caption := ACaption;
end;

procedure TSettingsForm.AddEditor(APage: TTabSheet; const AKey, ACaption: string; ATop: Integer);
var
  Caption: TLabel;
  Editor: TEdit;
begin
  Caption := TLabel.Create(APage);
  Caption.Parent := APage;
  Caption.SetBounds(12, ATop + 3, 120, 17);
  Caption.Caption := ACaption + ':';
  Editor := TEdit.Create(Self);
  Editor.Parent := APage;
  Editor.SetBounds(140, ATop, 260, 23);
  FEditors.AddObject(AKey, Editor);
end;

procedure TSettingsForm.LoadValues;
var
  I: Integer;
begin
  for I := 0 to FEditors.Count - 1 do
    TEdit(FEditors.Objects[I]).Text := FSettings.Values[FEditors[I]];
end;

procedure TSettingsForm.btnOkClick(Sender: TObject);
var
  I: Integer;
begin
  for I := 0 to FEditors.Count - 1 do
    FSettings.Values[FEditors[I]] := Trim(TEdit(FEditors.Objects[I]).Text);
  try
    FSettings.Save;
    ModalResult := mrOk;
  except
    on E: EFCreateError do
      MessageDlg('The settings could not be saved: ' + E.Message, mtError, [mbOK], 0);
  end;
end;

procedure ShowAbout;
begin
  if AboutForm = nil then
    Application.CreateForm(TAboutForm, AboutForm);
  AboutForm.ShowModal;
end;

end.
