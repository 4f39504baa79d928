unit uLoginDialog;

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, Vcl.Controls, Vcl.Forms,
  Vcl.StdCtrls, Vcl.ExtCtrls, Vcl.Dialogs, uUserSession;

type
  TLoginDialog = class(TForm)
    lblUser: TLabel;
    lblPassword: TLabel;
    edtUser: TEdit;
    edtPassword: TEdit;
    chkRemember: TCheckBox;
    btnOk: TButton;
    btnCancel: TButton;
    procedure FormShow(Sender: TObject);
    procedure btnOkClick(Sender: TObject);
  private
    FAttempts: Integer;
    FSessions: TSessionRegistry;
    FSession: TUserSession;
  public
    property Session: TUserSession read FSession;
  end;

  TChangePasswordDialog = class(TForm)
    edtOld: TEdit;
    edtNew: TEdit;
    edtRepeat: TEdit;
  public
    function NewPassword: string;
  end;

function Login(ASessions: TSessionRegistry): TUserSession;
function AskNewPassword(out APassword: string): Boolean;
procedure ShowLoginHelp;

implementation

{$R *.dfm}

uses
  uUserDirectory, uHelpForm;

function Login(ASessions: TSessionRegistry): TUserSession;
var
  Dialog: TLoginDialog;
begin
  Result := nil;
  Dialog := TLoginDialog.Create(nil);
  try
    Dialog.FSessions := ASessions;
    if Dialog.ShowModal = mrOk then
      Result := Dialog.Session;
  finally
    Dialog.Free;
  end;
end;

function AskNewPassword(out APassword: string): Boolean;
var
  Dialog: TChangePasswordDialog;
begin
  Dialog := TChangePasswordDialog.Create(nil);
  Dialog.Caption := 'Change password';
  Result := Dialog.ShowModal = mrOk;
  if Result then
    APassword := Dialog.NewPassword;
end;

procedure ShowLoginHelp;
begin
  if HelpForm = nil then
    Application.CreateForm(THelpForm, HelpForm);
  HelpForm.ShowTopic('login');
end;

procedure TLoginDialog.FormShow(Sender: TObject);
begin
  FAttempts := 0;
  edtUser.Text := GetEnvironmentVariable('USERNAME');
  if edtUser.Text <> '' then
    edtPassword.SetFocus;
end;

procedure TLoginDialog.btnOkClick(Sender: TObject);
begin
  if not UserDirectory.CheckPassword(edtUser.Text, edtPassword.Text) then
  begin
    Inc(FAttempts);
    edtPassword.Clear;
    if FAttempts >= 3 then
    begin
      MessageDlg('Too many failed attempts.', mtError, [mbOK], 0);
      ModalResult := mrAbort;
    end
    else
      MessageDlg('User name or password is wrong; try again.', mtWarning, [mbOK], 0);
    Exit;
  end;
  FSession := FSessions.Open(edtUser.Text);
  ModalResult := mrOk;
end;

function TChangePasswordDialog.NewPassword: string;
begin
  if edtNew.Text <> edtRepeat.Text then
    raise EConvertError.Create('The new passwords do not match');
  Result := edtNew.Text;
end;

end.
