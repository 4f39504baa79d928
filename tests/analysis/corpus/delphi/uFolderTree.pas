unit uFolderTree;

// Folder tree of the document archive. Every node carries a TFolderInfo in
// its Data; the tree frees it in OnDeletion, so nodes can be dropped anywhere.

interface

uses
  System.SysUtils, System.Classes, System.IOUtils, System.Types, Vcl.ComCtrls, Vcl.Controls;

type
  TFolderInfo = class
  public
    Path: string;
    FileCount: Integer;
    Loaded: Boolean;
  end;

  TFolderTreeHelper = class helper for TTreeView
  private
    procedure FolderDeletion(Sender: TObject; Node: TTreeNode);
  public
    procedure InitFolders(const ARoot: string);
    function AddFolder(AParent: TTreeNode; const APath: string): TTreeNode;
    procedure ExpandFolder(ANode: TTreeNode);
    function SelectedPath: string;
  end;

procedure FillFolderCombo(const ARoot: string; AItems: TStrings);

implementation

procedure TFolderTreeHelper.FolderDeletion(Sender: TObject; Node: TTreeNode);
begin
  TObject(Node.Data).Free;
  Node.Data := nil;
end;

procedure TFolderTreeHelper.InitFolders(const ARoot: string);
begin
  OnDeletion := FolderDeletion;
  Items.BeginUpdate;
  Items.Clear;
  AddFolder(nil, ExcludeTrailingPathDelimiter(ARoot)).Expand(False);
  Items.EndUpdate;
end;

function TFolderTreeHelper.AddFolder(AParent: TTreeNode; const APath: string): TTreeNode;
var
  Info: TFolderInfo;
begin
  Info := TFolderInfo.Create;
  Info.Path := APath;
  Info.FileCount := Length(TDirectory.GetFiles(APath));
  Result := Items.AddChildObject(AParent, ExtractFileName(APath), Info);
  Result.HasChildren := Length(TDirectory.GetDirectories(APath)) > 0;
end;

procedure TFolderTreeHelper.ExpandFolder(ANode: TTreeNode);
var
  Info: TFolderInfo;
  Folder: string;
begin
  Info := TFolderInfo(ANode.Data);
  if (Info = nil) or Info.Loaded then
    Exit;
  Items.BeginUpdate;
  ANode.DeleteChildren;
  for Folder in TDirectory.GetDirectories(Info.Path) do
    AddFolder(ANode, Folder);
  Info.Loaded := True;
  Items.EndUpdate;
end;

function TFolderTreeHelper.SelectedPath: string;
begin
  if (Selected = nil) or (Selected.Data = nil) then
    Exit('');
  Result := TFolderInfo(Selected.Data).Path;
end;

procedure FillFolderCombo(const ARoot: string; AItems: TStrings);
var
  Folder: string;
  Info: TFolderInfo;
begin
  // The combo's owner frees the objects when it clears its items.
  AItems.BeginUpdate;
  for Folder in TDirectory.GetDirectories(ARoot) do
  begin
    Info := TFolderInfo.Create;
    Info.Path := Folder;
    AItems.AddObject(ExtractFileName(Folder), Info);
  end;
  AItems.EndUpdate;
end;

end.
