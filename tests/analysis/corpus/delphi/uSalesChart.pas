unit uSalesChart;

interface

uses
  System.SysUtils, System.Classes, System.Types, System.UITypes, System.Math,
  System.Generics.Collections, System.Generics.Defaults, Vcl.Graphics, uSalesData;

type
  TSalesChart = class
  private
    FCanvas: TCanvas;
    FBounds: TRect;
    FColors: TDictionary<string, TColor>;
    function ToScreen(const APoint: TPointF; AMaxX, AMaxY: Single): TPoint;
    procedure CollectPoints(AData: TSalesData; const ASeries: string; APoints: TList<TPointF>);
  public
    constructor Create(ACanvas: TCanvas; const ABounds: TRect);
    destructor Destroy; override;
    procedure DrawSeries(AData: TSalesData; const ASeries: string);
    procedure DrawLegend(AData: TSalesData);
    function TopProducts(AData: TSalesData; ACount: Integer): TArray<string>;
  end;

implementation

constructor TSalesChart.Create(ACanvas: TCanvas; const ABounds: TRect);
begin
  inherited Create;
  FCanvas := ACanvas;
  FBounds := ABounds;
  FColors := TDictionary<string, TColor>.Create;
  FColors.Add('North', TColors.Steelblue);
  FColors.Add('South', TColors.Darkorange);
  FColors.Add('East', TColors.Seagreen);
  FColors.Add('West', TColors.Firebrick);
end;

destructor TSalesChart.Destroy;
begin
  FColors.Free;
  inherited;
end;

function TSalesChart.ToScreen(const APoint: TPointF; AMaxX, AMaxY: Single): TPoint;
begin
  Result.X := FBounds.Left + Round(APoint.X / AMaxX * FBounds.Width);
  Result.Y := FBounds.Bottom - Round(APoint.Y / AMaxY * FBounds.Height);
end;

procedure TSalesChart.CollectPoints(AData: TSalesData; const ASeries: string; APoints: TList<TPointF>);
var
  Row: TSalesRow;
begin
  for Row in AData.Rows do
    if Row.Region = ASeries then
      APoints.Add(PointF(Row.Month, Row.Amount));
  APoints.Sort(TComparer<TPointF>.Construct(
    function(const L, R: TPointF): Integer
    begin
      Result := CompareValue(L.X, R.X);
    end));
end;

procedure TSalesChart.DrawSeries(AData: TSalesData; const ASeries: string);
var
  Points: TList<TPointF>;
  Screen: TArray<TPoint>;
  MaxY: Single;
  Color: TColor;
  I: Integer;
begin
  Points := TList<TPointF>.Create;
  CollectPoints(AData, ASeries, Points);
  if Points.Count < 2 then
    Exit;
  MaxY := 1;
  for I := 0 to Points.Count - 1 do
    MaxY := Max(MaxY, Points[I].Y);
  SetLength(Screen, Points.Count);
  for I := 0 to Points.Count - 1 do
    Screen[I] := ToScreen(Points[I], 12, MaxY * 1.1);
  if not FColors.TryGetValue(ASeries, Color) then
    Color := clGray;
  FCanvas.Pen.Color := Color;
  FCanvas.Pen.Width := 2;
  FCanvas.Polyline(Screen);
  Points.Free;
end;

procedure TSalesChart.DrawLegend(AData: TSalesData);
var
  Regions: TList<string>;
  Region: string;
  Y: Integer;
begin
  Regions := TList<string>.Create(FColors.Keys);
  try
    Regions.Sort;
    Y := FBounds.Top + 4;
    for Region in Regions do
    begin
      FCanvas.Brush.Color := FColors[Region];
      FCanvas.FillRect(Rect(FBounds.Right - 90, Y, FBounds.Right - 80, Y + 10));
      FCanvas.Brush.Style := bsClear;
      FCanvas.TextOut(FBounds.Right - 76, Y - 2, Region);
      Inc(Y, 16);
    end;
  finally
    Regions.Free;
  end;
end;

function TSalesChart.TopProducts(AData: TSalesData; ACount: Integer): TArray<string>;
var
  Totals: TDictionary<string, Currency>;
  Sorted: TList<TPair<string, Currency>>;
  Row: TSalesRow;
  Total: Currency;
  I: Integer;
begin
  Totals := TDictionary<string, Currency>.Create;
  try
    for Row in AData.Rows do
    begin
      if not Totals.TryGetValue(Row.Product, Total) then
        Total := 0;
      Totals.AddOrSetValue(Row.Product, Total + Row.Amount);
    end;
    Sorted := TList<TPair<string, Currency>>.Create(Totals.ToArray);
    try
      Sorted.Sort(TComparer<TPair<string, Currency>>.Construct(
        function(const L, R: TPair<string, Currency>): Integer
        begin
          Result := -CompareValue(L.Value, R.Value);
        end));
      SetLength(Result, Min(ACount, Sorted.Count));
      for I := 0 to High(Result) do
        Result[I] := Sorted[I].Key;
    finally
      Sorted.Free;
    end;
  finally
    Totals.Free;
  end;
end;

end.
