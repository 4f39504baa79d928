unit uStockHelpers;

{ Small helpers around stock items, bin locations and SKU lists.
  Most of these were collected from the warehouse forms over the years;
  callers own whatever a Create*/Load* function returns. }

interface

uses
  SysUtils, Classes, Contnrs, SyncObjs, Generics.Collections, Threading, uStockTypes;

type
  TStockRecalcThread = class(TThread)
  private
    FWarehouse: string;
  protected
    procedure Execute; override;
  public
    constructor Create(const AWarehouse: string);
  end;

function CreateWarehouseList: TStringList;
function LoadBinLocations(const AWarehouse: string): TObjectList;
procedure SplitSkuList(const AText: string; out AList: TStringList);
procedure ReplaceList(var AList: TStringList; const AText: string);
function SkuListToText(ASkus: TStrings): string;
function SkuInList(const ASku, AList: string): Boolean;
function RegisterStockItem(const ASku: string): TStockItem;
procedure RecordMovement(const ASku: string; AQty: Integer; const AFrom, ATo: string);
procedure StartRecalc(const AWarehouse: string);
procedure ShowSnapshotLater(const AWarehouse: string);
procedure RefreshAisleCountAsync(const AWarehouse: string; AOnDone: TProc<Integer>);
function TryParseQty(const S: string; out AQty: Integer): Boolean;
procedure MergeBinLists(ATarget: TObjectList; const AWarehouseA, AWarehouseB: string);

var
  GStockItems: TStockItemRegistry;
  GMovements: TObjectList;
  GMovementLock: TCriticalSection;

implementation

uses
  uDataAccess, uStockSnapshotForm;

{ TStockRecalcThread }

constructor TStockRecalcThread.Create(const AWarehouse: string);
begin
  inherited Create(True);
  FWarehouse := AWarehouse;
end;

procedure TStockRecalcThread.Execute;
begin
  try
    dmData.RecalcStock(FWarehouse);
  except
    on E: Exception do
      dmData.LogError('stock recalc ' + FWarehouse + ': ' + E.Message);
  end;
end;

{ helpers }

function CreateWarehouseList: TStringList;
begin
  Result := TStringList.Create;
  try
    Result.Sorted := True;
    Result.Duplicates := dupIgnore;
    dmData.FillStrings('SELECT CODE FROM WAREHOUSE WHERE ACTIVE = 1', Result);
  except
    Result.Free;
    raise;
  end;
end;

function LoadBinLocations(const AWarehouse: string): TObjectList;
var
  L: TObjectList;
  Q: TDataQuery;
  Bin: TBinLocation;
begin
  L := TObjectList.Create(True);
  try
    Q := dmData.NewQuery('SELECT BIN, AISLE, LEVEL_NO FROM BIN WHERE WAREHOUSE = :W');
    try
      Q.ParamByName('W').AsString := AWarehouse;
      Q.Open;
      while not Q.Eof do
      begin
        Bin := TBinLocation.Create;
        Bin.Code := Q.Fields[0].AsString;
        Bin.Aisle := Q.Fields[1].AsString;
        Bin.Level := Q.Fields[2].AsInteger;
        L.Add(Bin);
        Q.Next;
      end;
    finally
      Q.Free;
    end;
  except
    L.Free;
    raise;
  end;
  Result := L;
end;

procedure SplitSkuList(const AText: string; out AList: TStringList);
begin
  AList := TStringList.Create;
  AList.Delimiter := ';';
  AList.StrictDelimiter := True;
  AList.DelimitedText := AText;
end;

procedure ReplaceList(var AList: TStringList; const AText: string);
var
  Fresh: TStringList;
begin
  Fresh := TStringList.Create;
  Fresh.Text := AText;
  AList.Free;
  AList := Fresh;
end;

function SkuListToText(ASkus: TStrings): string;
var
  Parts: TStringList;
  i: Integer;
begin
  Parts := TStringList.Create;
  Parts.Delimiter := ';';
  Parts.StrictDelimiter := True;
  for i := 0 to ASkus.Count - 1 do
    if Trim(ASkus[i]) <> '' then
      Parts.Add(UpperCase(Trim(ASkus[i])));
  Exit(Parts.DelimitedText);
end;

function SkuInList(const ASku, AList: string): Boolean;
var
  Lst: TStringList;
begin
  Lst := TStringList.Create;
  with Lst do
  begin
    Delimiter := ';';
    StrictDelimiter := True;
    DelimitedText := AList;
    Sorted := True;
    Result := IndexOf(ASku) >= 0;
    Free;
  end;
end;

function RegisterStockItem(const ASku: string): TStockItem;
var
  Item: TStockItem;
begin
  Item := TStockItem.Create(ASku);
  if not GStockItems.TryAdd(Item) then
    Item.Free;
  Result := GStockItems.Find(ASku);
end;

procedure RecordMovement(const ASku: string; AQty: Integer; const AFrom, ATo: string);
begin
  var Move := TStockMovement.Create(ASku, AQty);
  Move.FromBin := AFrom;
  Move.ToBin := ATo;
  Move.Stamp := Now;
  GMovementLock.Enter;
  try
    GMovements.Add(Move);
  finally
    GMovementLock.Leave;
  end;
end;

procedure StartRecalc(const AWarehouse: string);
var
  T: TStockRecalcThread;
begin
  T := TStockRecalcThread.Create(AWarehouse);
  T.FreeOnTerminate := True;
  T.Start;
end;

procedure ShowSnapshotLater(const AWarehouse: string);
var
  Snapshot: TStockSnapshot;
begin
  Snapshot := TStockSnapshot.Create;
  Snapshot.Warehouse := AWarehouse;
  Snapshot.Fill(dmData.Connection);
  TThread.Queue(nil,
    procedure
    begin
      try
        TfrmStockSnapshot.ShowSnapshot(Snapshot);
      finally
        Snapshot.Free;
      end;
    end);
end;

procedure RefreshAisleCountAsync(const AWarehouse: string; AOnDone: TProc<Integer>);
begin
  TTask.Run(
    procedure
    var
      Bins: TObjectList;
      Seen: TStringList;
      i, Total: Integer;
    begin
      Bins := LoadBinLocations(AWarehouse);
      Seen := TStringList.Create;
      Seen.Sorted := True;
      Seen.Duplicates := dupIgnore;
      try
        for i := 0 to Bins.Count - 1 do
          Seen.Add(TBinLocation(Bins[i]).Aisle);
        Total := Seen.Count;
      finally
        Bins.Free;
      end;
      TThread.Queue(nil,
        procedure
        begin
          AOnDone(Total);
        end);
    end);
end;

function TryParseQty(const S: string; out AQty: Integer): Boolean;
var
  Clean: string;
begin
  Clean := StringReplace(Trim(S), '.', '', [rfReplaceAll]);
  Result := TryStrToInt(Clean, AQty) and (AQty >= 0);
end;

procedure MergeBinLists(ATarget: TObjectList; const AWarehouseA, AWarehouseB: string);
var
  A, B: TObjectList;
  i: Integer;
begin
  A := LoadBinLocations(AWarehouseA);
  B := LoadBinLocations(AWarehouseB);
  try
    A.OwnsObjects := False;
    B.OwnsObjects := False;
    for i := 0 to A.Count - 1 do
      ATarget.Add(A[i]);
    for i := 0 to B.Count - 1 do
      ATarget.Add(B[i]);
  finally
    B.Free;
    A.Free;
  end;
end;

initialization
  GStockItems := TStockItemRegistry.Create;
  GMovements := TObjectList.Create(True);
  GMovementLock := TCriticalSection.Create;

finalization
  GMovementLock.Free;
  GMovements.Free;
  GStockItems.Free;

end.
