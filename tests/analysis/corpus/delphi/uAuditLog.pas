unit uAuditLog;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Generics.Collections;

type
  TAuditLevel = (alInfo, alWarning, alError);

  TAuditEntry = class
  public
    Stamp: TDateTime;
    Level: TAuditLevel;
    User: string;
    Text: string;
    constructor Create(ALevel: TAuditLevel; const AUser, AText: string);
    function AsLine: string;
  end;

  TAuditSink = class abstract
  public
    procedure Write(AEntries: TList<TAuditEntry>); virtual; abstract;
  end;

  TFileSink = class(TAuditSink)
  private
    FFileName: string;
    FWriter: TStreamWriter;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Write(AEntries: TList<TAuditEntry>); override;
  end;

  TMemorySink = class(TAuditSink)
  private
    FLines: TStringList;
    FMaxLines: Integer;
  public
    constructor Create(AMaxLines: Integer);
    destructor Destroy; override;
    procedure Write(AEntries: TList<TAuditEntry>); override;
    property Lines: TStringList read FLines;
  end;

  TAuditLog = class
  private
    class var FInstance: TAuditLog;
    FPending: TObjectList<TAuditEntry>;
    FSinks: TObjectList<TAuditSink>;
    FLock: TCriticalSection;
    FUser: string;
    class destructor Destroy;
  public
    constructor Create;
    destructor Destroy; override;
    class function Instance: TAuditLog;
    procedure AddSink(ASink: TAuditSink);
    procedure Log(ALevel: TAuditLevel; const AText: string);
    procedure LogException(E: Exception);
    procedure Flush;
    function Dump: string;
    property User: string read FUser write FUser;
  end;

procedure FreeObjects(const AObjects: array of TObject);

implementation

procedure FreeObjects(const AObjects: array of TObject);
var
  Obj: TObject;
begin
  for Obj in AObjects do
    Obj.Free;
end;

{ TAuditEntry }

constructor TAuditEntry.Create(ALevel: TAuditLevel; const AUser, AText: string);
begin
  inherited Create;
  Stamp := Now;
  Level := ALevel;
  User := AUser;
  Text := AText;
end;

function TAuditEntry.AsLine: string;
const
  LevelNames: array[TAuditLevel] of string = ('INFO', 'WARN', 'ERROR');
begin
  Result := Format('%s [%s] %s: %s', [FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', Stamp),
    LevelNames[Level], User, Text]);
end;

{ TFileSink }

constructor TFileSink.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
  FWriter := TStreamWriter.Create(AFileName, True, TEncoding.UTF8);
  FWriter.AutoFlush := False;
end;

destructor TFileSink.Destroy;
begin
  if FWriter <> nil then
    FWriter.Flush;
  inherited;
  FreeAndNil(FWriter);
end;

procedure TFileSink.Write(AEntries: TList<TAuditEntry>);
var
  Entry: TAuditEntry;
begin
  for Entry in AEntries do
    FWriter.WriteLine(Entry.AsLine);
  FWriter.Flush;
end;

{ TMemorySink }

constructor TMemorySink.Create(AMaxLines: Integer);
begin
  inherited Create;
  FMaxLines := AMaxLines;
  FLines := TStringList.Create;
end;

destructor TMemorySink.Destroy;
begin
  try
    FLines.Free;
  finally
    inherited;
  end;
end;

procedure TMemorySink.Write(AEntries: TList<TAuditEntry>);
var
  Entry: TAuditEntry;
begin
  for Entry in AEntries do
    FLines.Add(Entry.AsLine);
  while FLines.Count > FMaxLines do
    FLines.Delete(0);
end;

{ TAuditLog }

class destructor TAuditLog.Destroy;
begin
  FreeAndNil(FInstance);
end;

constructor TAuditLog.Create;
begin
  inherited Create;
  FPending := TObjectList<TAuditEntry>.Create(True);
  FSinks := TObjectList<TAuditSink>.Create(True);
  FLock := TCriticalSection.Create;
  FUser := GetEnvironmentVariable('USERNAME');
end;

destructor TAuditLog.Destroy;
begin
  try
    Flush;
  except
    // a destructor must not raise; the sinks may already be gone
  end;
  FreeObjects([FPending, FSinks, FLock]);
  inherited Destroy;
end;

class function TAuditLog.Instance: TAuditLog;
var
  Fresh: TAuditLog;
begin
  if FInstance = nil then
  begin
    Fresh := TAuditLog.Create;
    if TInterlocked.CompareExchange<TAuditLog>(FInstance, Fresh, nil) <> nil then
      Fresh.Free;
  end;
  Result := FInstance;
end;

procedure TAuditLog.AddSink(ASink: TAuditSink);
begin
  FLock.Enter;
  try
    FSinks.Add(ASink);
  finally
    FLock.Leave;
  end;
end;

procedure TAuditLog.Log(ALevel: TAuditLevel; const AText: string);
var
  Entry: TAuditEntry;
  Count: Integer;
begin
  Entry := TAuditEntry.Create(ALevel, FUser, AText);
  FLock.Enter;
  try
    FPending.Add(Entry);
    Count := FPending.Count;
  finally
    FLock.Leave;
  end;
  if (ALevel = alError) or (Count >= 100) then
    Flush;
end;

procedure TAuditLog.LogException(E: Exception);
var
  Details: TStringList;
begin
  Details := TStringList.Create;
  Details.Add(E.ClassName + ': ' + E.Message);
  if E.InnerException <> nil then
    Details.Add('inner: ' + E.InnerException.Message);
  if E.StackTrace <> '' then
    Details.Add(E.StackTrace);
  Log(alError, Details.Text);
end;

procedure TAuditLog.Flush;
var
  Batch: TList<TAuditEntry>;
  Sink: TAuditSink;
  Entry: TAuditEntry;
begin
  Batch := TList<TAuditEntry>.Create;
  try
    FLock.Enter;
    try
      FPending.OwnsObjects := False;
      try
        for Entry in FPending do
          Batch.Add(Entry);
        FPending.Clear;
      finally
        FPending.OwnsObjects := True;
      end;
    finally
      FLock.Leave;
    end;
    for Sink in FSinks do
      Sink.Write(Batch);
    for Entry in Batch do
      Entry.Free;
  finally
    Batch.Free;
  end;
end;

function TAuditLog.Dump: string;
var
  Mem: TMemorySink;
  Snapshot: TList<TAuditEntry>;
begin
  Mem := nil;
  Snapshot := nil;
  try
    Mem := TMemorySink.Create(1000);
    Snapshot := TList<TAuditEntry>.Create;
    FLock.Enter;
    try
      Snapshot.AddRange(FPending);
      Mem.Write(Snapshot);
    finally
      FLock.Leave;
    end;
    Result := Mem.Lines.Text;
  finally
    FreeObjects([Snapshot, Mem]);
  end;
end;

end.
