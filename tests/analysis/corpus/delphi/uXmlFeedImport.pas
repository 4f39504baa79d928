unit uXmlFeedImport;

{
  Supplier price feeds (XML) -> staging tables.

  Two parsers live here: the VCL document wrapper used by the import
  wizard and the raw MSXML DOM used by the unattended service, which
  needs XPath with namespaces.
}

interface

uses
  Winapi.ActiveX, Winapi.msxml, System.SysUtils, System.Classes, System.Variants,
  System.Generics.Collections, System.IOUtils, Xml.XMLIntf, Xml.XMLDoc, Xml.xmldom;

type
  TFeedItem = record
    Sku: string;
    Price: Currency;
    Stock: Integer;
  end;

  IFeedSink = interface
    ['{7C1A4B52-0F61-4E1C-9D3B-1E4F1D6A2C10}']
    procedure Put(const AItem: TFeedItem);
    procedure Flush;
  end;

  FeedFilter = interface
    ['{0B7C9E0A-3C2E-4D49-8A0E-5A6F4C1B2D33}']
    function Accept(const AItem: TFeedItem): Boolean;
  end;

  TFileFeedSink = class(TInterfacedObject, IFeedSink)
  private
    FLines: TStringList;
    FFileName: string;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Put(const AItem: TFeedItem);
    procedure Flush;
  end;

  TInStockFilter = class(TInterfacedObject, FeedFilter)
    function Accept(const AItem: TFeedItem): Boolean;
  end;

  TFeedImporter = class(TComponent)
  private
    FTemplate: TXMLDocument;
    FItems: TList<TFeedItem>;
    function ReadItem(const ANode: IXMLNode): TFeedItem;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure LoadFile(const AFileName: string);
    function LoadWithXPath(const AFileName: string): Integer;
    function ToXml: string;
    procedure WriteTo(const AFileName: string);
    procedure WriteReport(const AFileName: string);
    function CountSkus(const AText: string): Integer;
    procedure Pump(const AFileName: string);
    property Items: TList<TFeedItem> read FItems;
  end;

implementation

{ TFileFeedSink }

constructor TFileFeedSink.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
  FLines := TStringList.Create;
end;

destructor TFileFeedSink.Destroy;
begin
  Flush;
  FLines.Free;
  inherited Destroy;
end;

procedure TFileFeedSink.Put(const AItem: TFeedItem);
begin
  FLines.Add(Format('%s;%s;%d', [AItem.Sku, CurrToStr(AItem.Price), AItem.Stock]));
end;

procedure TFileFeedSink.Flush;
begin
  if FLines.Count > 0 then
    FLines.SaveToFile(FFileName);
end;

{ TInStockFilter }

function TInStockFilter.Accept(const AItem: TFeedItem): Boolean;
begin
  Result := AItem.Stock > 0;
end;

{ TFeedImporter }

constructor TFeedImporter.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  FTemplate := TXMLDocument.Create(Self);
  FItems := TList<TFeedItem>.Create;
end;

destructor TFeedImporter.Destroy;
begin
  FItems.Free;
  inherited Destroy;
end;

function TFeedImporter.ReadItem(const ANode: IXMLNode): TFeedItem;
begin
  Result.Sku := ANode.Attributes['sku'];
  Result.Price := StrToCurrDef(VarToStr(ANode.ChildValues['price']), 0);
  Result.Stock := StrToIntDef(VarToStr(ANode.ChildValues['stock']), 0);
end;

procedure TFeedImporter.LoadFile(const AFileName: string);
var
  Doc: IXMLDocument;
  Root, Node: IXMLNode;
  I: Integer;
begin
  Doc := TXMLDocument.Create(nil);
  Doc.LoadFromFile(AFileName);
  Doc.Active := True;
  Root := Doc.DocumentElement;
  FItems.Clear;
  for I := 0 to Root.ChildNodes.Count - 1 do
  begin
    Node := Root.ChildNodes[I];
    if Node.NodeName = 'item' then
      FItems.Add(ReadItem(Node));
  end;
end;

function TFeedImporter.LoadWithXPath(const AFileName: string): Integer;
var
  Dom: IXMLDOMDocument2;
  Nodes: IXMLDOMNodeList;
  Item: TFeedItem;
  I: Integer;
begin
  CoInitialize(nil);
  try
    Dom := CoDOMDocument60.Create;
    Dom.async := False;
    Dom.setProperty('SelectionNamespaces', 'xmlns:f="urn:supplier:feed:v2"');
    if not Dom.load(AFileName) then
      raise EXMLDocError.CreateFmt('%s: %s', [AFileName, Dom.parseError.reason]);
    Nodes := Dom.selectNodes('//f:item[@status!=''discontinued'']');
    for I := 0 to Nodes.length - 1 do
    begin
      Item.Sku := Nodes.item[I].attributes.getNamedItem('sku').text;
      Item.Price := StrToCurrDef(Nodes.item[I].selectSingleNode('f:price').text, 0);
      Item.Stock := StrToIntDef(Nodes.item[I].selectSingleNode('f:stock').text, 0);
      FItems.Add(Item);
    end;
    Result := Nodes.length;
    Nodes := nil;
    Dom := nil;
  finally
    CoUninitialize;
  end;
end;

function TFeedImporter.ToXml: string;
var
  Item: TFeedItem;
  Node: IXMLNode;
begin
  var Doc: IXMLDocument := TXMLDocument.Create(nil);
  Doc.Active := True;
  Doc.Version := '1.0';
  Doc.Encoding := 'UTF-8';
  Doc.DocumentElement := Doc.CreateNode('feed');
  for Item in FItems do
  begin
    Node := Doc.DocumentElement.AddChild('item');
    Node.Attributes['sku'] := Item.Sku;
    Node.AddChild('price').Text := CurrToStr(Item.Price);
    Node.AddChild('stock').Text := IntToStr(Item.Stock);
  end;
  Doc.SaveToXML(Result);
end;

procedure TFeedImporter.WriteTo(const AFileName: string);
var
  Buf: TStringStream;
begin
  Buf := TStringStream.Create('', TEncoding.UTF8);
  Buf.WriteString('<?xml version="1.0" encoding="UTF-8"?>'#13#10);
  Buf.WriteString(ToXml);
  { Buf.Free; the stream is kept for the retry below }
  TFile.WriteAllText(AFileName, Buf.DataString, TEncoding.UTF8);
end;

procedure TFeedImporter.WriteReport(const AFileName: string);
var
  Log: TStringList;
  Item: TFeedItem;
  Missing: Integer;
begin
  Log := TStringList.Create;
  Missing := 0;
  for Item in FItems do
    if Item.Stock = 0 then
    begin
      Inc(Missing);
      Log.Add(Item.Sku + ' out of stock');
    end;
  Log.Insert(0, Format('%d of %d items out of stock', [Missing, FItems.Count]));
  Log.SaveToFile(AFileName);
  Log.Free;
end;

function TFeedImporter.CountSkus(const AText: string): Integer;
var
  Seen: TDictionary<string, Integer>;
  Item: TFeedItem;
begin
  var Doc := TXMLDocument.Create(nil) as IXMLDocument;
  Doc.LoadFromXML(AText);
  Seen := TDictionary<string, Integer>.Create;
  try
    for Item in FItems do
      Seen.AddOrSetValue(Item.Sku, 0);
    Result := Seen.Count + Doc.DocumentElement.ChildNodes.Count;
  finally
    Seen.Free;
  end;
end;

procedure TFeedImporter.Pump(const AFileName: string);
var
  Sink: IFeedSink;
  Filter: FeedFilter;
  Item: TFeedItem;
  Template: TXMLDocument;
begin
  Sink := TFileFeedSink.Create(AFileName);
  Filter := TInStockFilter.Create;
  Template := TXMLDocument.Create(Self);
  Template.XML.Text := '<feed/>';
  try
    for Item in FItems do
      if Filter.Accept(Item) then
        Sink.Put(Item);
    Sink.Flush;
  except
    on E: Exception do
      raise EXMLDocError.CreateFmt('Pump to %s failed: %s', [AFileName, E.Message]);
  end;
end;

end.
