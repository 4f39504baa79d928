unit ShapeLists;

{ Drawing model for the floor-plan editor: shapes owned by a TObjectList,
  a non-owning selection list, the outline as a TList of records and the
  tool components kept in a TComponentList. }

interface

uses
  System.SysUtils, System.Classes, System.Types, System.Contnrs,
  System.Generics.Collections, System.Generics.Defaults;

type
  TShapeKind = (skRect, skEllipse, skLine);

  TShape = class
  private
    FKind: TShapeKind;
    FBounds: TRect;
    FCaption: string;
  public
    constructor Create(AKind: TShapeKind; const ABounds: TRect);
    class function MakeRect(L, T, R, B: Integer): TShape;
    class function MakeLine(X1, Y1, X2, Y2: Integer): TShape;
    function Area: Integer;
    function Clone: TShape;
    property Kind: TShapeKind read FKind;
    property Bounds: TRect read FBounds write FBounds;
    property Caption: string read FCaption write FCaption;
  end;

  TVertex = record
    X, Y: Integer;
    Tag: Word;
    class function At(AX, AY: Integer): TVertex; static;
  end;

  TDrawing = class
  private
    FShapes: TObjectList;          // owns the shapes
    FSelection: TObjectList;       // does not own: entries also live in FShapes
    FScratch: TList<TShape>;       // temporary copies made while dragging
    FOutline: TList<TVertex>;
    FTools: TComponentList;
    function GetShape(Index: Integer): TShape;
  public
    constructor Create;
    destructor Destroy; override;
    function AddShape(AShape: TShape): Integer;
    procedure AddRect(L, T, R, B: Integer);
    procedure Select(AShape: TShape);
    procedure ClearSelection;
    procedure RemoveSmall(MinArea: Integer);
    procedure BeginDrag;
    procedure EndDrag;
    procedure DuplicateSelection(DX, DY: Integer);
    procedure LoadOutline(const Pts: array of TPoint);
    procedure AddTool(const AName: string);
    function OutlineLength: Double;
    function KindNames: string;
    function LongestLine: Integer;
    property Shapes[Index: Integer]: TShape read GetShape;
  end;

function KindToStr(AKind: TShapeKind): string;

implementation

uses
  System.Math;

function KindToStr(AKind: TShapeKind): string;
const
  Names: array[TShapeKind] of string = ('rect', 'ellipse', 'line');
begin
  Result := Names[AKind];
end;

{ TShape }

constructor TShape.Create(AKind: TShapeKind; const ABounds: TRect);
begin
  inherited Create;
  FKind := AKind;
  FBounds := ABounds;
  FBounds.NormalizeRect;
end;

class function TShape.MakeRect(L, T, R, B: Integer): TShape;
begin
  Result := TShape.Create(skRect, Rect(L, T, R, B));
end;

class function TShape.MakeLine(X1, Y1, X2, Y2: Integer): TShape;
begin
  Result := TShape.Create(skLine, Rect(X1, Y1, X2, Y2));
end;

function TShape.Area: Integer;
begin
  if FKind = skLine then
    Result := 0
  else
    Result := FBounds.Width * FBounds.Height;
end;

function TShape.Clone: TShape;
begin
  Result := TShape.Create(FKind, FBounds);
  Result.Caption := FCaption;
end;

{ TVertex }

class function TVertex.At(AX, AY: Integer): TVertex;
begin
  Result.X := AX;
  Result.Y := AY;
  Result.Tag := 0;
end;

{ TDrawing }

constructor TDrawing.Create;
begin
  inherited Create;
  FShapes := TObjectList.Create(True);
  FSelection := TObjectList.Create(False);
  FScratch := TList<TShape>.Create;
  FOutline := TList<TVertex>.Create;
  FTools := TComponentList.Create(True);
end;

destructor TDrawing.Destroy;
begin
  EndDrag;
  FTools.Free;
  FOutline.Free;
  FScratch.Free;
  FSelection.Free;
  FShapes.Free;
  inherited Destroy;
end;

function TDrawing.GetShape(Index: Integer): TShape;
begin
  Result := TShape(FShapes[Index]);
end;

function TDrawing.AddShape(AShape: TShape): Integer;
begin
  Result := FShapes.Add(AShape);
end;

procedure TDrawing.AddRect(L, T, R, B: Integer);
begin
  FShapes.Add(TShape.MakeRect(L, T, R, B));
end;

procedure TDrawing.Select(AShape: TShape);
begin
  if FSelection.IndexOf(AShape) < 0 then
    FSelection.Add(AShape);
end;

procedure TDrawing.ClearSelection;
begin
  FSelection.Clear;               // not owned: the shapes stay alive
end;

procedure TDrawing.RemoveSmall(MinArea: Integer);
var
  I: Integer;
  S: TShape;
begin
  for I := FShapes.Count - 1 downto 0 do
  begin
    S := TShape(FShapes[I]);
    if (S.Kind <> skLine) and (S.Area < MinArea) then
    begin
      FSelection.Remove(S);
      FShapes.Delete(I);          // owned: Delete frees S
    end;
  end;
end;

procedure TDrawing.BeginDrag;
var
  I: Integer;
begin
  EndDrag;
  for I := 0 to FSelection.Count - 1 do
    FScratch.Add(TShape(FSelection[I]).Clone);
end;

procedure TDrawing.EndDrag;
var
  I: Integer;
  S: TShape;
begin
  for I := FScratch.Count - 1 downto 0 do
  begin
    S := FScratch[I];
    FScratch.Delete(I);
    FreeAndNil(S);
  end;
end;

procedure TDrawing.DuplicateSelection(DX, DY: Integer);
var
  I: Integer;
  Src, Dup: TShape;
  R: TRect;
begin
  for I := 0 to FSelection.Count - 1 do
  begin
    Src := TShape(FSelection[I]);
    R := Src.Bounds;
    R.Offset(DX, DY);
    Dup := TShape.Create(Src.Kind, R);
    Dup.Caption := Src.Caption + ' (copy)';
    FShapes.Add(Dup);
  end;
end;

procedure TDrawing.LoadOutline(const Pts: array of TPoint);
var
  P: TPoint;
  V: TVertex;
begin
  FOutline.Clear;
  for P in Pts do
  begin
    V := TVertex.At(P.X, P.Y);
    V.Tag := FOutline.Count;
    FOutline.Add(V);
  end;
end;

procedure TDrawing.AddTool(const AName: string);
var
  Tool: TComponent;
begin
  Tool := TComponent.Create(nil);
  Tool.Name := AName;
  FTools.Add(Tool);
end;

function TDrawing.OutlineLength: Double;
var
  I: Integer;
  A, B: TVertex;
begin
  Result := 0;
  for I := 1 to FOutline.Count - 1 do
  begin
    A := FOutline[I - 1];
    B := FOutline[I];
    Result := Result + Hypot(B.X - A.X, B.Y - A.Y);
  end;
end;

function TDrawing.KindNames: string;
var
  Names: TStringList;
  I: Integer;
begin
  Names := TStringList.Create;
  Names.Sorted := True;
  Names.Duplicates := dupIgnore;
  for I := 0 to FShapes.Count - 1 do
    Names.Add(KindToStr(TShape(FShapes[I]).Kind));
  Result := Names.CommaText;
end;

function TDrawing.LongestLine: Integer;
var
  Probe: TShape;
  I: Integer;
begin
  Result := 0;
  Probe := TShape.MakeLine(0, 0, 0, 0);
  try
    for I := 0 to FShapes.Count - 1 do
      if Shapes[I].Kind = skLine then
      begin
        Probe.Bounds := Shapes[I].Bounds;
        Result := Max(Result, Round(Hypot(Probe.Bounds.Width, Probe.Bounds.Height)));
      end;
  finally
    Probe.Free;
  end;
end;

end.
