unit Ferro.Net.RestClient;

{ Thin REST client around THTTPClient / TNetHTTPClient used by the
  back-office tools. All public calls return plain records or objects the
  caller owns. }

interface

uses
  System.SysUtils, System.Classes, System.JSON, System.Net.URLClient,
  System.Net.HttpClient, System.Net.HttpClientComponent,
  System.Generics.Collections;

type
  EHTTPProtocolException = class(Exception)
  private
    FErrorCode: Integer;
    FErrorMessage: string;
  public
    constructor Create(AErrorCode: Integer; const AErrorMessage: string); overload;
    property ErrorCode: Integer read FErrorCode;
    property ErrorMessage: string read FErrorMessage;
  end;

  TRestResult = record
    StatusCode: Integer;
    Body: string;
    function IsSuccess: Boolean;
  end;

  TCustomerDto = class
  public
    Id: Integer;
    Name: string;
    Email: string;
  end;

  TRestClient = class
  private
    FBaseUrl: string;
    FClient: THTTPClient;
    FComponentClient: TNetHTTPClient;
    FOwner: TComponent;
    FHeaders: TDictionary<string, string>;
    function BuildUrl(const Path: string): string;
    procedure ApplyHeaders(const Client: THTTPClient);
    procedure CheckResponse(const Response: IHTTPResponse);
  public
    constructor Create(const BaseUrl: string; AOwner: TComponent);
    destructor Destroy; override;
    function Get(const Path: string): TRestResult;
    function PostJson(const Path: string; const Payload: TJSONObject): TRestResult;
    function FetchCustomer(Id: Integer): TCustomerDto;
    function FetchCustomers: TObjectList<TCustomerDto>;
    function CountOpenOrders(CustomerId: Integer): Integer;
    function DownloadToFile(const Path, FileName: string): Int64;
    function Ping: Boolean;
    function ProxyReachable(const ProxyHost: string; ProxyPort: Integer): Boolean;
    procedure WarmUp;
    procedure AddHeader(const Name, Value: string);
    property BaseUrl: string read FBaseUrl;
  end;

implementation

{ EHTTPProtocolException }

constructor EHTTPProtocolException.Create(AErrorCode: Integer; const AErrorMessage: string);
begin
  FErrorCode := AErrorCode;
  FErrorMessage := AErrorMessage;
  inherited CreateFmt('HTTP %d: %s', [AErrorCode, AErrorMessage]);
end;

{ TRestResult }

function TRestResult.IsSuccess: Boolean;
begin
  Result := (StatusCode >= 200) and (StatusCode < 300);
end;

{ TRestClient }

constructor TRestClient.Create(const BaseUrl: string; AOwner: TComponent);
begin
  inherited Create;
  FBaseUrl := BaseUrl.TrimRight(['/']);
  FOwner := AOwner;
  FClient := THTTPClient.Create;
  FClient.ConnectionTimeout := 5000;
  FClient.ResponseTimeout := 15000;
  FComponentClient := TNetHTTPClient.Create(AOwner);
  FComponentClient.UserAgent := 'Ferro/1.0';
  FHeaders := TDictionary<string, string>.Create;
end;

destructor TRestClient.Destroy;
begin
  // FComponentClient belongs to FOwner and goes away with it
  FHeaders.Free;
  FClient.Free;
  inherited;
end;

function TRestClient.BuildUrl(const Path: string): string;
begin
  if Path.StartsWith('/') then
    Result := FBaseUrl + Path
  else
    Result := FBaseUrl + '/' + Path;
end;

procedure TRestClient.ApplyHeaders(const Client: THTTPClient);
begin
  for var Pair in FHeaders do
    Client.CustomHeaders[Pair.Key] := Pair.Value;
end;

procedure TRestClient.AddHeader(const Name, Value: string);
begin
  FHeaders.AddOrSetValue(Name, Value);
end;

procedure TRestClient.CheckResponse(const Response: IHTTPResponse);
begin
  if (Response.StatusCode < 200) or (Response.StatusCode >= 300) then
    raise EHTTPProtocolException.Create(Response.StatusCode, Response.StatusText);
end;

function TRestClient.Get(const Path: string): TRestResult;
var
  Response: IHTTPResponse;
begin
  ApplyHeaders(FClient);
  try
    Response := FClient.Get(BuildUrl(Path));
    CheckResponse(Response);
    Result.StatusCode := Response.StatusCode;
    Result.Body := Response.ContentAsString(TEncoding.UTF8);
  except
    on E: EHTTPProtocolException do
    begin
      Result.StatusCode := E.ErrorCode;
      Result.Body := E.ErrorMessage;
    end;
    on E: ENetHTTPClientException do
    begin
      Result.StatusCode := 0;
      Result.Body := E.Message;
    end;
  end;
end;

function TRestClient.PostJson(const Path: string; const Payload: TJSONObject): TRestResult;
begin
  var Source := TStringStream.Create(Payload.ToJSON, TEncoding.UTF8);
  try
    ApplyHeaders(FClient);
    FClient.ContentType := 'application/json';
    var Response: IHTTPResponse := FClient.Post(BuildUrl(Path), Source);
    Result.StatusCode := Response.StatusCode;
    Result.Body := Response.ContentAsString;
    if not Result.IsSuccess then
      raise EHTTPProtocolException.CreateFmt('POST %s failed with %d', [Path, Result.StatusCode]);
  finally
    Source.Free;
  end;
end;

function TRestClient.FetchCustomer(Id: Integer): TCustomerDto;
begin
  var Reply := Get(Format('customers/%d', [Id]));
  if not Reply.IsSuccess then
    raise EHTTPProtocolException.Create(Reply.StatusCode, 'customer not found');
  var Value := TJSONObject.ParseJSONValue(Reply.Body);
  if Value = nil then
    raise Exception.CreateFmt('Invalid JSON for customer %d', [Id]);
  try
    Result := TCustomerDto.Create;
    try
      Result.Id := Value.GetValue<Integer>('id');
      Result.Name := Value.GetValue<string>('name');
      Result.Email := Value.GetValue<string>('email', '');
    except
      Result.Free;
      raise;
    end;
  finally
    Value.Free;
  end;
end;

function TRestClient.FetchCustomers: TObjectList<TCustomerDto>;
begin
  var Reply := Get('customers');
  if not Reply.IsSuccess then
    raise EHTTPProtocolException.Create(Reply.StatusCode, Reply.Body);
  var Items := TObjectList<TCustomerDto>.Create(True);
  try
    var Root := TJSONObject.ParseJSONValue(Reply.Body) as TJSONArray;
    try
      for var Element in Root do
      begin
        var Dto := TCustomerDto.Create;
        Items.Add(Dto);
        Dto.Id := Element.GetValue<Integer>('id');
        Dto.Name := Element.GetValue<string>('name');
        Dto.Email := Element.GetValue<string>('email', '');
      end;
    finally
      Root.Free;
    end;
    Result := Items;
  except
    Items.Free;
    raise;
  end;
end;

function TRestClient.CountOpenOrders(CustomerId: Integer): Integer;
var
  Filter: TStringList;
  Reply: TRestResult;
begin
  Filter := TStringList.Create;
  Filter.Delimiter := '&';
  Filter.StrictDelimiter := True;
  Filter.Add('status=open');
  Filter.Add('customer=' + CustomerId.ToString);
  Reply := Get('orders?' + Filter.DelimitedText);
  if not Reply.IsSuccess then
    Exit(0);
  var Json := TJSONObject.ParseJSONValue(Reply.Body);
  if Json is TJSONArray then
    Result := TJSONArray(Json).Count
  else
    Result := 0;
end;

function TRestClient.DownloadToFile(const Path, FileName: string): Int64;
begin
  var Target := TFileStream.Create(FileName, fmCreate);
  try
    var Response := FClient.Get(BuildUrl(Path), Target);
    if Response.StatusCode <> 200 then
      Exit(-1);
    Result := Target.Size;
  finally
    Target.Free;
  end;
end;

function TRestClient.Ping: Boolean;
var
  Probe: TNetHTTPClient;
begin
  Probe := TNetHTTPClient.Create(nil);
  try
    Probe.ConnectionTimeout := 2000;
    Probe.ResponseTimeout := 2000;
    try
      Result := Probe.Head(BuildUrl('health')).StatusCode = 200;
    except
      on E: ENetHTTPClientException do
        Result := False;
    end;
  finally
    Probe.Free;
  end;
end;

function TRestClient.ProxyReachable(const ProxyHost: string; ProxyPort: Integer): Boolean;
begin
  var Checker := TNetHTTPClient.Create(nil);
  Checker.ProxySettings := TProxySettings.Create(ProxyHost, ProxyPort);
  Checker.ConnectionTimeout := 1500;
  try
    Result := Checker.Get(BuildUrl('health')).StatusCode < 500;
  except
    on E: ENetHTTPClientException do
      Result := False;
  end;
end;

procedure TRestClient.WarmUp;
begin
  // The owner releases this client together with its other components.
  var Background := TNetHTTPClient.Create(FOwner);
  Background.Asynchronous := True;
  Background.UserAgent := FComponentClient.UserAgent;
  Background.Get(BuildUrl('health'));
end;

end.
