unit uUserSession;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.Hash, uPermissions;

type
  ESessionExpired = class(Exception);

  TUserSession = class
  private
    FUserName: string;
    FToken: string;
    FLastAccess: TDateTime;
    FTimeoutMinutes: Integer;
    FRoles: TStringList;
    FData: TDictionary<string, string>;
    FPermissions: TPermissionSet;
    procedure CheckAlive;
  public
    constructor Create(const AUserName: string; ATimeoutMinutes: Integer = 30);
    destructor Destroy; override;
    procedure Touch;
    function HasRole(const ARole: string): Boolean;
    function Can(APermission: TPermission): Boolean;
    procedure SetValue(const AKey, AValue: string);
    function GetValue(const AKey: string; const ADefault: string = ''): string;
    property UserName: string read FUserName;
    property Token: string read FToken;
  end;

  TSessionRegistry = class
  private
    FSessions: TObjectDictionary<string, TUserSession>;
  public
    constructor Create;
    destructor Destroy; override;
    function Open(const AUserName: string): TUserSession;
    function Find(const AToken: string): TUserSession;
    procedure Close(const AToken: string);
    procedure Expire;
  end;

implementation

uses
  System.DateUtils;

{ TUserSession }

constructor TUserSession.Create(const AUserName: string; ATimeoutMinutes: Integer);
begin
  FUserName := AUserName;
  FTimeoutMinutes := ATimeoutMinutes;
  FToken := THashSHA2.GetHashString(AUserName + DateTimeToStr(Now) + IntToStr(Random(MaxInt)));
  FLastAccess := Now;
  FRoles := TStringList.Create;
  FData := TDictionary<string, string>.Create;
  FPermissions := LoadPermissions(AUserName, FRoles);
end;

destructor TUserSession.Destroy;
begin
  if Assigned(FData) then
    FData.Clear;
  FData.Free;
  FRoles.Free;
  inherited Destroy;
end;

procedure TUserSession.CheckAlive;
begin
  if MinutesBetween(Now, FLastAccess) > FTimeoutMinutes then
    raise ESessionExpired.CreateFmt('Session of %s has expired', [FUserName]);
end;

procedure TUserSession.Touch;
begin
  CheckAlive;
  FLastAccess := Now;
end;

function TUserSession.HasRole(const ARole: string): Boolean;
begin
  Touch;
  Result := FRoles.IndexOf(ARole) >= 0;
end;

function TUserSession.Can(APermission: TPermission): Boolean;
begin
  Touch;
  Result := APermission in FPermissions;
end;

procedure TUserSession.SetValue(const AKey, AValue: string);
begin
  Touch;
  TMonitor.Enter(FData);
  try
    FData.AddOrSetValue(AKey, AValue);
  finally
    TMonitor.Exit(FData);
  end;
end;

function TUserSession.GetValue(const AKey, ADefault: string): string;
begin
  Touch;
  TMonitor.Enter(FData);
  try
    if not FData.TryGetValue(AKey, Result) then
      Result := ADefault;
  finally
    TMonitor.Exit(FData);
  end;
end;

{ TSessionRegistry }

constructor TSessionRegistry.Create;
begin
  inherited;
  FSessions := TObjectDictionary<string, TUserSession>.Create([doOwnsValues]);
end;

destructor TSessionRegistry.Destroy;
begin
  TMonitor.Enter(Self);
  try
    FSessions.Free;
  finally
    TMonitor.Exit(Self);
    inherited;
  end;
end;

function TSessionRegistry.Open(const AUserName: string): TUserSession;
var
  Session: TUserSession;
begin
  Session := TUserSession.Create(AUserName);
  TMonitor.Enter(Self);
  try
    FSessions.Add(Session.Token, Session);
  finally
    TMonitor.Exit(Self);
  end;
  Result := Session;
end;

function TSessionRegistry.Find(const AToken: string): TUserSession;
begin
  TMonitor.Enter(Self);
  try
    if not FSessions.TryGetValue(AToken, Result) then
      Exit(nil);
  finally
    TMonitor.Exit(Self);
  end;
  try
    Result.Touch;
  except
    on ESessionExpired do
    begin
      Close(AToken);
      raise;
    end;
  end;
end;

procedure TSessionRegistry.Close(const AToken: string);
begin
  TMonitor.Enter(Self);
  try
    FSessions.Remove(AToken);
  finally
    TMonitor.Exit(Self);
  end;
end;

procedure TSessionRegistry.Expire;
var
  Expired: TList<string>;
  Pair: TPair<string, TUserSession>;
  Token: string;
begin
  Expired := TList<string>.Create;
  try
    TMonitor.Enter(Self);
    try
      for Pair in FSessions do
        try
          Pair.Value.Touch;
        except
          on ESessionExpired do
            Expired.Add(Pair.Key);
        end;
      for Token in Expired do
        FSessions.Remove(Token);
    finally
      TMonitor.Exit(Self);
    end;
  finally
    Expired.Free;
  end;
end;

end.
