unit uMainDataModule;

interface

uses
  System.SysUtils, System.Classes, Data.DB, FireDAC.Comp.Client,
  FireDAC.Stan.Def, FireDAC.Phys.Oracle, uAppSettings;

type
  TMainData = class(TDataModule)
    procedure DataModuleCreate(Sender: TObject);
    procedure DataModuleDestroy(Sender: TObject);
  private
    FConnection: TFDConnection;
    FTransaction: TFDTransaction;
    FLookupCache: TStringList;
    procedure ConfigureConnection(ASettings: TAppSettings);
    function CreateLookupQuery(const ATable: string): TFDQuery;
  public
    procedure Connect;
    procedure Disconnect;
    procedure RefreshLookups;
    function LookupText(const ATable: string; AId: Integer): string;
    property Connection: TFDConnection read FConnection;
  end;

var
  MainData: TMainData;

implementation

{%CLASSGROUP 'Vcl.Controls.TControl'}

{$R *.dfm}

procedure TMainData.DataModuleCreate(Sender: TObject);
var
  Settings: TAppSettings;
begin
  FConnection := TFDConnection.Create(Self);
  FConnection.LoginPrompt := False;
  FTransaction := TFDTransaction.Create(Self);
  FTransaction.Connection := FConnection;
  FLookupCache := TStringList.Create;
  FLookupCache.Sorted := True;
  FLookupCache.Duplicates := dupIgnore;
  Settings := TAppSettings.Create;
  try
    Settings.Load;
    ConfigureConnection(Settings);
  finally
    Settings.Free;
  end;
end;

procedure TMainData.DataModuleDestroy(Sender: TObject);
begin
  Disconnect;
  FreeAndNil(FLookupCache);
end;

procedure TMainData.ConfigureConnection(ASettings: TAppSettings);
begin
  FConnection.DriverName := 'Ora';
  FConnection.Params.Values['Database'] := ASettings.Database;
  FConnection.Params.Values['User_Name'] := ASettings.UserName;
  FConnection.Params.Values['Password'] := ASettings.Password;
  { The password is stored encrypted; never log the Params text. }
end;

procedure TMainData.Connect;
begin
  if not FConnection.Connected then
    FConnection.Connected := True;
end;

procedure TMainData.Disconnect;
begin
  if FConnection.Connected then
  begin
    if FTransaction.Active then
      FTransaction.Rollback;
    FConnection.Connected := False;
  end;
end;

function TMainData.CreateLookupQuery(const ATable: string): TFDQuery;
begin
  Result := TFDQuery.Create(Self);
  Result.Connection := FConnection;
  Result.SQL.Text := Format('select id, description from %s order by id', [ATable]);
end;

procedure TMainData.RefreshLookups;
const
  Tables: array[0..2] of string = ('order_status', 'payment_terms', 'country');
var
  Table: string;
  Query: TFDQuery;
begin
  FLookupCache.Clear;
  for Table in Tables do
  begin
    Query := CreateLookupQuery(Table);
    try
      Query.Open;
      while not Query.Eof do
      begin
        FLookupCache.Values[Table + '.' + Query.Fields[0].AsString] := Query.Fields[1].AsString;
        Query.Next;
      end;
    finally
      Query.Free;
    end;
  end;
end;

function TMainData.LookupText(const ATable: string; AId: Integer): string;
begin
  Result := FLookupCache.Values[ATable + '.' + IntToStr(AId)];
  if Result = '' then
    Result := Format('<%s %d>', [ATable, AId]);
end;

end.
