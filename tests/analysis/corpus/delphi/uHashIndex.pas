unit uHashIndex;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils, Contnrs;

type
  EIndexError = class(Exception);

  TPosting = class
  public
    DocId: Integer;
    Positions: array of Integer;
    constructor Create(ADocId: Integer);
    procedure AddPos(APos: Integer);
  end;

  { Postings of one word, ordered by DocId; owns its items. }
  TPostingList = class(TObjectList)
  private
    function GetPosting(Index: Integer): TPosting;
  public
    constructor Create;
    function FindDoc(ADocId: Integer): TPosting;
    property Postings[Index: Integer]: TPosting read GetPosting; default;
  end;

  TWordIndex = class
  private
    FWords: TFPHashObjectList;   // word -> TPostingList
    FStopWords: TStringList;
    FDocCount: Integer;
    function GetPostings(const AWord: string): TPostingList;
    function Normalize(constref AWord: string): string;
  public
    constructor Create;
    destructor Destroy; override;
    procedure AddDocument(ADocId: Integer; constref AText: string);
    function Search(const AWord: string): TList;
    function Intersect(const AWords: array of string): TList;
    function WordCount: Integer;
    procedure AddStopWords(const ACommaList: string);
    class function FromFile(const AFileName: string): TWordIndex;
    class function Empty: TWordIndex;
    property Postings[const AWord: string]: TPostingList read GetPostings; default;
    property DocCount: Integer read FDocCount;
  end;

implementation

{ TPosting }

constructor TPosting.Create(ADocId: Integer);
begin
  inherited Create;
  DocId := ADocId;
end;

procedure TPosting.AddPos(APos: Integer);
begin
  SetLength(Positions, Length(Positions) + 1);
  Positions[High(Positions)] := APos;
end;

{ TPostingList }

constructor TPostingList.Create;
begin
  inherited Create(True);
end;

function TPostingList.GetPosting(Index: Integer): TPosting;
begin
  Result := TPosting(Items[Index]);
end;

function TPostingList.FindDoc(ADocId: Integer): TPosting;
var
  Lo, Hi, Mid: Integer;
begin
  Lo := 0;
  Hi := Count - 1;
  while Lo <= Hi do
  begin
    Mid := (Lo + Hi) div 2;
    if Postings[Mid].DocId = ADocId then
      Exit(Postings[Mid]);
    if Postings[Mid].DocId < ADocId then
      Lo := Mid + 1
    else
      Hi := Mid - 1;
  end;
  Result := nil;
end;

{ TWordIndex }

constructor TWordIndex.Create;
begin
  inherited Create;
  FWords := TFPHashObjectList.Create(True);
  FStopWords := TStringList.Create;
  FStopWords.Sorted := True;
  FStopWords.CaseSensitive := False;
end;

destructor TWordIndex.Destroy;
begin
  {$IFDEF FPC}
  FWords.Clear;
  {$ENDIF}
  FWords.Free;
  inherited Destroy;
  FStopWords.Free;
end;

function TWordIndex.Normalize(constref AWord: string): string;
begin
  Result := LowerCase(Trim(AWord));
  // strip a trailing possessive: "ferro's" -> "ferro"
  if (Length(Result) > 2) and (Copy(Result, Length(Result) - 1, 2) = #39's') then
    SetLength(Result, Length(Result) - 2);
end;

function TWordIndex.GetPostings(const AWord: string): TPostingList;
begin
  Result := TPostingList(FWords.Find(Normalize(AWord)));
end;

procedure TWordIndex.AddDocument(ADocId: Integer; constref AText: string);
var
  Words: TStringList;
  List: TPostingList;
  Posting: TPosting;
  I: Integer;
  W: string;
begin
  Words := TStringList.Create;
  try
    Words.Delimiter := ' ';
    Words.DelimitedText := AText;
    for I := 0 to Words.Count - 1 do
    begin
      W := Normalize(Words[I]);
      if (W = '') or (FStopWords.IndexOf(W) >= 0) then
        Continue;
      List := TPostingList(FWords.Find(W));
      if List = nil then
      begin
        List := TPostingList.Create;
        FWords.Add(W, List);
      end;
      Posting := List.FindDoc(ADocId);
      if Posting = nil then
      begin
        Posting := TPosting.Create(ADocId);
        List.Add(Posting);
      end;
      Posting.AddPos(I);
    end;
  finally
    Words.Free;
  end;
  Inc(FDocCount);
end;

function TWordIndex.Search(const AWord: string): TList;
var
  Res: TList;
  List: TPostingList;
  I: Integer;
begin
  Res := TList.Create;
  List := GetPostings(AWord);
  if List <> nil then
    for I := 0 to List.Count - 1 do
      Res.Add(Pointer(PtrInt(List[I].DocId)));
  Exit(Res);
end;

function TWordIndex.Intersect(const AWords: array of string): TList;
var
  Seen: TFPHashList;
  List: TPostingList;
  I, J: Integer;
  Key: string;
begin
  Result := TList.Create;
  if Length(AWords) = 0 then
    Exit;
  Seen := TFPHashList.Create;
  for I := Low(AWords) to High(AWords) do
  begin
    List := GetPostings(AWords[I]);
    if List = nil then
    begin
      Result.Clear;
      Exit;
    end;
    for J := 0 to List.Count - 1 do
    begin
      Key := IntToStr(List[J].DocId);
      if Seen.Find(Key) = nil then
        Seen.Add(Key, Pointer(PtrInt(1)))
      else
        Seen.Items[Seen.FindIndexOf(Key)] := Pointer(PtrInt(Seen.Find(Key)) + 1);
    end;
  end;
  for I := 0 to Seen.Count - 1 do
    if PtrInt(Seen.Items[I]) = Length(AWords) then
      Result.Add(Pointer(PtrInt(StrToInt(Seen.NameOfIndex(I)))));
end;

function TWordIndex.WordCount: Integer;
begin
  Result := FWords.Count;
end;

procedure TWordIndex.AddStopWords(const ACommaList: string);
var
  Tmp: TStringList;
begin
  Tmp := TStringList.Create;
  try
    Tmp.CommaText := ACommaList;
    FStopWords.AddStrings(Tmp);
  finally
    Tmp.Free;
  end;
end;

class function TWordIndex.FromFile(const AFileName: string): TWordIndex;
var
  Stream: TFileStream;
  Reader: TStringList;
  I: Integer;
begin
  Result := TWordIndex.Create;
  try
    Stream := TFileStream.Create(AFileName, fmOpenRead or fmShareDenyWrite);
    try
      Reader := TStringList.Create;
      try
        Reader.LoadFromStream(Stream);
        for I := 0 to Reader.Count - 1 do
          Result.AddDocument(I + 1, Reader[I]);
      finally
        Reader.Free;
      end;
    finally
      Stream.Free;
    end;
  except
    on E: Exception do
    begin
      Result.Free;
      raise EIndexError.CreateFmt('Cannot index '#39'%s'#39': %s', [AFileName, E.Message]);
    end;
  end;
end;

class function TWordIndex.Empty: TWordIndex;
begin
  Exit(TWordIndex.Create);
end;

end.
