unit uInvoicePdf;

interface

uses
  System.SysUtils, System.Classes, System.Math, Vcl.Graphics, uPdfWriter, uInvoice;

type
  TInvoicePdf = class
  private
    FLogo: TGraphic;
    FCompanyLines: TStrings;
    procedure DrawHeader(APdf: TPdfWriter; AInvoice: TInvoice);
    procedure DrawLines(APdf: TPdfWriter; AInvoice: TInvoice; var ATop: Double);
    procedure DrawTotals(APdf: TPdfWriter; AInvoice: TInvoice; ATop: Double);
  public
    constructor Create(ALogo: TGraphic; ACompanyLines: TStrings);
    procedure SaveToFile(AInvoice: TInvoice; const AFileName: string);
    function SaveToStream(AInvoice: TInvoice): TMemoryStream;
  end;

implementation

const
  PageTop = 20;
  PageBottom = 277;
  LineHeight = 5.5;

constructor TInvoicePdf.Create(ALogo: TGraphic; ACompanyLines: TStrings);
begin
  inherited Create;
  FLogo := ALogo;
  FCompanyLines := ACompanyLines;
end;

procedure TInvoicePdf.DrawHeader(APdf: TPdfWriter; AInvoice: TInvoice);
var
  I: Integer;
begin
  if FLogo <> nil then
    APdf.DrawImage(FLogo, 150, 12, 45, 20);
  APdf.SetFont('Helvetica', 8);
  for I := 0 to FCompanyLines.Count - 1 do
    APdf.TextOut(20, 12 + I * 3.5, FCompanyLines[I]);
  APdf.SetFont('Helvetica-Bold', 14);
  APdf.TextOut(20, 45, Format('Invoice %s', [AInvoice.Number]));
  APdf.SetFont('Helvetica', 10);
  APdf.TextOut(20, 52, 'Date: ' + DateToStr(AInvoice.Date));
  APdf.TextOut(20, 57, 'Due: ' + DateToStr(AInvoice.DueDate));
end;

procedure TInvoicePdf.DrawLines(APdf: TPdfWriter; AInvoice: TInvoice; var ATop: Double);

  procedure NewPageIfNeeded;
  begin
    if ATop + LineHeight > PageBottom then
    begin
      APdf.NewPage;
      ATop := PageTop;
    end;
  end;

  function Money(AValue: Currency): string;
  begin
    Result := FormatCurr('#,##0.00', AValue);
  end;

var
  Line: TInvoiceLine;
begin
  APdf.SetFont('Helvetica', 9);
  for Line in AInvoice.Lines do
  begin
    NewPageIfNeeded;
    APdf.TextOut(20, ATop, Line.ArticleNo);
    APdf.TextOut(45, ATop, Copy(Line.Description, 1, 60));
    APdf.TextOutRight(150, ATop, FloatToStr(Line.Quantity));
    APdf.TextOutRight(170, ATop, Money(Line.UnitPrice));
    APdf.TextOutRight(195, ATop, Money(Line.Amount));
    ATop := ATop + LineHeight;
  end;
end;

procedure TInvoicePdf.DrawTotals(APdf: TPdfWriter; AInvoice: TInvoice; ATop: Double);
begin
  APdf.SetFont('Helvetica-Bold', 10);
  APdf.TextOutRight(170, ATop + 4, 'Net');
  APdf.TextOutRight(195, ATop + 4, FormatCurr('#,##0.00', AInvoice.Net));
  APdf.TextOutRight(170, ATop + 9, Format('VAT %.0f%%', [AInvoice.VatRate]));
  APdf.TextOutRight(195, ATop + 9, FormatCurr('#,##0.00', AInvoice.Vat));
  APdf.TextOutRight(170, ATop + 15, 'Total');
  APdf.TextOutRight(195, ATop + 15, FormatCurr('#,##0.00', AInvoice.Gross));
end;

function TInvoicePdf.SaveToStream(AInvoice: TInvoice): TMemoryStream;
var
  Pdf: TPdfWriter;
  Top: Double;
begin
  Result := TMemoryStream.Create;
  try
    Pdf := TPdfWriter.Create(Result);
    try
      Pdf.Title := 'Invoice ' + AInvoice.Number;
      DrawHeader(Pdf, AInvoice);
      Top := 75;
      DrawLines(Pdf, AInvoice, Top);
      DrawTotals(Pdf, AInvoice, Top);
      Pdf.Finish;
    finally
      Pdf.Free;
    end;
    Result.Position := 0;
  except
    Result.Free;
    raise;
  end;
end;

procedure TInvoicePdf.SaveToFile(AInvoice: TInvoice; const AFileName: string);
var
  Stream: TMemoryStream;
begin
  Stream := SaveToStream(AInvoice);
  try
    Stream.SaveToFile(AFileName);
  finally
    Stream.Free;
  end;
end;

end.
