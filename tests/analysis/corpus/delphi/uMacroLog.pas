unit uMacroLog;

{$mode objfpc}{$H+}
{$macro on}

{$define LOG_PREFIX := '[ferro] '}
{$IFDEF DEBUG}
  {$define LOG_LEVEL := 3}
{$ELSE}
  {$define LOG_LEVEL := 1}
{$ENDIF}

interface

uses
  Classes, SysUtils, Contnrs, SyncObjs;

type
  TLogLevel = (llError, llWarning, llInfo, llDebug);

  ELogError = class(Exception)
  public
    Code: Integer;
  end;

  { Base class of everything that receives log lines. }
  TLogSink = class
  public
    procedure Write(ALevel: TLogLevel; const AText: string); virtual; abstract;
    procedure Flush; virtual;
  end;

  TFileLogSink = class(TLogSink)
  private
    FStream: TFileStream;
    FFileName: string;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Write(ALevel: TLogLevel; const AText: string); override;
  end;

  TMemoryLogSink = class(TLogSink)
  private
    FLines: TStringList;
    FMaxLines: Integer;
  public
    constructor Create(AMaxLines: Integer);
    destructor Destroy; override;
    procedure Write(ALevel: TLogLevel; const AText: string); override;
    property Lines: TStringList read FLines;
  end;

  TLogger = class
  private
    FSinks: TObjectList;
    FLock: TCriticalSection;
    FMinLevel: TLogLevel;
  public
    constructor Create;
    destructor Destroy; override;
    procedure AddSink(ASink: TLogSink);
    procedure AddFile(const AFileName: string);
    procedure Log(ALevel: TLogLevel; const AText: string);
    procedure LogFmt(ALevel: TLogLevel; const AFmt: string; const AArgs: array of const);
    function Snapshot: string;
    procedure Fail(ACode: Integer; const AWhat: string);
    property MinLevel: TLogLevel read FMinLevel write FMinLevel;
  end;

function GlobalLog: TLogger;

implementation

const
  LevelNames: array[TLogLevel] of string = ('ERROR', 'WARN', 'INFO', 'DEBUG');

var
  GLog: TLogger = nil;

function GlobalLog: TLogger;
begin
  if GLog = nil then
    GLog := TLogger.Create;
  Result := GLog;
end;

function Stamp(ALevel: TLogLevel; const AText: string): string;
begin
  Result := LOG_PREFIX + FormatDateTime('hh:nn:ss.zzz', Now) + ' ' +
    LevelNames[ALevel] + ' ' + AText;
end;

{ TLogSink }

procedure TLogSink.Flush;
begin
  // nothing to flush by default
end;

{ TFileLogSink }

constructor TFileLogSink.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
  if FileExists(AFileName) then
  begin
    FStream := TFileStream.Create(AFileName, fmOpenReadWrite or fmShareDenyWrite);
    FStream.Seek(0, soEnd);
  end
  else
    FStream := TFileStream.Create(AFileName, fmCreate or fmShareDenyWrite);
end;

destructor TFileLogSink.Destroy;
begin
  FStream.Free;
  inherited Destroy;
  (* FStream := nil;  -- not needed after inherited Destroy, the
     instance memory is gone by now *)
end;

procedure TFileLogSink.Write(ALevel: TLogLevel; const AText: string);
var
  S: string;
begin
  S := Stamp(ALevel, AText) + LineEnding;
  FStream.WriteBuffer(S[1], Length(S));
end;

{ TMemoryLogSink }

constructor TMemoryLogSink.Create(AMaxLines: Integer);
begin
  inherited Create;
  FMaxLines := AMaxLines;
  FLines := TStringList.Create;
end;

destructor TMemoryLogSink.Destroy;
begin
  FLines.Free;
  inherited Destroy; // FLines.Clear here would be a use-after-free
end;

procedure TMemoryLogSink.Write(ALevel: TLogLevel; const AText: string);
begin
  FLines.Add(Stamp(ALevel, AText));
  while FLines.Count > FMaxLines do
    FLines.Delete(0);
end;

{ TLogger }

constructor TLogger.Create;
begin
  inherited Create;
  FSinks := TObjectList.Create(True);
  FLock := TCriticalSection.Create;
  FMinLevel := TLogLevel(LOG_LEVEL + 1);
end;

destructor TLogger.Destroy;
begin
  FLock.Free;
  FSinks.Free;
  inherited Destroy;
end;

procedure TLogger.AddSink(ASink: TLogSink);
begin
  FLock.Acquire;
  try
    FSinks.Add(ASink);
  finally
    FLock.Release;
  end;
end;

procedure TLogger.AddFile(const AFileName: string);
var
  Sink: TFileLogSink;
begin
  try
    Sink := TFileLogSink.Create(AFileName);
  except
    on E: EFOpenError do
      raise ELogError.CreateFmt('Can'#39't open log '#39'%s'#39': %s', [AFileName, E.Message]);
  end;
  AddSink(Sink);
end;

procedure TLogger.Log(ALevel: TLogLevel; const AText: string);
var
  I: Integer;
begin
  if ALevel > FMinLevel then
    Exit;
  FLock.Acquire;
  try
    for I := 0 to FSinks.Count - 1 do
      TLogSink(FSinks[I]).Write(ALevel, AText);
  finally
    FLock.Release;
  end;
end;

procedure TLogger.LogFmt(ALevel: TLogLevel; const AFmt: string; const AArgs: array of const);
begin
  Log(ALevel, Format(AFmt, AArgs));
end;

(* Older versions of Snapshot did

     Buf := TStringStream.Create('');
     ...
     Result := Buf.DataString;

   and the caller had to remember a Buf.Free that never came. *)
function TLogger.Snapshot: string;
var
  Buf: TMemoryStream;
  I, J: Integer;
  Sink: TMemoryLogSink;
  S: string;
begin
  Result := '';
  Buf := TMemoryStream.Create;
  FLock.Acquire;
  try
    for I := 0 to FSinks.Count - 1 do
      if FSinks[I] is TMemoryLogSink then
      begin
        Sink := TMemoryLogSink(FSinks[I]);
        for J := 0 to Sink.Lines.Count - 1 do
        begin
          S := Sink.Lines[J] + LineEnding;
          Buf.WriteBuffer(S[1], Length(S));
        end;
      end;
  finally
    FLock.Release;
  end;
  SetString(Result, PChar(Buf.Memory), Buf.Size);
end;

procedure TLogger.Fail(ACode: Integer; const AWhat: string);
var
  E: ELogError;
begin
  Log(llError, AWhat);
  E := ELogError.CreateFmt('%s (code %d)', [AWhat, ACode]);
  E.Code := ACode;
  raise E;
end;

initialization

finalization
  FreeAndNil(GLog);

end.
