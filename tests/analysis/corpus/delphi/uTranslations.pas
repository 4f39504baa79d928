unit uTranslations;

// User-facing texts. The German and French texts live in the .po files next
// to the executable; English is built in. Keys are the English texts
// ("Verbindung unterbrochen – bitte später erneut versuchen", "Réessayer").

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections;

resourcestring
  SConnectionLost = 'The connection to the database was lost. Try again in a moment.';
  SSaveFailed = 'The record could not be saved, except for the fields marked in red.';
  SBeginImport = 'Begin import';
  SEndImport = 'End import';
  SFinallyDone = 'Finally done: %d records';
  SFreeSpace = 'Free space on the export drive: %d MB';
  SInheritedRights = 'Inherited rights: %s';

type
  TLanguage = (lgEnglish, lgGerman, lgFrench);

  TTranslator = class
  private
    FLanguage: TLanguage;
    FTexts: TDictionary<string, string>;
    procedure LoadPoFile(const AFileName: string);
  public
    constructor Create(ALanguage: TLanguage);
    destructor Destroy; override;
    function T(const AText: string): string;
    property Language: TLanguage read FLanguage;
  end;

function Translator: TTranslator;
procedure SetLanguage(ALanguage: TLanguage);
function _(const AText: string): string;

implementation

const
  PoNames: array[TLanguage] of string = ('', 'de.po', 'fr.po');

var
  GTranslator: TTranslator;

function Translator: TTranslator;
begin
  if GTranslator = nil then
    GTranslator := TTranslator.Create(lgEnglish);
  Result := GTranslator;
end;

procedure SetLanguage(ALanguage: TLanguage);
begin
  FreeAndNil(GTranslator);
  GTranslator := TTranslator.Create(ALanguage);
end;

function _(const AText: string): string;
begin
  Result := Translator.T(AText);
end;

constructor TTranslator.Create(ALanguage: TLanguage);
var
  FileName: string;
begin
  inherited Create;
  FLanguage := ALanguage;
  FTexts := TDictionary<string, string>.Create;
  if ALanguage = lgEnglish then
    Exit;
  FileName := ExtractFilePath(ParamStr(0)) + PoNames[ALanguage];
  if FileExists(FileName) then
    LoadPoFile(FileName);
end;

destructor TTranslator.Destroy;
begin
  FTexts.Free;
  inherited;
end;

procedure TTranslator.LoadPoFile(const AFileName: string);
var
  Lines: TStringList;
  I: Integer;
  Id, Line: string;

  function Unquote(const S: string): string;
  begin
    // msgid "text" -> text; \" inside the text stays a quote
    Result := Copy(S, Pos('"', S) + 1, MaxInt);
    if Result.EndsWith('"') then
      SetLength(Result, Length(Result) - 1);
    Result := StringReplace(Result, '\"', '"', [rfReplaceAll]);
  end;

begin
  Lines := TStringList.Create;
  with Lines do
  begin
    LoadFromFile(AFileName, TEncoding.UTF8);
    Id := '';
    for I := 0 to Count - 1 do
    begin
      Line := Trim(Strings[I]);
      if Line.StartsWith('msgid ') then
        Id := Unquote(Line)
      else if Line.StartsWith('msgstr ') and (Id <> '') then
      begin
        FTexts.AddOrSetValue(Id, Unquote(Line));
        Id := '';
      end;
    end;
  end;
  Lines.Free;
end;

function TTranslator.T(const AText: string): string;
begin
  if not FTexts.TryGetValue(AText, Result) or (Result = '') then
    Result := AText;
end;

initialization

finalization
  GTranslator.Free;

end.
