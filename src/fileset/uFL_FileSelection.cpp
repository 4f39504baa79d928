// The add/remove walk and the file-list maintenance of the file selection page.
#include "fileset/uFL_FileSelection.h"

#include <sys/stat.h>

#include <stdexcept>
#include <vector>

#include "fileset/uFL_DirectoryReadAhead.h"
#include "fileset/uFL_Enumerators.h"
#include "support/uFL_Utils.h"

namespace {
// One reading of a directory gives what a file enumerator with the types [ftNormal] and then a
// directory enumerator would report: the files, then the subdirectories (of any name).
TListingRule ScanRule(const std::string& Mask) {
  TListingRule Rule;
  Rule.Mask = IsBlankMask(Mask) ? std::string("*.*") : Mask;
  Rule.SearchAttr = faDirectory;
  Rule.MaskDirectories = false;
  // The files' records are read when they are first wanted, not one lookup per file here.
  Rule.ReadRecords = false;
  return Rule;
}

// Leaves the busy state (and ends a list update) however the walk ends.
struct TBusyFrame {
  IBusyHost& Host;
  TFileList* List;
  ~TBusyFrame() {
    if (List) List->EndUpdate();
    Host.LeaveBusyState();
  }
};
}  // namespace

void TFileSelection::CollectFiles(bool Add, const TCollectParams& Params) {
  AddMode = Add;
  FirstScan = true;
  FSubdirs = Params.Subdirs;
  FHost.EnterBusyState(true, bmFileList);
  FList.BeginUpdate();
  TBusyFrame Frame{FHost, &FList};
  if (!Params.Mask.empty()) {
    CurrentMask = Params.Mask;
    ScanTree(Params.Dir);
  } else {
    for (const std::string& Type : Params.Types) {
      CurrentMask = Type;
      FirstScan = true;
      ScanTree(Params.Dir);
      if (Type == "*.*") break;
    }
  }
  // The records are those of the walk's time, as the entries were added; reading them together
  // costs one lookup per file relative to its open directory, and a file gone meanwhile has
  // vanished during the walk.
  if (Params.ReadRecords) FList.ReadRecords();
}

void TFileSelection::ScanTree(const std::string& Dir) {
  if (!FSubdirs || !TDirectoryReadAhead::CoreIdle()) {
    ScanDirectory(Dir);
    return;
  }
  TDirectoryReadAhead ReadAhead(ScanRule(CurrentMask));
  FReadAhead = &ReadAhead;
  struct TEnd {
    TDirectoryReadAhead*& Ptr;
    ~TEnd() { Ptr = nullptr; }
  } End{FReadAhead};
  ScanDirectory(Dir);
}

void TFileSelection::ScanDirectory(const std::string& Dir) {
  if ((FSubdirs || FirstScan) && !FHost.StopRequested()) {
    FirstScan = false;
    // The directory's files first, then each subdirectory depth first, in the file system's order.
    std::vector<TDirEntry> Files =
        FReadAhead ? FReadAhead->Take(Dir) : ReadDirectory(Dir, ScanRule(CurrentMask));
    std::vector<std::string> Subdirs;
    for (const TDirEntry& E : Files)
      if (E.Rec.Attr & faDirectory) Subdirs.push_back(Dir + E.Rec.Name + "/");
    std::erase_if(Files, [](const TDirEntry& E) { return E.Rec.Attr & faDirectory; });
    if (FReadAhead && FSubdirs) FReadAhead->Expect(Subdirs);
    if (AddMode)
      FList.AddFound(Dir, Files);
    else
      for (const TDirEntry& E : Files) FList.Remove(Dir + E.Rec.Name);
    for (const std::string& Sub : Subdirs) ScanDirectory(Sub);
  }
  FHost.UpdateStatusLine(false);
}

void TFileSelection::FileFound(const std::string& FullName, const TSearchRec& FileRec) {
  if (AddMode)
    FList.Add(FullName, FileRec);
  else
    FList.Remove(FullName);
}

void TFileSelection::AddFileSpec(const std::string& Spec) {
  AddMode = true;
  FirstScan = false;
  const std::string Dir = ExtractFilePath(Spec);
  const std::string Name = Spec.substr(Dir.size());
  // An empty line, or a bare directory, names no file: without this it would pull in a whole
  // directory through the blank-mask rule.
  if (TrimText(Name).empty()) return;
  TFileEnumerator Files;
  Files.SetStartPath(Dir);
  Files.SetFileMask(Name);
  Files.FileTypes = FileTypeBit(ftNormal);
  Files.OnItem = [this](TFSEnumerator&, const std::string& FullName, const TSearchRec& Rec, bool&) {
    FileFound(FullName, Rec);
  };
  Files.Execute();
}

void TFileSelection::RefreshFileList(bool AfterAction) {
  if (AfterAction) FHost.Pause(1000);
  std::vector<std::string> Paths = FList.Paths();
  FList.BeginUpdate();
  {
    struct TEnd {
      TFileList& L;
      ~TEnd() { L.EndUpdate(); }
    } End{FList};
    FList.Clear();
    for (const std::string& Path : Paths) AddFileSpec(Path);
  }
  FHost.UpdateStatusLine(true);
}

void TFileSelection::KeepOnlyFile(int Index) {
  const std::string Path = FList.Path(Index);
  FList.BeginUpdate();
  FList.Clear();
  AddFileSpec(Path);
  FList.EndUpdate();
}

void TFileSelection::LoadFromFile(const std::string& FileName) {
  FHost.EnterBusyState(false, bmFileList);
  TBusyFrame Frame{FHost, nullptr};
  FList.Clear();
  const std::vector<std::string> Specs = ReadFileListFile(FileName);
  // The lines go in as they are (no records yet); the refresh turns each into the files it names.
  FList.BeginUpdate();
  {
    struct TEnd {
      TFileList& L;
      ~TEnd() { L.EndUpdate(); }
    } End{FList};
    for (const std::string& Spec : Specs) AddFileSpec(Spec);
  }
  FHost.UpdateStatusLine(true);
}

void TFileSelection::SaveToFile(const std::string& FileName) const {
  WriteFileListFile(FileName, FList.Paths());
}

std::string NormaliseStartDirectory(const std::string& Text) {
  std::string Dir = TrimText(Text);
  if (Dir.empty()) return Dir;
  if (Dir.back() != '/') Dir += '/';
  struct stat St;
  if (stat(Dir.c_str(), &St) != 0 || !S_ISDIR(St.st_mode))
    throw std::runtime_error("Directory does not exist");
  return Dir;
}
