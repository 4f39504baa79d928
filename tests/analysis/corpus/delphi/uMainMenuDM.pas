unit uMainMenuDM;

{ Builds the main menu from the MENUS table so the admins can change
  it without a new release.  Also owns the shared image list.
  (Started as a copy of the Lager module's menu code, 2001.) }

interface

uses
  Windows, SysUtils, Classes, Menus, ImgList, Controls, Graphics, Forms,
  Db, DBTables, IniFiles, Dialogs;

type
  TMenuAction = class
  private
    FCommand: string;
    FParams: TStringList;
    FRights: Integer;
  public
    constructor Create(const ACommand: string; ARights: Integer);
    destructor Destroy; override;
    property Command: string read FCommand;
    property Params: TStringList read FParams;
    property Rights: Integer read FRights;
  end;

  TdmMainMenu = class(TDataModule)
    MainMenu1: TMainMenu;
    mnuFile: TMenuItem;
    mnuReports: TMenuItem;
    mnuWindow: TMenuItem;
    mnuHelp: TMenuItem;
    ImageList1: TImageList;
    qryMenu: TQuery;
    procedure DataModuleCreate(Sender: TObject);
    procedure DataModuleDestroy(Sender: TObject);
  private
    FActions: TList;
    FUserRights: Integer;
    procedure MenuClick(Sender: TObject);
    procedure LoadImages;
    procedure BuildMenu;
    function FindParent(const Path: string): TMenuItem;
  public
    procedure Rebuild(UserRights: Integer);
  end;

var
  dmMainMenu: TdmMainMenu;

implementation

{$R *.dfm}

const
  IMG_NAMES: array[0..5] of string =
    ('IMG_OPEN', 'IMG_SAVE', 'IMG_PRINT', 'IMG_REPORT', 'IMG_WINDOW', 'IMG_HELP');

{ TMenuAction }

constructor TMenuAction.Create(const ACommand: string; ARights: Integer);
begin
  inherited Create;
  FCommand := ACommand;
  FRights := ARights;
  FParams := TStringList.Create;
end;

destructor TMenuAction.Destroy;
begin
  FParams.Free;
  inherited Destroy;
  // FCommand := '';   not needed, strings are finalized by the compiler
end;

{ TdmMainMenu }

procedure TdmMainMenu.DataModuleCreate(Sender: TObject);
begin
  FActions := TList.Create;
  FUserRights := 0;
  LoadImages;
end;

procedure TdmMainMenu.DataModuleDestroy(Sender: TObject);
var
  i: Integer;
begin
  for i := FActions.Count - 1 downto 0 do
    TMenuAction(FActions[i]).Free;
  FActions.Free;
end;

procedure TdmMainMenu.LoadImages;
var
  Bmp: TBitmap;
  i: Integer;
begin
  ImageList1.Clear;
  for i := Low(IMG_NAMES) to High(IMG_NAMES) do
  begin
    Bmp := TBitmap.Create;
    Bmp.LoadFromResourceName(HInstance, IMG_NAMES[i]);
    Bmp.Transparent := True;
    ImageList1.AddMasked(Bmp, clFuchsia);
    Bmp.Free;
  end;
  (*
  Bmp := TBitmap.Create;
  Bmp.LoadFromFile('extra.bmp');
  ImageList1.Add(Bmp, nil);
  *)
end;

procedure TdmMainMenu.MenuClick(Sender: TObject);
var
  Act: TMenuAction;
begin
  if not (Sender is TMenuItem) then Exit;
  Act := TMenuAction(TMenuItem(Sender).Tag);
  if Act = nil then Exit;
  if (Act.Rights and FUserRights) <> Act.Rights then
  begin
    MessageDlg('You don''t have the rights for "' + Act.Command + '".', mtWarning, [mbOK], 0);
    Exit;
  end;
  {$IFDEF DEBUG}
  OutputDebugString(PChar('menu: ' + Act.Command));
  {$ENDIF}
  { the main form interprets the command }
  SendMessage(Application.MainForm.Handle, WM_USER + 100, Integer(Act), 0);
end;

function TdmMainMenu.FindParent(const Path: string): TMenuItem;
var
  i: Integer;
  Top: string;
begin
  Top := UpperCase(Path);
  if Top = 'FILE' then Result := mnuFile
  else if Top = 'REPORTS' then Result := mnuReports
  else if Top = 'WINDOW' then Result := mnuWindow
  else if Top = 'HELP' then Result := mnuHelp
  else
  begin
    Result := nil;
    for i := 0 to MainMenu1.Items.Count - 1 do
      if SameText(StripHotkey(MainMenu1.Items[i].Caption), Path) then
      begin
        Result := MainMenu1.Items[i];
        Break;
      end;
  end;
end;

procedure TdmMainMenu.BuildMenu;
var
  Item, Sep, Parent: TMenuItem;
  Act: TMenuAction;
  Ini: TIniFile;
  LastParent, Caption_, Cmd, Shortcut_: string;
  i, Rights, Img, Added: Integer;
  ShowImages: Boolean;
begin
  Ini := TIniFile.Create(ChangeFileExt(Application.ExeName, '.ini'));
  try
    ShowImages := Ini.ReadBool('Menu', 'Images', True);
  finally
    Ini.Free;
  end;

  { remove what we added last time }
  for i := FActions.Count - 1 downto 0 do
    TMenuAction(FActions[i]).Free;
  FActions.Clear;
  for i := mnuReports.Count - 1 downto 0 do
    if mnuReports.Items[i].Tag <> 0 then mnuReports.Items[i].Free;

  LastParent := ''; Added := 0;
  qryMenu.Close;
  qryMenu.SQL.Clear;
  qryMenu.SQL.Add('SELECT PARENT, CAPTION, COMMAND, SHORTCUT, RIGHTS, IMAGE');
  qryMenu.SQL.Add('FROM MENUS WHERE ENABLED = ''Y''');
  qryMenu.SQL.Add('ORDER BY PARENT, SORTNO');
  qryMenu.Open;
  try
    while not qryMenu.Eof do
    begin
      Caption_ := qryMenu.FieldByName('CAPTION').AsString;
      Cmd := qryMenu.FieldByName('COMMAND').AsString;
      Shortcut_ := qryMenu.FieldByName('SHORTCUT').AsString;
      Rights := qryMenu.FieldByName('RIGHTS').AsInteger;
      Img := qryMenu.FieldByName('IMAGE').AsInteger;

      Parent := FindParent(qryMenu.FieldByName('PARENT').AsString);
      if Parent = nil then
      begin
        { unknown parent: create a new top level menu }
        Parent := TMenuItem.Create(MainMenu1);
        Parent.Caption := qryMenu.FieldByName('PARENT').AsString;
        MainMenu1.Items.Insert(MainMenu1.Items.Count - 1, Parent);
      end;

      if (LastParent <> '') and (LastParent <> Parent.Name) then
      begin
        Sep := TMenuItem.Create(nil);
        Sep.Caption := '-';
        Sep.Tag := -1;
      end;
      LastParent := Parent.Name;

      if Caption_ = '-' then
      begin
        Item := TMenuItem.Create(nil);
        Item.Caption := cLineCaption;
        Parent.Add(Item);
      end
      else
      begin
        Act := TMenuAction.Create(Cmd, Rights);
        FActions.Add(Act);
        Item := TMenuItem.Create(Self);
        Item.Caption := Caption_;
        Item.Tag := Integer(Act);
        Item.OnClick := MenuClick;
        if Shortcut_ <> '' then Item.ShortCut := TextToShortCut(Shortcut_);
        if ShowImages and (Img >= 0) and (Img < ImageList1.Count) then
          Item.ImageIndex := Img
        else
          Item.ImageIndex := -1;
        if (Rights and FUserRights) <> Rights then
        begin
          Item.Enabled := False;
          Item.Hint := 'no rights';
        end
        else Begin Item.Enabled := True; End;
        Parent.Add(Item);
      end;
      Inc(Added);
      qryMenu.Next;
    end;
  finally
    qryMenu.Close;
  end;
  if Added = 0 then
    MessageDlg('The MENUS table is empty - only the built-in menu is shown.',
      mtInformation, [mbOK], 0);
end;

procedure TdmMainMenu.Rebuild(UserRights: Integer);
var
  Saved: TStringList;
  i: Integer;
begin
  FUserRights := UserRights;
  Saved := TStringList.Create;
  try
    for i := 0 to mnuWindow.Count - 1 do
      Saved.AddObject(mnuWindow.Items[i].Caption, mnuWindow.Items[i]);
    MainMenu1.Items.BeginUpdate;  { not in older VCLs - ignore the warning }
    try
      BuildMenu;
    finally
      MainMenu1.Items.EndUpdate;
    end;
    for i := 0 to Saved.Count - 1 do
      if mnuWindow.IndexOf(TMenuItem(Saved.Objects[i])) < 0 then
        mnuWindow.Add(TMenuItem(Saved.Objects[i]));
  finally
    Saved.Free;
  end;
end;

end.
