unit uCsvExporter;

interface

uses
  System.SysUtils, System.Classes, Data.DB;

type
  TCsvExporter = class
  private
    FColumns: TStringList;
    FDelimiter: Char;
    FQuoteAll: Boolean;
    function QuoteField(const AValue: string): string;
    procedure WriteHeader(const AFileName: string);
    procedure AppendRows(const AFileName: string; ADataSet: TDataSet);
  public
    constructor Create(ADelimiter: Char = ';');
    destructor Destroy; override;
    procedure AddColumn(const AFieldName: string);
    procedure Export(ADataSet: TDataSet; const AFileName: string);
    property QuoteAll: Boolean read FQuoteAll write FQuoteAll;
  end;

implementation

constructor TCsvExporter.Create(ADelimiter: Char);
begin
  inherited Create;
  FDelimiter := ADelimiter;
  FColumns := TStringList.Create;
end;

destructor TCsvExporter.Destroy;
begin
  FColumns.Free;
  inherited Destroy;
end;

procedure TCsvExporter.AddColumn(const AFieldName: string);
begin
  FColumns.Add(AFieldName);
end;

function TCsvExporter.QuoteField(const AValue: string): string;
begin
  if FQuoteAll or (Pos(FDelimiter, AValue) > 0) or (Pos('"', AValue) > 0) then
    Result := '"' + StringReplace(AValue, '"', '""', [rfReplaceAll]) + '"'
  else
    Result := AValue;
end;

procedure TCsvExporter.WriteHeader(const AFileName: string);
var
  Stream: TFileStream;
  Header: TBytes;
  Line: string;
  I: Integer;
begin
  Line := '';
  for I := 0 to FColumns.Count - 1 do
  begin
    if I > 0 then
      Line := Line + FDelimiter;
    Line := Line + QuoteField(FColumns[I]);
  end;
  Stream := TFileStream.Create(AFileName, fmCreate or fmShareDenyWrite);
  Header := TEncoding.UTF8.GetBytes(Line + sLineBreak);
  Stream.WriteBuffer(Header, Length(Header));
end;

procedure TCsvExporter.AppendRows(const AFileName: string; ADataSet: TDataSet);
var
  Writer: TStreamWriter;
  Fields: TArray<TField>;
  Line: TStringBuilder;
  I: Integer;
begin
  SetLength(Fields, FColumns.Count);
  for I := 0 to FColumns.Count - 1 do
    Fields[I] := ADataSet.FieldByName(FColumns[I]);
  Writer := TStreamWriter.Create(AFileName, True, TEncoding.UTF8);
  Line := TStringBuilder.Create;
  try
    ADataSet.DisableControls;
    try
      ADataSet.First;
      while not ADataSet.Eof do
      begin
        Line.Clear;
        for I := 0 to High(Fields) do
        begin
          if I > 0 then
            Line.Append(FDelimiter);
          Line.Append(QuoteField(Fields[I].AsString));
        end;
        Writer.WriteLine(Line.ToString);
        ADataSet.Next;
      end;
    finally
      ADataSet.EnableControls;
    end;
  finally
    Line.Free;
    Writer.Free;
  end;
end;

procedure TCsvExporter.Export(ADataSet: TDataSet; const AFileName: string);
begin
  if FColumns.Count = 0 then
    raise EArgumentException.Create('No columns to export');
  WriteHeader(AFileName);
  try
    AppendRows(AFileName, ADataSet);
  except
    DeleteFile(AFileName);
    raise;
  end;
end;

end.
