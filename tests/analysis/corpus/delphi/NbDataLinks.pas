{ ------------------------------------------------------------------------------
  Nimbus Component Suite
  NbDataLinks.pas - data-aware label and the field data link it is built on

  The contents of this file are subject to the Mozilla Public License
  Version 2.0.
  ------------------------------------------------------------------------------ }
unit NbDataLinks;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$I NbDefines.inc}

interface

uses
  {$IFDEF MSWINDOWS}Windows, Messages,{$ENDIF}
  {$IFDEF FPC}LMessages,{$ENDIF}
  SysUtils, Classes, Controls, StdCtrls, DB, Generics.Collections;

type
  TNbFieldDataLink = class(TDataLink)
  private
    FField: TField;
    FFieldName: string;
    FControl: TComponent;
    FOnDataChange: TNotifyEvent;
    FOnActiveChange: TNotifyEvent;
    procedure SetFieldName(const Value: string);
    procedure UpdateField;
  protected
    procedure ActiveChanged; override;
    procedure LayoutChanged; override;
    procedure RecordChanged(Field: TField); override;
    {$IF CompilerVersion >= 22}
    procedure DataEvent(Event: TDataEvent; Info: NativeInt); override;
    {$IFEND}
  public
    constructor Create(AControl: TComponent);
    property Field: TField read FField;
    property FieldName: string read FFieldName write SetFieldName;
    property OnDataChange: TNotifyEvent read FOnDataChange write FOnDataChange;
    property OnActiveChange: TNotifyEvent read FOnActiveChange write FOnActiveChange;
  end;

  TNbDBLabel = class(TCustomLabel)
  private
    FDataLink: TNbFieldDataLink;
    FEmptyText: string;
    FUpdating: Integer;
    function GetDataField: string;
    function GetDataSource: TDataSource;
    procedure SetDataField(const Value: string);
    procedure SetDataSource(const Value: TDataSource);
    procedure DataChange(Sender: TObject);
    function GetFieldText: string;
    procedure CMGetDataLink(var Message: TMessage); message CM_GETDATALINK;
  protected
    procedure Loaded; override;
    procedure Notification(AComponent: TComponent; Operation: TOperation); override;
    function GetLabelText: string; override;
    procedure SetAutoSize(Value: Boolean); override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    function ExecuteAction(Action: TBasicAction): Boolean; override;
    function UpdateAction(Action: TBasicAction): Boolean; override;
    function UseRightToLeftAlignment: Boolean; override;
    function VisibleFieldNames: string;
    procedure ReloadFrom(ADataSet: TDataSet);
    property FieldText: string read GetFieldText;
  published
    property Align;
    property Alignment;
    property AutoSize default False;
    property Color;
    property DataField: string read GetDataField write SetDataField;
    property DataSource: TDataSource read GetDataSource write SetDataSource;
    property EmptyText: string read FEmptyText write FEmptyText;
    property Font;
    property ParentFont;
    property Transparent;
    property Visible;
    property WordWrap;
  end;

implementation

{$REGION 'TNbFieldDataLink'}

constructor TNbFieldDataLink.Create(AControl: TComponent);
begin
  inherited Create;
  FControl := AControl;
  VisualControl := AControl is TControl;
end;

procedure TNbFieldDataLink.SetFieldName(const Value: string);
begin
  if FFieldName <> Value then
  begin
    FFieldName := Value;
    UpdateField;
  end;
end;

procedure TNbFieldDataLink.UpdateField;
begin
  if Active and (FFieldName <> '') then
  begin
    if Assigned(FControl) then
      FField := GetFieldProperty(DataSource.DataSet, FControl, FFieldName)
    else
      FField := DataSource.DataSet.FieldByName(FFieldName);
  end
  else
    FField := nil;
  if Assigned(FOnDataChange) then
    FOnDataChange(Self);
end;

procedure TNbFieldDataLink.ActiveChanged;
begin
  UpdateField;
  if Assigned(FOnActiveChange) then
    FOnActiveChange(Self);
end;

procedure TNbFieldDataLink.LayoutChanged;
begin
  inherited LayoutChanged;
  UpdateField;
end;

procedure TNbFieldDataLink.RecordChanged(Field: TField);
begin
  if (Field = nil) or (Field = FField) then
    if Assigned(FOnDataChange) then
      FOnDataChange(Self);
end;

{$IF CompilerVersion >= 22}
procedure TNbFieldDataLink.DataEvent(Event: TDataEvent; Info: NativeInt);
begin
  if (Event = deFieldListChange) and (FField <> nil) and
     (DataSource.DataSet.FindField(FFieldName) = nil) then
    FField := nil;
  inherited DataEvent(Event, Info);
end;
{$IFEND}

{$ENDREGION}

{$REGION 'TNbDBLabel'}

constructor TNbDBLabel.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  AutoSize := False;
  ShowAccelChar := False;
  ControlStyle := ControlStyle + [csReplicatable];
  FDataLink := TNbFieldDataLink.Create(Self);
  FDataLink.OnDataChange := DataChange;
  FEmptyText := '';
end;

destructor TNbDBLabel.Destroy;
begin
  FDataLink.OnDataChange := nil;
  FreeAndNil(FDataLink);
  inherited Destroy;
end;

procedure TNbDBLabel.Loaded;
begin
  inherited Loaded;
  if csDesigning in ComponentState then
    DataChange(Self);
end;

procedure TNbDBLabel.Notification(AComponent: TComponent; Operation: TOperation);
begin
  inherited Notification(AComponent, Operation);
  if (Operation = opRemove) and (FDataLink <> nil) and
     (AComponent = DataSource) then
    DataSource := nil;
end;

procedure TNbDBLabel.SetAutoSize(Value: Boolean);
begin
  if AutoSize <> Value then
  begin
    Inc(FUpdating);
    try
      inherited SetAutoSize(Value);
    finally
      Dec(FUpdating);
    end;
  end;
end;

function TNbDBLabel.GetDataField: string;
begin
  Result := FDataLink.FieldName;
end;

function TNbDBLabel.GetDataSource: TDataSource;
begin
  Result := FDataLink.DataSource;
end;

procedure TNbDBLabel.SetDataField(const Value: string);
begin
  FDataLink.FieldName := Value;
end;

procedure TNbDBLabel.SetDataSource(const Value: TDataSource);
begin
  if not (FDataLink.DataSourceFixed and (csLoading in ComponentState)) then
    FDataLink.DataSource := Value;
  if Value <> nil then
    Value.FreeNotification(Self);
end;

function TNbDBLabel.GetFieldText: string;
begin
  if FDataLink.Field = nil then
    Exit(FEmptyText);
  try Result := FDataLink.Field.DisplayText; except Result := '#ERR'; end;
end;

function TNbDBLabel.GetLabelText: string;
begin
  if csPaintCopy in ControlState then
    Result := GetFieldText
  else if FDataLink.Field <> nil then
    Result := GetFieldText
  else
    Result := inherited GetLabelText;
end;

procedure TNbDBLabel.DataChange(Sender: TObject);
begin
  Caption := GetFieldText;
end;

procedure TNbDBLabel.CMGetDataLink(var Message: TMessage);
begin
  Message.Result := LRESULT(FDataLink);
end;

function TNbDBLabel.ExecuteAction(Action: TBasicAction): Boolean;
begin
  Result := inherited ExecuteAction(Action) or
    ((FDataLink <> nil) and FDataLink.ExecuteAction(Action));
end;

function TNbDBLabel.UpdateAction(Action: TBasicAction): Boolean;
begin
  Result := inherited UpdateAction(Action) or
    ((FDataLink <> nil) and FDataLink.UpdateAction(Action));
end;

function TNbDBLabel.UseRightToLeftAlignment: Boolean;
begin
  Result := DBUseRightToLeftAlignment(Self, FDataLink.Field);
end;

function TNbDBLabel.VisibleFieldNames: string;
var
  Fields: TList<TField>;
  F: TField;
  DataSet: TDataSet;
begin
  Result := '';
  DataSet := FDataLink.DataSet;
  if DataSet = nil then
    Exit;
  Fields := TList<TField>.Create;
  for F in DataSet.Fields do
    if F.Visible then
      Fields.Add(F);
  for F in Fields do
  begin
    if Result <> '' then
      Result := Result + ', ';
    Result := Result + F.FieldName;
  end;
end;

procedure TNbDBLabel.ReloadFrom(ADataSet: TDataSet);
var
  Source: TDataSource;
  Bookmark: TBookmark;
begin
  Source := TDataSource.Create(Self);
  Source.DataSet := ADataSet;
  ADataSet.DisableControls;
  try
    Bookmark := ADataSet.GetBookmark;
    try
      DataSource := Source;
      ADataSet.First;
      DataChange(Self);
    finally
      ADataSet.GotoBookmark(Bookmark);
      ADataSet.FreeBookmark(Bookmark);
    end;
  finally
    ADataSet.EnableControls;
  end;
end;

{$ENDREGION}

end.
