unit uHttpSync;

interface

uses
  System.SysUtils, System.Classes, System.Types, System.Generics.Collections,
  System.Net.HttpClient, System.Net.URLClient, System.Net.HttpClientComponent,
  System.NetEncoding, System.JSON, System.SyncObjs;

type
  TDownloadItem = class
  public
    Url: string;
    TargetFile: string;
    Attempts: Integer;
    StatusCode: Integer;
    constructor Create(const AUrl, ATargetFile: string);
  end;

  TDownloadDoneEvent = procedure(Sender: TObject; AItem: TDownloadItem) of object;

  TDownloadQueue = class(TComponent)
  private
    FClient: TNetHTTPClient;
    FPending: TObjectQueue<TDownloadItem>;
    FDone: TObjectList<TDownloadItem>;
    FLock: TCriticalSection;
    FCancelled: Boolean;
    FOnItemDone: TDownloadDoneEvent;
    FBaseUrl: string;
    procedure DownloadOne(AItem: TDownloadItem);
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure Add(AItem: TDownloadItem);
    procedure AddUrl(const AUrl, ATargetFile: string);
    procedure ProcessAll;
    procedure Cancel;
    property BaseUrl: string read FBaseUrl write FBaseUrl;
    property OnItemDone: TDownloadDoneEvent read FOnItemDone write FOnItemDone;
  end;

function HttpGetText(const AUrl: string): string;
function HttpPostJson(const AUrl: string; AData: TJSONObject): Integer;
procedure HttpDownload(const AUrl, AFileName: string);
function BasicAuthHeader(const AUser, APassword: string): TNetHeader;
function FetchStatusCodes(const AUrls: TArray<string>): TArray<Integer>;

implementation

{ TDownloadItem }

constructor TDownloadItem.Create(const AUrl, ATargetFile: string);
begin
  inherited Create;
  Url := AUrl;
  TargetFile := ATargetFile;
end;

{ TDownloadQueue }

constructor TDownloadQueue.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FClient := TNetHTTPClient.Create(Self);
  FClient.ConnectionTimeout := 10000;
  FClient.ResponseTimeout := 30000;
  FClient.UserAgent := 'Ferro-Sync/2.1 (begin; end; Free)';
  FPending := TObjectQueue<TDownloadItem>.Create(True);
  FDone := TObjectList<TDownloadItem>.Create(True);
  FLock := TCriticalSection.Create;
end;

destructor TDownloadQueue.Destroy;
begin
  Cancel;
  FLock.Free;
  FDone.Free;
  FPending.Free;
  (* FClient is owned by Self and is destroyed by inherited Destroy;
     inherited Destroy is called last so that the owned components
     can still see the queues while they go away. *)
  inherited Destroy;
end;

procedure TDownloadQueue.Add(AItem: TDownloadItem);
begin
  // the queue takes ownership of AItem
  FLock.Enter;
  try
    FPending.Enqueue(AItem);
  finally
    FLock.Leave;
  end;
end;

procedure TDownloadQueue.AddUrl(const AUrl, ATargetFile: string);
var
  Item: TDownloadItem;
begin
  if AUrl.StartsWith('/') then
    Item := TDownloadItem.Create(FBaseUrl + AUrl, ATargetFile)
  else
    Item := TDownloadItem.Create(AUrl, ATargetFile);
  Add(Item);
end;

procedure TDownloadQueue.Cancel;
begin
  FCancelled := True;
end;

procedure TDownloadQueue.DownloadOne(AItem: TDownloadItem);
var
  Target: TFileStream;
  Response: IHTTPResponse;
begin
  Inc(AItem.Attempts);
  Target := TFileStream.Create(AItem.TargetFile, fmCreate);
  try
    Response := FClient.Get(AItem.Url, Target);
    AItem.StatusCode := Response.StatusCode;
  finally
    Target.Free;
  end;
  if AItem.StatusCode <> 200 then
    System.SysUtils.DeleteFile(AItem.TargetFile);
end;

procedure TDownloadQueue.ProcessAll;
var
  Item: TDownloadItem;
begin
  FCancelled := False;
  while not FCancelled do
  begin
    FLock.Enter;
    try
      if FPending.Count = 0 then
        Break;
      Item := FPending.Extract;
    finally
      FLock.Leave;
    end;
    try
      DownloadOne(Item);
    except
      on E: ENetHTTPClientException do
      begin
        Item.StatusCode := -1;
        if Item.Attempts < 3 then
        begin
          Add(Item);
          Continue;
        end;
      end;
    end;
    FDone.Add(Item);
    if Assigned(FOnItemDone) then
      FOnItemDone(Self, Item);
  end;
end;

{ routines }

function HttpGetText(const AUrl: string): string;
var
  Client: THTTPClient;
  Response: IHTTPResponse;
begin
  Client := THTTPClient.Create;
  try
    Client.Accept := 'text/plain, application/json';
    Response := Client.Get(AUrl);
    if Response.StatusCode >= 400 then
      raise ENetHTTPException.CreateFmt('GET %s failed: %d %s',
        [AUrl, Response.StatusCode, Response.StatusText]);
    Result := Response.ContentAsString(TEncoding.UTF8);
  finally
    Client.Free;
  end;
end;

function HttpPostJson(const AUrl: string; AData: TJSONObject): Integer;
var
  Client: THTTPClient;
  Body: TStringStream;
begin
  Body := TStringStream.Create(AData.ToJSON, TEncoding.UTF8);
  try
    Client := THTTPClient.Create;
    try
      Client.ContentType := 'application/json';
      Result := Client.Post(AUrl, Body).StatusCode;
    finally
      Client.Free;
    end;
  finally
    Body.Free;
  end;
end;

procedure HttpDownload(const AUrl, AFileName: string);
var
  Client: TNetHTTPClient;
  Data: TMemoryStream;
begin
  Client := TNetHTTPClient.Create(nil);
  try
    Data := TMemoryStream.Create;
    Client.Get(AUrl, Data);
    Data.SaveToFile(AFileName);
    Data.Free;
  finally
    Client.Free;
  end;
end;

function BasicAuthHeader(const AUser, APassword: string): TNetHeader;
begin
  Result := TNetHeader.Create('Authorization',
    'Basic ' + TNetEncoding.Base64.Encode(AUser + ':' + APassword));
end;

function FetchStatusCodes(const AUrls: TArray<string>): TArray<Integer>;
var
  Client: THTTPClient;
  I: Integer;
begin
  SetLength(Result, Length(AUrls));
  Client := THTTPClient.Create;
  try
    Client.HandleRedirects := False;
    for I := 0 to High(AUrls) do
      try
        Result[I] := Client.Head(AUrls[I]).StatusCode;
      except
        Result[I] := 0;
      end;
  finally
    Client.Free;
  end;
end;

end.
