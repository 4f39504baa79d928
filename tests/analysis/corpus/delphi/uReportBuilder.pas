unit uReportBuilder;

// Builds the monthly sales report as a list of pages of text lines.

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, uSalesData;

type
  TReportPage = class
  private
    FLines: TStringList;
    FNumber: Integer;
  public
    constructor Create(ANumber: Integer);
    destructor Destroy; override;
    property Lines: TStringList read FLines;
    property Number: Integer read FNumber;
  end;

  TReportBuilder = class
  private
    FPages: TObjectList<TReportPage>;
    FCurrent: TReportPage;
    FLinesPerPage: Integer;
    FTitle: string;
    procedure NewPage;
    procedure AddLine(const AText: string);
  public
    constructor Create(const ATitle: string; ALinesPerPage: Integer = 60);
    destructor Destroy; override;
    procedure AddSection(const AHeading: string; AData: TSalesData);
    procedure SaveToFile(const AFileName: string);
    property Pages: TObjectList<TReportPage> read FPages;
  end;

implementation

{ TReportPage }

constructor TReportPage.Create(ANumber: Integer);
begin
  inherited Create;
  FNumber := ANumber;
  FLines := TStringList.Create;
end;

destructor TReportPage.Destroy;
begin
  FLines.Free;
  inherited;
end;

{ TReportBuilder }

constructor TReportBuilder.Create(const ATitle: string; ALinesPerPage: Integer);
begin
  FTitle := ATitle;
  FLinesPerPage := ALinesPerPage;
  inherited Create;
  FPages := TObjectList<TReportPage>.Create(True);
  NewPage;
end;

destructor TReportBuilder.Destroy;
begin
  inherited Destroy;
  FPages.Free;
end;

procedure TReportBuilder.NewPage;
begin
  FCurrent := TReportPage.Create(FPages.Count + 1);
  FPages.Add(FCurrent);
  FCurrent.Lines.Add(Format('%s - page %d', [FTitle, FCurrent.Number]));
  FCurrent.Lines.Add(StringOfChar('-', 72));
end;

procedure TReportBuilder.AddLine(const AText: string);
begin
  if FCurrent.Lines.Count >= FLinesPerPage then
    NewPage;
  FCurrent.Lines.Add(AText);
end;

procedure TReportBuilder.AddSection(const AHeading: string; AData: TSalesData);
var
  Row: TSalesRow;
  Total: Currency;
begin
  AddLine('');
  AddLine(AHeading);
  Total := 0;
  for Row in AData.Rows do
  begin
    AddLine(Format('%-40s %12.2m', [Row.Product, Row.Amount]));
    Total := Total + Row.Amount;
  end;
  AddLine(Format('%-40s %12.2m', ['Total', Total]));
end;

procedure TReportBuilder.SaveToFile(const AFileName: string);
var
  Output: TStringList;
  Page: TReportPage;
begin
  Output := TStringList.Create;
  try
    for Page in FPages do
    begin
      Output.AddStrings(Page.Lines);
      Output.Add(#12);
    end;
    Output.SaveToFile(AFileName);
  finally
    Output.Free;
  end;
end;

end.
