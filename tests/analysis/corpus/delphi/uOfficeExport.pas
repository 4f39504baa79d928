unit uOfficeExport;

interface

uses
  Winapi.Windows, Winapi.ActiveX, System.SysUtils, System.Classes, System.Variants,
  System.Win.ComObj, Data.DB, Winapi.msxml;

type
  TOfficeExport = class
  public
    class procedure ToExcel(ADataSet: TDataSet; const AFileName: string);
    class procedure ToXml(ADataSet: TDataSet; const AFileName, ARootName: string);
    class function ExcelInstalled: Boolean;
  end;

implementation

class function TOfficeExport.ExcelInstalled: Boolean;
var
  ClassId: TCLSID;
begin
  Result := Succeeded(CLSIDFromProgID('Excel.Application', ClassId));
end;

class procedure TOfficeExport.ToExcel(ADataSet: TDataSet; const AFileName: string);
var
  Excel, Book, Sheet: OleVariant;
  Row, Col: Integer;
  Data: Variant;
begin
  Excel := CreateOleObject('Excel.Application');
  try
    Excel.DisplayAlerts := False;
    Book := Excel.Workbooks.Add;
    Sheet := Book.Worksheets[1];
    Data := VarArrayCreate([0, ADataSet.RecordCount, 0, ADataSet.FieldCount - 1], varVariant);
    for Col := 0 to ADataSet.FieldCount - 1 do
      Data[0, Col] := ADataSet.Fields[Col].DisplayLabel;
    Row := 1;
    ADataSet.First;
    while not ADataSet.Eof do
    begin
      for Col := 0 to ADataSet.FieldCount - 1 do
        Data[Row, Col] := ADataSet.Fields[Col].Value;
      Inc(Row);
      ADataSet.Next;
    end;
    Sheet.Range[Sheet.Cells[1, 1], Sheet.Cells[Row, ADataSet.FieldCount]].Value := Data;
    Sheet.Rows[1].Font.Bold := True;
    Sheet.Columns.AutoFit;
    Book.SaveAs(AFileName);
    Book.Close(False);
  finally
    Excel.Quit;
    Sheet := Unassigned;
    Book := Unassigned;
    Excel := Unassigned;
  end;
end;

class procedure TOfficeExport.ToXml(ADataSet: TDataSet; const AFileName, ARootName: string);
var
  Doc: IXMLDOMDocument2;
  Root, Node: IXMLDOMElement;
  Col: Integer;
begin
  Doc := CoDOMDocument60.Create;
  Doc.appendChild(Doc.createProcessingInstruction('xml', 'version="1.0" encoding="UTF-8"'));
  Root := Doc.createElement(ARootName);
  Doc.appendChild(Root);
  ADataSet.First;
  while not ADataSet.Eof do
  begin
    Node := Doc.createElement('row');
    for Col := 0 to ADataSet.FieldCount - 1 do
      if not ADataSet.Fields[Col].IsNull then
        Node.setAttribute(LowerCase(ADataSet.Fields[Col].FieldName), ADataSet.Fields[Col].AsString);
    Root.appendChild(Node);
    ADataSet.Next;
  end;
  try
    Doc.save(AFileName);
  except
    on E: EOleException do
      raise EInOutError.CreateFmt('%s could not be written: %s', [AFileName, E.Message]);
  end;
end;

end.
