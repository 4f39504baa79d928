unit uReportExport;

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, System.JSON, System.StrUtils,
  System.Generics.Collections, Data.DB, Vcl.Graphics, Vcl.Controls, Vcl.Imaging.pngimage;

type
  TExportFormat = (efCsv, efJson, efPng);

  EExportError = class(Exception)
  private
    FErrorCode: Integer;
  public
    property ErrorCode: Integer read FErrorCode write FErrorCode;
  end;

  TColumnDef = record
    FieldName: string;
    Caption: string;
    Width: Integer;
    constructor Create(const AFieldName, ACaption: string; AWidth: Integer = 12);
  end;

  TReportExporter = class
  private
    FColumns: TList<TColumnDef>;
    FSeparator: Char;
    FRowCount: Integer;
    function QuoteCsv(const S: string): string;
    function BuildCsvLine(const AValues: array of string): string;
    procedure CheckDataSet(ADataSet: TDataSet);
  public
    constructor Create;
    destructor Destroy; override;
    procedure AddColumn(const AFieldName, ACaption: string);
    procedure ExportCsv(ADataSet: TDataSet; const AFileName: string);
    function ExportJson(ADataSet: TDataSet): string;
    procedure ExportChart(AControl: TWinControl; const AFileName: string);
    procedure ExportPng(AControl: TWinControl; const AFileName: string);
    function ParseSummary(const AJson: string): Integer;
    property Separator: Char read FSeparator write FSeparator;
    property RowCount: Integer read FRowCount;
  end;

function ExportFormatFromExt(const AFileName: string): TExportFormat;

implementation

function ExportFormatFromExt(const AFileName: string): TExportFormat;
var
  Ext: string;
  E: EExportError;
begin
  Ext := LowerCase(ExtractFileExt(AFileName));
  if Ext = '.csv' then
    Result := efCsv
  else if Ext = '.json' then
    Result := efJson
  else if Ext = '.png' then
    Result := efPng
  else
  begin
    E := EExportError.CreateFmt('Unknown export format "%s"', [Ext]);
    E.ErrorCode := 3;
    raise E;
  end;
end;

{ TColumnDef }

constructor TColumnDef.Create(const AFieldName, ACaption: string; AWidth: Integer);
begin
  FieldName := AFieldName;
  Caption := ACaption;
  Width := AWidth;
end;

{ TReportExporter }

constructor TReportExporter.Create;
begin
  inherited;
  FColumns := TList<TColumnDef>.Create;
  FSeparator := ';';
end;

destructor TReportExporter.Destroy;
begin
  FColumns.Free;
  inherited;
end;

procedure TReportExporter.AddColumn(const AFieldName, ACaption: string);
var
  Col: TColumnDef;
begin
  Col := TColumnDef.Create(AFieldName, ACaption);
  FColumns.Add(Col);
end;

function TReportExporter.QuoteCsv(const S: string): string;
begin
  if (Pos(FSeparator, S) > 0) or (Pos('"', S) > 0) or (Pos(#13, S) > 0) then
    Result := '"' + ReplaceStr(S, '"', '""') + '"'
  else
    Result := S;
end;

function TReportExporter.BuildCsvLine(const AValues: array of string): string;
var
  SB: TStringBuilder;
  I: Integer;
begin
  SB := TStringBuilder.Create;
  for I := 0 to High(AValues) do
  begin
    if I > 0 then
      SB.Append(FSeparator);
    SB.Append(QuoteCsv(AValues[I]));
  end;
  Result := SB.ToString;
end;

procedure TReportExporter.CheckDataSet(ADataSet: TDataSet);
var
  Col: TColumnDef;
begin
  if not ADataSet.Active then
    raise EExportError.Create('The data set is not open');
  for Col in FColumns do
    if ADataSet.FindField(Col.FieldName) = nil then
      raise EExportError.CreateFmt('Field %s not found', [Col.FieldName]);
end;

procedure TReportExporter.ExportCsv(ADataSet: TDataSet; const AFileName: string);
var
  Lines: TStringList;
  Values: TArray<string>;
  I: Integer;
begin
  CheckDataSet(ADataSet);
  Lines := TStringList.Create;
  try
    SetLength(Values, FColumns.Count);
    for I := 0 to FColumns.Count - 1 do
      Values[I] := FColumns[I].Caption;
    Lines.Add(BuildCsvLine(Values));
    FRowCount := 0;
    ADataSet.DisableControls;
    try
      ADataSet.First;
      while not ADataSet.Eof do
      begin
        for I := 0 to FColumns.Count - 1 do
          Values[I] := ADataSet.FieldByName(FColumns[I].FieldName).AsString;
        Lines.Add(BuildCsvLine(Values));
        Inc(FRowCount);
        ADataSet.Next;
      end;
    finally
      ADataSet.EnableControls;
    end;
    Lines.SaveToFile(AFileName, TEncoding.UTF8);
  finally
    Lines.Free;
  end;
end;

function TReportExporter.ExportJson(ADataSet: TDataSet): string;
var
  Root: TJSONObject;
  Rows: TJSONArray;
  Row: TJSONObject;
  Col: TColumnDef;
  Field: TField;
begin
  CheckDataSet(ADataSet);
  Root := TJSONObject.Create;
  try
    Root.AddPair('generated', DateToISO8601(Now));
    Rows := TJSONArray.Create;
    Root.AddPair('rows', Rows);
    ADataSet.First;
    while not ADataSet.Eof do
    begin
      Row := TJSONObject.Create;
      for Col in FColumns do
      begin
        Field := ADataSet.FieldByName(Col.FieldName);
        if Field.IsNull then
          Row.AddPair(Col.FieldName, TJSONNull.Create)
        else if Field.DataType in [ftInteger, ftSmallint, ftLargeint, ftFloat, ftCurrency, ftBCD] then
          Row.AddPair(Col.FieldName, TJSONNumber.Create(Field.AsFloat))
        else
          Row.AddPair(Col.FieldName, Field.AsString);
      end;
      Rows.AddElement(Row);
      ADataSet.Next;
    end;
    Result := Root.ToJSON;
  finally
    Root.Free;
  end;
end;

procedure TReportExporter.ExportChart(AControl: TWinControl; const AFileName: string);
var
  Bmp: TBitmap;
begin
  Bmp := TBitmap.Create;
  Bmp.PixelFormat := pf24bit;
  Bmp.SetSize(AControl.ClientWidth, AControl.ClientHeight);
  AControl.PaintTo(Bmp.Canvas, 0, 0);
  Bmp.SaveToFile(AFileName);
  Bmp.Free;
end;

procedure TReportExporter.ExportPng(AControl: TWinControl; const AFileName: string);
var
  Bmp: TBitmap;
  Png: TPngImage;
begin
  Bmp := TBitmap.Create;
  try
    Bmp.SetSize(AControl.ClientWidth, AControl.ClientHeight);
    AControl.PaintTo(Bmp.Canvas, 0, 0);
    Png := TPngImage.Create;
    try
      Png.Assign(Bmp);
      Png.SaveToFile(AFileName);
    finally
      Png.Free;
    end;
  finally
    Bmp.Free;
  end;
end;

function TReportExporter.ParseSummary(const AJson: string): Integer;
var
  Value: TJSONValue;
  Rows: TJSONArray;
begin
  Result := -1;
  Value := TJSONObject.ParseJSONValue(AJson);
  if Value = nil then
    Exit;
  try
    try
      if Value.TryGetValue<TJSONArray>('rows', Rows) then
        Result := Rows.Count;
    except
      on E: EJSONException do
        raise EExportError.Create('Bad summary: ' + E.Message);
    end;
  finally
    Value.Free;
  end;
end;

end.
