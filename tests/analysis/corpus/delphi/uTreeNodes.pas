unit uTreeNodes;

{$mode objfpc}{$H+}
{$modeswitch nestedprocvars}

interface

uses
  Classes, SysUtils, fgl, LazUtilities;

type
  TNode = class;

  TNodeVisitor = procedure(ANode: TNode; ALevel: Integer) is nested;
  TNodeList = specialize TFPGObjectList<TNode>;

  { A named tree. Children are owned by their parent: creating a node with
    a parent adds it to the parent's children, freeing a node frees the
    whole subtree. }
  TNode = class
  private
    FName: string;
    FParent: TNode;
    FChildren: TNodeList;
    FTags: TStringList;
    FData: TObject;
    FOwnsData: Boolean;
    function GetChild(Index: Integer): TNode;
    function GetChildCount: Integer;
    function GetTags: TStringList;
  public
    constructor Create(AParent: TNode; const AName: string);
    destructor Destroy; override;
    function AddChild(const AName: string): TNode;
    function FindPath(const APath: string): TNode;
    function Depth: Integer;
    function Path: string;
    procedure Walk(AVisit: TNodeVisitor; ALevel: Integer = 0);
    function ToText: string;
    function LeafNames: string;
    procedure SortChildren;
    procedure SetData(AData: TObject; AOwns: Boolean);
    procedure AddDefaults;
    function LoadTags(const AFileName: string): Integer;
    class function FromIndentedText(const AText: string): TNode;
    property Children[Index: Integer]: TNode read GetChild; default;
    property ChildCount: Integer read GetChildCount;
    property Name: string read FName write FName;
    property Parent: TNode read FParent;
    property Tags: TStringList read GetTags;
  end;

implementation

function CompareNodes(const A, B: TNode): Integer;
begin
  Result := CompareText(A.Name, B.Name);
end;

{ TNode }

constructor TNode.Create(AParent: TNode; const AName: string);
begin
  inherited Create;
  FName := AName;
  FParent := AParent;
  FChildren := specialize TFPGObjectList<TNode>.Create(True);
  if Assigned(AParent) then
    AParent.FChildren.Add(Self);
end;

destructor TNode.Destroy;
begin
  if FOwnsData then
    FreeAndNil(FData);
  FreeThenNil(FTags);
  FreeThenNil(FChildren);
  inherited Destroy;
end;

function TNode.GetChild(Index: Integer): TNode;
begin
  Result := FChildren[Index];
end;

function TNode.GetChildCount: Integer;
begin
  Result := FChildren.Count;
end;

function TNode.GetTags: TStringList;
begin
  if FTags = nil then
  begin
    FTags := TStringList.Create;
    FTags.Sorted := True;
  end;
  Result := FTags;
end;

function TNode.AddChild(const AName: string): TNode;
begin
  Result := TNode.Create(Self, AName);
end;

function TNode.FindPath(const APath: string): TNode;
var
  Head, Rest: string;
  P, I: Integer;
begin
  P := Pos('/', APath);
  if P = 0 then
  begin
    Head := APath;
    Rest := '';
  end
  else
  begin
    Head := Copy(APath, 1, P - 1);
    Rest := Copy(APath, P + 1, MaxInt);
  end;
  for I := 0 to FChildren.Count - 1 do
    if SameText(FChildren[I].Name, Head) then
    begin
      if Rest = '' then
        Exit(FChildren[I]);
      Exit(FChildren[I].FindPath(Rest));
    end;
  Result := nil;
end;

function TNode.Depth: Integer;
var
  N: TNode;
begin
  Result := 0;
  N := FParent;
  while N <> nil do
  begin
    Inc(Result);
    N := N.FParent;
  end;
end;

function TNode.Path: string;
begin
  if FParent = nil then
    Exit(FName);
  Result := FParent.Path + '/' + FName;
end;

procedure TNode.Walk(AVisit: TNodeVisitor; ALevel: Integer);
var
  I: Integer;
begin
  AVisit(Self, ALevel);
  for I := 0 to FChildren.Count - 1 do
    FChildren[I].Walk(AVisit, ALevel + 1);
end;

function TNode.ToText: string;
var
  SL: TStringList;

  procedure Visit(ANode: TNode; ALevel: Integer);
  begin
    SL.Add(StringOfChar(' ', ALevel * 2) + ANode.Name);
  end;

begin
  SL := TStringList.Create;
  SL.Add('# tree ' + FName);
  Walk(@Visit);
  Result := SL.Text;
  FreeThenNil(SL);
end;

function TNode.LeafNames: string;
var
  Leaves: TStringList;

  procedure Collect(ANode: TNode; ALevel: Integer);
  begin
    if ANode.ChildCount = 0 then
      Leaves.Add(ANode.Name);
  end;

begin
  Leaves := TStringList.Create;
  try
    Leaves.Sorted := True;
    Leaves.Duplicates := dupIgnore;
    Walk(@Collect);
    Result := Leaves.CommaText;
  finally
    FreeThenNil(Leaves);
  end;
end;

procedure TNode.SortChildren;
var
  I: Integer;
begin
  FChildren.Sort(@CompareNodes);
  for I := 0 to FChildren.Count - 1 do
    FChildren[I].SortChildren;
end;

procedure TNode.SetData(AData: TObject; AOwns: Boolean);
begin
  if FOwnsData and (FData <> AData) then
    FData.Free;
  FData := AData;
  FOwnsData := AOwns;
end;

procedure TNode.AddDefaults;
var
  N: TNode;
begin
  N := TNode.Create(Self, 'defaults');
  N.Tags.Add('auto');
  N.Tags.Add('created=' + DateToStr(Date));
end;

function TNode.LoadTags(const AFileName: string): Integer;

  function ReadAll(const AName: string): string;
  var
    Stream: TFileStream;
  begin
    Result := '';
    try
      Stream := TFileStream.Create(AName, fmOpenRead or fmShareDenyWrite);
      try
        SetLength(Result, Stream.Size);
        if Stream.Size > 0 then
          Stream.ReadBuffer(Result[1], Stream.Size);
      finally
        Stream.Free;
      end;
    except
      on E: EFOpenError do
        Result := '';
    end;
  end;

begin
  Tags.Text := ReadAll(AFileName);
  Result := Tags.Count;
end;

class function TNode.FromIndentedText(const AText: string): TNode;
var
  Lines: TStringList;
  Stack: specialize TFPGList<TNode>;
  I, Level: Integer;
  Line: string;

  function IndentOf(const S: string): Integer;
  begin
    Result := 0;
    while (Result < Length(S)) and (S[Result + 1] = ' ') do
      Inc(Result);
    Result := Result div 2;
  end;

begin
  Result := TNode.Create(nil, '');
  Stack := specialize TFPGList<TNode>.Create;
  Lines := TStringList.Create;
  try
    Stack.Add(Result);
    Lines.Text := AText;
    for I := 0 to Lines.Count - 1 do
    begin
      Line := Lines[I];
      if Trim(Line) = '' then
        Continue;
      Level := IndentOf(Line) + 1;
      if Level > Stack.Count then
        raise Exception.CreateFmt('line %d is indented too deep', [I + 1]);
      while Stack.Count > Level do
        Stack.Delete(Stack.Count - 1);
      TNode.Create(Stack.Last, Trim(Line));
      Stack.Add(Stack.Last.FChildren.Last);
    end;
  finally
    FreeThenNil(Lines);
    Stack.Free;
  end;
end;

end.
