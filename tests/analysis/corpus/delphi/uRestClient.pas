unit uRestClient;

interface

uses
  System.SysUtils, System.Classes, System.JSON, System.Net.HttpClient,
  System.Net.URLClient, System.NetEncoding;

type
  ERestError = class(Exception)
  private
    FStatusCode: Integer;
  public
    constructor Create(AStatusCode: Integer; const AText: string);
    property StatusCode: Integer read FStatusCode;
  end;

  TRestClient = class
  private
    FBaseUrl: string;
    FToken: string;
    FClient: THTTPClient;
    function Url(const APath: string): string;
    function Check(const AResponse: IHTTPResponse): TJSONValue;
  public
    constructor Create(const ABaseUrl, AToken: string);
    destructor Destroy; override;
    function GetJson(const APath: string): TJSONValue;
    function PostJson(const APath: string; ABody: TJSONObject): TJSONValue;
    procedure Download(const APath, AFileName: string);
  end;

implementation

constructor ERestError.Create(AStatusCode: Integer; const AText: string);
begin
  inherited CreateFmt('HTTP %d: %s', [AStatusCode, AText]);
  FStatusCode := AStatusCode;
end;

constructor TRestClient.Create(const ABaseUrl, AToken: string);
begin
  inherited Create;
  FBaseUrl := ABaseUrl;
  FToken := AToken;
  FClient := THTTPClient.Create;
  FClient.ContentType := 'application/json';
  FClient.CustomHeaders['Authorization'] := 'Bearer ' + AToken;
end;

destructor TRestClient.Destroy;
begin
  try
    FClient.Free;
  finally
    inherited;
  end;
end;

function TRestClient.Url(const APath: string): string;
begin
  Result := FBaseUrl.TrimRight(['/']) + '/' + APath.TrimLeft(['/']);
end;

function TRestClient.Check(const AResponse: IHTTPResponse): TJSONValue;
var
  Text: string;
begin
  Text := AResponse.ContentAsString(TEncoding.UTF8);
  if AResponse.StatusCode >= 400 then
    raise ERestError.Create(AResponse.StatusCode, Text);
  Result := TJSONObject.ParseJSONValue(Text);
  if Result = nil then
    raise ERestError.Create(AResponse.StatusCode, 'response is no JSON: ' + Copy(Text, 1, 200));
end;

function TRestClient.GetJson(const APath: string): TJSONValue;
var
  Response: IHTTPResponse;
begin
  Response := FClient.Get(Url(APath));
  Result := Check(Response);
end;

function TRestClient.PostJson(const APath: string; ABody: TJSONObject): TJSONValue;
var
  Content: TStringStream;
  Response: IHTTPResponse;
begin
  Content := TStringStream.Create(ABody.ToJSON, TEncoding.UTF8);
  try
    Response := FClient.Post(Url(APath), Content);
    Result := Check(Response);
  finally
    Content.Free;
  end;
end;

procedure TRestClient.Download(const APath, AFileName: string);
var
  Target: TFileStream;
  Response: IHTTPResponse;
begin
  Target := TFileStream.Create(AFileName, fmCreate);
  try
    try
      Response := FClient.Get(Url(APath), Target);
      if Response.StatusCode <> 200 then
        raise ERestError.Create(Response.StatusCode, Response.StatusText);
    finally
      Target.Free;
    end;
  except
    DeleteFile(AFileName);
    raise;
  end;
end;

end.
