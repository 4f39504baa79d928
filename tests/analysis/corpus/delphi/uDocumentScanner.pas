unit uDocumentScanner;

{ Walks the inbox folder and files scanned documents by the customer number
  printed in the file name: "<customer>_<date>_<seq>.pdf". }

interface

uses
  System.SysUtils, System.Classes, System.IOUtils, System.Types, System.RegularExpressions;

type
  TScannedDocument = class
  public
    FileName: string;
    CustomerNo: string;
    ScanDate: TDate;
    Sequence: Integer;
  end;

  TDocumentScanner = class
  private
    FInbox: string;
    FArchive: string;
    FPattern: TRegEx;
    function Parse(const AFileName: string; out ADocument: TScannedDocument): Boolean;
    procedure MoveToArchive(ADocument: TScannedDocument);
  public
    constructor Create(const AInbox, AArchive: string);
    function Scan: Integer;
    procedure ListUnmatched(AList: TStrings);
  end;

implementation

constructor TDocumentScanner.Create(const AInbox, AArchive: string);
begin
  inherited Create;
  FInbox := IncludeTrailingPathDelimiter(AInbox);
  FArchive := IncludeTrailingPathDelimiter(AArchive);
  FPattern := TRegEx.Create('^(\d{6})_(\d{8})_(\d+)\.pdf$', [roIgnoreCase]);
end;

function TDocumentScanner.Parse(const AFileName: string; out ADocument: TScannedDocument): Boolean;
var
  Match: TMatch;
  Stamp: string;
begin
  ADocument := nil;
  Match := FPattern.Match(ExtractFileName(AFileName));
  Result := Match.Success;
  if not Result then
    Exit;
  Stamp := Match.Groups[2].Value;
  ADocument := TScannedDocument.Create;
  ADocument.FileName := AFileName;
  ADocument.CustomerNo := Match.Groups[1].Value;
  ADocument.ScanDate := EncodeDate(StrToInt(Copy(Stamp, 1, 4)), StrToInt(Copy(Stamp, 5, 2)),
    StrToInt(Copy(Stamp, 7, 2)));
  ADocument.Sequence := StrToInt(Match.Groups[3].Value);
end;

procedure TDocumentScanner.MoveToArchive(ADocument: TScannedDocument);
var
  Target: string;
begin
  Target := TPath.Combine(FArchive, ADocument.CustomerNo);
  ForceDirectories(Target);
  TFile.Move(ADocument.FileName, TPath.Combine(Target, ExtractFileName(ADocument.FileName)));
end;

function TDocumentScanner.Scan: Integer;
var
  FileName: string;
  Document: TScannedDocument;
{$IFDEF DEBUG}
  Trace: TStringList;
{$ENDIF}
begin
  Result := 0;
{$IFDEF DEBUG}
  Trace := TStringList.Create;
{$ENDIF}
  for FileName in TDirectory.GetFiles(FInbox, '*.pdf') do
  begin
    if not Parse(FileName, Document) then
      Continue;
    try
      MoveToArchive(Document);
      Inc(Result);
{$IFDEF DEBUG}
      Trace.Add('archived ' + Document.FileName);
{$ENDIF}
    finally
      Document.Free;
    end;
  end;
{$IFDEF DEBUG}
  Trace.SaveToFile(TPath.Combine(FArchive, 'scan.log'));
  Trace.Free;
{$ENDIF}
end;

procedure TDocumentScanner.ListUnmatched(AList: TStrings);
var
  FileName: string;
  Document: TScannedDocument;
begin
  AList.BeginUpdate;
  try
    AList.Clear;
    for FileName in TDirectory.GetFiles(FInbox) do
      if Parse(FileName, Document) then
        Document.Free
      else
        AList.Add(ExtractFileName(FileName));
  finally
    AList.EndUpdate;
  end;
end;

end.
