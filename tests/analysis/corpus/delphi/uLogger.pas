unit uLogger;

{ Application log: a logger interface with file and memory sinks. Log lines
  are written from several threads, so every sink serialises its writes. }

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, System.SyncObjs;

type
  TLogLevel = (llDebug, llInfo, llWarning, llError);

  ILogger = interface
    ['{8A1D3C52-6E7B-4F0A-9C1B-2D5E8F4A7B10}']
    procedure Log(ALevel: TLogLevel; const AText: string);
    procedure Flush;
  end;

  LogSink = interface
    ['{0F4B9E2C-3A61-47D8-B5E0-91C7A2D64F3E}']
    procedure Write(const ALine: string);
  end;

  TFileSink = class(TInterfacedObject, LogSink)
  private
    FStream: TFileStream;
    FLock: TRTLCriticalSection;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Write(const ALine: string);
  end;

  TMemorySink = class(TInterfacedObject, LogSink)
  private
    FLines: TStringList;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Write(const ALine: string);
    property Lines: TStringList read FLines;
  end;

  TLogger = class(TInterfacedObject, ILogger)
  private
    FSink: LogSink;
    FMinLevel: TLogLevel;
  public
    constructor Create(const ASink: LogSink; AMinLevel: TLogLevel);
    procedure Log(ALevel: TLogLevel; const AText: string);
    procedure Flush;
  end;

function CreateFileLogger(const AFileName: string): ILogger;
function LevelName(ALevel: TLogLevel): string;
procedure LogStartup(const AFileName: string);

implementation

const
  LevelNames: array[TLogLevel] of string = ('DEBUG', 'INFO', 'WARNING', 'ERROR');

function LevelName(ALevel: TLogLevel): string;
begin
  Result := LevelNames[ALevel];
end;

{ TFileSink }

constructor TFileSink.Create(const AFileName: string);
begin
  inherited Create;
  InitializeCriticalSection(FLock);
  if FileExists(AFileName) then
  begin
    FStream := TFileStream.Create(AFileName, fmOpenWrite or fmShareDenyWrite);
    FStream.Seek(0, soEnd);
  end
  else
    FStream := TFileStream.Create(AFileName, fmCreate);
end;

destructor TFileSink.Destroy;
begin
  EnterCriticalSection(FLock);
  try
    FreeAndNil(FStream);
  finally
    LeaveCriticalSection(FLock);
  end;
  DeleteCriticalSection(FLock);
  inherited;
end;

procedure TFileSink.Write(const ALine: string);
var
  Bytes: TBytes;
begin
  Bytes := TEncoding.UTF8.GetBytes(ALine + sLineBreak);
  EnterCriticalSection(FLock);
  try
    FStream.WriteBuffer(Bytes, Length(Bytes));
  finally
    LeaveCriticalSection(FLock);
  end;
end;

{ TMemorySink }

constructor TMemorySink.Create;
begin
  inherited;
  FLines := TStringList.Create;
end;

destructor TMemorySink.Destroy;
begin
  TMonitor.Enter(Self);
  try
    FLines.Free;
    inherited Destroy;
  finally
    TMonitor.Exit(Self);
  end;
end;

procedure TMemorySink.Write(const ALine: string);
begin
  TMonitor.Enter(Self);
  try
    FLines.Add(ALine);
  finally
    TMonitor.Exit(Self);
  end;
end;

{ TLogger }

constructor TLogger.Create(const ASink: LogSink; AMinLevel: TLogLevel);
begin
  inherited Create;
  FSink := ASink;
  FMinLevel := AMinLevel;
end;

procedure TLogger.Log(ALevel: TLogLevel; const AText: string);
begin
  if ALevel < FMinLevel then
    Exit;
  try
    FSink.Write(Format('%s [%s] %s', [FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', Now),
      LevelName(ALevel), AText]));
  except
    // A failing log must never take the caller down with it.
    on E: EStreamError do
      OutputDebugString(PChar('log write failed: ' + E.Message));
  end;
end;

procedure TLogger.Flush;
begin
  { file streams write through; nothing is buffered here }
end;

function CreateFileLogger(const AFileName: string): ILogger;
var
  Sink: LogSink;
begin
  Sink := TFileSink.Create(AFileName);
  Result := TLogger.Create(Sink, llInfo);
  Result.Log(llInfo, 'log opened');
end;

procedure LogStartup(const AFileName: string);
var
  Sink: LogSink;
begin
  Sink := TFileSink.Create(AFileName);
  Sink.Write(Format('--- %s started %s', [ParamStr(0), DateTimeToStr(Now)]));
end;

end.
