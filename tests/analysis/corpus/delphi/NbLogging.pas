{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbLogging.pas - minimal structured logger with pluggable appenders

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbLogging;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  {$IFDEF MSWINDOWS}Windows,{$ENDIF}
  {$IFDEF POSIX}Posix.Unistd,{$ENDIF}
  SysUtils, Classes, SyncObjs, Generics.Collections;

type
  TNbLogLevel = (llTrace, llDebug, llInfo, llWarning, llError);

  INbLogger = interface
    ['{0F7C64E2-4D4B-4E31-8F0A-71D9E43A2B01}']
    procedure Log(ALevel: TNbLogLevel; const AMsg: string);
    procedure LogFmt(ALevel: TNbLogLevel; const AFmt: string; const Args: array of const);
    function GetMinLevel: TNbLogLevel;
    property MinLevel: TNbLogLevel read GetMinLevel;
  end;

  TNbAppender = class
  protected
    procedure WriteLine(const ALine: string); virtual; abstract;
  public
    procedure Flush; virtual;
  end;

  TNbConsoleAppender = class(TNbAppender)
  protected
    procedure WriteLine(const ALine: string); override;
  end;

  TNbFileAppender = class(TNbAppender)
  private
    FFileName: string;
    FStream: TFileStream;
    FWriter: TStreamWriter;
    FOnClosed: TNotifyEvent;
  protected
    procedure WriteLine(const ALine: string); override;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Flush; override;
    property OnClosed: TNotifyEvent read FOnClosed write FOnClosed;
  end;

  TNbLogger = class(TInterfacedObject, INbLogger)
  private
    FAppenders: TObjectList<TNbAppender>;
    FMinLevel: TNbLogLevel;
    FLock: TCriticalSection;
    FCategory: string;
    function GetMinLevel: TNbLogLevel;
    function FormatLine(ALevel: TNbLogLevel; const AMsg: string): string;
  public
    constructor Create(const ACategory: string; AMinLevel: TNbLogLevel = llInfo);
    destructor Destroy; override;
    procedure AddAppender(AAppender: TNbAppender);
    procedure Log(ALevel: TNbLogLevel; const AMsg: string);
    procedure LogFmt(ALevel: TNbLogLevel; const AFmt: string; const Args: array of const);
    class function New(const ACategory: string): INbLogger;
    class function NewFile(const ACategory, AFileName: string): INbLogger;
  end;

procedure NbAppendToFile(const AFileName, ALine: string);
function NbLevelName(ALevel: TNbLogLevel): string;

implementation

const
  LevelNames: array[TNbLogLevel] of string = ('TRACE', 'DEBUG', 'INFO', 'WARN', 'ERROR');

function NbLevelName(ALevel: TNbLogLevel): string;
begin
  Result := LevelNames[ALevel];
end;

procedure NbAppendToFile(const AFileName, ALine: string);
var
  Writer: TStreamWriter;
begin
  if AFileName = '' then
    Exit;
  Writer := TStreamWriter.Create(AFileName, True, TEncoding.UTF8);
  Writer.WriteLine(ALine);
  Writer.Flush;
end;

{$REGION 'Appenders'}

procedure TNbAppender.Flush;
begin
  { nothing buffered by default; descendants that buffer override this }
end;

procedure TNbConsoleAppender.WriteLine(const ALine: string);
begin
  {$IFDEF MSWINDOWS}
  if IsConsole then
    Writeln(ALine)
  else
    OutputDebugString(PChar(ALine));
  {$ELSE}
  Writeln(ALine);
  {$ENDIF}
end;

constructor TNbFileAppender.Create(const AFileName: string);
var
  Mode: Word;
begin
  inherited Create;
  FFileName := AFileName;
  if FileExists(AFileName) then
    Mode := fmOpenReadWrite or fmShareDenyWrite
  else
    Mode := fmCreate;
  FStream := TFileStream.Create(AFileName, Mode);
  FStream.Seek(0, soEnd);
  FWriter := TStreamWriter.Create(FStream, TEncoding.UTF8);
  FWriter.AutoFlush := False;
end;

destructor TNbFileAppender.Destroy;
begin
  {$IFDEF AUTOREFCOUNT}
  FWriter := nil;
  FStream := nil;
  inherited;
  {$ELSE}
  FreeAndNil(FWriter);
  FreeAndNil(FStream);
  inherited Destroy;
  {$ENDIF}
  if Assigned(FOnClosed) then
    FOnClosed(nil);
end;

procedure TNbFileAppender.WriteLine(const ALine: string);
begin
  FWriter.WriteLine(ALine);
end;

procedure TNbFileAppender.Flush;
begin
  FWriter.Flush;
  {$IFDEF POSIX}
  fsync(FStream.Handle);
  {$ENDIF}
  inherited Flush;
end;

{$ENDREGION}

{$REGION 'TNbLogger'}

constructor TNbLogger.Create(const ACategory: string; AMinLevel: TNbLogLevel);
begin
  inherited Create;
  FCategory := ACategory;
  FMinLevel := AMinLevel;
  FLock := TCriticalSection.Create;
  FAppenders := TObjectList<TNbAppender>.Create(True);
end;

destructor TNbLogger.Destroy;
var
  Appender: TNbAppender;
begin
  if FAppenders <> nil then
    for Appender in FAppenders do
      try
        Appender.Flush;
      except
        // a broken appender must not stop the others from being flushed
      end;
  FAppenders.Free;
  FLock.Free;
  inherited Destroy;
end;

class function TNbLogger.New(const ACategory: string): INbLogger;
var
  Logger: TNbLogger;
begin
  Logger := TNbLogger.Create(ACategory);
  Logger.AddAppender(TNbConsoleAppender.Create);
  Result := Logger;
end;

class function TNbLogger.NewFile(const ACategory, AFileName: string): INbLogger;
var
  Logger: TNbLogger;
  Appender: TNbFileAppender;
begin
  Logger := TNbLogger.Create(ACategory, llDebug);
  Result := Logger;
  Appender := TNbFileAppender.Create(AFileName);
  Logger.AddAppender(Appender);
end;

function TNbLogger.GetMinLevel: TNbLogLevel;
begin
  Result := FMinLevel;
end;

procedure TNbLogger.AddAppender(AAppender: TNbAppender);
begin
  if AAppender = nil then
    raise EArgumentNilException.Create('AAppender') at ReturnAddress;
  FLock.Acquire;
  try
    FAppenders.Add(AAppender);
  finally
    FLock.Release;
  end;
end;

function TNbLogger.FormatLine(ALevel: TNbLogLevel; const AMsg: string): string;

  function ThreadTag: string;
  begin
    {$IFDEF MSWINDOWS}
    Result := IntToHex(GetCurrentThreadId, 4);
    {$ELSE}
    Result := IntToStr(TThread.CurrentThread.ThreadID);
    {$ENDIF}
  end;

begin
  Result := Format('%s [%-5s] %s <%s> %s',
    [FormatDateTime('yyyy-mm-dd hh:nn:ss.zzz', Now), LevelNames[ALevel],
     FCategory, ThreadTag, AMsg]);
end;

procedure TNbLogger.Log(ALevel: TNbLogLevel; const AMsg: string);
var
  Line: string;
  I: Integer;
begin
  if ALevel < FMinLevel then
    Exit;
  Line := FormatLine(ALevel, AMsg);
  FLock.Acquire;
  try
    for I := 0 to FAppenders.Count - 1 do
    try
      FAppenders[I].WriteLine(Line);
      if ALevel >= llError then
        FAppenders[I].Flush;
    except
      on E: EStreamError do
        { the appender lost its file; keep logging to the rest }
        ;
    end;
  finally
    FLock.Release;
  end;
end;

procedure TNbLogger.LogFmt(ALevel: TNbLogLevel; const AFmt: string;
  const Args: array of const);
begin
  if ALevel >= FMinLevel then
    Log(ALevel, Format(AFmt, Args));
end;

{$ENDREGION}

end.
