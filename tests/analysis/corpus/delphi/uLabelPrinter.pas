unit uLabelPrinter;

interface

uses
  System.SysUtils, System.Classes, Vcl.Graphics, Vcl.Printers, uBarcode;

type
  TLabelLayout = class(TPersistent)
  private
    FWidthMm: Integer;
    FHeightMm: Integer;
    FFont: TFont;
    FShowPrice: Boolean;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Assign(Source: TPersistent); override;
    property WidthMm: Integer read FWidthMm write FWidthMm;
    property HeightMm: Integer read FHeightMm write FHeightMm;
    property Font: TFont read FFont;
    property ShowPrice: Boolean read FShowPrice write FShowPrice;
  end;

  TArticleLabel = record
    ArticleNo: string;
    Description: string;
    Price: Currency;
    Ean: string;
  end;

  TLabelPrinter = class
  private
    FLayout: TLabelLayout;
    FPrinterIndex: Integer;
    function MmToPixels(AMm: Integer): Integer;
    procedure DrawLabel(ACanvas: TCanvas; const ALabel: TArticleLabel; ALeft, ATop: Integer);
  public
    constructor Create(APrinterIndex: Integer);
    destructor Destroy; override;
    procedure Print(const ALabels: TArray<TArticleLabel>; ACopies: Integer = 1);
    function Preview(const ALabel: TArticleLabel): TBitmap;
    property Layout: TLabelLayout read FLayout;
  end;

implementation

{ TLabelLayout }

constructor TLabelLayout.Create;
begin
  inherited Create;
  FWidthMm := 70;
  FHeightMm := 36;
  FFont := TFont.Create;
  FFont.Name := 'Arial';
  FFont.Size := 9;
  FShowPrice := True;
end;

destructor TLabelLayout.Destroy;
begin
  FFont.Free;
end;

procedure TLabelLayout.Assign(Source: TPersistent);
begin
  if Source is TLabelLayout then
  begin
    FWidthMm := TLabelLayout(Source).WidthMm;
    FHeightMm := TLabelLayout(Source).HeightMm;
    FFont.Assign(TLabelLayout(Source).Font);
    FShowPrice := TLabelLayout(Source).ShowPrice;
  end
  else
    inherited Assign(Source);
end;

{ TLabelPrinter }

constructor TLabelPrinter.Create(APrinterIndex: Integer);
begin
  inherited Create;
  FPrinterIndex := APrinterIndex;
  FLayout := TLabelLayout.Create;
end;

destructor TLabelPrinter.Destroy;
begin
  FLayout.Free;
  inherited Destroy;
end;

function TLabelPrinter.MmToPixels(AMm: Integer): Integer;
begin
  Result := Round(AMm / 25.4 * Printer.Canvas.Font.PixelsPerInch);
end;

procedure TLabelPrinter.DrawLabel(ACanvas: TCanvas; const ALabel: TArticleLabel; ALeft, ATop: Integer);
var
  Code: TBarcodeImage;
begin
  ACanvas.Font.Assign(FLayout.Font);
  ACanvas.TextOut(ALeft + 8, ATop + 4, ALabel.Description);
  ACanvas.TextOut(ALeft + 8, ATop + 4 + ACanvas.TextHeight('Ag'), ALabel.ArticleNo);
  if FLayout.ShowPrice then
    ACanvas.TextOut(ALeft + 8, ATop + 4 + 2 * ACanvas.TextHeight('Ag'), FormatCurr('#,##0.00', ALabel.Price));
  Code := TBarcodeImage.Create(ALabel.Ean, bcEan13);
  try
    ACanvas.StretchDraw(Rect(ALeft + 8, ATop + MmToPixels(18), ALeft + MmToPixels(FLayout.WidthMm) - 8,
      ATop + MmToPixels(FLayout.HeightMm) - 4), Code.Bitmap);
  finally
    Code.Destroy;
  end;
end;

procedure TLabelPrinter.Print(const ALabels: TArray<TArticleLabel>; ACopies: Integer);
var
  I, N, Top: Integer;
begin
  Printer.PrinterIndex := FPrinterIndex;
  Printer.Title := 'Article labels';
  Printer.BeginDoc;
  try
    Top := 0;
    for I := 0 to High(ALabels) do
      for N := 1 to ACopies do
      begin
        if Top + MmToPixels(FLayout.HeightMm) > Printer.PageHeight then
        begin
          Printer.NewPage;
          Top := 0;
        end;
        DrawLabel(Printer.Canvas, ALabels[I], 0, Top);
        Inc(Top, MmToPixels(FLayout.HeightMm));
      end;
    Printer.EndDoc;
  except
    Printer.Abort;
    raise;
  end;
end;

function TLabelPrinter.Preview(const ALabel: TArticleLabel): TBitmap;
var
  Bitmap: TBitmap;
begin
  Bitmap := TBitmap.Create;
  Bitmap.SetSize(MmToPixels(FLayout.WidthMm) div 3, MmToPixels(FLayout.HeightMm) div 3);
  Bitmap.Canvas.Brush.Color := clWhite;
  Bitmap.Canvas.FillRect(Rect(0, 0, Bitmap.Width, Bitmap.Height));
  DrawLabel(Bitmap.Canvas, ALabel, 0, 0);
  Result := Bitmap;
end;

end.
