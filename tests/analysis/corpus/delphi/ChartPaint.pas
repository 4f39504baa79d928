unit ChartPaint;

{ Line chart form for the sensor dashboard (FireMonkey).  The form is built
  in code; there is no .fmx file for it. }

interface

uses
  System.SysUtils, System.Types, System.UITypes, System.Classes, System.Math,
  System.Generics.Collections,
  FMX.Types, FMX.Graphics, FMX.Controls, FMX.Forms, FMX.Objects,
  FMX.StdCtrls, FMX.Layouts, FMX.Dialogs;

type
  TSeriesPoint = record
    X, Y: Single;
    class function Make(AX, AY: Single): TSeriesPoint; static;
  end;

  TChartForm = class(TForm)
  private
    FPoints: TList<TSeriesPoint>;
    FPlot: TPaintBox;
    FTitle: TLabel;
    FToolbar: TLayout;
    FExportBtn: TButton;
    FCache: TBitmap;
    FCacheValid: Boolean;
    procedure PlotPaint(Sender: TObject; Canvas: TCanvas);
    procedure PlotResize(Sender: TObject);
    procedure ExportClick(Sender: TObject);
    function DataBounds: TRectF;
    function MapPoint(const P: TSeriesPoint; const Data, Area: TRectF): TPointF;
    procedure DrawSeries(ACanvas: TCanvas; const Area: TRectF);
    procedure RebuildCache;
    procedure AddLegend(const AText: string; AColor: TAlphaColor);
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure AddPoint(X, Y: Single);
    procedure ExportPng(const AFileName: string; W, H: Integer);
    function MakeThumbnail: TBitmap;
  end;

implementation

{ TSeriesPoint }

class function TSeriesPoint.Make(AX, AY: Single): TSeriesPoint;
begin
  Result.X := AX;
  Result.Y := AY;
end;

{ TChartForm }

constructor TChartForm.Create(AOwner: TComponent);
begin
  inherited CreateNew(AOwner);
  Caption := 'Sensor chart';
  Width := 640;
  Height := 420;
  FPoints := TList<TSeriesPoint>.Create;

  FToolbar := TLayout.Create(Self);
  FToolbar.Parent := Self;
  FToolbar.Align := TAlignLayout.Top;
  FToolbar.Height := 36;

  FTitle := TLabel.Create(Self);
  FTitle.Parent := FToolbar;
  FTitle.Align := TAlignLayout.Client;
  FTitle.Text := 'Temperature';

  FExportBtn := TButton.Create(Self);
  FExportBtn.Parent := FToolbar;
  FExportBtn.Align := TAlignLayout.Right;
  FExportBtn.Text := 'Export...';
  FExportBtn.OnClick := ExportClick;

  FPlot := TPaintBox.Create(Self);
  FPlot.Parent := Self;
  FPlot.Align := TAlignLayout.Client;
  FPlot.OnPaint := PlotPaint;
  FPlot.OnResize := PlotResize;

  AddLegend('inside', TAlphaColors.Navy);
end;

destructor TChartForm.Destroy;
begin
  FreeAndNil(FCache);
  FPoints.Free;
  inherited;
end;

procedure TChartForm.AddLegend(const AText: string; AColor: TAlphaColor);
var
  Swatch: TRectangle;
  Lbl: TLabel;
begin
  Swatch := TRectangle.Create(Self);
  Swatch.Parent := FToolbar;
  Swatch.Align := TAlignLayout.Left;
  Swatch.Width := 16;
  Swatch.Margins.Rect := TRectF.Create(4, 10, 4, 10);
  Swatch.Fill.Color := AColor;
  Lbl := TLabel.Create(Self);
  Lbl.Parent := FToolbar;
  Lbl.Align := TAlignLayout.Left;
  Lbl.Text := AText;
end;

procedure TChartForm.AddPoint(X, Y: Single);
begin
  FPoints.Add(TSeriesPoint.Make(X, Y));
  FCacheValid := False;
  FPlot.Repaint;
end;

function TChartForm.DataBounds: TRectF;
var
  P: TSeriesPoint;
begin
  if FPoints.Count = 0 then
    Exit(TRectF.Create(0, 0, 1, 1));
  Result := TRectF.Create(FPoints[0].X, FPoints[0].Y, FPoints[0].X, FPoints[0].Y);
  for P in FPoints do
  begin
    Result.Left := Min(Result.Left, P.X);
    Result.Right := Max(Result.Right, P.X);
    Result.Top := Min(Result.Top, P.Y);
    Result.Bottom := Max(Result.Bottom, P.Y);
  end;
  if SameValue(Result.Width, 0) then
    Result.Right := Result.Left + 1;
  if SameValue(Result.Height, 0) then
    Result.Bottom := Result.Top + 1;
end;

function TChartForm.MapPoint(const P: TSeriesPoint; const Data, Area: TRectF): TPointF;
begin
  Result.X := Area.Left + (P.X - Data.Left) / Data.Width * Area.Width;
  Result.Y := Area.Bottom - (P.Y - Data.Top) / Data.Height * Area.Height;
end;

procedure TChartForm.DrawSeries(ACanvas: TCanvas; const Area: TRectF);
var
  Data: TRectF;
  Path: TPathData;
  Stroke: TStrokeBrush;
  I: Integer;
begin
  if FPoints.Count < 2 then
    Exit;
  Data := DataBounds;
  Path := TPathData.Create;
  try
    Path.MoveTo(MapPoint(FPoints[0], Data, Area));
    for I := 1 to FPoints.Count - 1 do
      Path.LineTo(MapPoint(FPoints[I], Data, Area));
    Stroke := TStrokeBrush.Create(TBrushKind.Solid, TAlphaColors.Navy);
    try
      Stroke.Thickness := 2;
      ACanvas.DrawPath(Path, 1, Stroke);
    finally
      Stroke.Free;
    end;
  finally
    Path.Free;
  end;
end;

procedure TChartForm.RebuildCache;
var
  Area: TRectF;
begin
  FreeAndNil(FCache);
  FCache := TBitmap.Create(Round(FPlot.Width), Round(FPlot.Height));
  Area := TRectF.Create(8, 8, FCache.Width - 8, FCache.Height - 8);
  FCache.Clear(TAlphaColors.White);
  if FCache.Canvas.BeginScene then
  try
    DrawSeries(FCache.Canvas, Area);
  finally
    FCache.Canvas.EndScene;
  end;
  FCacheValid := True;
end;

procedure TChartForm.PlotPaint(Sender: TObject; Canvas: TCanvas);
var
  Src: TRectF;
begin
  if (FPlot.Width < 16) or (FPlot.Height < 16) then
    Exit;
  if not FCacheValid then
    RebuildCache;
  Src := TRectF.Create(0, 0, FCache.Width, FCache.Height);
  Canvas.DrawBitmap(FCache, Src, FPlot.LocalRect, 1, True);
end;

procedure TChartForm.PlotResize(Sender: TObject);
begin
  FCacheValid := False;
end;

procedure TChartForm.ExportPng(const AFileName: string; W, H: Integer);
var
  Bmp: TBitmap;
  Area: TRectF;
begin
  Bmp := TBitmap.Create(W, H);
  Area := TRectF.Create(0, 0, W, H);
  Area.Inflate(-12, -12);
  Bmp.Clear(TAlphaColors.White);
  if Bmp.Canvas.BeginScene then
  try
    DrawSeries(Bmp.Canvas, Area);
  finally
    Bmp.Canvas.EndScene;
  end;
  Bmp.SaveToFile(AFileName);
  Bmp.Free;
end;

function TChartForm.MakeThumbnail: TBitmap;
begin
  Result := TBitmap.Create(96, 64);
  try
    Result.Clear(TAlphaColors.White);
    if Result.Canvas.BeginScene then
    try
      DrawSeries(Result.Canvas, TRectF.Create(2, 2, 94, 62));
    finally
      Result.Canvas.EndScene;
    end;
  except
    Result.Free;
    raise;
  end;
end;

procedure TChartForm.ExportClick(Sender: TObject);
var
  Dlg: TSaveDialog;
begin
  Dlg := TSaveDialog.Create(nil);
  try
    Dlg.DefaultExt := 'png';
    Dlg.Filter := 'PNG image|*.png';
    if Dlg.Execute then
      ExportPng(Dlg.FileName, 1200, 800);
  finally
    Dlg.Free;
  end;
end;

end.
