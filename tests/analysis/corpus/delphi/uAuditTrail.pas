unit uAuditTrail;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections;

type
  TAuditAction = (aaInsert, aaUpdate, aaDelete, aaLogin, aaLogout);

  TAuditEntry = class
  public
    Stamp: TDateTime;
    UserName: string;
    Action: TAuditAction;
    TableName: string;
    RecordId: Int64;
    Details: string;
    function AsText: string;
  end;

  TAuditTrail = class
  private
    FEntries: TObjectList<TAuditEntry>;
    FUserName: string;
    FMaxEntries: Integer;
  public
    constructor Create(const AUserName: string; AMaxEntries: Integer = 10000);
    destructor Destroy; override;
    procedure Add(AAction: TAuditAction; const ATableName: string; ARecordId: Int64;
      const ADetails: string = '');
    procedure AddChanges(const ATableName: string; ARecordId: Int64; AOld, ANew: TStrings);
    procedure SaveToFile(const AFileName: string);
    function EntriesFor(const ATableName: string): TList<TAuditEntry>;
  end;

implementation

const
  ActionNames: array[TAuditAction] of string = ('insert', 'update', 'delete', 'login', 'logout');

function TAuditEntry.AsText: string;
begin
  Result := Format('%s;%s;%s;%s;%d;%s', [FormatDateTime('yyyy-mm-dd"T"hh:nn:ss', Stamp),
    UserName, ActionNames[Action], TableName, RecordId, Details]);
end;

constructor TAuditTrail.Create(const AUserName: string; AMaxEntries: Integer);
begin
  inherited Create;
  FUserName := AUserName;
  FMaxEntries := AMaxEntries;
  FEntries := TObjectList<TAuditEntry>.Create;
end;

destructor TAuditTrail.Destroy;
begin
  FEntries.Free;
  inherited;
end;

procedure TAuditTrail.Add(AAction: TAuditAction; const ATableName: string; ARecordId: Int64;
  const ADetails: string);
var
  Entry: TAuditEntry;
begin
  if FEntries.Count >= FMaxEntries then
    FEntries.Delete(0);
  Entry := TAuditEntry.Create;
  Entry.Stamp := Now;
  Entry.UserName := FUserName;
  Entry.Action := AAction;
  Entry.TableName := ATableName;
  Entry.RecordId := ARecordId;
  Entry.Details := ADetails;
  FEntries.Add(Entry);
end;

procedure TAuditTrail.AddChanges(const ATableName: string; ARecordId: Int64; AOld, ANew: TStrings);
var
  Changes: TStringList;
  I: Integer;
  Name: string;
begin
  Changes := TStringList.Create;
  Changes.Delimiter := ',';
  Changes.QuoteChar := '"';
  for I := 0 to ANew.Count - 1 do
  begin
    Name := ANew.Names[I];
    if AOld.Values[Name] <> ANew.ValueFromIndex[I] then
      Changes.Add(Format('%s: %s -> %s', [Name, AOld.Values[Name], ANew.ValueFromIndex[I]]));
  end;
  if Changes.Count > 0 then
    Add(aaUpdate, ATableName, ARecordId, Changes.DelimitedText);
  Changes.Free;
end;

procedure TAuditTrail.SaveToFile(const AFileName: string);
var
  Entry: TAuditEntry;
begin
  with TStreamWriter.Create(AFileName, False, TEncoding.UTF8) do
  begin
    for Entry in FEntries do
      WriteLine(Entry.AsText);
    Free;
  end;
end;

function TAuditTrail.EntriesFor(const ATableName: string): TList<TAuditEntry>;
var
  Entry: TAuditEntry;
begin
  // The list holds references only; the trail keeps owning the entries.
  Result := TList<TAuditEntry>.Create;
  for Entry in FEntries do
    if SameText(Entry.TableName, ATableName) then
      Result.Add(Entry);
end;

end.
