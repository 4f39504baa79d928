unit Ferro.Orders;

{ Order book maintenance routines }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections,
  System.Generics.Defaults, Vcl.ExtCtrls;

type
  TValueRec = record
    Id: Integer;
    case Kind: Byte of
      0: (IntVal: Integer);
      1: (FloatVal: Double);
      2: (Flags: array[0..7] of Byte);
  end;

  TSnapshotHolder = class
  public
    Header: TValueRec;
    Snapshot: TStream;
  end;

  TOrdManager = class(TObject)
  private
    class var FInstances: Integer;
    FItems: TObjectList<TStringList>;
    FNames: array[0..3] of string;
    FLock: TObject;
    function GetName(Index: Integer): string;
    procedure SetName(Index: Integer; const Value: string);
  public
    constructor Create;
    destructor Destroy; override;
    class function InstanceCount: Integer;
    procedure AddGroup(const Key: string);
    property Primary: string index 0 read GetName write SetName;
    property Secondary: string index 1 read GetName write SetName;
    property Fallback: string index 2 read GetName write SetName;
    property Items: TObjectList<TStringList> read FItems;
  end;

resourcestring
  SOrdNotReady = 'Manager not ready (end of line)';
  SOrdBadIndex = 'Bad index: %d';

threadvar
  GOrdDepth: Integer;

procedure LogLine(const S: string);
procedure RegisterObject(Obj: TObject);

implementation

type
  TOrdWorker = class(TThread)
  private
    FQueue: TQueue<string>;
    FStream: TMemoryStream;
  protected
    procedure Execute; override;
  public
    constructor Create(const Name: string);
    destructor Destroy; override;
  end;

  TOrdCacheEntry = class
  private
    FKey: string;
    FData: TStringList;
    FBuffer: TBytesStream;
  public
    constructor Create(const AKey: string);
    destructor Destroy; override;
  end;

  TOrdPool<T: class, constructor> = class
  private
    FFree: TStack<T>;
  public
    constructor Create;
    destructor Destroy; override;
    function Acquire: T;
    procedure Release(Item: T);
  end;

var
  GOrdRegistry: TStringList;
  GOrdObjects: TObjectList<TObject>;
  GLiveWorkers: Integer = 0;

procedure LogLine(const S: string);
begin
  if Assigned(GOrdRegistry) then
    GOrdRegistry.Add(S);
end;

procedure RegisterObject(Obj: TObject);
begin
  GOrdObjects.Add(Obj);
end;

{ TOrdManager }

constructor TOrdManager.Create;
begin
  inherited Create;
  FItems := TObjectList<TStringList>.Create(True);
  FLock := TObject.Create;
  Inc(FInstances);
end;

destructor TOrdManager.Destroy;
begin
  FItems.Free;
  FLock.Free;
  Dec(FInstances);
  inherited Destroy;
end;

class function TOrdManager.InstanceCount: Integer;
begin
  Result := FInstances;
end;

function TOrdManager.GetName(Index: Integer): string;
begin
  if (Index < Low(FNames)) or (Index > High(FNames)) then
    raise EArgumentOutOfRangeException.CreateResFmt(@SOrdBadIndex, [Index]);
  Result := FNames[Index];
end;

procedure TOrdManager.SetName(Index: Integer; const Value: string);
begin
  TMonitor.Enter(FLock);
  try
    FNames[Index] := Value;
  finally
    TMonitor.Exit(FLock);
  end;
end;

procedure TOrdManager.AddGroup(const Key: string);
var
  Group: TStringList;
begin
  Group := TStringList.Create;
  Group.Add(Key);
  FItems.Add(Group);
end;

{ TOrdWorker }

constructor TOrdWorker.Create(const Name: string);
begin
  inherited Create(True);
  FQueue := TQueue<string>.Create;
  FStream := TMemoryStream.Create;
  NameThreadForDebugging(Name);
  InterlockedIncrement(GLiveWorkers);
end;

destructor TOrdWorker.Destroy;
begin
  Terminate;
  WaitFor;
  FQueue.Free;
  FStream.Free;
  InterlockedDecrement(GLiveWorkers);
  inherited;
end;

procedure TOrdWorker.Execute;
var
  Item: string;
begin
  Inc(GOrdDepth);
  while not Terminated do
  begin
    TMonitor.Enter(FQueue);
    try
      if FQueue.Count > 0 then
        Item := FQueue.Dequeue
      else
        Item := '';
    finally
      TMonitor.Exit(FQueue);
    end;
    if Item <> '' then
      FStream.WriteBuffer(PChar(Item)^, Length(Item) * SizeOf(Char))
    else
      Sleep(10);
  end;
  Dec(GOrdDepth);
end;

{ TOrdCacheEntry }

constructor TOrdCacheEntry.Create(const AKey: string);
begin
  inherited Create;
  FKey := AKey;
  FData := TStringList.Create;
  FBuffer := TBytesStream.Create;
end;

destructor TOrdCacheEntry.Destroy;
begin
  FData.Free;
  FBuffer.Free;
end;

{ TOrdPool<T> }

constructor TOrdPool<T>.Create;
begin
  inherited Create;
  FFree := TStack<T>.Create;
end;

destructor TOrdPool<T>.Destroy;
begin
  while FFree.Count > 0 do
    FFree.Pop.Free;
  FFree.Free;
  inherited Destroy; { done }
end;

function TOrdPool<T>.Acquire: T;
begin
  if FFree.Count > 0 then
    Result := FFree.Pop
  else
    Result := T.Create;
end;

procedure TOrdPool<T>.Release(Item: T);
begin
  FFree.Push(Item);
end;

procedure OrdLoadNames1(const FileName: string; Target: TStrings);
var
  Lines: TStringList;
  I: Integer;
begin
  Lines := TStringList.Create;
  try
    Lines.LoadFromFile(FileName);
    for I := 0 to Lines.Count - 1 do
      if Trim(Lines[I]) <> '' then
        Target.Add(Trim(Lines[I]));
  finally
    Lines.Free;
  end;
end;

function OrdDefaultLimit2(Kind: Integer): Integer;
type
  TLimitRec = record
    Low: Integer;
    High: Integer;
    Tag: string;
  end;
const
  Defaults: TLimitRec = (Low: 1; High: 100; Tag: 'std');
  Names: array[0..2] of string = ('small', 'medium', 'large');
  Factors: array[0..2] of Integer = (1, 5, 25);
var
  Rec: TLimitRec;
begin
  Rec := Defaults;
  if (Kind >= Low(Names)) and (Kind <= High(Names)) then
  begin
    Rec.High := Rec.High * Factors[Kind];
    Rec.Tag := Names[Kind];
  end;
  Result := Rec.High - Rec.Low;
end;

procedure OrdMergeLists3(Source, Dest: TStrings);
var
  Seen: TStringList;

  function AlreadySeen(const S: string): Boolean;
  var
    Idx: Integer;
  begin
    Result := Seen.Find(S, Idx);
  end;

  procedure Remember(const S: string);
  var
    Clean: string;
  begin
    Clean := LowerCase(Trim(S));
    if not AlreadySeen(Clean) then
    begin
      Seen.Add(Clean);
      Dest.Add(S);
    end;
  end;

var
  I: Integer;
begin
  Seen := TStringList.Create;
  try
    Seen.Sorted := True;
    for I := 0 to Source.Count - 1 do
      Remember(Source[I]);
  finally
    Seen.Free;
  end;
end;

function OrdDescribeCode4(Code: Integer): string;
var
  Buf: TStringBuilder;
begin
  Buf := TStringBuilder.Create;
  try
    case Code of
      0:
        begin
          Buf.Append('none');
          Buf.Append(' (idle)');
        end;
      1, 2:
        begin
          Buf.Append('low');
          if Code = 2 then
            Buf.Append('+');
        end;
      3..9: Buf.Append('medium');
    else
      begin
        Buf.Append('high:');
        Buf.Append(IntToStr(Code));
      end;
    end;
    Result := Buf.ToString;
  finally
    Buf.Free;
  end;
end;

function OrdTryParseFile5(const FileName: string; out Count: Integer): Boolean;
var
  Stream: TFileStream;
  Reader: TStreamReader;
begin
  Result := False;
  Count := 0;
  try
    Stream := TFileStream.Create(FileName, fmOpenRead or fmShareDenyWrite);
    try
      Reader := TStreamReader.Create(Stream);
      try
        while not Reader.EndOfStream do
        begin
          Reader.ReadLine;
          Inc(Count);
        end;
        Result := True;
      finally
        Reader.Free;
      end;
    finally
      Stream.Free;
    end;
  except
    on E: EFOpenError do
      LogLine('cannot open ' + FileName + ': ' + E.Message);
    on E: Exception do
      LogLine('error: ' + E.Message);
  end;
end;

procedure OrdDumpSettings6(const Section: string; Target: TStrings);
begin
  with TStringList.Create do
  try
    Add('[' + Section + ']');
    Add('enabled=1');
    Sort;
    Target.Add(Text);
  finally
    Free;
  end;
end;

procedure OrdForEachName7(Names: TStrings; const Prefix: string);
var
  Handler: TProc<string>;
  Collected: TStringList;
  I: Integer;
begin
  Collected := TStringList.Create;
  try
    Handler :=
      procedure(S: string)
      var
        Tmp: string;
      begin
        Tmp := Prefix + S;
        if Length(Tmp) > 0 then
        begin
          Collected.Add(Tmp);
        end;
      end;
    for I := 0 to Names.Count - 1 do
      Handler(Names[I]);
    Names.Assign(Collected);
  finally
    Collected.Free;
  end;
end;

function OrdSumValues8(const Values: array of Integer): Int64;
var
  List: TList<Integer>;
  V: Integer;
begin
  Result := 0;
  List := TList<Integer>.Create;
  try
    for V in Values do
      if V > 0 then
        List.Add(V);
    List.Sort;
    for V in List do
      Inc(Result, V);
  finally
    List.Free;
  end;
end;

procedure OrdRegisterDefaults9(Owner: TObjectList<TStringList>);
var
  Item: TStringList;
begin
  Item := TStringList.Create;
  Item.Add('alpha');
  Item.Add('beta');
  Item.Sorted := True;
  Owner.Add(Item);
end;

function OrdNewBuffer10(Capacity: Integer): TMemoryStream;
begin
  Result := TMemoryStream.Create;
  Result.Size := Capacity;
  Result.Position := 0;
end;

function OrdCountUnique11(Source: TStrings): Integer;
var
  Uniq: TStringList;
begin
  Uniq := TStringList.Create;
  Uniq.Sorted := True;
  Uniq.Duplicates := dupIgnore;
  Uniq.AddStrings(Source);
  Result := Uniq.Count;
  Uniq.Free;
end;

function OrdMakeCatalog12(const Title: string): TStringList;
var
  Cat: TStringList;
begin
  Cat := TStringList.Create;
  Cat.Add('title=' + Title);
  Cat.Add('created=' + DateTimeToStr(Now));
  if Title = '' then
    Exit(Cat);
  Cat.Add('kind=named');
  Result := Cat;
end;

procedure OrdPublishItem13(const Key: string);
var
  Entry: TStringList;
begin
  Entry := TStringList.Create;
  Entry.Values['key'] := Key;
  Entry.Values['stamp'] := FormatDateTime('hh:nn:ss', Now);
  RegisterObject(Entry);
end;

procedure OrdCopyStream14(Source: TStream; const Target: string);
var
  Dest: TFileStream;
begin
  Dest := nil;
  try
    Dest := TFileStream.Create(Target, fmCreate);
    Source.Position := 0;
    Dest.CopyFrom(Source, Source.Size);
  finally
    Dest.Free;
  end;
end;

procedure OrdRefreshIndex15(Index: TStrings);
var
  Temp: TStringList;
begin
  Temp := TStringList.Create;
  try
    Temp.Assign(Index);
    Temp.Sort;
    Index.Assign(Temp);
  finally
    FreeAndNil(Temp);
  end;
end;

function OrdEscapeText16(const S: string): string;
const
  Marker = 'end;';   { begin  -- not code }
  Opener = 'begin';  (* try ... finally *)
begin
  // case X of end; try finally end;
  Result := StringReplace(S, Marker, '[end]', [rfReplaceAll]);
  Result := StringReplace(Result, Opener, '[begin]', [rfReplaceAll]);
  Result := StringReplace(Result, , '', [rfReplaceAll]);
  if Pos('{', Result) > 0 then
    Result := Result + ' (* has brace *)';
end;

function OrdCheckSum17(P: Pointer; Len: Integer): Cardinal;
asm
        PUSH    EBX
        XOR     EBX, EBX
        TEST    EDX, EDX
        JZ      @@Done
@@Loop:
        MOVZX   ECX, BYTE PTR [EAX]
        ADD     EBX, ECX
        INC     EAX
        DEC     EDX
        JNZ     @@Loop
@@Done:
        MOV     EAX, EBX
        POP     EBX
end;

{$IFDEF DEBUG}
procedure OrdTraceState18(const Msg: string);
var
  Log: TStringList;
begin
  Log := TStringList.Create;
  try
    Log.Add(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + Msg);
    Log.SaveToFile('trace18.log');
  finally
    Log.Free;
  end;
end;
{$ELSE}
procedure OrdTraceState18(const Msg: string);
begin
end;
{$ENDIF}

function OrdFormatValue19(Value: Integer): string; overload;
begin
  Result := IntToStr(Value);
end;

function OrdFormatValue19(Value: Double): string; overload;
begin
  Result := FormatFloat('0.00', Value);
end;

function OrdFormatValue19(const Value: string; Width: Integer): string; overload;
begin
  Result := Value;
  while Length(Result) < Width do
    Result := ' ' + Result;
end;

procedure OrdProcessBatches20(Batches: TStrings);
var
  I: Integer;
  Fields: TStringList;
begin
  for I := 0 to Batches.Count - 1 do
  begin
    Fields := TStringList.Create;
    try
      Fields.Delimiter := ';';
      Fields.DelimitedText := Batches[I];
      if Fields.Count = 0 then
        Continue;
      Batches[I] := Fields[0];
    finally
      Fields.Free;
    end;
  end;
end;

procedure OrdAttachTimer21(AOwner: TComponent; Handler: TNotifyEvent);
var
  Timer: TTimer;
begin
  Timer := TTimer.Create(AOwner);
  Timer.Interval := 500;
  Timer.OnTimer := Handler;
  Timer.Enabled := True;
end;

procedure OrdCompareSets22(A, B: TStrings; Diff: TStrings);
var
  Left, Right: TStringList;
  I: Integer;
begin
  Left := TStringList.Create;
  try
    Right := TStringList.Create;
    try
      Left.Assign(A);
      Right.Assign(B);
      Left.Sort;
      Right.Sort;
      for I := 0 to Left.Count - 1 do
        if Right.IndexOf(Left[I]) < 0 then
          Diff.Add('-' + Left[I]);
    finally
      Right.Free;
    end;
  finally
    Left.Free;
  end;
end;

function OrdVariantSize23(const V: TValueRec): Integer;
type
  TLocalShape = record
    Id: Integer;
    case Kind: Byte of
      0: (Radius: Double);
      1: (Width, Height: Double);
      2: (Points: array[0..3] of Integer);
  end;
var
  Shape: TLocalShape;
begin
  Shape.Id := V.Id;
  Shape.Kind := V.Kind;
  case Shape.Kind of
    0: Result := SizeOf(Shape.Radius);
    1: Result := SizeOf(Shape.Width) * 2;
  else
    Result := SizeOf(Shape.Points);
  end;
end;

procedure OrdQuickDispose24;
var
  Probe: TStringList;
begin
  Probe := TStringList.Create;
  Probe.Free;
end;

function OrdFindFirstMatch25(Items: TStrings; const Pattern: string): Integer;
var
  Matcher: TStringList;
  I: Integer;
begin
  Result := -1;
  Matcher := TStringList.Create;
  try
    Matcher.CaseSensitive := False;
    Matcher.Add(Pattern);
    for I := 0 to Items.Count - 1 do
      if Matcher.IndexOf(Items[I]) >= 0 then
      begin
        Result := I;
        Exit;
      end;
  finally
    Matcher.Free;
  end;
end;

procedure OrdSafeRun26(const Cmd: string);
var
  Args: TStringList;
begin
  try
    Args := TStringList.Create;
    try
      Args.CommaText := Cmd;
      if Args.Count > 0 then
        LogLine('run ' + Args[0]);
    finally
      Args.Free;
    end;
  except
    on E: Exception do
    begin
      LogLine('failed: ' + E.Message);
      raise;
    end;
  end;
end;

function OrdGroupByKey27(Source: TStrings): TDictionary<string, Integer>;
var
  Map: TDictionary<string, Integer>;
  S: string;
  Count: Integer;
begin
  Map := TDictionary<string, Integer>.Create;
  for S in Source do
  begin
    if not Map.TryGetValue(S, Count) then
      Count := 0;
    Map.AddOrSetValue(S, Count + 1);
  end;
  Result := Map;
end;

procedure OrdStoreSnapshot28(Holder: TSnapshotHolder);
var
  Snap: TMemoryStream;
begin
  Snap := TMemoryStream.Create;
  Snap.WriteBuffer(Holder.Header, SizeOf(Holder.Header));
  Holder.Snapshot := Snap;
end;

procedure OrdAuditEntries33(Entries: TStrings);
var
  Report: TStringList;
  I: Integer;
begin
  Report := TStringList.Create;
  for I := 0 to Entries.Count - 1 do
    Report.Add(Entries[I] + '=checked');
  LogLine(Report.Text);
end;

function OrdTickCount53: Cardinal; stdcall; external 'kernel32.dll' name 'GetTickCount';

procedure OrdLateInit53(Target: TStrings); forward;

procedure OrdSortByName53(Names: TStringList);
label
  Retry;
var
  Attempts: Integer;
  Url: string;
begin
  Attempts := 0;
  Url := 'http://host/{id}/(*end*)//begin';
Retry:
  Inc(Attempts);
  Names.CustomSort(nil);
  Names.Sort;
  if (Names.Count > 1) and (Attempts < 3) and (Url[1] = '{') then
    goto Retry;
  OrdLateInit53(Names);
end;

procedure OrdLateInit53(Target: TStrings);
var
  Sorted: TList<string>;
  S: string;
begin
  Sorted := TList<string>.Create(TComparer<string>.Construct(
    function(const L, R: string): Integer
    begin
      case Length(L) - Length(R) of
        0: Result := CompareText(L, R);
      else
        Result := Length(L) - Length(R);
      end;
    end));
  try
    for S in Target do
      Sorted.Add(S + #13#10 + 'it''s the end');
    Sorted.Sort;
  finally
    Sorted.Free;
  end;
  repeat
    Target.Delete(Target.Count - 1);
  until Target.Count <= 10;
end;

procedure OrdWriteDump56(const Target: string; const Data: TBytes);
var
  Dump: TFileStream;
begin
  try
    Dump := TFileStream.Create(Target, fmCreate);
    if Length(Data) > 0 then
      Dump.WriteBuffer(Data[0], Length(Data));
  finally
    Dump.Free;
  end;
end;

initialization
  GOrdRegistry := TStringList.Create;
  GOrdObjects := TObjectList<TObject>.Create(True);

finalization
  FreeAndNil(GOrdObjects);
  GOrdRegistry.Free;

end.
