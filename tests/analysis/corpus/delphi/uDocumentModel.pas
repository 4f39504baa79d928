unit uDocumentModel;

interface

uses
  System.SysUtils, System.Classes, System.Contnrs, System.Generics.Collections,
  Xml.XMLIntf, Xml.XMLDoc, Xml.xmldom;

type
  TDocNode = class;
  TDocNodeClass = class of TDocNode;

  TDocAttribute = class
  public
    Name: string;
    Value: string;
    constructor Create(const AName, AValue: string);
  end;

  TDocNode = class
  private
    FParent: TDocNode;
    FChildren: TObjectList;
    FAttributes: TObjectList<TDocAttribute>;
    FOnDestroy: TNotifyEvent;
    function GetChild(Index: Integer): TDocNode;
    function GetChildCount: Integer;
  public
    constructor Create(AParent: TDocNode); virtual;
    destructor Destroy; override;
    function AddChild(AClass: TDocNodeClass): TDocNode;
    procedure SetAttr(const AName, AValue: string);
    function Clone(AParent: TDocNode): TDocNode; virtual;
    property Parent: TDocNode read FParent;
    property Children[Index: Integer]: TDocNode read GetChild; default;
    property ChildCount: Integer read GetChildCount;
    property OnDestroy: TNotifyEvent read FOnDestroy write FOnDestroy;
  end;

  TDocStyle = class(TPersistent)
  public
    FontName: string;
    FontSize: Integer;
  end;

  TDocElement = class(TDocNode)
  private
    FTag: string;
    FStyle: TDocStyle;
  public
    constructor Create(AParent: TDocNode); override;
    destructor Destroy; override;
    property Tag: string read FTag write FTag;
    property Style: TDocStyle read FStyle;
  end;

  TDocText = class(TDocNode)
  private
    FText: TStringBuilder;
  public
    constructor Create(AParent: TDocNode); override;
    destructor Destroy; override;
    procedure Append(const S: string);
    function Text: string;
  end;

  TDocument = class
  private
    FRoot: TDocElement;
    FUndo: TObjectStack<TDocNode>;
    FFileName: string;
    FModified: Boolean;
    procedure ClearUndo;
  public
    constructor Create;
    destructor Destroy; override;
    procedure LoadFromXml(const AFileName: string);
    procedure SaveToXml(const AFileName: string);
    procedure Snapshot;
    property Root: TDocElement read FRoot;
    property Modified: Boolean read FModified;
  end;

  TDocWriter = class
  private
    FStream: TStream;
    FOwnsStream: Boolean;
    FIndent: Integer;
    procedure WriteLine(const S: string);
    procedure WriteNode(ANode: TDocNode);
  public
    constructor Create(AStream: TStream; AOwnsStream: Boolean = False);
    destructor Destroy; override;
    procedure Write(ADocument: TDocument);
  end;

  TDocIndex = class
  private
    FByTag: TObjectDictionary<string, TList<TDocNode>>;
    procedure IndexNode(ANode: TDocNode);
  public
    constructor Create(ADocument: TDocument);
    destructor Destroy; override;
  end;

implementation

{ TDocAttribute }

constructor TDocAttribute.Create(const AName, AValue: string);
begin
  Name := AName;
  Value := AValue;
end;

{ TDocNode }

constructor TDocNode.Create(AParent: TDocNode);
begin
  inherited Create;
  FParent := AParent;
  FChildren := TObjectList.Create(True);
  FAttributes := TObjectList<TDocAttribute>.Create;
end;

destructor TDocNode.Destroy;
begin
  if Assigned(FOnDestroy) then
    FOnDestroy(Self);
  FAttributes.Free;
  FChildren.Free;
  inherited Destroy; { the children went first }
end;

function TDocNode.GetChild(Index: Integer): TDocNode;
begin
  Result := TDocNode(FChildren[Index]);
end;

function TDocNode.GetChildCount: Integer;
begin
  Result := FChildren.Count;
end;

function TDocNode.AddChild(AClass: TDocNodeClass): TDocNode;
begin
  Result := AClass.Create(Self);
  FChildren.Add(Result);
end;

procedure TDocNode.SetAttr(const AName, AValue: string);
var
  Attr: TDocAttribute;
begin
  for Attr in FAttributes do
    if SameText(Attr.Name, AName) then
    begin
      Attr.Value := AValue;
      Exit;
    end;
  Attr := TDocAttribute.Create(AName, AValue);
  FAttributes.Add(Attr);
end;

function TDocNode.Clone(AParent: TDocNode): TDocNode;
var
  I: Integer;
  Attr: TDocAttribute;
begin
  Result := TDocNodeClass(ClassType).Create(AParent);
  for Attr in FAttributes do
    Result.SetAttr(Attr.Name, Attr.Value);
  for I := 0 to ChildCount - 1 do
    Result.FChildren.Add(Children[I].Clone(Result));
end;

{ TDocElement }

constructor TDocElement.Create(AParent: TDocNode);
begin
  inherited Create(AParent);
  FStyle := TDocStyle.Create;
  FStyle.FontName := 'Segoe UI';
  FStyle.FontSize := 10;
end;

destructor TDocElement.Destroy;
begin
  inherited;
  FStyle.Free;
end;

{ TDocText }

constructor TDocText.Create(AParent: TDocNode);
begin
  inherited;
  FText := TStringBuilder.Create;
end;

destructor TDocText.Destroy;
begin
  try
    FText.Free;
  finally
    inherited Destroy;
  end;
end;

procedure TDocText.Append(const S: string);
begin
  FText.Append(S);
end;

function TDocText.Text: string;
begin
  Result := FText.ToString;
end;

{ TDocument }

constructor TDocument.Create;
begin
  inherited Create;
  FRoot := TDocElement.Create(nil);
  FRoot.Tag := 'document';
  FUndo := TObjectStack<TDocNode>.Create(True);
end;

destructor TDocument.Destroy;
begin
  ClearUndo;
  FUndo.Free;
  FRoot.Free;
  inherited Destroy;
end;

procedure TDocument.ClearUndo;
begin
  while FUndo.Count > 0 do
    FUndo.Pop;
end;

procedure TDocument.Snapshot;
begin
  FUndo.Push(FRoot.Clone(nil));
end;

procedure TDocument.LoadFromXml(const AFileName: string);
var
  Xml: IXMLDocument;
  NewRoot: TDocElement;

  procedure Load(AXmlNode: IXMLNode; ADocNode: TDocNode);
  var
    I: Integer;
    Child: TDocNode;
  begin
    for I := 0 to AXmlNode.AttributeNodes.Count - 1 do
      ADocNode.SetAttr(AXmlNode.AttributeNodes[I].NodeName,
        AXmlNode.AttributeNodes[I].Text);
    for I := 0 to AXmlNode.ChildNodes.Count - 1 do
      if AXmlNode.ChildNodes[I].NodeType = ntElement then
      begin
        Child := ADocNode.AddChild(TDocElement);
        TDocElement(Child).Tag := AXmlNode.ChildNodes[I].NodeName;
        Load(AXmlNode.ChildNodes[I], Child);
      end
      else if AXmlNode.ChildNodes[I].NodeType = ntText then
        TDocText(ADocNode.AddChild(TDocText)).Append(AXmlNode.ChildNodes[I].Text);
  end;

begin
  Xml := TXMLDocument.Create(nil);
  Xml.LoadFromFile(AFileName);
  NewRoot := TDocElement.Create(nil);
  try
    NewRoot.Tag := Xml.DocumentElement.NodeName;
    Load(Xml.DocumentElement, NewRoot);
  except
    NewRoot.Free;
    raise;
  end;
  FRoot.Free;
  FRoot := NewRoot;
  FFileName := AFileName;
  FModified := False;
end;

procedure TDocument.SaveToXml(const AFileName: string);
var
  Stream: TFileStream;
  Writer: TDocWriter;
begin
  Stream := TFileStream.Create(AFileName, fmCreate);
  Writer := TDocWriter.Create(Stream, True);
  try
    Writer.Write(Self);
  finally
    Writer.Free;
  end;
  FFileName := AFileName;
  FModified := False;
end;

{ TDocWriter }

constructor TDocWriter.Create(AStream: TStream; AOwnsStream: Boolean);
begin
  inherited Create;
  FStream := AStream;
  FOwnsStream := AOwnsStream;
end;

destructor TDocWriter.Destroy;
begin
  if FOwnsStream then
    FStream.Free;
  FStream := nil;
end;

procedure TDocWriter.WriteLine(const S: string);
var
  Bytes: TBytes;
begin
  Bytes := TEncoding.UTF8.GetBytes(StringOfChar(' ', FIndent * 2) + S + sLineBreak);
  if Length(Bytes) > 0 then
    FStream.WriteBuffer(Bytes[0], Length(Bytes));
end;

procedure TDocWriter.WriteNode(ANode: TDocNode);
var
  I: Integer;
begin
  if ANode is TDocText then
  begin
    WriteLine(TDocText(ANode).Text);
    Exit;
  end;
  WriteLine('<' + TDocElement(ANode).Tag + '>');
  Inc(FIndent);
  for I := 0 to ANode.ChildCount - 1 do
    WriteNode(ANode[I]);
  Dec(FIndent);
  WriteLine('</' + TDocElement(ANode).Tag + '>');
end;

procedure TDocWriter.Write(ADocument: TDocument);
begin
  WriteLine('<?xml version="1.0" encoding="UTF-8"?>');
  WriteNode(ADocument.Root);
end;

{ TDocIndex }

constructor TDocIndex.Create(ADocument: TDocument);
begin
  inherited Create;
  FByTag := TObjectDictionary<string, TList<TDocNode>>.Create([doOwnsValues]);
  IndexNode(ADocument.Root);
end;

destructor TDocIndex.Destroy;
begin
  FByTag.Free;
  inherited;
  (* nothing may follow inherited: the instance is gone
     after this line; keep new cleanup above it *)
end;

procedure TDocIndex.IndexNode(ANode: TDocNode);
var
  List: TList<TDocNode>;
  I: Integer;
begin
  if ANode is TDocElement then
  begin
    if not FByTag.TryGetValue(TDocElement(ANode).Tag, List) then
    begin
      List := TList<TDocNode>.Create;
      FByTag.Add(TDocElement(ANode).Tag, List);
    end;
    List.Add(ANode);
  end;
  for I := 0 to ANode.ChildCount - 1 do
    IndexNode(ANode[I]);
end;

end.
