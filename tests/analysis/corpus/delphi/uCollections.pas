unit uCollections;

{ Small collection helpers shared by the importer and the report modules.
  Errors are not caught here; they go up to the caller. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections,
  System.Generics.Defaults, System.Math;

type
  TMoney = record
  strict private
    FCents: Int64;
    FCurrency: string;
  public
    constructor Create(AAmount: Currency; const ACurrency: string);
    class function Zero(const ACurrency: string): TMoney; static;
    class operator Add(const A, B: TMoney): TMoney;
    class operator Subtract(const A, B: TMoney): TMoney;
    class operator Multiply(const A: TMoney; AFactor: Double): TMoney;
    class operator Equal(const A, B: TMoney): Boolean;
    class operator NotEqual(const A, B: TMoney): Boolean;
    class operator GreaterThan(const A, B: TMoney): Boolean;
    class operator Implicit(const A: TMoney): string;
    function Amount: Currency;
    function IsZero: Boolean;
    property Currency: string read FCurrency;
  end;

  TEntity = class
  private
    FKey: string;
    FVersion: Integer;
  public
    constructor Create(const AKey: string); virtual;
    function Clone: TEntity; virtual;
    property Key: string read FKey;
    property Version: Integer read FVersion write FVersion;
  end;

  TEntityClass = class of TEntity;

  TEntityList<T: TEntity> = class(TObjectList<T>)
  public
    function FindByKey(const AKey: string): T;
    function Filter(const APredicate: TPredicate<T>): TList<T>;
    function SortedKeys: TArray<string>;
    function ToSortedArray(const AComparer: IComparer<T>): TArray<T>;
    procedure AddClonesOf(ASource: TEntityList<T>);
  end;

  TEntityRegistry = class
  private
    FItems: TObjectDictionary<string, TEntity>;
    FClasses: TDictionary<string, TEntityClass>;
  public
    constructor Create;
    destructor Destroy; override;
    procedure RegisterClass(const AName: string; AClass: TEntityClass);
    function GetOrCreate(const AClassName, AKey: string): TEntity;
    function Extract(const AKey: string): TEntity;
    function Count: Integer;
  end;

  TStringsHelper = class helper for TStrings
  public
    function ToArrayTrimmed: TArray<string>;
    procedure AddFmt(const AFormat: string; const AArgs: array of const);
    function JoinWith(const ASeparator: string): string;
  end;

function SumAll(const AValues: array of TMoney): TMoney;
function UniqueSorted(const AValues: array of string): TArray<string>;

implementation

{ TMoney }

constructor TMoney.Create(AAmount: Currency; const ACurrency: string);
begin
  FCents := Round(AAmount * 100);
  FCurrency := UpperCase(ACurrency);
end;

class function TMoney.Zero(const ACurrency: string): TMoney;
begin
  Result := TMoney.Create(0, ACurrency);
end;

class operator TMoney.Add(const A, B: TMoney): TMoney;
begin
  Assert(A.FCurrency = B.FCurrency, 'Currency mismatch');
  Result.FCents := A.FCents + B.FCents;
  Result.FCurrency := A.FCurrency;
end;

class operator TMoney.Subtract(const A, B: TMoney): TMoney;
begin
  Assert(A.FCurrency = B.FCurrency, 'Currency mismatch');
  Result.FCents := A.FCents - B.FCents;
  Result.FCurrency := A.FCurrency;
end;

class operator TMoney.Multiply(const A: TMoney; AFactor: Double): TMoney;
begin
  Result.FCents := Round(A.FCents * AFactor);
  Result.FCurrency := A.FCurrency;
end;

class operator TMoney.Equal(const A, B: TMoney): Boolean;
begin
  Result := (A.FCents = B.FCents) and (A.FCurrency = B.FCurrency);
end;

class operator TMoney.NotEqual(const A, B: TMoney): Boolean;
begin
  Result := not (A = B);
end;

class operator TMoney.GreaterThan(const A, B: TMoney): Boolean;
begin
  Result := A.FCents > B.FCents;
end;

class operator TMoney.Implicit(const A: TMoney): string;
begin
  Result := Format('%.2f %s', [A.FCents / 100, A.FCurrency]);
end;

function TMoney.Amount: Currency;
begin
  Result := FCents / 100;
end;

function TMoney.IsZero: Boolean;
begin
  Result := FCents = 0;
end;

{ TEntity }

constructor TEntity.Create(const AKey: string);
begin
  inherited Create;
  FKey := AKey;
end;

function TEntity.Clone: TEntity;
begin
  Result := TEntityClass(ClassType).Create(FKey);
  Result.FVersion := FVersion;
end;

{ TEntityList<T> }

function TEntityList<T>.FindByKey(const AKey: string): T;
var
  Item: T;
begin
  for Item in Self do
    if SameText(Item.Key, AKey) then
      Exit(Item);
  Result := nil;
end;

function TEntityList<T>.Filter(const APredicate: TPredicate<T>): TList<T>;
var
  Item: T;
begin
  // the caller owns the returned list (but not the items in it)
  Result := TList<T>.Create;
  for Item in Self do
    if APredicate(Item) then
      Result.Add(Item);
end;

function TEntityList<T>.SortedKeys: TArray<string>;
var
  Keys: TStringList;
  Item: T;
begin
  Keys := TStringList.Create;
  try
    Keys.Sorted := True;
    Keys.Duplicates := dupIgnore;
    for Item in Self do
      Keys.Add(Item.Key);
    Result := Keys.ToStringArray;
  finally
    Keys.Free;
  end;
end;

function TEntityList<T>.ToSortedArray(const AComparer: IComparer<T>): TArray<T>;
var
  Tmp: TList<T>;
  I: Integer;
begin
  Tmp := TList<T>.Create;
  Tmp.AddRange(Self);
  Tmp.Sort(AComparer);
  SetLength(Result, Tmp.Count);
  for I := 0 to Tmp.Count - 1 do
    Result[I] := Tmp[I];
end;

procedure TEntityList<T>.AddClonesOf(ASource: TEntityList<T>);
var
  Item: T;
  Copy: TEntity;
begin
  for Item in ASource do
  begin
    Copy := Item.Clone;
    Add(T(Copy));
  end;
end;

{ TEntityRegistry }

constructor TEntityRegistry.Create;
begin
  inherited;
  FItems := TObjectDictionary<string, TEntity>.Create([doOwnsValues]);
  FClasses := TDictionary<string, TEntityClass>.Create;
end;

destructor TEntityRegistry.Destroy;
begin
  FClasses.Free;
  FItems.Free;   // frees the entities too (doOwnsValues)
  inherited;
end;

procedure TEntityRegistry.RegisterClass(const AName: string; AClass: TEntityClass);
begin
  FClasses.AddOrSetValue(AName, AClass);
end;

function TEntityRegistry.GetOrCreate(const AClassName, AKey: string): TEntity;
var
  Cls: TEntityClass;
  Entity: TEntity;
begin
  if FItems.TryGetValue(AKey, Result) then
    Exit;
  if not FClasses.TryGetValue(AClassName, Cls) then
    Cls := TEntity;
  Entity := Cls.Create(AKey);
  FItems.Add(AKey, Entity);
  Result := Entity;
end;

function TEntityRegistry.Extract(const AKey: string): TEntity;
var
  Pair: TPair<string, TEntity>;
begin
  Pair := FItems.ExtractPair(AKey);
  Result := Pair.Value;
end;

function TEntityRegistry.Count: Integer;
begin
  Result := FItems.Count;
end;

{ TStringsHelper }

function TStringsHelper.ToArrayTrimmed: TArray<string>;
var
  I, N: Integer;
begin
  SetLength(Result, Count);
  N := 0;
  for I := 0 to Count - 1 do
    if Trim(Strings[I]) <> '' then
    begin
      Result[N] := Trim(Strings[I]);
      Inc(N);
    end;
  SetLength(Result, N);
end;

procedure TStringsHelper.AddFmt(const AFormat: string; const AArgs: array of const);
begin
  Add(Format(AFormat, AArgs));
end;

function TStringsHelper.JoinWith(const ASeparator: string): string;
var
  SB: TStringBuilder;
  I: Integer;
begin
  SB := TStringBuilder.Create;
  try
    for I := 0 to Count - 1 do
    begin
      if I > 0 then
        SB.Append(ASeparator);
      SB.Append(Strings[I]);
    end;
    Result := SB.ToString;
  finally
    SB.Free;
  end;
end;

function SumAll(const AValues: array of TMoney): TMoney;
var
  M: TMoney;
begin
  if Length(AValues) = 0 then
    Exit(TMoney.Zero('EUR'));
  Result := TMoney.Zero(AValues[0].Currency);
  for M in AValues do
    Result := Result + M;
end;

function UniqueSorted(const AValues: array of string): TArray<string>;
var
  Seen: THashSet<string>;
  List: TList<string>;
  S: string;
begin
  Seen := THashSet<string>.Create;
  List := TList<string>.Create;
  try
    for S in AValues do
      if Seen.Add(S) then
        List.Add(S);
    List.Sort;
    Result := List.ToArray;
  finally
    List.Free;
    Seen.Free;
  end;
end;

end.
