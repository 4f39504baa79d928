unit Ferro.Stock;

{ Inventory and stock levels }

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

  TStkManager = class(TObject)
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
  SStkNotReady = 'Manager not ready (end of line)';
  SStkBadIndex = 'Bad index: %d';

threadvar
  GStkDepth: Integer;

procedure LogLine(const S: string);
procedure RegisterObject(Obj: TObject);

implementation

type
  TStkWorker = class(TThread)
  private
    FQueue: TQueue<string>;
    FStream: TMemoryStream;
  protected
    procedure Execute; override;
  public
    constructor Create(const Name: string);
    destructor Destroy; override;
  end;

  TStkCacheEntry = class
  private
    FKey: string;
    FData: TStringList;
    FBuffer: TBytesStream;
  public
    constructor Create(const AKey: string);
    destructor Destroy; override;
  end;

  TStkPool<T: class, constructor> = class
  private
    FFree: TStack<T>;
  public
    constructor Create;
    destructor Destroy; override;
    function Acquire: T;
    procedure Release(Item: T);
  end;

var
  GStkRegistry: TStringList;
  GStkObjects: TObjectList<TObject>;
  GLiveWorkers: Integer = 0;

procedure LogLine(const S: string);
begin
  if Assigned(GStkRegistry) then
    GStkRegistry.Add(S);
end;

procedure RegisterObject(Obj: TObject);
begin
  GStkObjects.Add(Obj);
end;

{ TStkManager }

constructor TStkManager.Create;
begin
  inherited Create;
  FItems := TObjectList<TStringList>.Create(True);
  FLock := TObject.Create;
  Inc(FInstances);
end;

destructor TStkManager.Destroy;
begin
  FItems.Free;
  FLock.Free;
  Dec(FInstances);
  inherited Destroy;
end;

class function TStkManager.InstanceCount: Integer;
begin
  Result := FInstances;
end;

function TStkManager.GetName(Index: Integer): string;
begin
  if (Index < Low(FNames)) or (Index > High(FNames)) then
    raise EArgumentOutOfRangeException.CreateResFmt(@SStkBadIndex, [Index]);
  Result := FNames[Index];
end;

procedure TStkManager.SetName(Index: Integer; const Value: string);
begin
  TMonitor.Enter(FLock);
  try
    FNames[Index] := Value;
  finally
    TMonitor.Exit(FLock);
  end;
end;

procedure TStkManager.AddGroup(const Key: string);
var
  Group: TStringList;
begin
  Group := TStringList.Create;
  Group.Add(Key);
  FItems.Add(Group);
end;

{ TStkWorker }

constructor TStkWorker.Create(const Name: string);
begin
  inherited Create(True);
  FQueue := TQueue<string>.Create;
  FStream := TMemoryStream.Create;
  NameThreadForDebugging(Name);
  InterlockedIncrement(GLiveWorkers);
end;

destructor TStkWorker.Destroy;
begin
  Terminate;
  WaitFor;
  FQueue.Free;
  inherited;
  FStream.Free;
  InterlockedDecrement(GLiveWorkers);
end;

procedure TStkWorker.Execute;
var
  Item: string;
begin
  Inc(GStkDepth);
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
  Dec(GStkDepth);
end;

{ TStkCacheEntry }

constructor TStkCacheEntry.Create(const AKey: string);
begin
  inherited Create;
  FKey := AKey;
  FData := TStringList.Create;
  FBuffer := TBytesStream.Create;
end;

destructor TStkCacheEntry.Destroy;
begin
  try
    FreeAndNil(FData);
    FBuffer.Free;
  finally
    inherited;
  end;
end;

{ TStkPool<T> }

constructor TStkPool<T>.Create;
begin
  inherited Create;
  FFree := TStack<T>.Create;
end;

destructor TStkPool<T>.Destroy;
begin
  while FFree.Count > 0 do
    FFree.Pop.Free;
  FFree.Free;
  inherited Destroy; { done }
end;

function TStkPool<T>.Acquire: T;
begin
  if FFree.Count > 0 then
    Result := FFree.Pop
  else
    Result := T.Create;
end;

procedure TStkPool<T>.Release(Item: T);
begin
  FFree.Push(Item);
end;

function StkSumValues1(const Values: array of Integer): Int64;
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

procedure StkRegisterDefaults2(Owner: TObjectList<TStringList>);
var
  Item: TStringList;
begin
  Item := TStringList.Create;
  Item.Add('alpha');
  Item.Add('beta');
  Item.Sorted := True;
  Owner.Add(Item);
end;

function StkNewBuffer3(Capacity: Integer): TMemoryStream;
begin
  Result := TMemoryStream.Create;
  Result.Size := Capacity;
  Result.Position := 0;
end;

function StkMakeCatalog4(const Title: string): TStringList;
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

procedure StkPublishItem5(const Key: string);
var
  Entry: TStringList;
begin
  Entry := TStringList.Create;
  Entry.Values['key'] := Key;
  Entry.Values['stamp'] := FormatDateTime('hh:nn:ss', Now);
  RegisterObject(Entry);
end;

procedure StkCopyStream6(Source: TStream; const Target: string);
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

procedure StkRefreshIndex7(Index: TStrings);
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

function StkEscapeText8(const S: string): string;
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

function StkCheckSum9(P: Pointer; Len: Integer): Cardinal;
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
procedure StkTraceState10(const Msg: string);
var
  Log: TStringList;
begin
  Log := TStringList.Create;
  try
    Log.Add(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + Msg);
    Log.SaveToFile('trace10.log');
  finally
    Log.Free;
  end;
end;
{$ELSE}
procedure StkTraceState10(const Msg: string);
begin
end;
{$ENDIF}

function StkFormatValue11(Value: Integer): string; overload;
begin
  Result := IntToStr(Value);
end;

function StkFormatValue11(Value: Double): string; overload;
begin
  Result := FormatFloat('0.00', Value);
end;

function StkFormatValue11(const Value: string; Width: Integer): string; overload;
begin
  Result := Value;
  while Length(Result) < Width do
    Result := ' ' + Result;
end;

procedure StkProcessBatches12(Batches: TStrings);
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

procedure StkAttachTimer13(AOwner: TComponent; Handler: TNotifyEvent);
var
  Timer: TTimer;
begin
  Timer := TTimer.Create(AOwner);
  Timer.Interval := 500;
  Timer.OnTimer := Handler;
  Timer.Enabled := True;
end;

procedure StkCompareSets14(A, B: TStrings; Diff: TStrings);
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

function StkVariantSize15(const V: TValueRec): Integer;
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

procedure StkQuickDispose16;
var
  Probe: TStringList;
begin
  Probe := TStringList.Create;
  Probe.Free;
end;

function StkFindFirstMatch17(Items: TStrings; const Pattern: string): Integer;
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

procedure StkSafeRun18(const Cmd: string);
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

function StkGroupByKey19(Source: TStrings): TDictionary<string, Integer>;
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

procedure StkStoreSnapshot20(Holder: TSnapshotHolder);
var
  Snap: TMemoryStream;
begin
  Snap := TMemoryStream.Create;
  Snap.WriteBuffer(Holder.Header, SizeOf(Holder.Header));
  Holder.Snapshot := Snap;
end;

procedure StkLoadNames21(const FileName: string; Target: TStrings);
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

procedure StkStartPolling22(Handler: TNotifyEvent);
var
  Poll: TTimer;
begin
  Poll := TTimer.Create(nil);
  Poll.Interval := 1000;
  Poll.OnTimer := Handler;
  Poll.Enabled := True;
end;

function StkDefaultLimit23(Kind: Integer): Integer;
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

procedure StkMergeLists24(Source, Dest: TStrings);
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

function StkDescribeCode25(Code: Integer): string;
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

function StkTryParseFile26(const FileName: string; out Count: Integer): Boolean;
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

procedure StkDumpSettings27(const Section: string; Target: TStrings);
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

procedure StkForEachName28(Names: TStrings; const Prefix: string);
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

function StkSumValues29(const Values: array of Integer): Int64;
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

procedure StkRegisterDefaults30(Owner: TObjectList<TStringList>);
var
  Item: TStringList;
begin
  Item := TStringList.Create;
  Item.Add('alpha');
  Item.Add('beta');
  Item.Sorted := True;
  Owner.Add(Item);
end;

function StkNewBuffer31(Capacity: Integer): TMemoryStream;
begin
  Result := TMemoryStream.Create;
  Result.Size := Capacity;
  Result.Position := 0;
end;

function StkMakeCatalog32(const Title: string): TStringList;
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

procedure StkPublishItem33(const Key: string);
var
  Entry: TStringList;
begin
  Entry := TStringList.Create;
  Entry.Values['key'] := Key;
  Entry.Values['stamp'] := FormatDateTime('hh:nn:ss', Now);
  RegisterObject(Entry);
end;

procedure StkCopyStream34(Source: TStream; const Target: string);
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

procedure StkRefreshIndex35(Index: TStrings);
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

function StkEscapeText36(const S: string): string;
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

function StkCheckSum37(P: Pointer; Len: Integer): Cardinal;
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
procedure StkTraceState38(const Msg: string);
var
  Log: TStringList;
begin
  Log := TStringList.Create;
  try
    Log.Add(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + Msg);
    Log.SaveToFile('trace38.log');
  finally
    Log.Free;
  end;
end;
{$ELSE}
procedure StkTraceState38(const Msg: string);
begin
end;
{$ENDIF}

function StkFormatValue39(Value: Integer): string; overload;
begin
  Result := IntToStr(Value);
end;

function StkFormatValue39(Value: Double): string; overload;
begin
  Result := FormatFloat('0.00', Value);
end;

function StkFormatValue39(const Value: string; Width: Integer): string; overload;
begin
  Result := Value;
  while Length(Result) < Width do
    Result := ' ' + Result;
end;

procedure StkProcessBatches40(Batches: TStrings);
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

procedure StkImportRows41(const FileName: string);
var
  Rows: TStringList;
begin
  Rows := TStringList.Create;
  try
    Rows.LoadFromFile(FileName);
    LogLine(IntToStr(Rows.Count) + ' rows');
    Rows.Free;
  except
    on E: Exception do
      LogLine(E.Message);
  end;
end;

procedure StkAttachTimer42(AOwner: TComponent; Handler: TNotifyEvent);
var
  Timer: TTimer;
begin
  Timer := TTimer.Create(AOwner);
  Timer.Interval := 500;
  Timer.OnTimer := Handler;
  Timer.Enabled := True;
end;

procedure StkCompareSets43(A, B: TStrings; Diff: TStrings);
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

function StkVariantSize44(const V: TValueRec): Integer;
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

procedure StkQuickDispose45;
var
  Probe: TStringList;
begin
  Probe := TStringList.Create;
  Probe.Free;
end;

function StkFindFirstMatch46(Items: TStrings; const Pattern: string): Integer;
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

procedure StkSafeRun47(const Cmd: string);
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

function StkGroupByKey48(Source: TStrings): TDictionary<string, Integer>;
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

procedure StkStoreSnapshot49(Holder: TSnapshotHolder);
var
  Snap: TMemoryStream;
begin
  Snap := TMemoryStream.Create;
  Snap.WriteBuffer(Holder.Header, SizeOf(Holder.Header));
  Holder.Snapshot := Snap;
end;

procedure StkLoadNames50(const FileName: string; Target: TStrings);
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

function StkTickCount51: Cardinal; stdcall; external 'kernel32.dll' name 'GetTickCount';

procedure StkLateInit51(Target: TStrings); forward;

procedure StkSortByName51(Names: TStringList);
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
  StkLateInit51(Names);
end;

procedure StkLateInit51(Target: TStrings);
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

function StkDefaultLimit52(Kind: Integer): Integer;
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

procedure StkMergeLists53(Source, Dest: TStrings);
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

procedure StkRebuildCache54(Cache: TStrings);

  function BuildKeys: Integer;
  var
    Keys: TStringList;
  begin
    Keys := TStringList.Create;
    Keys.Add('k1');
    Keys.Add('k2');
    Result := Keys.Count;
  end;

var
  N: Integer;
begin
  N := BuildKeys;
  Cache.Add(IntToStr(N));
end;

initialization
  GStkRegistry := TStringList.Create;
  GStkObjects := TObjectList<TObject>.Create(True);

finalization
  FreeAndNil(GStkObjects);
  GStkRegistry.Free;

end.
