unit uServiceIntf;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, System.SyncObjs;

type
  ILogger = interface
    ['{6B1B7A44-2C0E-4D0B-9E55-2E4C9B1F3A01}']
    procedure Log(const AMsg: string);
    procedure LogFmt(const AFmt: string; const AArgs: array of const);
  end;

  TOrderLine = record
    Sku: string;
    Qty: Integer;
    Price: Currency;
  end;

  IOrder = interface
    ['{0D7F3E1A-8B7C-4C55-A1D0-6F0E5B2A9C12}']
    function GetID: Integer;
    function Total: Currency;
    procedure AddLine(const ALine: TOrderLine);
    property ID: Integer read GetID;
  end;

  IOrderService = interface
    ['{A4C2E9B3-55D1-4F7E-8A60-3B9D0C1E7F23}']
    function NewOrder: IOrder;
    procedure PlaceOrder(const AOrder: IOrder);
    function OrderCount: Integer;
  end;

  TFileLogger = class(TInterfacedObject, ILogger)
  private
    FWriter: TStreamWriter;
    FLock: TCriticalSection;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Log(const AMsg: string);
    procedure LogFmt(const AFmt: string; const AArgs: array of const);
  end;

  TNullLogger = class(TInterfacedObject, ILogger)
  public
    procedure Log(const AMsg: string);
    procedure LogFmt(const AFmt: string; const AArgs: array of const);
  end;

  TCompositeLogger = class(TInterfacedObject, ILogger)
  private
    FTargets: TList<ILogger>;
  public
    constructor Create(const ATargets: array of ILogger);
    destructor Destroy; override;
    procedure Log(const AMsg: string);
    procedure LogFmt(const AFmt: string; const AArgs: array of const);
  end;

  TOrder = class(TInterfacedObject, IOrder)
  private
    FID: Integer;
    FLines: TList<TOrderLine>;
    function GetID: Integer;
  public
    constructor Create(AID: Integer);
    destructor Destroy; override;
    function Total: Currency;
    procedure AddLine(const ALine: TOrderLine);
  end;

  TOrderService = class(TInterfacedObject, IOrderService)
  private
    FLogger: ILogger;
    FOrders: TList<IOrder>;
    FNextID: Integer;
  public
    constructor Create(const ALogger: ILogger);
    destructor Destroy; override;
    function NewOrder: IOrder;
    procedure PlaceOrder(const AOrder: IOrder);
    function OrderCount: Integer;
  end;

  TServiceFactory = class
  public
    class function CreateLogger(const AFileName: string): ILogger;
    class function CreateOrderService(const ALogger: ILogger = nil): IOrderService;
  end;

procedure RunSmokeTest(const ALogFile: string);
function QuickTotal(const ALines: array of TOrderLine): Currency;

implementation

{ TFileLogger }

constructor TFileLogger.Create(const AFileName: string);
begin
  inherited Create;
  FLock := TCriticalSection.Create;
  FWriter := TStreamWriter.Create(AFileName, True, TEncoding.UTF8);
  FWriter.AutoFlush := True;
end;

destructor TFileLogger.Destroy;
begin
  FWriter.Free;
  FLock.Free;
  inherited;
end;

procedure TFileLogger.Log(const AMsg: string);
begin
  FLock.Enter;
  try
    FWriter.WriteLine(FormatDateTime('hh:nn:ss.zzz', Now) + ' ' + AMsg);
  finally
    FLock.Leave;
  end;
end;

procedure TFileLogger.LogFmt(const AFmt: string; const AArgs: array of const);
begin
  Log(Format(AFmt, AArgs));
end;

{ TNullLogger }

procedure TNullLogger.Log(const AMsg: string);
begin
end;

procedure TNullLogger.LogFmt(const AFmt: string; const AArgs: array of const);
begin
end;

{ TCompositeLogger }

constructor TCompositeLogger.Create(const ATargets: array of ILogger);
var
  Target: ILogger;
begin
  inherited Create;
  FTargets := TList<ILogger>.Create;
  for Target in ATargets do
    if Target <> nil then
      FTargets.Add(Target);
end;

destructor TCompositeLogger.Destroy;
begin
  FTargets.Free; // releases the interface references
  inherited Destroy;
end;

procedure TCompositeLogger.Log(const AMsg: string);
var
  Target: ILogger;
begin
  for Target in FTargets do
    try
      Target.Log(AMsg);
    except
      // one broken target must not stop the others
    end;
end;

procedure TCompositeLogger.LogFmt(const AFmt: string; const AArgs: array of const);
begin
  Log(Format(AFmt, AArgs));
end;

{ TOrder }

constructor TOrder.Create(AID: Integer);
begin
  inherited Create;
  FID := AID;
  FLines := TList<TOrderLine>.Create;
end;

destructor TOrder.Destroy;
begin
  FreeAndNil(FLines);
  inherited;
end;

function TOrder.GetID: Integer;
begin
  Result := FID;
end;

function TOrder.Total: Currency;
var
  Line: TOrderLine;
begin
  Result := 0;
  for Line in FLines do
    Result := Result + Line.Qty * Line.Price;
end;

procedure TOrder.AddLine(const ALine: TOrderLine);
begin
  if ALine.Qty <= 0 then
    raise EArgumentException.CreateFmt('Invalid quantity for %s', [ALine.Sku]);
  FLines.Add(ALine);
end;

{ TOrderService }

constructor TOrderService.Create(const ALogger: ILogger);
begin
  inherited Create;
  if ALogger = nil then
    FLogger := TNullLogger.Create
  else
    FLogger := ALogger;
  FOrders := TList<IOrder>.Create;
end;

destructor TOrderService.Destroy;
begin
  { TInterfacedObject and TObject have nothing to clean up, so
    there is no call to inherited here. }
  FLogger.LogFmt('Order service closed, %d orders', [FOrders.Count]);
  FOrders.Free;
end;

function TOrderService.NewOrder: IOrder;
var
  Order: TOrder;
begin
  Inc(FNextID);
  Order := TOrder.Create(FNextID);
  Result := Order;
  FLogger.LogFmt('Order %d created', [FNextID]);
end;

procedure TOrderService.PlaceOrder(const AOrder: IOrder);
begin
  if AOrder.Total <= 0 then
    raise EInvalidOpException.Create('Cannot place an empty order');
  FOrders.Add(AOrder);
  FLogger.LogFmt('Order %d placed: %.2f', [AOrder.ID, AOrder.Total]);
end;

function TOrderService.OrderCount: Integer;
begin
  Result := FOrders.Count;
end;

{ TServiceFactory }

class function TServiceFactory.CreateLogger(const AFileName: string): ILogger;
begin
  if AFileName = '' then
    Result := TNullLogger.Create
  else
    Result := TCompositeLogger.Create([TFileLogger.Create(AFileName), TNullLogger.Create]);
end;

class function TServiceFactory.CreateOrderService(const ALogger: ILogger): IOrderService;
begin
  Result := TOrderService.Create(ALogger);
end;

{ routines }

procedure RunSmokeTest(const ALogFile: string);
var
  Logger: ILogger;
  Service: IOrderService;
  Order: IOrder;
  Line: TOrderLine;
  Probe: IInterface;
begin
  Logger := TServiceFactory.CreateLogger(ALogFile);
  Service := TServiceFactory.CreateOrderService(Logger);
  Probe := TFileLogger.Create(ChangeFileExt(ALogFile, '.probe'));
  Order := Service.NewOrder;
  Line.Sku := 'A-100';
  Line.Qty := 2;
  Line.Price := 9.95;
  Order.AddLine(Line);
  Service.PlaceOrder(Order);
  Logger.LogFmt('Smoke test done: %d order(s)', [Service.OrderCount]);
  if Supports(Probe, ILogger, Logger) then
    Logger.Log('probe logger is alive');
end;

function QuickTotal(const ALines: array of TOrderLine): Currency;
var
  Order: TOrder;
  Line: TOrderLine;
begin
  Order := TOrder.Create(0);
  for Line in ALines do
    Order.AddLine(Line);
  Result := Order.Total;
end;

end.
