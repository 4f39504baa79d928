unit uImportErrors;

{ Error types and reporting for the nightly article import.

  Rules of thumb kept by this unit:
  - an exception that carries a list owns it and frees it in its destructor;
  - validation collects every problem of a row before it raises;
  - the importer never swallows an EAbort. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections;

const
  MaxReportedErrors = 250;

type
  EImportError = class(Exception)
  private
    FLineNo: Integer;
    FSource: string;
  public
    constructor CreateAt(const AMsg, ASource: string; ALineNo: Integer);
    property LineNo: Integer read FLineNo write FLineNo;
    property Source: string read FSource;
  end;

  EValidationError = class(EImportError)
  private
    FErrors: TStringList;
  public
    constructor Create(const AMsg: string; AErrors: TStrings);
    destructor Destroy; override;
    property Errors: TStringList read FErrors;
  end;

  EBatchError = class(EImportError)
  private
    FFailed: TObjectList<EImportError>;
    FSummary: TStrings;
  public
    constructor Create(const AMsg: string);
    destructor Destroy; override;
    procedure AddFailure(E: EImportError);
    property Failed: TObjectList<EImportError> read FFailed;
  end;

  EMappingError = class(EImportError)
  private
    FFieldMap: TDictionary<string, string>;
  public
    constructor Create(const AMsg: string; AMap: TDictionary<string, string>);
    destructor Destroy; override;
  end;

  TErrorBuffer = class
  private
    FLines: TStringList;
    FLimit: Integer;
  public
    constructor Create(ALimit: Integer);
    destructor Destroy; override;
    function Add(const S: string): Boolean;
    property Lines: TStringList read FLines;
  end;

  TExceptionHelper = class helper for Exception
  public
    function Describe: string;
  end;

  TArticleRow = record
    LineNo: Integer;
    Sku: string;
    Name: string;
    PriceText: string;
  end;

procedure ValidateRow(const ARow: TArticleRow);
procedure ImportRows(const ARows: TArray<TArticleRow>; ALog: TStrings);
procedure WriteErrorReport(const AFileName: string; AErrors: TList<EImportError>);
function TryParsePrice(const AText: string; out APrice: Currency): Boolean;
procedure CheckMapping(AMap: TDictionary<string, string>);
function SummarizeErrors(const AMessages: TArray<string>): string;

implementation

{ EImportError }

constructor EImportError.CreateAt(const AMsg, ASource: string; ALineNo: Integer);
begin
  inherited CreateFmt('%s (%s, line %d)', [AMsg, ASource, ALineNo]);
  FSource := ASource;
  FLineNo := ALineNo;
end;

{ EValidationError }

constructor EValidationError.Create(const AMsg: string; AErrors: TStrings);
begin
  inherited Create(AMsg);
  FErrors := TStringList.Create;
  FErrors.Assign(AErrors);
end;

destructor EValidationError.Destroy;
begin
  inherited Destroy;
  FErrors.Free;
end;

{ EBatchError }

constructor EBatchError.Create(const AMsg: string);
begin
  inherited Create(AMsg);
  FFailed := TObjectList<EImportError>.Create(True);
  FSummary := TStringList.Create;
end;

destructor EBatchError.Destroy;
begin
  if Assigned(FSummary) then
    FSummary.Free;
  FreeAndNil(FFailed);
  inherited;
end;

procedure EBatchError.AddFailure(E: EImportError);
begin
  FFailed.Add(E);
  FSummary.Add(E.Message);
end;

{ EMappingError }

constructor EMappingError.Create(const AMsg: string; AMap: TDictionary<string, string>);
begin
  inherited Create(AMsg);
  FFieldMap := TDictionary<string, string>.Create(AMap);
end;

destructor EMappingError.Destroy;
begin
  try
    FFieldMap.Free;
  finally
    inherited Destroy;
  end;
end;

{ TErrorBuffer }

constructor TErrorBuffer.Create(ALimit: Integer);
begin
  inherited Create;
  FLimit := ALimit;
  FLines := TStringList.Create;
end;

destructor TErrorBuffer.Destroy;
begin
  FLines.Free;
  inherited;
end;

function TErrorBuffer.Add(const S: string): Boolean;
begin
  Result := FLines.Count < FLimit;
  if Result then
    FLines.Add(S);
end;

{ TExceptionHelper }

function TExceptionHelper.Describe: string;
begin
  if Self is EImportError then
    Result := Format('[%s] %s', [ClassName, Message])
  else if InnerException <> nil then
    Result := Message + ' <- ' + InnerException.Describe
  else
    Result := Message;
end;

function TryParsePrice(const AText: string; out APrice: Currency): Boolean;
var
  Fmt: TFormatSettings;
begin
  Fmt := TFormatSettings.Create('en-US');
  try
    APrice := StrToCurr(StringReplace(AText, ',', '.', [rfReplaceAll]), Fmt);
    Result := APrice >= 0;
  except
    on EConvertError do
      Result := False;
  end;
end;

procedure ValidateRow(const ARow: TArticleRow);
var
  Problems: TStringList;
  Price: Currency;
begin
  Problems := TStringList.Create;
  try
    if ARow.Sku = '' then
      Problems.Add('SKU is empty');
    if Length(ARow.Name) > 80 then
      Problems.Add('name longer than 80 characters');
    if not TryParsePrice(ARow.PriceText, Price) then
      Problems.Add('price "' + ARow.PriceText + '" is not a number');
    if Problems.Count > 0 then
      raise EValidationError.Create(Format('Row %d rejected', [ARow.LineNo]), Problems);
  finally
    Problems.Free;
  end;
end;

procedure ImportRows(const ARows: TArray<TArticleRow>; ALog: TStrings);
var
  Row: TArticleRow;
  Batch: EBatchError;
  Err: EImportError;
  Buffer: TErrorBuffer;
begin
  Batch := nil;
  Buffer := TErrorBuffer.Create(MaxReportedErrors);
  for Row in ARows do
  begin
    try
      ValidateRow(Row);
      ALog.Add('ok ' + Row.Sku);
    except
      on E: EAbort do
        raise;
      on E: EValidationError do
      begin
        if Batch = nil then
          Batch := EBatchError.Create('Some rows were rejected');
        Err := EImportError.CreateAt(E.Message, 'articles.csv', Row.LineNo);
        Batch.AddFailure(Err);
        Buffer.Add(E.Errors.CommaText);
      end;
      on E: Exception do
      begin
        ALog.Add('unexpected: ' + E.Describe);
        Exception.RaiseOuterException(
          EImportError.CreateAt('Import stopped', 'articles.csv', Row.LineNo));
      end;
    end;
  end;
  ALog.AddStrings(Buffer.Lines);
  if Batch <> nil then
    raise Batch;
end;

procedure WriteErrorReport(const AFileName: string; AErrors: TList<EImportError>);
var
  Report: TStringList;
  E: EImportError;
begin
  Report := TStringList.Create;
  Report.Add('Import errors ' + DateTimeToStr(Now));
  Report.Add(StringOfChar('-', 40));
  for E in AErrors do
    Report.Add(Format('%5d  %s', [E.LineNo, E.Message]));
  Report.SaveToFile(AFileName);
  Report.Free;
end;

procedure CheckMapping(AMap: TDictionary<string, string>);
var
  Missing: TStringList;
  Err: EMappingError;
  Key: string;
begin
  Missing := TStringList.Create;
  try
    for Key in TArray<string>.Create('sku', 'name', 'price') do
      if not AMap.ContainsKey(Key) then
        Missing.Add(Key);
    if Missing.Count = 0 then
      Exit;
    Err := EMappingError.Create('Column mapping incomplete: ' + Missing.CommaText, AMap);
    Err.LineNo := 1;
    raise Err at ReturnAddress;
  finally
    Missing.Free;
  end;
end;

function SummarizeErrors(const AMessages: TArray<string>): string;
var
  Lines: TStringList;
  Msg: string;
begin
  Lines := TStringList.Create;
  try
    Lines.Duplicates := dupIgnore;
    Lines.Sorted := True;
    for Msg in AMessages do
    begin
      try
        Lines.Add(Msg);
      except
        on E: EStringListError do
          Continue
        else
          raise;
      end;
    end;
    Result := Lines.Text;
  finally
    Lines.Free;
  end;
end;

end.
