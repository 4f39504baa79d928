unit SyncEngine;

interface

uses
  SysUtils, Classes, SyncObjs;

type
  TSyncEngine = class
  private
    FQueue: TStringList;
    FLock: TCriticalSection;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Push(const AFileName: string);
    procedure Drain(const AFileName: string);
  end;

implementation

constructor TSyncEngine.Create;
begin
  inherited Create;
  FQueue := TStringList.Create;
  FLock := TCriticalSection.Create;
end;

procedure TSyncEngine.Push(const AFileName: string);
var
  Batch: TStringList;
begin
  Batch := TStringList.Create;
<<<<<<< HEAD
  try
    Batch.LoadFromFile(AFileName);
    FQueue.AddStrings(Batch);
  finally
    Batch.Free;
  end;
=======
  try
    FLock.Enter;
    try
      Batch.LoadFromFile(AFileName);
      FQueue.AddStrings(Batch);
    finally
      FLock.Leave;
    end;
  finally
    Batch.Free;
  end;
>>>>>>> feature/locking
end;

procedure TSyncEngine.Drain(const AFileName: string);
var
  Output: TFileStream;
begin
  Output := TFileStream.Create(AFileName, fmCreate);
  try
    FQueue.SaveToStream(Output);
    FQueue.Clear;
  finally
    Output.Free;
  end;
end;

destructor TSyncEngine.Destroy;
begin
<<<<<<< HEAD
  FQueue.Free;
  inherited;
=======
  FLock.Free;
  FQueue.Free;
  inherited Destroy;
>>>>>>> feature/locking
end;

end.
