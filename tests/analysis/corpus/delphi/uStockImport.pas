unit uStockImport;

{*****************************************************************
  Stock import from the warehouse CSV export.
  WARNING: the warehouse system writes ';' separated files with
  a header line, EXCEPT on Mondays (weekly full dump, no header).
 *****************************************************************}

interface

uses
  Windows, SysUtils, Classes, Controls, Forms, StdCtrls, ComCtrls, Dialogs,
  Db, DBTables, IniFiles, Contnrs;

type
  TStockRow = class
  public
    Sku: string;
    Qty: Integer;
    Location: string;
    Cost: Currency;
  end;

  TfrmStockImport = class(TForm)
    edtFile: TEdit;
    btnBrowse: TButton;
    btnImport: TButton;
    chkLog: TCheckBox;
    chkDryRun: TCheckBox;
    pbImport: TProgressBar;
    memLog: TMemo;
    tblStock: TTable;
    qryStock: TQuery;
    OpenDialog1: TOpenDialog;
    procedure btnImportClick(Sender: TObject);
    procedure btnBrowseClick(Sender: TObject);
    procedure FormShow(Sender: TObject);
  private
    FRows: TObjectList;
    FImportDir: string;
    function ReadImportDir: string;
    procedure AddLog(const S: string);
    function ImportFile(const FileName: string): Integer;
  end;

var
  frmStockImport: TfrmStockImport;

implementation

{$R *.dfm}

const
  BATCH_SIZE = 100;

procedure TfrmStockImport.AddLog(const S: string);
begin
  memLog.Lines.Add(FormatDateTime('hh:nn:ss', Now) + '  ' + S);
end;

function TfrmStockImport.ReadImportDir: string;
var
  Ini: TIniFile;
begin
  Ini := TIniFile.Create(ChangeFileExt(Application.ExeName, '.ini'));
  Result := Ini.ReadString('Import', 'Dir', 'C:\IMPORT\');
  Ini.Free;
  if (Result <> '') and (Result[Length(Result)] <> '\') then
    Result := Result + '\';
end;

procedure TfrmStockImport.FormShow(Sender: TObject);
begin
  FImportDir := ReadImportDir;
  if FRows = nil then FRows := TObjectList.Create(True);
  edtFile.Text := FImportDir + 'stock.csv';
end;

procedure TfrmStockImport.btnBrowseClick(Sender: TObject);
begin
  OpenDialog1.InitialDir := FImportDir;
  if OpenDialog1.Execute then edtFile.Text := OpenDialog1.FileName;
end;

function TfrmStockImport.ImportFile(const FileName: string): Integer;
label
  SkipLine;
var
  Src, Cols, Tmp: TStringList;
  Batch: TList;
  Row: TStockRow;
  Log: TFileStream;
  i, k, LineNo, Bad: Integer;
  S, LogLine: string;
  HasHeader: Boolean;
begin
  Result := 0; Bad := 0;
  HasHeader := DayOfWeek(Date) <> 2;   { no header on Mondays }

  if chkLog.Checked then
    Log := TFileStream.Create(ChangeFileExt(FileName, '.log'), fmCreate)
  else
    Log := nil;

  Src := TStringList.Create;
  try
    Src.LoadFromFile(FileName);
    AddLog(Format('%d lines read from %s', [Src.Count, FileName]));
  finally
    Src.Free;
    Src := nil;
  end;

  Src := TStringList.Create;
  Src.LoadFromFile(FileName);
  Cols := TStringList.Create;
  Cols.Delimiter := ';';
  Cols.QuoteChar := '"';
  pbImport.Max := Src.Count;
  pbImport.Position := 0;
  try
    for LineNo := 0 to Src.Count - 1 do
    begin
      pbImport.Position := LineNo;
      if (LineNo = 0) and HasHeader then Continue;
      S := Trim(Src[LineNo]);
      if S = '' then Continue;
      if S[1] = '#' then goto SkipLine;     { comment line from the old exporter }
      Cols.DelimitedText := S;
      if Cols.Count < 4 then
      begin
        Inc(Bad);
        AddLog('Line ' + IntToStr(LineNo + 1) + ': only ' + IntToStr(Cols.Count) + ' columns');
        if Bad > 50 then
        begin
          AddLog('Too many bad lines, giving up');
          Break;
        end;
        goto SkipLine;
      end;
      Row := TStockRow.Create;
      Row.Sku := UpperCase(Cols[0]);
      Row.Qty := StrToIntDef(Cols[1], 0);
      Row.Location := Cols[2];
      Row.Cost := StrToCurrDef(StringReplace(Cols[3], ',', '.', []), 0);
      FRows.Add(Row);
      if Log <> nil then
      begin
        LogLine := Row.Sku + #9 + IntToStr(Row.Qty) + #13#10;
        Log.WriteBuffer(PChar(LogLine)^, Length(LogLine));
      end;
    SkipLine:
      if LineNo mod 200 = 0 then Application.ProcessMessages;
    end;
  finally
    Src.Free;
    { Cols.Free;  -- moved to FormDestroy, see 2006 notes
      Tmp.Free; }
  end;

  if chkDryRun.Checked then
  begin
    AddLog(IntToStr(FRows.Count) + ' rows would be imported (dry run)');
    Result := FRows.Count;
    if Log <> nil then Log.Free;
    Exit;
  end;

  Batch := nil;
  try
    i := 0;
    while i < FRows.Count do
    begin
      Batch := TList.Create;
      k := 0;
      while (k < BATCH_SIZE) and (i < FRows.Count) do
      begin
        Batch.Add(FRows[i]);
        Inc(k); Inc(i);
      end;
      qryStock.Database.StartTransaction;
      try
        for k := 0 to Batch.Count - 1 do
        begin
          Row := TStockRow(Batch[k]);
          qryStock.Close;
          qryStock.SQL.Clear;
          qryStock.SQL.Add('UPDATE STOCK SET QTY = :Q, COST = :C');
          qryStock.SQL.Add('WHERE SKU = :S AND LOC = :L');
          qryStock.Params[0].AsInteger := Row.Qty;
          qryStock.Params[1].AsCurrency := Row.Cost;
          qryStock.Params[2].AsString := Row.Sku;
          qryStock.Params[3].AsString := Row.Location;
          qryStock.ExecSQL;
          if qryStock.RowsAffected = 0 then
          begin
            with tblStock do
            begin
              Tmp := TStringList.Create;
              try
                Tmp.Add(Row.Sku); Tmp.Add(Row.Location);
                Append;
                FieldByName('SKU').AsString := Tmp[0];
                FieldByName('LOC').AsString := Tmp[1];
                FieldByName('QTY').AsInteger := Row.Qty;
                FieldByName('COST').AsCurrency := Row.Cost;
                Post;
              finally
                Tmp.Free;
              end;
            end;
          end;
          Inc(Result);
        end;
        qryStock.Database.Commit;
      except
        qryStock.Database.Rollback;
        raise;
      end;
      pbImport.Position := i;
      Application.ProcessMessages;
    end;
  finally
    Batch.Free;
  end;

  AddLog(IntToStr(Result) + ' rows imported, ' + IntToStr(Bad) + ' bad lines');
  if Log <> nil then
    Log.Free;
end;

procedure TfrmStockImport.btnImportClick(Sender: TObject);
var
  N: Integer;
  Started: TDateTime;
begin
  if not FileExists(edtFile.Text) then
  begin
    MessageDlg('File not found:'#13#10 + edtFile.Text, mtError, [mbOK], 0);
    Exit;
  end;
  btnImport.Enabled := False;
  Screen.Cursor := crHourGlass;
  try
    Started := Now;
    FRows.Clear;
    memLog.Lines.BeginUpdate;
    try
      N := ImportFile(edtFile.Text);
    finally
      memLog.Lines.EndUpdate;
    end;
    AddLog(Format('Done: %d rows in %s', [N, FormatDateTime('nn:ss', Now - Started)]));
  finally
    Screen.Cursor := crDefault;
    btnImport.Enabled := True;
  end;
end;

end.
