{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbPersist.pas - column collection with custom streaming of binary
  properties, and helpers to store components as text

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbPersist;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  SysUtils, Classes, TypInfo;

type
  TNbColumnAlign = (caLeft, caCenter, caRight);

  TNbColumnLayout = class(TPersistent)
  private
    FWidth: Integer;
    FAlign: TNbColumnAlign;
    FOnChange: TNotifyEvent;
    procedure SetWidth(const Value: Integer);
    procedure SetAlign(const Value: TNbColumnAlign);
  protected
    procedure AssignTo(Dest: TPersistent); override;
    procedure Changed;
  public
    property OnChange: TNotifyEvent read FOnChange write FOnChange;
  published
    property Width: Integer read FWidth write SetWidth default 64;
    property Align: TNbColumnAlign read FAlign write SetAlign default caLeft;
  end;

  TNbColumn = class(TCollectionItem)
  private
    FTitle: string;
    FFieldName: string;
    FLayout: TNbColumnLayout;
    FIcon: TMemoryStream;
    FTag: Integer;
    procedure SetTitle(const Value: string);
    procedure SetLayout(const Value: TNbColumnLayout);
    procedure LayoutChanged(Sender: TObject);
    procedure ReadIcon(Stream: TStream);
    procedure WriteIcon(Stream: TStream);
    procedure ReadLegacyWidth(Reader: TReader);
  protected
    procedure DefineProperties(Filer: TFiler); override;
    function GetDisplayName: string; override;
  public
    constructor Create(Collection: TCollection); override;
    destructor Destroy; override;
    procedure Assign(Source: TPersistent); override;
    procedure LoadIcon(const AFileName: string);
  published
    property FieldName: string read FFieldName write FFieldName;
    property Layout: TNbColumnLayout read FLayout write SetLayout;
    property Tag: Integer read FTag write FTag default 0;
    property Title: string read FTitle write SetTitle;
  end;

  TNbColumns = class(TOwnedCollection)
  private
    FUpdateLevel: Integer;
    FOnColumnsChanged: TNotifyEvent;
    function GetItem(Index: Integer): TNbColumn;
    procedure SetItem(Index: Integer; const Value: TNbColumn);
  protected
    procedure Update(Item: TCollectionItem); override;
    procedure Notify(Item: TCollectionItem; Action: TCollectionNotification); override;
  public
    constructor Create(AOwner: TPersistent);
    function Add: TNbColumn;
    function FindByField(const AFieldName: string): TNbColumn;
    procedure Assign(Source: TPersistent); override;
    property Items[Index: Integer]: TNbColumn read GetItem write SetItem; default;
    property OnColumnsChanged: TNotifyEvent read FOnColumnsChanged write FOnColumnsChanged;
  end;

  TNbComponentText = class
  public
    class function ToText(AComponent: TComponent): string; static;
    class procedure FromText(const AText: string; AComponent: TComponent); static;
    class function PropertyList(AInstance: TPersistent): string; static;
  end;

implementation

{$REGION 'TNbColumnLayout'}

procedure TNbColumnLayout.AssignTo(Dest: TPersistent);
begin
  if Dest is TNbColumnLayout then
    with TNbColumnLayout(Dest) do
    begin
      FWidth := Self.FWidth;
      FAlign := Self.FAlign;
      Changed;
    end
  else
    inherited AssignTo(Dest);
end;

procedure TNbColumnLayout.Changed;
begin
  if Assigned(FOnChange) then
    FOnChange(Self);
end;

procedure TNbColumnLayout.SetAlign(const Value: TNbColumnAlign);
begin
  if FAlign <> Value then
  begin
    FAlign := Value;
    Changed;
  end;
end;

procedure TNbColumnLayout.SetWidth(const Value: Integer);
begin
  if (FWidth <> Value) and (Value >= 0) then
  begin
    FWidth := Value;
    Changed;
  end;
end;

{$ENDREGION}

{$REGION 'TNbColumn'}

constructor TNbColumn.Create(Collection: TCollection);
begin
  FLayout := TNbColumnLayout.Create;
  FLayout.FWidth := 64;
  FLayout.OnChange := LayoutChanged;
  FIcon := TMemoryStream.Create;
  inherited Create(Collection);
  FTitle := 'Column' + IntToStr(Index + 1);
end;

destructor TNbColumn.Destroy;
begin
  {$IFDEF AUTOREFCOUNT}
  FLayout := nil;
  FIcon := nil;
  inherited Destroy;
  {$ELSE}
  FLayout.Free;
  FIcon.Free;
  inherited Destroy;
  {$ENDIF}
end;

procedure TNbColumn.Assign(Source: TPersistent);
begin
  inherited Assign(Source);
  if Source is TNbColumn then
  begin
    FTitle := TNbColumn(Source).Title;
    FFieldName := TNbColumn(Source).FieldName;
    FTag := TNbColumn(Source).Tag;
    FLayout.Assign(TNbColumn(Source).Layout);
    FIcon.LoadFromStream(TNbColumn(Source).FIcon);
    Changed(False);
  end;
end;

procedure TNbColumn.DefineProperties(Filer: TFiler);

  function HasIcon: Boolean;
  begin
    if Filer.Ancestor <> nil then
      Result := FIcon.Size <> TNbColumn(Filer.Ancestor).FIcon.Size
    else
      Result := FIcon.Size > 0;
  end;

begin
  inherited DefineProperties(Filer);
  Filer.DefineBinaryProperty('IconData', ReadIcon, WriteIcon, HasIcon);
  Filer.DefineProperty('ColWidth', ReadLegacyWidth, nil, False);
end;

procedure TNbColumn.ReadIcon(Stream: TStream);
begin
  FIcon.Clear;
  FIcon.CopyFrom(Stream, Stream.Size - Stream.Position);
  FIcon.Position := 0;
end;

procedure TNbColumn.WriteIcon(Stream: TStream);
begin
  FIcon.Position := 0;
  Stream.CopyFrom(FIcon, FIcon.Size);
end;

procedure TNbColumn.ReadLegacyWidth(Reader: TReader);
begin
  FLayout.Width := Reader.ReadInteger;
end;

function TNbColumn.GetDisplayName: string;
begin
  if FTitle <> '' then
    Result := FTitle
  else
    Result := inherited GetDisplayName;
end;

procedure TNbColumn.LayoutChanged(Sender: TObject);
begin
  Changed(False);
end;

procedure TNbColumn.SetLayout(const Value: TNbColumnLayout);
begin
  FLayout.Assign(Value);
end;

procedure TNbColumn.SetTitle(const Value: string);
begin
  if FTitle <> Value then
  begin
    FTitle := Value;
    Changed(False);
  end;
end;

procedure TNbColumn.LoadIcon(const AFileName: string);
var
  Source: TFileStream;
begin
  Source := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
  try
    FIcon.Clear;
    FIcon.CopyFrom(Source, 0);
    FIcon.Position := 0;
  finally
    Source.Free;
  end;
  Changed(False);
end;

{$ENDREGION}

{$REGION 'TNbColumns'}

constructor TNbColumns.Create(AOwner: TPersistent);
begin
  inherited Create(AOwner, TNbColumn);
end;

function TNbColumns.Add: TNbColumn;
begin
  Result := TNbColumn(inherited Add);
end;

procedure TNbColumns.Assign(Source: TPersistent);
begin
  Inc(FUpdateLevel);
  BeginUpdate;
  try
    inherited Assign(Source);
  finally
    EndUpdate;
    Dec(FUpdateLevel);
  end;
end;

function TNbColumns.FindByField(const AFieldName: string): TNbColumn;
var
  I: Integer;
begin
  for I := 0 to Count - 1 do
    if SameText(Items[I].FieldName, AFieldName) then
      Exit(Items[I]);
  Result := nil;
end;

function TNbColumns.GetItem(Index: Integer): TNbColumn;
begin
  Result := TNbColumn(inherited GetItem(Index));
end;

procedure TNbColumns.SetItem(Index: Integer; const Value: TNbColumn);
begin
  inherited SetItem(Index, Value);
end;

procedure TNbColumns.Notify(Item: TCollectionItem; Action: TCollectionNotification);
begin
  inherited Notify(Item, Action);
  if (Action = cnAdded) and (FUpdateLevel = 0) then
    TNbColumn(Item).Tag := Count;
end;

procedure TNbColumns.Update(Item: TCollectionItem);
begin
  inherited Update(Item);
  if (UpdateCount = 0) and Assigned(FOnColumnsChanged) then
    FOnColumnsChanged(Self);
end;

{$ENDREGION}

{$REGION 'TNbComponentText'}

class function TNbComponentText.ToText(AComponent: TComponent): string;
var
  Binary: TMemoryStream;
  Text: TStringStream;
begin
  Binary := TMemoryStream.Create;
  try
    Binary.WriteComponent(AComponent);
    Binary.Position := 0;
    Text := TStringStream.Create(''{$IFDEF UNICODE}, TEncoding.UTF8{$ENDIF});
    try
      ObjectBinaryToText(Binary, Text);
      Result := Text.DataString;
    finally
      Text.Free;
    end;
  finally
    Binary.Free;
  end;
end;

class procedure TNbComponentText.FromText(const AText: string; AComponent: TComponent);
var
  Text: TStringStream;
  Binary: TMemoryStream;
begin
  Text := TStringStream.Create(AText{$IFDEF UNICODE}, TEncoding.UTF8{$ENDIF});
  try
    Binary := TMemoryStream.Create;
    ObjectTextToBinary(Text, Binary);
    Binary.Position := 0;
    Binary.ReadComponent(AComponent);
    Binary.Free;
  finally
    Text.Free;
  end;
end;

class function TNbComponentText.PropertyList(AInstance: TPersistent): string;
var
  Count, I: Integer;
  Props: PPropList;
begin
  Result := '';
  Count := GetPropList(AInstance.ClassInfo, tkProperties, nil);
  if Count = 0 then
    Exit;
  GetMem(Props, Count * SizeOf(PPropInfo));
  try
    GetPropList(AInstance.ClassInfo, tkProperties, Props);
    for I := 0 to Count - 1 do
    begin
      if Result <> '' then
        Result := Result + ',';
      Result := Result + string(Props^[I]^.Name);
    end;
  finally
    FreeMem(Props);
  end;
end;

{$ENDREGION}

end.
