unit vecmath;

{$mode objfpc}{$H+}

{ Small 3d vector helpers for the mesh importer.  Replaces the old unit that
  kept everything in bare arrays.  Buffers are old-style objects on purpose:
  the importer allocates millions of them on the stack. }

interface

uses
  Classes, SysUtils, Math, fgl;

type
  TVec = record
    X, Y, Z: Double;
  end;

  TMat3 = array[0..2, 0..2] of Double;

  PVecArray = ^TVecArray;
  TVecArray = array[0..MaxInt div SizeOf(TVec) - 1] of TVec;

  PVecBuffer = ^TVecBuffer;
  TVecBuffer = object
    Data: PVecArray;
    Count, Capacity: Integer;
    constructor Init(ACapacity: Integer);
    destructor Done; virtual;
    procedure Push(const v: TVec);
    function Centroid: TVec;
  end;

  PWeightedBuffer = ^TWeightedBuffer;
  TWeightedBuffer = object(TVecBuffer)
    Weights: PDouble;
    constructor Init(ACapacity: Integer);
    destructor Done; virtual;
    procedure PushWeighted(const v: TVec; w: Double);
    function WeightedCentroid: TVec;
  end;

  TShape = class
  protected
    FOrigin: TVec;
    FTag: string;
  public
    constructor Create; virtual;
    destructor Destroy; override;
    function Volume: Double; virtual; abstract;
    function Contains(const p: TVec): Boolean; virtual; abstract;
    property Origin: TVec read FOrigin write FOrigin;
    property Tag: string read FTag write FTag;
  end;

  TShapeClass = class of TShape;

  TSphere = class(TShape)
  public
    Radius: Double;
    constructor Create; override;
    function Volume: Double; override;
    function Contains(const p: TVec): Boolean; override;
  end;

  TBox = class(TShape)
  public
    Size: TVec;
    Corners: TFPList;
    constructor Create; override;
    destructor Destroy; override;
    function Volume: Double; override;
    function Contains(const p: TVec): Boolean; override;
  end;

  TShapeList = specialize TFPGObjectList<TShape>;

operator + (const a, b: TVec): TVec;
operator - (const a, b: TVec): TVec;
operator * (const a: TVec; s: Double) r: TVec;
operator * (const m: TMat3; const v: TVec) r: TVec;
operator = (const a, b: TVec): Boolean;

function Vec(x, y, z: Double): TVec;
function Dot(const a, b: TVec): Double;
function Cross(const a, b: TVec): TVec;
function Len(const a: TVec): Double;

function ShapeClassByName(const AName: string): TShapeClass;
function UnitVolume(AClass: TShapeClass): Double;
function CountInside(AShapes: TShapeList; const Points: array of TVec): Integer;
function BoundingCentroid(AShapes: TShapeList): TVec;
procedure LoadShapes(const AFileName: string; AInto: TShapeList);

var
  ShapeClasses: TStringList;

implementation

{ operators }

operator + (const a, b: TVec): TVec;
begin
  Result.X := a.X + b.X; Result.Y := a.Y + b.Y; Result.Z := a.Z + b.Z;
end;

operator - (const a, b: TVec): TVec;
begin
  Result.X := a.X - b.X; Result.Y := a.Y - b.Y; Result.Z := a.Z - b.Z;
end;

operator * (const a: TVec; s: Double) r: TVec;
begin
  r.X := a.X * s; r.Y := a.Y * s; r.Z := a.Z * s;
end;

operator * (const m: TMat3; const v: TVec) r: TVec;
begin
  r.X := m[0, 0] * v.X + m[0, 1] * v.Y + m[0, 2] * v.Z;
  r.Y := m[1, 0] * v.X + m[1, 1] * v.Y + m[1, 2] * v.Z;
  r.Z := m[2, 0] * v.X + m[2, 1] * v.Y + m[2, 2] * v.Z;
end;

operator = (const a, b: TVec): Boolean;
begin
  Result := SameValue(a.X, b.X) and SameValue(a.Y, b.Y) and SameValue(a.Z, b.Z);
end;

function Vec(x, y, z: Double): TVec;
begin
  Result.X := x; Result.Y := y; Result.Z := z;
end;

function Dot(const a, b: TVec): Double;
begin
  Result := a.X * b.X + a.Y * b.Y + a.Z * b.Z;
end;

function Cross(const a, b: TVec): TVec;
begin
  Result := Vec(a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X);
end;

function Len(const a: TVec): Double;
begin
  Result := Sqrt(Dot(a, a));
end;

{ TVecBuffer }

constructor TVecBuffer.Init(ACapacity: Integer);
begin
  Count := 0;
  Capacity := Max(ACapacity, 4);
  GetMem(Data, Capacity * SizeOf(TVec));
end;

destructor TVecBuffer.Done;
begin
  FreeMem(Data);
  Data := nil;
  Count := 0;
end;

procedure TVecBuffer.Push(const v: TVec);
begin
  if Count = Capacity then
  begin
    Capacity := Capacity * 2;
    ReAllocMem(Data, Capacity * SizeOf(TVec));
  end;
  Data^[Count] := v;
  Inc(Count);
end;

function TVecBuffer.Centroid: TVec;
var
  i: Integer;
begin
  Result := Vec(0, 0, 0);
  if Count = 0 then Exit;
  for i := 0 to Count - 1 do
    Result := Result + Data^[i];
  Result := Result * (1 / Count);
end;

{ TWeightedBuffer }

constructor TWeightedBuffer.Init(ACapacity: Integer);
begin
  inherited Init(ACapacity);
  GetMem(Weights, Capacity * SizeOf(Double));
end;

destructor TWeightedBuffer.Done;
begin
  FreeMem(Weights);
  Weights := nil;
end;

procedure TWeightedBuffer.PushWeighted(const v: TVec; w: Double);
var
  OldCap: Integer;
begin
  OldCap := Capacity;
  Push(v);
  if Capacity <> OldCap then
    ReAllocMem(Weights, Capacity * SizeOf(Double));
  Weights[Count - 1] := w;
end;

function TWeightedBuffer.WeightedCentroid: TVec;
var
  i: Integer;
  Sum: Double;
begin
  Result := Vec(0, 0, 0);
  Sum := 0;
  for i := 0 to Count - 1 do
  begin
    Result := Result + Data^[i] * Weights[i];
    Sum := Sum + Weights[i];
  end;
  if Sum <> 0 then
    Result := Result * (1 / Sum);
end;

{ shapes }

constructor TShape.Create;
begin
  inherited Create;
  FOrigin := Vec(0, 0, 0);
end;

destructor TShape.Destroy;
begin
  FTag := '';
  inherited Destroy;
end;

constructor TSphere.Create;
begin
  inherited Create;
  Radius := 1;
end;

function TSphere.Volume: Double;
begin
  Result := 4 / 3 * Pi * Radius * Radius * Radius;
end;

function TSphere.Contains(const p: TVec): Boolean;
begin
  Result := Len(p - FOrigin) <= Radius;
end;

constructor TBox.Create;
begin
  inherited Create;
  Size := Vec(1, 1, 1);
  Corners := TFPList.Create;
end;

destructor TBox.Destroy;
begin
  Corners.Free;
  inherited;
end;

function TBox.Volume: Double;
begin
  Result := Size.X * Size.Y * Size.Z;
end;

function TBox.Contains(const p: TVec): Boolean;
var
  d: TVec;
begin
  d := p - FOrigin;
  Result := InRange(d.X, 0, Size.X) and InRange(d.Y, 0, Size.Y) and InRange(d.Z, 0, Size.Z);
end;

{ helpers }

function ShapeClassByName(const AName: string): TShapeClass;
var
  idx: Integer;
begin
  idx := ShapeClasses.IndexOf(LowerCase(AName));
  if idx < 0 then
    raise EArgumentException.CreateFmt('unknown shape "%s"', [AName]);
  Result := TShapeClass(ShapeClasses.Objects[idx]);
end;

function UnitVolume(AClass: TShapeClass): Double;
var
  Probe: TShape;
begin
  Probe := AClass.Create;
  if Probe is TSphere then
    (Probe as TSphere).Radius := 1.0
  else if Probe is TBox then
    (Probe as TBox).Size := Vec(1, 1, 1);
  Result := Probe.Volume;
end;

function CountInside(AShapes: TShapeList; const Points: array of TVec): Integer;
var
  i, j: Integer;
begin
  Result := 0;
  for i := Low(Points) to High(Points) do
    for j := 0 to AShapes.Count - 1 do
      if AShapes[j].Contains(Points[i]) then
      begin
        Inc(Result);
        Break;
      end;
end;

function BoundingCentroid(AShapes: TShapeList): TVec;
var
  Buf: TVecBuffer;
  WB: PWeightedBuffer;
  i: Integer;
begin
  Buf.Init(AShapes.Count);
  New(WB, Init(AShapes.Count));
  try
    for i := 0 to AShapes.Count - 1 do
    begin
      Buf.Push(AShapes[i].Origin);
      WB^.PushWeighted(AShapes[i].Origin, AShapes[i].Volume);
    end;
    if WB^.Count > 0 then
      Result := WB^.WeightedCentroid
    else
      Result := Buf.Centroid;
  finally
    Dispose(WB, Done);
    Buf.Done;
  end;
end;

procedure LoadShapes(const AFileName: string; AInto: TShapeList);
var
  Lines, Parts: TStringList;
  Cls: TShapeClass;
  S: TShape;
  i: Integer;
begin
  Lines := TStringList.Create;
  Parts := nil;
  try
    Lines.LoadFromFile(AFileName);
    Parts := TStringList.Create;
    Parts.Delimiter := ' ';
    for i := 0 to Lines.Count - 1 do
    begin
      Parts.DelimitedText := Trim(Lines[i]);
      if (Parts.Count < 4) or (Parts[0][1] = '#') then Continue;
      Cls := ShapeClassByName(Parts[0]);
      S := Cls.Create;
      AInto.Add(S);
      S.Origin := Vec(StrToFloat(Parts[1]), StrToFloat(Parts[2]), StrToFloat(Parts[3]));
      if (S is TSphere) and (Parts.Count > 4) then
        TSphere(S).Radius := StrToFloat(Parts[4]);
      S.Tag := Format('%s:%d', [ExtractFileName(AFileName), i + 1]);
    end;
  finally
    FreeAndNil(Parts);
    Lines.Free;
  end;
end;

initialization
  ShapeClasses := TStringList.Create;
  ShapeClasses.AddObject('sphere', TObject(TSphere));
  ShapeClasses.AddObject('box', TObject(TBox));

finalization
  ShapeClasses.Free;

end.
