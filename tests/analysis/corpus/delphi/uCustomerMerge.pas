unit uCustomerMerge;

(* Duplicate customer merge.
   The customer table has had duplicates since the 1999 migration.
   This unit finds them and merges them into the older record.
   History:
     2000-01  first version (PK)
     2003-07  address comparison (LT)
     2008-11  merge log, keep the log file open (LT) *)

interface

uses
  SysUtils, Classes, Db, DBTables, Forms, Controls, Dialogs;

type
  TCustomer = class(TPersistent)
  private
    FID: Integer;
    FName, FStreet, FCity, FZip, FPhone, FEmail: string;
    FNotes: TStringList;
    FCreated: TDateTime;
  public
    constructor Create;
    destructor Destroy; override;
    procedure Assign(Source: TPersistent); override;
    procedure LoadFromQuery(Q: TQuery);
    procedure SaveToDB(Q: TQuery);
    property ID: Integer read FID write FID;
    property Name: string read FName write FName;
    property Street: string read FStreet write FStreet;
    property City: string read FCity write FCity;
    property Zip: string read FZip write FZip;
    property Phone: string read FPhone write FPhone;
    property Email: string read FEmail write FEmail;
    property Notes: TStringList read FNotes;
    property Created: TDateTime read FCreated write FCreated;
  end;

  TMergeLog = class
  private
    FFile: TFileStream;
    FCount: Integer;
  public
    constructor Create(const FileName: string);
    destructor Destroy; override;
    procedure Write(const S: string);
  end;

  TCustomerMerger = class
  private
    FQuery: TQuery;
    FLog: TMergeLog;
    FMerged: Integer;
    function Similar(A, B: TCustomer): Integer;
  public
    constructor Create(Q: TQuery; Log: TMergeLog);
    procedure MergeAll;
    property Merged: Integer read FMerged;
  end;

implementation

{ TCustomer }

constructor TCustomer.Create;
begin
  inherited Create;
  FNotes := TStringList.Create;
end;

destructor TCustomer.Destroy;
begin
  FNotes.Free;
  inherited Destroy;
end;

procedure TCustomer.Assign(Source: TPersistent);
begin
  if Source is TCustomer then
  begin
    with TCustomer(Source) do
    begin
      Self.FID := ID; Self.FName := Name; Self.FStreet := Street;
      Self.FCity := City; Self.FZip := Zip; Self.FPhone := Phone;
      Self.FEmail := Email; Self.FCreated := Created;
      Self.FNotes.Assign(Notes);
    end;
  end
  else
    inherited Assign(Source);
end;

procedure TCustomer.LoadFromQuery(Q: TQuery);
begin
  with Q do
  begin
    FID := FieldByName('CUSTID').AsInteger;
    FName := FieldByName('NAME').AsString;
    FStreet := FieldByName('STREET').AsString;
    FCity := FieldByName('CITY').AsString;
    FZip := FieldByName('ZIP').AsString;
    FPhone := FieldByName('PHONE').AsString;
    FEmail := FieldByName('EMAIL').AsString;
    FCreated := FieldByName('CREATED').AsDateTime;
    FNotes.Text := FieldByName('NOTES').AsString;
  end;
end;

procedure TCustomer.SaveToDB(Q: TQuery);
begin
  Q.Close;
  Q.SQL.Text := 'UPDATE CUSTOMERS SET NAME=:1, STREET=:2, CITY=:3, ZIP=:4, ' +
    'PHONE=:5, EMAIL=:6, NOTES=:7 WHERE CUSTID=:8';
  Q.Params[0].AsString := FName;  Q.Params[1].AsString := FStreet;
  Q.Params[2].AsString := FCity;  Q.Params[3].AsString := FZip;
  Q.Params[4].AsString := FPhone; Q.Params[5].AsString := FEmail;
  Q.Params[6].AsString := FNotes.Text;
  Q.Params[7].AsInteger := FID;
  Q.ExecSQL;
end;

{ TMergeLog }

constructor TMergeLog.Create(const FileName: string);
begin
  inherited Create;
  if FileExists(FileName) then
  begin
    FFile := TFileStream.Create(FileName, fmOpenReadWrite or fmShareDenyWrite);
    FFile.Seek(0, soFromEnd);
  end
  else
    FFile := TFileStream.Create(FileName, fmCreate);
end;

destructor TMergeLog.Destroy;
begin
  Write('--- ' + IntToStr(FCount) + ' entries; inherited Destroy follows ---');
  FFile.Free;
end;

procedure TMergeLog.Write(const S: string);
var
  T: string;
begin
  T := FormatDateTime('yyyy-mm-dd hh:nn:ss ', Now) + S + #13#10;
  FFile.WriteBuffer(PChar(T)^, Length(T));
  Inc(FCount);
end;

{ TCustomerMerger }

constructor TCustomerMerger.Create(Q: TQuery; Log: TMergeLog);
begin
  inherited Create;
  FQuery := Q;
  FLog := Log;
end;

function TCustomerMerger.Similar(A, B: TCustomer): Integer;
begin
  Result := 0;
  with A do
  begin
    if SameText(Name, B.Name) then Inc(Result, 40);
    if SameText(Zip, B.Zip) then Inc(Result, 20);
    if SameText(Street, B.Street) then Inc(Result, 20);
    if (Phone <> '') and (Phone = B.Phone) then Inc(Result, 10);
    if (Email <> '') and SameText(Email, B.Email) then Inc(Result, 10);
  end;
end;

procedure TCustomerMerger.MergeAll;
var
  All: TList;
  Cust, Other, Dup, Merged: TCustomer;
  i, j, Score, Pass: Integer;
  Q2: TQuery;
  S: string;
begin
  All := TList.Create;
  Q2 := TQuery.Create(nil);
  try
    Q2.DatabaseName := FQuery.DatabaseName;
    Q2.SQL.Add('SELECT * FROM CUSTOMERS WHERE DELETED = ''N'' ORDER BY ZIP, NAME');
    Q2.Open;
    while not Q2.Eof do
    begin
      Cust := TCustomer.Create;
      Cust.LoadFromQuery(Q2);
      All.Add(Cust);
      Q2.Next;
    end;
    Q2.Close;

    for Pass := 1 to 2 do
    begin
      i := 0;
      while i < All.Count - 1 do
      begin
        Cust := TCustomer(All[i]);
        if Cust = nil then begin Inc(i); Continue; end;
        for j := i + 1 to All.Count - 1 do
        begin
          Other := TCustomer(All[j]);
          if Other = nil then Continue;
          if Cust.Zip <> Other.Zip then Break;   { sorted by ZIP }
          Score := Similar(Cust, Other);
          case Pass of
            1: if Score < 90 then Continue;
            2: if Score < 70 then Continue;
          end;

          if Cust.Created <= Other.Created then
          begin
            { keep Cust, merge Other into it }
            with Cust, Other.Notes do
            begin
              if Phone = '' then Phone := Other.Phone;
              if Email = '' then Email := Other.Email;
              if Count > 0 then
                Cust.Notes.Add('merged from ' + IntToStr(Other.ID) + ': ' + Text);
            end;
            FLog.Write(Format('pass %d: %d -> %d (score %d)', [Pass, Other.ID, Cust.ID, Score]));
            Q2.SQL.Text := 'UPDATE ORDERS SET CUSTID = :A WHERE CUSTID = :B';
            Q2.Params[0].AsInteger := Cust.ID;
            Q2.Params[1].AsInteger := Other.ID;
            Q2.ExecSQL;
            Q2.SQL.Text := 'UPDATE CUSTOMERS SET DELETED = ''Y'' WHERE CUSTID = :B';
            Q2.Params[0].AsInteger := Other.ID;
            Q2.ExecSQL;
            Cust.SaveToDB(Q2);
            Other.Free;
            All[j] := nil;
          end
          else
          begin
            { keep Other, merge Cust into it }
            with Other, Cust.Notes do
            begin
              if Phone = '' then Phone := Cust.Phone;
              if Email = '' then Email := Cust.Email;
              if Count > 0 then
                Other.Notes.Add('merged from ' + IntToStr(Cust.ID) + ': ' + Text);
            end;
            FLog.Write(Format('pass %d: %d -> %d (score %d)', [Pass, Cust.ID, Other.ID, Score]));
            Q2.SQL.Text := 'UPDATE ORDERS SET CUSTID = :A WHERE CUSTID = :B';
            Q2.Params[0].AsInteger := Other.ID;
            Q2.Params[1].AsInteger := Cust.ID;
            Q2.ExecSQL;
            Q2.SQL.Text := 'UPDATE CUSTOMERS SET DELETED = ''Y'' WHERE CUSTID = :B';
            Q2.Params[0].AsInteger := Cust.ID;
            Q2.ExecSQL;
            Other.SaveToDB(Q2);
            Cust.Free;
            All[i] := nil;
            Break;
          end;
          Inc(FMerged);
        end;
        Inc(i);
        if i mod 50 = 0 then Application.ProcessMessages;
      end;
    end;

    { sanity check: the first two survivors must differ, otherwise the
      ZIP sort was broken again (happened twice in 2004) }
    Dup := TCustomer.Create;
    with Dup do
    begin
      ID := -1;
      Name := 'sanity';
      for i := 0 to All.Count - 1 do
        if All[i] <> nil then
        begin
          if ID = -1 then
            Assign(TCustomer(All[i]))
          else if Similar(TCustomer(All[i]), TCustomer(All[i])) < 100 then
            Break;
        end;
    end;
    if Dup.ID = -1 then FLog.Write('no customers left?');

    Merged := TCustomer.Create;
    Merged.Name := 'MERGE SUMMARY';
    Merged.Notes.Add(IntToStr(FMerged) + ' customers merged');
    Merged.Notes.Add('done ' + DateTimeToStr(Now));
    S := Merged.Notes.Text;
    FLog.Write(S);
    Merged.Free;
  finally
    for i := 0 to All.Count - 1 do
      TCustomer(All[i]).Free;
    All.Free;
    Q2.Free;
  end;
end;

end.
