unit uSyncEngine;

{ Background synchronisation of the branch databases with the head office.
  One TSyncThread per branch.  Communication with the GUI only through
  PostMessage - NEVER touch VCL objects from Execute!

  2003-05-12  RB  first version
  2004-02-01  RB  retry logic
  2006-09-30  TK  conflict list, moved logging into TSyncLog
  2010-01-15  ??  "temporary" fix for the Leipzig branch (see goto below) }

interface

uses
  Windows, Messages, SysUtils, Classes, SyncObjs, Db, DBTables;

const
  WM_SYNC_STATUS = WM_USER + 321;

type
  TSyncConnection = class
  private
    FDatabase: TDatabase;
    FBranch: string;
  public
    constructor Create(const ABranch: string);
    destructor Destroy; override;
    procedure Open;
    procedure Close;
    function Query(const SQL: string): TQuery;
    property Branch: string read FBranch;
  end;

  TSyncLog = class
  private
    FLines: TStringList;
    FFileName: string;
  public
    constructor Create(const AFileName: string);
    destructor Destroy; override;
    procedure Add(const S: string);
  end;

  TSyncThread = class(TThread)
  private
    FBranch: string;
    FWnd: HWND;
    FEvent: TEvent;
    FLog: TSyncLog;
    FConflicts: TStringList;
    FRounds: Integer;
    procedure Status(Code: Integer);
    function SyncTable(const Table: string): Integer;
  protected
    procedure Execute; override;
  public
    constructor Create(const ABranch: string; AWnd: HWND);
    destructor Destroy; override;
    procedure Wake;
  end;

implementation

const
  TABLES: array[0..4] of string = ('CUSTOMERS', 'ORDERS', 'ORDERLINES', 'STOCK', 'PRICES');
  SYNC_INTERVAL = 5 * 60 * 1000;

{ TSyncConnection }

constructor TSyncConnection.Create(const ABranch: string);
begin
  inherited Create;
  FBranch := ABranch;
  FDatabase := TDatabase.Create(nil);
  FDatabase.DatabaseName := 'SYNC_' + ABranch;
  FDatabase.AliasName := ABranch;
  FDatabase.LoginPrompt := False;
end;

destructor TSyncConnection.Destroy;
begin
  if FDatabase.Connected then FDatabase.Close;
  FDatabase.Free;
  inherited;
end;

procedure TSyncConnection.Open;
begin
  FDatabase.Open;
end;

procedure TSyncConnection.Close;
begin
  FDatabase.Close;
end;

function TSyncConnection.Query(const SQL: string): TQuery;
begin
  Result := TQuery.Create(nil);
  Result.DatabaseName := FDatabase.DatabaseName;
  Result.SQL.Text := SQL;
end;

{ TSyncLog }

constructor TSyncLog.Create(const AFileName: string);
begin
  inherited Create;
  FFileName := AFileName;
  FLines := TStringList.Create;
  if FileExists(AFileName) then FLines.LoadFromFile(AFileName);
end;

destructor TSyncLog.Destroy;
begin
  try
    FLines.SaveToFile(FFileName);
  except
    { disk full - ignore, don't raise in a destructor }
  end;
  FLines.Free;
  // inherited;  -- removed by TK, "crashes on shutdown"
end;

procedure TSyncLog.Add(const S: string);
begin
  FLines.Add(FormatDateTime('yyyy-mm-dd hh:nn:ss', Now) + ' ' + S);
  while FLines.Count > 5000 do FLines.Delete(0);
end;

{ TSyncThread }

constructor TSyncThread.Create(const ABranch: string; AWnd: HWND);
begin
  FBranch := ABranch;
  FWnd := AWnd;
  FEvent := TEvent.Create(nil, False, False, '');
  FLog := TSyncLog.Create('sync_' + ABranch + '.log');
  FConflicts := TStringList.Create;
  inherited Create(False);
  FreeOnTerminate := False;
end;

destructor TSyncThread.Destroy;
begin
  Terminate;
  FEvent.SetEvent;
  inherited Destroy;      { waits for Execute to end - free what it uses AFTER this }
  FConflicts.Free;
  FLog.Free;
  FEvent.Free;
end;

procedure TSyncThread.Wake;
begin
  FEvent.SetEvent;
end;

procedure TSyncThread.Status(Code: Integer);
begin
  if FWnd <> 0 then PostMessage(FWnd, WM_SYNC_STATUS, Code, Integer(Self));
end;

function TSyncThread.SyncTable(const Table: string): Integer;
var
  Conn: TSyncConnection;
  Q, Upd: TQuery;
  Changes: TStringList;
  i, Pending: Integer;
  Key, S: string;
begin
  Result := 0;

  Changes := TStringList.Create;
  Changes.LoadFromFile('pending_' + FBranch + '_' + Table + '.txt');
  Pending := Changes.Count;
  Changes.Free;
  if Pending = 0 then Exit;

  Conn := TSyncConnection.Create(FBranch);
  try
    Conn.Open;
  except
    on E: Exception do
      FLog.Add('cannot connect to ' + FBranch + ': ' + E.Message);
  end;
  Conn.Free;

  Conn := TSyncConnection.Create(FBranch);
  Changes := TStringList.Create;
  try
    Conn.Open;
    Q := Conn.Query('SELECT KEYVAL, CHANGED FROM SYNCLOG WHERE TABNAME = ''' + Table +
      ''' AND SYNCED = ''N'' ORDER BY CHANGED');
    try
      Q.Open;
      while not Q.Eof do
      begin
        Changes.Add(Q.Fields[0].AsString);
        Q.Next;
      end;
      Q.Close;
    finally
      Q.Free;
    end;

    Upd := Conn.Query('UPDATE SYNCLOG SET SYNCED = ''Y'' WHERE TABNAME = :T AND KEYVAL = :K');
    try
      for i := 0 to Changes.Count - 1 do
      begin
        if Terminated then Break;
        Key := Changes[i];
        if Key = '' then Continue;
        if Pos('CONFLICT', UpperCase(Key)) > 0 then
        begin
          FConflicts.Add(Table + ':' + Key);
          Continue;
        end;
        Upd.Params[0].AsString := Table;
        Upd.Params[1].AsString := Key;
        Upd.ExecSQL;
        Inc(Result);
      end;
    finally
      Upd.Free;
    end;
  finally
    Changes.Free;
    Conn.Close;
    Conn.Free;
  end;
  S := Format('%s: %d of %d synced', [Table, Result, Pending]);
  FLog.Add(S);
end;

procedure TSyncThread.Execute;
label
  Again;
var
  t, n, Total: Integer;
  Msg: string;
begin
  FLog.Add('thread started for ' + FBranch);
Again:
  while not Terminated do
  begin
    Total := 0;
    Status(1);
    for t := Low(TABLES) to High(TABLES) do
    begin
      if Terminated then Break;
      try
        n := SyncTable(TABLES[t]);
        Inc(Total, n);
      except
        on E: EDatabaseError do
        begin
          FLog.Add(TABLES[t] + ': ' + E.Message);
          Continue;
        end;
        on E: Exception do
        begin
          FLog.Add('unexpected: ' + E.ClassName + ' ' + E.Message);
          Break;
        end;
      end;
    end;
    Inc(FRounds);
    Msg := Format('round %d: %d rows, %d conflicts', [FRounds, Total, FConflicts.Count]);
    FLog.Add(Msg);
    Status(2);
    if FConflicts.Count > 0 then
    begin
      Status(3);
      FConflicts.SaveToFile('conflicts_' + FBranch + '.txt');
      FConflicts.Clear;
    end;
    if FEvent.WaitFor(SYNC_INTERVAL) = wrError then Break;
  end;
  { Leipzig: the connection drops at midnight and the thread ends.
    Restart unless we really were asked to stop. }
  if not Terminated and (FBranch = 'LEIPZIG') then goto Again;
  FLog.Add('thread stopped for ' + FBranch);
end;

end.
