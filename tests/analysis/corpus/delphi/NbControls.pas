{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbControls.pas - themable base panel used by most visual Nimbus controls

  The contents of this file are subject to the Mozilla Public License
  Version 2.0. Software distributed under the License is distributed on an
  "AS IS" basis, WITHOUT WARRANTY OF ANY KIND, either express or implied.
  ------------------------------------------------------------------------------ }
unit NbControls;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  {$IFDEF MSWINDOWS}Windows, Messages,{$ENDIF}
  {$IFDEF FPC}LCLIntf, LCLType, LMessages,{$ENDIF}
  SysUtils, Classes, Graphics, Controls, ImgList;

type
  TNbBorderStyle = (nbsNone, nbsFlat, nbsRaised, nbsLowered);

  TNbThemeChangeEvent = procedure(Sender: TObject; var Handled: Boolean) of object;

  TNbCustomPanel = class(TCustomControl)
  private
    FBorderStyle: TNbBorderStyle;
    FBorderColor: TColor;
    FImages: TCustomImageList;
    FImageIndex: Integer;
    FImageChangeLink: TChangeLink;
    FHotTrack: Boolean;
    FMouseInside: Boolean;
    FCaptionMargin: Integer;
    FUpdateCount: Integer;
    FNeedsLayout: Boolean;
    FCaptionRect: TRect;
    FOnThemeChange: TNbThemeChangeEvent;
    FOnMouseEnter: TNotifyEvent;
    FOnMouseLeave: TNotifyEvent;
    procedure SetBorderStyle(const Value: TNbBorderStyle);
    procedure SetBorderColor(const Value: TColor);
    procedure SetImages(const Value: TCustomImageList);
    procedure SetImageIndex(const Value: Integer);
    procedure SetCaptionMargin(const Value: Integer);
    procedure ImageListChange(Sender: TObject);
    procedure CMMouseEnter(var Message: TMessage); message CM_MOUSEENTER;
    procedure CMMouseLeave(var Message: TMessage); message CM_MOUSELEAVE;
    procedure CMTextChanged(var Message: TMessage); message CM_TEXTCHANGED;
    procedure CMFontChanged(var Message: TMessage); message CM_FONTCHANGED;
    procedure CMEnabledChanged(var Message: TMessage); message CM_ENABLEDCHANGED;
  protected
    procedure CreateParams(var Params: TCreateParams); override;
    procedure CreateWnd; override;
    procedure Loaded; override;
    procedure Notification(AComponent: TComponent; Operation: TOperation); override;
    procedure SetName(const Value: TComponentName); override;
    procedure Paint; override;
    procedure WndProc(var Message: TMessage); override;
    procedure DrawBorder(ACanvas: TCanvas; var ARect: TRect); virtual;
    procedure DrawImageAndCaption(ACanvas: TCanvas; const ARect: TRect); virtual;
    procedure DoThemeChange; virtual;
    procedure UpdateLayout; virtual;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure Assign(Source: TPersistent); override;
    procedure BeginUpdate;
    procedure EndUpdate;
    property MouseInside: Boolean read FMouseInside;
  published
    property Align;
    property Anchors;
    property BorderStyle: TNbBorderStyle read FBorderStyle write SetBorderStyle default nbsFlat;
    property BorderColor: TColor read FBorderColor write SetBorderColor default clBtnShadow;
    property Caption;
    property CaptionMargin: Integer read FCaptionMargin write SetCaptionMargin default 4;
    property Color;
    property Enabled;
    property Font;
    property HotTrack: Boolean read FHotTrack write FHotTrack default False;
    property ImageIndex: Integer read FImageIndex write SetImageIndex default -1;
    property Images: TCustomImageList read FImages write SetImages;
    property ParentColor;
    property ParentFont;
    property TabStop;
    property Visible;
    property OnClick;
    property OnMouseEnter: TNotifyEvent read FOnMouseEnter write FOnMouseEnter;
    property OnMouseLeave: TNotifyEvent read FOnMouseLeave write FOnMouseLeave;
    property OnThemeChange: TNbThemeChangeEvent read FOnThemeChange write FOnThemeChange;
  end;

implementation

{$REGION 'TNbCustomPanel'}

constructor TNbCustomPanel.Create(AOwner: TComponent);
begin
  FImageIndex := -1;
  FCaptionMargin := 4;
  FBorderStyle := nbsFlat;
  inherited Create(AOwner);
  ControlStyle := ControlStyle + [csAcceptsControls, csOpaque] - [csSetCaption];
  FBorderColor := clBtnShadow;
  FImageChangeLink := TChangeLink.Create;
  FImageChangeLink.OnChange := ImageListChange;
  Width := 185;
  Height := 41;
  {$IF CompilerVersion >= 23}
  StyleElements := [seFont, seClient];
  {$IFEND}
end;

destructor TNbCustomPanel.Destroy;
begin
  if FImages <> nil then
    FImages.UnRegisterChanges(FImageChangeLink);
  FreeAndNil(FImageChangeLink);
  inherited Destroy;
end;

procedure TNbCustomPanel.Assign(Source: TPersistent);
begin
  if Source is TNbCustomPanel then
  begin
    BeginUpdate;
    try
      with TNbCustomPanel(Source) do
      begin
        Self.FBorderStyle := BorderStyle;
        Self.FBorderColor := BorderColor;
        Self.FCaptionMargin := CaptionMargin;
        Self.FHotTrack := HotTrack;
        Self.Images := Images;
        Self.ImageIndex := ImageIndex;
      end;
    finally
      EndUpdate;
    end;
  end
  else
    inherited Assign(Source);
end;

procedure TNbCustomPanel.CreateParams(var Params: TCreateParams);
begin
  inherited CreateParams(Params);
  {$IFDEF MSWINDOWS}
  with Params do
    WindowClass.style := WindowClass.style and not (CS_HREDRAW or CS_VREDRAW);
  {$ENDIF}
end;

procedure TNbCustomPanel.CreateWnd;
begin
  inherited CreateWnd;
  {$IFDEF MSWINDOWS}
  SendMessage(Handle, WM_SETREDRAW, 1, 0);
  {$ENDIF}
  if FNeedsLayout then
    UpdateLayout;
end;

procedure TNbCustomPanel.Loaded;
begin
  if (FImages <> nil) and (FImageIndex >= 0) then
    UpdateLayout;
  inherited Loaded;
end;

procedure TNbCustomPanel.Notification(AComponent: TComponent; Operation: TOperation);
begin
  inherited Notification(AComponent, Operation);
  if (Operation = opRemove) and (AComponent = FImages) then
  begin
    FImages := nil;
    UpdateLayout;
  end;
end;

procedure TNbCustomPanel.SetName(const Value: TComponentName);
var
  ChangeText: Boolean;
begin
  ChangeText := (csSetCaption in ControlStyle) and
    not (csLoading in ComponentState) and (Name = Text) and
    ((Owner = nil) or not (Owner is TControl) or
     not (csLoading in TControl(Owner).ComponentState));
  inherited SetName(Value);
  if ChangeText then
    Text := Value;
end;

procedure TNbCustomPanel.BeginUpdate;
begin
  Inc(FUpdateCount);
end;

procedure TNbCustomPanel.EndUpdate;
begin
  if FUpdateCount > 0 then
    Dec(FUpdateCount);
  if (FUpdateCount = 0) and FNeedsLayout then
    UpdateLayout;
end;

procedure TNbCustomPanel.UpdateLayout;
var
  TextSize: TSize;
  Left: Integer;
begin
  if (FUpdateCount > 0) or (csLoading in ComponentState) or not HandleAllocated then
  begin
    FNeedsLayout := True;
    Exit;
  end;
  FNeedsLayout := False;
  Left := FCaptionMargin;
  if (FImages <> nil) and (FImageIndex >= 0) then
    Inc(Left, FImages.Width + FCaptionMargin);
  Canvas.Font := Font;
  TextSize := Canvas.TextExtent(Caption);
  FCaptionRect := Rect(Left, (Height - TextSize.cy) div 2,
    Left + TextSize.cx, (Height + TextSize.cy) div 2);
  Invalidate;
end;

procedure TNbCustomPanel.DrawBorder(ACanvas: TCanvas; var ARect: TRect);
begin
  case FBorderStyle of
    nbsFlat:
      begin
        ACanvas.Pen.Color := FBorderColor;
        ACanvas.Brush.Style := bsClear;
        ACanvas.Rectangle(ARect);
        InflateRect(ARect, -1, -1);
      end;
    nbsRaised, nbsLowered:
      begin
        {$IFDEF MSWINDOWS}
        if FBorderStyle = nbsRaised then
          DrawEdge(ACanvas.Handle, ARect, EDGE_RAISED, BF_RECT or BF_ADJUST)
        else
          DrawEdge(ACanvas.Handle, ARect, EDGE_SUNKEN, BF_RECT or BF_ADJUST);
        {$ELSE}
        ACanvas.Pen.Color := clBtnShadow;
        ACanvas.Rectangle(ARect);
        InflateRect(ARect, -2, -2);
        {$ENDIF}
      end;
  end;
end;

procedure TNbCustomPanel.DrawImageAndCaption(ACanvas: TCanvas; const ARect: TRect);
var
  Flags: Cardinal;
  R: TRect;
begin
  if (FImages <> nil) and (FImageIndex >= 0) then
    FImages.Draw(ACanvas, ARect.Left + FCaptionMargin,
      (ARect.Top + ARect.Bottom - FImages.Height) div 2, FImageIndex, Enabled);
  R := FCaptionRect;
  ACanvas.Font := Font;
  ACanvas.Brush.Style := bsClear;
  if not Enabled then
    ACanvas.Font.Color := clGrayText;
  Flags := DT_SINGLELINE or DT_VCENTER or DT_END_ELLIPSIS;
  {$IFDEF UNICODE}
  DrawText(ACanvas.Handle, PChar(Caption), Length(Caption), R, Flags);
  {$ELSE}
  DrawTextW(ACanvas.Handle, PWideChar(WideString(Caption)), -1, R, Flags);
  {$ENDIF}
end;

procedure TNbCustomPanel.Paint;
var
  R: TRect;
  Buffer: TBitmap;
begin
  R := ClientRect;
  Buffer := TBitmap.Create;
  Buffer.SetSize(R.Right - R.Left, R.Bottom - R.Top);
  Buffer.Canvas.Brush.Color := Color;
  Buffer.Canvas.FillRect(R);
  DrawBorder(Buffer.Canvas, R);
  DrawImageAndCaption(Buffer.Canvas, R);
  Canvas.Draw(0, 0, Buffer);
  Buffer.Free;
  if Focused and TabStop then
    Canvas.DrawFocusRect(R);
  inherited Paint;
end;

procedure TNbCustomPanel.WndProc(var Message: TMessage);
begin
  case Message.Msg of
    WM_ERASEBKGND:
      if DoubleBuffered or (csOpaque in ControlStyle) then
        Message.Result := 1
      else
        inherited WndProc(Message);
    WM_SETFOCUS, WM_KILLFOCUS:
      begin
        inherited WndProc(Message);
        if FHotTrack or TabStop then
          Invalidate;
      end;
    {$IFDEF MSWINDOWS}
    WM_NCHITTEST:
      begin
        inherited WndProc(Message);
        if (Message.Result = HTTRANSPARENT) and (csDesigning in ComponentState) then
          Message.Result := HTCLIENT;
      end;
    {$ENDIF}
  else
    inherited WndProc(Message);
  end;
end;

procedure TNbCustomPanel.CMMouseEnter(var Message: TMessage);
begin
  inherited;
  FMouseInside := True;
  if FHotTrack then
    Invalidate;
  if Assigned(FOnMouseEnter) then
    FOnMouseEnter(Self);
end;

procedure TNbCustomPanel.CMMouseLeave(var Message: TMessage);
begin
  inherited;
  FMouseInside := False;
  if FHotTrack then
    Invalidate;
  if Assigned(FOnMouseLeave) then
    FOnMouseLeave(Self);
end;

procedure TNbCustomPanel.CMTextChanged(var Message: TMessage);
begin
  inherited;
  UpdateLayout;
end;

procedure TNbCustomPanel.CMFontChanged(var Message: TMessage);
begin
  FNeedsLayout := True;
  inherited;
  UpdateLayout;
end;

procedure TNbCustomPanel.CMEnabledChanged(var Message: TMessage);
begin
  inherited;
  Invalidate;
end;

procedure TNbCustomPanel.DoThemeChange;
var
  Handled: Boolean;
begin
  Handled := False;
  if Assigned(FOnThemeChange) then
    FOnThemeChange(Self, Handled);
  if not Handled then
    Invalidate;
end;

procedure TNbCustomPanel.ImageListChange(Sender: TObject);
begin
  if Sender = FImages then
    UpdateLayout;
end;

procedure TNbCustomPanel.SetBorderColor(const Value: TColor);
begin
  if FBorderColor <> Value then
  begin
    FBorderColor := Value;
    Invalidate;
  end;
end;

procedure TNbCustomPanel.SetBorderStyle(const Value: TNbBorderStyle);
begin
  if FBorderStyle <> Value then
  begin
    FBorderStyle := Value;
    UpdateLayout;
  end;
end;

procedure TNbCustomPanel.SetCaptionMargin(const Value: Integer);
begin
  if (FCaptionMargin <> Value) and (Value >= 0) then
  begin
    FCaptionMargin := Value;
    UpdateLayout;
  end;
end;

procedure TNbCustomPanel.SetImageIndex(const Value: Integer);
begin
  if FImageIndex <> Value then
  begin
    FImageIndex := Value;
    UpdateLayout;
  end;
end;

procedure TNbCustomPanel.SetImages(const Value: TCustomImageList);
begin
  if FImages = Value then
    Exit;
  if FImages <> nil then
  begin
    FImages.UnRegisterChanges(FImageChangeLink);
    FImages.RemoveFreeNotification(Self);
  end;
  FImages := Value;
  if FImages <> nil then
  begin
    FImages.RegisterChanges(FImageChangeLink);
    FImages.FreeNotification(Self);
  end;
  UpdateLayout;
end;

{$ENDREGION}

end.
