{*******************************************************}
{                                                       }
{       Ferro VCL controls                              }
{       Captioned panel and status LED                  }
{                                                       }
{*******************************************************}

unit uGridPanel;

{$R-,T-,H+,X+}

interface

uses
  Winapi.Windows, Winapi.Messages, System.SysUtils, System.Classes, System.Types,
  Vcl.Graphics, Vcl.Controls, Vcl.ExtCtrls, Vcl.StdCtrls, Vcl.Forms;

type
  TCaptionPosition = (cpTop, cpLeft, cpHidden);

  TCaptionedPanel = class(TCustomPanel)
  private
    FCaptionFont: TFont;
    FCaptionHeight: Integer;
    FCaptionPosition: TCaptionPosition;
    FFocusControl: TWinControl;
    FHintLabel: TLabel;
    FBuffer: TBitmap;
    FUpdating: Boolean;
    procedure CaptionFontChanged(Sender: TObject);
    procedure SetCaptionFont(const Value: TFont);
    procedure SetCaptionHeight(const Value: Integer);
    procedure SetCaptionPosition(const Value: TCaptionPosition);
    procedure SetFocusControl(const Value: TWinControl);
    function GetHintText: string;
    procedure SetHintText(const Value: string);
    procedure WMSize(var Msg: TWMSize); message WM_SIZE;
    procedure WMEraseBkgnd(var Msg: TWMEraseBkgnd); message WM_ERASEBKGND;
    procedure CMFontChanged(var Msg: TMessage); message CM_FONTCHANGED;
    procedure CMDialogChar(var Msg: TCMDialogChar); message CM_DIALOGCHAR;
  protected
    procedure CreateParams(var Params: TCreateParams); override;
    procedure Loaded; override;
    procedure Notification(AComponent: TComponent; Operation: TOperation); override;
    procedure SetParent(AParent: TWinControl); override;
    procedure Paint; override;
    procedure AdjustClientRect(var Rect: TRect); override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  published
    property Align;
    property Anchors;
    property Caption;
    property Color;
    property ParentBackground;
    property CaptionFont: TFont read FCaptionFont write SetCaptionFont;
    property CaptionHeight: Integer read FCaptionHeight write SetCaptionHeight default 22;
    property CaptionPosition: TCaptionPosition read FCaptionPosition
      write SetCaptionPosition default cpTop;
    property FocusControl: TWinControl read FFocusControl write SetFocusControl;
    property HintText: string read GetHintText write SetHintText;
    property OnClick;
    property OnResize;
  end;

  TLedState = (lsOff, lsOn, lsBlink);

  TStatusLed = class(TGraphicControl)
  private
    FState: TLedState;
    FTimer: TTimer;
    FPhase: Boolean;
    FOnColor: TColor;
    procedure SetState(const Value: TLedState);
    procedure TimerTick(Sender: TObject);
  protected
    procedure Paint; override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  published
    property State: TLedState read FState write SetState default lsOff;
    property OnColor: TColor read FOnColor write FOnColor default clLime;
    property Visible;
  end;

procedure Register;

implementation

uses
  System.Math;

procedure Register;
begin
  RegisterComponents('Ferro', [TCaptionedPanel, TStatusLed]);
end;

{ TCaptionedPanel }

constructor TCaptionedPanel.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  ControlStyle := ControlStyle - [csSetCaption];
  FCaptionHeight := 22;
  FCaptionPosition := cpTop;
  FCaptionFont := TFont.Create;
  FCaptionFont.Style := [fsBold];
  FCaptionFont.OnChange := CaptionFontChanged;
  FBuffer := TBitmap.Create;
  { The hint label is a sub-component: owned by the panel, streamed with it,
    and destroyed by inherited Destroy together with the other children. }
  FHintLabel := TLabel.Create(Self);
  FHintLabel.SetSubComponent(True);
  FHintLabel.Parent := Self;
  FHintLabel.Align := alBottom;
  FHintLabel.Visible := False;
  BevelOuter := bvNone;
  Width := 185;
  Height := 120;
end;

destructor TCaptionedPanel.Destroy;
begin
  FCaptionFont.Free;
  inherited Destroy;
  FreeAndNil(FBuffer);
end;

procedure TCaptionedPanel.CreateParams(var Params: TCreateParams);
begin
  inherited CreateParams(Params);
  Params.Style := Params.Style or WS_CLIPCHILDREN;
  Params.WindowClass.style := Params.WindowClass.style and not (CS_HREDRAW or CS_VREDRAW);
end;

procedure TCaptionedPanel.Loaded;
begin
  inherited Loaded;
  if FCaptionPosition = cpHidden then
    FCaptionHeight := 0;
  Realign;
end;

procedure TCaptionedPanel.Notification(AComponent: TComponent; Operation: TOperation);
begin
  inherited Notification(AComponent, Operation);
  if (Operation = opRemove) and (AComponent = FFocusControl) then
    FFocusControl := nil;
end;

procedure TCaptionedPanel.SetParent(AParent: TWinControl);
begin
  inherited SetParent(AParent);
  if (AParent <> nil) and not (csLoading in ComponentState) then
    ParentBackground := not (AParent is TCustomForm);
end;

procedure TCaptionedPanel.AdjustClientRect(var Rect: TRect);
begin
  inherited AdjustClientRect(Rect);
  case FCaptionPosition of
    cpTop: Inc(Rect.Top, FCaptionHeight);
    cpLeft: Inc(Rect.Left, FCaptionHeight);
  end;
end;

procedure TCaptionedPanel.CaptionFontChanged(Sender: TObject);
begin
  if not FUpdating then
    Invalidate;
end;

procedure TCaptionedPanel.SetCaptionFont(const Value: TFont);
begin
  FCaptionFont.Assign(Value);
end;

procedure TCaptionedPanel.SetCaptionHeight(const Value: Integer);
begin
  if FCaptionHeight <> Value then
  begin
    FCaptionHeight := Max(0, Value);
    Realign;
    Invalidate;
  end;
end;

procedure TCaptionedPanel.SetCaptionPosition(const Value: TCaptionPosition);
begin
  if FCaptionPosition <> Value then
  begin
    FCaptionPosition := Value;
    Realign;
    Invalidate;
  end;
end;

procedure TCaptionedPanel.SetFocusControl(const Value: TWinControl);
begin
  if FFocusControl <> Value then
  begin
    if FFocusControl <> nil then
      FFocusControl.RemoveFreeNotification(Self);
    FFocusControl := Value;
    if FFocusControl <> nil then
      FFocusControl.FreeNotification(Self);
  end;
end;

function TCaptionedPanel.GetHintText: string;
begin
  Result := FHintLabel.Caption;
end;

procedure TCaptionedPanel.SetHintText(const Value: string);
begin
  FHintLabel.Caption := Value;
  FHintLabel.Visible := Value <> '';
end;

procedure TCaptionedPanel.WMSize(var Msg: TWMSize);
begin
  inherited;
  FBuffer.SetSize(Msg.Width, Max(FCaptionHeight, 1));
  Invalidate;
end;

procedure TCaptionedPanel.WMEraseBkgnd(var Msg: TWMEraseBkgnd);
begin
  if ParentBackground then
    inherited
  else
    Msg.Result := 1;
end;

procedure TCaptionedPanel.CMFontChanged(var Msg: TMessage);
begin
  inherited;
  FUpdating := True;
  try
    FCaptionFont.Name := Font.Name;
  finally
    FUpdating := False;
  end;
end;

procedure TCaptionedPanel.CMDialogChar(var Msg: TCMDialogChar);
begin
  if (FFocusControl <> nil) and Enabled and IsAccel(Msg.CharCode, Caption)
    and FFocusControl.CanFocus then
  begin
    FFocusControl.SetFocus;
    Msg.Result := 1;
  end
  else
    inherited;
end;

procedure TCaptionedPanel.Paint;
var
  R: TRect;
begin
  inherited Paint;
  if FCaptionPosition = cpHidden then
    Exit;
  R := TRect.Create(0, 0, Width, FCaptionHeight);
  FBuffer.SetSize(R.Width, R.Height);
  FBuffer.Canvas.Brush.Color := clBtnShadow;
  FBuffer.Canvas.FillRect(R);
  FBuffer.Canvas.Font := FCaptionFont;
  FBuffer.Canvas.Brush.Style := bsClear;
  FBuffer.Canvas.TextOut(4, (FCaptionHeight - FBuffer.Canvas.TextHeight('Ag')) div 2, Caption);
  Canvas.Draw(0, 0, FBuffer);
end;

{ TStatusLed }

constructor TStatusLed.Create(AOwner: TComponent);
begin
  inherited;
  Width := 16;
  Height := 16;
  FOnColor := clLime;
  FTimer := TTimer.Create(nil);
  FTimer.Enabled := False;
  FTimer.Interval := 500;
  FTimer.OnTimer := TimerTick;
end;

destructor TStatusLed.Destroy;
begin
  try
    FTimer.Enabled := False;
    FTimer.Free;
  finally
    inherited;
  end;
end;

procedure TStatusLed.SetState(const Value: TLedState);
begin
  if FState <> Value then
  begin
    FState := Value;
    FTimer.Enabled := FState = lsBlink;
    FPhase := True;
    Invalidate;
  end;
end;

procedure TStatusLed.TimerTick(Sender: TObject);
begin
  FPhase := not FPhase;
  Invalidate;
end;

procedure TStatusLed.Paint;
var
  Lit: Boolean;
  R: TRect;
begin
  Lit := (FState = lsOn) or ((FState = lsBlink) and FPhase);
  R := ClientRect;
  InflateRect(R, -1, -1);
  with Canvas do
  begin
    Pen.Color := clBlack;
    if Lit then
      Brush.Color := FOnColor
    else
      Brush.Color := clGreen;
    Ellipse(R);
  end;
end;

end.
