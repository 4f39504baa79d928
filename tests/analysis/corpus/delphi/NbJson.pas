{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbJson.pas - lightweight JSON mapping of Nimbus settings and item lists

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbJson;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  SysUtils, Classes,
  {$IFDEF FPC}
  fpjson, jsonparser, NbFpJsonCompat,
  {$ELSE}
  {$IF CompilerVersion >= 27}System.JSON,{$ELSE}Data.DBXJSON,{$IFEND}
  {$ENDIF}
  Generics.Collections, NbCollections;

type
  ENbJsonError = class(Exception)
  private
    FPath: string;
  public
    constructor CreatePath(const APath, AMessage: string);
    property Path: string read FPath;
  end;

  TNbJsonOption = (joIndent, joSkipEmpty, joLowerCaseNames);
  TNbJsonOptions = set of TNbJsonOption;

  TNbJsonWriter = class
  private
    FOptions: TNbJsonOptions;
    FRoot: TJSONObject;
    FStack: TStack<TJSONObject>;
    function Current: TJSONObject;
    function NameOf(const AName: string): string;
  public
    constructor Create(AOptions: TNbJsonOptions = []);
    destructor Destroy; override;
    procedure BeginObject(const AName: string);
    procedure EndObject;
    procedure WriteString(const AName, AValue: string);
    procedure WriteInteger(const AName: string; AValue: Int64);
    procedure WriteBoolean(const AName: string; AValue: Boolean);
    procedure WriteStrings(const AName: string; AValues: TStrings);
    function ToString: string; override;
    function ExtractRoot: TJSONObject;
  end;

  TNbJson = class
  public
    class function ItemToJson(AItem: TNbNamedItem): TJSONObject; static;
    class function ItemsToJson(AList: TNbItemList): TJSONArray; static;
    class function ItemsToText(AList: TNbItemList): string; static;
    class function StatusText(const AState: string; ACode: Integer): string; static;
    class function ParseObject(const AText: string): TJSONObject; static;
    class procedure LoadItems(const AText: string; AList: TNbItemList); static;
    class function MergeObjects(ATarget, ASource: TJSONObject): Integer; static;
    class function ExtractMember(const AText, AName: string): TJSONObject; static;
  end;

implementation

resourcestring
  SNotAnObject = 'JSON text does not contain an object';
  SMissingField = 'Required field "%s" missing';

{$REGION 'ENbJsonError'}

constructor ENbJsonError.CreatePath(const APath, AMessage: string);
begin
  FPath := APath;
  inherited CreateFmt('%s (at %s)', [AMessage, APath]);
end;

{$ENDREGION}

{$REGION 'TNbJsonWriter'}

constructor TNbJsonWriter.Create(AOptions: TNbJsonOptions);
begin
  inherited Create;
  FOptions := AOptions;
  FRoot := TJSONObject.Create;
  FStack := TStack<TJSONObject>.Create;
  FStack.Push(FRoot);
end;

destructor TNbJsonWriter.Destroy;
begin
  FStack.Free;
  FRoot.Free;
  inherited Destroy;
end;

function TNbJsonWriter.Current: TJSONObject;
begin
  Result := FStack.Peek;
end;

function TNbJsonWriter.NameOf(const AName: string): string;
begin
  if joLowerCaseNames in FOptions then
    Result := LowerCase(AName)
  else
    Result := AName;
end;

procedure TNbJsonWriter.BeginObject(const AName: string);
var
  Child: TJSONObject;
begin
  Child := TJSONObject.Create;
  Current.AddPair(NameOf(AName), Child);
  FStack.Push(Child);
end;

procedure TNbJsonWriter.EndObject;
begin
  if FStack.Count <= 1 then
    raise ENbJsonError.CreatePath('/', 'EndObject without BeginObject') at ReturnAddress;
  FStack.Pop;
end;

procedure TNbJsonWriter.WriteString(const AName, AValue: string);
begin
  if (AValue = '') and (joSkipEmpty in FOptions) then
    Exit;
  Current.AddPair(NameOf(AName), AValue);
end;

procedure TNbJsonWriter.WriteInteger(const AName: string; AValue: Int64);
begin
  Current.AddPair(NameOf(AName), TJSONNumber.Create(AValue));
end;

procedure TNbJsonWriter.WriteBoolean(const AName: string; AValue: Boolean);
begin
  {$IF CompilerVersion >= 28}
  Current.AddPair(NameOf(AName), TJSONBool.Create(AValue));
  {$ELSE}
  if AValue then
    Current.AddPair(NameOf(AName), TJSONTrue.Create)
  else
    Current.AddPair(NameOf(AName), TJSONFalse.Create);
  {$IFEND}
end;

procedure TNbJsonWriter.WriteStrings(const AName: string; AValues: TStrings);
var
  Arr: TJSONArray;
  S: string;
begin
  if (AValues.Count = 0) and (joSkipEmpty in FOptions) then
    Exit;
  Arr := TJSONArray.Create;
  for S in AValues do
    Arr.Add(S);
  Current.AddPair(NameOf(AName), Arr);
end;

function TNbJsonWriter.ToString: string;
begin
  {$IF CompilerVersion >= 33}
  if joIndent in FOptions then
    Exit(FRoot.Format(2));
  {$IFEND}
  Result := FRoot.ToJSON;
end;

function TNbJsonWriter.ExtractRoot: TJSONObject;
begin
  Result := FRoot;
  FRoot := TJSONObject.Create;
  FStack.Clear;
  FStack.Push(FRoot);
end;

{$ENDREGION}

{$REGION 'TNbJson'}

class function TNbJson.ItemToJson(AItem: TNbNamedItem): TJSONObject;
begin
  Result := TJSONObject.Create;
  Result.AddPair('name', AItem.Name)
        .AddPair('tag', TJSONNumber.Create(AItem.Tag));
end;

class function TNbJson.ItemsToJson(AList: TNbItemList): TJSONArray;
var
  Item: TNbNamedItem;
  Obj: TJSONObject;
begin
  Result := TJSONArray.Create;
  AList.Lock;
  try
    for Item in AList do
    begin
      Obj := ItemToJson(Item);
      Result.AddElement(Obj);
    end;
  finally
    AList.Unlock;
  end;
end;

class function TNbJson.ItemsToText(AList: TNbItemList): string;
var
  Root: TJSONObject;
  Items: TJSONArray;
begin
  Root := TJSONObject.Create;
  try
    Items := ItemsToJson(AList);
    Root.AddPair('count', TJSONNumber.Create(AList.Count));
    Root.AddPair('items', Items);
    Result := Root.ToJSON;
  finally
    Root.Free;
  end;
end;

class function TNbJson.StatusText(const AState: string; ACode: Integer): string;
var
  Status: TJSONObject;
begin
  Status := TJSONObject.Create;
  Status.AddPair('state', AState);
  Status.AddPair('code', TJSONNumber.Create(ACode));
  Status.AddPair('time', FormatDateTime('yyyy-mm-dd"T"hh:nn:ss', Now));
  Result := Status.ToJSON;
end;

class function TNbJson.ParseObject(const AText: string): TJSONObject;
var
  Value: TJSONValue;
begin
  Value := TJSONObject.ParseJSONValue(AText);
  if Value is TJSONObject then
    Exit(TJSONObject(Value));
  Value.Free;
  raise ENbJsonError.CreatePath('/', SNotAnObject);
end;

class procedure TNbJson.LoadItems(const AText: string; AList: TNbItemList);
var
  Root: TJSONObject;
  Items: TJSONArray;
  Element: TJSONValue;
  Name: string;
  Tag: Int64;
begin
  Root := ParseObject(AText);
  try
    Items := Root.GetValue('items') as TJSONArray;
    if Items = nil then
      raise ENbJsonError.CreatePath('/items', Format(SMissingField, ['items']));
    for Element in Items do
    begin
      if not Element.TryGetValue<string>('name', Name) then
        Continue;
      if not Element.TryGetValue<Int64>('tag', Tag) then
        Tag := 0;
      AList.AddNamed(Name, Tag);
    end;
  finally
    Root.Free;
  end;
end;

class function TNbJson.MergeObjects(ATarget, ASource: TJSONObject): Integer;
var
  I: Integer;
  Pair, Copy: TJSONPair;
begin
  Result := 0;
  for I := 0 to ASource.Count - 1 do
  begin
    Pair := ASource.Pairs[I];
    if ATarget.GetValue(Pair.JsonString.Value) <> nil then
      Continue;
    Copy := TJSONPair.Create(Pair.JsonString.Value,
      Pair.JsonValue.Clone as TJSONValue);
    ATarget.AddPair(Copy);
    Inc(Result);
  end;
end;

class function TNbJson.ExtractMember(const AText, AName: string): TJSONObject;
var
  Root: TJSONObject;
  Member: TJSONValue;
begin
  Result := nil;
  Root := ParseObject(AText);
  try
    Member := Root.GetValue(AName);
    if Member is TJSONObject then
    begin
      { detach the member so that it survives the release of Root }
      Member.Owned := False;
      Root.RemovePair(AName).Free;
      Result := TJSONObject(Member);
    end;
  finally
    Root.Free;
  end;
end;

{$ENDREGION}

end.
