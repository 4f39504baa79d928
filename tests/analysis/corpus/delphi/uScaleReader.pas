unit uScaleReader;

{ Reads weights from the dispatch scale over a serial line. The scale sends
  "ST,GS,+0001.250kg" (stable) or "US,GS,..." (unstable) about ten times a
  second; we wait for a stable reading. }

interface

uses
  Winapi.Windows, System.SysUtils, System.Classes, System.DateUtils, uSerialPort;

type
  EScaleError = class(Exception);

  TScalePacket = class
  private
    FStable: Boolean;
    FGross: Boolean;
    FWeight: Double;
    FUnit: string;
  public
    procedure Parse(const ALine: string);
    property Stable: Boolean read FStable;
    property Weight: Double read FWeight;
    property WeightUnit: string read FUnit;
  end;

  TScaleReader = class
  private
    FPort: TSerialPort;
    FTimeoutMs: Cardinal;
    function ReadLine: string;
  public
    constructor Create(const APortName: string; ABaudRate: Integer = 9600);
    destructor Destroy; override;
    function ReadStableWeight: Double;
    function ReadAny(out AStable: Boolean): Double;
    procedure Tare;
    property TimeoutMs: Cardinal read FTimeoutMs write FTimeoutMs;
  end;

implementation

procedure TScalePacket.Parse(const ALine: string);
var
  Parts: TArray<string>;
  Number: string;
begin
  Parts := ALine.Split([',']);
  if Length(Parts) < 3 then
    raise EScaleError.CreateFmt('Unexpected scale output "%s"', [ALine]);
  FStable := Parts[0] = 'ST';
  FGross := Parts[1] = 'GS';
  Number := Parts[2].Trim;
  FUnit := Copy(Number, Length(Number) - 1, 2);
  FWeight := StrToFloat(Copy(Number, 1, Length(Number) - 2), TFormatSettings.Invariant);
end;

constructor TScaleReader.Create(const APortName: string; ABaudRate: Integer);
begin
  inherited Create;
  FTimeoutMs := 5000;
  FPort := TSerialPort.Create(APortName, ABaudRate);
  FPort.Open;
end;

destructor TScaleReader.Destroy;
begin
  if FPort <> nil then
    FPort.Close;
  FPort.Free;
  inherited;
end;

function TScaleReader.ReadLine: string;
var
  C: AnsiChar;
  Started: TDateTime;
begin
  Result := '';
  Started := Now;
  repeat
    if FPort.Read(C, 1) = 1 then
    begin
      if C = #10 then
        Exit(Result.Trim);
      Result := Result + Char(C);
    end
    else if MilliSecondsBetween(Now, Started) > FTimeoutMs then
      raise EScaleError.Create('The scale does not answer; is it switched on?');
  until False;
end;

function TScaleReader.ReadAny(out AStable: Boolean): Double;
var
  Packet: TScalePacket;
begin
  Packet := TScalePacket.Create;
  try
    Packet.Parse(ReadLine);
    AStable := Packet.Stable;
    Result := Packet.Weight;
  finally
    Packet.Free;
  end;
end;

function TScaleReader.ReadStableWeight: Double;
var
  Packet: TScalePacket;
  Started: TDateTime;
begin
  Started := Now;
  repeat
    Packet := TScalePacket.Create;
    Packet.Parse(ReadLine);
    if Packet.Stable then
    begin
      if Packet.WeightUnit <> 'kg' then
        raise EScaleError.CreateFmt('The scale is set to %s, not kg', [Packet.WeightUnit]);
      Exit(Packet.Weight);
    end;
  until MilliSecondsBetween(Now, Started) > FTimeoutMs;
  raise EScaleError.Create('No stable weight within the time limit; keep the parcel still');
end;

procedure TScaleReader.Tare;
const
  TareCommand: AnsiString = 'T'#13#10;
begin
  FPort.Write(TareCommand[1], Length(TareCommand));
end;

end.
