{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbGraphics.pas - gauge control, colour blending and snapshot helpers

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbGraphics;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  {$IFDEF MSWINDOWS}Windows, Messages,{$ENDIF}
  {$IFDEF FPC}LCLIntf, LCLType, LMessages,{$ENDIF}
  SysUtils, Classes, Graphics, Controls, Math;

type
  TNbGaugeKind = (gkHorizontal, gkVertical, gkPie);

  TNbGauge = class(TGraphicControl)
  private
    FMinValue: Integer;
    FMaxValue: Integer;
    FProgress: Integer;
    FKind: TNbGaugeKind;
    FForeColor: TColor;
    FBackColor: TColor;
    FShowText: Boolean;
    FBuffer: TBitmap;
    FBufferValid: Boolean;
    FTextFormat: string;
    procedure SetMinValue(const Value: Integer);
    procedure SetMaxValue(const Value: Integer);
    procedure SetProgress(const Value: Integer);
    procedure SetKind(const Value: TNbGaugeKind);
    procedure SetForeColor(const Value: TColor);
    procedure SetBackColor(const Value: TColor);
    procedure SetShowText(const Value: Boolean);
    procedure CMFontChanged(var Message: TMessage); message CM_FONTCHANGED;
    procedure CMColorChanged(var Message: TMessage); message CM_COLORCHANGED;
    procedure CMParentColorChanged(var Message: TMessage); message CM_PARENTCOLORCHANGED;
  protected
    procedure Paint; override;
    procedure Resize; override;
    procedure PaintBar(ACanvas: TCanvas; const ARect: TRect); virtual;
    procedure PaintPie(ACanvas: TCanvas; const ARect: TRect); virtual;
    procedure PaintText(ACanvas: TCanvas; const ARect: TRect); virtual;
    function PercentDone: Integer;
    procedure InvalidateBuffer;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure AddProgress(AValue: Integer);
    function Snapshot: TBitmap;
    procedure SaveSnapshot(const AFileName: string);
  published
    property Align;
    property Anchors;
    property BackColor: TColor read FBackColor write SetBackColor default clWhite;
    property Color;
    property Font;
    property ForeColor: TColor read FForeColor write SetForeColor default clHighlight;
    property Kind: TNbGaugeKind read FKind write SetKind default gkHorizontal;
    property MaxValue: Integer read FMaxValue write SetMaxValue default 100;
    property MinValue: Integer read FMinValue write SetMinValue default 0;
    property ParentColor;
    property ParentFont;
    property Progress: Integer read FProgress write SetProgress default 0;
    property ShowText: Boolean read FShowText write SetShowText default True;
    property TextFormat: string read FTextFormat write FTextFormat;
    property Visible;
  end;

function NbBlendColors(AColor1, AColor2: TColor; AAlpha: Byte): TColor;
function NbDarken(AColor: TColor; APercent: Integer): TColor;
function NbSwapRB(AColor: Cardinal): Cardinal;

implementation

{$REGION 'Colour helpers'}

function NbBlendColors(AColor1, AColor2: TColor; AAlpha: Byte): TColor;
var
  C1, C2: Cardinal;
begin
  C1 := ColorToRGB(AColor1);
  C2 := ColorToRGB(AColor2);
  Result := RGB(
    (GetRValue(C1) * AAlpha + GetRValue(C2) * (255 - AAlpha)) div 255,
    (GetGValue(C1) * AAlpha + GetGValue(C2) * (255 - AAlpha)) div 255,
    (GetBValue(C1) * AAlpha + GetBValue(C2) * (255 - AAlpha)) div 255);
end;

function NbSwapRB(AColor: Cardinal): Cardinal;
{$IFDEF CPUX86}
asm
  BSWAP  EAX
  SHR    EAX, 8
end;
{$ELSE}
begin
  Result := ((AColor and $FF) shl 16) or (AColor and $FF00) or
    ((AColor shr 16) and $FF);
end;
{$ENDIF}

function NbDarken(AColor: TColor; APercent: Integer): TColor;
var
  C: Cardinal;
  F: Double;
begin
  C := ColorToRGB(AColor);
  F := EnsureRange(100 - APercent, 0, 100) / 100;
  Result := RGB(Round(GetRValue(C) * F), Round(GetGValue(C) * F),
    Round(GetBValue(C) * F));
end;

{$ENDREGION}

{$REGION 'TNbGauge'}

constructor TNbGauge.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  ControlStyle := ControlStyle + [csOpaque, csReplicatable];
  FMinValue := 0;
  FMaxValue := 100;
  FProgress := 0;
  FKind := gkHorizontal;
  FForeColor := clHighlight;
  FBackColor := clWhite;
  FShowText := True;
  FTextFormat := '%d%%';
  FBuffer := TBitmap.Create;
  {$IFDEF MSWINDOWS}
  FBuffer.PixelFormat := pf24bit;
  {$ENDIF}
  Width := 100;
  Height := 20;
end;

destructor TNbGauge.Destroy;
begin
  try
    inherited Destroy;
  finally
    FBuffer.Free;
  end;
end;

function TNbGauge.PercentDone: Integer;
begin
  if FMaxValue <= FMinValue then
    Exit(0);
  Result := MulDiv(FProgress - FMinValue, 100, FMaxValue - FMinValue);
end;

procedure TNbGauge.InvalidateBuffer;
begin
  FBufferValid := False;
  Invalidate;
end;

procedure TNbGauge.Resize;
begin
  FBufferValid := False;
  inherited Resize;
end;

procedure TNbGauge.Paint;
var
  R: TRect;
begin
  R := ClientRect;
  if not FBufferValid then
  begin
    FBuffer.SetSize(R.Right, R.Bottom);
    with FBuffer.Canvas do
    begin
      Brush.Color := FBackColor;
      FillRect(R);
    end;
    case FKind of
      gkHorizontal, gkVertical:
        PaintBar(FBuffer.Canvas, R);
      gkPie:
        PaintPie(FBuffer.Canvas, R);
    end;
    if FShowText then
      PaintText(FBuffer.Canvas, R);
    FBufferValid := True;
  end;
  Canvas.Draw(0, 0, FBuffer);
  inherited Paint;
end;

procedure TNbGauge.PaintBar(ACanvas: TCanvas; const ARect: TRect);
var
  Fill: TRect;
  Done: Integer;
begin
  Fill := ARect;
  Done := PercentDone;
  if FKind = gkHorizontal then
    Fill.Right := Fill.Left + MulDiv(ARect.Right - ARect.Left, Done, 100)
  else
    Fill.Top := Fill.Bottom - MulDiv(ARect.Bottom - ARect.Top, Done, 100);
  ACanvas.Brush.Color := FForeColor;
  ACanvas.FillRect(Fill);
  ACanvas.Brush.Color := NbDarken(FForeColor, 30);
  ACanvas.FrameRect(ARect);
end;

procedure TNbGauge.PaintPie(ACanvas: TCanvas; const ARect: TRect);
var
  Angle: Double;
  CX, CY, Radius: Integer;
begin
  CX := (ARect.Left + ARect.Right) div 2;
  CY := (ARect.Top + ARect.Bottom) div 2;
  Radius := Min(ARect.Right - ARect.Left, ARect.Bottom - ARect.Top) div 2 - 1;
  Angle := 2 * Pi * PercentDone / 100;
  ACanvas.Pen.Color := NbDarken(FForeColor, 30);
  ACanvas.Brush.Color := FBackColor;
  ACanvas.Ellipse(CX - Radius, CY - Radius, CX + Radius, CY + Radius);
  if PercentDone > 0 then
  begin
    ACanvas.Brush.Color := FForeColor;
    ACanvas.Pie(CX - Radius, CY - Radius, CX + Radius, CY + Radius,
      CX + Round(Radius * Sin(Angle)), CY - Round(Radius * Cos(Angle)),
      CX, CY - Radius);
  end;
end;

procedure TNbGauge.PaintText(ACanvas: TCanvas; const ARect: TRect);
var
  S: string;
  Size: TSize;
  Mask: TBitmap;
begin
  S := Format(FTextFormat, [PercentDone]);
  ACanvas.Font := Font;
  Size := ACanvas.TextExtent(S);
  Mask := TBitmap.Create;
  try
    Mask.SetSize(Size.cx, Size.cy);
    Mask.Canvas.Font := Font;
    Mask.Canvas.Brush.Style := bsClear;
    Mask.Canvas.TextOut(0, 0, S);
    Mask.Transparent := True;
    ACanvas.Draw((ARect.Right - Size.cx) div 2, (ARect.Bottom - Size.cy) div 2, Mask);
  finally
    Mask.Free;
  end;
end;

procedure TNbGauge.AddProgress(AValue: Integer);
begin
  Progress := FProgress + AValue;
end;

function TNbGauge.Snapshot: TBitmap;
begin
  Result := TBitmap.Create;
  try
    Result.SetSize(Width, Height);
    Result.Canvas.Brush.Color := Color;
    Result.Canvas.FillRect(Rect(0, 0, Width, Height));
    PaintBar(Result.Canvas, Rect(0, 0, Width, Height));
  except
    Result.Free;
    raise;
  end;
end;

procedure TNbGauge.SaveSnapshot(const AFileName: string);
var
  Bmp: TBitmap;
  Pic: TPicture;
begin
  Bmp := Snapshot;
  try
    Pic := TPicture.Create;
    Pic.Assign(Bmp);
    Pic.SaveToFile(AFileName);
    FreeAndNil(Pic);
  finally
    Bmp.Free;
  end;
end;

procedure TNbGauge.CMFontChanged(var Message: TMessage);
begin
  inherited;
  InvalidateBuffer;
end;

procedure TNbGauge.CMColorChanged(var Message: TMessage);
begin
  InvalidateBuffer;
  inherited;
end;

procedure TNbGauge.CMParentColorChanged(var Message: TMessage);
begin
  if ParentColor then
    FBufferValid := False;
  inherited;
end;

procedure TNbGauge.SetBackColor(const Value: TColor);
begin
  if FBackColor <> Value then
  begin
    FBackColor := Value;
    InvalidateBuffer;
  end;
end;

procedure TNbGauge.SetForeColor(const Value: TColor);
begin
  if FForeColor <> Value then
  begin
    FForeColor := Value;
    InvalidateBuffer;
  end;
end;

procedure TNbGauge.SetKind(const Value: TNbGaugeKind);
begin
  if FKind <> Value then
  begin
    FKind := Value;
    InvalidateBuffer;
  end;
end;

procedure TNbGauge.SetMaxValue(const Value: Integer);
begin
  if (FMaxValue <> Value) and (Value > FMinValue) then
  begin
    FMaxValue := Value;
    if FProgress > Value then
      FProgress := Value;
    InvalidateBuffer;
  end;
end;

procedure TNbGauge.SetMinValue(const Value: Integer);
begin
  if (FMinValue <> Value) and (Value < FMaxValue) then
  begin
    FMinValue := Value;
    if FProgress < Value then
      FProgress := Value;
    InvalidateBuffer;
  end;
end;

procedure TNbGauge.SetProgress(const Value: Integer);
var
  NewValue: Integer;
begin
  NewValue := EnsureRange(Value, FMinValue, FMaxValue);
  if NewValue <> FProgress then
  begin
    FProgress := NewValue;
    InvalidateBuffer;
  end;
end;

procedure TNbGauge.SetShowText(const Value: Boolean);
begin
  if FShowText <> Value then
  begin
    FShowText := Value;
    InvalidateBuffer;
  end;
end;

{$ENDREGION}

end.
