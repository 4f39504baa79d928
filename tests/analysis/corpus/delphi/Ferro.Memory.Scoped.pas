unit Ferro.Memory.Scoped;

{ Custom managed records (Delphi 10.4+) used as scope guards, and a small
  stream pool built on top of them. }

interface

uses
  System.SysUtils, System.Classes, System.Diagnostics,
  System.Generics.Collections;

type
  TAutoFree = record
  private
    FInstance: TObject;
  public
    class operator Initialize(out Dest: TAutoFree);
    class operator Finalize(var Dest: TAutoFree);
    class operator Assign(var Dest: TAutoFree; const [ref] Src: TAutoFree);
    procedure Hold(AInstance: TObject);
    function Release: TObject;
  end;

  TKeeper<T: class> = record
  private
    FValue: T;
  public
    class operator Initialize(out Dest: TKeeper<T>);
    class operator Finalize(var Dest: TKeeper<T>);
    class operator Implicit(const Src: TKeeper<T>): T;
    procedure Attach(AValue: T);
    property Value: T read FValue;
  end;

  TScopedTimer = record
  private
    FName: string;
    FWatch: TStopwatch;
  public
    class operator Initialize(out Dest: TScopedTimer);
    class operator Finalize(var Dest: TScopedTimer);
    procedure Start(const AName: string);
  end;

  TBufferPool = class
  private
    FIdle: TStack<TMemoryStream>;
    FAll: TObjectList<TMemoryStream>;
    FLog: TStringList;
  public
    constructor Create(Capacity: Integer);
    destructor Destroy; override;
    function Acquire: TMemoryStream;
    procedure Release(Stream: TMemoryStream);
  end;

  TReportBuilder = class
  private
    FCache: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    function BuildReport(const Names: TArray<string>): string;
    function LoadAll(const Files: TArray<string>): Integer;
    function Fingerprint(const FileName: string): string;
    procedure SaveCopy(const FileName: string);
  end;

var
  TimerLog: TProc<string>;

implementation

{ TAutoFree }

class operator TAutoFree.Initialize(out Dest: TAutoFree);
begin
  Dest.FInstance := nil;
end;

class operator TAutoFree.Finalize(var Dest: TAutoFree);
begin
  Dest.FInstance.Free;
  Dest.FInstance := nil;
end;

class operator TAutoFree.Assign(var Dest: TAutoFree; const [ref] Src: TAutoFree);
begin
  raise EInvalidOpException.Create('TAutoFree cannot be copied');
end;

procedure TAutoFree.Hold(AInstance: TObject);
begin
  if FInstance <> AInstance then
  begin
    FInstance.Free;
    FInstance := AInstance;
  end;
end;

function TAutoFree.Release: TObject;
begin
  Result := FInstance;
  FInstance := nil;
end;

{ TKeeper<T> }

class operator TKeeper<T>.Initialize(out Dest: TKeeper<T>);
begin
  Dest.FValue := nil;
end;

class operator TKeeper<T>.Finalize(var Dest: TKeeper<T>);
begin
  FreeAndNil(Dest.FValue);
end;

class operator TKeeper<T>.Implicit(const Src: TKeeper<T>): T;
begin
  Result := Src.FValue;
end;

procedure TKeeper<T>.Attach(AValue: T);
begin
  FreeAndNil(FValue);
  FValue := AValue;
end;

{ TScopedTimer }

class operator TScopedTimer.Initialize(out Dest: TScopedTimer);
begin
  Dest.FName := '';
  Dest.FWatch := TStopwatch.Create;
end;

class operator TScopedTimer.Finalize(var Dest: TScopedTimer);
begin
  if Dest.FName = '' then
    Exit;
  Dest.FWatch.Stop;
  if Assigned(TimerLog) then
    TimerLog(Format('%s took %d ms', [Dest.FName, Dest.FWatch.ElapsedMilliseconds]));
end;

procedure TScopedTimer.Start(const AName: string);
begin
  FName := AName;
  FWatch := TStopwatch.StartNew;
end;

{ TBufferPool }

constructor TBufferPool.Create(Capacity: Integer);
begin
  inherited Create;
  FIdle := TStack<TMemoryStream>.Create;
  FAll := TObjectList<TMemoryStream>.Create(True);
  FLog := TStringList.Create;
  for var I := 1 to Capacity do
  begin
    var Stream := TMemoryStream.Create;
    FAll.Add(Stream);
    FIdle.Push(Stream);
  end;
end;

destructor TBufferPool.Destroy;
begin
  FIdle.Free;
  FAll.Free;
  inherited;
  FLog.Add(Format('pool closed at %s', [DateTimeToStr(Now)]));
  FLog.SaveToFile('pool.log');
  FLog.Free;
end;

function TBufferPool.Acquire: TMemoryStream;
begin
  if FIdle.Count = 0 then
  begin
    Result := TMemoryStream.Create;
    FAll.Add(Result);
    FLog.Add('grown to ' + FAll.Count.ToString);
  end
  else
    Result := FIdle.Pop;
end;

procedure TBufferPool.Release(Stream: TMemoryStream);
begin
  Stream.Clear;
  FIdle.Push(Stream);
end;

{ TReportBuilder }

constructor TReportBuilder.Create;
begin
  inherited;
  FCache := TStringList.Create;
end;

destructor TReportBuilder.Destroy;
begin
  try
    FCache.Clear;
  finally
    FCache.Free;
  end;
  inherited Destroy;
end;

function TReportBuilder.BuildReport(const Names: TArray<string>): string;
var
  Auto: TAutoFree;
  Lines: TStringList;
  Timer: TScopedTimer;
begin
  Timer.Start('BuildReport');
  Lines := TStringList.Create;
  Auto.Hold(Lines);
  Lines.Sorted := True;
  Lines.Duplicates := dupIgnore;
  for var Name in Names do
    Lines.Add(Name.Trim);
  Lines.Insert(0, Format('Report of %d names', [Lines.Count]));
  Result := Lines.Text;
end;

function TReportBuilder.LoadAll(const Files: TArray<string>): Integer;
begin
  Result := 0;
  var Merged := TStringList.Create;
  for var F in Files do
    if FileExists(F) then
    begin
      var Chunk := TStringList.Create;
      try
        Chunk.LoadFromFile(F);
        Merged.AddStrings(Chunk);
        Inc(Result, Chunk.Count);
      finally
        Chunk.Free;
      end;
    end;
  FCache.Assign(Merged);
  Merged.Free;
end;

function TReportBuilder.Fingerprint(const FileName: string): string;
var
  Keeper: TKeeper<TMemoryStream>;
begin
  var Stream := TMemoryStream.Create;
  Keeper.Attach(Stream);
  Stream.LoadFromFile(FileName);
  var Hash: UInt32 := 2166136261;
  var P := PByte(Stream.Memory);
  for var I := 0 to Stream.Size - 1 do
  begin
    Hash := (Hash xor P^) * 16777619;
    Inc(P);
  end;
  Result := IntToHex(Hash, 8);
end;

procedure TReportBuilder.SaveCopy(const FileName: string);
begin
  var Timer: TScopedTimer;
  Timer.Start('SaveCopy');
  var Copy := TStringList.Create;
  try
    Copy.Assign(FCache);
    Copy.Insert(0, '# copy made ' + DateTimeToStr(Now));
    try
      Copy.SaveToFile(FileName, TEncoding.UTF8);
    except
      on E: EFCreateError do
        raise Exception.CreateFmt('Cannot write %s: %s', [FileName, E.Message]);
    end;
  finally
    Copy.Free;
  end;
end;

end.
