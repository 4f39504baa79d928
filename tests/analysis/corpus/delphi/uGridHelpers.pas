unit uGridHelpers;

interface

uses
  System.SysUtils, System.Classes, System.Math, Vcl.Grids, Vcl.Clipbrd, Vcl.Graphics;

type
  TStringGridHelper = class helper for TStringGrid
  public
    procedure CopySelectionToClipboard;
    procedure PasteFromClipboard;
    procedure AutoSizeColumns(AMaxWidth: Integer = 400);
    procedure SaveToTabText(const AFileName: string);
    procedure ClearData;
  end;

implementation

procedure TStringGridHelper.CopySelectionToClipboard;
var
  R, C: Integer;
  Line: string;
begin
  with TStringList.Create do
  try
    for R := Selection.Top to Selection.Bottom do
    begin
      Line := '';
      for C := Selection.Left to Selection.Right do
      begin
        if C > Selection.Left then
          Line := Line + #9;
        Line := Line + Cells[C, R];
      end;
      Add(Line);
    end;
    Clipboard.AsText := Text;
  finally
    Free;
  end;
end;

procedure TStringGridHelper.PasteFromClipboard;
var
  Rows, Fields: TStringList;
  R, C: Integer;
begin
  Rows := TStringList.Create;
  Fields := TStringList.Create;
  with Fields do
  try
    Delimiter := #9;
    StrictDelimiter := True;
    Rows.Text := Clipboard.AsText;
    for R := 0 to Rows.Count - 1 do
    begin
      DelimitedText := Rows[R];
      if Row + R >= RowCount then
        RowCount := Row + R + 1;
      for C := 0 to Count - 1 do
        if Col + C < ColCount then
          Cells[Col + C, Row + R] := Strings[C];
    end;
  finally
    Free;
    Rows.Free;
  end;
end;

procedure TStringGridHelper.AutoSizeColumns(AMaxWidth: Integer);
var
  C, R, W: Integer;
begin
  Canvas.Font := Font;
  for C := 0 to ColCount - 1 do
  begin
    W := 24;
    for R := 0 to RowCount - 1 do
      W := Max(W, Canvas.TextWidth(Cells[C, R]) + 12);
    ColWidths[C] := Min(W, AMaxWidth);
  end;
end;

procedure TStringGridHelper.SaveToTabText(const AFileName: string);
var
  Lines: TStringList;
  R: Integer;
begin
  Lines := TStringList.Create;
  try
    for R := 0 to RowCount - 1 do
      Lines.Add(Rows[R].DelimitedText);
    Lines.SaveToFile(AFileName);
  finally
    Lines.Free;
  end;
end;

procedure TStringGridHelper.ClearData;
var
  R: Integer;
begin
  for R := FixedRows to RowCount - 1 do
    Rows[R].Clear;
  RowCount := FixedRows + 1;
end;

end.
