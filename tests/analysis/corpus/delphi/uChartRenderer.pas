unit uChartRenderer;

{ Draws the sales chart onto an FMX canvas and exports its data points. }

interface

uses
  System.SysUtils, System.Types, System.Classes, System.Diagnostics,
  System.RegularExpressions, System.Rtti, System.Generics.Collections, FMX.Graphics;

type
  TChartPoint = record
    X, Y: Single;
    Caption: string;
    constructor Create(AX, AY: Single; const ACaption: string);
  end;

  TChartRenderer = class
  private
    FPoints: TList<TChartPoint>;
    FMargin: Single;
    function PlotArea(const ABounds: TRectF): TRectF;
  public
    constructor Create;
    destructor Destroy; override;
    procedure AddPoint(AX, AY: Single; const ACaption: string);
    procedure Render(ACanvas: TCanvas; const ABounds: TRectF);
    function ExportCsv: string;
    function ParseSeries(const AText: string): Integer;
    function DescribeFields: string;
  end;

implementation

{ TChartPoint }

constructor TChartPoint.Create(AX, AY: Single; const ACaption: string);
begin
  X := AX;
  Y := AY;
  Caption := ACaption;
end;

{ TChartRenderer }

constructor TChartRenderer.Create;
begin
  inherited Create;
  FPoints := TList<TChartPoint>.Create;
  FMargin := 8;
end;

destructor TChartRenderer.Destroy;
begin
  FPoints.Free;
  inherited;
end;

procedure TChartRenderer.AddPoint(AX, AY: Single; const ACaption: string);
var
  Point: TChartPoint;
begin
  Point := TChartPoint.Create(AX, AY, ACaption);
  FPoints.Add(Point);
end;

function TChartRenderer.PlotArea(const ABounds: TRectF): TRectF;
var
  Area: TRectF;
begin
  Area := TRectF.Create(ABounds.Left + FMargin, ABounds.Top + FMargin,
    ABounds.Right - FMargin, ABounds.Bottom - FMargin);
  Result := Area;
end;

procedure TChartRenderer.Render(ACanvas: TCanvas; const ABounds: TRectF);
var
  Area, Dot: TRectF;
  Origin: TPointF;
  Watch: TStopwatch;
  I: Integer;
begin
  Watch := TStopwatch.Create;
  Watch.Start;
  Area := PlotArea(ABounds);
  Origin := TPointF.Create(Area.Left, Area.Bottom);
  ACanvas.BeginScene;
  try
    for I := 0 to FPoints.Count - 1 do
    begin
      Dot := TRectF.Create(Origin.X + FPoints[I].X - 2, Origin.Y - FPoints[I].Y - 2,
        Origin.X + FPoints[I].X + 2, Origin.Y - FPoints[I].Y + 2);
      ACanvas.FillEllipse(Dot, 1);
    end;
  finally
    ACanvas.EndScene;
  end;
  Watch.Stop;
end;

function TChartRenderer.ExportCsv: string;
var
  Settings: TFormatSettings;
  Lines: TStringList;
  P: TChartPoint;
begin
  Settings := TFormatSettings.Create('en-US');
  Lines := TStringList.Create;
  for P in FPoints do
    Lines.Add(FloatToStr(P.X, Settings) + ';' + FloatToStr(P.Y, Settings) + ';' + P.Caption);
  Result := Lines.Text;
end;

function TChartRenderer.ParseSeries(const AText: string): Integer;
var
  Expr: TRegEx;
  Match: TMatch;
begin
  Result := 0;
  Expr := TRegEx.Create('(\d+(\.\d+)?);(\d+(\.\d+)?)');
  Match := Expr.Match(AText);
  while Match.Success do
  begin
    AddPoint(StrToFloat(Match.Groups[1].Value), StrToFloat(Match.Groups[3].Value), '');
    Inc(Result);
    Match := Match.NextMatch;
  end;
end;

function TChartRenderer.DescribeFields: string;
var
  Context: TRttiContext;
  Field: TRttiField;
begin
  Result := '';
  Context := TRttiContext.Create;
  try
    for Field in Context.GetType(TChartRenderer).GetFields do
      Result := Result + Field.Name + sLineBreak;
  finally
    Context.Free;
  end;
end;

end.
