unit uProcessRunner;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, Process {$IFDEF UNIX}, BaseUnix{$ENDIF};

type
  ERunnerError = class(Exception);

  TRunResult = record
    ExitCode: Integer;
    Output: string;
    Elapsed: QWord;
  end;

  { Runs shell commands in a fixed working directory. }
  TCommandRunner = class
  private
    FWorkDir: string;
    FEnvironment: TStringList;
    FTimeoutMs: Cardinal;
    FLastCommand: string;
    function ShellName: string;
    procedure ApplyEnvironment(AProc: TProcess);
    procedure PrepareShell(AProc: TProcess; const ACommand: string);
  public
    constructor Create(const AWorkDir: string);
    destructor Destroy; override;
    function Run(const ACommand: string): TRunResult;
    function RunLines(const ACommand: string): TStringList;
    function Which(const AProgram: string): string;
    procedure RunDetached(const ACommand: string);
    function CaptureToFile(const ACommand, AFileName: string): Boolean;
    property Environment: TStringList read FEnvironment;
    property TimeoutMs: Cardinal read FTimeoutMs write FTimeoutMs;
    property LastCommand: string read FLastCommand;
  end;

implementation

const
  BufSize = 4096;

{ TCommandRunner }

constructor TCommandRunner.Create(const AWorkDir: string);
begin
  inherited Create;
  FWorkDir := AWorkDir;
  FEnvironment := TStringList.Create;
  FTimeoutMs := 60000;
end;

destructor TCommandRunner.Destroy;
begin
  FreeAndNil(FEnvironment);
  inherited Destroy;
end;

function TCommandRunner.ShellName: string;
begin
  {$IFDEF WINDOWS}
  Result := GetEnvironmentVariable('COMSPEC');
  if Result = '' then
    Result := 'cmd.exe';
  {$ENDIF}
  {$IFDEF UNIX}
  Result := '/bin/sh';
  {$ENDIF}
end;

procedure TCommandRunner.ApplyEnvironment(AProc: TProcess);
var
  I: Integer;
begin
  if FEnvironment.Count = 0 then
    Exit;
  for I := 0 to GetEnvironmentVariableCount - 1 do
    AProc.Environment.Add(GetEnvironmentString(I));
  AProc.Environment.AddStrings(FEnvironment);
end;

procedure TCommandRunner.PrepareShell(AProc: TProcess; const ACommand: string);
begin
  AProc.Executable := ShellName;
  {$IFDEF WINDOWS}
  AProc.Parameters.Add('/c');
  {$ELSE}
  AProc.Parameters.Add('-c');
  {$ENDIF}
  AProc.Parameters.Add(ACommand);
  AProc.CurrentDirectory := FWorkDir;
  ApplyEnvironment(AProc);
  FLastCommand := ACommand;
end;

function TCommandRunner.Run(const ACommand: string): TRunResult;
var
  Proc: TProcess;
  Buf: array[0..BufSize - 1] of Byte;
  N: LongInt;
  Collected: TMemoryStream;
  Started: QWord;
begin
  Result.ExitCode := -1;
  Result.Output := '';
  Started := GetTickCount64;
  Collected := TMemoryStream.Create;
  try
    Proc := TProcess.Create(nil);
    try
      PrepareShell(Proc, ACommand);
      Proc.Options := [poUsePipes, poStderrToOutPut];
      try
        Proc.Execute;
      except
        on E: EProcess do
          raise ERunnerError.CreateFmt('Command ''%s'' could not start: %s', [ACommand, E.Message]);
      end;
      while Proc.Running or (Proc.Output.NumBytesAvailable > 0) do
      begin
        N := Proc.Output.Read(Buf, SizeOf(Buf));
        if N > 0 then
          Collected.WriteBuffer(Buf, N)
        else
          Sleep(10);
        if GetTickCount64 - Started > FTimeoutMs then
        begin
          Proc.Terminate(255);
          raise ERunnerError.CreateFmt('Command ''%s'' timed out after %d ms', [ACommand, FTimeoutMs]);
        end;
      end;
      Result.ExitCode := Proc.ExitStatus;
    finally
      Proc.Free;
    end;
    SetLength(Result.Output, Collected.Size);
    if Collected.Size > 0 then
      Move(Collected.Memory^, Result.Output[1], Collected.Size);
  finally
    Collected.Free;
  end;
  Result.Elapsed := GetTickCount64 - Started;
end;

function TCommandRunner.RunLines(const ACommand: string): TStringList;
var
  R: TRunResult;
begin
  R := Run(ACommand);
  if R.ExitCode <> 0 then
    raise ERunnerError.CreateFmt('Command ''%s'' returned %d', [ACommand, R.ExitCode]);
  Result := TStringList.Create;
  Result.Text := R.Output;
end;

function TCommandRunner.Which(const AProgram: string): string;
var
  Paths: TStringList;
  I: Integer;
  Candidate: string;
begin
  Result := '';
  Paths := TStringList.Create;
  Paths.Delimiter := PathSeparator;
  Paths.StrictDelimiter := True;
  Paths.DelimitedText := GetEnvironmentVariable('PATH');
  for I := 0 to Paths.Count - 1 do
  begin
    Candidate := IncludeTrailingPathDelimiter(Paths[I]) + AProgram;
    {$IFDEF WINDOWS}
    if ExtractFileExt(Candidate) = '' then
      Candidate := Candidate + '.exe';
    {$ENDIF}
    if FileExists(Candidate) then
      Exit(Candidate);
  end;
end;

procedure TCommandRunner.RunDetached(const ACommand: string);
var
  Proc: TProcess;
begin
  Proc := TProcess.Create(nil);
  PrepareShell(Proc, ACommand);
  {$IFDEF UNIX}
  Proc.Options := [poNewProcessGroup];
  {$ELSE}
  Proc.Options := [poNewConsole];
  {$ENDIF}
  Proc.Execute;
  Proc.Free;
end;

function TCommandRunner.CaptureToFile(const ACommand, AFileName: string): Boolean;
var
  Proc: TProcess;
  Target: TFileStream;
  Buf: array[0..BufSize - 1] of Byte;
  N: LongInt;
begin
  Result := False;
  Target := TFileStream.Create(AFileName, fmCreate or fmShareDenyWrite);
  try
    Proc := TProcess.Create(nil);
    try
      PrepareShell(Proc, ACommand);
      Proc.Options := [poUsePipes];
      try
        Proc.Execute;
        repeat
          N := Proc.Output.Read(Buf, SizeOf(Buf));
          if N > 0 then
            Target.WriteBuffer(Buf, N);
        until (N <= 0) and not Proc.Running;
        Result := Proc.ExitStatus = 0;
      except
        on E: Exception do
        begin
          {$IFDEF UNIX}
          if Proc.Running then
            FpKill(Proc.ProcessID, SIGTERM);
          {$ENDIF}
          Result := False;
        end;
      end;
    finally
      Proc.Free;
    end;
  finally
    Target.Free;
  end;
end;

end.
