unit uDataSetHelpers;

interface

uses
  System.SysUtils, System.Classes, System.Variants, Data.DB;

type
  TDataSetHelper = class helper for TDataSet
  public
    procedure ForEach(const AProc: TProc<TDataSet>);
    function SumOf(const AFieldName: string): Currency;
    function ValuesOf(const AFieldName: string): TStringList;
    procedure CopyCurrentTo(ATarget: TDataSet);
    function Locate2(const AKey1, AKey2: string; const AValue1, AValue2: Variant): Boolean;
  end;

  TFieldHelper = class helper for TField
  public
    function AsTrimmedString: string;
    function IsBlank: Boolean;
  end;

implementation

procedure TDataSetHelper.ForEach(const AProc: TProc<TDataSet>);
var
  Mark: TBookmark;
begin
  DisableControls;
  Mark := GetBookmark;
  try
    First;
    while not Eof do
    begin
      AProc(Self);
      Next;
    end;
  finally
    if BookmarkValid(Mark) then
      GotoBookmark(Mark);
    FreeBookmark(Mark);
    EnableControls;
  end;
end;

function TDataSetHelper.SumOf(const AFieldName: string): Currency;
var
  Total: Currency;
  Field: TField;
begin
  Total := 0;
  Field := FieldByName(AFieldName);
  ForEach(
    procedure(ADataSet: TDataSet)
    begin
      if not Field.IsNull then
        Total := Total + Field.AsCurrency;
    end);
  Result := Total;
end;

function TDataSetHelper.ValuesOf(const AFieldName: string): TStringList;
var
  Values: TStringList;
  Field: TField;
begin
  Values := TStringList.Create;
  Values.Sorted := True;
  Values.Duplicates := dupIgnore;
  Field := FieldByName(AFieldName);
  ForEach(
    procedure(ADataSet: TDataSet)
    begin
      Values.Add(Field.AsString);
    end);
  Result := Values;
end;

procedure TDataSetHelper.CopyCurrentTo(ATarget: TDataSet);
var
  I: Integer;
  Target: TField;
begin
  ATarget.Append;
  for I := 0 to FieldCount - 1 do
  begin
    Target := ATarget.FindField(Fields[I].FieldName);
    if (Target <> nil) and not Target.ReadOnly then
      Target.Value := Fields[I].Value;
  end;
  ATarget.Post;
end;

function TDataSetHelper.Locate2(const AKey1, AKey2: string; const AValue1, AValue2: Variant): Boolean;
begin
  Result := Locate(AKey1 + ';' + AKey2, VarArrayOf([AValue1, AValue2]), [loCaseInsensitive]);
end;

function TFieldHelper.AsTrimmedString: string;
begin
  Result := Trim(AsString);
end;

function TFieldHelper.IsBlank: Boolean;
begin
  Result := IsNull or (AsTrimmedString = '');
end;

end.
