unit TPCollect;

(* Linked item lists and a small byte buffer, carried over from the DOS
   version of the label printer.  Old-style object types are kept on purpose:
   the label layouts are streamed as raw records and the code still compiles
   with the old compiler for the field units. *)

interface

type
  PItem = ^TItem;
  TItem = object
    Next: PItem;
    constructor Init;
    destructor Done; virtual;
    function Describe: string; virtual;
  end;

  PNamedItem = ^TNamedItem;
  TNamedItem = object(TItem)
    Name: PChar;
    NameLen: Word;
    constructor Init(const AName: string);
    destructor Done; virtual;
    function Describe: string; virtual;
  end;

  PLabelItem = ^TLabelItem;
  TLabelItem = object(TNamedItem)
    Buf: Pointer;
    BufSize: Word;
    Copies: Integer;
    constructor Init(const AName: string; ASize: Word);
    destructor Done; virtual;
    function Describe: string; virtual;
    procedure Fill(Ch: AnsiChar);
  end;

  TItemProc = procedure(P: PItem);

  PItemList = ^TItemList;
  TItemList = object
    Head, Tail: PItem;
    Count: Integer;
    constructor Init;
    destructor Done; virtual;
    procedure Append(P: PItem);
    procedure FreeAll;
    function At(Index: Integer): PItem;
    procedure ForEach(Action: TItemProc);
  end;

  PCountedList = ^TCountedList;
  TCountedList = object(TItemList)
    Total: LongInt;
    constructor Init;
    destructor Done; virtual;
    procedure Append(P: PItem);
  end;

  TByteBuffer = object
    Data: PByte;
    Size: Integer;
    procedure Alloc(ASize: Integer);
    procedure Release;
    function Checksum: Word;
  end;

var
  ListsAlive: Integer = 0;

function BuildDemoList: PItemList;
function SafeCopies(const S: string): Integer;
function ChecksumOfFile(const AFileName: string): Word;

implementation

uses
  SysUtils;

{ TItem }

constructor TItem.Init;
begin
  Next := nil;
end;

destructor TItem.Done;
begin
end;

function TItem.Describe: string;
begin
  Result := 'item';
end;

{ TNamedItem }

constructor TNamedItem.Init(const AName: string);
begin
  inherited Init;
  NameLen := Length(AName);
  GetMem(Name, (NameLen + 1) * SizeOf(Char));
  StrPCopy(Name, AName);
end;

destructor TNamedItem.Done;
begin
  if Name <> nil then
    FreeMem(Name, (NameLen + 1) * SizeOf(Char));
  Name := nil;
  inherited Done;
end;

function TNamedItem.Describe: string;
begin
  Result := 'named ' + StrPas(Name);
end;

{ TLabelItem }

constructor TLabelItem.Init(const AName: string; ASize: Word);
begin
  inherited Init(AName);
  BufSize := ASize;
  GetMem(Buf, BufSize);
  FillChar(Buf^, BufSize, 0);
  Copies := 1;
end;

destructor TLabelItem.Done;
begin
  if Buf <> nil then
    FreeMem(Buf, BufSize);
  Buf := nil;
  BufSize := 0;
end;

function TLabelItem.Describe: string;
begin
  Result := Format('label %s (%d bytes, %d copies)', [StrPas(Name), BufSize, Copies]);
end;

procedure TLabelItem.Fill(Ch: AnsiChar);
begin
  FillChar(Buf^, BufSize, Ch);
end;

{ TItemList }

constructor TItemList.Init;
begin
  Head := nil;
  Tail := nil;
  Count := 0;
  Inc(ListsAlive);
end;

destructor TItemList.Done;
begin
  FreeAll;
  Dec(ListsAlive);
end;

procedure TItemList.Append(P: PItem);
begin
  P^.Next := nil;
  if Tail = nil then
    Head := P
  else
    Tail^.Next := P;
  Tail := P;
  Inc(Count);
end;

procedure TItemList.FreeAll;
var
  P, N: PItem;
begin
  P := Head;
  while P <> nil do
  begin
    N := P^.Next;
    Dispose(P, Done);
    P := N;
  end;
  Head := nil;
  Tail := nil;
  Count := 0;
end;

function TItemList.At(Index: Integer): PItem;
var
  P: PItem;
begin
  P := Head;
  while (P <> nil) and (Index > 0) do
  begin
    P := P^.Next;
    Dec(Index);
  end;
  At := P;
end;

procedure TItemList.ForEach(Action: TItemProc);
var
  P: PItem;
begin
  P := Head;
  while P <> nil do
  begin
    Action(P);
    P := P^.Next;
  end;
end;

{ TCountedList }

constructor TCountedList.Init;
begin
  inherited Init;
  Total := 0;
end;

destructor TCountedList.Done;
begin
  inherited Done;
  Total := 0;
end;

procedure TCountedList.Append(P: PItem);
begin
  inherited Append(P);
  if TypeOf(P^) = TypeOf(TLabelItem) then
    Inc(Total, PLabelItem(P)^.Copies)
  else
    Inc(Total);
end;

{ TByteBuffer }

procedure TByteBuffer.Alloc(ASize: Integer);
begin
  Size := ASize;
  GetMem(Data, Size);
end;

procedure TByteBuffer.Release;
begin
  if Data <> nil then
    FreeMem(Data, Size);
  Data := nil;
  Size := 0;
end;

function TByteBuffer.Checksum: Word;
var
  I: Integer;
  P: PByte;
begin
  Result := 0;
  P := Data;
  for I := 1 to Size do
  begin
    Result := Word((Result shl 1) or (Result shr 15)) xor P^;
    Inc(P);
  end;
end;

{ helpers }

function BuildDemoList: PItemList;
var
  L: PCountedList;
  P: PNamedItem;
  Lbl: PLabelItem;
begin
  New(L, Init);
  New(P, Init('first'));
  L^.Append(P);
  Lbl := New(PLabelItem, Init('shipping', 64));
  Lbl^.Copies := 3;
  Lbl^.Fill('#');
  L^.Append(Lbl);
  L^.Append(New(PNamedItem, Init('last')));
  BuildDemoList := L;
end;

function SafeCopies(const S: string): Integer;
begin
  try
    Result := StrToInt(Trim(S));
    if Result < 1 then
      Result := 1;
  except
    on EConvertError do
      Result := 1;
  end;
end;

function ChecksumOfFile(const AFileName: string): Word;
var
  F: file;
  Buf: TByteBuffer;
begin
  Buf.Data := nil;
  Assign(F, AFileName);
  Reset(F, 1);
  try
    Buf.Alloc(FileSize(F));
    try
      BlockRead(F, Buf.Data^, Buf.Size);
      ChecksumOfFile := Buf.Checksum;
    finally
      Buf.Release;
    end;
  finally
    Close(F);
  end;
end;

end.
