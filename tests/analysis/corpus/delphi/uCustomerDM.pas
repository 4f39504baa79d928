unit uCustomerDM;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, Data.DB,
  FireDAC.Stan.Intf, FireDAC.Stan.Option, FireDAC.Stan.Param, FireDAC.Stan.Error,
  FireDAC.DatS, FireDAC.Phys.Intf, FireDAC.DApt.Intf, FireDAC.Stan.Async,
  FireDAC.DApt, FireDAC.Comp.DataSet, FireDAC.Comp.Client, FireDAC.UI.Intf,
  FireDAC.Phys.Oracle;

type
  TCustomerInfo = class
  public
    ID: Integer;
    Code: string;
    Name: string;
    CreditLimit: Currency;
  end;

  TdmCustomers = class(TDataModule)
    FDConnection1: TFDConnection;
    qryCustomers: TFDQuery;
    dsCustomers: TDataSource;
    FDTransaction1: TFDTransaction;
    procedure DataModuleCreate(Sender: TObject);
    procedure DataModuleDestroy(Sender: TObject);
    procedure qryCustomersBeforePost(DataSet: TDataSet);
    procedure FDConnection1Error(ASender, AInitiator: TObject;
      var AException: Exception);
  private
    FLookupCache: TObjectDictionary<Integer, TCustomerInfo>;
    FPendingCodes: TStringList;
    FStatsQuery: TFDQuery;
    function NewQuery(const ASQL: string): TFDQuery;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    function CustomerExists(const ACode: string): Boolean;
    function FindCustomer(AID: Integer): TCustomerInfo;
    procedure RecalcCreditLimits(AFactor: Double);
    procedure MarkInactive(const ACodes: TArray<string>);
    procedure ArchiveOldCustomers(AYears: Integer);
    procedure TouchCustomer(AID: Integer);
    function CustomerCount: Integer;
  end;

var
  dmCustomers: TdmCustomers;

implementation

{%CLASSGROUP 'System.Classes.TPersistent'}

{$R *.dfm}

constructor TdmCustomers.Create(AOwner: TComponent);
begin
  // The cache must exist before inherited Create: the streaming system
  // fires OnCreate (DataModuleCreate) from within inherited Create.
  FLookupCache := TObjectDictionary<Integer, TCustomerInfo>.Create([doOwnsValues]);
  FPendingCodes := TStringList.Create;
  inherited Create(AOwner);
end;

destructor TdmCustomers.Destroy;
begin
  inherited Destroy;
  FreeAndNil(FPendingCodes);
  FreeAndNil(FLookupCache);
end;

procedure TdmCustomers.DataModuleCreate(Sender: TObject);
begin
  FDConnection1.Params.Values['DriverID'] := 'Ora';
  FStatsQuery := NewQuery('select count(*) from customers where active = 1');
end;

procedure TdmCustomers.DataModuleDestroy(Sender: TObject);
begin
  if FDConnection1.Connected then
    FDConnection1.Close;
end;

function TdmCustomers.NewQuery(const ASQL: string): TFDQuery;
begin
  Result := TFDQuery.Create(Self);
  Result.Connection := FDConnection1;
  Result.SQL.Text := ASQL;
end;

procedure TdmCustomers.qryCustomersBeforePost(DataSet: TDataSet);
begin
  if DataSet.FieldByName('CODE').AsString = '' then
    raise EDatabaseError.Create('Customer code is required');
  DataSet.FieldByName('CHANGED_AT').AsDateTime := Now;
end;

procedure TdmCustomers.FDConnection1Error(ASender, AInitiator: TObject;
  var AException: Exception);
var
  OraErr: EFDDBEngineException;
begin
  if AException is EFDDBEngineException then
  begin
    OraErr := EFDDBEngineException(AException);
    if OraErr.Kind = ekUKViolated then
      AException := EDatabaseError.Create('This customer code is already in use');
  end;
end;

function TdmCustomers.CustomerExists(const ACode: string): Boolean;
var
  Q: TFDQuery;
begin
  Q := TFDQuery.Create(nil);
  try
    Q.Connection := FDConnection1;
    Q.SQL.Text := 'select count(*) from customers where code = :code';
    Q.ParamByName('code').AsString := ACode;
    Q.Open;
    Result := Q.Fields[0].AsInteger > 0;
  finally
    Q.Free;
  end;
end;

function TdmCustomers.FindCustomer(AID: Integer): TCustomerInfo;
var
  Q: TFDQuery;
  Info: TCustomerInfo;
begin
  if FLookupCache.TryGetValue(AID, Result) then
    Exit;
  Result := nil;
  Q := NewQuery('select id, code, name, credit_limit from customers where id = :id');
  try
    Q.ParamByName('id').AsInteger := AID;
    Q.Open;
    if not Q.IsEmpty then
    begin
      Info := TCustomerInfo.Create;
      Info.ID := Q.FieldByName('ID').AsInteger;
      Info.Code := Q.FieldByName('CODE').AsString;
      Info.Name := Q.FieldByName('NAME').AsString;
      Info.CreditLimit := Q.FieldByName('CREDIT_LIMIT').AsCurrency;
      FLookupCache.Add(AID, Info);
      Result := Info;
    end;
  finally
    Q.Free;
  end;
end;

procedure TdmCustomers.RecalcCreditLimits(AFactor: Double);
var
  Bookmark: TBookmark;
begin
  qryCustomers.DisableControls;
  try
    Bookmark := qryCustomers.GetBookmark;
    try
      qryCustomers.First;
      while not qryCustomers.Eof do
      begin
        qryCustomers.Edit;
        qryCustomers.FieldByName('CREDIT_LIMIT').AsCurrency :=
          qryCustomers.FieldByName('CREDIT_LIMIT').AsCurrency * AFactor;
        qryCustomers.Post;
        qryCustomers.Next;
      end;
      qryCustomers.GotoBookmark(Bookmark);
    finally
      qryCustomers.FreeBookmark(Bookmark);
    end;
  finally
    qryCustomers.EnableControls;
  end;
  FLookupCache.Clear;
end;

procedure TdmCustomers.MarkInactive(const ACodes: TArray<string>);
var
  Q: TFDQuery;
  Code: string;
begin
  Q := TFDQuery.Create(nil);
  Q.Connection := FDConnection1;
  Q.SQL.Text := 'update customers set active = 0 where code = :code';
  FDConnection1.StartTransaction;
  try
    for Code in ACodes do
    begin
      Q.ParamByName('code').AsString := Code;
      Q.ExecSQL;
      FPendingCodes.Add(Code);
    end;
    FDConnection1.Commit;
  except
    FDConnection1.Rollback;
    raise;
  end;
end;

procedure TdmCustomers.ArchiveOldCustomers(AYears: Integer);
var
  Proc: TFDQuery;
begin
  // anonymous PL/SQL block; the 'begin' and 'end;' below are SQL text
  Proc := TFDQuery.Create(Self);
  Proc.Connection := FDConnection1;
  Proc.SQL.Add('begin');
  Proc.SQL.Add('  customer_pkg.archive(p_years => :years);');
  Proc.SQL.Add('  commit;');
  Proc.SQL.Add('end;');
  Proc.ParamByName('years').AsInteger := AYears;
  Proc.ExecSQL;
end;

procedure TdmCustomers.TouchCustomer(AID: Integer);
begin
  with TFDQuery.Create(nil) do
  try
    Connection := FDConnection1;
    SQL.Text := 'update customers set changed_at = sysdate where id = :id';
    Params[0].AsInteger := AID;
    ExecSQL;
  finally
    Free;
  end;
end;

function TdmCustomers.CustomerCount: Integer;
begin
  FStatsQuery.Open;
  try
    Result := FStatsQuery.Fields[0].AsInteger;
  finally
    FStatsQuery.Close;
  end;
end;

end.
