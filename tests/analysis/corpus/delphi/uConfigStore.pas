unit uConfigStore;

{$mode objfpc}{$H+}

interface

uses
  Classes, SysUtils;

type
  EConfigError = class(Exception);

  (* A tiny key=value store kept on disk.
     Keys are case-insensitive; the list is kept sorted so that
     lookups stay cheap even for a few thousand entries. *)
  TConfigStore = class
  private
    FFileName: string;
    FValues: TStringList;
    FDirty: Boolean;
    FReadOnly: Boolean;
    function GetValue(const AKey: string): string;
    procedure SetValue(const AKey, AValue: string);
    function GetCount: Integer;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    class function DefaultFileName: string;
    class function LoadFrom(const AFileName: string): TConfigStore;
    procedure Load;
    procedure Save;
    procedure Backup(const ATarget: string);
    procedure MergeFrom(const AOther: string);
    function ExportSection(const APrefix: string): TStringList;
    function Describe: string;
    function AsBoolean(const AKey: string; ADefault: Boolean): Boolean;
    property Values[const AKey: string]: string read GetValue write SetValue; default;
    property Count: Integer read GetCount;
    property FileName: string read FFileName;
    property ReadOnly: Boolean read FReadOnly write FReadOnly;
  end;

implementation

const
  SQuote = #39;
  SBadLine = 'Line %d of ' + #39 + '%s' + #39 + ' is not a key=value pair';
  SReadOnly = 'The store '#39'%s'#39' is read-only; don'#39't call Save on it';

{ TConfigStore }

constructor TConfigStore.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
  FValues := TStringList.Create;
  FValues.Sorted := True;
  FValues.Duplicates := dupIgnore;
  FValues.CaseSensitive := False;
end;

destructor TConfigStore.Destroy;
begin
  if FDirty and not FReadOnly then
    try
      Save;
    except
      // never let an exception escape from a destructor
    end;
  FreeAndNil(FValues);
  inherited Destroy;
end;

function TConfigStore.GetValue(const AKey: string): string;
begin
  Result := FValues.Values[AKey];
end;

procedure TConfigStore.SetValue(const AKey, AValue: string);
begin
  if FValues.Values[AKey] = AValue then
    Exit;
  FValues.Values[AKey] := AValue;
  FDirty := True;
end;

function TConfigStore.GetCount: Integer;
begin
  Result := FValues.Count;
end;

class function TConfigStore.DefaultFileName: string;
begin
  {$IFDEF WINDOWS}
  Result := IncludeTrailingPathDelimiter(GetEnvironmentVariable('APPDATA')) + 'ferro.cfg';
  {$ELSE}
  {$IFDEF UNIX}
  Result := IncludeTrailingPathDelimiter(GetEnvironmentVariable('HOME')) + '.ferro.cfg';
  {$ELSE}
  Result := 'ferro.cfg';
  {$ENDIF}
  {$ENDIF}
end;

class function TConfigStore.LoadFrom(const AFileName: string): TConfigStore;
var
  Store: TConfigStore;
begin
  Store := TConfigStore.Create(AFileName);
  try
    Store.Load;
  except
    Store.Free;
    raise;
  end;
  Exit(Store);
end;

procedure TConfigStore.Load;
var
  Stream: TFileStream;
  Lines: TStringList;
  I, P: Integer;
  Line: string;
begin
  FValues.Clear;
  if not FileExists(FFileName) then
    Exit;
  Lines := TStringList.Create;
  try
    Stream := TFileStream.Create(FFileName, fmOpenRead or fmShareDenyWrite);
    try
      Lines.LoadFromStream(Stream);
    finally
      Stream.Free;
    end;
    for I := 0 to Lines.Count - 1 do
    begin
      Line := Trim(Lines[I]);
      if (Line = '') or (Line[1] in ['#', ';']) then
        Continue;
      P := Pos('=', Line);
      if P < 2 then
        raise EConfigError.CreateFmt(SBadLine, [I + 1, FFileName]);
      FValues.Values[Trim(Copy(Line, 1, P - 1))] := Trim(Copy(Line, P + 1, MaxInt));
    end;
  finally
    Lines.Free;
  end;
  FDirty := False;
end;

procedure TConfigStore.Save;
var
  Output: TStringList;
  I: Integer;
begin
  if FReadOnly then
    raise EConfigError.CreateFmt(SReadOnly, [FFileName]);
  Output := TStringList.Create;
  Output.Add('# written by ferro on ' + DateTimeToStr(Now));
  for I := 0 to FValues.Count - 1 do
    Output.Add(FValues.Names[I] + '=' + FValues.ValueFromIndex[I]);
  Output.SaveToFile(FFileName);
  Output.Free;
  FDirty := False;
end;

procedure TConfigStore.Backup(const ATarget: string);
var
  Src, Dst: TFileStream;
begin
  Dst := nil;
  Src := TFileStream.Create(FFileName, fmOpenRead or fmShareDenyWrite);
  try
    Dst := TFileStream.Create(ATarget, fmCreate);
    Dst.CopyFrom(Src, 0);
  finally
    Dst.Free;
    Src.Free;
  end;
end;

procedure TConfigStore.MergeFrom(const AOther: string);
var
  Other: TConfigStore;
  I: Integer;
begin
  Other := TConfigStore.LoadFrom(AOther);
  try
    for I := 0 to Other.FValues.Count - 1 do
      SetValue(Other.FValues.Names[I], Other.FValues.ValueFromIndex[I]);
  finally
    Other.Free;
  end;
end;

function TConfigStore.ExportSection(const APrefix: string): TStringList;
var
  I: Integer;
begin
  Result := TStringList.Create;
  try
    Result.Sorted := True;
    for I := 0 to FValues.Count - 1 do
      if SameText(Copy(FValues.Names[I], 1, Length(APrefix)), APrefix) then
        Result.Add(FValues[I]);
  except
    Result.Free;
    raise;
  end;
end;

function TConfigStore.Describe: string;
begin
  // The caller owns nothing here: it's only a message, e.g. 'Store '#39'x'#39' holds 3 value(s)'
  Result := Format('Store ' + SQuote + '%s' + SQuote + ' holds %d value(s); ' +
    'don'#39't Free the list, it'#39's owned by the store', [FFileName, Count]);
end;

function TConfigStore.AsBoolean(const AKey: string; ADefault: Boolean): Boolean;
var
  S: string;
begin
  S := LowerCase(GetValue(AKey));
  if S = '' then
    Exit(ADefault);
  Result := (S = '1') or (S = 'true') or (S = 'yes') or (S = 'on');
end;

end.
