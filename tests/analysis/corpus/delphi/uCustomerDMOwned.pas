unit uCustomerDMOwned;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections,
  Data.DB, FireDAC.Comp.Client, FireDAC.Stan.Param;

type
  TCustomer = class
  private
    FId: Integer;
    FName: string;
    FEmail: string;
    FBalance: Currency;
    FTags: TStringList;
  public
    constructor Create(AId: Integer);
    destructor Destroy; override;
    property Id: Integer read FId;
    property Name: string read FName write FName;
    property Email: string read FEmail write FEmail;
    property Balance: Currency read FBalance write FBalance;
    property Tags: TStringList read FTags;
  end;

  TdmCustomers = class(TDataModule)
    Connection: TFDConnection;
    qryCustomers: TFDQuery;
    qryTags: TFDQuery;
    procedure DataModuleCreate(Sender: TObject);
    procedure DataModuleDestroy(Sender: TObject);
  private
    FCache: TDictionary<Integer, TCustomer>;
    FStats: TStringList;
    FLoadCount: Integer;
    function ReadCustomer(AQuery: TFDQuery): TCustomer;
    procedure LoadTags(ACustomer: TCustomer);
  public
    destructor Destroy; override;
    function FindCustomer(AId: Integer): TCustomer;
    procedure RefreshCustomer(AId: Integer);
    procedure MakeNameList(out AList: TStrings);
    procedure FillNames(var AList: TStringList);
    function CreateCustomerCopy(AId: Integer): TCustomer;
    procedure ExportBalances(const AFileName: string);
    procedure Invalidate(AId: Integer);
    function TotalBalance: Currency;
    property LoadCount: Integer read FLoadCount;
  end;

var
  dmCustomers: TdmCustomers;

implementation

{%CLASSGROUP 'Vcl.Controls.TControl'}

{$R *.dfm}

{ TCustomer }

constructor TCustomer.Create(AId: Integer);
begin
  inherited Create;
  FId := AId;
  FTags := TStringList.Create;
  FTags.Sorted := True;
  FTags.Duplicates := dupIgnore;
end;

destructor TCustomer.Destroy;
begin
  FTags.Free;
  inherited;
end;

{ TdmCustomers }

procedure TdmCustomers.DataModuleCreate(Sender: TObject);
begin
  FCache := TDictionary<Integer, TCustomer>.Create;
  FStats := TStringList.Create;
  FLoadCount := 0;
end;

procedure TdmCustomers.DataModuleDestroy(Sender: TObject);
var
  Customer: TCustomer;
begin
  for Customer in FCache.Values do
    Customer.Free;
  FCache.Clear;
end;

destructor TdmCustomers.Destroy;
begin
  // OnDestroy (called from inherited) still walks FCache
  inherited Destroy;
  FCache.Free;
  FStats.Free;
end;

function TdmCustomers.ReadCustomer(AQuery: TFDQuery): TCustomer;
begin
  Result := TCustomer.Create(AQuery.FieldByName('ID').AsInteger);
  try
    Result.Name := AQuery.FieldByName('NAME').AsString;
    Result.Email := AQuery.FieldByName('EMAIL').AsString;
    Result.Balance := AQuery.FieldByName('BALANCE').AsCurrency;
    LoadTags(Result);
  except
    Result.Free;
    raise;
  end;
end;

procedure TdmCustomers.LoadTags(ACustomer: TCustomer);
begin
  qryTags.Close;
  qryTags.ParamByName('CUSTOMER_ID').AsInteger := ACustomer.Id;
  qryTags.Open;
  try
    while not qryTags.Eof do
    begin
      ACustomer.Tags.Add(qryTags.FieldByName('TAG').AsString);
      qryTags.Next;
    end;
  finally
    qryTags.Close;
  end;
end;

function TdmCustomers.FindCustomer(AId: Integer): TCustomer;
var
  Customer: TCustomer;
begin
  if FCache.TryGetValue(AId, Result) then
    Exit;
  qryCustomers.Close;
  qryCustomers.ParamByName('ID').AsInteger := AId;
  qryCustomers.Open;
  try
    if qryCustomers.IsEmpty then
      Exit(nil);
    Customer := ReadCustomer(qryCustomers);
    FCache.Add(AId, Customer);
    Inc(FLoadCount);
    Result := Customer;
  finally
    qryCustomers.Close;
  end;
end;

procedure TdmCustomers.RefreshCustomer(AId: Integer);
var
  Fresh, Old: TCustomer;
begin
  qryCustomers.Close;
  qryCustomers.ParamByName('ID').AsInteger := AId;
  qryCustomers.Open;
  try
    if qryCustomers.IsEmpty then
      Exit;
    Fresh := ReadCustomer(qryCustomers);
  finally
    qryCustomers.Close;
  end;
  if FCache.TryGetValue(AId, Old) then
    Old.Free;
  FCache.AddOrSetValue(AId, Fresh);
end;

procedure TdmCustomers.MakeNameList(out AList: TStrings);
var
  Customer: TCustomer;
begin
  AList := TStringList.Create;
  try
    for Customer in FCache.Values do
      AList.AddObject(Customer.Name, Customer);
  except
    FreeAndNil(AList);
    raise;
  end;
end;

procedure TdmCustomers.FillNames(var AList: TStringList);
var
  Customer: TCustomer;
begin
  if AList = nil then
    AList := TStringList.Create
  else
    AList.Clear;
  for Customer in FCache.Values do
    AList.Add(Customer.Name);
end;

function TdmCustomers.CreateCustomerCopy(AId: Integer): TCustomer;
var
  Source, Clone: TCustomer;
begin
  Source := FindCustomer(AId);
  if Source = nil then
    Exit(nil);
  Clone := TCustomer.Create(Source.Id);
  Clone.Name := Source.Name;
  Clone.Email := Source.Email;
  Clone.Balance := Source.Balance;
  Clone.Tags.Assign(Source.Tags);
  Exit(Clone);
end;

procedure TdmCustomers.ExportBalances(const AFileName: string);
var
  Writer: TStreamWriter;
  Customer: TCustomer;
  Total: Currency;
begin
  Total := 0;
  Writer := TStreamWriter.Create(AFileName, False, TEncoding.UTF8);
  try
    Writer.WriteLine('id;name;balance');
    for Customer in FCache.Values do
    begin
      Writer.WriteLine(Format('%d;%s;%m', [Customer.Id, Customer.Name, Customer.Balance]));
      Total := Total + Customer.Balance;
    end;
    Writer.WriteLine(Format(';total;%m', [Total]));
  finally
    Writer.Free;
  end;
  FStats.Values['LastExport'] := DateTimeToStr(Now);
end;

procedure TdmCustomers.Invalidate(AId: Integer);
var
  Customer: TCustomer;
begin
  if FCache.TryGetValue(AId, Customer) then
  begin
    FCache.Remove(AId);
    if Customer <> nil then
      Customer.Free;
  end;
end;

function TdmCustomers.TotalBalance: Currency;
var
  Customer: TCustomer;
begin
  Result := 0;
  for Customer in FCache.Values do
    Result := Result + Customer.Balance;
end;

end.
