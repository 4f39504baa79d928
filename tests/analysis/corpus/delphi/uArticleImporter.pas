unit uArticleImporter;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, Data.DB,
  FireDAC.Comp.Client, uStringUtils;

type
  TImportResult = record
    Inserted: Integer;
    Updated: Integer;
    Rejected: Integer;
  end;

  TArticleImporter = class
  private
    FConnection: TFDConnection;
    FRejects: TStringList;
  public
    constructor Create(AConnection: TFDConnection);
    destructor Destroy; override;
    function ImportFile(const AFileName: string): TImportResult;
    property Rejects: TStringList read FRejects;
  end;

implementation

constructor TArticleImporter.Create(AConnection: TFDConnection);
begin
  inherited Create;
  FConnection := AConnection;
  FRejects := TStringList.Create;
end;

destructor TArticleImporter.Destroy;
begin
  FRejects.Free;
  inherited;
end;

function TArticleImporter.ImportFile(const AFileName: string): TImportResult;
var
  Lines: TStringList;
  Upsert: TFDQuery;
  LineNo: Integer;

  function Validate(AFields: TStringList): Boolean;
  var
    Price: Double;
    Reason: TStringBuilder;
  begin
    Reason := TStringBuilder.Create;
    if (AFields.Count < 4) or (Trim(AFields[0]) = '') then
      Reason.Append('article number missing; ');
    if (AFields.Count > 2) and not TryStrToFloat(AFields[2], Price) then
      Reason.Append('price is no number; ')
    else if Price < 0 then
      Reason.Append('negative price; ');
    if (AFields.Count > 3) and (Trim(AFields[3]) = '') then
      Reason.Append('article group missing; ');
    Result := Reason.Length = 0;
    if not Result then
      FRejects.Add(Format('line %d: %s', [LineNo, Reason.ToString]));
  end;

  procedure Store(AFields: TStringList);
  var
    Params: TStringList;
  begin
    Params := TStringList.Create;
    try
      Params.Values['article_no'] := Trim(AFields[0]);
      Params.Values['description'] := Trim(AFields[1]);
      Upsert.ParamByName('article_no').AsString := Params.Values['article_no'];
      Upsert.ParamByName('description').AsString := Params.Values['description'];
      Upsert.ParamByName('price').AsFloat := StrToFloat(AFields[2]);
      Upsert.ParamByName('group_code').AsString := AFields[3];
      Upsert.ExecSQL;
      if Upsert.RowsAffected = 1 then
        Inc(Result.Inserted)
      else
        Inc(Result.Updated);
    finally
      Params.Free;
    end;
  end;

var
  Fields: TStringList;
  I: Integer;
begin
  Result := Default(TImportResult);
  FRejects.Clear;
  Lines := TStringList.Create;
  Upsert := TFDQuery.Create(nil);
  try
    Lines.LoadFromFile(AFileName, TEncoding.UTF8);
    Upsert.Connection := FConnection;
    Upsert.SQL.Text := 'merge into articles a using (select :article_no article_no from dual) s ' +
      'on (a.article_no = s.article_no) ' +
      'when matched then update set description = :description, price = :price, group_code = :group_code ' +
      'when not matched then insert (article_no, description, price, group_code) ' +
      'values (:article_no, :description, :price, :group_code)';
    FConnection.StartTransaction;
    try
      for I := 1 to Lines.Count - 1 do
      begin
        LineNo := I + 1;
        Fields := SplitCsvLine(Lines[I]);
        try
          if Validate(Fields) then
            Store(Fields)
          else
            Inc(Result.Rejected);
        finally
          Fields.Free;
        end;
      end;
      FConnection.Commit;
    except
      FConnection.Rollback;
      raise;
    end;
  finally
    Upsert.Free;
    Lines.Free;
  end;
end;

end.
