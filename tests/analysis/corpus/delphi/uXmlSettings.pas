unit uXmlSettings;

{ Reads and writes the station settings file (settings.xml). The document is
  reference counted: a TXMLDocument created without owner frees itself when
  the last IXMLDocument reference goes. }

interface

uses
  System.SysUtils, System.Classes, System.Variants, Xml.XMLIntf, Xml.XMLDoc, Xml.xmldom;

type
  TStationSettings = class
  private
    FStationId: string;
    FPrinters: TStringList;
    FScaleComPort: Integer;
  public
    constructor Create;
    destructor Destroy; override;
    procedure LoadFromFile(const AFileName: string);
    procedure SaveToFile(const AFileName: string);
    property StationId: string read FStationId write FStationId;
    property Printers: TStringList read FPrinters;
    property ScaleComPort: Integer read FScaleComPort write FScaleComPort;
  end;

implementation

constructor TStationSettings.Create;
begin
  inherited Create;
  FPrinters := TStringList.Create;
end;

destructor TStationSettings.Destroy;
begin
  FPrinters.Free;
  inherited;
end;

procedure TStationSettings.LoadFromFile(const AFileName: string);
var
  Doc: IXMLDocument;
  Root, Node: IXMLNode;
  I: Integer;
begin
  Doc := TXMLDocument.Create(nil);
  Doc.LoadFromFile(AFileName);
  Root := Doc.DocumentElement;
  if (Root = nil) or (Root.NodeName <> 'station') then
    raise EDOMParseError.CreateFmt('%s is no station settings file', [AFileName]);
  FStationId := VarToStr(Root.Attributes['id']);
  FScaleComPort := StrToIntDef(VarToStr(Root.ChildValues['scale']), 0);
  FPrinters.Clear;
  Node := Root.ChildNodes.FindNode('printers');
  if Node <> nil then
    for I := 0 to Node.ChildNodes.Count - 1 do
      FPrinters.Add(Node.ChildNodes[I].Text);
end;

procedure TStationSettings.SaveToFile(const AFileName: string);
var
  Doc: IXMLDocument;
  Root, Printers: IXMLNode;
  Printer: string;
  Backup: string;
begin
  Doc := TXMLDocument.Create(nil);
  Doc.Active := True;
  Doc.Encoding := 'UTF-8';
  Doc.Options := Doc.Options + [doNodeAutoIndent];
  Root := Doc.AddChild('station');
  Root.Attributes['id'] := FStationId;
  Root.AddChild('scale').Text := IntToStr(FScaleComPort);
  Printers := Root.AddChild('printers');
  for Printer in FPrinters do
    Printers.AddChild('printer').Text := Printer;
  Backup := ChangeFileExt(AFileName, '.bak');
  if FileExists(AFileName) then
    RenameFile(AFileName, Backup);
  try
    Doc.SaveToFile(AFileName);
  except
    if FileExists(Backup) then
      RenameFile(Backup, AFileName);
    raise;
  end;
end;

end.
