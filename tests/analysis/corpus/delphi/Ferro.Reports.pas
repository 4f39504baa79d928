unit Ferro.Reports;

{ Report building and export }

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

  TRepManager = class(TObject)
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
  SRepNotReady = 'Manager not ready (end of line)';
  SRepBadIndex = 'Bad index: %d';

threadvar
  GRepDepth: Integer;

procedure LogLine(const S: string);
procedure RegisterObject(Obj: TObject);

implementation

type
  TRepWorker = class(TThread)
  private
    FQueue: TQueue<string>;
    FStream: TMemoryStream;
  protected
    procedure Execute; override;
  public
    constructor Create(const Name: string);
    destructor Destroy; override;
  end;

  TRepCacheEntry = class
  private
    FKey: string;
    FData: TStringList;
    FBuffer: TBytesStream;
  public
    constructor Create(const AKey: string);
    destructor Destroy; override;
  end;

  TRepPool<T: class, constructor> = class
  private
    FFree: TStack<T>;
  public
    constructor Create;
    destructor Destroy; override;
    function Acquire: T;
    procedure Release(Item: T);
  end;

var
  GRepRegistry: TStringList;
  GRepObjects: TObjectList<TObject>;
  GLiveWorkers: Integer = 0;

procedure LogLine(const S: string);
begin
  if Assigned(GRepRegistry) then
    GRepRegistry.Add(S);
end;

procedure RegisterObject(Obj: TObject);
begin
  GRepObjects.Add(Obj);
end;

{ TRepManager }

constructor TRepManager.Create;
begin
  inherited Create;
  FItems := TObjectList<TStringList>.Create(True);
  FLock := TObject.Create;
  Inc(FInstances);
end;

destructor TRepManager.Destroy;
begin
  FLock.Free;
  inherited Destroy;
  FItems.Free;
  Dec(FInstances);
end;

class function TRepManager.InstanceCount: Integer;
begin
  Result := FInstances;
end;

function TRepManager.GetName(Index: Integer): string;
begin
  if (Index < Low(FNames)) or (Index > High(FNames)) then
    raise EArgumentOutOfRangeException.CreateResFmt(@SRepBadIndex, [Index]);
  Result := FNames[Index];
end;

procedure TRepManager.SetName(Index: Integer; const Value: string);
begin
  TMonitor.Enter(FLock);
  try
    FNames[Index] := Value;
  finally
    TMonitor.Exit(FLock);
  end;
end;

procedure TRepManager.AddGroup(const Key: string);
var
  Group: TStringList;
begin
  Group := TStringList.Create;
  Group.Add(Key);
  FItems.Add(Group);
end;

{ TRepWorker }

constructor TRepWorker.Create(const Name: string);
begin
  inherited Create(True);
  FQueue := TQueue<string>.Create;
  FStream := TMemoryStream.Create;
  NameThreadForDebugging(Name);
  InterlockedIncrement(GLiveWorkers);
end;

destructor TRepWorker.Destroy;
begin
  Terminate;
  WaitFor;
  FQueue.Free;
  FStream.Free;
  InterlockedDecrement(GLiveWorkers);
  inherited;
end;

procedure TRepWorker.Execute;
var
  Item: string;
begin
  Inc(GRepDepth);
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
  Dec(GRepDepth);
end;

{ TRepCacheEntry }

constructor TRepCacheEntry.Create(const AKey: string);
begin
  inherited Create;
  FKey := AKey;
  FData := TStringList.Create;
  FBuffer := TBytesStream.Create;
end;

destructor TRepCacheEntry.Destroy;
begin
  // inherited Destroy is not needed here
  LogLine('entry ' + FKey + ': inherited skipped');
  FData.Free;
  FBuffer.Free;
end;

{ TRepPool<T> }

constructor TRepPool<T>.Create;
begin
  inherited Create;
  FFree := TStack<T>.Create;
end;

destructor TRepPool<T>.Destroy;
begin
  while FFree.Count > 0 do
    FFree.Pop.Free;
  FFree.Free;
  inherited Destroy; { done }
end;

function TRepPool<T>.Acquire: T;
begin
  if FFree.Count > 0 then
    Result := FFree.Pop
  else
    Result := T.Create;
end;

procedure TRepPool<T>.Release(Item: T);
begin
  FFree.Push(Item);
end;

procedure RepRefreshIndex1(Index: TStrings);
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

function RepEscapeText2(const S: string): string;
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

function RepCheckSum3(P: Pointer; Len: Integer): Cardinal;
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
procedure RepTraceState4(const Msg: string);
var
  Log: TStringList;
begin
  Log := TStringList.Create;
  try
    Log.Add(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + Msg);
    Log.SaveToFile('trace4.log');
  finally
    Log.Free;
  end;
end;
{$ELSE}
procedure RepTraceState4(const Msg: string);
begin
end;
{$ENDIF}

function RepFormatValue5(Value: Integer): string; overload;
begin
  Result := IntToStr(Value);
end;

function RepFormatValue5(Value: Double): string; overload;
begin
  Result := FormatFloat('0.00', Value);
end;

function RepFormatValue5(const Value: string; Width: Integer): string; overload;
begin
  Result := Value;
  while Length(Result) < Width do
    Result := ' ' + Result;
end;

procedure RepProcessBatches6(Batches: TStrings);
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

procedure RepAttachTimer7(AOwner: TComponent; Handler: TNotifyEvent);
var
  Timer: TTimer;
begin
  Timer := TTimer.Create(AOwner);
  Timer.Interval := 500;
  Timer.OnTimer := Handler;
  Timer.Enabled := True;
end;

procedure RepCompareSets8(A, B: TStrings; Diff: TStrings);
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

function RepVariantSize9(const V: TValueRec): Integer;
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

procedure RepQuickDispose10;
var
  Probe: TStringList;
begin
  Probe := TStringList.Create;
  Probe.Free;
end;

function RepFindFirstMatch11(Items: TStrings; const Pattern: string): Integer;
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

procedure RepSafeRun12(const Cmd: string);
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

function RepGroupByKey13(Source: TStrings): TDictionary<string, Integer>;
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

procedure RepStoreSnapshot14(Holder: TSnapshotHolder);
var
  Snap: TMemoryStream;
begin
  Snap := TMemoryStream.Create;
  Snap.WriteBuffer(Holder.Header, SizeOf(Holder.Header));
  Holder.Snapshot := Snap;
end;

procedure RepLoadNames15(const FileName: string; Target: TStrings);
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

function RepDefaultLimit16(Kind: Integer): Integer;
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

procedure RepMergeLists17(Source, Dest: TStrings);
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

function RepDescribeCode18(Code: Integer): string;
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

function RepTryParseFile19(const FileName: string; out Count: Integer): Boolean;
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

procedure RepDumpSettings20(const Section: string; Target: TStrings);
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

procedure RepForEachName21(Names: TStrings; const Prefix: string);
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

function RepSumValues22(const Values: array of Integer): Int64;
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

procedure RepRegisterDefaults23(Owner: TObjectList<TStringList>);
var
  Item: TStringList;
begin
  Item := TStringList.Create;
  Item.Add('alpha');
  Item.Add('beta');
  Item.Sorted := True;
  Owner.Add(Item);
end;

function RepNewBuffer24(Capacity: Integer): TMemoryStream;
begin
  Result := TMemoryStream.Create;
  Result.Size := Capacity;
  Result.Position := 0;
end;

function RepMakeCatalog25(const Title: string): TStringList;
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

procedure RepPublishItem26(const Key: string);
var
  Entry: TStringList;
begin
  Entry := TStringList.Create;
  Entry.Values['key'] := Key;
  Entry.Values['stamp'] := FormatDateTime('hh:nn:ss', Now);
  RegisterObject(Entry);
end;

procedure RepCollectGroups27(const Keys: array of string);
var
  Bag: TObjectList<TStringList>;
  Key: string;
  Group: Integer;
begin
  Group := 0;
  Bag := TObjectList<TStringList>.Create(True);
  for Key in Keys do
  begin
    Bag.Add(TStringList.Create);
    Bag.Last.Add(Key);
    Inc(Group);
  end;
  LogLine(IntToStr(Group) + ' groups, ' + IntToStr(Bag.Count) + ' lists');
end;

procedure RepCopyStream28(Source: TStream; const Target: string);
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

procedure RepRefreshIndex29(Index: TStrings);
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

function RepEscapeText30(const S: string): string;
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

function RepCheckSum31(P: Pointer; Len: Integer): Cardinal;
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
procedure RepTraceState32(const Msg: string);
var
  Log: TStringList;
begin
  Log := TStringList.Create;
  try
    Log.Add(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + Msg);
    Log.SaveToFile('trace32.log');
  finally
    Log.Free;
  end;
end;
{$ELSE}
procedure RepTraceState32(const Msg: string);
begin
end;
{$ENDIF}

function RepFormatValue33(Value: Integer): string; overload;
begin
  Result := IntToStr(Value);
end;

function RepFormatValue33(Value: Double): string; overload;
begin
  Result := FormatFloat('0.00', Value);
end;

function RepFormatValue33(const Value: string; Width: Integer): string; overload;
begin
  Result := Value;
  while Length(Result) < Width do
    Result := ' ' + Result;
end;

procedure RepProcessBatches34(Batches: TStrings);
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

procedure RepAttachTimer35(AOwner: TComponent; Handler: TNotifyEvent);
var
  Timer: TTimer;
begin
  Timer := TTimer.Create(AOwner);
  Timer.Interval := 500;
  Timer.OnTimer := Handler;
  Timer.Enabled := True;
end;

procedure RepCompareSets36(A, B: TStrings; Diff: TStrings);
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

function RepVariantSize37(const V: TValueRec): Integer;
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

procedure RepQuickDispose38;
var
  Probe: TStringList;
begin
  Probe := TStringList.Create;
  Probe.Free;
end;

function RepFindFirstMatch39(Items: TStrings; const Pattern: string): Integer;
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

procedure RepSafeRun40(const Cmd: string);
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

function RepGroupByKey41(Source: TStrings): TDictionary<string, Integer>;
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

procedure RepStoreSnapshot42(Holder: TSnapshotHolder);
var
  Snap: TMemoryStream;
begin
  Snap := TMemoryStream.Create;
  Snap.WriteBuffer(Holder.Header, SizeOf(Holder.Header));
  Holder.Snapshot := Snap;
end;

procedure RepLoadNames43(const FileName: string; Target: TStrings);
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

function RepDefaultLimit44(Kind: Integer): Integer;
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

procedure RepMergeLists45(Source, Dest: TStrings);
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

function RepDescribeCode46(Code: Integer): string;
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

function RepTryParseFile47(const FileName: string; out Count: Integer): Boolean;
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

procedure RepDumpSettings48(const Section: string; Target: TStrings);
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

procedure RepForEachName49(Names: TStrings; const Prefix: string);
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

function RepSumValues50(const Values: array of Integer): Int64;
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

procedure RepRegisterDefaults51(Owner: TObjectList<TStringList>);
var
  Item: TStringList;
begin
  Item := TStringList.Create;
  Item.Add('alpha');
  Item.Add('beta');
  Item.Sorted := True;
  Owner.Add(Item);
end;

function RepTickCount52: Cardinal; stdcall; external 'kernel32.dll' name 'GetTickCount';

procedure RepLateInit52(Target: TStrings); forward;

procedure RepSortByName52(Names: TStringList);
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
  RepLateInit52(Names);
end;

procedure RepLateInit52(Target: TStrings);
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

function RepNewBuffer53(Capacity: Integer): TMemoryStream;
begin
  Result := TMemoryStream.Create;
  Result.Size := Capacity;
  Result.Position := 0;
end;

procedure RepApplyMode54(Mode: Integer; Target: TStrings);
var
  Work: TStringList;
begin
  Work := TStringList.Create;
  case Mode of
    0:
      begin
        Work.Add('reset');
        Target.Clear;
      end;
    1: Work.Add('append');
  else
    begin
      Work.Add('mode ' + IntToStr(Mode));
    end;
  end;
  Target.AddStrings(Work);
  Work.Free;
end;

function RepMakeCatalog55(const Title: string): TStringList;
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

initialization
  GRepRegistry := TStringList.Create;
  GRepObjects := TObjectList<TObject>.Create(True);

finalization
  FreeAndNil(GRepObjects);
  GRepRegistry.Free;

end.
