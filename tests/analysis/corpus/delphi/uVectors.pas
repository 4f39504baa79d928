unit uVectors;

{$mode objfpc}{$H+}
{$modeswitch advancedrecords}

interface

uses
  Classes, SysUtils, Math;

type
  TVec = record
    X, Y, Z: Double;
    function Length: Double;
    function Normalized: TVec;
    function ToString: string;
    class function Make(AX, AY, AZ: Double): TVec; static;
  end;
  PVec = ^TVec;

  TVecArray = array of TVec;

operator +(const A, B: TVec): TVec;
operator -(const A, B: TVec): TVec;
operator *(const A: TVec; S: Double): TVec;
operator *(const A, B: TVec): Double; // dot product
operator =(const A, B: TVec): Boolean;
operator :=(const S: string): TVec;

type
  EVecError = class(Exception);

  TVecList = class
  private
    FItems: TVecArray;
    FCount: Integer;
    FName: string;
    FLog: TStringList;
    function GetItem(Index: Integer): TVec;
    procedure SetItem(Index: Integer; const AValue: TVec);
    procedure Grow;
  public
    constructor Create(const AName: string);
    destructor Destroy; override;
    function Add(constref V: TVec): Integer;
    function Centroid: TVec;
    function Bounds(out AMin, AMax: TVec): Boolean;
    procedure SaveToFile(const AFileName: string);
    procedure LoadFromFile(const AFileName: string);
    class function FromArray(const A: array of TVec): TVecList;
    property Items[Index: Integer]: TVec read GetItem write SetItem; default;
    property Count: Integer read FCount;
    property Name: string read FName;
  end;

function ParseVecs(const S: string): TVecArray;

implementation

{ TVec }

function TVec.Length: Double;
begin
  Result := Sqrt(X * X + Y * Y + Z * Z);
end;

function TVec.Normalized: TVec;
var
  L: Double;
begin
  L := Length;
  if IsZero(L) then
    Exit(Self);
  Result := Self * (1 / L);
end;

function TVec.ToString: string;
begin
  Result := Format('(%g, %g, %g)', [X, Y, Z]);
end;

class function TVec.Make(AX, AY, AZ: Double): TVec;
begin
  Result.X := AX;
  Result.Y := AY;
  Result.Z := AZ;
end;

{ operators }

operator +(const A, B: TVec): TVec;
begin
  Result.X := A.X + B.X;
  Result.Y := A.Y + B.Y;
  Result.Z := A.Z + B.Z;
end;

operator -(const A, B: TVec): TVec;
begin
  Result := TVec.Make(A.X - B.X, A.Y - B.Y, A.Z - B.Z);
end;

operator *(const A: TVec; S: Double): TVec;
begin
  Result := TVec.Make(A.X * S, A.Y * S, A.Z * S);
end;

operator *(const A, B: TVec): Double;
begin
  Result := A.X * B.X + A.Y * B.Y + A.Z * B.Z;
end;

operator =(const A, B: TVec): Boolean;
begin
  Exit(SameValue(A.X, B.X) and SameValue(A.Y, B.Y) and SameValue(A.Z, B.Z));
end;

operator :=(const S: string): TVec;
var
  Coords: TStringList;
begin
  Coords := TStringList.Create;
  try
    Coords.StrictDelimiter := True;
    Coords.CommaText := S;
    if Coords.Count <> 3 then
      raise EVecError.CreateFmt('Cannot read '#39'%s'#39' as a vector', [S]);
    Result := TVec.Make(StrToFloat(Trim(Coords[0])), StrToFloat(Trim(Coords[1])),
      StrToFloat(Trim(Coords[2])));
  finally
    Coords.Free;
  end;
end;

function ParseVecs(const S: string): TVecArray;
var
  Lines: TStringList;
  I: Integer;
begin
  Result := nil;
  Lines := TStringList.Create;
  try
    Lines.Text := S;
    SetLength(Result, Lines.Count);
    for I := 0 to Lines.Count - 1 do
      Result[I] := Lines[I];   // implicit operator :=
  finally
    Lines.Free;
  end;
end;

{ TVecList }

constructor TVecList.Create(const AName: string);
begin
  inherited Create;
  FName := AName;
  FLog := TStringList.Create;
  SetLength(FItems, 8);
end;

destructor TVecList.Destroy;
begin
  FLog.Add('destroyed ' + FName);
  FLog.Free;
  inherited Destroy;
  FCount := 0;
  SetLength(FItems, 0);
end;

function TVecList.GetItem(Index: Integer): TVec;
begin
  if (Index < 0) or (Index >= FCount) then
    raise EVecError.CreateFmt('Index %d out of bounds (0..%d)', [Index, FCount - 1]);
  Result := FItems[Index];
end;

procedure TVecList.SetItem(Index: Integer; const AValue: TVec);
begin
  if (Index < 0) or (Index >= FCount) then
    raise EVecError.CreateFmt('Index %d out of bounds (0..%d)', [Index, FCount - 1]);
  FItems[Index] := AValue;
end;

procedure TVecList.Grow;
begin
  SetLength(FItems, Max(8, System.Length(FItems) * 2));
end;

function TVecList.Add(constref V: TVec): Integer;
begin
  if FCount = System.Length(FItems) then
    Grow;
  FItems[FCount] := V;
  Result := FCount;
  Inc(FCount);
end;

function TVecList.Centroid: TVec;
var
  I: Integer;
  Sum: TVec;
begin
  if FCount = 0 then
    Exit(TVec.Make(0, 0, 0));
  Sum := TVec.Make(0, 0, 0);
  for I := 0 to FCount - 1 do
    Sum := Sum + FItems[I];
  Result := Sum * (1 / FCount);
end;

function TVecList.Bounds(out AMin, AMax: TVec): Boolean;
var
  I: Integer;
begin
  Result := FCount > 0;
  if not Result then
    Exit;
  AMin := FItems[0];
  AMax := FItems[0];
  for I := 1 to FCount - 1 do
  begin
    AMin := TVec.Make(Min(AMin.X, FItems[I].X), Min(AMin.Y, FItems[I].Y), Min(AMin.Z, FItems[I].Z));
    AMax := TVec.Make(Max(AMax.X, FItems[I].X), Max(AMax.Y, FItems[I].Y), Max(AMax.Z, FItems[I].Z));
  end;
end;

procedure TVecList.SaveToFile(const AFileName: string);
var
  Stream: TFileStream;
  Line: string;
  I: Integer;
begin
  Stream := TFileStream.Create(AFileName, fmCreate);
  try
    for I := 0 to FCount - 1 do
    begin
      Line := Format('%g,%g,%g', [FItems[I].X, FItems[I].Y, FItems[I].Z]) + LineEnding;
      Stream.WriteBuffer(Line[1], System.Length(Line));
    end;
  finally
    Stream.Free;
  end;
  FLog.Add('saved ' + AFileName);
end;

procedure TVecList.LoadFromFile(const AFileName: string);
var
  Lines: TStringList;
  I: Integer;
  V: TVec;
begin
  Lines := TStringList.Create;
  try
    Lines.LoadFromFile(AFileName);
    FCount := 0;
    for I := 0 to Lines.Count - 1 do
      try
        V := Lines[I];
        Add(V);
      except
        on E: EConvertError do
          raise EVecError.CreateFmt('Bad vector in line %d of %s: %s',
            [I + 1, AFileName, E.Message]);
      end;
  finally
    Lines.Free;
  end;
end;

class function TVecList.FromArray(const A: array of TVec): TVecList;
var
  I: Integer;
begin
  Result := TVecList.Create('array');
  for I := Low(A) to High(A) do
    Result.Add(A[I]);
end;

end.
