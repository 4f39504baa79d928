unit Ferro.Json.Orders;

{ Order model and its JSON mapping (System.JSON). Child values added with
  AddPair/Add/AddElement belong to their parent from that moment on. }

interface

uses
  System.SysUtils, System.Classes, System.JSON, System.DateUtils,
  System.Generics.Collections, System.Generics.Defaults;

type
  TOrderLine = class
  public
    Sku: string;
    Quantity: Integer;
    Price: Currency;
    function Amount: Currency;
    function ToJson: TJSONObject;
  end;

  TOrder = class
  private
    FId: string;
    FCreated: TDateTime;
    FLines: TObjectList<TOrderLine>;
    FTags: TList<string>;
  public
    constructor Create(const AId: string);
    destructor Destroy; override;
    function AddLine(const Sku: string; Qty: Integer; Price: Currency): TOrderLine;
    function Total: Currency;
    function ToJson: TJSONObject;
    function ToJsonText: string;
    class function FromJsonText(const Text: string): TOrder;
    property Id: string read FId;
    property Created: TDateTime read FCreated write FCreated;
    property Lines: TObjectList<TOrderLine> read FLines;
    property Tags: TList<string> read FTags;
  end;

  TOrderSerializer = class
  public
    class function ExportAll(const Orders: TArray<TOrder>): string;
    class function MergeDocuments(const Left, Right: string): string;
    class function ExtractSkus(const Text: string): TArray<string>;
    class function DetachFirstLine(const Text: string): TJSONObject;
    class procedure WriteSummary(const Orders: TArray<TOrder>; const FileName: string);
    class function SortedByTotal(const Orders: TArray<TOrder>): TArray<TOrder>;
  end;

implementation

{ TOrderLine }

function TOrderLine.Amount: Currency;
begin
  Result := Quantity * Price;
end;

function TOrderLine.ToJson: TJSONObject;
begin
  Result := TJSONObject.Create;
  Result.AddPair('sku', Sku);
  Result.AddPair('qty', TJSONNumber.Create(Quantity));
  Result.AddPair('price', TJSONNumber.Create(Double(Price)));
end;

{ TOrder }

constructor TOrder.Create(const AId: string);
begin
  inherited Create;
  FId := AId;
  FCreated := Now;
  FLines := TObjectList<TOrderLine>.Create(True);
  FTags := TList<string>.Create;
end;

destructor TOrder.Destroy;
begin
  FTags.Free;
  FLines.Free;
  inherited Destroy;
end;

function TOrder.AddLine(const Sku: string; Qty: Integer; Price: Currency): TOrderLine;
begin
  if Qty <= 0 then
    raise EArgumentOutOfRangeException.CreateFmt('Quantity for %s must be positive', [Sku]);
  Result := TOrderLine.Create;
  Result.Sku := Sku;
  Result.Quantity := Qty;
  Result.Price := Price;
  FLines.Add(Result);
end;

function TOrder.Total: Currency;
begin
  Result := 0;
  for var Line in FLines do
    Result := Result + Line.Amount;
end;

function TOrder.ToJson: TJSONObject;
begin
  Result := TJSONObject.Create;
  try
    Result.AddPair('id', FId);
    Result.AddPair('created', DateToISO8601(FCreated));
    var LinesArray := TJSONArray.Create;
    Result.AddPair('lines', LinesArray);
    for var Line in FLines do
      LinesArray.AddElement(Line.ToJson);
    var TagArray := TJSONArray.Create;
    for var Tag in FTags do
      TagArray.Add(Tag);
    Result.AddPair('tags', TagArray);
    Result.AddPair('total', TJSONNumber.Create(Double(Total)));
  except
    Result.Free;
    raise;
  end;
end;

function TOrder.ToJsonText: string;
begin
  var Json := ToJson;
  try
    Result := Json.ToJSON;
  finally
    Json.Free;
  end;
end;

class function TOrder.FromJsonText(const Text: string): TOrder;
var
  Root: TJSONObject;
  LinesValue: TJSONArray;
begin
  Root := TJSONObject.ParseJSONValue(Text) as TJSONObject;
  if Root = nil then
    raise EJSONException.Create('Order document is not a JSON object');
  try
    Result := TOrder.Create(Root.GetValue<string>('id'));
    try
      if Root.TryGetValue<TJSONArray>('lines', LinesValue) then
        for var Item in LinesValue do
          Result.AddLine(Item.GetValue<string>('sku'), Item.GetValue<Integer>('qty'),
            Item.GetValue<Currency>('price'));
      var TagValues: TJSONArray;
      if Root.TryGetValue<TJSONArray>('tags', TagValues) then
        for var T in TagValues do
          Result.Tags.Add(T.Value);
    except
      Result.Free;
      raise;
    end;
  finally
    Root.Free;
  end;
end;

{ TOrderSerializer }

class function TOrderSerializer.ExportAll(const Orders: TArray<TOrder>): string;
begin
  var Document := TJSONArray.Create;
  try
    for var Order in Orders do
      Document.AddElement(Order.ToJson);
    Result := Document.Format(2);
  finally
    Document.Free;
  end;
end;

class function TOrderSerializer.MergeDocuments(const Left, Right: string): string;
begin
  var Target := TJSONObject.ParseJSONValue(Left) as TJSONObject;
  var Source := TJSONObject.ParseJSONValue(Right) as TJSONObject;
  try
    for var Pair in Source do
    begin
      if Target.GetValue(Pair.JsonString.Value) <> nil then
        Target.RemovePair(Pair.JsonString.Value).Free;
      Target.AddPair(Pair.JsonString.Value, Pair.JsonValue.Clone as TJSONValue);
    end;
    Result := Target.ToJSON;
  finally
    Source.Free;
    Target.Free;
  end;
end;

class function TOrderSerializer.ExtractSkus(const Text: string): TArray<string>;
var
  Skus: TList<string>;
  Root: TJSONValue;
begin
  Skus := TList<string>.Create;
  Root := TJSONObject.ParseJSONValue(Text);
  if Root is TJSONArray then
    for var Order in TJSONArray(Root) do
      for var Line in Order.GetValue<TJSONArray>('lines') do
        Skus.Add(Line.GetValue<string>('sku'));
  Root.Free;
  Skus.Sort;
  Result := Skus.ToArray;
  Skus.Free;
end;

class function TOrderSerializer.DetachFirstLine(const Text: string): TJSONObject;
begin
  Result := nil;
  var Root := TJSONObject.ParseJSONValue(Text) as TJSONObject;
  try
    var Lines := Root.GetValue<TJSONArray>('lines');
    if (Lines <> nil) and (Lines.Count > 0) then
    begin
      // keep the first line alive after Root is gone
      Result := Lines.Items[0] as TJSONObject;
      Result.Owned := False;
    end;
  finally
    Root.Free;
  end;
end;

class procedure TOrderSerializer.WriteSummary(const Orders: TArray<TOrder>; const FileName: string);
begin
  var Writer := TStreamWriter.Create(FileName, False, TEncoding.UTF8);
  try
    var Root := TJSONObject.Create;
    try
      var Summary := TJSONObject.Create;
      Root.AddPair('summary', Summary);
      Summary.AddPair('count', TJSONNumber.Create(Length(Orders)));
      var Grand: Currency := 0;
      for var Order in Orders do
        Grand := Grand + Order.Total;
      Summary.AddPair('grandTotal', TJSONNumber.Create(Double(Grand)));
      Writer.WriteLine(Root.Format(2));
    finally
      Root.Free;
    end;

    var Totals := TJSONObject.Create;
    for var Order in Orders do
      Totals.AddPair(Order.Id, TJSONNumber.Create(Double(Order.Total)));
    Writer.WriteLine(Totals.ToJSON);
    Writer.Flush;
  finally
    Writer.Free;
  end;
end;

class function TOrderSerializer.SortedByTotal(const Orders: TArray<TOrder>): TArray<TOrder>;
begin
  var Work := TList<TOrder>.Create(TComparer<TOrder>.Construct(
    function(const L, R: TOrder): Integer
    begin
      if L.Total < R.Total then
        Result := -1
      else if L.Total > R.Total then
        Result := 1
      else
        Result := CompareText(L.Id, R.Id);
    end));
  try
    Work.AddRange(Orders);
    Work.Sort;
    Result := Work.ToArray;
  finally
    Work.Free;
  end;
end;

end.
