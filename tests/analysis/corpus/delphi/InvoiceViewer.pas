program InvoiceViewer;

{ Small viewer for the tab-separated invoice exports of the billing system.
  The main form is built in code so the tool ships as a single source. }

uses
  Winapi.Windows,
  System.SysUtils,
  System.Classes,
  System.Generics.Collections,
  Vcl.Forms,
  Vcl.Controls,
  Vcl.StdCtrls,
  Vcl.ExtCtrls,
  Vcl.ComCtrls,
  Vcl.Dialogs,
  Vcl.Graphics,
  Vcl.Clipbrd;

{$R *.res}

type
  TInvoiceLine = record
    Sku: string;
    Text: string;
    Qty: Integer;
    Price: Currency;
    function Total: Currency;
  end;

  TMainForm = class(TForm)
  private
    FTop: TPanel;
    FOpenBtn: TButton;
    FCopyBtn: TButton;
    FTotalLbl: TLabel;
    FList: TListView;
    FStatus: TStatusBar;
    FLines: TList<TInvoiceLine>;
    FFileName: string;
    procedure OpenClick(Sender: TObject);
    procedure CopyClick(Sender: TObject);
    procedure ListDblClick(Sender: TObject);
    procedure LoadInvoice(const AFileName: string);
    procedure FillList;
    procedure ShowTotals;
    function MakeButton(const ACaption: string; ALeft: Integer;
      AHandler: TNotifyEvent): TButton;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
  end;

var
  MainForm: TMainForm;

{ TInvoiceLine }

function TInvoiceLine.Total: Currency;
begin
  Result := Qty * Price;
end;

{ TMainForm }

constructor TMainForm.Create(AOwner: TComponent);
var
  Col: TListColumn;
begin
  inherited CreateNew(AOwner);
  Caption := 'Invoice Viewer';
  Width := 760;
  Height := 520;
  Position := poScreenCenter;
  FLines := TList<TInvoiceLine>.Create;

  FTop := TPanel.Create(Self);
  FTop.Parent := Self;
  FTop.Align := alTop;
  FTop.Height := 40;
  FTop.BevelOuter := bvNone;

  FOpenBtn := MakeButton('&Open...', 8, OpenClick);
  FCopyBtn := MakeButton('&Copy', 96, CopyClick);
  FCopyBtn.Enabled := False;

  FTotalLbl := TLabel.Create(Self);
  FTotalLbl.Parent := FTop;
  FTotalLbl.Left := 200;
  FTotalLbl.Top := 12;
  FTotalLbl.Font.Style := [fsBold];

  FList := TListView.Create(Self);
  FList.Parent := Self;
  FList.Align := alClient;
  FList.ViewStyle := vsReport;
  FList.ReadOnly := True;
  FList.RowSelect := True;
  FList.OnDblClick := ListDblClick;
  Col := FList.Columns.Add;
  Col.Caption := 'SKU';
  Col.Width := 100;
  Col := FList.Columns.Add;
  Col.Caption := 'Description';
  Col.Width := 360;
  Col := FList.Columns.Add;
  Col.Caption := 'Qty';
  Col.Alignment := taRightJustify;
  Col := FList.Columns.Add;
  Col.Caption := 'Total';
  Col.Alignment := taRightJustify;
  Col.Width := 100;

  FStatus := TStatusBar.Create(Self);
  FStatus.Parent := Self;
  FStatus.SimplePanel := True;
end;

destructor TMainForm.Destroy;
begin
  FLines.Free;
  inherited Destroy;
end;

function TMainForm.MakeButton(const ACaption: string; ALeft: Integer;
  AHandler: TNotifyEvent): TButton;
begin
  Result := TButton.Create(Self);
  Result.Parent := FTop;
  Result.Caption := ACaption;
  Result.SetBounds(ALeft, 8, 80, 25);
  Result.OnClick := AHandler;
end;

procedure TMainForm.OpenClick(Sender: TObject);
var
  Dlg: TOpenDialog;
begin
  Dlg := TOpenDialog.Create(Self);
  try
    Dlg.Filter := 'Invoice exports (*.tsv)|*.tsv|All files|*.*';
    Dlg.Options := Dlg.Options + [ofFileMustExist];
    if Dlg.Execute(Handle) then
      LoadInvoice(Dlg.FileName);
  finally
    Dlg.Free;
  end;
end;

procedure TMainForm.LoadInvoice(const AFileName: string);
var
  Raw: TStringList;
  Cols: TStringList;
  Line: TInvoiceLine;
  I: Integer;
begin
  Raw := TStringList.Create;
  Cols := TStringList.Create;
  try
    Raw.LoadFromFile(AFileName);
    Cols.Delimiter := #9;
    Cols.StrictDelimiter := True;
    FLines.Clear;
    for I := 1 to Raw.Count - 1 do
    begin
      Cols.DelimitedText := Raw[I];
      if Cols.Count < 4 then
        Continue;
      Line.Sku := Cols[0];
      Line.Text := Cols[1];
      Line.Qty := StrToIntDef(Cols[2], 0);
      Line.Price := StrToCurrDef(Cols[3], 0, TFormatSettings.Invariant);
      FLines.Add(Line);
    end;
  finally
    Raw.Free;
  end;
  FFileName := AFileName;
  FillList;
  ShowTotals;
  FCopyBtn.Enabled := FLines.Count > 0;
end;

procedure TMainForm.FillList;
var
  Line: TInvoiceLine;
  Item: TListItem;
begin
  FList.Items.BeginUpdate;
  try
    FList.Items.Clear;
    for Line in FLines do
    begin
      Item := FList.Items.Add;
      Item.Caption := Line.Sku;
      Item.SubItems.Add(Line.Text);
      Item.SubItems.Add(IntToStr(Line.Qty));
      Item.SubItems.Add(CurrToStrF(Line.Total, ffFixed, 2));
    end;
  finally
    FList.Items.EndUpdate;
  end;
end;

procedure TMainForm.ShowTotals;
var
  Sum: Currency;
  Line: TInvoiceLine;
begin
  Sum := 0;
  for Line in FLines do
    Sum := Sum + Line.Total;
  FTotalLbl.Caption := 'Total: ' + CurrToStrF(Sum, ffCurrency, 2);
  FStatus.SimpleText := Format('%s - %d lines', [ExtractFileName(FFileName), FLines.Count]);
end;

procedure TMainForm.CopyClick(Sender: TObject);
var
  Text: TStringBuilder;
  Line: TInvoiceLine;
begin
  Text := TStringBuilder.Create;
  try
    for Line in FLines do
      Text.AppendFormat('%s'#9'%s'#9'%d'#9'%s', [Line.Sku, Line.Text, Line.Qty,
        CurrToStr(Line.Total)]).AppendLine;
    Clipboard.AsText := Text.ToString;
  finally
    Text.Free;
  end;
end;

procedure TMainForm.ListDblClick(Sender: TObject);
var
  Line: TInvoiceLine;
begin
  if FList.Selected = nil then
    Exit;
  Line := FLines[FList.Selected.Index];
  ShowMessage(Format('%s'#13#10'%s'#13#10'%d x %s = %s',
    [Line.Sku, Line.Text, Line.Qty, CurrToStr(Line.Price), CurrToStr(Line.Total)]));
end;

begin
  ReportMemoryLeaksOnShutdown := DebugHook <> 0;
  Application.Initialize;
  Application.MainFormOnTaskbar := True;
  Application.Title := 'Invoice Viewer';
  Application.CreateForm(TMainForm, MainForm);
  if ParamCount > 0 then
    MainForm.LoadInvoice(ParamStr(1));
  Application.Run;
end.

