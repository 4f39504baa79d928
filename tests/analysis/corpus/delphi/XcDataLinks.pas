{*******************************************************}
{                                                       }
{       Xcel Visual Component Library                   }
{       Data-aware support: field links, DB label       }
{                                                       }
{       Copyright (c) 1999-2019 Xcel Software           }
{                                                       }
{*******************************************************}

unit XcDataLinks;

{$I XcLib.inc}

interface

uses
  Windows, Messages, SysUtils, Classes, Controls, DB, XcControls
  {$IFDEF XC_D2010_UP}, Generics.Collections{$ENDIF};

type
  IXcDataNotifier = interface
    ['{3D5E2A11-6F0C-4C9B-8E5A-0B1E2F7A9C44}']
    procedure RecordChanged(Field: TField);
  end;

  TXcDataNotifier = class(TInterfacedObject, IXcDataNotifier)
  private
    FTarget: TControl;
  public
    constructor Create(ATarget: TControl);
    procedure RecordChanged(Field: TField);
  end;

  TXcFieldFormatter = class
  private
    FDisplayFormat: string;
  public
    function FormatField(Field: TField): string;
    property DisplayFormat: string read FDisplayFormat write FDisplayFormat;
  end;

  TXcFieldDataLink = class(TDataLink)
  private
    FControl: TControl;
    FFieldName: string;
    FField: TField;
    FOnDataChange: TNotifyEvent;
    procedure SetFieldName(const Value: string);
    procedure UpdateField;
  protected
    procedure ActiveChanged; override;
    procedure LayoutChanged; override;
    procedure RecordChanged(Field: TField); override;
  public
    constructor Create(AControl: TControl);
    destructor Destroy; override;
    property Field: TField read FField;
    property FieldName: string read FFieldName write SetFieldName;
    property OnDataChange: TNotifyEvent read FOnDataChange write FOnDataChange;
  end;

  TXcRecordCache = class
  private
    FBuffer: PChar;
    FSize: Integer;
    FValues: TStringList;
  public
    constructor Create(ASize: Integer);
    destructor Destroy; override;
    procedure Snapshot(DataSet: TDataSet);
    property Values: TStringList read FValues;
  end;

  TXcDBLabel = class(TXcPanel)
  private
    FDataLink: TXcFieldDataLink;
    FCache: TXcRecordCache;
    function GetDataField: string;
    function GetDataSource: TDataSource;
    procedure SetDataField(const Value: string);
    procedure SetDataSource(const Value: TDataSource);
    procedure DataChange(Sender: TObject);
    procedure CMGetDataLink(var Message: TMessage); message CM_GETDATALINK;
  protected
    procedure Notification(AComponent: TComponent; Operation: TOperation); override;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    function ExportVisibleRows(DataSet: TDataSet; MaxRows: Integer): string;
    function DescribeFields: string;
    procedure SnapshotLater;
  published
    property DataField: string read GetDataField write SetDataField;
    property DataSource: TDataSource read GetDataSource write SetDataSource;
  end;

implementation

{ TXcDataNotifier }

constructor TXcDataNotifier.Create(ATarget: TControl);
begin
  inherited Create;
  FTarget := ATarget;
end;

procedure TXcDataNotifier.RecordChanged(Field: TField);
begin
  if FTarget <> nil then
    FTarget.Invalidate;
end;

{ TXcFieldFormatter }

function TXcFieldFormatter.FormatField(Field: TField): string;
begin
  if Field = nil then
    Result := ''
  else if (FDisplayFormat <> '') and (Field is TNumericField) then
    Result := FormatFloat(FDisplayFormat, Field.AsFloat)
  else
    Result := Field.DisplayText;
end;

{ TXcFieldDataLink }

constructor TXcFieldDataLink.Create(AControl: TControl);
begin
  inherited Create;
  FControl := AControl;
  VisualControl := True;
end;

destructor TXcFieldDataLink.Destroy;
begin
  FControl := nil;
  FOnDataChange := nil;
  inherited Destroy;
end;

procedure TXcFieldDataLink.SetFieldName(const Value: string);
begin
  if FFieldName <> Value then
  begin
    FFieldName := Value;
    UpdateField;
  end;
end;

procedure TXcFieldDataLink.UpdateField;
begin
  FField := nil;
  if Active and (FFieldName <> '') then
    FField := DataSource.DataSet.FindField(FFieldName);
  if Assigned(FOnDataChange) then
    FOnDataChange(Self);
end;

procedure TXcFieldDataLink.ActiveChanged;
begin
  UpdateField;
end;

procedure TXcFieldDataLink.LayoutChanged;
begin
  UpdateField;
end;

procedure TXcFieldDataLink.RecordChanged(Field: TField);
begin
  if ((Field = nil) or (Field = FField)) and Assigned(FOnDataChange) then
    FOnDataChange(Self);
end;

{ TXcRecordCache }

constructor TXcRecordCache.Create(ASize: Integer);
begin
  inherited Create;
  FSize := ASize;
  GetMem(FBuffer, FSize * SizeOf(Char));
  FValues := TStringList.Create;
end;

destructor TXcRecordCache.Destroy;
begin
  FValues.Free;
  try
    inherited Destroy;
  finally
    FreeMem(FBuffer);
  end;
end;

procedure TXcRecordCache.Snapshot(DataSet: TDataSet);
var
  I: Integer;
begin
  FValues.Clear;
  for I := 0 to DataSet.FieldCount - 1 do
    FValues.Values[DataSet.Fields[I].FieldName] := DataSet.Fields[I].AsString;
end;

{ TXcDBLabel }

constructor TXcDBLabel.Create(AOwner: TComponent);
begin
  inherited Create(AOwner);
  ControlStyle := ControlStyle + [csReplicatable];
  FDataLink := TXcFieldDataLink.Create(Self);
  FDataLink.OnDataChange := DataChange;
  FCache := TXcRecordCache.Create(1024);
end;

destructor TXcDBLabel.Destroy;
begin
  FCache.Free;
  FDataLink.Free;
  FDataLink := nil;
  inherited Destroy;
end;

procedure TXcDBLabel.Notification(AComponent: TComponent; Operation: TOperation);
begin
  inherited Notification(AComponent, Operation);
  if (Operation = opRemove) and (FDataLink <> nil) and
    (AComponent = DataSource) then
    DataSource := nil;
end;

function TXcDBLabel.GetDataField: string;
begin
  Result := FDataLink.FieldName;
end;

function TXcDBLabel.GetDataSource: TDataSource;
begin
  Result := FDataLink.DataSource;
end;

procedure TXcDBLabel.SetDataField(const Value: string);
begin
  FDataLink.FieldName := Value;
end;

procedure TXcDBLabel.SetDataSource(const Value: TDataSource);
begin
  if not (FDataLink.DataSourceFixed and (csLoading in ComponentState)) then
    FDataLink.DataSource := Value;
  if Value <> nil then
    Value.FreeNotification(Self);
end;

procedure TXcDBLabel.DataChange(Sender: TObject);
var
  Fmt: TXcFieldFormatter;
  Notifier: IXcDataNotifier;
begin
  Fmt := TXcFieldFormatter.Create;
  try
    if FDataLink.Field <> nil then
      Fmt.DisplayFormat := FDataLink.Field.DisplayLabel;
    Caption := Fmt.FormatField(FDataLink.Field);
  finally
    Fmt.Free;
  end;
  Notifier := TXcDataNotifier.Create(Self);
  Notifier.RecordChanged(FDataLink.Field);
end;

procedure TXcDBLabel.CMGetDataLink(var Message: TMessage);
begin
  Message.Result := LRESULT(FDataLink);
end;

function TXcDBLabel.ExportVisibleRows(DataSet: TDataSet; MaxRows: Integer): string;
var
  Bookmark: TBookmark;
  Fmt: TXcFieldFormatter;
  Buf: TStringList;
  I, N: Integer;
begin
  Result := '';
  if not DataSet.Active then
    Exit;
  Fmt := TXcFieldFormatter.Create;
  Buf := TStringList.Create;
  with Fmt, Buf do
  try
    DisplayFormat := '#,##0.00';
    Bookmark := DataSet.GetBookmark;
    DataSet.DisableControls;
    try
      DataSet.First;
      N := 0;
      while not DataSet.Eof and (N < MaxRows) do
      begin
        for I := 0 to DataSet.FieldCount - 1 do
          Add(FormatField(DataSet.Fields[I]));
        DataSet.Next;
        Inc(N);
      end;
      DataSet.GotoBookmark(Bookmark);
    finally
      DataSet.FreeBookmark(Bookmark);
      DataSet.EnableControls;
    end;
    Result := Text;
  finally
    Free;
  end;
end;

function TXcDBLabel.DescribeFields: string;
var
  DataSet: TDataSet;
  I: Integer;
  Names: TStringList;
begin
  Result := '';
  if (FDataLink.DataSource = nil) or (FDataLink.DataSource.DataSet = nil) then
    Exit;
  DataSet := FDataLink.DataSource.DataSet;
  Names := TStringList.Create;
  try
    for I := 0 to DataSet.FieldCount - 1 do
      Names.Add(Format('%s: %s', [DataSet.Fields[I].FieldName,
        FieldTypeNames[DataSet.Fields[I].DataType]]));
    Result := Names.CommaText;
  except
    on E: EDatabaseError do
      Result := E.Message;
  end;
  Names.Free;
end;

procedure TXcDBLabel.SnapshotLater;
{$IFDEF XC_D2010_UP}
var
  Copy: TXcRecordCache;
begin
  if not FDataLink.Active then
    Exit;
  Copy := TXcRecordCache.Create(FCache.FSize);
  Copy.Snapshot(FDataLink.DataSet);
  TThread.Queue(nil,
    procedure
    begin
      FCache.Values.Assign(Copy.Values);
      Copy.Free;
    end);
end;
{$ELSE}
begin
  if FDataLink.Active then
    FCache.Snapshot(FDataLink.DataSet);
end;
{$ENDIF}

end.
