{*******************************************************}
{                                                       }
{       Palette Studio components                       }
{       TSwatchPanel - a grid of colour swatches        }
{                                                       }
{       Copyright (c) 2009-2021 the Palette team        }
{                                                       }
{*******************************************************}

unit SwatchPanel;

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, ImgList, Menus;

type
  TSwatchShape = (ssSquare, ssRounded, ssCircle);

  TSwatchClickEvent = procedure(Sender: TObject; AIndex: Integer; AColor: TColor) of object;

  TSwatchPanel = class(TCustomControl)
  private
    FColors: TList;
    FNames: TStringList;
    FTitleFont: TFont;
    FBorderPen: TPen;
    FImages: TCustomImageList;
    FImageLink: TChangeLink;
    FSwatchPopup: TPopupMenu;
    FSwatchSize: Integer;
    FSpacing: Integer;
    FShape: TSwatchShape;
    FSelected: Integer;
    FHot: Integer;
    FBackBuffer: TBitmap;
    FLoadedPalette: Boolean;
    FOnSwatchClick: TSwatchClickEvent;
    procedure SetTitleFont(const Value: TFont);
    procedure SetBorderPen(const Value: TPen);
    procedure SetImages(const Value: TCustomImageList);
    procedure SetSwatchSize(const Value: Integer);
    procedure SetSpacing(const Value: Integer);
    procedure SetShape(const Value: TSwatchShape);
    procedure SetSelected(const Value: Integer);
    procedure StyleChanged(Sender: TObject);
    procedure ImagesChanged(Sender: TObject);
    procedure ReadColors(Stream: TStream);
    procedure WriteColors(Stream: TStream);
    procedure ReadNames(Reader: TReader);
    procedure WriteNames(Writer: TWriter);
    function GetColorCount: Integer;
    function GetSwatchColor(Index: Integer): TColor;
    procedure CMMouseLeave(var Message: TMessage); message CM_MOUSELEAVE;
  protected
    procedure DefineProperties(Filer: TFiler); override;
    procedure Loaded; override;
    procedure Notification(AComponent: TComponent; Operation: TOperation); override;
    procedure Paint; override;
    procedure MouseMove(Shift: TShiftState; X, Y: Integer); override;
    procedure MouseUp(Button: TMouseButton; Shift: TShiftState; X, Y: Integer); override;
    function SwatchRect(AIndex: Integer): TRect;
    function SwatchAt(X, Y: Integer): Integer;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure AddColor(AColor: TColor; const AName: string);
    procedure Clear;
    procedure LoadFromFile(const AFileName: string);
    procedure SaveToFile(const AFileName: string);
    function BuildPopup: TPopupMenu;
    property ColorCount: Integer read GetColorCount;
    property SwatchColors[Index: Integer]: TColor read GetSwatchColor;
  published
    property Align;
    property Color;
    property ParentColor;
    property TitleFont: TFont read FTitleFont write SetTitleFont;
    property BorderPen: TPen read FBorderPen write SetBorderPen;
    property Images: TCustomImageList read FImages write SetImages;
    property SwatchSize: Integer read FSwatchSize write SetSwatchSize default 18;
    property Spacing: Integer read FSpacing write SetSpacing default 3;
    property Shape: TSwatchShape read FShape write SetShape default ssSquare;
    property Selected: Integer read FSelected write SetSelected default -1;
    property OnSwatchClick: TSwatchClickEvent read FOnSwatchClick write FOnSwatchClick;
  end;

procedure Register;

implementation

const
  SWATCH_SIGNATURE: Cardinal = $53575431; { 'SWT1' }

procedure Register;
begin
  RegisterComponents('Palette', [TSwatchPanel]);
end;

{ TSwatchPanel }

constructor TSwatchPanel.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  ControlStyle := ControlStyle + [csOpaque, csCaptureMouse];
  FColors := TList.Create;
  FNames := TStringList.Create;
  FTitleFont := TFont.Create;
  FTitleFont.OnChange := StyleChanged;
  FBorderPen := TPen.Create;
  FBorderPen.OnChange := StyleChanged;
  FImageLink := TChangeLink.Create;
  FImageLink.OnChange := ImagesChanged;
  FSwatchPopup := TPopupMenu.Create(Self);
  FBackBuffer := TBitmap.Create;
  FSwatchSize := 18;
  FSpacing := 3;
  FSelected := -1;
  FHot := -1;
  Width := 160;
  Height := 80;
end;

destructor TSwatchPanel.Destroy;
begin
  FImageLink.Free;
  FBackBuffer.Free;
  FBorderPen.Free;
  FTitleFont.Free;
  FNames.Free;
  FColors.Free;
  inherited Destroy;
end;

procedure TSwatchPanel.SetTitleFont(const Value: TFont);
begin
  FTitleFont.Assign(Value);
end;

procedure TSwatchPanel.SetBorderPen(const Value: TPen);
begin
  { the pen is replaced, not copied: designers share one pen between panels }
  if FBorderPen <> Value then
  begin
    FBorderPen.Free;
    FBorderPen := Value;
    if FBorderPen <> nil then
      FBorderPen.OnChange := StyleChanged;
    Invalidate;
  end;
end;

procedure TSwatchPanel.SetImages(const Value: TCustomImageList);
begin
  if FImages <> nil then
  begin
    FImages.UnRegisterChanges(FImageLink);
    FImages.RemoveFreeNotification(Self);
  end;
  FImages := Value;
  if FImages <> nil then
  begin
    FImages.RegisterChanges(FImageLink);
    FImages.FreeNotification(Self);
  end;
  Invalidate;
end;

procedure TSwatchPanel.SetSwatchSize(const Value: Integer);
begin
  if (Value <> FSwatchSize) and (Value > 2) then
  begin
    FSwatchSize := Value;
    Invalidate;
  end;
end;

procedure TSwatchPanel.SetSpacing(const Value: Integer);
begin
  if Value <> FSpacing then
  begin
    FSpacing := Value;
    Invalidate;
  end;
end;

procedure TSwatchPanel.SetShape(const Value: TSwatchShape);
begin
  if Value <> FShape then
  begin
    FShape := Value;
    Invalidate;
  end;
end;

procedure TSwatchPanel.SetSelected(const Value: Integer);
begin
  if (Value <> FSelected) and (Value >= -1) and (Value < FColors.Count) then
  begin
    FSelected := Value;
    Invalidate;
  end;
end;

procedure TSwatchPanel.StyleChanged(Sender: TObject);
begin
  Invalidate;
end;

procedure TSwatchPanel.ImagesChanged(Sender: TObject);
begin
  if not (csDestroying in ComponentState) then
    Invalidate;
end;

procedure TSwatchPanel.DefineProperties(Filer: TFiler);

  function HasColors: Boolean;
  begin
    if Filer.Ancestor <> nil then
      Result := TSwatchPanel(Filer.Ancestor).ColorCount <> ColorCount
    else
      Result := ColorCount > 0;
  end;

begin
  inherited DefineProperties(Filer);
  Filer.DefineBinaryProperty('SwatchData', ReadColors, WriteColors, HasColors);
  Filer.DefineProperty('SwatchNames', ReadNames, WriteNames, FNames.Count > 0);
end;

procedure TSwatchPanel.ReadColors(Stream: TStream);
var
  Buffer: TMemoryStream;
  Signature: Cardinal;
  Count, I: Integer;
  C: TColor;
begin
  FColors.Clear;
  Buffer := TMemoryStream.Create;
  try
    Buffer.CopyFrom(Stream, Stream.Size - Stream.Position);
    Buffer.Position := 0;
    Buffer.ReadBuffer(Signature, SizeOf(Signature));
    if Signature <> SWATCH_SIGNATURE then
      Exit;
    Buffer.ReadBuffer(Count, SizeOf(Count));
    for I := 0 to Count - 1 do
    begin
      Buffer.ReadBuffer(C, SizeOf(C));
      FColors.Add(Pointer(C));
    end;
  finally
    Buffer.Free;
  end;
  FLoadedPalette := True;
end;

procedure TSwatchPanel.WriteColors(Stream: TStream);
var
  Buffer: TMemoryStream;
  Count, I: Integer;
  C: TColor;
begin
  Buffer := TMemoryStream.Create;
  Count := FColors.Count;
  Buffer.WriteBuffer(SWATCH_SIGNATURE, SizeOf(SWATCH_SIGNATURE));
  Buffer.WriteBuffer(Count, SizeOf(Count));
  for I := 0 to Count - 1 do
  begin
    C := TColor(FColors[I]);
    Buffer.WriteBuffer(C, SizeOf(C));
  end;
  Stream.CopyFrom(Buffer, 0);
  Buffer.Free;
end;

procedure TSwatchPanel.ReadNames(Reader: TReader);
begin
  FNames.Clear;
  Reader.ReadListBegin;
  while not Reader.EndOfList do
    FNames.Add(Reader.ReadString);
  Reader.ReadListEnd;
end;

procedure TSwatchPanel.WriteNames(Writer: TWriter);
var
  I: Integer;
begin
  Writer.WriteListBegin;
  for I := 0 to FNames.Count - 1 do
    Writer.WriteString(FNames[I]);
  Writer.WriteListEnd;
end;

procedure TSwatchPanel.Loaded;
begin
  inherited Loaded;
  if FLoadedPalette and (FSelected >= FColors.Count) then
    FSelected := -1;
  while FNames.Count < FColors.Count do
    FNames.Add('');
end;

procedure TSwatchPanel.Notification(AComponent: TComponent; Operation: TOperation);
begin
  inherited Notification(AComponent, Operation);
  if (Operation = opRemove) and (AComponent = FImages) then
    FImages := nil;
end;

function TSwatchPanel.GetColorCount: Integer;
begin
  Result := FColors.Count;
end;

function TSwatchPanel.GetSwatchColor(Index: Integer): TColor;
begin
  Result := TColor(FColors[Index]);
end;

function TSwatchPanel.SwatchRect(AIndex: Integer): TRect;
var
  PerRow, Row, Col: Integer;
begin
  PerRow := (ClientWidth - FSpacing) div (FSwatchSize + FSpacing);
  if PerRow < 1 then
    PerRow := 1;
  Row := AIndex div PerRow;
  Col := AIndex mod PerRow;
  Result.Left := FSpacing + Col * (FSwatchSize + FSpacing);
  Result.Top := FSpacing + Row * (FSwatchSize + FSpacing);
  Result.Right := Result.Left + FSwatchSize;
  Result.Bottom := Result.Top + FSwatchSize;
end;

function TSwatchPanel.SwatchAt(X, Y: Integer): Integer;
var
  I: Integer;
begin
  for I := 0 to FColors.Count - 1 do
    if PtInRect(SwatchRect(I), Point(X, Y)) then
    begin
      Result := I;
      Exit;
    end;
  Result := -1;
end;

procedure TSwatchPanel.Paint;
var
  I: Integer;
  R: TRect;
  Glyph: TBitmap;
begin
  FBackBuffer.SetSize(ClientWidth, ClientHeight);
  with FBackBuffer.Canvas do
  begin
    Brush.Color := Color;
    FillRect(ClientRect);
    Pen.Assign(FBorderPen);
    for I := 0 to FColors.Count - 1 do
    begin
      R := SwatchRect(I);
      Brush.Color := TColor(FColors[I]);
      case FShape of
        ssSquare: Rectangle(R);
        ssRounded: RoundRect(R.Left, R.Top, R.Right, R.Bottom, 5, 5);
        ssCircle: Ellipse(R);
      end;
      if I = FSelected then
      begin
        Brush.Style := bsClear;
        Pen.Width := 2;
        Rectangle(R.Left - 2, R.Top - 2, R.Right + 2, R.Bottom + 2);
        Pen.Width := FBorderPen.Width;
        Brush.Style := bsSolid;
      end;
    end;
  end;
  if (FImages <> nil) and (FSelected >= 0) and (FSelected < FImages.Count) then
  begin
    Glyph := TBitmap.Create;
    try
      FImages.GetBitmap(FSelected, Glyph);
      FBackBuffer.Canvas.Draw(ClientWidth - Glyph.Width - 2, 2, Glyph);
    finally
      Glyph.Free;
    end;
  end;
  Canvas.Draw(0, 0, FBackBuffer);
end;

procedure TSwatchPanel.MouseMove(Shift: TShiftState; X, Y: Integer);
var
  NewHot: Integer;
begin
  inherited MouseMove(Shift, X, Y);
  NewHot := SwatchAt(X, Y);
  if NewHot <> FHot then
  begin
    FHot := NewHot;
    if (FHot >= 0) and (FHot < FNames.Count) then
      Hint := FNames[FHot]
    else
      Hint := '';
  end;
end;

procedure TSwatchPanel.MouseUp(Button: TMouseButton; Shift: TShiftState; X, Y: Integer);
var
  Index: Integer;
begin
  inherited MouseUp(Button, Shift, X, Y);
  Index := SwatchAt(X, Y);
  if Index < 0 then
    Exit;
  Selected := Index;
  if Button = mbRight then
    BuildPopup.Popup(ClientToScreen(Point(X, Y)).X, ClientToScreen(Point(X, Y)).Y)
  else if Assigned(FOnSwatchClick) then
    FOnSwatchClick(Self, Index, TColor(FColors[Index]));
end;

procedure TSwatchPanel.CMMouseLeave(var Message: TMessage);
begin
  inherited;
  FHot := -1;
end;

procedure TSwatchPanel.AddColor(AColor: TColor; const AName: string);
begin
  FColors.Add(Pointer(AColor));
  FNames.Add(AName);
  Invalidate;
end;

procedure TSwatchPanel.Clear;
begin
  FColors.Clear;
  FNames.Clear;
  FSelected := -1;
  Invalidate;
end;

function TSwatchPanel.BuildPopup: TPopupMenu;
var
  Item: TMenuItem;
  I: Integer;
begin
  FSwatchPopup.Items.Clear;
  for I := 0 to FNames.Count - 1 do
  begin
    Item := TMenuItem.Create(FSwatchPopup);
    Item.Caption := FNames[I];
    Item.Tag := I;
    Item.Checked := I = FSelected;
    FSwatchPopup.Items.Add(Item);
  end;
  Result := FSwatchPopup;
end;

procedure TSwatchPanel.LoadFromFile(const AFileName: string);
var
  Lines: TStringList;
  I, P: Integer;
begin
  Lines := TStringList.Create;
  try
    Lines.LoadFromFile(AFileName);
    Clear;
    for I := 0 to Lines.Count - 1 do
    begin
      P := Pos('=', Lines[I]);
      if P > 0 then
        AddColor(StringToColor(Copy(Lines[I], P + 1, MaxInt)), Copy(Lines[I], 1, P - 1));
    end;
  finally
    Lines.Free;
  end;
end;

procedure TSwatchPanel.SaveToFile(const AFileName: string);
var
  Lines: TStringList;
  I: Integer;
begin
  Lines := TStringList.Create;
  try
    for I := 0 to FColors.Count - 1 do
      Lines.Add(FNames[I] + '=' + ColorToString(TColor(FColors[I])));
    Lines.SaveToFile(AFileName);
  except
    on E: EFCreateError do
      raise EFCreateError.CreateFmt('Cannot save palette to %s: %s', [AFileName, E.Message]);
  end;
end;

end.
