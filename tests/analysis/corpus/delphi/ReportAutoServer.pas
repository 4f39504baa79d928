unit ReportAutoServer;

{$WARN SYMBOL_PLATFORM OFF}

interface

uses
  Windows, ActiveX, ComObj, ComServ, StdVcl, Classes, SysUtils, Variants,
  ReportServer_TLB;

type
  { Internal contracts; the automation surface is in ReportServer_TLB. }
  IReportSection = interface
    ['{2E7C6A41-0C1D-4F53-9A8B-6E35B2C4D101}']
    function GetTitle: WideString;
    function RenderTo(Lines: TStrings): Integer;
    property Title: WideString read GetTitle;
  end;

  ReportFormatter = interface
    ['{2E7C6A41-0C1D-4F53-9A8B-6E35B2C4D102}']
    function FormatLine(const AText: WideString): WideString;
  end;

  TTextSection = class(TInterfacedObject, IReportSection)
  private
    FTitle: WideString;
    FBody: TStringList;
  public
    constructor Create(const ATitle, ABody: WideString);
    destructor Destroy; override;
    function GetTitle: WideString;
    function RenderTo(Lines: TStrings): Integer;
  end;

  TUpperFormatter = class(TInterfacedObject, ReportFormatter)
  public
    function FormatLine(const AText: WideString): WideString;
  end;

  TSectionEnumerator = class(TInterfacedObject, IEnumVariant)
  private
    FSections: IInterfaceList;
    FIndex: Integer;
  public
    constructor Create(const ASections: IInterfaceList);
    destructor Destroy; override;
    function Next(celt: LongWord; var rgvar: OleVariant;
      out pceltFetched: LongWord): HResult; stdcall;
    function Skip(celt: LongWord): HResult; stdcall;
    function Reset: HResult; stdcall;
    function Clone(out Enum: IEnumVariant): HResult; stdcall;
  end;

  TReportDocument = class(TAutoObject, IReportDocument)
  private
    FSections: IInterfaceList;
    FAuthor: WideString;
    FFormatter: ReportFormatter;
    FLog: TStringList;
  protected
    function Get_Author: WideString; safecall;
    procedure Set_Author(const Value: WideString); safecall;
    function Get_SectionCount: Integer; safecall;
    function Get__NewEnum: IUnknown; safecall;
    procedure AddSection(const Title, Body: WideString); safecall;
    function Render: WideString; safecall;
    procedure SaveToFile(const FileName: WideString); safecall;
    function ExportSections(const Separator: WideString): OleVariant; safecall;
  public
    procedure Initialize; override;
    destructor Destroy; override;
    procedure ImportText(const FileName: string);
    function SectionTitles: string;
    procedure DumpSections(const FileName: string);
  end;

  TReportServer = class(TAutoObject, IReportServer)
  protected
    function NewDocument: IReportDocument; safecall;
    function OpenDocument(const FileName: WideString): IReportDocument; safecall;
    function Get_Version: WideString; safecall;
    procedure ExportToExcel(const Doc: IReportDocument; const FileName: WideString); safecall;
  end;

implementation

{ TTextSection }

constructor TTextSection.Create(const ATitle, ABody: WideString);
begin
  inherited Create;
  FTitle := ATitle;
  FBody := TStringList.Create;
  FBody.Text := ABody;
end;

destructor TTextSection.Destroy;
begin
  FBody.Free;
  inherited;
end;

function TTextSection.GetTitle: WideString;
begin
  Result := FTitle;
end;

function TTextSection.RenderTo(Lines: TStrings): Integer;
begin
  Lines.Add(FTitle);
  Lines.Add(StringOfChar('=', Length(FTitle)));
  Lines.AddStrings(FBody);
  Lines.Add('');
  Result := FBody.Count + 3;
end;

{ TUpperFormatter }

function TUpperFormatter.FormatLine(const AText: WideString): WideString;
begin
  Result := WideUpperCase(AText);
end;

{ TSectionEnumerator }

constructor TSectionEnumerator.Create(const ASections: IInterfaceList);
begin
  inherited Create;
  FSections := ASections;
  FIndex := 0;
end;

destructor TSectionEnumerator.Destroy;
begin
  FSections := nil;
  { no inherited Destroy: TInterfacedObject adds nothing to TObject.Destroy }
end;

function TSectionEnumerator.Next(celt: LongWord; var rgvar: OleVariant;
  out pceltFetched: LongWord): HResult;
var
  Section: IReportSection;
begin
  pceltFetched := 0;
  Result := S_FALSE;
  if FIndex < FSections.Count then
  begin
    Section := FSections[FIndex] as IReportSection;
    rgvar := Section.Title;
    Inc(FIndex);
    pceltFetched := 1;
    Result := S_OK;
  end;
end;

function TSectionEnumerator.Skip(celt: LongWord): HResult;
begin
  Inc(FIndex, celt);
  if FIndex <= FSections.Count then
    Result := S_OK
  else
    Result := S_FALSE;
end;

function TSectionEnumerator.Reset: HResult;
begin
  FIndex := 0;
  Result := S_OK;
end;

function TSectionEnumerator.Clone(out Enum: IEnumVariant): HResult;
var
  Copy: TSectionEnumerator;
begin
  Copy := TSectionEnumerator.Create(FSections);
  Copy.FIndex := FIndex;
  Enum := Copy;
  Result := S_OK;
end;

{ TReportDocument }

procedure TReportDocument.Initialize;
begin
  inherited Initialize;
  FSections := TInterfaceList.Create;
  FFormatter := TUpperFormatter.Create;
  FLog := TStringList.Create;
end;

destructor TReportDocument.Destroy;
begin
  FLog.Free;
  FSections := nil;
  FFormatter := nil;
  inherited Destroy;
end;

function TReportDocument.Get_Author: WideString;
begin
  Result := FAuthor;
end;

procedure TReportDocument.Set_Author(const Value: WideString);
begin
  FAuthor := Value;
  FLog.Add('author=' + Value);
end;

function TReportDocument.Get_SectionCount: Integer;
begin
  Result := FSections.Count;
end;

function TReportDocument.Get__NewEnum: IUnknown;
var
  Enum: IEnumVariant;
begin
  Enum := TSectionEnumerator.Create(FSections);
  Result := Enum;
end;

procedure TReportDocument.AddSection(const Title, Body: WideString);
var
  Section: IReportSection;
begin
  Section := TTextSection.Create(Title, Body);
  FSections.Add(Section);
  FLog.Add('section=' + Title);
end;

function TReportDocument.Render: WideString;
var
  Lines: TStringList;
  I: Integer;
  Section: IReportSection;
begin
  Lines := TStringList.Create;
  try
    if FAuthor <> '' then
      Lines.Add(FFormatter.FormatLine('Author: ' + FAuthor));
    for I := 0 to FSections.Count - 1 do
    begin
      Section := FSections[I] as IReportSection;
      Section.RenderTo(Lines);
    end;
    Result := Lines.Text;
  finally
    Lines.Free;
  end;
end;

procedure TReportDocument.SaveToFile(const FileName: WideString);
var
  Stream: TFileStream;
  Text: UTF8String;
begin
  Text := UTF8Encode(Render);
  try
    Stream := TFileStream.Create(FileName, fmCreate);
    try
      if Length(Text) > 0 then
        Stream.WriteBuffer(Text[1], Length(Text));
    finally
      Stream.Free;
    end;
  except
    on E: EFCreateError do
      raise EOleException.Create(E.Message, E_ACCESSDENIED, 'ReportServer', '', 0);
  end;
end;

function TReportDocument.ExportSections(const Separator: WideString): OleVariant;
var
  Titles: TStringList;
  Section: IReportSection;
  Formatter: ReportFormatter;
  I: Integer;
begin
  Formatter := TUpperFormatter.Create;
  Titles := TStringList.Create;
  Titles.Delimiter := ';';
  for I := 0 to FSections.Count - 1 do
  begin
    Section := FSections[I] as IReportSection;
    Titles.Add(Formatter.FormatLine(Section.Title));
  end;
  if Separator = '' then
    Result := Titles.DelimitedText
  else
    Result := StringReplace(Titles.DelimitedText, ';', Separator, [rfReplaceAll]);
end;

procedure TReportDocument.ImportText(const FileName: string);
var
  Reader: TStreamReader;
  Body: TStringList;
  Line, Title: string;
begin
  Reader := nil;
  Body := nil;
  try
    Reader := TStreamReader.Create(FileName, TEncoding.UTF8, True);
    Body := TStringList.Create;
    Title := '';
    while not Reader.EndOfStream do
    begin
      Line := Reader.ReadLine;
      if Line.StartsWith('# ') then
      begin
        if Title <> '' then
          AddSection(Title, Body.Text);
        Title := Line.Substring(2);
        Body.Clear;
      end
      else
        Body.Add(Line);
    end;
    if Title <> '' then
      AddSection(Title, Body.Text);
  finally
    Body.Free;
    Reader.Free;
  end;
end;

function TReportDocument.SectionTitles: string;
var
  sl:TStringList;
  i:Integer;
begin
  sl:=TStringList.Create;try
    for i:=0 to FSections.Count-1 do
      sl.Add((FSections[i] as IReportSection).Title);
    Result:=sl.CommaText;
  finally sl.Free;end;
end;

procedure TReportDocument.DumpSections(const FileName: string);
var
  sl:TStringList;
  i:Integer;
begin
  sl:=TStringList.Create;
  for i:=0 to FSections.Count-1 do
    sl.Add(IntToStr(i+1)+'. '+(FSections[i] as IReportSection).Title);
  sl.SaveToFile(FileName);
end;

{ TReportServer }

function TReportServer.NewDocument: IReportDocument;
begin
  Result := TReportDocument.Create;
end;

function TReportServer.OpenDocument(const FileName: WideString): IReportDocument;
var
  Doc: TReportDocument;
  Source: TStringList;
  I: Integer;
  Title: WideString;
  Body: TStringList;
begin
  Doc := TReportDocument.Create;
  Result := Doc;
  Source := TStringList.Create;
  Body := TStringList.Create;
  try
    Source.LoadFromFile(FileName);
    Title := '';
    for I := 0 to Source.Count - 1 do
    begin
      if (Length(Source[I]) > 0) and (Source[I][1] = '#') then
      begin
        if Title <> '' then
          Doc.AddSection(Title, Body.Text);
        Title := Trim(Copy(Source[I], 2, MaxInt));
        Body.Clear;
      end
      else
        Body.Add(Source[I]);
    end;
    if Title <> '' then
      Doc.AddSection(Title, Body.Text);
  finally
    Body.Free;
    Source.Free;
  end;
end;

function TReportServer.Get_Version: WideString;
begin
  Result := '3.2';
end;

procedure TReportServer.ExportToExcel(const Doc: IReportDocument; const FileName: WideString);
var
  Excel, Book, Sheet: OleVariant;
  Enum: IEnumVariant;
  Item: OleVariant;
  Fetched: LongWord;
  Row: Integer;
  Disp: IDispatch;
begin
  Excel := CreateOleObject('Excel.Application');
  try
    Excel.DisplayAlerts := False;
    Book := Excel.Workbooks.Add;
    Sheet := Book.Worksheets[1];
    Row := 1;
    Enum := Doc._NewEnum as IEnumVariant;
    while Enum.Next(1, Item, Fetched) = S_OK do
    begin
      Sheet.Cells[Row, 1] := Item;
      Inc(Row);
    end;
    Sheet.Cells[Row + 1, 1] := 'Author: ' + Doc.Author;
    Book.SaveAs(FileName);
    Book.Close(False);
  finally
    Disp := nil;
    Sheet := Unassigned;
    Book := Unassigned;
    Excel.Quit;
    Excel := Unassigned;
  end;
end;

initialization
  TAutoObjectFactory.Create(ComServer, TReportDocument, Class_ReportDocument,
    ciInternal, tmApartment);
  TAutoObjectFactory.Create(ComServer, TReportServer, Class_ReportServer,
    ciMultiInstance, tmApartment);
end.
