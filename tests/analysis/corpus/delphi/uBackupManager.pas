unit uBackupManager;

interface

uses
  System.SysUtils, System.Classes, System.SyncObjs, System.Zip, System.IOUtils,
  System.DateUtils, System.Generics.Collections;

type
  TBackupManager = class
  private
    FTargetFolder: string;
    FKeepDays: Integer;
    FLock: TCriticalSection;
    FHistory: TStringList;
    function ArchiveName: string;
  public
    constructor Create(const ATargetFolder: string; AKeepDays: Integer);
    destructor Destroy; override;
    function Backup(const ASourceFolder: string): string;
    procedure Prune;
    function Restore(const AArchive, ATargetFolder: string): Boolean;
    procedure WriteManifest(const AArchive: string);
  end;

implementation

constructor TBackupManager.Create(const ATargetFolder: string; AKeepDays: Integer);
begin
  inherited Create;
  FTargetFolder := IncludeTrailingPathDelimiter(ATargetFolder);
  FKeepDays := AKeepDays;
  FLock := TCriticalSection.Create;
  FHistory := TStringList.Create;
end;

destructor TBackupManager.Destroy;
begin
  FreeAndNil(FHistory);
  FreeAndNil(FLock);
  inherited;
end;

function TBackupManager.ArchiveName: string;
begin
  Result := FTargetFolder + 'backup_' + FormatDateTime('yyyymmdd_hhnnss', Now) + '.zip';
end;

function TBackupManager.Backup(const ASourceFolder: string): string;
var
  Zip: TZipFile;
  FileName: string;
begin
  Result := ArchiveName;
  Zip := TZipFile.Create;
  try
    Zip.Open(Result, zmWrite);
    for FileName in TDirectory.GetFiles(ASourceFolder, '*', TSearchOption.soAllDirectories) do
      Zip.Add(FileName, ExtractRelativePath(IncludeTrailingPathDelimiter(ASourceFolder), FileName));
    Zip.Close;
  finally
    Zip.Free;
  end;
  FLock.Enter;
  try
    FHistory.Add(Result);
  finally
    FLock.Leave;
  end;
end;

procedure TBackupManager.Prune;
var
  Expired: TStringList;
  FileName: string;
  Limit: TDateTime;
begin
  Limit := IncDay(Now, -FKeepDays);
  Expired := TStringList.Create;
  FLock.Enter;
  try
    for FileName in TDirectory.GetFiles(FTargetFolder, 'backup_*.zip') do
      if TFile.GetLastWriteTime(FileName) < Limit then
        Expired.Add(FileName);
  finally
    FLock.Leave;
  end;
  for FileName in Expired do
    TFile.Delete(FileName);
  Expired.Free;
end;

function TBackupManager.Restore(const AArchive, ATargetFolder: string): Boolean;
begin
  Result := TZipFile.IsValid(AArchive);
  if not Result then
    Exit;
  try
    TZipFile.ExtractZipFile(AArchive, ATargetFolder);
  except
    on E: EZipException do
      Result := False;
  end;
end;

procedure TBackupManager.WriteManifest(const AArchive: string);
var
  Zip: TZipFile;
  Manifest: TStringList;
  I: Integer;
begin
  Manifest := TStringList.Create;
  try
    Zip := TZipFile.Create;
    try
      Zip.Open(AArchive, zmRead);
      for I := 0 to Zip.FileCount - 1 do
        Manifest.Add(Format('%s'#9'%d', [Zip.FileNames[I], Zip.FileInfo[I].UncompressedSize]));
    finally
      Zip.Free;
    end;
    Manifest.SaveToFile(ChangeFileExt(AArchive, '.txt'));
  finally
    Manifest.Free;
  end;
end;

end.
