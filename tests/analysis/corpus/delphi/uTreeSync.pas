unit uTreeSync;

interface

uses
  System.SysUtils, System.Classes, System.Types, System.IOUtils,
  System.Generics.Collections, Vcl.ComCtrls, Vcl.Controls, Vcl.Forms,
  Vcl.ExtCtrls, Vcl.Menus;

type
  TNodeKind = (nkFolder, nkFile);

  TNodeData = class
  public
    Kind: TNodeKind;
    Path: string;
    Loaded: Boolean;
    constructor Create(AKind: TNodeKind; const APath: string);
  end;

  TfraFolderTree = class(TFrame)
    tvFolders: TTreeView;
    lvContent: TListView;
    Splitter1: TSplitter;
    procedure tvFoldersExpanding(Sender: TObject; Node: TTreeNode;
      var AllowExpansion: Boolean);
    procedure tvFoldersDeletion(Sender: TObject; Node: TTreeNode);
    procedure tvFoldersChange(Sender: TObject; Node: TTreeNode);
    procedure lvContentDeletion(Sender: TObject; Item: TListItem);
  private
    FRootPath: string;
    FPopup: TPopupMenu;
    FWatchTimer: TTimer;
    FLastStamp: TDictionary<string, TDateTime>;
    function AddFolder(AParent: TTreeNode; const APath: string): TTreeNode;
    procedure LoadChildren(ANode: TTreeNode);
    procedure ShowContent(const APath: string);
    procedure HandleWatch(Sender: TObject);
    procedure RefreshClick(Sender: TObject);
    function NodeData(ANode: TTreeNode): TNodeData;
    procedure SaveExpanded(AList: TStrings);
    procedure RestoreExpanded;
  public
    constructor Create(AOwner: TComponent); override;
    destructor Destroy; override;
    procedure OpenRoot(const APath: string);
  end;

implementation

{$R *.dfm}

{ TNodeData }

constructor TNodeData.Create(AKind: TNodeKind; const APath: string);
begin
  inherited Create;
  Kind := AKind;
  Path := APath;
end;

{ TfraFolderTree }

constructor TfraFolderTree.Create(AOwner: TComponent);
var
  Item: TMenuItem;
begin
  inherited Create(AOwner);
  FLastStamp := TDictionary<string, TDateTime>.Create;
  FPopup := TPopupMenu.Create(Self);
  Item := TMenuItem.Create(FPopup);
  Item.Caption := 'Refresh';
  Item.OnClick := RefreshClick;
  FPopup.Items.Add(Item);
  tvFolders.PopupMenu := FPopup;
  FWatchTimer := TTimer.Create(Self);
  FWatchTimer.Enabled := False;
  FWatchTimer.Interval := 2000;
  FWatchTimer.OnTimer := HandleWatch;
end;

destructor TfraFolderTree.Destroy;
begin
  FWatchTimer.Enabled := False;
  TObject(FWatchTimer.Tag).Free;
  tvFolders.Items.Clear;
  lvContent.Items.Clear;
  FLastStamp.Free;
  inherited Destroy;
end;

function TfraFolderTree.NodeData(ANode: TTreeNode): TNodeData;
begin
  if (ANode = nil) or (ANode.Data = nil) then
    Exit(nil);
  Result := TNodeData(ANode.Data);
end;

function TfraFolderTree.AddFolder(AParent: TTreeNode; const APath: string): TTreeNode;
var
  Data: TNodeData;
  Caption: string;
begin
  Data := TNodeData.Create(nkFolder, APath);
  Caption := ExtractFileName(ExcludeTrailingPathDelimiter(APath));
  if Caption = '' then
    Caption := APath;
  Result := tvFolders.Items.AddChildObject(AParent, Caption, Data);
  Result.HasChildren := Length(TDirectory.GetDirectories(APath)) > 0;
end;

procedure TfraFolderTree.LoadChildren(ANode: TTreeNode);
var
  Data: TNodeData;
  Dir: string;
begin
  Data := NodeData(ANode);
  if (Data = nil) or Data.Loaded then
    Exit;
  tvFolders.Items.BeginUpdate;
  try
    ANode.DeleteChildren;
    for Dir in TDirectory.GetDirectories(Data.Path) do
      AddFolder(ANode, Dir);
    Data.Loaded := True;
  finally
    tvFolders.Items.EndUpdate;
  end;
end;

procedure TfraFolderTree.tvFoldersExpanding(Sender: TObject; Node: TTreeNode;
  var AllowExpansion: Boolean);
begin
  try
    LoadChildren(Node);
  except
    on E: EInOutError do
    begin
      Node.HasChildren := False;
      AllowExpansion := False;
    end;
  end;
end;

procedure TfraFolderTree.tvFoldersDeletion(Sender: TObject; Node: TTreeNode);
begin
  TObject(Node.Data).Free;
  Node.Data := nil;
end;

procedure TfraFolderTree.tvFoldersChange(Sender: TObject; Node: TTreeNode);
var
  Data: TNodeData;
begin
  Data := NodeData(Node);
  if Data <> nil then
    ShowContent(Data.Path);
end;

procedure TfraFolderTree.ShowContent(const APath: string);
var
  FileName: string;
  Item: TListItem;
  Info: TNodeData;
begin
  lvContent.Items.BeginUpdate;
  try
    lvContent.Items.Clear;
    for FileName in TDirectory.GetFiles(APath) do
    begin
      Info := TNodeData.Create(nkFile, FileName);
      Item := lvContent.Items.Add;
      Item.Data := Pointer(Info);
      Item.Caption := ExtractFileName(FileName);
      Item.SubItems.Add(IntToStr(TFile.GetSize(FileName)));
    end;
  finally
    lvContent.Items.EndUpdate;
  end;
  FLastStamp.AddOrSetValue(APath, TDirectory.GetLastWriteTime(APath));
end;

procedure TfraFolderTree.lvContentDeletion(Sender: TObject; Item: TListItem);
begin
  if Item.Data <> nil then
    TNodeData(Item.Data).Free;
end;

procedure TfraFolderTree.SaveExpanded(AList: TStrings);
var
  Node: TTreeNode;
begin
  Node := tvFolders.Items.GetFirstNode;
  while Node <> nil do
  begin
    if Node.Expanded and (NodeData(Node) <> nil) then
      AList.Add(NodeData(Node).Path);
    Node := Node.GetNext;
  end;
end;

procedure TfraFolderTree.RestoreExpanded;
var
  Expanded: TStringList;
  Node: TTreeNode;
begin
  Expanded := TStringList.Create;
  SaveExpanded(Expanded);
  Expanded.Sorted := True;
  tvFolders.Items.Clear;
  OpenRoot(FRootPath);
  Node := tvFolders.Items.GetFirstNode;
  while Node <> nil do
  begin
    if (NodeData(Node) <> nil) and (Expanded.IndexOf(NodeData(Node).Path) >= 0) then
      Node.Expand(False);
    Node := Node.GetNext;
  end;
  Expanded.Free;
end;

procedure TfraFolderTree.RefreshClick(Sender: TObject);
begin
  RestoreExpanded;
end;

procedure TfraFolderTree.HandleWatch(Sender: TObject);
var
  Timer: TTimer;
  Stamp: TDateTime;
  Data: TNodeData;
  Pending: TStringList;
begin
  Timer := Sender as TTimer;
  Data := NodeData(tvFolders.Selected);
  if Data = nil then
    Exit;
  if not FLastStamp.TryGetValue(Data.Path, Stamp) then
    Exit;
  if TDirectory.GetLastWriteTime(Data.Path) <= Stamp then
    Exit;
  if Timer.Tag = 0 then
  begin
    Pending := TStringList.Create;
    Timer.Tag := NativeInt(Pending);
  end;
  Pending := TStringList(Timer.Tag);
  Pending.Add(Data.Path);
  if Pending.Count >= 3 then
  begin
    TObject(Timer.Tag).Free;
    Timer.Tag := 0;
    RestoreExpanded;
  end
  else
    ShowContent(Data.Path);
end;

procedure TfraFolderTree.OpenRoot(const APath: string);
var
  Root: TTreeNode;
begin
  FRootPath := IncludeTrailingPathDelimiter(APath);
  tvFolders.Items.Clear;
  Root := AddFolder(nil, FRootPath);
  LoadChildren(Root);
  Root.Expand(False);
  FWatchTimer.Enabled := True;
end;

end.
