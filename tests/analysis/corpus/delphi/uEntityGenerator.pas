unit uEntityGenerator;

{ Generates the entity classes (uEntity_*.pas) from the table definitions in
  the data dictionary. The generated code owns its detail lists, so every
  generated class gets a destructor that frees them. }

interface

uses
  System.SysUtils, System.Classes, System.Generics.Collections, uDataDictionary;

type
  TEntityGenerator = class
  private
    FDictionary: TDataDictionary;
    FOutputFolder: string;
    function PascalName(const ADbName: string): string;
    function FieldType(AColumn: TColumnDef): string;
    procedure EmitClass(ATable: TTableDef; ACode: TStrings);
    procedure EmitImplementation(ATable: TTableDef; ACode: TStrings);
  public
    constructor Create(ADictionary: TDataDictionary; const AOutputFolder: string);
    function Generate(ATable: TTableDef): TStringList;
    procedure GenerateAll;
  end;

implementation

constructor TEntityGenerator.Create(ADictionary: TDataDictionary; const AOutputFolder: string);
begin
  inherited Create;
  FDictionary := ADictionary;
  FOutputFolder := IncludeTrailingPathDelimiter(AOutputFolder);
end;

function TEntityGenerator.PascalName(const ADbName: string): string;
var
  Part: string;
begin
  Result := '';
  for Part in LowerCase(ADbName).Split(['_']) do
    if Part <> '' then
      Result := Result + UpCase(Part[1]) + Copy(Part, 2, MaxInt);
end;

function TEntityGenerator.FieldType(AColumn: TColumnDef): string;
begin
  case AColumn.Kind of
    ckInteger: Result := 'Integer';
    ckBigInt: Result := 'Int64';
    ckNumber: Result := 'Double';
    ckMoney: Result := 'Currency';
    ckDate: Result := 'TDateTime';
    ckBoolean: Result := 'Boolean';
  else
    Result := 'string';
  end;
end;

procedure TEntityGenerator.EmitClass(ATable: TTableDef; ACode: TStrings);
var
  Column: TColumnDef;
  Detail: TTableDef;
begin
  ACode.Add(Format('  T%s = class', [PascalName(ATable.Name)]));
  ACode.Add('  public');
  for Column in ATable.Columns do
    ACode.Add(Format('    %s: %s;', [PascalName(Column.Name), FieldType(Column)]));
  for Detail in ATable.Details do
    ACode.Add(Format('    %sList: TObjectList<T%s>;', [PascalName(Detail.Name), PascalName(Detail.Name)]));
  if ATable.Details.Count > 0 then
  begin
    ACode.Add('    constructor Create;');
    ACode.Add('    destructor Destroy; override;');
  end;
  ACode.Add('  end;');
end;

procedure TEntityGenerator.EmitImplementation(ATable: TTableDef; ACode: TStrings);
var
  Detail: TTableDef;
  ClassName: string;
begin
  if ATable.Details.Count = 0 then
    Exit;
  ClassName := 'T' + PascalName(ATable.Name);
  ACode.Add(Format('constructor %s.Create;', [ClassName]));
  ACode.Add('begin');
  ACode.Add('  inherited Create;');
  for Detail in ATable.Details do
    ACode.Add(Format('  %sList := TObjectList<T%s>.Create(True);',
      [PascalName(Detail.Name), PascalName(Detail.Name)]));
  ACode.Add('end;');
  ACode.Add('');
  ACode.Add(Format('destructor %s.Destroy;', [ClassName]));
  ACode.Add('begin');
  for Detail in ATable.Details do
    ACode.Add(Format('  %sList.Free;', [PascalName(Detail.Name)]));
  ACode.Add('  inherited Destroy;');
  ACode.Add('end;');
end;

function TEntityGenerator.Generate(ATable: TTableDef): TStringList;
var
  Code: TStringList;
begin
  Code := TStringList.Create;
  Code.Add(Format('unit uEntity_%s;', [PascalName(ATable.Name)]));
  Code.Add('');
  Code.Add('// Generated from the data dictionary; do not edit. Regenerate instead.');
  Code.Add('');
  Code.Add('interface');
  Code.Add('');
  Code.Add('uses System.Generics.Collections;');
  Code.Add('');
  Code.Add('type');
  EmitClass(ATable, Code);
  Code.Add('');
  Code.Add('implementation');
  Code.Add('');
  EmitImplementation(ATable, Code);
  Code.Add('');
  Code.Add('end.');
  Exit(Code);
end;

procedure TEntityGenerator.GenerateAll;
var
  Table: TTableDef;
  Code: TStringList;
  Failed: TStringList;
begin
  Failed := TStringList.Create;
  try
    for Table in FDictionary.Tables do
    begin
      Code := Generate(Table);
      try
        try
          Code.SaveToFile(FOutputFolder + 'uEntity_' + PascalName(Table.Name) + '.pas');
        except
          on E: EFCreateError do
            Failed.Add(Table.Name + ': ' + E.Message);
        end;
      finally
        Code.Free;
      end;
    end;
    if Failed.Count > 0 then
      raise EInOutError.Create('Some units were not written:' + sLineBreak + Failed.Text);
  finally
    Failed.Free;
  end;
end;

end.
