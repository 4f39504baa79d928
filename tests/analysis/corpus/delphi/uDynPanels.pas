unit uDynPanels;

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, System.Math,
  System.Generics.Collections, Vcl.Controls, Vcl.Forms, Vcl.StdCtrls,
  Vcl.ExtCtrls, Vcl.Graphics, Vcl.Buttons;

type
  TWidgetInfo = class
  public
    Key: string;
    Caption: string;
    Color: TColor;
    constructor Create(const AKey, ACaption: string; AColor: TColor);
  end;

  TfrmDashboard = class(TForm)
    pnlHost: TPanel;
    pnlButtons: TFlowPanel;
    imgLogo: TImage;
    lblTitle: TLabel;
    procedure FormCreate(Sender: TObject);
    procedure FormDestroy(Sender: TObject);
    procedure FormResize(Sender: TObject);
  private
    FTiles: TList<TPanel>;
    FInfos: TObjectList<TWidgetInfo>;
    FBlinkTimer: TTimer;
    FBlinkOn: Boolean;
    procedure TileClick(Sender: TObject);
    procedure HandleBlink(Sender: TObject);
    procedure AddTile(AInfo: TWidgetInfo);
    procedure AddActionButton(const ACaption: string; AInfo: TWidgetInfo);
    procedure DrawLogo;
    procedure LoadLogo(const AFileName: string);
    procedure AddStatusLabel(const AText: string);
    procedure RebuildTiles(ADefinitions: TStrings);
    procedure ClearTiles;
  protected
    procedure Notification(AComponent: TComponent; Operation: TOperation); override;
    procedure CreateParams(var Params: TCreateParams); override;
  end;

var
  frmDashboard: TfrmDashboard;

implementation

{$R *.dfm}

{ TWidgetInfo }

constructor TWidgetInfo.Create(const AKey, ACaption: string; AColor: TColor);
begin
  inherited Create;
  Key := AKey;
  Caption := ACaption;
  Color := AColor;
end;

{ TfrmDashboard }

procedure TfrmDashboard.FormCreate(Sender: TObject);
var
  Defs: TStringList;
begin
  FTiles := TList<TPanel>.Create;
  FInfos := TObjectList<TWidgetInfo>.Create(True);
  FBlinkTimer := TTimer.Create(Self);
  FBlinkTimer.Interval := 700;
  FBlinkTimer.OnTimer := HandleBlink;
  Defs := TStringList.Create;
  try
    Defs.Add('sales=Sales today');
    Defs.Add('orders=Open orders');
    Defs.Add('stock=Low stock');
    RebuildTiles(Defs);
  finally
    Defs.Free;
  end;
  if FileExists(ExtractFilePath(Application.ExeName) + 'logo.png') then
    LoadLogo(ExtractFilePath(Application.ExeName) + 'logo.png')
  else
    DrawLogo;
end;

procedure TfrmDashboard.FormDestroy(Sender: TObject);
begin
  FBlinkTimer.Enabled := False;
  ClearTiles;
  FreeAndNil(FTiles);
  FInfos.Free;
end;

procedure TfrmDashboard.CreateParams(var Params: TCreateParams);
begin
  inherited CreateParams(Params);
  Params.ExStyle := Params.ExStyle or WS_EX_APPWINDOW;
end;

procedure TfrmDashboard.Notification(AComponent: TComponent; Operation: TOperation);
begin
  if (Operation = opRemove) and (AComponent is TPanel) and (FTiles <> nil) then
    FTiles.Remove(TPanel(AComponent));
  inherited Notification(AComponent, Operation);
end;

procedure TfrmDashboard.RebuildTiles(ADefinitions: TStrings);
var
  I: Integer;
  Info: TWidgetInfo;
begin
  ClearTiles;
  for I := 0 to ADefinitions.Count - 1 do
  begin
    Info := TWidgetInfo.Create(ADefinitions.Names[I], ADefinitions.ValueFromIndex[I],
      RGB(200 - I * 30, 220, 255 - I * 20));
    FInfos.Add(Info);
    AddTile(Info);
    AddActionButton('Open ' + Info.Caption, Info);
  end;
  FormResize(Self);
end;

procedure TfrmDashboard.AddTile(AInfo: TWidgetInfo);
var
  Tile: TPanel;
  Title: TLabel;
  Stripe: TShape;
begin
  Tile := TPanel.Create(nil);
  InsertComponent(Tile);
  Tile.Parent := pnlHost;
  Tile.Color := AInfo.Color;
  Tile.ParentBackground := False;
  Tile.Width := 160;
  Tile.Height := 90;
  Tile.Tag := NativeInt(AInfo);
  Tile.OnClick := TileClick;
  FTiles.Add(Tile);

  Title := TLabel.Create(nil);
  Title.Parent := Tile;
  Title.Align := alTop;
  Title.Caption := AInfo.Caption;
  Title.Font.Style := [fsBold];
  Title.OnClick := TileClick;

  Stripe := TShape.Create(nil);
  Stripe.Align := alLeft;
  Stripe.Width := 4;
  Stripe.Brush.Color := clHighlight;
  Stripe.Pen.Style := psClear;
end;

procedure TfrmDashboard.AddActionButton(const ACaption: string; AInfo: TWidgetInfo);
var
  Btn: TSpeedButton;
begin
  Btn := TSpeedButton.Create(nil);
  Btn.Parent := pnlButtons;
  Btn.Caption := ACaption;
  Btn.Width := 120;
  Btn.Flat := True;
  Btn.Tag := NativeInt(Pointer(AInfo));
  Btn.OnClick := TileClick;
end;

procedure TfrmDashboard.TileClick(Sender: TObject);
var
  Info: TWidgetInfo;
  Ctrl: TControl;
begin
  Ctrl := Sender as TControl;
  if (Ctrl.Tag = 0) and (Ctrl.Parent <> nil) then
    Ctrl := Ctrl.Parent;
  if Ctrl.Tag = 0 then
    Exit;
  Info := TWidgetInfo(TObject(Ctrl.Tag));
  AddStatusLabel('Selected ' + Info.Key);
end;

procedure TfrmDashboard.AddStatusLabel(const AText: string);
var
  Lbl: TLabel;
begin
  Lbl := TLabel.Create(Self);
  Lbl.Parent := pnlHost;
  Lbl.Align := alBottom;
  Lbl.Caption := AText;
end;

procedure TfrmDashboard.HandleBlink(Sender: TObject);
var
  Tile: TPanel;
begin
  FBlinkOn := not FBlinkOn;
  for Tile in FTiles do
    if TWidgetInfo(Tile.Tag).Key = 'stock' then
      Tile.BevelOuter := TBevelCut(Ord(FBlinkOn) + 1);
end;

procedure TfrmDashboard.DrawLogo;
var
  Bmp: TBitmap;
begin
  Bmp := TBitmap.Create;
  Bmp.SetSize(imgLogo.Width, imgLogo.Height);
  Bmp.Canvas.Brush.Color := clNavy;
  Bmp.Canvas.FillRect(Rect(0, 0, Bmp.Width, Bmp.Height));
  Bmp.Canvas.Font.Color := clWhite;
  Bmp.Canvas.TextOut(8, 8, 'Ferrolin');
  imgLogo.Picture.Assign(Bmp);
  Bmp.Free;
end;

procedure TfrmDashboard.LoadLogo(const AFileName: string);
var
  Pic: TPicture;
begin
  Pic := TPicture.Create;
  try
    try
      Pic.LoadFromFile(AFileName);
      imgLogo.Picture.Assign(Pic);
    except
      on E: EInvalidGraphic do
        DrawLogo;
    end;
  finally
    Pic.Free;
  end;
end;

procedure TfrmDashboard.ClearTiles;
var
  I: Integer;
begin
  for I := pnlButtons.ControlCount - 1 downto 0 do
    pnlButtons.Controls[I].Free;
  // each tile is owned by the form, Notification takes it out of FTiles
  while FTiles.Count > 0 do
    FTiles.Last.Free;
  FInfos.Clear;
end;

procedure TfrmDashboard.FormResize(Sender: TObject);
var
  I, PerRow: Integer;
begin
  if (FTiles = nil) or (FTiles.Count = 0) then
    Exit;
  PerRow := Max(1, pnlHost.ClientWidth div 170);
  for I := 0 to FTiles.Count - 1 do
  begin
    FTiles[I].Left := 5 + (I mod PerRow) * 170;
    FTiles[I].Top := 5 + (I div PerRow) * 100;
  end;
end;

end.
