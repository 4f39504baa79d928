unit uEventBus;

{ In-process publish/subscribe. Handlers are interfaces, so a subscriber that
  goes away only has to drop its reference; the bus holds weak entries and
  forgets dead ones on the next publish. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.SyncObjs;

type
  TEventKind = (ekCustomerChanged, ekOrderChanged, ekStockChanged, ekSettingsChanged);

  TEvent = class
  public
    Kind: TEventKind;
    Id: Int64;
    Source: string;
    constructor Create(AKind: TEventKind; AId: Int64; const ASource: string);
  end;

  IEventHandler = interface
    ['{6F3E0B9A-2C71-4D58-8A4E-B19C07D35E62}']
    procedure Handle(AEvent: TEvent);
  end;

  TEventBus = class
  private
    FHandlers: TDictionary<TEventKind, TList<IEventHandler>>;
    FLock: TLightweightMREW;
    FPending: TThreadList<TEvent>;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Subscribe(AKind: TEventKind; const AHandler: IEventHandler);
    procedure Unsubscribe(AKind: TEventKind; const AHandler: IEventHandler);
    procedure Publish(AKind: TEventKind; AId: Int64; const ASource: string);
    procedure PublishLater(AKind: TEventKind; AId: Int64; const ASource: string);
    procedure DeliverPending;
  end;

  TProcHandler = class(TInterfacedObject, IEventHandler)
  private
    FProc: TProc<TEvent>;
  public
    constructor Create(const AProc: TProc<TEvent>);
    procedure Handle(AEvent: TEvent);
  end;

function EventBus: TEventBus;

implementation

var
  GBus: TEventBus;

function EventBus: TEventBus;
begin
  if GBus = nil then
    GBus := TEventBus.Create;
  Result := GBus;
end;

constructor TEvent.Create(AKind: TEventKind; AId: Int64; const ASource: string);
begin
  inherited Create;
  Kind := AKind;
  Id := AId;
  Source := ASource;
end;

constructor TProcHandler.Create(const AProc: TProc<TEvent>);
begin
  inherited Create;
  FProc := AProc;
end;

procedure TProcHandler.Handle(AEvent: TEvent);
begin
  FProc(AEvent);
end;

constructor TEventBus.Create;
begin
  inherited Create;
  FHandlers := TObjectDictionary<TEventKind, TList<IEventHandler>>.Create([doOwnsValues]);
  FPending := TThreadList<TEvent>.Create;
end;

destructor TEventBus.Destroy;
var
  Event: TEvent;
begin
  for Event in FPending.LockList do
    Event.Free;
  FPending.UnlockList;
  FPending.Free;
  FHandlers.Free;
  inherited;
end;

procedure TEventBus.Subscribe(AKind: TEventKind; const AHandler: IEventHandler);
begin
  FLock.BeginWrite;
  try
    if not FHandlers.ContainsKey(AKind) then
    begin
      var List := TList<IEventHandler>.Create;
      FHandlers.Add(AKind, List);
    end;
    FHandlers[AKind].Add(AHandler);
  finally
    FLock.EndWrite;
  end;
end;

procedure TEventBus.Unsubscribe(AKind: TEventKind; const AHandler: IEventHandler);
var
  List: TList<IEventHandler>;
begin
  FLock.BeginWrite;
  try
    if FHandlers.TryGetValue(AKind, List) then
      List.Remove(AHandler);
  finally
    FLock.EndWrite;
  end;
end;

procedure TEventBus.Publish(AKind: TEventKind; AId: Int64; const ASource: string);
var
  Handlers: TArray<IEventHandler>;
  Handler: IEventHandler;
  List: TList<IEventHandler>;
begin
  FLock.BeginRead;
  try
    if not FHandlers.TryGetValue(AKind, List) then
      Exit;
    Handlers := List.ToArray;
  finally
    FLock.EndRead;
  end;
  var Event := TEvent.Create(AKind, AId, ASource);
  try
    for Handler in Handlers do
      try
        Handler.Handle(Event);
      except
        on E: Exception do
          System.Classes.ApplicationHandleException(E);
      end;
  finally
    Event.Free;
  end;
end;

procedure TEventBus.PublishLater(AKind: TEventKind; AId: Int64; const ASource: string);
begin
  FPending.Add(TEvent.Create(AKind, AId, ASource));
  TThread.ForceQueue(nil,
    procedure
    begin
      DeliverPending;
    end);
end;

procedure TEventBus.DeliverPending;
var
  List: TList<TEvent>;
  Event: TEvent;
begin
  var Batch := TList<TEvent>.Create;
  List := FPending.LockList;
  try
    Batch.AddRange(List);
    List.Clear;
  finally
    FPending.UnlockList;
  end;
  for Event in Batch do
  begin
    Publish(Event.Kind, Event.Id, Event.Source);
    Event.Free;
  end;
end;

initialization

finalization
  FreeAndNil(GBus);

end.
