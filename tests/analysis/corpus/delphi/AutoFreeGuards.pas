unit AutoFreeGuards;

{ Lifetime guards built on interface reference counting, and the text-file
  utilities that use them.  A guard frees its object when the last interface
  reference goes out of scope, so the routines below do not need a
  try..finally per object. }

interface

uses
  System.SysUtils, System.Classes, System.StrUtils;

type
  TAutoFree = class(TInterfacedObject)
  private
    FObj: TObject;
  public
    constructor Create(AObj: TObject);
    destructor Destroy; override;
    function Release: TObject;
  end;

  IScopeExit = interface
    ['{6B0C1D7E-3F42-4C65-9A3B-52D1E8B0F7A1}']
  end;

  TScopeExit = class(TInterfacedObject, IScopeExit)
  private
    FProc: TProc;
  public
    constructor Create(const AProc: TProc);
    destructor Destroy; override;
  end;

function AutoFree(AObj: TObject): IInterface;
function OnScopeExit(const AProc: TProc): IScopeExit;

procedure CopyWithHeader(const ASource, ADest, AHeader: string);
function CountMatches(const AFileName, ANeedle: string): Integer;
function FirstLines(const AFileName: string; ACount: Integer): string;
function LoadDistinct(const AFileName: string): TStringList;
procedure AppendChecksum(const AFileName: string);
function JoinFiles(const AFiles: array of string): string;

implementation

{ TAutoFree }

constructor TAutoFree.Create(AObj: TObject);
begin
  inherited Create;
  FObj := AObj;
end;

destructor TAutoFree.Destroy;
begin
  FObj.Free;
  inherited;
end;

function TAutoFree.Release: TObject;
begin
  Result := FObj;
  FObj := nil;
end;

{ TScopeExit }

constructor TScopeExit.Create(const AProc: TProc);
begin
  inherited Create;
  FProc := AProc;
end;

destructor TScopeExit.Destroy;
begin
  if Assigned(FProc) then
    FProc();
  inherited Destroy;
end;

function AutoFree(AObj: TObject): IInterface;
begin
  Result := TAutoFree.Create(AObj);
end;

function OnScopeExit(const AProc: TProc): IScopeExit;
begin
  Result := TScopeExit.Create(AProc);
end;

{ utilities }

procedure CopyWithHeader(const ASource, ADest, AHeader: string);
var
  Input, Output: TStringList;
  G1, G2: IInterface;
begin
  Input := TStringList.Create;
  G1 := TAutoFree.Create(Input);
  Output := TStringList.Create;
  G2 := TAutoFree.Create(Output);
  Input.LoadFromFile(ASource);
  Output.Add(AHeader);
  Output.Add(StringOfChar('-', Length(AHeader)));
  Output.AddStrings(Input);
  Output.SaveToFile(ADest);
end;

function CountMatches(const AFileName, ANeedle: string): Integer;
var
  Lines, Hits: TStringList;
  Guard: IInterface;
  S: string;
begin
  Lines := TStringList.Create;
  Guard := AutoFree(Lines);
  Hits := TStringList.Create;
  Hits.Sorted := True;
  Hits.Duplicates := dupIgnore;
  Lines.LoadFromFile(AFileName);
  for S in Lines do
    if ContainsText(S, ANeedle) then
      Hits.Add(Trim(S));
  Result := Hits.Count;
end;

function FirstLines(const AFileName: string; ACount: Integer): string;
var
  SB: TStringBuilder;
begin
  var Reader := TStreamReader.Create(AFileName, TEncoding.UTF8);
  var Guard: IInterface := TAutoFree.Create(Reader);
  SB := TStringBuilder.Create;
  try
    while (ACount > 0) and not Reader.EndOfStream do
    begin
      SB.AppendLine(Reader.ReadLine);
      Dec(ACount);
    end;
    Result := SB.ToString;
  finally
    SB.Free;
  end;
end;

function LoadDistinct(const AFileName: string): TStringList;
var
  List: TStringList;
  Keeper: TAutoFree;
  Guard: IInterface;
begin
  List := TStringList.Create;
  Keeper := TAutoFree.Create(List);
  Guard := Keeper;                 // frees List if anything below raises
  List.Sorted := True;
  List.Duplicates := dupIgnore;
  List.LoadFromFile(AFileName);
  Keeper.Release;                  // success: the caller owns the list now
  Result := List;
end;

procedure AppendChecksum(const AFileName: string);
var
  Buf: TMemoryStream;
  Cleanup: IScopeExit;
  Sum: Cardinal;
  P: PByte;
  I: Integer;
  Line: UTF8String;
begin
  Buf := TMemoryStream.Create;
  Cleanup := OnScopeExit(
    procedure
    begin
      Buf.Free;
    end);
  Buf.LoadFromFile(AFileName);
  Sum := 0;
  P := Buf.Memory;
  for I := 0 to Buf.Size - 1 do
  begin
    Sum := (Sum shl 5) + Sum + P^;
    Inc(P);
  end;
  Line := UTF8String(Format(#13#10'# checksum %.8x'#13#10, [Sum]));
  Buf.Position := Buf.Size;
  Buf.WriteBuffer(PAnsiChar(Line)^, Length(Line));
  Buf.SaveToFile(AFileName);
end;

function JoinFiles(const AFiles: array of string): string;
var
  Parts: TStringList;
  Guards: array of IInterface;
  Name: string;
  Piece: TStringList;
begin
  Parts := TStringList.Create;
  SetLength(Guards, Length(AFiles) + 1);
  Guards[0] := AutoFree(Parts);
  for Name in AFiles do
  begin
    Piece := TStringList.Create;
    Guards[Parts.Count + 1] := AutoFree(Piece);
    Piece.LoadFromFile(Name);
    Parts.Add(Piece.Text);
  end;
  Result := String.Join(sLineBreak, Parts.ToStringArray);
end;

end.
