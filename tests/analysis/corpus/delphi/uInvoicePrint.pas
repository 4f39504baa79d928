unit uInvoicePrint;

// Invoice printing.  TInvoiceReport was TInvPrint until 2002.
// 2005-03-11 MW: page buffer added for the laser printers in Bremen
// 2009-10-02 AS: totals moved to TInvoiceTotals, DON'T call PrintTotals twice

interface

uses
  Windows, SysUtils, Classes, Graphics, Printers, Db, DBTables, Forms, Dialogs;

type
  TInvoiceTotals = class
  private
    FNet, FTax, FGross: Currency;
    FTaxRates: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    procedure AddLine(Net: Currency; TaxRate: Double);
    property Net: Currency read FNet;
    property Tax: Currency read FTax;
    property Gross: Currency read FGross;
  end;

  TPageBuffer = class(TObject)
  private
    FBitmap: TBitmap;
    FPageNo: Integer;
  public
    constructor Create(AWidth, AHeight: Integer);
    destructor Destroy; override;
    property Bitmap: TBitmap read FBitmap;
    property PageNo: Integer read FPageNo write FPageNo;
  end;

  TInvoiceReport = class(TObject)
  private
    FLines: TStringList;
    FFonts: TList;
    FTotals: TInvoiceTotals;
    FQuery: TQuery;
    FTop, FLeft, FLineHeight: Integer;
    FCopies: Integer;
    procedure NewPage;
    procedure PrintLine(const S: string; Bold: Boolean);
  public
    constructor Create(ADatabaseName: string);
    destructor Destroy; override;
    procedure PrintInvoices(FromNo, ToNo: Integer);
    property Copies: Integer read FCopies write FCopies;
  end;

implementation

{ TInvoiceTotals }

constructor TInvoiceTotals.Create;
begin
  inherited Create;
  FTaxRates := TStringList.Create;
  FTaxRates.Sorted := True;
  FTaxRates.Duplicates := dupIgnore;
end;

destructor TInvoiceTotals.Destroy;
begin
  try
    FTaxRates.Free;
  finally
    inherited Destroy;
  end;
end;

procedure TInvoiceTotals.AddLine(Net: Currency; TaxRate: Double);
var
  T: Currency;
begin
  T := Net * TaxRate / 100;
  FNet := FNet + Net; FTax := FTax + T; FGross := FGross + Net + T;
  FTaxRates.Add(FormatFloat('0.00', TaxRate));
end;

{ TPageBuffer }

constructor TPageBuffer.Create(AWidth, AHeight: Integer);
begin
  FPageNo := 1;
  inherited Create;
  FBitmap := TBitmap.Create;
  FBitmap.Width := AWidth;
  FBitmap.Height := AHeight;
end;

destructor TPageBuffer.Destroy;
begin
  try
    inherited Destroy;
  finally
    FBitmap.Free;
  end;
end;

{ TInvoiceReport }

constructor TInvoiceReport.Create(ADatabaseName: string);
begin
  inherited Create;
  FLines := TStringList.Create;
  FFonts := TList.Create;
  FTotals := TInvoiceTotals.Create;
  FQuery := TQuery.Create(nil);
  FQuery.DatabaseName := ADatabaseName;
  FCopies := 1;
  FLeft := 200; FTop := 200; FLineHeight := 60;
end;

destructor TInvoiceReport.Destroy;
begin
  FQuery.Free;
  FTotals.Free;
  FFonts.Free;
  inherited Destroy;
  FLines.Free;
end;

procedure TInvoiceReport.NewPage;
begin
  Printer.NewPage;
  FTop := 200;
end;

procedure TInvoiceReport.PrintLine(const S: string; Bold: Boolean);
begin
  if FTop > Printer.PageHeight - 300 then NewPage;
  if Bold then Printer.Canvas.Font.Style := [fsBold]
  else Printer.Canvas.Font.Style := [];
  Printer.Canvas.TextOut(FLeft, FTop, S);
  FTop := FTop + FLineHeight;
end;

procedure TInvoiceReport.PrintInvoices(FromNo, ToNo: Integer);
var
  L: TStringList;
  Buf: TPageBuffer;
  InvNo, Copy_, i, j, LineNo, Kind: Integer;
  Net: Currency;
  Rate: Double;
  S, Cust, Addr: string;
  First: Boolean;
begin
  if ToNo < FromNo then
  begin
    i := ToNo; ToNo := FromNo; FromNo := i;
  end;

  L := TStringList.Create;
  try
    FQuery.Close;
    FQuery.SQL.Clear;
    FQuery.SQL.Add('SELECT INVNO FROM INVOICES');
    FQuery.SQL.Add('WHERE INVNO BETWEEN :A AND :B AND PRINTED = ''N''');
    FQuery.Params[0].AsInteger := FromNo;
    FQuery.Params[1].AsInteger := ToNo;
    FQuery.Open;
    while not FQuery.Eof do
    begin
      L.Add(FQuery.Fields[0].AsString);
      FQuery.Next;
    end;
    FQuery.Close;
    if L.Count = 0 then
    begin
      MessageDlg('No unprinted invoices in that range.', mtInformation, [mbOK], 0);
      Exit;
    end;

    Printer.Title := 'Invoices ' + IntToStr(FromNo) + '-' + IntToStr(ToNo);
    Printer.BeginDoc;
    Buf := TPageBuffer.Create(Printer.PageWidth, Printer.PageHeight);
    try
      First := True;
      for i := 0 to L.Count - 1 do
      begin
        InvNo := StrToInt(L[i]);
        for Copy_ := 1 to FCopies do
        begin
          if not First then NewPage;
          First := False;
          Buf.PageNo := Buf.PageNo + 1;
          FQuery.SQL.Text := 'SELECT C.NAME, C.STREET, C.CITY FROM INVOICES I, CUSTOMERS C ' +
            'WHERE I.CUSTID = C.CUSTID AND I.INVNO = :N';
          FQuery.Params[0].AsInteger := InvNo;
          FQuery.Open;
          Cust := FQuery.Fields[0].AsString;
          Addr := FQuery.Fields[1].AsString + ', ' + FQuery.Fields[2].AsString;
          FQuery.Close;
          PrintLine('INVOICE ' + IntToStr(InvNo), True);
          if Copy_ > 1 then PrintLine('*** COPY ***', True);
          PrintLine(Cust, False); PrintLine(Addr, False); PrintLine('', False);

          FQuery.SQL.Text := 'SELECT LINENO, KIND, TEXT, NET, TAXRATE FROM INVLINES WHERE INVNO = :N ORDER BY LINENO';
          FQuery.Params[0].AsInteger := InvNo;
          FQuery.Open;
          while not FQuery.Eof do
          begin
            LineNo := FQuery.Fields[0].AsInteger;
            Kind := FQuery.Fields[1].AsInteger;
            Net := FQuery.Fields[3].AsCurrency;
            Rate := FQuery.Fields[4].AsFloat;
            case Kind of
              0: begin  { normal line }
                   S := Format('%4d  %-40s %12s', [LineNo, FQuery.Fields[2].AsString, CurrToStr(Net)]);
                   FTotals.AddLine(Net, Rate);
                 end;
              1: begin  { text only }
                   S := '      ' + FQuery.Fields[2].AsString;
                 end;
              2: begin  { discount }
                   case Round(Rate) of
                     0: S := Format('      Discount %12s', [CurrToStr(-Net)]);
                     7, 19: begin
                              S := Format('      Discount (%d%%) %12s', [Round(Rate), CurrToStr(-Net)]);
                              FTotals.AddLine(-Net, Rate);
                            end;
                   else
                     S := '      Discount ?? - check tax code';
                   end;
                 end;
            else
              S := '';
            end;
            if S <> '' then PrintLine(S, Kind = 2);
            FQuery.Next;
          end;
          FQuery.Close;
          PrintLine('', False);
          PrintLine(Format('Net   %12s', [CurrToStr(FTotals.Net)]), False);
          PrintLine(Format('Tax   %12s', [CurrToStr(FTotals.Tax)]), False);
          PrintLine(Format('Gross %12s', [CurrToStr(FTotals.Gross)]), True);
          Application.ProcessMessages;
        end;
      end;
    finally
      Buf.Free;
      Printer.EndDoc;
    end;
  finally
    L.Free;
  end;

  { mark as printed - the list is rebuilt, the old one is gone }
  L := TStringList.Create;
  L.Add('UPDATE INVOICES SET PRINTED = ''Y''');
  L.Add('WHERE INVNO BETWEEN ' + IntToStr(FromNo) + ' AND ' + IntToStr(ToNo));
  FQuery.SQL.Text := L.Text;
  FQuery.ExecSQL;
  for j := 0 to FFonts.Count - 1 do
    TFont(FFonts[j]).Free;
  FFonts.Clear;
  L.Free;

  {$IFDEF DEBUG}
  L := TStringList.Create;
  try
    L.Add('printed ' + IntToStr(FromNo) + '..' + IntToStr(ToNo));
    L.SaveToFile('c:\temp\invprint.log');
  finally
    L.Free;
  end;
  {$ENDIF}
end;

end.
