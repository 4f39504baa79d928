unit uCustomerEditForm;

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, Vcl.Controls, Vcl.Forms, Vcl.StdCtrls,
  Vcl.ExtCtrls, Vcl.Dialogs, Vcl.Graphics, Vcl.Imaging.jpeg, Vcl.Imaging.pngimage, uCustomer;

type
  TCustomerEditForm = class(TForm)
    edtNumber: TEdit;
    edtName: TEdit;
    edtStreet: TEdit;
    edtZip: TEdit;
    edtCity: TEdit;
    edtEmail: TEdit;
    edtCreditLimit: TEdit;
    imgPhoto: TImage;
    btnPhoto: TButton;
    btnOk: TButton;
    btnCancel: TButton;
    procedure FormShow(Sender: TObject);
    procedure btnOkClick(Sender: TObject);
    procedure btnPhotoClick(Sender: TObject);
  private
    FCustomer: TCustomer;
    FPhotoChanged: Boolean;
    procedure LoadPhoto(const AFileName: string);
    function ValidateInput(out AMessage: string): Boolean;
  public
    property Customer: TCustomer read FCustomer write FCustomer;
  end;

implementation

{$R *.dfm}

procedure TCustomerEditForm.FormShow(Sender: TObject);
begin
  edtNumber.Text := FCustomer.Number;
  edtName.Text := FCustomer.Name;
  edtStreet.Text := FCustomer.Street;
  edtZip.Text := FCustomer.Zip;
  edtCity.Text := FCustomer.City;
  edtEmail.Text := FCustomer.Email;
  edtCreditLimit.Text := CurrToStr(FCustomer.CreditLimit);
  edtNumber.ReadOnly := FCustomer.Id <> 0;
  if FCustomer.Photo <> nil then
    imgPhoto.Picture.Assign(FCustomer.Photo);
  FPhotoChanged := False;
end;

function TCustomerEditForm.ValidateInput(out AMessage: string): Boolean;
var
  Limit: Currency;
begin
  AMessage := '';
  if Trim(edtName.Text) = '' then
    AMessage := 'Enter the customer''s name.'
  else if not TryStrToCurr(edtCreditLimit.Text, Limit) then
    AMessage := 'The credit limit is no amount.'
  else if Limit < 0 then
    AMessage := 'The credit limit must not be negative.';
  Result := AMessage = '';
end;

procedure TCustomerEditForm.LoadPhoto(const AFileName: string);
var
  Picture: TPicture;
begin
  Picture := TPicture.Create;
  try
    Picture.LoadFromFile(AFileName);
    imgPhoto.Picture.Assign(Picture);
    FPhotoChanged := True;
  except
    on E: EInvalidGraphic do
      MessageDlg('The file is no picture this program can show: ' + E.Message, mtWarning, [mbOK], 0);
  end;
  Picture.Free;
end;

procedure TCustomerEditForm.btnPhotoClick(Sender: TObject);
begin
  with TOpenDialog.Create(nil) do
  try
    Filter := 'Pictures (*.jpg;*.png)|*.jpg;*.png';
    Options := Options + [ofFileMustExist];
    if Execute then
      LoadPhoto(FileName);
  finally
    Free;
  end;
end;

procedure TCustomerEditForm.btnOkClick(Sender: TObject);
var
  Msg: string;
  Photo: TBitmap;
begin
  if not ValidateInput(Msg) then
  begin
    MessageDlg(Msg, mtWarning, [mbOK], 0);
    ModalResult := mrNone;
    Exit;
  end;
  FCustomer.Number := Trim(edtNumber.Text);
  FCustomer.Name := Trim(edtName.Text);
  FCustomer.Street := Trim(edtStreet.Text);
  FCustomer.Zip := Trim(edtZip.Text);
  FCustomer.City := Trim(edtCity.Text);
  FCustomer.Email := Trim(edtEmail.Text);
  FCustomer.CreditLimit := StrToCurr(edtCreditLimit.Text);
  if FPhotoChanged then
  begin
    Photo := TBitmap.Create;
    Photo.Assign(imgPhoto.Picture.Graphic);
    FCustomer.Photo := Photo;
  end;
  ModalResult := mrOk;
end;

end.
