unit OrderServiceTests;

interface

uses
  System.SysUtils, System.Generics.Collections,
  DUnitX.TestFramework,
  Orders.Model, Orders.Store, Orders.Service;

type
  { In-memory store for the service tests.  TOrderStoreBase keeps the audit
    hooks and the id sequence; the fake only replaces persistence. }
  TFakeOrderStore = class(TOrderStoreBase, IOrderStore)
  private
    FOrders: TObjectList<TOrder>;
    FSaveCount: Integer;
    FFailNextSave: Boolean;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Save(AOrder: TOrder);
    function FindById(AId: Integer): TOrder;
    function Count: Integer;
    property SaveCount: Integer read FSaveCount;
    property FailNextSave: Boolean read FFailNextSave write FFailNextSave;
  end;

  [TestFixture]
  TOrderServiceTests = class
  private
    FStore: TFakeOrderStore;
    FStoreRef: IOrderStore;
    FService: TOrderService;
    function NewOrderWithLines(AId: Integer): TOrder;
  public
    [Setup]
    procedure Setup;
    [TearDown]
    procedure TearDown;
    [Test]
    procedure NewOrderHasNoLines;
    [Test]
    [TestCase('One', '1,10.00,10.00')]
    [TestCase('Three', '3,2.50,7.50')]
    procedure LineTotalIsQtyTimesPrice(AQty: Integer; const APrice, AExpected: string);
    [Test]
    procedure SubmitNilRaises;
    [Test]
    procedure SubmitEmptyOrderRaises;
    [Test]
    procedure SubmitStoresOrder;
    [Test]
    procedure SubmitFailureKeepsOrderOpen;
    [Test]
    procedure DiscountAppliedAboveThreshold;
    [Test]
    procedure CancelTwiceRaises;
  end;

implementation

{ TFakeOrderStore }

constructor TFakeOrderStore.Create;
begin
  inherited Create;
  FOrders := TObjectList<TOrder>.Create(True);
end;

destructor TFakeOrderStore.Destroy;
begin
  FOrders.Free;
end;

procedure TFakeOrderStore.Save(AOrder: TOrder);
begin
  if FFailNextSave then
  begin
    FFailNextSave := False;
    raise EOrderStoreError.Create('simulated disk full');
  end;
  if FOrders.IndexOf(AOrder) < 0 then
    FOrders.Add(AOrder);
  Inc(FSaveCount);
  NotifySaved(AOrder.Id);
end;

function TFakeOrderStore.FindById(AId: Integer): TOrder;
var
  Order: TOrder;
begin
  for Order in FOrders do
    if Order.Id = AId then
      Exit(Order);
  Result := nil;
end;

function TFakeOrderStore.Count: Integer;
begin
  Result := FOrders.Count;
end;

{ TOrderServiceTests }

function TOrderServiceTests.NewOrderWithLines(AId: Integer): TOrder;
begin
  Result := TOrder.Create(AId);
  Result.AddLine('SKU-100', 2, 4.25);
  Result.AddLine('SKU-300', 1, 19.90);
end;

procedure TOrderServiceTests.Setup;
begin
  FStore := TFakeOrderStore.Create;
  FStoreRef := FStore;            // reference counted from here on
  FService := TOrderService.Create(FStoreRef);
end;

procedure TOrderServiceTests.TearDown;
begin
  FreeAndNil(FService);
  FStore := nil;
  FStoreRef := nil;               // releases the fake store
end;

procedure TOrderServiceTests.NewOrderHasNoLines;
var
  Order: TOrder;
begin
  Order := TOrder.Create(1);
  try
    Assert.AreEqual(0, Order.LineCount);
    Assert.AreEqual(Currency(0), Order.Total);
    Assert.IsFalse(Order.Submitted);
  finally
    Order.Free;
  end;
end;

procedure TOrderServiceTests.LineTotalIsQtyTimesPrice(AQty: Integer;
  const APrice, AExpected: string);
var
  Order: TOrder;
  Fmt: TFormatSettings;
begin
  Fmt := TFormatSettings.Invariant;
  Order := TOrder.Create(2);
  try
    Order.AddLine('SKU-1', AQty, StrToCurr(APrice, Fmt));
    Assert.AreEqual(StrToCurr(AExpected, Fmt), Order.Lines[0].Total);
  finally
    Order.Free;
  end;
end;

procedure TOrderServiceTests.SubmitNilRaises;
begin
  Assert.WillRaise(
    procedure
    begin
      FService.Submit(nil);
    end, EArgumentNilException);
end;

procedure TOrderServiceTests.SubmitEmptyOrderRaises;
var
  Order: TOrder;
begin
  Order := TOrder.Create(42);
  try
    Assert.WillRaise(
      procedure
      begin
        FService.Submit(Order);
      end, EOrderEmpty, 'an order without lines must be rejected');
    Assert.AreEqual(0, FStore.SaveCount);
  finally
    Order.Free;
  end;
end;

procedure TOrderServiceTests.SubmitStoresOrder;
var
  Order: TOrder;
begin
  Order := NewOrderWithLines(5);
  FService.Submit(Order);         // the store owns submitted orders
  Assert.AreEqual(1, FStore.SaveCount);
  Assert.AreSame(Order, FStore.FindById(5));
  Assert.IsTrue(Order.Submitted);
end;

procedure TOrderServiceTests.SubmitFailureKeepsOrderOpen;
var
  Order: TOrder;
begin
  Order := NewOrderWithLines(6);
  try
    FStore.FailNextSave := True;
    Assert.WillRaise(
      procedure
      begin
        FService.Submit(Order);
      end, EOrderStoreError);
    Assert.IsFalse(Order.Submitted, 'failed submit must roll the flag back');
    Assert.AreEqual(0, FStore.Count);
  finally
    Order.Free;
  end;
end;

procedure TOrderServiceTests.DiscountAppliedAboveThreshold;
var
  Order: TOrder;
begin
  Order := TOrder.Create(7);
  Order.AddLine('SKU-100', 10, 12.50);
  Order.AddLine('SKU-200', 1, 80.00);
  FService.DiscountThreshold := 200;
  FService.ApplyDiscounts(Order);
  Assert.AreEqual(Currency(184.50), Order.Total, 'ten percent off above the threshold');
  Assert.AreEqual(1, Order.DiscountCount);
  Order.Free;
end;

procedure TOrderServiceTests.CancelTwiceRaises;
begin
  var Order := NewOrderWithLines(8);
  try
    FService.Cancel(Order);
    Assert.AreEqual(TOrderState.osCancelled, Order.State);
    Assert.WillRaise(
      procedure
      begin
        FService.Cancel(Order);
      end, EOrderState);
  finally
    Order.Free;
  end;
end;

initialization
  TDUnitX.RegisterTestFixture(TOrderServiceTests);

end.
