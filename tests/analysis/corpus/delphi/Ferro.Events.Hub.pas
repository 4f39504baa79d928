unit Ferro.Events.Hub;

{ Application event hub on top of System.Messaging. Messages sent through
  TMessageManager.SendMessage are disposed by the manager unless ADispose is
  passed as False. }

interface

uses
  System.SysUtils, System.Classes, System.Math, System.Messaging,
  System.Generics.Collections;

type
  TStatusMessage = class(TMessage<string>);
  TProgressMessage = class(TMessage<Integer>);

  TOrderPlaced = class
  public
    OrderId: string;
    Amount: Currency;
    constructor Create(const AId: string; AAmount: Currency);
  end;

  TOrderPlacedMessage = class(TObjectMessage<TOrderPlaced>);

  TEventHub = class
  private
    FSubscriptions: TList<Integer>;
    FHandlers: TDictionary<string, TProc<string>>;
    FFormatter: TFunc<string, string>;
    FLastStatus: string;
    FHistory: TStringList;
    procedure HandleStatus(const Sender: TObject; const M: TMessage);
  public
    constructor Create;
    destructor Destroy; override;
    procedure Subscribe;
    procedure Unsubscribe;
    procedure PublishStatus(const Text: string);
    procedure PublishProgress(Value: Integer);
    procedure PublishOrder(const Id: string; Amount: Currency);
    procedure PublishDeferred(const Text: string);
    procedure OnEvent(const Name: string; const Handler: TProc<string>);
    procedure Fire(const Name, Arg: string);
    function MakeCounter: TFunc<Integer>;
    function MakeCollector: TProc<string>;
    property LastStatus: string read FLastStatus;
    property Formatter: TFunc<string, string> read FFormatter write FFormatter;
  end;

implementation

{ TOrderPlaced }

constructor TOrderPlaced.Create(const AId: string; AAmount: Currency);
begin
  inherited Create;
  OrderId := AId;
  Amount := AAmount;
end;

{ TEventHub }

constructor TEventHub.Create;
begin
  inherited Create;
  FSubscriptions := TList<Integer>.Create;
  FHandlers := TDictionary<string, TProc<string>>.Create;
  FHistory := TStringList.Create;
  FFormatter :=
    function(S: string): string
    begin
      Result := FormatDateTime('[hh:nn:ss] ', Now) + S;
    end;
end;

destructor TEventHub.Destroy;
begin
  Unsubscribe;
  FHistory.Free;
  FHandlers.Free;
  FSubscriptions.Free;
  inherited;
end;

procedure TEventHub.HandleStatus(const Sender: TObject; const M: TMessage);
begin
  if M is TStatusMessage then
  begin
    FLastStatus := TStatusMessage(M).Value;
    FHistory.Add(FFormatter(FLastStatus));
  end;
end;

procedure TEventHub.Subscribe;
begin
  FSubscriptions.Add(TMessageManager.DefaultManager.SubscribeToMessage(TStatusMessage, HandleStatus));
  FSubscriptions.Add(TMessageManager.DefaultManager.SubscribeToMessage(TOrderPlacedMessage,
    procedure(const Sender: TObject; const M: TMessage)
    begin
      var Order := TOrderPlacedMessage(M).Value;
      FHistory.Add(FFormatter(Format('order %s: %m', [Order.OrderId, Order.Amount])));
    end));
end;

procedure TEventHub.Unsubscribe;
begin
  for var Id in FSubscriptions do
  begin
    TMessageManager.DefaultManager.Unsubscribe(TStatusMessage, Id, True);
    TMessageManager.DefaultManager.Unsubscribe(TOrderPlacedMessage, Id, True);
  end;
  FSubscriptions.Clear;
end;

procedure TEventHub.PublishStatus(const Text: string);
begin
  var Msg := TStatusMessage.Create(Text);
  TMessageManager.DefaultManager.SendMessage(Self, Msg);
end;

procedure TEventHub.PublishProgress(Value: Integer);
begin
  var Msg := TProgressMessage.Create(EnsureRange(Value, 0, 100));
  TMessageManager.DefaultManager.SendMessage(Self, Msg, False);
  FLastStatus := Format('progress %d%%', [Msg.Value]);
  FHistory.Add(FFormatter(FLastStatus));
  Msg.Free;
end;

procedure TEventHub.PublishOrder(const Id: string; Amount: Currency);
var
  Payload: TOrderPlaced;
  Msg: TOrderPlacedMessage;
begin
  if Amount <= 0 then
    raise EArgumentOutOfRangeException.CreateFmt('Order %s has no amount', [Id]);
  Payload := TOrderPlaced.Create(Id, Amount);
  Msg := TOrderPlacedMessage.Create(Payload, True);
  TMessageManager.DefaultManager.SendMessage(Self, Msg, True);
end;

procedure TEventHub.PublishDeferred(const Text: string);
begin
  TThread.ForceQueue(nil,
    procedure
    begin
      var Msg := TStatusMessage.Create(FFormatter(Text));
      TMessageManager.DefaultManager.SendMessage(Self, Msg);
    end);
end;

procedure TEventHub.OnEvent(const Name: string; const Handler: TProc<string>);
begin
  FHandlers.AddOrSetValue(Name.ToLower, Handler);
end;

procedure TEventHub.Fire(const Name, Arg: string);
var
  Handler: TProc<string>;
begin
  if not FHandlers.TryGetValue(Name.ToLower, Handler) then
    raise EListError.CreateFmt('No handler for event "%s"', [Name]);
  try
    Handler(Arg);
  except
    on E: Exception do
    begin
      FHistory.Add(FFormatter(Format('handler %s failed: %s', [Name, E.Message])));
      raise;
    end;
  end;
end;

function TEventHub.MakeCounter: TFunc<Integer>;
begin
  var Hits := TList<Integer>.Create;
  Result :=
    function: Integer
    begin
      Hits.Add(Hits.Count + 1);
      Result := Hits.Count;
    end;
end;

function TEventHub.MakeCollector: TProc<string>;
var
  Seen: TStringList;
  Report: TProc;
begin
  Seen := TStringList.Create;
  Seen.Sorted := True;
  Seen.Duplicates := dupIgnore;
  Report :=
    procedure
    begin
      FHistory.Add(FFormatter(Format('collected %d distinct values', [Seen.Count])));
      Seen.Free;
    end;
  Result :=
    procedure(Value: string)
    begin
      if Value = '' then
        Report
      else
        Seen.Add(Value);
    end;
end;

end.
