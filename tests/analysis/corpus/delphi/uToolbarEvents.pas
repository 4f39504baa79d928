unit uToolbarEvents;

{ Toolbar of the planning window. Buttons carry their command object in
  Tag; background lookups post their results back to the window. }

interface

uses
  Winapi.Windows, Winapi.Messages, System.SysUtils, System.Classes,
  Vcl.Controls, Vcl.StdCtrls, Vcl.ExtCtrls, Vcl.Forms, Vcl.ComCtrls;

const
  WM_LOOKUP_DONE = WM_APP + 12;

type
  TPlanCommand = class
  public
    Caption: string;
    Code: Integer;
    constructor Create(const ACaption: string; ACode: Integer);
  end;

  TLookupResult = class
  public
    Key: string;
    Rows: TStringList;
    constructor Create;
    destructor Destroy; override;
  end;

  TPlanToolbar = class(TCustomPanel)
  private
    FCommands: TList;
    FStatus: TLabel;
    FHint: TStringList;
    procedure HandleClick(Sender: TObject);
    procedure WMLookupDone(var Msg: TMessage); message WM_LOOKUP_DONE;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure AddCommand(const ACaption: string; ACode: Integer);
    procedure StartLookup(const AKey: string);
    procedure ShowHintLater(const AText: string);
    procedure FillTree(ATree: TTreeView);
  end;

implementation

constructor TPlanCommand.Create(const ACaption: string; ACode: Integer);
begin
  inherited Create;
  Caption := ACaption;
  Code := ACode;
end;

constructor TLookupResult.Create;
begin
  inherited Create;
  Rows := TStringList.Create;
end;

destructor TLookupResult.Destroy;
begin
  Rows.Free;
end;

constructor TPlanToolbar.Create(AOwner: TComponent);
var
  Lbl: TLabel;
begin
  inherited Create(AOwner);
  FCommands := TList.Create;
  FHint := TStringList.Create;
  Lbl := TLabel.Create(Self);
  Lbl.Parent := Self;
  Lbl.Align := alRight;
  FStatus := Lbl;
end;

destructor TPlanToolbar.Destroy;
var
  I: Integer;
begin
  for I := 0 to FCommands.Count - 1 do
    TObject(FCommands[I]).Free;
  FCommands.Free;
  FHint.Free;
  inherited Destroy;
end;

procedure TPlanToolbar.AddCommand(const ACaption: string; ACode: Integer);
var
  Btn: TButton;
  Cmd: TPlanCommand;
begin
  Cmd := TPlanCommand.Create(ACaption, ACode);
  FCommands.Add(Pointer(Cmd));
  Btn := TButton.Create(Self);
  Btn.Parent := Self;
  Btn.Caption := ACaption;
  Btn.Align := alLeft;
  Btn.Tag := NativeInt(Cmd);
  Btn.OnClick := HandleClick;
end;

procedure TPlanToolbar.HandleClick(Sender: TObject);
var
  Cmd: TPlanCommand;
  Args: TStringList;
begin
  Cmd := TPlanCommand(TButton(Sender).Tag);
  Args := TStringList.Create;
  try
    Args.Values['code'] := IntToStr(Cmd.Code);
    Args.Values['caption'] := Cmd.Caption;
    FStatus.Caption := 'Running ' + Cmd.Caption;
  except
    on E: Exception do
      FStatus.Caption := E.Message;
  end;
  Args.Free;
end;

procedure TPlanToolbar.StartLookup(const AKey: string);
var
  Wnd: HWND;
begin
  Wnd := Handle;
  TThread.CreateAnonymousThread(
    procedure
    var
      Res: TLookupResult;
    begin
      Res := TLookupResult.Create;
      Res.Key := AKey;
      Res.Rows.Add(AKey + '=pending');
      if not PostMessage(Wnd, WM_LOOKUP_DONE, WPARAM(Res), 0) then
        Res.Free;
    end).Start;
end;

procedure TPlanToolbar.WMLookupDone(var Msg: TMessage);
var
  Res: TLookupResult;
begin
  Res := TLookupResult(Msg.WParam);
  try
    FStatus.Caption := Res.Key + ': ' + IntToStr(Res.Rows.Count) + ' rows';
  finally
    Res.Free;
  end;
end;

procedure TPlanToolbar.ShowHintLater(const AText: string);
var
  Note: TStringList;
begin
  Note := TStringList.Create;
  Note.Text := AText;
  TThread.Queue(nil,
    procedure
    begin
      FStatus.Caption := Note[0];
      Note.Free;
    end);
end;

procedure TPlanToolbar.FillTree(ATree: TTreeView);
var
  I: Integer;
  Node: TTreeNode;
  Cmd: TPlanCommand;
  Popup: TStringList;
begin
  ATree.Items.BeginUpdate;
  try
    for I := 0 to FCommands.Count - 1 do
    begin
      Cmd := TPlanCommand(FCommands[I]);
      Node := ATree.Items.Add(nil, Cmd.Caption);
      Node.Data := Cmd;
    end;
  finally
    ATree.Items.EndUpdate;
  end;
  Popup := TStringList.Create;
  Popup.Add('Refresh');
  Popup.Add('Collapse');
  ATree.Hint := Popup.CommaText;
  { the tree frees what it finds in Tag when it is destroyed }
  ATree.Tag := NativeInt(Popup);
  PostMessage(ATree.Handle, WM_LOOKUP_DONE, 0, 0);
end;

end.
