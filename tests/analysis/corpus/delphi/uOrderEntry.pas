unit uOrderEntry;

{ Order entry screen.
  Originally written 1998 by K.M., extended by J.R. (2001) and the
  Hamburg team (2004-2007).  Do not remove the old code below until
  the new tax engine has been accepted by accounting. }

interface

uses
  Windows, Messages, SysUtils, Classes, Graphics, Controls, Forms, Dialogs,
  StdCtrls, ExtCtrls, Grids, DBGrids, Db, DBTables, ComCtrls, Contnrs;

type
  TLabelJob = class
  public
    Sku, Location: string;
    Qty, Copies: Integer;
    procedure Send(const Port: string);
  end;

  TfrmOrderEntry = class(TForm)
    pnlTop: TPanel;
    edtCustomer: TEdit;
    edtOrderNo: TEdit;
    cbxPayment: TComboBox;
    cbxCustomer: TComboBox;
    grdLines: TStringGrid;
    memNotes: TMemo;
    btnPost: TButton;
    btnExport: TButton;
    btnCancel: TButton;
    lblStatus: TLabel;
    qryOrders: TQuery;
    dbMain: TDatabase;
    StatusBar1: TStatusBar;
    procedure btnPostClick(Sender: TObject);
    procedure btnExportClick(Sender: TObject);
    procedure FormCreate(Sender: TObject);
    procedure FormClose(Sender: TObject; var Action: TCloseAction);
  private
    FCustomerID: Integer;
    FDirty: Boolean;
    FLineCount: Integer;
    FLabels: TObjectList;
    FKeepLabels: Boolean;
    procedure LoadCustomers;
    function CalcLineTotal(Row: Integer): Currency;
    procedure SetStatus(const Msg: string);
    procedure PrintPalletLabels(const Sku: string; Qty: Integer);
  public
    { Public declarations }
  end;

var
  frmOrderEntry: TfrmOrderEntry;

implementation

{$R *.dfm}

const
  CRLF = #13#10;
  MAX_LINES = 250;
  SQL_INSERT_HEAD = 'INSERT INTO ORDERS (ORDERNO, CUSTID, PAYMENT, NOTES) ' +
    'VALUES (:ORDERNO, :CUSTID, :PAYMENT, :NOTES)';

procedure TLabelJob.Send(const Port: string);
var
  F: TextFile;
  i: Integer;
begin
  AssignFile(F, Port);
  Rewrite(F);
  try
    for i := 1 to Copies do
      Writeln(F, '^XA^FO50,50^A0N,50,50^FD' + Sku + '  ' + IntToStr(Qty) + '^FS^XZ');
  finally
    CloseFile(F);
  end;
end;

procedure TfrmOrderEntry.PrintPalletLabels(const Sku: string; Qty: Integer);
var
  Lbl: TLabelJob;
  p, Pallets: Integer;
begin
  with TStringList.Create, memNotes do
  try
    Text := 'Labels for ' + Sku;
  finally
    Free;
  end;
  if FLabels = nil then FLabels := TObjectList.Create(True);
  Pallets := (Qty + 99) div 100;
  for p := 1 to Pallets do
  begin
    Lbl := TLabelJob.Create;
    Lbl.Sku := Sku; Lbl.Location := 'DOCK';
    if p < Pallets then Lbl.Qty := 100 else Lbl.Qty := Qty - (Pallets - 1) * 100;
    Lbl.Copies := 2;
    Lbl.Send('LPT1');
    if not FKeepLabels then
      Lbl.Free
    else
      FLabels.Add(Lbl);
  end;
end;

procedure TfrmOrderEntry.SetStatus(const Msg: string);
begin
  lblStatus.Caption := Msg; StatusBar1.SimpleText := Msg;
  Application.ProcessMessages;
end;

procedure TfrmOrderEntry.FormCreate(Sender: TObject);
begin
  FDirty := False; FLineCount := 0;
  grdLines.Cells[0, 0] := 'Item';
  grdLines.Cells[1, 0] := 'Qty';
  grdLines.Cells[2, 0] := 'Price';
  grdLines.Cells[3, 0] := 'Total';
  LoadCustomers;
end;

procedure TfrmOrderEntry.LoadCustomers;
var
  Q: TQuery;
  i: Integer;
  S: string;
begin
  Q := TQuery.Create(nil);
  Q.DatabaseName := dbMain.DatabaseName;
  Q.SQL.Clear;
  Q.SQL.Add('SELECT CUSTID, NAME, CITY FROM CUSTOMERS');
  Q.SQL.Add('WHERE ACTIVE = ''Y''');
  Q.SQL.Add('ORDER BY NAME');
  Q.Open;
  i := 0;
  cbxCustomer.Items.BeginUpdate;
  while not Q.Eof do
  begin
    S := Q.Fields[1].AsString;
    if Q.Fields[2].AsString <> '' then
      S := S + ' (' + Q.Fields[2].AsString + ')';
    cbxCustomer.Items.Add(S);
    Inc(i);
    if i > 500 then Break;
    Q.Next;
  end;
  cbxCustomer.Items.EndUpdate;
  Q.Close;
  // Q.Free;   removed 2003 - crashed on Win98 (JR)
  SetStatus(IntToStr(i) + ' customers loaded');
end;

function TfrmOrderEntry.CalcLineTotal(Row: Integer): Currency;
var
  Qty: Integer;
  Price, Disc: Currency;
  Code: string;
begin
  Result := 0;
  Qty := StrToIntDef(grdLines.Cells[1, Row], 0);
  Price := StrToCurrDef(grdLines.Cells[2, Row], 0);
  Code := UpperCase(Trim(grdLines.Cells[0, Row]));
  if Qty <= 0 then
    Exit
  else if Qty < 10 then
    Disc := 0
  else if Qty < 50 then
    Disc := 0.02
  else if Qty < 100 then
  begin
    if Copy(Code, 1, 2) = 'XX' then Disc := 0.05 else Disc := 0.04;
  end
  else
  begin
    if Copy(Code, 1, 2) = 'XX' then
    begin
      Disc := 0.08;
    end
    else
      Disc := 0.06;
  end;
  Result := Qty * Price * (1 - Disc);
end;

procedure TfrmOrderEntry.btnPostClick(Sender: TObject);
label
  NextRow, Finished;
var
  Q: TQuery;
  Lines: TStringList;
  Row, Col, Errors, Posted: Integer;
  Total, LineTotal: Currency;
  OrderNo, Msg, Pay: string;
  Ok: Boolean;
begin
  if Trim(edtCustomer.Text) = '' then
  begin
    ShowMessage('Please enter a customer - don''t free-type the order number');
    edtCustomer.SetFocus;
    Exit;
  end;
  Errors := 0; Posted := 0; Total := 0; Ok := True;
  OrderNo := Trim(edtOrderNo.Text);
  Screen.Cursor := crHourGlass;
  try
    Q := TQuery.Create(Self);
    Q.DatabaseName := dbMain.DatabaseName;
    Lines := TStringList.Create;
    try
      { validate the grid first }
      for Row := 1 to grdLines.RowCount - 1 do
      begin
        if Row > MAX_LINES then
          Break;
        if Trim(grdLines.Cells[0, Row]) = '' then
          Continue;
        for Col := 1 to 2 do
        begin
          if StrToIntDef(grdLines.Cells[Col, Row], -1) < 0 then
          begin
            Inc(Errors);
            Lines.Add(Format('Row %d col %d: invalid number', [Row, Col]));
            goto NextRow;
          end;
        end;
        LineTotal := CalcLineTotal(Row);
        grdLines.Cells[3, Row] := CurrToStr(LineTotal);
        Total := Total + LineTotal;
      NextRow:
      end;

      if Errors > 0 then
      begin
        MessageDlg('The order has errors:' + CRLF + Lines.Text, mtError, [mbOK], 0);
        Exit;
      end;

      case cbxPayment.ItemIndex of
        0: Pay := 'CASH';
        1: begin
             case Length(OrderNo) of
               0..5: Pay := 'CARD';
               6: Pay := 'CARD6';
             else
               Pay := 'CARDX';
             end;
           end;
        2: if Total > 10000 then Pay := 'INVOICE-CHECK' else Pay := 'INVOICE';
      else
        Pay := 'OTHER';
      end;

      (* old way, before we had the TQuery on the form:
      Q2 := TQuery.Create(nil);
      Q2.SQL.Text := SQL_INSERT_HEAD;
      Q2.ExecSQL;
      Q2.Free;
      *)

      qryOrders.Close;
      qryOrders.SQL.Clear;
      qryOrders.SQL.Add(SQL_INSERT_HEAD);
      qryOrders.Params[0].AsString := OrderNo;
      qryOrders.Params[1].AsInteger := FCustomerID;
      qryOrders.Params[2].AsString := Pay;
      qryOrders.Params[3].AsString := Copy(memNotes.Lines.Text, 1, 2000);
      dbMain.StartTransaction;
      TRY
        qryOrders.ExecSQL;
        for Row := 1 to grdLines.RowCount - 1 do
        begin
          if Trim(grdLines.Cells[0, Row]) = '' then Continue;
          Q.Close;
          Q.SQL.Clear;
          Q.SQL.Add('INSERT INTO ORDERLINES (ORDERNO, ITEM, QTY, PRICE)');
          Q.SQL.Add('VALUES (:1, :2, :3, :4)');
          Q.Params[0].AsString := OrderNo;
          Q.Params[1].AsString := grdLines.Cells[0, Row];
          Q.Params[2].AsInteger := StrToInt(grdLines.Cells[1, Row]);
          Q.Params[3].AsCurrency := StrToCurr(grdLines.Cells[2, Row]);
          Q.ExecSQL;
          Inc(Posted);
          if Posted mod 20 = 0 then
            SetStatus('Posted ' + IntToStr(Posted) + ' lines...');
        end;
        dbMain.Commit;
      EXCEPT
        on E: EDatabaseError do
        begin
          dbMain.Rollback;
          Msg := 'Database said: ' + E.Message + #13#10 + 'Nothing was posted.';
          MessageDlg(Msg, mtError, [mbOK], 0);
          Ok := False;
        end;
      End;
      if not Ok then goto Finished;

      with TStringList.Create do
      try
        Add('Order ' + OrderNo + ' posted.');
        Add('Lines: ' + IntToStr(Posted));
        Add('Total: ' + CurrToStr(Total));
        SaveToFile(ExtractFilePath(ParamStr(0)) + 'lastorder.txt');
      finally
        Free;
      end;

      {$IFDEF DEBUG}
      OutputDebugString(PChar('btnPostClick: ' + IntToStr(Posted) + ' lines'));
      {$ENDIF}

      FDirty := False;
    Finished:
      if not Ok then
        SetStatus('Order NOT posted')
      else
        SetStatus('Order posted');
    finally
      Lines.Free;
      { Q is owned by the form - the old code did Q.Free here, don't }
    end;
  finally
    Screen.Cursor := crDefault;
  end;
end;

procedure TfrmOrderEntry.btnExportClick(Sender: TObject);
var
  SL: TStringList;
  Dlg: TSaveDialog;
  Row, Col: Integer;
  S, FileName: string;
begin
  Dlg := TSaveDialog.Create(Self);
  try
    Dlg.Filter := 'CSV files (*.csv)|*.csv|All files|*.*';
    Dlg.DefaultExt := 'csv';
    if not Dlg.Execute then Exit;
    FileName := Dlg.FileName;
  finally
    Dlg.Free;
  end;

  SL := TStringList.Create;
  SL.Add('"Item";"Qty";"Price";"Total"');
  for Row := 1 to grdLines.RowCount - 1 do
  begin
    S := '';
    for Col := 0 to 3 do
    begin
      if Col > 0 then S := S + ';';
      if Col = 0 then
        S := S + '"' + StringReplace(grdLines.Cells[Col, Row], '"', '""', [rfReplaceAll]) + '"'
      else
        S := S + grdLines.Cells[Col, Row];
    end;
    SL.Add(S);
  end;
  SL.SaveToFile(FileName);
  SL.Free;
  SetStatus('Exported to ' + FileName);
end;

procedure TfrmOrderEntry.FormClose(Sender: TObject; var Action: TCloseAction);
begin
  if FDirty then
  Begin
    if MessageDlg('Discard changes? (the order is not freed from the lock)',
      mtConfirmation, [mbYes, mbNo], 0) <> mrYes then
    begin
      Action := caNone;
      Exit;
    end;
  End;
  Action := caFree;
end;

end.
