unit uCustomerService;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, uCustomer;

type
  ECustomerServiceError = class(Exception);

  ICustomerValidator = interface
    ['{4C0E27A1-9B3D-4E58-A6F2-7D1B0C39E845}']
    function Validate(ACustomer: TCustomer; AErrors: TStrings): Boolean;
  end;

  ICustomerStore = interface
    ['{B7F2E6D0-15A4-4C3B-8E97-3A0D6C5F2B18}']
    procedure Load(const APattern: string; AList: TCustomerList);
    procedure Store(ACustomer: TCustomer);
  end;

  TCustomerService = class
  private
    FStore: ICustomerStore;
    FValidator: ICustomerValidator;
  public
    constructor Create; overload;
    constructor Create(const AStore: ICustomerStore; const AValidator: ICustomerValidator); overload;
    procedure Search(const APattern: string; AList: TCustomerList);
    procedure Save(ACustomer: TCustomer);
    function Duplicate(ACustomer: TCustomer): TCustomer;
  end;

function DefaultValidator: ICustomerValidator;

implementation

uses
  uCustomerDbStore;

type
  TDefaultValidator = class(TInterfacedObject, ICustomerValidator)
  public
    function Validate(ACustomer: TCustomer; AErrors: TStrings): Boolean;
  end;

function TDefaultValidator.Validate(ACustomer: TCustomer; AErrors: TStrings): Boolean;
begin
  if Trim(ACustomer.Name) = '' then
    AErrors.Add('Name is required');
  if (ACustomer.Email <> '') and (Pos('@', ACustomer.Email) = 0) then
    AErrors.Add('E-mail address is not valid');
  if ACustomer.CreditLimit < 0 then
    AErrors.Add('Credit limit must not be negative');
  Result := AErrors.Count = 0;
end;

function DefaultValidator: ICustomerValidator;
begin
  Result := TDefaultValidator.Create;
end;

constructor TCustomerService.Create;
var
  Store: ICustomerStore;
begin
  Store := TCustomerDbStore.Create;
  Create(Store, DefaultValidator);
end;

constructor TCustomerService.Create(const AStore: ICustomerStore; const AValidator: ICustomerValidator);
begin
  inherited Create;
  FStore := AStore;
  FValidator := AValidator;
end;

procedure TCustomerService.Search(const APattern: string; AList: TCustomerList);
begin
  if Length(Trim(APattern)) < 2 then
    raise ECustomerServiceError.Create('Enter at least two characters');
  try
    FStore.Load(APattern, AList);
  except
    on E: ECustomerServiceError do
      raise;
    on E: Exception do
      raise ECustomerServiceError.CreateFmt('Customer search failed: %s', [E.Message]);
  end;
end;

procedure TCustomerService.Save(ACustomer: TCustomer);
var
  Errors: TStringList;
  Validator: ICustomerValidator;
begin
  Validator := FValidator;
  if Validator = nil then
    Validator := TDefaultValidator.Create;
  Errors := TStringList.Create;
  try
    if not Validator.Validate(ACustomer, Errors) then
      raise ECustomerServiceError.Create(Errors.Text);
    FStore.Store(ACustomer);
  finally
    Errors.Free;
  end;
end;

function TCustomerService.Duplicate(ACustomer: TCustomer): TCustomer;
var
  Copy: TCustomer;
begin
  Copy := TCustomer.Create;
  try
    Copy.Assign(ACustomer);
    Copy.Id := 0;
    Copy.Name := ACustomer.Name + ' (copy)';
  except
    Copy.Free;
    raise;
  end;
  Result := Copy;
end;

end.
