unit uDocArchive;

{ Document archive: packs scanned documents into .ARC files, one per
  customer and year.  The format is our own (see ARCFORMAT.TXT on the
  old file server).  Version 3 added the index block at the end. }

interface

uses
  Windows, SysUtils, Classes, Forms, Controls, Dialogs, FileCtrl;

type
  TArchiveHeader = class
  public
    Magic: array[0..3] of Char;
    Version: Word;
    Count: Integer;
    Created: TDateTime;
    procedure WriteTo(S: TStream);
    procedure ReadFrom(S: TStream);
  end;

  TArchive = class(TObject)
  private
    FFileName: string;
    FIndex: TStringList;
    FStream: TFileStream;
    FOpen: Boolean;
    FLastError: string;
    procedure WriteIndex;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    function AddDocument(const DocFile: string): Boolean;
    function ExtractDocument(const Name, ToDir: string): Boolean;
    procedure AddFolder(const Folder: string; Recurse: Boolean);
    property LastError: string read FLastError;
  end;

procedure ArchiveOldDocuments(const Root, ArcDir: string; OlderThanDays: Integer);
procedure WriteEmptyArchive(const FileName: string);

implementation

const
  ARC_MAGIC = 'ARC3';
  BLOCK = 64 * 1024;

procedure TArchiveHeader.WriteTo(S: TStream);
begin
  S.WriteBuffer(Magic, 4); S.WriteBuffer(Version, SizeOf(Version));
  S.WriteBuffer(Count, SizeOf(Count)); S.WriteBuffer(Created, SizeOf(Created));
end;

procedure TArchiveHeader.ReadFrom(S: TStream);
begin
  S.ReadBuffer(Magic, 4); S.ReadBuffer(Version, SizeOf(Version));
  S.ReadBuffer(Count, SizeOf(Count)); S.ReadBuffer(Created, SizeOf(Created));
end;

constructor TArchive.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
  FIndex := TStringList.Create;
  if FileExists(AFileName) then
    FStream := TFileStream.Create(AFileName, fmOpenReadWrite)
  else
    FStream := TFileStream.Create(AFileName, fmCreate);
  FOpen := True;
end;

destructor TArchive.Destroy;
begin
  if FOpen then WriteIndex;
  FStream.Free;
  FIndex.Free;
  inherited Destroy;
  FOpen := False;
end;

procedure TArchive.WriteIndex;
var
  S: string;
begin
  S := FIndex.Text;
  FStream.Seek(0, soFromEnd);
  FStream.WriteBuffer(PChar(S)^, Length(S));
end;

function TArchive.AddDocument(const DocFile: string): Boolean;
var
  Src: TFileStream;
  Pos0: Int64;
begin
  Result := False;
  try
    Src := TFileStream.Create(DocFile, fmOpenRead or fmShareDenyNone);
    try
      Pos0 := FStream.Seek(0, soFromEnd);
      FStream.CopyFrom(Src, 0);
      FIndex.Add(ExtractFileName(DocFile) + '=' + IntToStr(Pos0) + ',' + IntToStr(Src.Size));
      Result := True;
    finally
      Src.Free;
    end;
  except
    on E: EFOpenError do
      FLastError := 'cannot open ' + DocFile + ': ' + E.Message;
  end;
end;

function TArchive.ExtractDocument(const Name, ToDir: string): Boolean;
var
  Dst: TFileStream;
  V: string;
  p: Integer;
  Offs, Len: Int64;
begin
  Result := False;
  V := FIndex.Values[Name];
  if V = '' then Exit;
  p := Pos(',', V);
  Offs := StrToInt64(Copy(V, 1, p - 1));
  Len := StrToInt64(Copy(V, p + 1, MaxInt));
  Dst := nil;
  try
    if not DirectoryExists(ToDir) then
      ForceDirectories(ToDir);
    Dst := TFileStream.Create(IncludeTrailingBackslash(ToDir) + Name, fmCreate);
    FStream.Position := Offs;
    Dst.CopyFrom(FStream, Len);
    Result := True;
  finally
    Dst.Free;
  end;
end;

procedure TArchive.AddFolder(const Folder: string; Recurse: Boolean);
var
  L: TStringList;
  i: Integer;

  procedure Collect(const Dir: string);
  var
    SR: TSearchRec;
    L: TStringList;
    k: Integer;
  begin
    L := TStringList.Create;
    try
      if FindFirst(IncludeTrailingBackslash(Dir) + '*.*', faAnyFile, SR) = 0 then
      try
        repeat
          if (SR.Name = '.') or (SR.Name = '..') then Continue;
          if (SR.Attr and faDirectory) <> 0 then
          begin
            if Recurse then L.Add(IncludeTrailingBackslash(Dir) + SR.Name);
          end
          else
            AddDocument(IncludeTrailingBackslash(Dir) + SR.Name);
        until FindNext(SR) <> 0;
      finally
        FindClose(SR);
      end;
      for k := 0 to L.Count - 1 do
        Collect(L[k]);
    finally
      L.Free;
    end;
  end;

begin
  L := TStringList.Create;
  try
    Collect(Folder);
    for i := 0 to FIndex.Count - 1 do
      L.Add(FIndex.Names[i]);
    L.SaveToFile(ChangeFileExt(FFileName, '.lst'));
  finally
    L.Free;
  end;
end;

procedure WriteEmptyArchive(const FileName: string);
var
  Hdr: TArchiveHeader;
  Stream: TFileStream;
begin
  Hdr := TArchiveHeader.Create;
  Hdr.Magic := ARC_MAGIC;
  Hdr.Version := 3;
  Hdr.Count := 0;
  Hdr.Created := Now;
  Stream := TFileStream.Create(FileName, fmCreate);
  try
    Hdr.WriteTo(Stream);
  finally
    Stream.Free;
  end;
end;

procedure ArchiveOldDocuments(const Root, ArcDir: string; OlderThanDays: Integer);
var
  Arc: TArchive;
  Dirs, Files, Failed: TStringList;
  Zip: TFileStream;
  SR: TSearchRec;
  i, j, Done, Age: Integer;
  Cust, Year, ArcName, S: string;
begin
  Done := 0;
  Dirs := TStringList.Create;
  Files := TStringList.Create;
  Failed := TStringList.Create;
  try
    { customer folders: ROOT\<custno>\<year>\*.tif }
    if FindFirst(IncludeTrailingBackslash(Root) + '*.*', faDirectory, SR) = 0 then
    begin
      repeat
        if (SR.Name <> '.') and (SR.Name <> '..') and ((SR.Attr and faDirectory) <> 0) then
          Dirs.Add(SR.Name);
      until FindNext(SR) <> 0;
      FindClose(SR);
    end;

    for i := 0 to Dirs.Count - 1 do
    begin
      Cust := Dirs[i];
      Files.Clear;
      if FindFirst(IncludeTrailingBackslash(Root) + Cust + '\*.*', faDirectory, SR) = 0 then
      begin
        repeat
          if (SR.Name <> '.') and (SR.Name <> '..') then Files.Add(SR.Name);
        until FindNext(SR) <> 0;
        FindClose(SR);
      end;
      for j := 0 to Files.Count - 1 do
      begin
        Year := Files[j];
        if StrToIntDef(Year, 0) = 0 then Continue;
        Age := Trunc(Date - EncodeDate(StrToInt(Year), 12, 31));
        if Age < OlderThanDays then Continue;
        ArcName := IncludeTrailingBackslash(ArcDir) + Cust + '_' + Year + '.arc';
        Arc := TArchive.Create(ArcName);
        try
          Arc.AddFolder(IncludeTrailingBackslash(Root) + Cust + '\' + Year, True);
          if Arc.LastError <> '' then
          begin
            Failed.Add(Cust + '/' + Year + ': ' + Arc.LastError);
            Continue;
          end;
          Inc(Done);
          if Done >= 1000 then Break;
        finally
          Arc.Free;
        end;
        Application.ProcessMessages;
      end;
      if Done >= 1000 then Break;
    end;

    if Failed.Count > 0 then
    begin
      Zip := TFileStream.Create(IncludeTrailingBackslash(ArcDir) + 'failed.txt', fmCreate);
      S := Failed.Text;
      Zip.WriteBuffer(PChar(S)^, Length(S));
      Zip.Free;
    end;
  finally
    Failed.Free;
    Files.Free;
    Dirs.Free;
  end;
end;

end.
