{*******************************************************}
{                                                       }
{       Xcel Visual Component Library                   }
{       Drawing helpers shared by the controls          }
{                                                       }
{       Copyright (c) 1998-2015 Xcel Software           }
{                                                       }
{*******************************************************}

unit XcPaint;

{$I XcLib.inc}

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, ImgList
  {$IFDEF XC_D6_UP}, Types{$ENDIF};

type
  TXcGradientDirection = (gdHorizontal, gdVertical);

procedure XcDrawGradient(ACanvas: TCanvas; const ARect: TRect;
  FromColor, ToColor: TColor; Direction: TXcGradientDirection);
procedure XcDrawDisabledImage(ACanvas: TCanvas; Images: TCustomImageList;
  Index, X, Y: Integer);
procedure XcDrawShadowText(ACanvas: TCanvas; const ARect: TRect; const S: string;
  ShadowColor: TColor);
procedure XcFillRectDC(DC: HDC; const R: TRect; Color: TColor);
procedure XcPaintClipped(Control: TWinControl; DC: HDC; const Clip: TRect);
procedure XcDrawTiled(ACanvas: TCanvas; const ARect: TRect; Tile: TGraphic);
function XcCreateGrayBitmap(Source: TBitmap): TBitmap;
function XcCreateMaskBitmap(Source: TBitmap; TransparentColor: TColor): TBitmap;
procedure XcDrawFocusFrame(ACanvas: TCanvas; const ARect: TRect);
procedure XcDrawAlphaImage(ACanvas: TCanvas; Images: TCustomImageList; Index, X, Y: Integer);
function XcBlendColors(C1, C2: TColor; Amount: Byte): TColor; {$IFDEF XC_INLINE}inline;{$ENDIF}

implementation

function XcBlendColors(C1, C2: TColor; Amount: Byte): TColor;
var
  R1, G1, B1, R2, G2, B2: Byte;
begin
  C1 := ColorToRGB(C1);
  C2 := ColorToRGB(C2);
  R1 := GetRValue(C1); G1 := GetGValue(C1); B1 := GetBValue(C1);
  R2 := GetRValue(C2); G2 := GetGValue(C2); B2 := GetBValue(C2);
  Result := RGB(
    R1 + (R2 - R1) * Amount div 255,
    G1 + (G2 - G1) * Amount div 255,
    B1 + (B2 - B1) * Amount div 255);
end;

procedure XcDrawGradient(ACanvas: TCanvas; const ARect: TRect;
  FromColor, ToColor: TColor; Direction: TXcGradientDirection);
var
  Bmp: TBitmap;
  I, Steps: Integer;
  R: TRect;
begin
  if IsRectEmpty(ARect) then
    Exit;
  Bmp := TBitmap.Create;
  try
    Bmp.Width := ARect.Right - ARect.Left;
    Bmp.Height := ARect.Bottom - ARect.Top;
    if Direction = gdVertical then
      Steps := Bmp.Height
    else
      Steps := Bmp.Width;
    Bmp.Canvas.Lock;
    try
      for I := 0 to Steps - 1 do
      begin
        Bmp.Canvas.Brush.Color := XcBlendColors(FromColor, ToColor, I * 255 div Steps);
        if Direction = gdVertical then
          R := Rect(0, I, Bmp.Width, I + 1)
        else
          R := Rect(I, 0, I + 1, Bmp.Height);
        Bmp.Canvas.FillRect(R);
      end;
    finally
      Bmp.Canvas.Unlock;
    end;
    ACanvas.Lock;
    try
      ACanvas.Draw(ARect.Left, ARect.Top, Bmp);
    finally
      ACanvas.Unlock;
    end;
  finally
    Bmp.Free;
  end;
end;

procedure XcDrawDisabledImage(ACanvas: TCanvas; Images: TCustomImageList;
  Index, X, Y: Integer);
var
  Mono: TBitmap;
  OldBk, OldText: TColorRef;
begin
  Mono := TBitmap.Create;
  Mono.Monochrome := True;
  Mono.Width := Images.Width;
  Mono.Height := Images.Height;
  ImageList_DrawEx(Images.Handle, Index, Mono.Canvas.Handle, 0, 0, 0, 0,
    CLR_DEFAULT, 0, ILD_MASK);
  OldBk := SetBkColor(ACanvas.Handle, ColorToRGB(clWhite));
  OldText := SetTextColor(ACanvas.Handle, ColorToRGB(clBlack));
  ACanvas.Brush.Color := clBtnHighlight;
  BitBlt(ACanvas.Handle, X + 1, Y + 1, Images.Width, Images.Height,
    Mono.Canvas.Handle, 0, 0, $00E20746);
  ACanvas.Brush.Color := clBtnShadow;
  BitBlt(ACanvas.Handle, X, Y, Images.Width, Images.Height,
    Mono.Canvas.Handle, 0, 0, $00E20746);
  SetBkColor(ACanvas.Handle, OldBk);
  SetTextColor(ACanvas.Handle, OldText);
  Mono.Free;
end;

procedure XcDrawShadowText(ACanvas: TCanvas; const ARect: TRect; const S: string;
  ShadowColor: TColor);
var
  OldFont: TFont;
  R: TRect;
  OldMode: Integer;
begin
  OldFont := TFont.Create;
  try
    OldFont.Assign(ACanvas.Font);
    OldMode := SetBkMode(ACanvas.Handle, TRANSPARENT);
    R := ARect;
    OffsetRect(R, 1, 1);
    ACanvas.Font.Color := ShadowColor;
    DrawText(ACanvas.Handle, PChar(S), Length(S), R, DT_SINGLELINE or DT_VCENTER);
    ACanvas.Font.Assign(OldFont);
    R := ARect;
    DrawText(ACanvas.Handle, PChar(S), Length(S), R, DT_SINGLELINE or DT_VCENTER);
    SetBkMode(ACanvas.Handle, OldMode);
  finally
    OldFont.Free;
  end;
end;

procedure XcFillRectDC(DC: HDC; const R: TRect; Color: TColor);
var
  Br: TBrush;
begin
  Br := TBrush.Create;
  Br.Color := Color;
  Windows.FillRect(DC, R, Br.Handle);
end;

procedure XcPaintClipped(Control: TWinControl; DC: HDC; const Clip: TRect);
var
  Rgn: HRGN;
  SaveIndex: Integer;
begin
  SaveIndex := SaveDC(DC);
  try
    Rgn := CreateRectRgn(Clip.Left, Clip.Top, Clip.Right, Clip.Bottom);
    try
      SelectClipRgn(DC, Rgn);
    finally
      DeleteObject(Rgn);
    end;
    Control.PaintTo(DC, 0, 0);
  finally
    RestoreDC(DC, SaveIndex);
  end;
end;

procedure XcDrawTiled(ACanvas: TCanvas; const ARect: TRect; Tile: TGraphic);
var
  X, Y: Integer;
  Rgn: HRGN;
begin
  if (Tile = nil) or Tile.Empty then
    Exit;
  Rgn := CreateRectRgnIndirect(ARect);
  SelectClipRgn(ACanvas.Handle, Rgn);
  Y := ARect.Top;
  while Y < ARect.Bottom do
  begin
    X := ARect.Left;
    while X < ARect.Right do
    begin
      ACanvas.Draw(X, Y, Tile);
      Inc(X, Tile.Width);
    end;
    Inc(Y, Tile.Height);
  end;
  SelectClipRgn(ACanvas.Handle, 0);
  DeleteObject(Rgn);
end;

function XcCreateGrayBitmap(Source: TBitmap): TBitmap;
var
  Bmp: TBitmap;
  X, Y: Integer;
  P: PRGBTriple;
  Gray: Byte;
begin
  Bmp := TBitmap.Create;
  try
    Bmp.Assign(Source);
    Bmp.PixelFormat := pf24bit;
    for Y := 0 to Bmp.Height - 1 do
    begin
      P := Bmp.ScanLine[Y];
      for X := 0 to Bmp.Width - 1 do
      begin
        Gray := (P^.rgbtRed * 77 + P^.rgbtGreen * 151 + P^.rgbtBlue * 28) shr 8;
        P^.rgbtRed := Gray;
        P^.rgbtGreen := Gray;
        P^.rgbtBlue := Gray;
        Inc(P);
      end;
    end;
  except
    Bmp.Free;
    raise;
  end;
  Result := Bmp;
end;

function XcCreateMaskBitmap(Source: TBitmap; TransparentColor: TColor): TBitmap;
var
  Src, Dst: TBitmap;
begin
  Src := TBitmap.Create;
  Dst := TBitmap.Create;
  try
    Src.Assign(Source);
    Src.Mask(TransparentColor);
    Dst.Width := Source.Width;
    Dst.Height := Source.Height;
    Dst.Canvas.Draw(0, 0, Src);
    Result := TBitmap.Create;
    Result.Assign(Dst);
  finally
    Dst.Free;
    Src.Free;
  end;
end;

procedure XcDrawFocusFrame(ACanvas: TCanvas; const ARect: TRect);
var
  OldPen: TPen;
  DC: HDC;
begin
  OldPen := TPen.Create;
  try
    OldPen.Assign(ACanvas.Pen);
    ACanvas.Pen.Style := psDot;
    ACanvas.Pen.Color := clWindowFrame;
    ACanvas.Brush.Style := bsClear;
    DC := ACanvas.Handle;
    {$IFDEF XC_D2006_UP}
    ACanvas.Rectangle(ARect);
    {$ELSE}
    Windows.DrawFocusRect(DC, ARect);
    {$ENDIF}
    ACanvas.Pen := OldPen;
  finally
    OldPen.Free;
  end;
end;

procedure XcDrawAlphaImage(ACanvas: TCanvas; Images: TCustomImageList; Index, X, Y: Integer);
var
  Bmp: TBitmap;
begin
  {$IFDEF XC_D2009_UP}
  Bmp := TBitmap.Create;
  Bmp.PixelFormat := pf32bit;
  Bmp.AlphaFormat := afDefined;
  {$ELSE}
  Bmp := TBitmap.Create;
  Bmp.PixelFormat := pf24bit;
  {$ENDIF}
  try
    Bmp.Width := Images.Width;
    Bmp.Height := Images.Height;
    Images.GetBitmap(Index, Bmp);
    ACanvas.Draw(X, Y, Bmp);
  finally
    Bmp.Free;
  end;
end;

end.
