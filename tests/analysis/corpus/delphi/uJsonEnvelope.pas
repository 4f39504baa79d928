unit uJsonEnvelope;

// Request/response envelopes for the warehouse gateway.
// Every public routine takes plain records and returns JSON text, so no
// JSON object ever escapes this unit.

interface

uses
  System.SysUtils, System.Classes, System.JSON, System.JSON.Writers,
  System.JSON.Types, System.IOUtils, System.Generics.Collections;

type
  TOrderLine = record
    Sku: string;
    Qty: Integer;
    Price: Currency;
  end;

  TOrderRec = record
    Id: Int64;
    Customer: string;
    Urgent: Boolean;
    Lines: TArray<TOrderLine>;
  end;

  EEnvelopeError = class(Exception);

function BuildOrderJson(const AOrder: TOrderRec): string;
function ParseOrder(const AText: string): TOrderRec;
function StatusPayload(ACode: Integer; const AMsg: string): string;
function MergeHeaders(const ABase, AExtra: string): string;
procedure SaveSnapshot(const AFile: string; const AOrders: TArray<TOrderRec>);
function StreamOrders(const AOrders: TArray<TOrderRec>): string;
function ErrorEnvelope(const AErrors: TStrings): TJSONObject;
function ExtractSkus(const AText: string): TArray<string>;
function WrapBatch(const ABodies: TArray<string>): string;

implementation

function LineToJson(const ALine: TOrderLine): TJSONObject;
begin
  Result := TJSONObject.Create;
  Result.AddPair('sku', ALine.Sku);
  Result.AddPair('qty', TJSONNumber.Create(ALine.Qty));
  Result.AddPair('price', TJSONNumber.Create(Double(ALine.Price)));
end;

function BuildOrderJson(const AOrder: TOrderRec): string;
var
  Obj: TJSONObject;
  Lines: TJSONArray;
  Line: TJSONObject;
  L: TOrderLine;
begin
  Obj := TJSONObject.Create;
  try
    Obj.AddPair('id', TJSONNumber.Create(AOrder.Id));
    Obj.AddPair('customer', TJSONString.Create(AOrder.Customer));
    if AOrder.Urgent then
      Obj.AddPair('urgent', TJSONTrue.Create)
    else
      Obj.AddPair('urgent', TJSONFalse.Create);
    Lines := TJSONArray.Create;
    Obj.AddPair('lines', Lines);
    for L in AOrder.Lines do
    begin
      Line := TJSONObject.Create;
      Line.AddPair('sku', L.Sku);
      Line.AddPair('qty', TJSONNumber.Create(L.Qty));
      Lines.AddElement(Line);
    end;
    Result := Obj.ToJSON;
  finally
    Obj.Free;
  end;
end;

function ParseOrder(const AText: string): TOrderRec;
var
  V: TJSONValue;
  Arr: TJSONArray;
  Item: TJSONValue;
  Line: TOrderLine;
  Lines: TList<TOrderLine>;
begin
  V := TJSONObject.ParseJSONValue(AText);
  if not (V is TJSONObject) then
  begin
    V.Free;
    raise EEnvelopeError.Create('Order envelope is not an object');
  end;
  Lines := TList<TOrderLine>.Create;
  try
    Result.Id := TJSONObject(V).GetValue<Int64>('id');
    Result.Customer := TJSONObject(V).GetValue<string>('customer', '');
    Result.Urgent := TJSONObject(V).GetValue<Boolean>('urgent', False);
    Arr := TJSONObject(V).GetValue<TJSONArray>('lines');
    for Item in Arr do
    begin
      Line.Sku := Item.GetValue<string>('sku');
      Line.Qty := Item.GetValue<Integer>('qty');
      Line.Price := Item.GetValue<Double>('price', 0);
      Lines.Add(Line);
    end;
    Result.Lines := Lines.ToArray;
  finally
    Lines.Free;
    V.Free;
  end;
end;

function StatusPayload(ACode: Integer; const AMsg: string): string;
var
  Obj: TJSONObject;
begin
  Obj := TJSONObject.Create;
  Obj.AddPair('code', TJSONNumber.Create(ACode));
  Obj.AddPair('message', AMsg);
  Obj.AddPair('at', DateToISO8601(Now, False));
  Result := Obj.ToString;
end;

function MergeHeaders(const ABase, AExtra: string): string;
var
  Base, Extra: TJSONObject;
  Pair: TJSONPair;
  Copy: TJSONObject;
begin
  Base := TJSONObject.ParseJSONValue(ABase) as TJSONObject;
  try
    Extra := TJSONObject.ParseJSONValue(AExtra) as TJSONObject;
    try
      Copy := TJSONObject(Base.Clone);
      try
        for Pair in Extra do
        begin
          Copy.RemovePair(Pair.JsonString.Value).Free;
          Copy.AddPair(TJSONPair(Pair.Clone));
        end;
        Result := Copy.ToJSON;
      finally
        Copy.Free;
      end;
    finally
      Extra.Free;
    end;
  finally
    Base.Free;
  end;
end;

procedure SaveSnapshot(const AFile: string; const AOrders: TArray<TOrderRec>);
var
  Snap: TJSONObject;
  Items: TJSONArray;
  Order: TOrderRec;
begin
  Snap := TJSONObject.Create;
  Items := TJSONArray.Create;
  Snap.AddPair('takenAt', DateToISO8601(Now));
  Snap.AddPair('orders', Items);
  for Order in AOrders do
    Items.Add(TJSONObject.ParseJSONValue(BuildOrderJson(Order)) as TJSONObject);
  TFile.WriteAllText(AFile, Snap.Format(2), TEncoding.UTF8);
  Snap.Free;
end;

function StreamOrders(const AOrders: TArray<TOrderRec>): string;
var
  SW: TStringWriter;
  JW: TJsonTextWriter;
  Order: TOrderRec;
  L: TOrderLine;
begin
  SW := TStringWriter.Create;
  JW := TJsonTextWriter.Create(SW);
  try
    JW.Formatting := TJsonFormatting.Indented;
    JW.WriteStartArray;
    for Order in AOrders do
    begin
      JW.WriteStartObject;
      JW.WritePropertyName('id');
      JW.WriteValue(Order.Id);
      JW.WritePropertyName('lines');
      JW.WriteStartArray;
      for L in Order.Lines do
      begin
        JW.WriteStartObject;
        JW.WritePropertyName('sku');
        JW.WriteValue(L.Sku);
        JW.WriteEndObject;
      end;
      JW.WriteEndArray;
      JW.WriteEndObject;
    end;
    JW.WriteEndArray;
    Result := SW.ToString;
  finally
    JW.Free;
    SW.Free;
  end;
end;

function ErrorEnvelope(const AErrors: TStrings): TJSONObject;
var
  Env: TJSONObject;
  List: TJSONArray;
  Msg: TJSONString;
  I: Integer;
begin
  Env := TJSONObject.Create;
  try
    List := TJSONArray.Create;
    for I := 0 to AErrors.Count - 1 do
    begin
      Msg := TJSONString.Create(AErrors[I]);
      List.AddElement(Msg);
    end;
    Env.AddPair(TJSONPair.Create('errors', List));
    Env.AddPair('count', TJSONNumber.Create(AErrors.Count));
  except
    Env.Free;
    raise;
  end;
  Exit(Env);
end;

function ExtractSkus(const AText: string): TArray<string>;
var
  Root: TJSONValue;
  Skus: TList<string>;
  Tmp: TJSONObject;
  Item: TJSONValue;
begin
  Root := TJSONObject.ParseJSONValue(AText, False, True);
  try
    Skus := TList<string>.Create;
    try
      for Item in Root.GetValue<TJSONArray>('lines') do
        Skus.Add(Item.GetValue<string>('sku'));
      Tmp := TJSONObject.Create;
      Tmp.AddPair('count', TJSONNumber.Create(Skus.Count));
      Result := Skus.ToArray;
    finally
      Skus.Free;
    end;
  finally
    Root.Free;
  end;
end;

function WrapBatch(const ABodies: TArray<string>): string;
var
  Batch: TJSONObject;
  Parts: TJSONArray;
  Body: string;
  Part: TJSONValue;
begin
  var Root := TJSONObject.Create;
  try
    Batch := TJSONObject.Create;
    Root.AddPair('batch', Batch);
    Parts := TJSONArray.Create;
    Batch.AddPair('parts', Parts);
    for Body in ABodies do
    begin
      Part := TJSONObject.ParseJSONValue(Body);
      if Part = nil then
        Part := TJSONString.Create(Body);
      Parts.AddElement(Part);
    end;
    Batch.AddPair('size', TJSONNumber.Create(Length(ABodies)));
    Result := Root.ToJSON([TJSONAncestor.TJSONOutputOption.EncodeBeforeWrite]);
  finally
    Root.Free;
  end;
end;

end.
