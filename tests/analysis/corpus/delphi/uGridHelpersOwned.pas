unit uGridHelpersOwned;

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections,
  Vcl.Grids, Vcl.StdCtrls;

type
  EGridError = class(Exception)
  private
    FRow: Integer;
  public
    property Row: Integer read FRow write FRow;
  end;

  TCellInfo = class
  public
    Value: Variant;
    Hint: string;
    ReadOnly: Boolean;
    constructor Create(const AHint: string; AReadOnly: Boolean);
  end;

  TComboEntry = class
  public
    Code: string;
    Description: string;
    constructor Create(const ACode, ADescription: string);
  end;

procedure FreeObjects(const AObjects: array of TObject);
procedure ClearGridObjects(AGrid: TStringGrid);
procedure LoadGridFromCsv(AGrid: TStringGrid; const AFileName: string);
procedure AttachCellInfo(AGrid: TStringGrid; ACol, ARow: Integer; const AHint: string);
procedure FillCodeCombo(ACombo: TComboBox; ACodes: TStrings);
procedure ClearCodeCombo(ACombo: TComboBox);
function SelectedCode(ACombo: TComboBox): string;
procedure CopyGridToClipboardText(AGrid: TStringGrid; out AText: string);
procedure ValidateGrid(AGrid: TStringGrid);
function SplitCsvLine(const ALine: string): TStringList;
function GridToCsv(AGrid: TStringGrid): string;
function CellAsFloat(AGrid: TStringGrid; ACol, ARow: Integer; ADefault: Double): Double;

implementation

uses
  Vcl.Clipbrd;

{ TCellInfo }

constructor TCellInfo.Create(const AHint: string; AReadOnly: Boolean);
begin
  inherited Create;
  Hint := AHint;
  ReadOnly := AReadOnly;
end;

{ TComboEntry }

constructor TComboEntry.Create(const ACode, ADescription: string);
begin
  inherited Create;
  Code := ACode;
  Description := ADescription;
end;

procedure FreeObjects(const AObjects: array of TObject);
var
  I: Integer;
begin
  for I := Low(AObjects) to High(AObjects) do
    AObjects[I].Free;
end;

procedure ClearGridObjects(AGrid: TStringGrid);
var
  C, R: Integer;
begin
  for R := 0 to AGrid.RowCount - 1 do
    for C := 0 to AGrid.ColCount - 1 do
      if AGrid.Objects[C, R] <> nil then
      begin
        AGrid.Objects[C, R].Free;
        AGrid.Objects[C, R] := nil;
      end;
end;

function SplitCsvLine(const ALine: string): TStringList;
begin
  Result := TStringList.Create;
  Result.StrictDelimiter := True;
  Result.Delimiter := ';';
  Result.DelimitedText := ALine;
end;

procedure LoadGridFromCsv(AGrid: TStringGrid; const AFileName: string);
var
  Rows: TStringList;
  Fields: TStringList;
  R, C: Integer;
  Err: EGridError;
begin
  Rows := TStringList.Create;
  Rows.LoadFromFile(AFileName);
  if Rows.Count = 0 then
    raise EGridError.CreateFmt('File %s is empty', [AFileName]);
  ClearGridObjects(AGrid);
  AGrid.RowCount := Rows.Count;
  for R := 0 to Rows.Count - 1 do
  begin
    Fields := SplitCsvLine(Rows[R]);
    try
      if Fields.Count > AGrid.ColCount then
      begin
        Err := EGridError.CreateFmt('Row %d has %d fields', [R, Fields.Count]);
        Err.Row := R;
        raise Err;
      end;
      for C := 0 to Fields.Count - 1 do
        AGrid.Cells[C, R] := Fields[C];
    finally
      Fields.Free;
    end;
  end;
  Rows.Free;
end;

procedure AttachCellInfo(AGrid: TStringGrid; ACol, ARow: Integer; const AHint: string);
var
  Info: TCellInfo;
begin
  if AGrid.Objects[ACol, ARow] is TCellInfo then
  begin
    TCellInfo(AGrid.Objects[ACol, ARow]).Hint := AHint;
    Exit;
  end;
  Info := TCellInfo.Create(AHint, ACol = 0);
  AGrid.Objects[ACol, ARow] := Info;
end;

procedure FillCodeCombo(ACombo: TComboBox; ACodes: TStrings);
var
  I: Integer;
  Entry: TComboEntry;
begin
  ClearCodeCombo(ACombo);
  ACombo.Items.BeginUpdate;
  try
    for I := 0 to ACodes.Count - 1 do
    begin
      Entry := TComboEntry.Create(ACodes.Names[I], ACodes.ValueFromIndex[I]);
      ACombo.Items.AddObject(Entry.Code + ' - ' + Entry.Description, Entry);
    end;
  finally
    ACombo.Items.EndUpdate;
  end;
end;

procedure ClearCodeCombo(ACombo: TComboBox);
var
  I: Integer;
begin
  for I := 0 to ACombo.Items.Count - 1 do
    ACombo.Items.Objects[I].Free;
  ACombo.Items.Clear;
end;

function SelectedCode(ACombo: TComboBox): string;
begin
  if ACombo.ItemIndex < 0 then
    Exit('');
  Result := TComboEntry(ACombo.Items.Objects[ACombo.ItemIndex]).Code;
end;

procedure CopyGridToClipboardText(AGrid: TStringGrid; out AText: string);
var
  Buffer, RowText: TStringList;
  R, C: Integer;
begin
  Buffer := TStringList.Create;
  RowText := TStringList.Create;
  try
    RowText.Delimiter := #9;
    RowText.StrictDelimiter := True;
    for R := AGrid.FixedRows to AGrid.RowCount - 1 do
    begin
      RowText.Clear;
      for C := AGrid.FixedCols to AGrid.ColCount - 1 do
        RowText.Add(AGrid.Cells[C, R]);
      Buffer.Add(RowText.DelimitedText);
    end;
    AText := Buffer.Text;
    Clipboard.AsText := AText;
  finally
    FreeObjects([Buffer, RowText]);
  end;
end;

procedure ValidateGrid(AGrid: TStringGrid);
var
  Seen: TDictionary<string, Integer>;
  R: Integer;
  Key: string;
  Err: EGridError;
begin
  Seen := TDictionary<string, Integer>.Create;
  try
    for R := AGrid.FixedRows to AGrid.RowCount - 1 do
    begin
      Key := Trim(AGrid.Cells[0, R]);
      if Key = '' then
        Continue;
      if Seen.ContainsKey(Key) then
      begin
        Err := EGridError.CreateFmt('Duplicate key %s in rows %d and %d',
          [Key, Seen[Key], R]);
        Err.Row := R;
        raise Err;
      end;
      Seen.Add(Key, R);
    end;
  finally
    Seen.Free;
  end;
end;

function GridToCsv(AGrid: TStringGrid): string;
var
  Line: TStringList;
  Output: TStringBuilder;
  R, C: Integer;
begin
  Line := TStringList.Create;
  Line.StrictDelimiter := True;
  Line.Delimiter := ';';
  Output := TStringBuilder.Create;
  try
    for R := 0 to AGrid.RowCount - 1 do
    begin
      Line.Clear;
      for C := 0 to AGrid.ColCount - 1 do
        Line.Add(AGrid.Cells[C, R]);
      Output.AppendLine(Line.DelimitedText);
    end;
    Result := Output.ToString;
  finally
    Output.Free;
  end;
end;

function CellAsFloat(AGrid: TStringGrid; ACol, ARow: Integer; ADefault: Double): Double;
begin
  try
    Result := StrToFloat(AGrid.Cells[ACol, ARow]);
  except
    on EConvertError do
      Result := ADefault;
  end;
end;

end.
