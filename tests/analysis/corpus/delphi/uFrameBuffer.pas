unit uFrameBuffer;

{ Low level frame store of the capture driver. Frames are kept in raw
  slots; objects are parked there through pointer casts. }

interface

uses
  System.SysUtils, System.Classes;

type
  TFrameInfo = class
  public
    Width, Height: Integer;
    Stamp: TDateTime;
    Tags: TStringList;
    constructor Create(AWidth, AHeight: Integer);
    destructor Destroy; override;
  end;

  TSlot = record
    Info: Pointer;
    Size: Integer;
  end;
  PSlot = ^TSlot;

  TFrameStore = class
  private
    FSlots: array[0..15] of TSlot;
    FBuffer: Pointer;
    FCurrent: TFrameInfo;
    FPending: TList;
    FLog: TStringList;
    procedure ParkInfo(ASlot: Integer; AInfo: TFrameInfo);
  public
    constructor Create;
    destructor Destroy; override;
    procedure Capture(ASlot, AWidth, AHeight: Integer);
    procedure CaptureRaw(ASlot: Integer; P: Pointer);
    procedure SwapCurrent(AWidth, AHeight: Integer);
    procedure Snapshot(AStream: TStream);
    function DescribeSlot(ASlot: Integer): string;
    procedure Drop(ASlot: Integer);
  end;

  TRawReader = class(TFrameStore)
  private
    FScratch: PByte;
  public
    constructor Create;
    destructor Destroy; override;
  end;

implementation

constructor TFrameInfo.Create(AWidth, AHeight: Integer);
begin
  inherited Create;
  Width := AWidth;
  Height := AHeight;
  Stamp := Now;
  Tags := TStringList.Create;
end;

destructor TFrameInfo.Destroy;
begin
  Tags.Free;
  inherited Destroy;
end;

constructor TFrameStore.Create;
begin
  inherited Create;
  FPending := TList.Create;
  FLog := TStringList.Create;
  GetMem(FBuffer, 4096);
end;

destructor TFrameStore.Destroy;
var
  I: Integer;
begin
  for I := Low(FSlots) to High(FSlots) do
    TObject(FSlots[I].Info).Free;
  FCurrent.Free;
  FPending.Free;
  FreeMem(FBuffer);
  inherited Destroy;
  FLog.Free;
end;

procedure TFrameStore.ParkInfo(ASlot: Integer; AInfo: TFrameInfo);
begin
  FSlots[ASlot].Info := Pointer(AInfo);
  FSlots[ASlot].Size := AInfo.Width * AInfo.Height;
end;

procedure TFrameStore.Capture(ASlot, AWidth, AHeight: Integer);
var
  Info: TFrameInfo;
  P: PSlot;
begin
  Drop(ASlot);
  Info := TFrameInfo.Create(AWidth, AHeight);
  Info.Tags.Add('slot=' + IntToStr(ASlot));
  P := @FSlots[ASlot];
  TObject(P^.Info) := Info;
  P^.Size := AWidth * AHeight;
end;

procedure TFrameStore.CaptureRaw(ASlot: Integer; P: Pointer);
var
  Info: TFrameInfo;
begin
  Info := TFrameInfo.Create(0, 0);
  Info.Tags.Add('raw');
  Move(Info, FSlots[ASlot].Info, SizeOf(Pointer));
  FSlots[ASlot].Size := 0;
  if P <> nil then
    FPending.Add(P);
end;

procedure TFrameStore.SwapCurrent(AWidth, AHeight: Integer);
var
  NewInfo: TFrameInfo;
  Old: TFrameInfo;
begin
  NewInfo := TFrameInfo.Create(AWidth, AHeight);
  Old := FCurrent;
  PPointer(@FCurrent)^ := NewInfo;
  Old.Free;
end;

procedure TFrameStore.Snapshot(AStream: TStream);
var
  Writer: TBinaryWriter;
  Header: TStringList;
  I: Integer;
begin
  Header := TStringList.Create;
  Writer := TBinaryWriter.Create(AStream);
  try
    for I := Low(FSlots) to High(FSlots) do
      if FSlots[I].Info <> nil then
        Header.Add(Format('%d=%d', [I, FSlots[I].Size]));
    Writer.Write(Header.Text);
  finally
    Writer.Free;
  end;
end;

function TFrameStore.DescribeSlot(ASlot: Integer): string;
var
  Info: TFrameInfo;
  Copy: TFrameInfo;
begin
  Info := TFrameInfo(FSlots[ASlot].Info);
  if Info = nil then
    Exit('empty');
  Copy := TFrameInfo.Create(Info.Width, Info.Height);
  try
    try
      Copy.Tags.Assign(Info.Tags);
      Result := Format('%dx%d %s', [Copy.Width, Copy.Height, Copy.Tags.CommaText]);
    except
      on E: EOutOfMemory do
        Result := 'unavailable';
    end;
  finally
    Copy.Free;
  end;
end;

procedure TFrameStore.Drop(ASlot: Integer);
begin
  TObject(FSlots[ASlot].Info).Free;
  FSlots[ASlot].Info := nil;
  FSlots[ASlot].Size := 0;
end;

constructor TRawReader.Create;
begin
  inherited Create;
  GetMem(FScratch, 1024);
end;

destructor TRawReader.Destroy;
begin
  try
    inherited Destroy;
  finally
    FreeMem(FScratch);
  end;
end;

end.
