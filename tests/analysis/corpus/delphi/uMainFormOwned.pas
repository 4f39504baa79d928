unit uMainFormOwned;

interface

uses
  Winapi.Windows, Winapi.Messages, System.SysUtils, System.Classes,
  System.Generics.Collections, Vcl.Graphics, Vcl.Controls, Vcl.Forms,
  Vcl.Dialogs, Vcl.ComCtrls, Vcl.StdCtrls, Vcl.ExtCtrls, Vcl.Menus,
  uProjectModel;

type
  TfrmMain = class(TForm)
    pnlTop: TPanel;
    tvProject: TTreeView;
    lvFiles: TListView;
    memLog: TMemo;
    btnLoad: TButton;
    btnExport: TButton;
    btnDetails: TButton;
    StatusBar1: TStatusBar;
    procedure FormCreate(Sender: TObject);
    procedure FormDestroy(Sender: TObject);
    procedure btnLoadClick(Sender: TObject);
    procedure btnExportClick(Sender: TObject);
    procedure btnDetailsClick(Sender: TObject);
    procedure tvProjectDeletion(Sender: TObject; Node: TTreeNode);
    procedure tvProjectChange(Sender: TObject; Node: TTreeNode);
    procedure lvFilesDeletion(Sender: TObject; Item: TListItem);
  private
    FRefreshTimer: TTimer;
    FRecent: TStringList;
    FProject: TProject;
    procedure HandleRefreshTimer(Sender: TObject);
    procedure FillTree;
    procedure FillFileList(AFolder: TProjectFolder);
    procedure AddFolderNode(AParent: TTreeNode; AFolder: TProjectFolder);
    function BuildSummary: string;
    procedure LogLine(const S: string);
    procedure ShowSecondary;
  public
    property Project: TProject read FProject;
  end;

var
  frmMain: TfrmMain;

implementation

{$R *.dfm}

uses
  uSecondaryForm;

type
  TFileInfo = class
  public
    FileName: string;
    Size: Int64;
    Modified: TDateTime;
    constructor Create(const AName: string; ASize: Int64; AModified: TDateTime);
  end;

constructor TFileInfo.Create(const AName: string; ASize: Int64; AModified: TDateTime);
begin
  inherited Create;
  FileName := AName;
  Size := ASize;
  Modified := AModified;
end;

{ TfrmMain }

procedure TfrmMain.FormCreate(Sender: TObject);
begin
  FRecent := TStringList.Create;
  FRecent.Duplicates := dupIgnore;
  FRefreshTimer := TTimer.Create(Self);
  FRefreshTimer.Interval := 5000;
  FRefreshTimer.OnTimer := HandleRefreshTimer;
  FRefreshTimer.Enabled := False;
end;

procedure TfrmMain.FormDestroy(Sender: TObject);
begin
  FRefreshTimer.Enabled := False;
  tvProject.Items.Clear;   // fires OnDeletion for every node
  lvFiles.Items.Clear;     // fires OnDeletion for every item
  FreeAndNil(FProject);
  FRecent.Free;
end;

procedure TfrmMain.LogLine(const S: string);
begin
  memLog.Lines.Add(FormatDateTime('hh:nn:ss ', Now) + S);
end;

procedure TfrmMain.btnLoadClick(Sender: TObject);
var
  Dlg: TOpenDialog;
  Loader: TProjectLoader;
begin
  Dlg := TOpenDialog.Create(Self);
  Dlg.Filter := 'Project files (*.fpj)|*.fpj';
  if not Dlg.Execute then
    Exit;

  Loader := TProjectLoader.Create;
  Loader.IgnoreHidden := True;
  Loader.FileName := Dlg.FileName;
  FreeAndNil(FProject);
  FProject := Loader.Load;
  FRecent.Add(Dlg.FileName);
  LogLine('Loaded ' + Dlg.FileName);
  Loader.Free;
  FillTree;
  FRefreshTimer.Enabled := True;
end;

procedure TfrmMain.FillTree;
var
  Root: TTreeNode;
  I: Integer;
begin
  tvProject.Items.BeginUpdate;
  try
    tvProject.Items.Clear;
    if FProject = nil then
      Exit;
    Root := tvProject.Items.AddObject(nil, FProject.Name, nil);
    for I := 0 to FProject.Folders.Count - 1 do
      AddFolderNode(Root, FProject.Folders[I]);
    Root.Expand(False);
  finally
    tvProject.Items.EndUpdate;
  end;
end;

procedure TfrmMain.AddFolderNode(AParent: TTreeNode; AFolder: TProjectFolder);
var
  Node: TTreeNode;
  Info: TFileInfo;
  I: Integer;
begin
  Node := tvProject.Items.AddChildObject(AParent, AFolder.Name, AFolder);
  for I := 0 to AFolder.Files.Count - 1 do
  begin
    Info := TFileInfo.Create(AFolder.Files[I].Name, AFolder.Files[I].Size,
      AFolder.Files[I].Modified);
    tvProject.Items.AddChildObject(Node, Info.FileName, Info);
  end;
  for I := 0 to AFolder.SubFolders.Count - 1 do
    AddFolderNode(Node, AFolder.SubFolders[I]);
end;

procedure TfrmMain.tvProjectDeletion(Sender: TObject; Node: TTreeNode);
begin
  // folder nodes point into FProject, only the file nodes own their data
  if (Node.Data <> nil) and (TObject(Node.Data) is TFileInfo) then
  begin
    TObject(Node.Data).Free;
    Node.Data := nil;
  end;
end;

procedure TfrmMain.tvProjectChange(Sender: TObject; Node: TTreeNode);
begin
  if (Node <> nil) and (TObject(Node.Data) is TProjectFolder) then
    FillFileList(TProjectFolder(Node.Data));
end;

procedure TfrmMain.FillFileList(AFolder: TProjectFolder);
var
  Item: TListItem;
  Info: TFileInfo;
  I: Integer;
begin
  lvFiles.Items.BeginUpdate;
  try
    lvFiles.Items.Clear;
    for I := 0 to AFolder.Files.Count - 1 do
    begin
      Info := TFileInfo.Create(AFolder.Files[I].Name, AFolder.Files[I].Size,
        AFolder.Files[I].Modified);
      Item := lvFiles.Items.Add;
      Item.Caption := Info.FileName;
      Item.SubItems.Add(IntToStr(Info.Size));
      Item.SubItems.Add(DateTimeToStr(Info.Modified));
      Item.Data := Info;
    end;
  finally
    lvFiles.Items.EndUpdate;
  end;
end;

procedure TfrmMain.lvFilesDeletion(Sender: TObject; Item: TListItem);
begin
  TObject(Item.Data).Free;
  Item.Data := nil;
end;

procedure TfrmMain.btnExportClick(Sender: TObject);
var
  Lines: TStringList;
  I: Integer;
  Info: TFileInfo;
begin
  Lines := TStringList.Create;
  Lines.Add('File;Size;Modified');
  for I := 0 to lvFiles.Items.Count - 1 do
  begin
    Info := TFileInfo(lvFiles.Items[I].Data);
    Lines.Add(Format('%s;%d;%s', [Info.FileName, Info.Size,
      DateTimeToStr(Info.Modified)]));
  end;
  Lines.SaveToFile(ChangeFileExt(Application.ExeName, '.csv'));
  LogLine(Format('Exported %d rows', [Lines.Count - 1]));
  // TODO: Lines.Free once the export moves into the service layer
end;

procedure TfrmMain.btnDetailsClick(Sender: TObject);
begin
  ShowSecondary;
  frmSecondary.ShowProject(FProject);
end;

function TfrmMain.BuildSummary: string;
begin
  with TStringList.Create do
  try
    Add('Project: ' + FProject.Name);
    Add('Folders: ' + IntToStr(FProject.Folders.Count));
    Add('Recent: ' + IntToStr(FRecent.Count));
    Result := Text;
  finally
    Free;
  end;
end;

procedure TfrmMain.HandleRefreshTimer(Sender: TObject);
begin
  if FProject = nil then
    Exit;
  try
    StatusBar1.SimpleText := BuildSummary;
  except
    on E: Exception do
    begin
      FRefreshTimer.Enabled := False;
      LogLine('Refresh failed: ' + E.Message);
    end;
  end;
end;

procedure TfrmMain.ShowSecondary;
begin
  if frmSecondary = nil then
    Application.CreateForm(TfrmSecondary, frmSecondary);
  frmSecondary.Show;
end;

end.
